#!/usr/bin/env bash
# Installs the Debian package into a fresh Debian 12 root, with only what its dependencies
# bring, and uses it there from /usr/bin: both programs' --version, a conversion that is
# inspected afterwards, preparing a recording (libsndfile, libsoxr), and the desktop
# program's window on a virtual screen, ended by SIGTERM as a logout would; first lintian.
# Needs root, debootstrap and the Debian mirror; takes one to three minutes, mostly
# downloading and unpacking.
# usage: fresh-root.sh PACKAGE.deb [MIRROR]
set -euo pipefail
package=$(realpath "$1")
mirror=${2:-http://deb.debian.org/debian}
[ "$(id -u)" -eq 0 ] || { echo "fresh-root.sh: needs root (debootstrap, chroot)" >&2; exit 2; }

lintian --fail-on error,warning "$package" ||
    { echo "fresh-root.sh: lintian finds errors or warnings in $package" >&2; exit 1; }

root=$(mktemp -d /var/tmp/corvan-fresh-root.XXXXXX)
cleanup() {
    for mount in dev/pts dev proc; do
        mountpoint -q "$root/$mount" && umount -l "$root/$mount"
    done
    rm -rf --one-file-system "$root"
}
trap cleanup EXIT

start=$SECONDS
phase() { echo "== $1 ($((SECONDS - start)) s so far)"; }
in_root() { chroot "$root" env -i PATH=/usr/sbin:/usr/bin:/sbin:/bin HOME=/root LC_ALL=C.UTF-8 "$@"; }

phase "debootstrap --variant=minbase bookworm"
debootstrap --variant=minbase bookworm "$root" "$mirror" >"$root.debootstrap.log" 2>&1 ||
    { tail -20 "$root.debootstrap.log" >&2; exit 1; }
rm -f "$root.debootstrap.log"
mount -t proc proc "$root/proc"
mount --bind /dev "$root/dev"
mount --bind /dev/pts "$root/dev/pts"

phase "apt-get install ./$(basename "$package") xvfb xauth x11-utils"
cp "$package" "$root/tmp/"
in_root apt-get update -q >"$root/tmp/update.log" 2>&1 || { tail -20 "$root/tmp/update.log" >&2; exit 1; }
DEBIAN_FRONTEND=noninteractive in_root apt-get install -y -q --no-install-recommends \
    "/tmp/$(basename "$package")" xvfb xauth x11-utils >"$root/tmp/install.log" 2>&1 ||
    { tail -20 "$root/tmp/install.log" >&2; exit 1; }
echo "Depends: $(in_root dpkg-query -W -f='${Depends}' corvan)"

phase "the programs from /usr/bin"
failures=0
fail() { echo "FAIL: $*" >&2; failures=$((failures + 1)); }
for program in corvan corvan-cli; do
    missing=$(in_root ldd "/usr/bin/$program" | grep 'not found' || true)
    [ -z "$missing" ] || fail "$program lacks libraries: $missing"
done
[ "$(in_root /usr/bin/corvan-cli --version)" = "corvan-cli 1.0" ] || fail "corvan-cli --version"
[ "$(in_root /usr/bin/corvan --version)" = "corvan 1.0" ] || fail "corvan --version"

# A game-ready recording and one that is not, made here, where sox is at hand.
sox -n -r 22050 -c 2 -b 16 "$root/tmp/song.wav" synth 2 sine 440 vol 0.5
sox -n -r 44100 -c 1 -b 16 "$root/tmp/mono44k.wav" synth 2 sine 330 vol 0.5
in_root /usr/bin/corvan-cli convert --loop 10% 90% /tmp/song.wav /tmp/track.imc >/dev/null ||
    fail "corvan-cli convert"
size=$(stat -c %s "$root/tmp/song.wav")
[ "$(stat -c %s "$root/tmp/track.imc")" -eq $((size + 228)) ] ||
    fail "the looped track is not the 228-byte header and the recording"
cmp -s -i 228:0 "$root/tmp/track.imc" "$root/tmp/song.wav" || fail "the recording's bytes changed"
in_root /usr/bin/corvan-cli inspect /tmp/track.imc >/dev/null || fail "corvan-cli inspect"
in_root /usr/bin/corvan-cli prepare /tmp/mono44k.wav /tmp/prepared.wav >/dev/null ||
    fail "corvan-cli prepare"
in_root /usr/bin/corvan-cli check /tmp/prepared.wav >/dev/null || fail "the prepared copy is not game-ready"

phase "corvan under Xvfb"
cat >"$root/tmp/window.sh" <<'SCRIPT'
/usr/bin/corvan 2>/tmp/corvan.err &
pid=$!
for _ in $(seq 300); do
    xwininfo -root -tree | grep -q '"Corvan 1.0"' && break
    sleep 0.1
done
xwininfo -root -tree | grep -q '"Corvan 1.0"' || { echo "no main window"; cat /tmp/corvan.err; }
kill -TERM $pid
wait $pid
echo "status $?"
SCRIPT
result=$(in_root xvfb-run -a -s "-screen 0 1024x768x24" sh /tmp/window.sh 2>&1)
[ "$result" = "status 143" ] || fail "corvan under Xvfb: $result"

phase "done"
[ "$failures" -eq 0 ] || exit 1
echo "the package works in a fresh Debian 12 root ($((SECONDS - start)) s)"
