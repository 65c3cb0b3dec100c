#!/usr/bin/env bash
# Makes a static Qt 5 (Core, Gui, Widgets, Test; windows and offscreen platforms) for the mingw-w64
# target from Debian's own qtbase source, once per machine, and prints its prefix.
#   qt-mingw.sh            build it unless a finished one is there; print the prefix
#   qt-mingw.sh --prefix   only print the prefix (whether or not it is built)
# The result lives in $OBLIVAR_QT_CACHE (default /var/cache/oblivar) under a name made of the
# source version and a hash of this script, which holds the configure line: changing either makes
# a new one. A build happens in a temporary folder beside it and is renamed into place only once
# installed, with a stamp written last, so an interrupted build is never taken for a finished one.
# The source comes through apt with a private source list and state made from this machine's own
# Debian entries; the machine's apt configuration is not changed.
set -euo pipefail

cache=${OBLIVAR_QT_CACHE:-/var/cache/oblivar}
jobs=${OBLIVAR_JOBS:-$(nproc)}
triple=x86_64-w64-mingw32
package=qtbase-opensource-src
# The host's Qt tools (uic, rcc, moc) must come from the same Qt as the target libraries.
version=$(dpkg-query -W -f='${source:Version}' qtbase5-dev-tools 2>/dev/null || true)
[ -n "$version" ] || { echo "qt-mingw.sh: qtbase5-dev-tools is not installed" >&2; exit 1; }

configure_options=(
  -xplatform win32-g++
  -opensource -confirm-license -static -release -static-runtime -optimize-size -strip
  -nomake examples -nomake tests -nomake tools -make libs
  -no-opengl -no-dbus -no-icu -no-vulkan -no-direct2d -no-directwrite -no-fontconfig
  -no-feature-sql -no-feature-network -no-feature-xml -no-feature-concurrent -no-feature-printer
  -no-feature-tabletevent -no-feature-testlib_selfcover
  -qt-zlib -qt-libpng -qt-freetype -qt-pcre -qt-harfbuzz -no-libjpeg -no-gif
)
# Bump when the build steps below change in a way the options don't show.
script_version=1
key=$(printf '%s\n' "$script_version" "${configure_options[@]}" | sha256sum | cut -c1-12)
prefix="$cache/qt-${version//[:+~]/_}-$key"

if [ "${1:-}" = --prefix ]; then
  echo "$prefix"
  exit 0
fi
finished() { [ -f "$prefix/.oblivar-qt-ready" ]; }
if finished; then
  echo "$prefix"
  exit 0
fi

mkdir -p "$cache"
exec 9>"$cache/qt.lock"
if ! flock -n 9; then
  echo "qt-mingw.sh: waiting for another build of Qt to end" >&2
  flock 9
fi
if finished; then
  echo "$prefix"
  exit 0
fi

codename=$(. /etc/os-release && echo "${VERSION_CODENAME:-}")
[ -n "$codename" ] || { echo "qt-mingw.sh: no Debian release name in /etc/os-release" >&2; exit 1; }

