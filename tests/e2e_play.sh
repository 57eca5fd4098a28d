#!/usr/bin/env bash
# End to end, driven with xdotool as a player would: the menu comes up over the sky, the name is
# typed (Alt+Q types nothing), Enter starts a game (sky and HUD on screen), W and the left button
# are held while the mouse moves, Escape brings the menu back with CONTINUE available, Down twice
# and Enter quit with status 0 and a 209-byte score.dat holding the name.
# Usage: e2e_play.sh GAME PPM_COUNT DATA_DIR OUTDIR [VARIANT [WAV_LEVELS]]
#   VARIANT play (the default); silent: no sound device and a read-only score.dat, which is left
#   alone; nodata: no data folder, so the menu comes up untextured.
# E2E_LAUNCH runs the game through a launcher (wine); E2E_SESSION=1 uses the display, Wine
# session and sound server already set up (wine_session.sh) instead of a fresh Xvfb. With a
# sound server and WAV_LEVELS the null sink is recorded: music in the menu, effects in the game.
set -u
game=$(realpath "$1") count=$(realpath "$2") data=$(realpath "$3") out=$(realpath "$4")
variant=${5:-play} levels=${6:-}
launch=${E2E_LAUNCH:-}
name=e2e_play
[ -n "$launch" ] && name=e2e_${launch}_$variant
tools="xdotool xwd xwdtopnm"
[ "${E2E_SESSION:-}" = 1 ] || tools="$tools xvfb-run"
for tool in $tools; do
  command -v $tool >/dev/null || { echo "$tool missing: skipped"; exit 77; }
done
[ -d "$data/textures" ] || { echo "no data set in $data: run halvrost-data generate $data"; exit 1; }
record=0
[ "$variant" = play ] && [ -n "${PULSE_SERVER:-}" ] && [ -n "$levels" ] && record=1
work=$(mktemp -d)
trap 'chmod -R u+w "$work"; rm -rf "$work"' EXIT
if [ "$variant" = nodata ]; then
  # A copy of the program with nothing beside it.
  cp "$game" "$work/"
  game="$work/$(basename "$game")"
else
  ln -s "$data" "$work/data"
fi
if [ "$variant" = silent ]; then
  head -c 209 /dev/zero | tr '\0' 'S' >"$work/score.dat"
  chmod a-w "$work/score.dat"
fi
cat >"$work/inner.sh" <<INNER
#!/usr/bin/env bash
set -u
cd "$work"
unset SDL_VIDEODRIVER
[ "$variant" = silent ] && export PULSE_SERVER=unix:/nonexistent
shot() { xwd -root -silent | xwdtopnm 2>/dev/null >"$work/\$1.ppm"; }
now() { awk "BEGIN { print \$(date +%s.%N) - \$start }"; }
start=\$(date +%s.%N)
if [ $record = 1 ]; then
  # The recorder starts first: a stream joining late loses its first second or two.
  parec --latency-msec=20 -d nullsink.monitor --file-format=wav --format=s16le --rate=44100 --channels=2 "$work/mix.wav" &
  mix=\$!
  sleep 2
fi
$launch "$game" -nofullscreen &
pid=\$!
for i in \$(seq 1 300); do xdotool search --onlyvisible --name '^Halvrost\$' >/dev/null 2>&1 && break; sleep 0.1; done
if [ $record = 1 ]; then
  # The effects have a stream of their own (float samples; the music's are 16-bit).
  fx=\$(pactl list short sink-inputs | awk '/float32/ {print \$1; exit}')
  [ -n "\$fx" ] && parec --latency-msec=20 --monitor-stream="\$fx" --file-format=wav --format=s16le --rate=44100 --channels=2 "$work/effects.wav" &
  effects=\$!
  fxstart=\$(now)
fi
sleep 1.5
shot menu
menu=\$(now)
for i in \$(seq 1 10); do xdotool key BackSpace; done
xdotool type Zed; xdotool key alt+q; sleep 0.3
if [ "$variant" != nodata ]; then
  xdotool key Return; sleep 0.5
  play=\$(now)
  xdotool keydown w; sleep 0.3
  xdotool mousemove 330 240; sleep 0.1; xdotool mousemove 360 250
  xdotool mousedown 1; sleep 2.5
  shot game
  fired=\$(now)
  xdotool keyup w mouseup 1
  xdotool key Escape; sleep 0.8
  shot again
