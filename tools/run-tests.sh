#!/usr/bin/env bash
# Sets everything up, then runs the whole test suite: unit tests and the
# end-to-end tests, which start their own Xvfb display.
set -euo pipefail
cd "$(dirname "$0")/.."
tools/setup.sh
ctest --test-dir build --output-on-failure "$@"
