#!/usr/bin/env bash
# Sets everything up, then runs the whole test suite: unit tests and the
# end-to-end tests, which start their own Xvfb display.
#
# With CI=true (as on CI) it then also
#   - builds everything again with AddressSanitizer and UBSan (build-asan/)
#     and runs the whole suite there, end-to-end tests included;
#   - builds the fuzz targets (build-fuzz/), replays every saved input in
#     fuzz/corpus/<target>/ and fuzzes each target for QUILLMAR_FUZZ_SECONDS
#     (default 60) seconds. A crash is saved as build-fuzz/<target>-crash-*
#     and fails the run;
#   - builds the Debian package (cpack), lists it and checks it with lintian,
#     which must report no error.
set -euo pipefail
cd "$(dirname "$0")/.."
tools/setup.sh
ctest --test-dir build --output-on-failure "$@"
[ "${CI:-}" = true ] || exit 0

echo "== Debian package: built, listed and checked by lintian"
rm -f build/quillmar_*.deb
(cd build && cpack -G DEB >/dev/null)
dpkg-deb --info build/quillmar_*.deb
dpkg-deb --contents build/quillmar_*.deb
lintian --fail-on error build/quillmar_*.deb

echo "== Sanitizer build: the whole suite under AddressSanitizer and UBSan"
export CC=clang CXX=clang++
cmake -S . -B build-asan -DQUILLMAR_SANITIZE=ON >/dev/null
cmake --build build-asan -j "$(nproc)"
ctest --test-dir build-asan --output-on-failure "$@"

echo "== Fuzz targets: saved inputs, then ${QUILLMAR_FUZZ_SECONDS:-60} s of fuzzing each"
cmake -S . -B build-fuzz -DQUILLMAR_FUZZ=ON -DQUILLMAR_TESTS=OFF -DQUILLMAR_BENCH=OFF >/dev/null
cmake --build build-fuzz -j "$(nproc)"
for target in tga scene texlist journal; do
  fuzzer="build-fuzz/fuzz/fuzz_$target"
  corpus="fuzz/corpus/$target"
  "$fuzzer" -runs=0 "$corpus"
  # New inputs go to a scratch folder; the saved corpus stays as committed.
  scratch="build-fuzz/new-$target"
  rm -rf "$scratch" && mkdir -p "$scratch"
  "$fuzzer" -max_total_time="${QUILLMAR_FUZZ_SECONDS:-60}" -timeout=10 -rss_limit_mb=2048 \
    -print_final_stats=1 -artifact_prefix="build-fuzz/$target-" "$scratch" "$corpus"
done
