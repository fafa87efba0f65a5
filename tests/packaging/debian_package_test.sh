#!/usr/bin/env bash
# Makes the Debian package from a build folder and checks what it holds.
set -euo pipefail
build="$1"
out="$2"
rm -rf "$out"
mkdir -p "$out"
cpack -G DEB --config "$build/CPackConfig.cmake" -B "$out" >"$out/cpack.log" 2>&1 || {
  cat "$out/cpack.log"
  exit 1
}
deb=$(ls "$out"/*.deb)
contents=$(dpkg-deb -c "$deb")
fail=0
for path in ./usr/bin/vpo-analyzer ./usr/bin/vpo-identify ./usr/bin/vpo-instrument-sim \
  ./usr/share/applications/vpo-analyzer.desktop \
  ./usr/share/icons/hicolor/256x256/apps/vpo-analyzer.png \
  ./usr/lib/udev/rules.d/70-vpo-analyzer-hid.rules; do
  if ! grep -q " $path\$" <<<"$contents"; then
    echo "missing from the package: $path"
    fail=1
  fi
done
recommends=$(dpkg-deb -f "$deb" Recommends)
if [[ "$recommends" != *libhidapi-hidraw0* ]]; then
  echo "Recommends is '$recommends', not libhidapi-hidraw0"
  fail=1
fi
depends=$(dpkg-deb -f "$deb" Depends)
if [[ "$depends" != *libqt6widgets6* ]]; then
  echo "Depends is '$depends': the Qt libraries are missing"
  fail=1
fi
if [[ "$depends" == *hidapi* ]]; then
  echo "Depends names hidapi, which must stay a recommendation: '$depends'"
  fail=1
fi
[ $fail -eq 0 ] && echo "package ok: $(basename "$deb")"
exit $fail
