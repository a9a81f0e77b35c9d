#!/usr/bin/env bash
# How korimo-cli's cost grows with the picture and with the sound: info,
# extract and embed on 1 MB, 36 MB, 300 MB and 1 GB pictures carrying a 40 KB
# and a 4 MB sound, timed with hyperfine (medians) next to cat and a synced
# cp of the same picture, with the peak memory of each command (GNU time),
# and info of the 300 MB carrier named 100 times in one call.
#
#   bench/scale.sh                    all sizes (1 GB only with 8 GB free)
#   SIZES="1M 36M 300M" bench/scale.sh
#   RUNS=20 SLOW_RUNS=5 bench/scale.sh
#   KORIMO_CLI=build/korimo-cli KORIMO_SCALE_DIR=/work/scale-bench bench/scale.sh
#
# The pictures take several GB: they go to KORIMO_SCALE_DIR (default: a
# folder under build/, not /tmp, which may be small) and are removed at the
# end. The page cache is warm: the numbers are the program's own cost.
# Needs hyperfine, sox, python3 and GNU time (scripts/install-deps.sh).
set -euo pipefail

ROOT=$(cd "$(dirname "$0")/.." && pwd)
CLI=${KORIMO_CLI:-$ROOT/build/korimo-cli}
RUNS=${RUNS:-40}            # fast commands (info, extract)
SLOW_RUNS=${SLOW_RUNS:-5}   # commands that read or write the whole picture
SIZES=${SIZES:-"1M 36M 300M 1G"}
[ -x "$CLI" ] || { echo "no korimo-cli at $CLI (build it, or set KORIMO_CLI)" >&2; exit 2; }
for tool in hyperfine sox python3 /usr/bin/time; do
  command -v "$tool" > /dev/null || { echo "missing $tool: run scripts/install-deps.sh" >&2; exit 2; }
done
CLI=$(cd "$(dirname "$CLI")" && pwd)/$(basename "$CLI")
BASE=${KORIMO_SCALE_DIR:-$ROOT/build}
mkdir -p "$BASE"
WORK=$(mktemp -d "$BASE/korimo-scale.XXXXXX")
trap 'rm -rf "$WORK"' EXIT
cd "$WORK"

# ---- Inputs ---------------------------------------------------------------------
# width x height of a 24-bit picture of about the named size (rows need no padding).
declare -A DIMS=([1M]="580 580" [36M]="4000 3000" [300M]="10000 10000" [1G]="18000 18000")
make_picture() {  # NAME WIDTH HEIGHT
  python3 - "$1" "$2" "$3" <<'EOF'
import struct, sys
name, w, h = sys.argv[1], int(sys.argv[2]), int(sys.argv[3])
data = w * h * 3
with open(name, "wb") as f:
    f.write(b"BM" + struct.pack("<IHHI", 54 + data, 0, 0, 54))
    f.write(struct.pack("<IiiHHIIiiII", 40, w, h, 1, 24, 0, data, 2835, 2835, 0, 0))
EOF
  head -c $(($2 * $3 * 3)) /dev/urandom >> "$1"
}
sox -n -r 8000 -c 1 -b 16 s40k.wav synth 2.5 sine 440 pinknoise
sox -n -r 44100 -c 2 -b 16 s4m.wav synth 23.77 sine 440 pinknoise

PICTURES=()
for size in $SIZES; do
  [ -n "${DIMS[$size]:-}" ] || { echo "unknown size $size (1M 36M 300M 1G)" >&2; exit 2; }
  read -r w h <<< "${DIMS[$size]}"
  if [ "$size" = 1G ] && [ "$(df -P --block-size=1G . | awk 'NR == 2 { print $4 }')" -lt 8 ]; then
    echo "less than 8 GB free in $WORK: 1 GB picture skipped"
    continue
  fi
  make_picture "p$size.bmp" "$w" "$h"
  PICTURES+=("$size")
  for s in 40k 4m; do
    "$CLI" embed "p$size.bmp" "s$s.wav" -o "c$size-$s.bmp" --memo "scale" 2> /dev/null || true
  done
done

