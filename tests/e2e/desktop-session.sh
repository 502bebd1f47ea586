#!/bin/bash
# Runs the real program on a virtual screen under a real window manager (openbox) and uses
# it as a person would, with the keyboard and the mouse: a looped conversion, Enter that
# must replace nothing, every way out of both secondary windows, a folder that went away
# between two saves, debug mode, a recording prepared through Tools > Prepare Audio, and a
# loop suggested in Tools > Loop and applied in a padded copy.
# Checks the files left on disk after each step.
#   desktop-session.sh CORVAN CORVAN_CLI [SCREENSHOT_DIR]
set -euo pipefail

corvan=$(realpath "$1")
cli=$(realpath "$2")
shots=${3:-}

if [ -z "${CORVAN_E2E_DISPLAY:-}" ]; then
    # Run again inside a virtual X server of our own. On a loaded machine a window can come
    # later than the waits allow; a second attempt on a fresh screen tells that from a real
    # fault, which fails both. The first attempt's failure stays in the log.
    for attempt in 1 2; do
        if env CORVAN_E2E_DISPLAY=1 xvfb-run -a -s "-screen 0 1280x800x24" "$0" "$@"; then
            [ "$attempt" -eq 1 ] || echo "NOTE: passed at attempt $attempt; attempt 1 failed"
            exit 0
        fi
        echo "attempt $attempt failed" >&2
    done
    exit 1
fi

work=$(mktemp -d)
# The program's own data (the game's kept tracks) and the desktop's settings and trash stay
# in the run's folder.
export XDG_DATA_HOME="$work/data" XDG_CONFIG_HOME="$work/config"
app_pid=
wm_pid=
cleanup() {
    [ -n "$app_pid" ] && kill "$app_pid" 2>/dev/null || true
    [ -n "$wm_pid" ] && kill "$wm_pid" 2>/dev/null || true
    rm -rf "$work"
}
trap cleanup EXIT

fail() {
    echo "FAIL: $*" >&2
    [ -f "$work/app.log" ] && sed 's/^/  program: /' "$work/app.log" >&2
    [ -n "$shots" ] && import -window root "$shots/failure.png" || true
    exit 1
}

shot() {
    if [ -n "$shots" ]; then
        mkdir -p "$shots"
        import -window root "$shots/$1.png"
    fi
}

# Waits until a window with exactly this title is shown, and prints its id.
wait_window() {
    local id
    id=$(timeout 10 xdotool search --sync --onlyvisible --name "^$1\$" | head -1) ||
        fail "no window \"$1\""
    sleep 0.4
    echo "$id"
}

# Waits until no window with exactly this title is shown.
wait_gone() {
    for _ in $(seq 50); do
        xdotool search --onlyvisible --name "^$1\$" >/dev/null 2>&1 || return 0
        sleep 0.1
    done
    fail "the window \"$1\" is still shown"
}

active_title() {
    xdotool getactivewindow getwindowname 2>/dev/null || true
}

# The main window is the active window again, and takes input (its Ctrl+S works).
expect_main_active() {
    for _ in $(seq 30); do
        [ "$(active_title)" = "Corvan 1.0" ] && return 0
        sleep 0.1
    done
    fail "$1: the main window is not active (active: \"$(active_title)\")"
}

keys() {
    for key in "$@"; do
        xdotool key --delay 40 "$key"
        sleep 0.12
    done
}

# The top-left corner of a window's client area on the screen. (xdotool counts the
# title bar of a reparenting window manager twice.)
client_origin() {
    local top
    eval "$(xdotool getwindowgeometry --shell "$1")"
    top=$(xprop -id "$1" _NET_FRAME_EXTENTS | sed -n 's/.*= *[0-9]*, *[0-9]*, *\([0-9]*\),.*/\1/p')
    Y=$((Y - ${top:-0}))
    TITLE=${top:-0}
}

# A click on the close button at the right end of a window's title bar.
close_through_frame() {
    client_origin "$1"
    xdotool mousemove $((X + WIDTH - 11)) $((Y - TITLE / 2)) click 1
}

