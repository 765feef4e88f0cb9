#!/usr/bin/env bash
# Builds libxlsxwriter for Windows (static) from Debian's own source, the same 1.1.4 as the
# host's libxlsxwriter-dev, into a cache folder, once. Its bundled minizip and tmpfileplus go
# into the library; zlib is Debian's static mingw build (libz-mingw-w64-dev), so programs
# link ${prefix}/lib/libxlsxwriter.a and /usr/x86_64-w64-mingw32/lib/libz.a.
# Usage: scripts/xlsxwriter-win64.sh   (prints the prefix on its last line)
set -euo pipefail
cd "$(dirname "$0")/.."
debian_version=1.1.4-2
cache=${TRACKKML_CACHE:-/var/cache/trackkml}
prefix=$cache/xlsxwriter-win64
zlib=/usr/x86_64-w64-mingw32
if [ -f "$prefix/.complete" ]; then
  echo "$prefix"
  exit 0
fi
[ -f "$zlib/lib/libz.a" ] || { echo "xlsxwriter-win64.sh: needs libz-mingw-w64-dev" >&2; exit 1; }
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
rm -rf "$prefix"
mkdir -p "$work/apt/lists/partial" "$work/apt/cache/archives/partial"

# The source through apt with a sources list of its own, as in qt-win64.sh.
echo "deb-src http://deb.debian.org/debian bookworm main" >"$work/apt/sources.list"
apt_options=(-o "Dir::Etc::SourceList=$work/apt/sources.list" -o "Dir::Etc::SourceParts=-"
  -o "Dir::State::Lists=$work/apt/lists" -o "Dir::Cache=$work/apt/cache"
  -o "APT::Sandbox::User=root")
apt-get "${apt_options[@]}" update -qq
(cd "$work" && apt-get "${apt_options[@]}" source -qq "libxlsxwriter=$debian_version" >/dev/null)
src=$(find "$work" -maxdepth 1 -type d -name "libxlsxwriter-*" | head -n 1)

# Upstream hides _WIN32 from MinGW, so the .xlsx is opened with fopen() in the ANSI code page
# and a UTF-8 name outside it (Greek on a Western Windows) comes out garbled. Take the MSVC
# path instead: _wfopen() and minizip's iowin32 with UTF-16 names.
sed -i '/^#ifdef __MINGW32__$/,/^#endif$/d' "$src/src/packager.c" "$src/src/utility.c"
sed -i -z 's/if(MSVC)\(\n *list(APPEND LXW_SOURCES third_party\/minizip\/iowin32.c)\)/if(WIN32)\1/' \
  "$src/CMakeLists.txt"

# zlib named by file: FindZLIB would take the import library libz.dll.a first. tmpfileplus
# (USE_STANDARD_TMPFILE off) puts temporary files in %TMP% or the workbook's tmpdir; the
# CRT's tmpfile() writes to the root of C:, which ordinary Windows users may not do. The
# bundled dtoa writes numbers with a decimal point whatever the C locale (printf would write
# 1234,5 under a Greek one).
cmake -S "$src" -B "$work/build" -G Ninja -DCMAKE_TOOLCHAIN_FILE="$PWD/cmake/mingw-w64.cmake" \
  -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX="$prefix" -DBUILD_SHARED_LIBS=OFF \
  -DUSE_SYSTEM_MINIZIP=OFF -DUSE_STANDARD_TMPFILE=OFF -DBUILD_TESTS=OFF -DBUILD_EXAMPLES=OFF \
  -DUSE_DTOA_LIBRARY=ON -DZLIB_INCLUDE_DIR="$zlib/include" -DZLIB_LIBRARY="$zlib/lib/libz.a" \
  >"$work/configure.log" 2>&1 || { cat "$work/configure.log"; exit 1; }
cmake --build "$work/build" >"$work/build.log" 2>&1 || { tail -n 40 "$work/build.log"; exit 1; }
cmake --install "$work/build" >/dev/null
touch "$prefix/.complete"
echo "$prefix"
