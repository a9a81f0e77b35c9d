#!/usr/bin/env bash
# Smoke run of the real program on the X11 platform under Xvfb: it starts, a
# second instance is refused with "すでに起動済みです" and leaves the
# temp.wav it finds alone (even when given a picture to open), and the first
# instance ends through its menu, leaving a temp.wav it did not write.
set -euo pipefail
korimo="${1:?usage: xvfb_smoke.sh path/to/korimo picture.bmp}"
picture="${2:?usage: xvfb_smoke.sh path/to/korimo picture.bmp}"

work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
mkdir -m 700 "$work/run"
mkdir "$work/temp"

cat > "$work/inner.sh" <<'INNER'
#!/usr/bin/env bash
set -euo pipefail
korimo="$1"; work="$2"; picture="$3"
export QT_QPA_PLATFORM=xcb XDG_RUNTIME_DIR="$work/run" TEMP="$work/temp"
fail() { echo "FAIL: $*" >&2; exit 1; }
find_window() { timeout 15 xdotool search --sync --onlyvisible --name "$1" | head -n 1; }

"$korimo" 2>"$work/first.log" &
first=$!
main_id="$(find_window '^Korimo Ver\.1\.10$')" || fail "main window did not appear"
echo "first instance up (window $main_id)"
echo dummy > "$work/temp/temp.wav"

"$korimo" "$picture" 2>"$work/second.log" &
second=$!
box_id="$(find_window '^Korimo$')" || fail "second instance showed no message box"
xdotool windowfocus --sync "$box_id"
xdotool key Return
for _ in $(seq 100); do kill -0 "$second" 2>/dev/null || break; sleep 0.1; done
kill -0 "$second" 2>/dev/null && fail "second instance did not end"
wait "$second" || fail "second instance exit status $?"
[ "$(cat "$work/temp/temp.wav" 2>/dev/null)" = dummy ] || fail "second instance touched the running instance's temp.wav"
kill -0 "$first" 2>/dev/null || fail "first instance died"
echo "second instance refused"

# The first instance ends through ファイル(&F) > 終了(&E).
xdotool windowfocus --sync "$main_id"
xdotool key alt+f
sleep 0.5
xdotool key e
for _ in $(seq 100); do kill -0 "$first" 2>/dev/null || break; sleep 0.1; done
kill -0 "$first" 2>/dev/null && { kill "$first"; fail "first instance did not end"; }
wait "$first" || fail "first instance exit status $?"
[ "$(cat "$work/temp/temp.wav" 2>/dev/null)" = dummy ] || fail "a normal exit removed a temp.wav it did not write"
echo "first instance ended"

# SIGTERM ends the window as 終了 does, without a question: the carrier's
# sound, taken out into the private folder beside the foreign temp.wav, goes.
cli="$(dirname "$korimo")/korimo-cli"
"$cli" embed "$picture" "$(dirname "$picture")/sample.wav" -o "$work/carrier.bmp"
"$korimo" "$work/carrier.bmp" 2>"$work/third.log" &
third=$!
find_window '^Korimo Ver\.1\.10$' >/dev/null || fail "window with a carrier did not appear"
for _ in $(seq 100); do [ -f "$work/temp/korimo/temp.wav" ] && break; sleep 0.1; done
[ -f "$work/temp/korimo/temp.wav" ] || fail "the carrier's sound was not taken out into the private folder"
kill -TERM "$third"
for _ in $(seq 100); do kill -0 "$third" 2>/dev/null || break; sleep 0.1; done
kill -0 "$third" 2>/dev/null && { kill -KILL "$third"; fail "SIGTERM did not end the window"; }
wait "$third" || fail "exit status $? after SIGTERM"
[ -e "$work/temp/korimo/temp.wav" ] && fail "temp.wav left behind after SIGTERM"
[ "$(cat "$work/temp/temp.wav" 2>/dev/null)" = dummy ] || fail "SIGTERM removed a temp.wav the window did not write"
echo "SIGTERM ended the window"

# After "--" every argument is a file, not an option of Qt's.
"$korimo" -- -platform x.bmp 2>"$work/fourth.log" &
fourth=$!
find_window '^Korimo Ver\.1\.10$' >/dev/null || fail "korimo -- -platform x.bmp did not start"
kill -TERM "$fourth"
for _ in $(seq 100); do kill -0 "$fourth" 2>/dev/null || break; sleep 0.1; done
kill -0 "$fourth" 2>/dev/null && { kill -KILL "$fourth"; fail "the window with a message box did not end on SIGTERM"; }
wait "$fourth" || fail "exit status $? with files after --"
echo "files after -- opened as files"
INNER
chmod +x "$work/inner.sh"
xvfb-run -a "$work/inner.sh" "$korimo" "$work" "$picture"
