#!/bin/sh
# Builds Tardimark for Linux and runs it in the project's command-line host:
# identity, programs, parameters, one second of stereo audio checked bit for
# bit, and the latency the plug-in declares. Extra arguments go to the host.
set -eu
cd "$(dirname "$0")/.."
sh tools/ci/install-deps.sh native
cmake --preset linux >/dev/null
cmake --build --preset linux
exec ./build/linux/tardimark-host "$@"