# A window's frame: left top right bottom (xdotool counts its left and top parts twice).
frame_of() {
    local l r t b
    eval "$(xdotool getwindowgeometry --shell "$1")"
    read -r l r t b <<<"$(xprop -id "$1" _NET_FRAME_EXTENTS | sed 's/.*= *//; s/,//g')"
    echo $((X - 2 * l)) $((Y - 2 * t)) $((X - l + WIDTH + r)) $((Y - t + HEIGHT + b))
}
# A tool window lies on the screen and off the main window.
expect_beside() {
    local a1 b1 a2 b2 c1 d1 c2 d2
    read -r a1 b1 a2 b2 <<<"$(frame_of "$1")" && read -r c1 d1 c2 d2 <<<"$(frame_of "$2")"
    { [ "$c1" -ge "$a2" ] || [ "$a1" -ge "$c2" ] || [ "$d1" -ge "$b2" ] || [ "$b1" -ge "$d2" ]; } &&
        [ "$c1" -ge 0 ] && [ "$c2" -le 1280 ] && [ "$d2" -le 800 ] || fail "$3 covers $a1,$b1-$a2,$b2"
}
# A window of fixed size asks for no maximize button (Motif decoration 64).
expect_no_maximize() {
    if (($(xprop -id "$1" _MOTIF_WM_HINTS | cut -d, -f3) & 64)); then fail "$2 offers maximize"; fi
}

mkdir -p "$work/recordings" "$work/Game/Music"
cp /usr/share/sounds/alsa/Front_Center.wav "$work/recordings/song.wav"
printf 'ORIGINAL TRACK' >"$work/Game/Music/track.imc"
printf 'OTHER TRACK' >"$work/Game/Music/zz-other.imc"
# The save dialog first opens in the program's own directory: here, beside the music.
cp "$corvan" "$work/Game/corvan"

openbox --sm-disable >/dev/null 2>&1 &
wm_pid=$!
for _ in $(seq 50); do
    xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id' && break
    sleep 0.1
done

cd "$work/recordings"
"$work/Game/corvan" 2>>"$work/app.log" &
app_pid=$!
main=$(wait_window "Corvan 1.0")
expect_main_active "at start"
expect_no_maximize "$main" "the main window"

# Main window, focus on the drive list: looped music, the loop from 3 to the end, the
# recording selected.
keys Tab Down               # the option group: Continuous Replay
keys Tab Right Right Right  # the loop start moves to 3 and takes the end along
keys Tab End                # the loop end to 32767
keys Tab Down               # the file list: song.wav
shot main

# About, by mouse on the menu bar, twice: once left through the frame, once with OK.
client_origin "$main"
about_x=$((X + 93))  # right of File and Tools
about_y=$((Y + 7))
for way in frame ok; do
    # A slow start (a sanitizer build) can let the first click go by: click again.
    for _ in 1 2 3; do
        xdotool mousemove "$about_x" "$about_y" click 1
        timeout 5 xdotool search --sync --onlyvisible --name '^About Corvan$' >/dev/null && break
    done
    about=$(wait_window "About Corvan")
    [ "$way" = frame ] && shot about
    # The main window is disabled: a close request through its frame is ignored.
    wmctrl -c "Corvan 1.0"
    sleep 0.4
    kill -0 "$app_pid" 2>/dev/null || fail "the disabled main window was closed"
    if [ "$way" = frame ]; then close_through_frame "$about"; else keys Return; fi
    wait_gone "About Corvan"
    expect_main_active "after About ($way)"
done

# Save dialog, focus on the drive list: into Music, pick the track. Enter in the lists
# replaces nothing; Enter on the focused OK does.
keys ctrl+s
save=$(wait_window "Save IMC File...")
keys shift+Tab Down Return  # the directory list: open Music below the program's directory
keys Tab Tab Down           # the file list: track.imc
keys Return                 # Enter in the file list
keys shift+Tab Return       # in the drive list
keys shift+Tab Return       # in the directory list, on the folder it shows
sleep 0.5
[ "$(cat "$work/Game/Music/track.imc")" = "ORIGINAL TRACK" ] || fail "Enter in a list replaced the track"
[ ! -e "$work/Game/Music/track.imc.bak" ] || fail "Enter in a list made a backup"
xdotool search --onlyvisible --name '^Save IMC File\.\.\.$' >/dev/null || fail "Enter closed the dialog"
keys Tab Tab                # back to the file list, track.imc still selected
shot save-dialog
keys Tab Return             # OK
wait_window "Corvan" >/dev/null
shot result
keys Return                 # dismiss "Save Successful."
wait_gone "Save IMC File..."
expect_main_active "after OK"

[ -f "$work/Game/Music/track.imc.bak" ] || fail "no backup of the replaced track"
[ "$(cat "$work/Game/Music/track.imc.bak")" = "ORIGINAL TRACK" ] || fail "the backup is not the original"
[ "$(cat "$work/Game/Music/zz-other.imc")" = "OTHER TRACK" ] || fail "another track was touched"
"$cli" convert --loop 3 32767 "$work/recordings/song.wav" "$work/expected.imc" >/dev/null
cmp "$work/expected.imc" "$work/Game/Music/track.imc" || fail "the new track differs from corvan-cli's"

