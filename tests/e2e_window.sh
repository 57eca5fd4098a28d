#!/usr/bin/env bash
# End to end under Xvfb: the window appears with its class and icon, draws frames, and a close
# request, with Enter pressed on START in the same moment, ends the program with status 0 within a
# second. Usage: e2e_window.sh HALVROST X_CLOSE_WINDOW OUTDIR [LIMIT_MS [X_CLASS]]
# E2E_LAUNCH and E2E_SESSION as for e2e_play.sh; X_CLASS is the X class the window carries
# (Wine names its windows' class after the program).
set -u
game=$1 closer=$2 out=${3:-.} limit=${4:-1000} class=${5:-Halvrost_Wnd}
launch=${E2E_LAUNCH:-}
if [ "${E2E_SESSION:-}" != 1 ] && ! command -v xvfb-run >/dev/null; then echo "xvfb-run missing: skipped"; exit 77; fi
inner=$(mktemp)
cat >"$inner" <<INNER
#!/usr/bin/env bash
set -u
unset SDL_VIDEODRIVER
$launch "$game" -nofullscreen &
pid=\$!
for i in \$(seq 1 300); do xdotool search --name '^Halvrost\$' >/dev/null 2>&1 && break; sleep 0.1; done
sleep 1
xwd -root -silent | xwdtopnm 2>/dev/null | pnmdepth 255 | pnmtopng >"$out/e2e_${launch:+${launch}_}window.png" 2>/dev/null
"$closer" Halvrost "$class" || { kill \$pid; exit 1; }
start=\$(date +%s%N)
wait \$pid
status=\$?
ms=\$(( (\$(date +%s%N) - start) / 1000000 ))
echo "exit status \$status after \${ms} ms"
[ \$status -eq 0 ] && [ \$ms -lt $limit ]
INNER
chmod +x "$inner"
if [ "${E2E_SESSION:-}" = 1 ]; then
  "$inner"
else
  xvfb-run -a -s "-screen 0 640x480x24" "$inner"
fi
rc=$?
rm -f "$inner"
exit $rc
