#!/usr/bin/env bash
# Runs a test binary in a real X window under Xvfb instead of the offscreen driver.
set -u
if ! command -v xvfb-run >/dev/null; then echo "xvfb-run missing: skipped"; exit 77; fi
unset SDL_VIDEODRIVER
export HALVROST_TEST_X11=1
exec xvfb-run -a -s "-screen 0 640x480x24" "$@"