# Cancel (Space on the focused button), then a close through the frame: each returns to
# an enabled, focused main window, and nothing changes on disk.
cp "$work/Game/Music/track.imc" "$work/after-ok.imc"
keys ctrl+s
wait_window "Save IMC File..." >/dev/null
keys Tab Tab Tab space      # the drive list, past the file list and OK (the track is
                            # still chosen) to Cancel
wait_gone "Save IMC File..."
expect_main_active "after Cancel"
keys ctrl+s
save=$(wait_window "Save IMC File...")
close_through_frame "$save"
wait_gone "Save IMC File..."
expect_main_active "after closing the save dialog"
cmp "$work/after-ok.imc" "$work/Game/Music/track.imc" || fail "Cancel or close changed the track"

# The folder used last goes away between two saves: one box, then the dialog can be used
# and left.
mv "$work/Game/Music" "$work/Game/Music-moved"
keys ctrl+s
wait_window "Corvan" >/dev/null
shot lost-folder
keys Return
sleep 1
if xdotool search --onlyvisible --name '^Corvan$' >/dev/null 2>&1; then
    fail "the box about the lost folder came back"
fi
save=$(wait_window "Save IMC File...")
keys alt+F4
wait_gone "Save IMC File..."
expect_main_active "after the lost folder"
mv "$work/Game/Music-moved" "$work/Game/Music"

# Ctrl+X ends the program.
keys ctrl+x
for _ in $(seq 50); do
    kill -0 "$app_pid" 2>/dev/null || break
    sleep 0.1
done
if kill -0 "$app_pid" 2>/dev/null; then fail "Ctrl+X did not end the program"; fi
wait "$app_pid" || fail "the program ended with status $?"
app_pid=

# Debug mode: the two paths, the length and the five field encodings of queued music come
# in boxes before "Save Successful.", and the file is the same as without them.
"$work/Game/corvan" D 2>>"$work/app.log" &
app_pid=$!
wait_window "Corvan 1.0" >/dev/null
keys Tab Tab Down           # the file list: song.wav (the loop bars are disabled)
keys ctrl+s
wait_window "Save IMC File..." >/dev/null
keys shift+Tab Down Return Tab Tab Down Tab Return  # Music, track.imc, OK
boxes=0
while timeout 3 xdotool search --sync --onlyvisible --name '^Corvan$' >/dev/null 2>&1 &&
    [ "$boxes" -lt 20 ]; do
    [ "$boxes" -eq 0 ] && shot debug-box
    keys Return
    boxes=$((boxes + 1))
    sleep 0.3
done
[ "$boxes" -eq 8 ] || fail "debug mode showed $boxes boxes, expected 8"
"$cli" convert "$work/recordings/song.wav" "$work/expected-queued.imc" >/dev/null
cmp "$work/expected-queued.imc" "$work/Game/Music/track.imc" || fail "debug mode wrote another file"
keys ctrl+x
wait "$app_pid" || fail "the program ended with status $?"
app_pid=

# Tools > Prepare Audio, all by keyboard: a 44,100 Hz mono AAC recording in M4A made here is
# prepared beside itself while the save dialog is open, found in the main window's list
# afterwards and saved over the track as queued music; another recording named as the copy
# stays.
sox -n -r 44100 -c 1 -b 16 "$work/tone-source.wav" synth 2 sine 440 vol 0.5
ffmpeg -nostdin -loglevel error -i "$work/tone-source.wav" -c:a aac -b:a 128k \
    "$work/recordings/tone.m4a" || fail "ffmpeg could not make the M4A recording"
prepared="$work/recordings/tone (prepared).wav"
cp "$work/recordings/song.wav" "$work/song-before.wav"
"$work/Game/corvan" &
app_pid=$!
main=$(wait_window "Corvan 1.0")
expect_main_active "before Prepare Audio"
keys alt+t Return           # Tools > Prepare Audio...
prep=$(wait_window "Prepare Audio")
expect_beside "$main" "$prep" "Prepare Audio"
keys Return                 # Browse..., which has the focus
wait_window "Choose a Recording" >/dev/null
shot choose-recording
xdotool type --delay 10 "$work/recordings/tone.m4a"
keys Return
wait_gone "Choose a Recording"
xdotool windowactivate --sync "$main"
keys Tab Tab Down ctrl+s    # song.wav in the file list, then the save dialog
save=$(wait_window "Save IMC File...")
xdotool windowactivate --sync "$prep"
keys alt+p                  # Prepare, while the save dialog holds the main window
for _ in $(seq 100); do
    [ -f "$prepared" ] && break
    sleep 0.1