fi
xdotool key Down; sleep 0.2; xdotool key Down; sleep 0.2; xdotool key Return
for i in \$(seq 1 100); do kill -0 \$pid 2>/dev/null || break; sleep 0.1; done
kill -0 \$pid 2>/dev/null && { echo "still running after QUIT"; kill \$pid; exit 1; }
wait \$pid
status=\$?
if [ $record = 1 ]; then
  kill \$mix \${effects:-}; wait \$mix \${effects:-} 2>/dev/null
  echo "\$menu \$play \$fired \$fxstart" >"$work/times"
fi
exit \$status
INNER
chmod +x "$work/inner.sh"
if [ "${E2E_SESSION:-}" = 1 ]; then
  "$work/inner.sh"
else
  xvfb-run -a -s "-screen 0 640x480x24" "$work/inner.sh"
fi
status=$?
for s in menu game again; do
  [ -f "$work/$s.ppm" ] && pnmtopng "$work/$s.ppm" >"$out/${name}_$s.png" 2>/dev/null
done
fail=0
# expect SHOT X0 Y0 X1 Y1 KIND MIN WHAT: at least MIN pixels of KIND; at_most: no more than MAX.
count_in() {
  local op=$1 shot=$2 n
  shift 2
  n=$("$count" "$work/$shot.ppm" $1 $2 $3 $4 $5) || { echo "FAIL $shot: no screenshot"; fail=1; return; }
  if [ "$n" "$op" "$6" ]; then echo "ok   $shot: $7 ($n $5 pixels)"; else echo "FAIL $shot: $7 ($n $5 pixels, limit $6)"; fail=1; fi
}
expect() { count_in -ge "$@"; }
at_most() { count_in -le "$@"; }
check() { if eval "$1"; then echo "ok   $2"; else echo "FAIL $2"; fail=1; fi; }
calc() { awk "BEGIN { print ($1) }"; }
expect menu 80 118 140 136 white 30 "START in white"
if [ "$variant" = nodata ]; then
  at_most menu 200 0 640 100 sky 0 "no sky without the data folder"
else
  expect menu 200 0 640 100 sky 20000 "sky above the menu"
  expect menu 60 183 130 199 grey 30 "CONTINUE greyed while no game runs"
  expect menu 240 138 560 252 white 300 "score panel text"
  expect game 100 40 540 180 sky 20000 "sky over the terrain"
  expect game 300 230 340 250 white 10 "crosshair"
  expect game 30 415 170 445 green 100 "health on the HUD"
  expect game 450 415 520 445 yellow 50 "build points on the HUD"
  expect again 60 183 130 199 black 30 "CONTINUE live (black) over a running game"
  at_most again 60 183 130 199 grey 5 "CONTINUE no longer greyed"
  at_most again 30 415 170 445 green 0 "no HUD under the menu"
fi
check "[ $status -eq 0 ]" "exit status $status"
size=$(stat -c %s "$work/score.dat" 2>/dev/null || echo 0)
check "[ $size -eq 209 ]" "score.dat has $size bytes"
if [ "$variant" = silent ]; then
  check "[ \"\$(head -c 4 "$work/score.dat")\" = SSSS ]" "the read-only score.dat is left as it was"
else
  check "[ \"\$(head -c 4 "$work/score.dat" | od -An -c | tr -d ' ')\" = 003Zed ]" \
    "the typed name, and nothing typed with Alt, is saved"
fi
check "[ -z \"\$(ls "$work" | grep -i tmp)\" ]" "no temporary file is left"
if [ $record = 1 ]; then
  read -r menu play fired fxstart <"$work/times"
  cp "$work/mix.wav" "$out/${name}_audio.wav" 2>/dev/null
  loud() {  # loud FILE FROM TO: the louder channel's RMS over the stretch
    "$levels" "$1" "$2" "$3" | awk '$1 == "rms" { print ($2 > $3 ? $2 : $3) }'
  }
  music=$(loud "$work/mix.wav" "$(calc "$menu - 1")" "$menu")
  check "[ $(calc "$music > 0.005") = 1 ]" "music heard in the menu (RMS $music)"
  quiet=$(loud "$work/effects.wav" 0 "$(calc "$play - $fxstart - 0.5")")
  shots=$(loud "$work/effects.wav" "$(calc "$fired - $fxstart - 1.5")" "$(calc "$fired - $fxstart")")
  check "[ $(calc "$quiet < 0.001 && $shots > 0.005") = 1 ]" \
    "effects silent in the menu (RMS $quiet), heard while firing (RMS $shots)"
fi
exit $fail
