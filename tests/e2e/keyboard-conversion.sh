#!/bin/bash
# Starts the real program on a virtual screen, replaces a game track with a real
# recording using the keyboard only, and checks the files it leaves on disk.
#   keyboard-conversion.sh CORVAN CORVAN_CLI [SCREENSHOT_DIR]
set -euo pipefail

corvan=$(realpath "$1")
cli=$(realpath "$2")
shots=${3:-}

if [ -z "${CORVAN_E2E_DISPLAY:-}" ]; then
    # Run again inside a virtual X server of our own.
    exec env CORVAN_E2E_DISPLAY=1 xvfb-run -a -s "-screen 0 1024x768x24" "$0" "$@"
fi

work=$(mktemp -d)
app_pid=
cleanup() {
    [ -n "$app_pid" ] && kill "$app_pid" 2>/dev/null || true
    rm -rf "$work"
}
trap cleanup EXIT

fail() {
    echo "FAIL: $*" >&2
    [ -n "$shots" ] && import -window root "$shots/failure.png" || true
    exit 1
}

shot() {
    if [ -n "$shots" ]; then
        mkdir -p "$shots"
        import -window root "$shots/$1.png"
    fi
}

# Waits until a window with exactly this title is shown.
wait_window() {
    timeout 10 xdotool search --sync --onlyvisible --name "^$1\$" >/dev/null ||
        fail "no window \"$1\""
    sleep 0.5
}

keys() {
    for key in "$@"; do
        xdotool key --delay 60 "$key"
        sleep 0.15
    done
}

mkdir -p "$work/recordings" "$work/Game/Music"
cp /usr/share/sounds/alsa/Front_Center.wav "$work/recordings/song.wav"
printf 'ORIGINAL TRACK' >"$work/Game/Music/track.imc"
printf 'OTHER TRACK' >"$work/Game/Music/zz-other.imc"
# The save dialog first opens in the program's own directory: here, beside the music.
cp "$corvan" "$work/Game/corvan"

cd "$work/recordings"
"$work/Game/corvan" &
app_pid=$!
wait_window "Corvan 1.0"

# Main window, focus on the drive list: looped music, the loop from 3 to the end, the
# recording selected, then File > Save.
keys Tab Down           # the option group: Continuous Replay
keys Tab Right Right Right  # the loop start moves to 3 and takes the end along
keys Tab End            # the loop end to 32767
keys Tab Down           # the file list: song.wav
shot main
keys ctrl+s
wait_window "Save IMC File..."

# Save dialog, focus on the drive list: into Music, pick the track, OK.
keys shift+Tab Down Return  # the directory list: open Music below the program's directory
keys Tab Tab Down       # the file list: track.imc
shot save-dialog
keys Tab Return         # OK
wait_window "Corvan"
shot result
keys Return             # dismiss "Save Successful."
sleep 0.5
shot after

[ -f "$work/Game/Music/track.imc.bak" ] || fail "no backup of the replaced track"
[ "$(cat "$work/Game/Music/track.imc.bak")" = "ORIGINAL TRACK" ] || fail "the backup is not the original"
[ "$(cat "$work/Game/Music/zz-other.imc")" = "OTHER TRACK" ] || fail "another track was touched"
"$cli" convert --loop 3 32767 "$work/recordings/song.wav" "$work/expected.imc" >/dev/null
cmp "$work/expected.imc" "$work/Game/Music/track.imc" || fail "the new track differs from corvan-cli's"

# Ctrl+X ends the program.
keys ctrl+x
for _ in $(seq 50); do
    kill -0 "$app_pid" 2>/dev/null || break
    sleep 0.1
done
if kill -0 "$app_pid" 2>/dev/null; then fail "Ctrl+X did not end the program"; fi
wait "$app_pid" || fail "the program ended with an error"
app_pid=
echo "PASS: $(stat -c %s "$work/expected.imc") bytes written, the original kept as track.imc.bak"
