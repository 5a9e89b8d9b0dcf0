#!/bin/sh
# Regenerates gui/fonts/font_ui_19.cpp and font_ui_15.cpp from the UI texts.
# Needs FreeType (libfreetype-dev) and a CJK sans font (fonts-noto-cjk, or fonts-wqy-zenhei
# with FONT=/usr/share/fonts/truetype/wqy/wqy-zenhei.ttc FACE="WenQuanYi Zen Hei").
# Usage: tools/fontgen/regenerate.sh
# The tool is compiled directly (the same source the fontgen CMake target builds), so the
# script works whatever state the rest of the tree is in.
set -eu
root=$(cd "$(dirname "$0")/../.." && pwd)
font=${FONT:-/usr/share/fonts/opentype/noto/NotoSansCJK-Regular.ttc}
face=${FACE:-Noto Sans CJK SC}
texts=$root/tools/fontgen/ui_texts.txt

gen=$(mktemp)
trap 'rm -f "$gen"' EXIT
${CXX:-c++} -std=c++20 -O2 -Wall -Wextra -Werror -Wshadow $(pkg-config --cflags freetype2) \
    "$root/tools/fontgen/fontgen.cpp" -o "$gen" $(pkg-config --libs freetype2)

# Line height, base line and underline are fixed by the GUI; the pixel sizes are chosen so
# that ideographs and Latin descenders fit inside the line.
"$gen" --font "$font" --face-name "$face" --texts "$texts" --expect-extra 171 --bpp 8 \
    --name font_ui_19 --px 16 --line-height 19 --base-line 4 --underline-position -2 --underline-thickness 1 \
    --out "$root/gui/fonts/font_ui_19.cpp"
"$gen" --font "$font" --face-name "$face" --texts "$texts" --expect-extra 171 --bpp 8 \
    --name font_ui_15 --px 13 --line-height 15 --base-line 3 --underline-position -1 --underline-thickness 1 \
    --out "$root/gui/fonts/font_ui_15.cpp"
