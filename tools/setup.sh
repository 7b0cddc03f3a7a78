#!/usr/bin/env bash
# Installs the Debian packages the editor and its tests need (only those
# missing), then configures and builds into build/.
set -euo pipefail
cd "$(dirname "$0")/.."

packages=(
  build-essential cmake pkg-config
  freeglut3-dev libglu1-mesa-dev libgl1-mesa-dev libgl1-mesa-dri   # editor
  libtinygltf-dev assimp-utils admesh                              # export tests read back
  libpng-dev                                                       # PNG output
  libxxhash-dev                                                    # edit journal checksums
  libgtest-dev libssl-dev libstb-dev                               # unit tests
  xvfb xdotool imagemagick                                         # end-to-end tests
  libx11-dev mandoc man-db desktop-file-utils                      # display check; manual page and desktop entry lint
  libbenchmark-dev                                                  # benchmarks (built when found)
  clang libclang-rt-dev                                            # CI: sanitizer build, fuzzers
  dpkg-dev file lintian                                            # the Debian package (cpack) and its check
)
# The glTF validator runs under node and comes from npm: Debian's nodejs and
# npm, unless both commands are there already (another nodejs package may
# bring its own npm).
command -v node >/dev/null && command -v npm >/dev/null || packages+=(nodejs npm)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  sudo=""
  [ "$(id -u)" -eq 0 ] || sudo="sudo"
  echo "Installing: ${missing[*]}"
  $sudo apt-get update -q
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -q --no-install-recommends "${missing[@]}"
fi

cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j "$(nproc)"

# The Khronos glTF validator for the export tests, into build/validator
# (the tests skip their validation, saying so, where it is missing).
if [ ! -d build/validator/node_modules/gltf-validator ]; then
  npm install --prefix build/validator --no-audit --no-fund --loglevel=error gltf-validator@2.0.0-dev.3.10 ||
    echo "The glTF validator could not be installed; the export tests will skip validation."
fi