# ---- Timing ---------------------------------------------------------------------
# One hyperfine call per group, so the commands compared in a ratio share the
# machine's conditions. Medians in seconds go to MED[name].
declare -A MED PEAK
bench() {  # RUNS [--prepare CMD] NAME=COMMAND...
  local runs=$1; shift
  local prepare=()
  if [ "$1" = --prepare ]; then prepare=(--prepare "$2"); shift 2; fi
  local names=() cmds=()
  for pair in "$@"; do names+=("${pair%%=*}"); cmds+=("${pair#*=}"); done
  hyperfine -N --style none --warmup 1 --runs "$runs" "${prepare[@]}" --export-json h.json "${cmds[@]}" \
    > /dev/null 2>> hyperfine.log
  local i=0
  while read -r m; do MED[${names[$i]}]=$m; i=$((i + 1)); done < <(python3 -c '
import json
for r in json.load(open("h.json"))["results"]: print(r["median"])')
}
# The commands of a target ratio: two hyperfine calls in opposite order
# (A B, then B A), the median taken over the runs of both, so that a change
# of the machine's load during the calls weighs on both sides alike.
declare -A PAIRMED
pair() {  # RUNS [--prepare CMD] NAME_A=COMMAND_A NAME_B=COMMAND_B
  local runs=$1; shift
  local prepare=()
  if [ "$1" = --prepare ]; then prepare=(--prepare "$2"); shift 2; fi
  local a=$1 b=$2
  hyperfine -N --style none --warmup 1 --runs "$runs" "${prepare[@]}" --export-json p1.json "${a#*=}" "${b#*=}" > /dev/null 2>> hyperfine.log
  hyperfine -N --style none --warmup 1 --runs "$runs" "${prepare[@]}" --export-json p2.json "${b#*=}" "${a#*=}" > /dev/null 2>> hyperfine.log
  local ma mb
  read -r ma mb < <(python3 -c '
import json, statistics
r1 = json.load(open("p1.json"))["results"]; r2 = json.load(open("p2.json"))["results"]
a = r1[0]["times"] + r2[1]["times"]; b = r1[1]["times"] + r2[0]["times"]
print(statistics.median(a), statistics.median(b))')
  PAIRMED[${a%%=*}]=$ma
  PAIRMED[${b%%=*}]=$mb
}
peak() {  # NAME COMMAND...
  local name=$1; shift
  /usr/bin/time -f %M -o peak.txt "$@" > /dev/null 2>&1 || true
  PEAK[$name]=$(tail -n 1 peak.txt)
}

# info and extract of every picture size in one hyperfine call per sound and
# command: the ratios between sizes come from the same stretch of time.
for s in 40k 4m; do
  for op in info extract; do
    GROUP=()
    for size in "${PICTURES[@]}"; do
      c="c$size-$s.bmp"
      [ -f "$c" ] || continue
      if [ "$op" = info ]; then GROUP+=("info-$size-$s=$CLI info $c"); else GROUP+=("extract-$size-$s=$CLI extract $c -o out.wav"); fi
    done
    [ ${#GROUP[@]} -gt 0 ] && bench "$RUNS" "${GROUP[@]}"
  done
  for size in "${PICTURES[@]}"; do
    c="c$size-$s.bmp"
    [ -f "$c" ] || continue
    peak "info-$size-$s" "$CLI" info "$c"
    peak "extract-$size-$s" "$CLI" extract "$c" -o out.wav
    cmp -s out.wav "s$s.wav" || { echo "extracted sound of $c differs" >&2; exit 1; }
  done
done

for size in "${PICTURES[@]}"; do
  EMBEDS=()
  for s in 40k 4m; do
    [ -f "c$size-$s.bmp" ] && EMBEDS+=("embed-$size-$s=$CLI embed p$size.bmp s$s.wav -o e.bmp --memo scale")
  done
  # Each run starts with no dirty data left by the one before (or by anything
  # else on the machine), so every command pays for its own writes only, and
  # with no output file of an earlier run to replace: cp would empty it first
  # and embed replace it after, so removing it would weigh on one side only.
  bench "$SLOW_RUNS" --prepare "bash -c 'rm -f e.bmp cp.bmp; sync'" "cat-$size=cat p$size.bmp" "cpsync-$size=bash -c 'cp p$size.bmp cp.bmp && sync cp.bmp'" "${EMBEDS[@]}"
  for s in 40k 4m; do
    [ -f "c$size-$s.bmp" ] || continue
    peak "embed-$size-$s" "$CLI" embed "p$size.bmp" "s$s.wav" -o e.bmp --memo scale
    # The target ratio: embed and the synced copy in both orders, since the
    # shared disk's speed drifts over the seconds a large picture takes.
    pair "$SLOW_RUNS" --prepare "bash -c 'rm -f e.bmp cp.bmp; sync'" \
      "pcpsync-$size-$s=bash -c 'cp p$size.bmp cp.bmp && sync cp.bmp'" \
      "pembed-$size-$s=$CLI embed p$size.bmp s$s.wav -o e.bmp --memo scale"
  done
  rm -f e.bmp cp.bmp
done

MANY=""
if [ -f c300M-40k.bmp ]; then
  MANY=$(printf 'c300M-40k.bmp %.0s' $(seq 100))
  pair "$RUNS" "info1-300M=$CLI info c300M-40k.bmp" "info100-300M=$CLI info $MANY"
  peak info100-300M "$CLI" info $MANY
  if [ -f c1M-40k.bmp ]; then
    pair "$RUNS" "info-1M=$CLI info c1M-40k.bmp" "info-300M=$CLI info c300M-40k.bmp"
    pair "$RUNS" "extract-1M=$CLI extract c1M-40k.bmp -o out.wav" "extract-300M=$CLI extract c300M-40k.bmp -o out.wav"
  fi
fi

# ---- Report ---------------------------------------------------------------------
ms() { awk -v s="${1:-}" 'BEGIN { if (s == "") printf "—"; else printf "%.1f ms", s * 1000 }'; }
mb() { awk -v k="${1:-}" 'BEGIN { if (k == "") printf "—"; else printf "%.1f MB", k / 1024 }'; }
ratio() { awk -v a="${1:-}" -v b="${2:-}" 'BEGIN { if (a == "" || b == "") printf "—"; else printf "%.2f", a / b }'; }

echo "korimo-cli scale, medians (info/extract $RUNS runs, others $SLOW_RUNS), warm page cache"
echo "machine: $(nproc) cores, $(awk -F': ' '/model name/ { print $2; exit }' /proc/cpuinfo), load average $(cut -d' ' -f1-3 /proc/loadavg)"
echo
echo "| picture | sound | info | info peak | extract | extract peak | embed | embed peak | cat | cp + sync |"
echo "|---|---|---|---|---|---|---|---|---|---|"
for size in "${PICTURES[@]}"; do
  for s in 40k 4m; do
    [ -f "c$size-$s.bmp" ] || { echo "| $size | $s | does not fit | | | | | | | |"; continue; }
    k="$size-$s"
    echo "| $size | $s | $(ms "${MED[info-$k]}") | $(mb "${PEAK[info-$k]}") | $(ms "${MED[extract-$k]}") | $(mb "${PEAK[extract-$k]}") | $(ms "${MED[embed-$k]}") | $(mb "${PEAK[embed-$k]}") | $(ms "${MED[cat-$size]}") | $(ms "${MED[cpsync-$size]}") |"
  done
done
echo
echo "targets:"
echo "  (ratios: medians over runs in A B and B A order)"
if [ -n "${PAIRMED[info-300M]:-}" ]; then
  echo "  info 300M / 1M (40k)          $(ratio "${PAIRMED[info-300M]}" "${PAIRMED[info-1M]}")  (<= 1.5; $(ms "${PAIRMED[info-300M]}") / $(ms "${PAIRMED[info-1M]}")), peak $(mb "${PEAK[info-300M-40k]}") (<= 16 MB)"
  echo "  extract 300M / 1M (40k)       $(ratio "${PAIRMED[extract-300M]}" "${PAIRMED[extract-1M]}")  (<= 1.5; $(ms "${PAIRMED[extract-300M]}") / $(ms "${PAIRMED[extract-1M]}")), peak $(mb "${PEAK[extract-300M-40k]}") (<= 24 MB)"
fi
[ -n "$MANY" ] && echo "  info x100 / info x1 (300M)    $(ratio "${PAIRMED[info100-300M]}" "${PAIRMED[info1-300M]}")  (<= 5; $(ms "${PAIRMED[info100-300M]}") / $(ms "${PAIRMED[info1-300M]}")), peak $(mb "${PEAK[info100-300M]}")"
for size in "${PICTURES[@]}"; do
  bmp=$(stat -c %s "p$size.bmp")
  for s in 40k 4m; do
    [ -n "${MED[embed-$size-$s]:-}" ] || continue
    wav=$(stat -c %s "s$s.wav")
    limit=$(awk -v b="$bmp" -v w="$wav" 'BEGIN { printf "%d", (1.1 * (b + w) + 16 * 1048576) / 1024 }')
    echo "  embed $size-$s / cp + sync      $(ratio "${PAIRMED[pembed-$size-$s]}" "${PAIRMED[pcpsync-$size-$s]}")  (<= 1.2; $(ms "${PAIRMED[pembed-$size-$s]}") / $(ms "${PAIRMED[pcpsync-$size-$s]}")), peak $(mb "${PEAK[embed-$size-$s]}") (<= $(mb "$limit"))"
  done
done
