#!/usr/bin/env bash
# Installs what is missing, builds Skerrow and starts it.
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"
install_missing
build "$ROOT/build" -DCMAKE_BUILD_TYPE=RelWithDebInfo
exec "$ROOT/build/Skerrow/Skerrow" "$@"
