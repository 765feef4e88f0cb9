#!/usr/bin/env bash
# Builds Qt 6 for Windows (Core, Gui, Widgets, Test, the windows and offscreen platform
# plugins, shared) from Debian's own qt6-base source, the same 6.4.2 as the host's
# qt6-base-dev, with the host Qt's tools and the fixes in windows/qt-patches. Installs into a
# cache folder outside the checkout, named by the patches, and does nothing when that is
# already complete. The installed tree keeps absolute paths, so the cache stays at one fixed
# path.
# Usage: scripts/qt-win64.sh   (prints the prefix on its last line)
set -euo pipefail
cd "$(dirname "$0")/.."
version=6.4.2
debian_version=6.4.2+dfsg-10
cache=${TRACKKML_CACHE:-/var/cache/trackkml}
patches=(windows/qt-patches/*.patch)
prefix=$cache/qt6-win64-$version-$(cat "${patches[@]}" | sha256sum | cut -c1-12)
if [ -f "$prefix/.complete" ]; then
  echo "$prefix"
  exit 0
fi
bash scripts/setup.sh
work=$prefix.work
rm -rf "$work" "$prefix"
mkdir -p "$work/apt/lists/partial" "$work/apt/cache/archives/partial" "$prefix"

# The source through apt with a sources list of its own; the system's apt is left alone.
echo "deb-src http://deb.debian.org/debian bookworm main" >"$work/apt/sources.list"
apt_options=(-o "Dir::Etc::SourceList=$work/apt/sources.list" -o "Dir::Etc::SourceParts=-"
  -o "Dir::State::Lists=$work/apt/lists" -o "Dir::Cache=$work/apt/cache"
  -o "APT::Sandbox::User=root")
apt-get "${apt_options[@]}" update -qq
(cd "$work" && apt-get "${apt_options[@]}" source -qq "qt6-base=$debian_version" >/dev/null)
src=$(find "$work" -maxdepth 1 -type d -name "qt6-base-*" | head -n 1)
for patch in "${patches[@]}"; do
  patch -d "$src" -p1 --quiet --forward <"$patch"
done

# The toolchain file by a fixed path: the installed Qt refers to it.
cp cmake/mingw-w64.cmake "$cache/mingw-w64.cmake"
sed -i '/CMAKE_CROSSCOMPILING_EMULATOR/,/endif()/d;/^if(EXISTS/d' "$cache/mingw-w64.cmake"

cmake -S "$src" -B "$work/build" -G Ninja -Wno-dev \
  -DCMAKE_TOOLCHAIN_FILE="$cache/mingw-w64.cmake" \
  -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX="$prefix" -DBUILD_SHARED_LIBS=ON \
  -DQT_HOST_PATH=/usr -DQT_HOST_PATH_CMAKE_DIR=/usr/lib/x86_64-linux-gnu/cmake \
  -DQT_BUILD_EXAMPLES=OFF -DQT_BUILD_TESTS=OFF -DQT_BUILD_BENCHMARKS=OFF \
  -DFEATURE_sql=OFF -DFEATURE_network=OFF -DFEATURE_xml=OFF -DFEATURE_dbus=OFF \
  -DFEATURE_concurrent=OFF -DFEATURE_printsupport=OFF -DFEATURE_openssl=OFF \
  -DINPUT_opengl=no -DFEATURE_opengl=OFF -DFEATURE_opengl_dynamic=OFF -DFEATURE_dynamicgl=OFF \
  -DFEATURE_directwrite3=OFF -DFEATURE_tabletevent=OFF -DFEATURE_pkg_config=OFF \
  -DFEATURE_androiddeployqt=OFF -DFEATURE_vulkan=OFF \
  -DFEATURE_system_zlib=OFF -DFEATURE_system_pcre2=OFF -DFEATURE_system_harfbuzz=OFF \
  -DFEATURE_system_freetype=OFF -DFEATURE_system_libpng=OFF -DFEATURE_system_libjpeg=OFF \
  -DFEATURE_system_doubleconversion=OFF >"$work/configure.log" 2>&1 ||
  { tail -n 60 "$work/configure.log"; exit 1; }
cmake --build "$work/build" --parallel "$(nproc)" >"$work/build.log" 2>&1 ||
  { tail -n 60 "$work/build.log"; exit 1; }
cmake --install "$work/build" >"$work/install.log" 2>&1
rm -rf "$work"
touch "$prefix/.complete"
echo "$prefix"
