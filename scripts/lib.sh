# Shared by scripts/run and scripts/test. Source it; do not run it.

VPO_ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"

# Debian 12 packages that building, running and testing need.
VPO_PACKAGES=(
  build-essential cmake ninja-build pkg-config
  qt6-base-dev qt6-base-dev-tools libgl-dev
  libudev-dev libxcb1-dev libxcb-keysyms1-dev
  libhidapi-hidraw0
  fonts-dejavu-core fonts-liberation2
)
VPO_TEST_PACKAGES=(
  libgtest-dev libgmock-dev googletest
  xvfb xauth xdotool x11-utils
  umockdev libumockdev-dev
  python3 file
)
# The Windows build (mingw-w64, posix threads) and Wine to run its tests.
VPO_WINDOWS_PACKAGES=(
  g++-mingw-w64-x86-64-posix wine wine64
)

vpo_sudo() {
  if [ "$(id -u)" -eq 0 ]; then "$@"; else sudo "$@"; fi
}

# Installs the packages that are missing; does nothing when all are there.
vpo_install() {
  local missing=() p
  for p in "$@"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
  done
  if [ ${#missing[@]} -gt 0 ]; then
    echo "Installing: ${missing[*]}"
    vpo_sudo apt-get update -qq
    vpo_sudo env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "${missing[@]}"
  fi
}

vpo_build() {
  local preset="$1"
  cmake --preset "$preset" -S "$VPO_ROOT" >/dev/null
  cmake --build --preset "$preset" -j"$(nproc)"
}
