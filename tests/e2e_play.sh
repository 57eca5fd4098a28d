#!/usr/bin/env bash
# End to end under Xvfb, driven with xdotool as a player would: the menu comes up over the sky,
# Enter starts a game (sky and HUD on screen), W and the left button are held while the mouse
# moves, Escape brings the menu back with CONTINUE available, Down twice and Enter quit with status 0
# and a 209-byte score.dat. Usage: e2e_play.sh HALVROST PPM_COUNT DATA_DIR OUTDIR
set -u
game=$(realpath "$1") count=$(realpath "$2") data=$(realpath "$3") out=$(realpath "$4")
for tool in xvfb-run xdotool xwd xwdtopnm; do
  command -v $tool >/dev/null || { echo "$tool missing: skipped"; exit 77; }
done
[ -d "$data/textures" ] || { echo "no data set in $data: run halvrost-data generate $data"; exit 1; }
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
ln -s "$data" "$work/data"
cat >"$work/inner.sh" <<INNER
#!/usr/bin/env bash
set -u
cd "$work"
unset SDL_VIDEODRIVER
shot() { xwd -root -silent | xwdtopnm 2>/dev/null >"$work/\$1.ppm"; }
"$game" -nofullscreen &
pid=\$!
for i in \$(seq 1 100); do xdotool search --onlyvisible --name '^Halvrost\$' >/dev/null 2>&1 && break; sleep 0.1; done
sleep 1.5
shot menu
xdotool key Return; sleep 0.5
xdotool keydown w; sleep 0.3
xdotool mousemove 330 240; sleep 0.1; xdotool mousemove 360 250
xdotool mousedown 1; sleep 2.5
shot game
xdotool keyup w mouseup 1
xdotool key Escape; sleep 0.8
shot again
xdotool key Down; sleep 0.2; xdotool key Down; sleep 0.2; xdotool key Return
for i in \$(seq 1 100); do kill -0 \$pid 2>/dev/null || break; sleep 0.1; done
kill -0 \$pid 2>/dev/null && { echo "still running after QUIT"; kill \$pid; exit 1; }
wait \$pid
INNER
chmod +x "$work/inner.sh"
xvfb-run -a -s "-screen 0 640x480x24" "$work/inner.sh"
status=$?
for s in menu game again; do
  [ -f "$work/$s.ppm" ] && pnmtopng "$work/$s.ppm" >"$out/e2e_play_$s.png" 2>/dev/null
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
expect menu 200 0 640 100 sky 20000 "sky above the menu"
expect menu 80 118 140 136 white 30 "START in white"
expect menu 60 183 130 199 grey 30 "CONTINUE greyed while no game runs"
expect menu 240 138 560 252 white 300 "score panel text"
expect game 100 40 540 180 sky 20000 "sky over the terrain"
expect game 300 230 340 250 white 10 "crosshair"
expect game 30 415 170 445 green 100 "health on the HUD"
expect game 450 415 520 445 yellow 50 "build points on the HUD"
expect again 60 183 130 199 black 30 "CONTINUE live (black) over a running game"
at_most again 60 183 130 199 grey 5 "CONTINUE no longer greyed"
at_most again 30 415 170 445 green 0 "no HUD under the menu"
[ "$status" -eq 0 ] || { echo "FAIL exit status $status"; fail=1; }
size=$(stat -c %s "$work/score.dat" 2>/dev/null || echo 0)
[ "$size" -eq 209 ] || { echo "FAIL score.dat has $size bytes"; fail=1; }
exit $fail
