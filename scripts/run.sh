#!/usr/bin/env bash
# Installs what is missing, builds the configurator and starts it with the given options
# (for example --console, or --sim-dongle disk.img).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/install-deps.sh"
cmake -S "$root" -B "$root/build" -G Ninja -DKORVALEN_TESTS=OFF -DKORVALEN_BENCH=OFF >/dev/null
cmake --build "$root/build" --target korvalen -j"$(nproc)"
exec "$root/build/korvalen" "$@"
