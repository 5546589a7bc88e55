#!/usr/bin/env bash
# Sets up, builds and runs every test suite.
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/setup.sh"
cd "$BUILD_DIR"
ctest --output-on-failure -j "$(nproc)" "$@"
