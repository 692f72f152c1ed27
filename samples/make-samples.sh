#!/usr/bin/env bash
# Makes the bundled sample cubes with dravo generate. The generator is
# deterministic, so running this again gives the same bytes.
#   samples/make-samples.sh [path/to/dravo]
set -euo pipefail
cd "$(dirname "$0")"
DRAVO="${1:-../build/tools/dravo/dravo}"
"$DRAVO" generate --items 5000 --seed 2024 -o demo.pvc
"$DRAVO" info demo.pvc
