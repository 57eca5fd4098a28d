#!/usr/bin/env bash
# Builds the libFuzzer targets with clang and runs each for FUZZ_SECONDS (default 20).
#   fuzz/run.sh                   every target
#   FUZZ_SECONDS=3600 fuzz/run.sh xm tga   an hour each for the named ones
# Working corpora live in build-fuzz/corpus/<target>: seeded from fuzz/corpus/<target> and,
# when a generated data set exists in build/data, from its files of that kind. Crashes,
# leaks, timeouts (over 1 s per input) and sanitizer reports fail the run; the input is kept
# in build-fuzz/artifacts/ to be added to fuzz/corpus/ with a regression test. Afterwards
# the data tool checks every input each corpus holds and must answer, not crash.
set -euo pipefail
cd "$(dirname "$0")/.."
SECONDS_EACH=${FUZZ_SECONDS:-20}
TIMEOUT=${FUZZ_TIMEOUT:-1}  # seconds one input may take before it counts as a hang
OUT=$(realpath -m "${FUZZ_BUILD_DIR:-build-fuzz}")  # absolute: a target may change directory
DATA=${FUZZ_DATA_DIR:-build/data}

if ! command -v clang++ >/dev/null; then
  sudo=""; [ "$(id -u)" -ne 0 ] && sudo="sudo"
  $sudo apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends clang
fi

cmake -S . -B "$OUT" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_C_COMPILER=clang \
  -DCMAKE_CXX_COMPILER=clang++ -DHALVROST_FUZZ=ON -DHALVROST_TESTS=OFF -DHALVROST_BENCH=OFF >/dev/null
targets=("$@")
[ ${#targets[@]} -eq 0 ] && targets=(tga jpeg map zrm1 zrm2 wav xm score)
cmake --build "$OUT" --target "${targets[@]/#/fuzz_}"

# Which generated files seed which target.
seed_from_data() {
  local t=$1 dir=$2
  [ -d "$DATA" ] || return 0
  case $t in
    tga) find "$DATA" -name '*.tga' ;;
    jpeg) find "$DATA" -name '*.jpg' ;;
    wav) find "$DATA" -name '*.wav' ;;
    xm) find "$DATA" -name '*.xm' ;;
    zrm1 | zrm2) grep -l "^ZRM${t#zrm}" -r "$DATA" --include='*.zrm' 2>/dev/null || true ;;
    *) ;;
  esac | while read -r f; do cp "$f" "$dir/"; done
}

# The data tool must answer every input the fuzzer kept with OK or BAD, never a crash:
# each corpus file is checked under the name of its kind.
TOOL=${FUZZ_TOOL:-build/tools/halvrost-data}
check_corpus() {
  local t=$1 corpus=$2 suffix
  case $t in
    tga) suffix=.tga ;; jpeg) suffix=.jpg ;; wav) suffix=.wav ;; xm) suffix=.xm ;;
    zrm1 | zrm2) suffix=.zrm ;; score) suffix=_score.dat ;;
    *) return 0 ;;
  esac
  [ -x "$TOOL" ] || { echo "   ($TOOL not built: corpus not checked)"; return 0; }
  local tmp rc=0 n=0
  tmp=$(mktemp -d)
  for f in "$corpus"/*; do
    cp "$f" "$tmp/$n$suffix"
    n=$((n + 1))
  done
  "$TOOL" check "$tmp"/* >"$OUT/check_$t.log" 2>&1 || rc=$?
  rm -rf "$tmp"
  if [ $rc -gt 1 ]; then
    echo "halvrost-data check FAILED on the $t corpus (status $rc):"; tail -5 "$OUT/check_$t.log"; return 1
  fi
  echo "   check: $(grep -c '^OK ' "$OUT/check_$t.log") OK, $(grep -c '^BAD ' "$OUT/check_$t.log") BAD of $n"
}

mkdir -p "$OUT/artifacts"
export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1}
export SDL_AUDIODRIVER=dummy ALSOFT_DRIVERS=null
status=0
for t in "${targets[@]}"; do
  corpus="$OUT/corpus/$t"
  mkdir -p "$corpus"
  cp -n fuzz/corpus/"$t"/* "$corpus"/ 2>/dev/null || true
  seed_from_data "$t" "$corpus"
  echo "== fuzz_$t for ${SECONDS_EACH}s ($(ls "$corpus" | wc -l) inputs in the corpus)"
  if ! "$OUT/fuzz/fuzz_$t" -max_total_time="$SECONDS_EACH" -timeout="$TIMEOUT" -rss_limit_mb=2048 -max_len=1048576 \
      -print_final_stats=1 -artifact_prefix="$OUT/artifacts/$t-" "$corpus" 2>"$OUT/fuzz_$t.log"; then
    echo "fuzz_$t FAILED:"; tail -40 "$OUT/fuzz_$t.log"; status=1
  else
    grep -E "stat::number_of_executed_units|stat::peak_rss_mb" "$OUT/fuzz_$t.log" | tr '\n' ' '; echo
  fi
  check_corpus "$t" "$corpus" || status=1
done
exit $status