done
[ -f "$prepared" ] || fail "Prepare Audio wrote no file"
sleep 0.5
shot prepare-audio
[ "$(soxi -r "$prepared")" = 22050 ] && [ "$(soxi -c "$prepared")" = 2 ] ||
    fail "the prepared file is not 22,050 Hz stereo"
# The M4A's encoder delay and padding are not part of the music: 2 s within 5 ms.
[ "$(soxi -s "$prepared")" -ge 44000 ] && [ "$(soxi -s "$prepared")" -le 44210 ] ||
    fail "the prepared copy of the M4A lasts $(soxi -s "$prepared") frames, not 2 s"
keys alt+s ctrl+a           # Save as: another recording's name, then Return
xdotool type --delay 10 "$work/recordings/song.wav"
keys Return
wait_window "Replace File" >/dev/null
shot replace-question
keys Return                 # No, the default
wait_gone "Replace File"
cmp "$work/song-before.wav" "$work/recordings/song.wav" || fail "No replaced the recording"
keys Escape
wait_gone "Prepare Audio"
xdotool windowactivate --sync "$save"
keys alt+F4
wait_gone "Save IMC File..."
expect_main_active "after Prepare Audio"
keys Tab Tab                # from the drive list to the file list, which lists the copy now
xdotool type --delay 20 "tone (p"
keys ctrl+s                 # only possible with the prepared file selected
wait_window "Save IMC File..." >/dev/null
keys shift+Tab Down Return Tab Tab Down Tab Return  # Music, track.imc, OK
wait_window "Corvan" >/dev/null
keys Return                 # dismiss "Save Successful."
wait_gone "Save IMC File..."
"$cli" convert "$prepared" "$work/expected-prepared.imc" >/dev/null
cmp "$work/expected-prepared.imc" "$work/Game/Music/track.imc" ||
    fail "the track is not the queued header and the prepared file"
[ "$(tail -c +191 "$work/Game/Music/track.imc" | head -c 4)" = RIFF ] ||
    fail "no RIFF after the 190-byte header"
keys ctrl+x
wait "$app_pid" || fail "the program ended with an error"
app_pid=
# Tools > Loop, all by keyboard: suggestions for a phrase of four notes played six times, at
# a length that is no whole number of the sliders' steps; the best, which needs padding,
# applied with Enter and its copy accepted, then saved as looped music. The saved track's
# loop, read back, must be the suggestion's frames as corvan-cli suggest-loop finds them.
mkdir -p "$work/loops"
for n in A3 E4 C4 G4; do
    sox -R -n -r 22050 -c 2 -b 16 "$work/note-$n.wav" synth 0.4597 pluck "$n" vol 0.5
done
sox "$work"/note-{A3,E4,C4,G4}.wav "$work/phrase.wav"
sox "$work/phrase.wav" "$work/loops/phrase.wav" repeat 5
"$cli" suggest-loop --json "$work/loops/phrase.wav" >"$work/suggested.json" ||
    fail "corvan-cli suggest-loop found no loop"
[ "$(jq '.suggestions[0].needs_padding' "$work/suggested.json")" = true ] ||
    fail "the best loop needs no padding: $(cat "$work/suggested.json")"
want_start=$(jq '.suggestions[0].start_frame' "$work/suggested.json")
want_end=$(jq '.suggestions[0].end_frame' "$work/suggested.json")
cd "$work/loops"
"$work/Game/corvan" 2>>"$work/app.log" &
app_pid=$!
main=$(wait_window "Corvan 1.0")
expect_main_active "before Loop"
keys Tab Tab Down           # the file list: phrase.wav, as queued music
keys alt+t l                # Tools > Loop...
loopwin=$(wait_window "Loop")
expect_beside "$main" "$loopwin" "Loop"
keys Return                 # Suggest, which has the focus
# The list takes the focus with the best suggestion chosen once the search is over; Enter
# applies it, which asks to write the padded copy.
# (On a slow machine a Return meant for the list may answer the question.)
for _ in $(seq 40); do
    xdotool search --onlyvisible --name '^Looped Copy$' >/dev/null 2>&1 && break
    xdotool search --onlyvisible --name '^Loop - start ' >/dev/null 2>&1 && break
    keys Return
    sleep 0.2
done
if xdotool search --onlyvisible --name '^Looped Copy$' >/dev/null 2>&1; then
    wait_window "Looped Copy" >/dev/null
    shot looped-copy-question
    keys Return             # Yes, the default: write it, select it and set the loop
