#!/usr/bin/env bash
# Sets up, builds and starts Korvalt. Arguments go to the program (part bases *.kdx).
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/setup.sh"
exec "$BUILD_DIR/app/korvalt" "$@"
