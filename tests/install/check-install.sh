#!/usr/bin/env bash
# Installs the build into a staging folder as a package would (DESTDIR, prefix /usr) and
# checks what a desktop reads there: the entry, the AppStream description, the manual
# pages (which must cover every command, option and exit status corvan-cli --help lists),
# the completion, the icon and the installed programs themselves.
# usage: check-install.sh BUILD_DIR WORK_DIR
set -euo pipefail
build=$1
work=$2
root=$work/root
rm -rf "$work"
mkdir -p "$work"
export LC_ALL=C.UTF-8

failures=0
fail() {
    echo "FAIL: $*" >&2
    failures=$((failures + 1))
}

DESTDIR=$root cmake --install "$build" --prefix /usr >"$work/install.log"

for file in bin/corvan bin/corvan-cli \
    share/applications/org.corvan.Corvan.desktop \
    share/metainfo/org.corvan.Corvan.metainfo.xml \
    share/icons/hicolor/48x48/apps/corvan.png share/icons/hicolor/64x64/apps/corvan.png \
    share/icons/hicolor/128x128/apps/corvan.png \
    share/man/man1/corvan.1.gz share/man/man1/corvan-cli.1.gz \
    share/bash-completion/completions/corvan-cli share/doc/corvan/copyright; do
    [ -f "$root/usr/$file" ] || fail "not installed: /usr/$file"
done
for size in 48 64 128; do
    [ "$(identify -format '%m %wx%h' "$root/usr/share/icons/hicolor/${size}x$size/apps/corvan.png")" = \
        "PNG ${size}x$size" ] || fail "the ${size}x$size icon is no such PNG"
done

# The validators, with nothing to say.
desktop=$root/usr/share/applications/org.corvan.Corvan.desktop
if ! out=$(desktop-file-validate "$desktop" 2>&1) || [ -n "$out" ]; then
    fail "desktop-file-validate: $out"
fi
grep -qx 'Exec=corvan' "$desktop" || fail "the desktop entry does not start corvan"
[ -x "$root/usr/bin/corvan" ] || fail "corvan is not executable"
if ! out=$(appstreamcli validate --no-net "$root/usr/share/metainfo/org.corvan.Corvan.metainfo.xml" 2>&1) ||
    grep -q '^[EW]:' <<<"$out"; then
    fail "appstreamcli validate: $out"
fi

# The manual pages render without a warning; the text is kept to be searched below.
for page in corvan corvan-cli; do
    MANWIDTH=80 man --warnings -l "$root/usr/share/man/man1/$page.1.gz" \
        >"$work/$page.raw" 2>"$work/$page.warnings" || fail "man -l $page.1.gz failed"
    [ ! -s "$work/$page.warnings" ] || fail "man -l $page.1.gz warns: $(cat "$work/$page.warnings")"
    col -bx <"$work/$page.raw" | sed 's/\xe2\x88\x92/-/g; s/\xe2\x80\x90/-/g' >"$work/$page.txt"
    grep -q '^NAME' "$work/$page.txt" || fail "$page.1 rendered without a NAME section"
done

# The installed programs, on the libraries they find there.
cli=$root/usr/bin/corvan-cli
[ "$("$cli" --version)" = "corvan-cli 1.0" ] || fail "installed corvan-cli --version: $("$cli" --version)"
[ "$(env -u DISPLAY "$root/usr/bin/corvan" --version)" = "corvan 1.0" ] ||
    fail "installed corvan --version: $(env -u DISPLAY "$root/usr/bin/corvan" --version)"

# What corvan-cli --help lists: its commands, each command's options, the exit statuses.
"$cli" --help >"$work/help.txt"
commands=$(sed -n '/^Subcommands:/,/^$/{/^  [a-z]/s/^  \([a-z-]*\).*/\1/p}' "$work/help.txt")
statuses=$(sed -n '/^Exit status:/,/^$/{/^  [0-9]/s/^  \([^ ]*\).*/\1/p}' "$work/help.txt")
[ -n "$commands" ] && [ -n "$statuses" ] || fail "corvan-cli --help lists no commands or statuses"
# The options a help text lists: the first name on each of its option lines.
options() { sed -nE 's/^ {2}(-[a-zA-Z],)?(--[a-z][a-z-]*).*/\2/p' | { grep -vx -- '--help' || true; } | sort -u; }
manual=$work/corvan-cli.txt
for command in $commands; do
    grep -qE "corvan-cli $command( |$)" "$manual" || fail "corvan-cli(1) has no synopsis of $command"
    grep -qE "^ {7}$command( |$)" "$manual" || fail "corvan-cli(1) does not describe $command"
    "$cli" "$command" --help | sed -n '/^Options:/,/^$/p' | options >"$work/$command.options"
    for option in $(cat "$work/$command.options"); do
        grep -qE -- "^ {7}$option( |,|$)" "$manual" || fail "corvan-cli(1) does not describe $option"
        grep -qE -- "\[$option( |\]).*" <(sed -n "/corvan-cli $command/,/corvan-cli/p" "$manual") ||
            fail "corvan-cli(1) has no $option in the synopsis of $command"
    done
done
for option in $(sed -n '/^Options:/,/^$/p' "$work/help.txt" | options); do
    grep -qE -- "^ {7}(-h, )?$option( |,|$)" "$manual" || fail "corvan-cli(1) does not describe $option"
done
exit_section=$(sed -n '/^EXIT STATUS/,/^[A-Z]/p' "$manual")
for status in $statuses; do
    grep -qE "^ {7}${status//+/\\+}( |$)" <<<"$exit_section" ||
        fail "corvan-cli(1) does not list exit status $status"
done

# The completion offers the same commands and options.
complete_words() {
    bash -c 'source "$1"; shift; COMP_WORDS=("$@"); COMP_CWORD=$(($# - 1)); _corvan_cli
             printf "%s\n" "${COMPREPLY[@]}"' _ \
        "$root/usr/share/bash-completion/completions/corvan-cli" corvan-cli "$@"
}
[ "$(complete_words '' | grep -v '^-' | sort)" = "$(sort <<<"$commands")" ] ||
    fail "completion offers commands $(complete_words '' | tr '\n' ' ')"
for command in $commands; do
    [ "$(complete_words "$command" -- | grep -vx -- '--help' | sort)" = "$(cat "$work/$command.options")" ] ||
        fail "completion offers $command options $(complete_words "$command" -- | tr '\n' ' ')"
done

[ "$failures" -eq 0 ] || exit 1
echo "installed and checked: $(find "$root" -type f | wc -l) files"
