#!/usr/bin/env bash
# Sets everything up, then starts the editor on the bundled example scene.
set -euo pipefail
cd "$(dirname "$0")/.."
tools/setup.sh
cd examples
exec ../build/quillmar "$@"
