/* fontgen: renders the GUI's bitmap fonts with FreeType and writes them as C++ sources in the
 * widget layer's built-in font format. The glyph set is printable ASCII plus every character
 * above ASCII found in the UI texts file, so it follows the texts exactly. Exit status 0 on
 * success, 1 with a message on stderr on any failure (missing glyph, unexpected count...). */
#include <ft2build.h>
#include FT_FREETYPE_H

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iostream>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <vector>

namespace {

struct options {
    std::string font_path, face_name, texts_path, name, out_path;
    int px = 16, line_height = 19, base_line = 4, underline_pos = -2, underline_thickness = 1, bpp = 4;
    int expect_extra = -1;
};

struct glyph {
    uint32_t cp;
    uint32_t bitmap_index;
    uint32_t adv_w; /* 1/16 px */
    int box_w, box_h, ofs_x, ofs_y;
};

bool fail(const std::string & msg)
{
    std::cerr << "fontgen: " << msg << "\n";
    return false;
}

bool parse_args(int argc, char ** argv, options & o)
{
    std::map<std::string, std::string> kv;
    for(int i = 1; i + 1 < argc; i += 2) kv[argv[i]] = argv[i + 1];
    if((argc - 1) % 2 != 0) return fail("arguments come in --option value pairs");
    auto get = [&](const char * k, std::string & v) { if(kv.count(k)) v = kv[k]; };
    auto geti = [&](const char * k, int & v) { if(kv.count(k)) v = std::atoi(kv[k].c_str()); };
    get("--font", o.font_path);
    get("--face-name", o.face_name);
    get("--texts", o.texts_path);
    get("--name", o.name);
    get("--out", o.out_path);
    geti("--px", o.px);
    geti("--line-height", o.line_height);
    geti("--base-line", o.base_line);
    geti("--underline-position", o.underline_pos);
    geti("--underline-thickness", o.underline_thickness);
    geti("--bpp", o.bpp);
    geti("--expect-extra", o.expect_extra);
    if(o.font_path.empty() || o.texts_path.empty() || o.name.empty() || o.out_path.empty()) {
        return fail("usage: fontgen --font FILE [--face-name NAME] --texts FILE --name ID --out FILE "
                    "[--px N --line-height N --base-line N --underline-position N --underline-thickness N "
                    "--bpp 1|2|4|8 --expect-extra N]");
    }
    if(o.bpp != 1 && o.bpp != 2 && o.bpp != 4 && o.bpp != 8) return fail("bpp must be 1, 2, 4 or 8");
    return true;
}

/* Decodes one UTF-8 sequence at s[i]; 0 and i unchanged on a malformed one. */
uint32_t utf8_next(const std::string & s, size_t & i)
{
    auto c = static_cast<unsigned char>(s[i]);
    int n = c < 0x80 ? 1 : (c >> 5) == 6 ? 2 : (c >> 4) == 14 ? 3 : (c >> 3) == 30 ? 4 : 0;
    if(n == 0 || i + n > s.size()) return 0;
    uint32_t cp = n == 1 ? c : c & (0x7F >> n);
    for(int k = 1; k < n; k++) {
        auto cc = static_cast<unsigned char>(s[i + k]);
        if((cc & 0xC0) != 0x80) return 0;
        cp = (cp << 6) | (cc & 0x3F);
    }
    i += n;
    return cp;
}

/* The characters above ASCII in the texts file. */
bool collect_extra(const std::string & path, std::set<uint32_t> & extra)
{
    std::ifstream in(path, std::ios::binary);
    if(!in) return fail("cannot read " + path);
    std::string line;
    int lineno = 0;
    while(std::getline(in, line)) {
        lineno++;
        if(line.rfind("%%", 0) == 0) continue;
        for(size_t i = 0; i < line.size();) {
            uint32_t cp = utf8_next(line, i);
            if(cp == 0) return fail(path + ":" + std::to_string(lineno) + ": malformed UTF-8");
            if(cp > 0x7E) extra.insert(cp);
        }
    }
    return true;
}

bool open_face(FT_Library lib, const options & o, FT_Face & face)
{
    FT_Face probe;
    if(FT_New_Face(lib, o.font_path.c_str(), -1, &probe)) return fail("cannot open " + o.font_path);
    long n = probe->num_faces;
    FT_Done_Face(probe);
    for(long i = 0; i < n; i++) {
        if(FT_New_Face(lib, o.font_path.c_str(), i, &face)) continue;
        if(o.face_name.empty() || (face->family_name && o.face_name == face->family_name)) return true;
        FT_Done_Face(face);
    }
    return fail("no face named \"" + o.face_name + "\" in " + o.font_path);
}

/* Appends the glyph's bitmap, bpp bits per pixel, rows packed, high bits first. */
void pack_bitmap(const FT_Bitmap & bm, int bpp, std::vector<uint8_t> & out)
{
    uint32_t bits = 0;
    int nbits = 0;
    int maxv = (1 << bpp) - 1;
    for(unsigned y = 0; y < bm.rows; y++) {
        for(unsigned x = 0; x < bm.width; x++) {
            int v = bm.buffer[y * bm.pitch + x];
            bits = (bits << bpp) | static_cast<uint32_t>((v * maxv + 127) / 255);
            nbits += bpp;
            if(nbits == 8) out.push_back(static_cast<uint8_t>(bits)), bits = 0, nbits = 0;
        }
    }
    if(nbits) out.push_back(static_cast<uint8_t>(bits << (8 - nbits)));
}

bool render(FT_Face face, const options & o, const std::set<uint32_t> & cps, std::vector<glyph> & glyphs,
            std::vector<uint8_t> & bitmap)
{
    if(FT_Set_Pixel_Sizes(face, 0, static_cast<FT_UInt>(o.px))) return fail("cannot set the pixel size");
    for(uint32_t cp : cps) {
        if(FT_Get_Char_Index(face, cp) == 0) return fail("the font lacks U+" + std::to_string(cp));
        if(FT_Load_Char(face, cp, FT_LOAD_RENDER | FT_LOAD_NO_BITMAP | FT_LOAD_TARGET_LIGHT)) {
            return fail("cannot render U+" + std::to_string(cp));
        }
        FT_GlyphSlot g = face->glyph;
        glyph gl{cp, static_cast<uint32_t>(bitmap.size()), static_cast<uint32_t>((g->advance.x + 2) / 4),
                 static_cast<int>(g->bitmap.width), static_cast<int>(g->bitmap.rows), g->bitmap_left,
                 g->bitmap_top - static_cast<int>(g->bitmap.rows)};
        if(gl.box_w > 255 || gl.box_h > 255) return fail("glyph too large");
        pack_bitmap(g->bitmap, o.bpp, bitmap);
        glyphs.push_back(gl);
    }
    return true;
}

std::string font_basename(const std::string & path)
{
    size_t s = path.find_last_of('/');
    return s == std::string::npos ? path : path.substr(s + 1);
}

void write_bitmap(std::ostream & os, const std::vector<uint8_t> & bitmap)
{
    os << "constexpr uint8_t glyph_bitmap[] = {";
    for(size_t i = 0; i < bitmap.size(); i++) {
        if(i % 16 == 0) os << "\n   ";
        char buf[8];
        std::snprintf(buf, sizeof buf, " 0x%02x,", bitmap[i]);
        os << buf;
    }
    os << "\n};\n\n";
}

void write_tables(std::ostream & os, const std::vector<glyph> & glyphs)
{
    os << "constexpr lv_font_fmt_txt_glyph_dsc_t glyph_dsc[] = {\n";
    for(const glyph & g : glyphs) {
        os << "    {.bitmap_index = " << g.bitmap_index << ", .adv_w = " << g.adv_w << ", .box_w = " << g.box_w
           << ", .box_h = " << g.box_h << ", .ofs_x = " << g.ofs_x << ", .ofs_y = " << g.ofs_y << "},\n";
    }
    os << "};\n\nconstexpr uint32_t unicode_list[] = {";
    for(size_t i = 0; i < glyphs.size(); i++) os << (i % 10 == 0 ? "\n    " : " ") << glyphs[i].cp << ",";
    os << "\n};\n\n";
}

bool write_source(const options & o, const std::vector<glyph> & glyphs, const std::vector<uint8_t> & bitmap)
{
    std::ostringstream os;
    os << "/* Font " << o.name << ": generated by tools/fontgen (regenerate.sh) from " << font_basename(o.font_path)
       << (o.face_name.empty() ? "" : " (" + o.face_name + ")") << " at " << o.px << " px, " << o.bpp
       << " bits per pixel.\n * Printable ASCII and the characters of the UI texts; " << glyphs.size()
       << " glyphs. Do not edit. */\n";
    os << "#include \"gui/font/lv_font.h\"\n\nnamespace {\n\n";
    write_bitmap(os, bitmap);
    write_tables(os, glyphs);
    os << "constexpr lv_font_fmt_txt_dsc_t font_dsc = {\n    .glyph_bitmap = glyph_bitmap,\n"
       << "    .glyph_dsc = glyph_dsc,\n    .unicode_list = unicode_list,\n    .glyph_cnt = " << glyphs.size()
       << ",\n    .bpp = " << o.bpp << ",\n};\n\n}\n\n";
    os << "const lv_font_t " << o.name << " = {\n    .get_glyph_dsc = lv_font_get_glyph_dsc_fmt_txt,\n"
       << "    .get_glyph_bitmap = lv_font_get_bitmap_fmt_txt,\n    .line_height = " << o.line_height
       << ",\n    .base_line = " << o.base_line << ",\n    .subpx = 0,\n    .underline_position = "
       << o.underline_pos << ",\n    .underline_thickness = " << o.underline_thickness
       << ",\n    .dsc = &font_dsc,\n};\n";
    std::ofstream out(o.out_path, std::ios::binary);
    if(!out) return fail("cannot write " + o.out_path);
    out << os.str();
    return static_cast<bool>(out);
}

}

int main(int argc, char ** argv)
{
    options o;
    if(!parse_args(argc, argv, o)) return 1;
    std::set<uint32_t> extra;
    if(!collect_extra(o.texts_path, extra)) return 1;
    if(o.expect_extra >= 0 && static_cast<int>(extra.size()) != o.expect_extra) {
        fail("the texts hold " + std::to_string(extra.size()) + " characters above ASCII, expected " +
             std::to_string(o.expect_extra));
        return 1;
    }
    std::set<uint32_t> cps(extra);
    for(uint32_t c = 0x20; c <= 0x7E; c++) cps.insert(c);
    FT_Library lib;
    if(FT_Init_FreeType(&lib)) return fail("FreeType initialisation failed"), 1;
    FT_Face face;
    std::vector<glyph> glyphs;
    std::vector<uint8_t> bitmap;
    bool ok = open_face(lib, o, face) && render(face, o, cps, glyphs, bitmap) && write_source(o, glyphs, bitmap);
    FT_Done_FreeType(lib);
    if(ok) std::cout << o.out_path << ": " << glyphs.size() << " glyphs (" << extra.size() << " above ASCII)\n";
    return ok ? 0 : 1;
}