fi
title=
for _ in $(seq 100); do
    title=$(xdotool search --onlyvisible --name '^Loop - start ' getwindowname 2>/dev/null | head -1) &&
        [ -n "$title" ] && break
    sleep 0.1
done
[[ "$title" =~ ^Loop\ -\ start\ ([0-9]+),\ end\ ([0-9]+)$ ]] || fail "no loop was applied (\"$title\")"
start=${BASH_REMATCH[1]}
end=${BASH_REMATCH[2]}
copy="$work/loops/phrase (looped).wav"
sleep 0.3
shot loop-window
keys Escape                 # the Loop window goes; the main window is active again
wait_gone "Loop - start $start, end $end"
expect_main_active "after Loop"
keys ctrl+s                 # the copy is selected, with Continuous Replay and the loop
wait_window "Save IMC File..." >/dev/null
keys shift+Tab Down Return Tab Tab Down Tab Return  # Music, track.imc, OK
wait_window "Corvan" >/dev/null
keys Return                 # dismiss "Save Successful."
wait_gone "Save IMC File..."
"$cli" convert --loop "$start" "$end" "$copy" "$work/expected-loop.imc" >/dev/null
cmp "$work/expected-loop.imc" "$work/Game/Music/track.imc" ||
    fail "the track is not the padded copy looped from $start to $end"
"$cli" inspect --json "$work/Game/Music/track.imc" >"$work/saved.json"
got_start=$((($(jq '.loopStartWavByte' "$work/saved.json") - 44) / 4))
got_end=$((($(jq '.loopEndWavByte' "$work/saved.json") - 44) / 4))
[ "$got_start $got_end" = "$want_start $want_end" ] ||
    fail "the saved loop runs over frames $got_start to $got_end, not $want_start to $want_end"
keys ctrl+x
wait "$app_pid" || fail "the program ended with an error"
app_pid=

# Tools > Soundtrack finds a game installed by Steam in the user's home, applies a music
# pack to its music folder and gives one track back as the game had it.
home="$work/home"
game="$home/.local/share/Steam/steamapps/common/XWA/MUSIC"
mkdir -p "$game" "$work/pack"
head -c 40000 /dev/urandom >"$game/TRACK01.IMC"
head -c 50000 /dev/urandom >"$game/TRACK02.IMC"
cp "$game/TRACK01.IMC" "$work/track01-original.imc"
sox -n -r 22050 -c 2 -b 16 "$work/pack/theme.wav" synth 12 sine 330 sine 495 vol 0.3
printf 'name = "Test pack"\nloudness = -20\n[[track]]\nreplace = "track01.imc"\nrecording = "theme.wav"\nkind = "looped"\nloop = "auto"\n' \
    >"$work/pack/pack.toml"
status() { HOME="$home" XDG_DATA_HOME="$home/.local/share" "$cli" soundtrack status --json "$game"; }
cd "$work"
HOME="$home" XDG_DATA_HOME="$home/.local/share" "$work/Game/corvan" 2>>"$work/app.log" &
app_pid=$!
main=$(wait_window "Corvan 1.0")
keys alt+t s                # Tools > Soundtrack...
soundtrack=$(wait_window "Soundtrack")
expect_beside "$main" "$soundtrack" "Soundtrack"
sleep 1                     # the search for the game
keys alt+p                  # Apply Pack...
wait_window "Music pack" >/dev/null
xdotool type --delay 10 "$work/pack/pack.toml"
keys Return
wait_gone "Music pack"
for _ in $(seq 100); do
    status | jq -e '.tracks[0].state == "corvan"' >/dev/null && break
    sleep 0.2
done
status | jq -e '.tracks[0].state == "corvan" and .tracks[0].kind == "looped"' >/dev/null ||
    fail "the pack was not applied: $(status)"
sleep 0.5
shot soundtrack-applied
xdotool windowactivate --sync "$soundtrack"
keys alt+r                  # Restore the first track, selected
for _ in $(seq 50); do
    cmp -s "$work/track01-original.imc" "$game/TRACK01.IMC" && break
    sleep 0.2
done
cmp "$work/track01-original.imc" "$game/TRACK01.IMC" || fail "the game's track did not come back"
sleep 0.5
shot soundtrack-restored
keys Escape
wait_gone "Soundtrack"
expect_main_active "after Soundtrack"
keys ctrl+x
wait "$app_pid" || fail "the program ended with an error"
app_pid=
echo "PASS: conversions, Enter, Cancel, closes through the frame, a lost folder, debug mode, Prepare Audio, a suggested loop in a padded copy and a music pack applied and restored"
