#!/usr/bin/env bash
# The installed tree and the Debian package, checked without touching the
# system: `cmake --install` into a scratch prefix (every file in its place,
# both validators pass), then the package built by CPack and unpacked with
# dpkg-deb -x: its korimo-cli embeds and extracts a sample, and its window
# starts offscreen with a carrier on the command line and extracts the sound
# hidden in it.
#
#   install_test.sh BUILD_DIR SAMPLES_DIR WITH_WINDOW(0|1)
set -euo pipefail
build="${1:?build dir}"; samples="${2:?samples dir}"; with_window="${3:?0 or 1}"

scratch="$(mktemp -d)"
window_pid=""
cleanup() {
  [ -n "$window_pid" ] && kill "$window_pid" 2>/dev/null || true
  rm -rf "$scratch"
}
trap cleanup EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

# ---- cmake --install --------------------------------------------------------
prefix="$scratch/prefix"
"${CMAKE:-cmake}" --install "$build" --prefix "$prefix" >/dev/null
expected=(
  bin/korimo-cli
  share/bash-completion/completions/korimo-cli
  share/man/man1/korimo-cli.1
)
if [ "$with_window" = 1 ]; then
  expected+=(
    bin/korimo
    share/applications/org.korimo.Korimo.desktop
    share/metainfo/org.korimo.Korimo.metainfo.xml
    share/korimo/korimo110.hlp
    share/korimo/korimo110.en.hlp
    share/korimo/korimo_en.qm
    share/man/man1/korimo.1
  )
  for size in 16 32 64 96 128 256; do
    expected+=("share/icons/hicolor/${size}x${size}/apps/org.korimo.Korimo.png")
  done
fi
for f in "${expected[@]}"; do
  [ -s "$prefix/$f" ] || fail "not installed: $f"
done
extra="$(cd "$prefix" && find . -type f | sed 's|^\./||' | sort | comm -23 - <(printf '%s\n' "${expected[@]}" | sort))"
[ -z "$extra" ] || fail "installed but not expected: $extra"
echo "install tree: ${#expected[@]} files"

# The man page of korimo-cli covers every command, option and exit status.
page="$prefix/share/man/man1/korimo-cli.1"
for word in info embed extract -o --password-file --ask-password --password --memo --memo-file \
            --memo-out --replace --fit --version; do
  grep -q -- "$(printf '%s' "$word" | sed 's/-/\\\\-/g')" "$page" || fail "korimo-cli.1 lacks $word"
done
grep -q 'EXAMPLES' "$page" || fail "korimo-cli.1 has no examples"
grep -q 'Exit status' "$page" || fail "korimo-cli.1 has no exit status"

if [ "$with_window" = 1 ]; then
  desktop-file-validate "$prefix/share/applications/org.korimo.Korimo.desktop"
  appstreamcli validate --no-net "$prefix/share/metainfo/org.korimo.Korimo.metainfo.xml"
  # Whole-factor scaling: the 32 x 32 icon is the program's own, pixel for pixel.
  for size in 16 32 64 96 128 256; do
    file -b "$prefix/share/icons/hicolor/${size}x${size}/apps/org.korimo.Korimo.png" |
      grep -q "PNG image data, $size x $size" || fail "icon ${size}x${size} has the wrong size"
  done
fi

# ---- The package --------------------------------------------------------------
"${CPACK:-cpack}" --config "$build/CPackConfig.cmake" -G DEB -B "$scratch/pkg" >/dev/null
deb="$(ls "$scratch"/pkg/korimo_*.deb)"
depends="$(dpkg-deb -f "$deb" Depends)"
[ -n "$depends" ] || fail "the package has no Depends"
for lib in libsndfile1 libsamplerate0; do
  case "$depends" in *"$lib"*) ;; *) fail "the package does not depend on $lib" ;; esac
done
echo "package: $(basename "$deb"), $(stat -c %s "$deb") bytes; Depends: $depends"
root="$scratch/root"
dpkg-deb -x "$deb" "$root"
for f in "${expected[@]}"; do
  [ -s "$root/usr/$f" ] || fail "not in the package: usr/$f"
done

work="$scratch/work"
mkdir -p "$work/temp" "$work/run"
chmod 700 "$work/run"
"$root/usr/bin/korimo-cli" embed "$samples/sample.bmp" "$samples/sample.wav" -o "$work/carrier.bmp" --memo memo
"$root/usr/bin/korimo-cli" extract "$work/carrier.bmp" -o "$work/out.wav"
cmp -s "$work/out.wav" "$samples/sample.wav" || fail "korimo-cli from the package lost the sound"
echo "packaged korimo-cli: embed and extract"

if [ "$with_window" = 1 ]; then
  # The window opens the carrier as the open-image command does: it finds
  # the sound and extracts it to TEMP/temp.wav (the whole sound area: the
  # WAV file first).
  wav_size="$(stat -c %s "$samples/sample.wav")"
  found() { cmp -s -n "$wav_size" "$work/temp/temp.wav" "$samples/sample.wav"; }
  TEMP="$work/temp" XDG_RUNTIME_DIR="$work/run" QT_QPA_PLATFORM=offscreen SDL_AUDIODRIVER=dummy \
    "$root/usr/bin/korimo" "$work/carrier.bmp" 2>"$work/window.log" &
  window_pid=$!
  for _ in $(seq 200); do
    found && break
    kill -0 "$window_pid" 2>/dev/null || { cat "$work/window.log" >&2; fail "the window ended"; }
    sleep 0.1
  done
  found || fail "the window did not find the sound"
  kill -0 "$window_pid" 2>/dev/null || fail "the window ended after opening"
  kill "$window_pid"
  wait "$window_pid" 2>/dev/null || true
  window_pid=""
  echo "packaged korimo: opened the carrier and found its sound"
fi
