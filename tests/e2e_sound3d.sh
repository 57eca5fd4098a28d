#!/usr/bin/env bash
# DirectSound 3D as heard, under Wine: five placed tones played by sound3d_probe are recorded from
# the null sink and measured once they are steady. A tone on the right is heard on the right, one
# on the left on the left, one straight ahead in both ears alike, and with rolloff 0.05 the gain
# at distance d is 1 / (1 + 0.05 (d - 1)): a half at 21 units, a sixth at 101.
# Usage (inside wine_session.sh): e2e_sound3d.sh SOUND3D_PROBE WAV_LEVELS OUTDIR
set -u
probe=$1 levels=$2 out=$3
[ -n "${PULSE_SERVER:-}" ] || { echo "no sound server: run inside wine_session.sh"; exit 1; }
wav="$out/e2e_sound3d.wav"
# The recorder starts first: a stream joining late loses its first second or two.
parec --latency-msec=20 -d nullsink.monitor --file-format=wav --format=s16le --rate=44100 --channels=2 "$wav" &
rec=$!
sleep 2
wine "$probe"
status=$?
sleep 0.5
kill $rec
wait $rec 2>/dev/null
[ $status -eq 0 ] || { echo "FAIL the probe ended with status $status"; exit 1; }
read -r _ start end < <("$levels" "$wav" 0 0)
# The settings take a moment to settle after the tones start: measure the steady middle.
from=$(awk "BEGIN { print $start + 1.0 }") to=$(awk "BEGIN { print $end - 0.5 }")
echo "tones heard from $start s to $end s; measured from $from s to $to s"
"$levels" "$wav" "$from" "$to" 440 554 659 880 988 | awk '
  $1 == "tone" { l[$2] = $3; r[$2] = $4; total[$2] = sqrt($3 * $3 + $4 * $4) }
  function check(ok, what) { printf "%s %s\n", ok ? "ok  " : "FAIL", what; if (!ok) bad = 1 }
  END {
    check(r[440] > 4 * l[440], sprintf("right: left %.4f, right %.4f", l[440], r[440]))
    check(l[554] > 4 * r[554], sprintf("left: left %.4f, right %.4f", l[554], r[554]))
    check(l[659] > 0.01 && l[659] / r[659] > 0.95 && l[659] / r[659] < 1.05,
          sprintf("ahead: left %.4f, right %.4f", l[659], r[659]))
    g21 = total[880] / total[659]; g101 = total[988] / total[659]
    check(g21 > 0.45 && g21 < 0.55, sprintf("gain at 21 units %.3f (a half)", g21))
    check(g101 > 0.15 && g101 < 0.183, sprintf("gain at 101 units %.3f (a sixth)", g101))
    exit bad
  }'
