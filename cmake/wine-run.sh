#!/bin/bash
# Runs a Windows program under Wine in the project's test prefix.
# scripts/wine-env.sh prepares the prefix, the display and a persistent wineserver.
here="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
source "$here/../scripts/wine-env.sh"
exec "$VL_WINE" "$@"