# A source list of this machine's Debian entries (those of its release and its updates and
# security suites), as deb-src.
source_list() {
  local f
  for f in /etc/apt/sources.list /etc/apt/sources.list.d/*.list; do
    [ -f "$f" ] || continue
    awk -v rel="$codename" '
      $1 == "deb" {
        i = 2; if ($2 ~ /^\[/) { while (i <= NF && $i !~ /\]$/) i++; i++ }
        if ($(i + 1) == rel || index($(i + 1), rel "-") == 1) { $1 = "deb-src"; print }
      }' "$f"
  done
}
source_stanzas() {
  local f
  for f in /etc/apt/sources.list.d/*.sources; do
    [ -f "$f" ] || continue
    # One stanza per paragraph; keep those of type deb whose suites are all of this release.
    awk -v rel="$codename" -v RS= -v ORS='\n\n' '
      {
        deb = 0; ours = 0; off = 0; n = split($0, lines, "\n"); out = ""
        for (j = 1; j <= n; j++) {
          line = lines[j]
          if (line ~ /^#/) continue
          if (line ~ /^Types:/) { if (line ~ /[ \t]deb([ \t]|$)/) deb = 1; line = "Types: deb-src" }
          if (line ~ /^Enabled:[ \t]*no/) off = 1
          if (line ~ /^Suites:/) {
            m = split(line, s, /[ \t]+/); ours = m > 1
            for (k = 2; k <= m; k++) if (s[k] != rel && index(s[k], rel "-") != 1) ours = 0
          }
          out = out line "\n"
        }
        if (deb && ours && !off) printf "%s\n", out
      }' "$f"
  done
}

apt_dir="$cache/apt"
mkdir -p "$apt_dir/state/lists/partial" "$apt_dir/cache/archives/partial" "$apt_dir/parts" \
         "$apt_dir/sources.list.d"
source_list >"$apt_dir/sources.list"
rm -f "$apt_dir/sources.list.d/"*
source_stanzas >"$apt_dir/sources.list.d/debian.sources"
if ! grep -q . "$apt_dir/sources.list" "$apt_dir/sources.list.d/debian.sources"; then
  echo "qt-mingw.sh: no Debian $codename entry in this machine's apt sources" >&2
  exit 1
fi
apt_options=(-o "Dir::Etc::SourceList=$apt_dir/sources.list"
             -o "Dir::Etc::SourceParts=$apt_dir/sources.list.d"
             -o "Dir::State=$apt_dir/state" -o "Dir::Cache=$apt_dir/cache"
             -o "Dir::State::status=/var/lib/dpkg/status" -o Debug::NoLocking=1)
if [ "$(id -u)" = 0 ]; then
  apt_options+=(-o APT::Sandbox::User=root)
fi

downloads="$cache/src-${version//[:+~]/_}"
if [ ! -f "$downloads/.complete" ]; then
  echo "== fetching $package $version" >&2
  apt-get -q "${apt_options[@]}" update >&2
  rm -rf "$downloads"
  mkdir -p "$downloads"
  (cd "$downloads" && apt-get -q "${apt_options[@]}" source --download-only "$package=$version") >&2
  touch "$downloads/.complete"
fi

# Builds that were cut off left their folders; nobody else builds while we hold the lock.
rm -rf --one-file-system "$cache"/qt-build.*
work=$(mktemp -d "$cache/qt-build.XXXXXX")
trap 'rm -rf --one-file-system "$work"' EXIT
echo "== building Qt $version for $triple in $work" >&2
dpkg-source --no-check -x "$downloads"/*.dsc "$work/src" >/dev/null

# Qt's mkspec calls the compilers by their plain names, which may be the win32-thread flavour;
# the project and its GoogleTest are built with the posix one, and both must be the same.
toolbin="$cache/mingw-posix-bin"
mkdir -p "$toolbin"
for tool in gcc g++ ar ranlib nm strip objcopy windres; do
  real=/usr/bin/$triple-$tool
  [ -x "$real-posix" ] && real=$real-posix
  ln -sfn "$real" "$toolbin/$triple-$tool"
done

# A failed step's log stays beside the cache; its tail is shown.
fail() {
  cp "$work/$1.log" "$cache/qt-failed-$1.log" 2>/dev/null
  tail -40 "$work/$1.log" >&2
  echo "qt-mingw.sh: Qt's $1 step failed (log: $cache/qt-failed-$1.log)" >&2
  exit 1
}
mkdir -p "$work/build"
cd "$work/build"
# configure builds qmake with make, which takes its job count from MAKEFLAGS.
MAKEFLAGS=-j$jobs "$work/src/configure" -prefix "$prefix" -device-option "CROSS_COMPILE=$toolbin/$triple-" \
  "${configure_options[@]}" >"$work/configure.log" 2>&1 || fail configure
make -s -j "$jobs" >"$work/build.log" 2>&1 || fail build
make -s -j "$jobs" install INSTALL_ROOT="$work/root" >"$work/install.log" 2>&1 || fail install
[ -f "$work/root$prefix/lib/cmake/Qt5Widgets/Qt5WidgetsConfig.cmake" ] ||
  { echo "qt-mingw.sh: the installed Qt has no Widgets module" >&2; exit 1; }
# On disk before it gets its name, so a crash can't leave a named Qt with missing pieces.
sync -f "$work/root$prefix"
touch "$work/root$prefix/.oblivar-qt-ready"
rm -rf --one-file-system "$prefix"
mv "$work/root$prefix" "$prefix"
sync -f "$cache"
echo "$prefix"
