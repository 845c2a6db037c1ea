#!/usr/bin/env bash
# Builds the Debian package and checks it: the desktop
# file (desktop-file-validate), the AppStream metainfo (appstreamcli), the
# package itself (lintian, no errors allowed) and the installed layout.
# Needs what `scripts/setup.sh --package` installs.
#
#   scripts/package.sh [build folder]   default build-package/ (a Release
#                                       build); a folder already configured,
#                                       such as build/, is packaged as it is
set -euo pipefail
cd "$(dirname "$0")/.."
dir=${1:-build-package}
if [ ! -f "$dir/CMakeCache.txt" ]; then
    cmake -S . -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
fi
cmake --build "$dir" --target HayesKvd hayeskvd-cli hk_changelog -j"$(nproc)"
(cd "$dir" && cpack -G DEB >/dev/null)
deb=$(ls "$dir"/hayeskvd_*.deb)
echo "package: $deb"

desktop-file-validate packaging/*.desktop
appstreamcli validate --no-net packaging/*.metainfo.xml

# The files where the program looks for them when installed.
listing=$(dpkg-deb -c "$deb" | awk '{print $6}')
for f in ./usr/bin/HayesKvd ./usr/bin/hayeskvd-cli ./usr/share/hayeskvd/HayesKvd.html ./usr/share/hayeskvd/hayes_init.n2 \
    ./usr/share/applications/local.hayeskvd.HayesKvd.desktop \
    ./usr/share/icons/hicolor/scalable/apps/local.hayeskvd.HayesKvd.svg \
    ./usr/share/metainfo/local.hayeskvd.HayesKvd.metainfo.xml \
    ./usr/share/doc/hayeskvd/copyright ./usr/share/doc/hayeskvd/changelog.gz; do
    grep -qx "$f" <<<"$listing" || { echo "package.sh: $f missing from the package" >&2; exit 1; }
done

# The packaged program, unpacked into a folder of its own and started there,
# keeps its settings file in the user's configuration folder.
unpacked=$(mktemp -d)
trap 'rm -rf "$unpacked"' EXIT
dpkg-deb -x "$deb" "$unpacked/root"
XDG_CONFIG_HOME="$unpacked/config" XDG_DATA_HOME="$unpacked/data" QT_QPA_PLATFORM=offscreen \
    "$unpacked/root/usr/bin/HayesKvd" >/dev/null 2>&1 &
program=$!
for _ in $(seq 100); do [ -s "$unpacked/config/hayeskvd/HmK.Cfg" ] && break; sleep 0.1; done
kill "$program" 2>/dev/null || true
wait "$program" 2>/dev/null || true
if [ "$(stat -c %s "$unpacked/config/hayeskvd/HmK.Cfg" 2>/dev/null)" != 8 ] ||
    [ ! -d "$unpacked/data/hayeskvd" ] || [ -e "$unpacked/root/usr/bin/HmK.Cfg" ]; then
    echo "package.sh: the installed program did not keep its settings in the user's folders" >&2
    exit 1
fi

# lintian: errors fail the build; warnings and notes are shown.
lintian_out=$(lintian --allow-root --tag-display-limit 0 "$deb" || true)
[ -z "$lintian_out" ] || echo "$lintian_out"
if grep -q '^E: ' <<<"$lintian_out"; then
    echo "package.sh: lintian found errors" >&2
    exit 1
fi
echo "package.sh: $(basename "$deb") built and checked"
