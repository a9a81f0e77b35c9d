#!/usr/bin/env bash
# End-to-end timing of korimo-cli on a 4000 x 3000 24-bit picture (36 MB) and
# a 4 MB WAV, against cp and cat of the same picture, all in one run so that
# the ratios share the machine's conditions. Reports medians of RUNS runs and
# the peak memory of each command.
#
#   bench/cli.sh [RUNS]            (default 7 runs after one warm-up run)
#   KORIMO_CLI=build-perf/korimo-cli bench/cli.sh
#   KORIMO_CLI_BASELINE=/path/to/older/korimo-cli bench/cli.sh
#     also times another build of korimo-cli in the same runs, to show what
#     a change to the code gained under the same conditions.
#
# Needs ImageMagick (convert), sox and GNU time (/usr/bin/time); all are in
# scripts/install-deps.sh. Where steghide (optional) is installed it is
# timed as well, on a 64 KB payload in the same picture.
set -euo pipefail

ROOT=$(cd "$(dirname "$0")/.." && pwd)
CLI=${KORIMO_CLI:-$ROOT/build/korimo-cli}
RUNS=${1:-7}
[[ "$RUNS" =~ ^[1-9][0-9]*$ ]] || { echo "RUNS must be a positive number" >&2; exit 2; }
[ -x "$CLI" ] || { echo "no korimo-cli at $CLI (build it, or set KORIMO_CLI)" >&2; exit 2; }
for tool in convert sox /usr/bin/time; do
  command -v "$tool" >/dev/null || { echo "missing $tool: run scripts/install-deps.sh" >&2; exit 2; }
done
CLI=$(cd "$(dirname "$CLI")" && pwd)/$(basename "$CLI")
BASELINE=${KORIMO_CLI_BASELINE:-}
if [ -n "$BASELINE" ]; then
  [ -x "$BASELINE" ] || { echo "no baseline korimo-cli at $BASELINE" >&2; exit 2; }
  BASELINE=$(cd "$(dirname "$BASELINE")" && pwd)/$(basename "$BASELINE")
fi
# The window's open-image command, timed by bench/window_open.cpp (built with
# the window into bench/ of the same build); skipped when it is not there.
WINDOW_BENCH=${KORIMO_WINDOW_BENCH:-$(dirname "$CLI")/bench/korimo-window-bench}

WORK=$(mktemp -d "${TMPDIR:-/tmp}/korimo-clibench.XXXXXX")
trap 'rm -rf "$WORK"' EXIT
cd "$WORK"

# ---- Inputs -------------------------------------------------------------------
convert -size 4000x3000 gradient:red-blue -type TrueColor BMP3:picture.bmp
sox -n -r 44100 -c 2 -b 16 sound.wav synth 23.77 sine 440 pinknoise
BMP_BYTES=$(stat -c %s picture.bmp)
WAV_BYTES=$(stat -c %s sound.wav)

# ---- Timing -------------------------------------------------------------------
# Seconds taken by a command, from bash's microsecond clock (no extra process
# inside the measured interval).
declare -A SAMPLES
timed() {
  local name=$1; shift
  local start=$EPOCHREALTIME
  "$@"
  local end=$EPOCHREALTIME
  SAMPLES[$name]+="$(awk -v s="$start" -v e="$end" 'BEGIN { printf "%.6f", e - s }') "
}

copy_and_sync() { cp picture.bmp synced.bmp && sync synced.bmp; }

one_run() {
  rm -f copy.bmp synced.bmp carrier.bmp sound-out.wav
  timed cp cp picture.bmp copy.bmp
  timed cp+sync copy_and_sync
  timed embed "$CLI" embed picture.bmp sound.wav -o carrier.bmp
  timed cat cat carrier.bmp > /dev/null
  timed extract "$CLI" extract carrier.bmp -o sound-out.wav
  timed info "$CLI" info carrier.bmp > /dev/null
  timed cli-start "$CLI" --version > /dev/null
  if [ -n "$BASELINE" ]; then
    rm -f carrier-base.bmp sound-base.wav
    timed base-embed "$BASELINE" embed picture.bmp sound.wav -o carrier-base.bmp
    timed base-extract "$BASELINE" extract carrier-base.bmp -o sound-base.wav
    timed base-info "$BASELINE" info carrier-base.bmp > /dev/null
  fi
}

SAMPLES=()
one_run  # warm-up: page cache, shared libraries
SAMPLES=()
for ((i = 0; i < RUNS; i++)); do one_run; done

# The extracted sound is the WAV file, byte for byte.
cmp -s sound.wav sound-out.wav || { echo "extracted sound differs from the input" >&2; exit 1; }

median() { tr ' ' '\n' | grep . | sort -g | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }
declare -A MED
NAMES=(cp cp+sync cat cli-start embed extract info)
[ -n "$BASELINE" ] && NAMES+=(base-embed base-extract base-info)
for name in "${NAMES[@]}"; do
  MED[$name]=$(echo "${SAMPLES[$name]}" | median)
done
ms() { awk -v s="$1" 'BEGIN { printf "%8.1f ms", s * 1000 }'; }
ratio() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%5.2f", a / b }'; }

