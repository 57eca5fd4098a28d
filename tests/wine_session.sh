#!/usr/bin/env bash
# Runs a command inside one Wine session for the Windows tests: a prefix of its own below the build
# folder, a PulseAudio null sink to play into (and record from), one persistent wineserver, all on
# the X display this script is given (run it under xvfb-run). Usage: wine_session.sh BUILD_DIR CMD...
set -u
build=$(realpath "$1")
shift
export WINEPREFIX="$build/wine" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
export PULSE_SERVER="unix:$build/pulse/pulse.sock"
mkdir -p "$build/pulse"
if [ ! -f "$WINEPREFIX/.halvrost-ready" ]; then
  rm -rf "$WINEPREFIX"
  wineboot -i >/dev/null 2>&1
  # Without a window manager, Wine's own window management keeps keys going to the window.
  wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f >/dev/null 2>&1
  # The game's faces are Windows fonts; these Debian faces stand in for them, as the Linux
  # build's fontconfig aliases do.
  for alias in "Courier New=Liberation Mono" "Impact=Roboto Condensed" "Fixedsys=Liberation Mono"; do
    wine reg add 'HKCU\Software\Wine\Fonts\Replacements' /v "${alias%%=*}" /d "${alias#*=}" /f >/dev/null 2>&1
  done
  wineserver -w
  touch "$WINEPREFIX/.halvrost-ready"
fi
rm -f "$build/pulse/pulse.sock"
pulseaudio -n --daemonize=no --exit-idle-time=-1 --use-pid-file=no \
  -L "module-null-sink sink_name=nullsink rate=44100 channels=2" \
  -L "module-native-protocol-unix auth-anonymous=1 socket=$build/pulse/pulse.sock" >"$build/pulse/log" 2>&1 &
pulse=$!
for i in $(seq 1 50); do [ -S "$build/pulse/pulse.sock" ] && break; sleep 0.1; done
wineserver -p
# The first program of a session starts Wine's own services, which would hold the output
# pipes of whatever started it; started here, they hold nothing of the tests'.
wine cmd /c exit >/dev/null 2>&1
"$@"
status=$?
wineserver -k
wineserver -w
kill $pulse 2>/dev/null
wait $pulse 2>/dev/null
exit $status