echo "korimo-cli end-to-end: ${BMP_BYTES}-byte BMP, ${WAV_BYTES}-byte WAV, median of $RUNS runs"
echo "machine: $(nproc) cores, $(awk -F': ' '/model name/ { print $2; exit }' /proc/cpuinfo), load average $(cut -d' ' -f1-3 /proc/loadavg)"
for name in "${NAMES[@]}"; do
  printf '  %-10s %s\n' "$name" "$(ms "${MED[$name]}")"
done
echo "ratios (target <= 2.00):"
echo "  embed   / cp       $(ratio "${MED[embed]}" "${MED[cp]}")"
echo "  embed   / cp+sync  $(ratio "${MED[embed]}" "${MED[cp+sync]}")   (both write durably)"
echo "  extract / cat      $(ratio "${MED[extract]}" "${MED[cat]}")"
echo "  info    / cat      $(ratio "${MED[info]}" "${MED[cat]}")"
if [ -n "$BASELINE" ]; then
  echo "this build against the baseline build (below 1 is faster):"
  for op in embed extract info; do
    printf '  %-18s %s\n' "$op" "$(ratio "${MED[$op]}" "${MED[base-$op]}")"
  done
fi

# ---- Window -------------------------------------------------------------------
if [ -x "$WINDOW_BENCH" ]; then
  WINDOW_OUT=$(QT_QPA_PLATFORM=offscreen "$WINDOW_BENCH" carrier.bmp "$RUNS" 2>/dev/null || true)
  WINDOW_MS=$(awk -F': ' '/^open-median-ms/ { print $2 }' <<< "$WINDOW_OUT")
  FIRST_MS=$(awk -F': ' '/^open-first-ms/ { print $2 }' <<< "$WINDOW_OUT")
  if [ -n "$WINDOW_MS" ]; then
    CAT_MS=$(awk -v s="${MED[cat]}" 'BEGIN { print s * 1000 }')
    echo "window (offscreen), open-image command to repainted window, median of $RUNS:"
    echo "  open    $(ms "$(awk -v m="$WINDOW_MS" 'BEGIN { print m / 1000 }')")   (first open in the process: $(ms "$(awk -v m="$FIRST_MS" 'BEGIN { print m / 1000 }')"))"
    echo "  open / info        $(ratio "$WINDOW_MS" "$(awk -v s="${MED[info]}" 'BEGIN { print s * 1000 }')")"
    echo "  open / cat         $(ratio "$WINDOW_MS" "$CAT_MS")   (target <= 3.00)"
    echo "  first open / cat   $(ratio "$FIRST_MS" "$CAT_MS")"
  else
    echo "window benchmark failed: $WINDOW_OUT"
  fi
else
  echo "no korimo-window-bench in bench/ beside korimo-cli: window timing skipped"
fi

# ---- Peak memory ----------------------------------------------------------------
peak_kb() { /usr/bin/time -f %M -o peak.txt "$@" > /dev/null; tail -n 1 peak.txt; }
rm -f carrier.bmp sound-out.wav
EMBED_KB=$(peak_kb "$CLI" embed picture.bmp sound.wav -o carrier.bmp)
EXTRACT_KB=$(peak_kb "$CLI" extract carrier.bmp -o sound-out.wav)
INFO_KB=$(peak_kb "$CLI" info carrier.bmp)
LIMIT_KB=$(awk -v b="$BMP_BYTES" -v w="$WAV_BYTES" 'BEGIN { printf "%d", (1.3 * (b + w) + 30 * 1048576) / 1024 }')
echo "peak resident memory (GNU time):"
echo "  embed   ${EMBED_KB} KB   (limit 1.3 x (BMP + WAV) + 30 MB = ${LIMIT_KB} KB)"
echo "  extract ${EXTRACT_KB} KB"
echo "  info    ${INFO_KB} KB"

# ---- Peer tool --------------------------------------------------------------------
if command -v steghide > /dev/null; then
  # It holds far less than 4 MB in this picture (see its capacity) and its
  # embedding time grows faster than linearly with the payload (64 KB take
  # seconds, 256 KB over a minute here): time it on a 64 KB prefix of the WAV.
  CAP=$(steghide info picture.bmp -p '' 2>/dev/null | awk '/capacity:/ { print $2, $3 }' || true)
  PAYLOAD=65536
  head -c "$PAYLOAD" sound.wav > payload.bin
  rm -f stego.bmp payload-out.bin
  s=$EPOCHREALTIME
  steghide embed -q -f -cf picture.bmp -ef payload.bin -sf stego.bmp -p benchmark
  m=$EPOCHREALTIME
  steghide extract -q -f -sf stego.bmp -xf payload-out.bin -p benchmark
  e=$EPOCHREALTIME
  cmp -s payload.bin payload-out.bin || echo "  (steghide round trip differed)"
  echo "steghide (capacity $CAP, payload $PAYLOAD bytes, one run):"
  echo "  embed   $(ms "$(awk -v a="$s" -v b="$m" 'BEGIN { print b - a }')")"
  echo "  extract $(ms "$(awk -v a="$m" -v b="$e" 'BEGIN { print b - a }')")"
else
  echo "steghide not installed: peer timing skipped"
fi
