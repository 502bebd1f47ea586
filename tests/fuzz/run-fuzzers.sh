#!/bin/bash
# Builds the fuzz targets with clang and libFuzzer and runs each for SECONDS (default 60),
# keeping its corpus in build-fuzz/corpus/<target>. Exits non-zero on any finding; the
# crashing input is left in build-fuzz/findings/.
#   run-fuzzers.sh [SECONDS]
set -euo pipefail

seconds=${1:-60}
root=$(cd "$(dirname "$0")/../.." && pwd)
build=${FUZZ_BUILD:-$root/build-fuzz}
targets=(FuzzImcInspector FuzzLongToBytes FuzzHeaderTemplates FuzzAudioReader FuzzMusicPack)

cmake -S "$root" -B "$build" -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DCORVAN_FUZZ=ON -DCORVAN_BUILD_TESTS=OFF >/dev/null
cmake --build "$build" -j"$(nproc)" --target "${targets[@]}" corvan-cli >/dev/null

# Seeds for the header reader: whole files of both kinds over a short real recording,
# behind the 4 bytes that say how much longer the file is (none).
seeds=$build/seeds/FuzzImcInspector
mkdir -p "$seeds" "$build/findings"
head -c 1000 /usr/share/sounds/alsa/Front_Center.wav >"$build/seeds/short.wav"
for loop in "" "--loop 10% 90%"; do
    # shellcheck disable=SC2086
    "$build/cli/corvan-cli" convert $loop "$build/seeds/short.wav" "$build/seeds/short.imc" >/dev/null
    { printf '\0\0\0\0'; cat "$build/seeds/short.imc"; } >"$seeds/${loop:+looped}${loop:-queued}"
done

# Seeds for the recording reader: a short tone in each format FFmpeg or libsndfile reads.
seeds=$build/seeds/FuzzAudioReader
mkdir -p "$seeds"
cp "$build/seeds/short.wav" "$seeds/short.wav"
if command -v ffmpeg >/dev/null; then
    for kind in m4a:aac webm:libopus mkv:libvorbis wma:wmav2 ac3:ac3 mp3:libmp3lame \
        flac:flac ogg:libvorbis; do
        ffmpeg -v quiet -y -f lavfi -i "sine=frequency=440:duration=0.2" -ac 2 \
            -c:a "${kind#*:}" "$seeds/tone.${kind%%:*}" || true
    done
fi

# Seeds for the pack reader: a pack with every key, and ones that reach out of their folders.
seeds=$build/seeds/FuzzMusicPack
mkdir -p "$seeds"
printf 'name = "p"\nloudness = -18\n[[track]]\nreplace = "t.imc"\nrecording = "a.wav"\nkind = "looped"\nloop = [1, 2]\ngain = -1\n' >"$seeds/whole.toml"
printf '[[track]]\nreplace = "../t.imc"\nrecording = "a.wav"\nkind = "queued"\n' >"$seeds/replace.toml"
printf '[[track]]\nreplace = "t.imc"\nrecording = "out.wav"\nkind = "queued"\n' >"$seeds/link.toml"

export LSAN_OPTIONS=suppressions=$root/tests/leak-suppressions.txt
# What a target writes for itself (the pack reader's folder) stays in the build.
export TMPDIR=$build/tmp
rm -rf "$TMPDIR" && mkdir -p "$TMPDIR"
for target in "${targets[@]}"; do
    corpus=$build/corpus/$target
    mkdir -p "$corpus"
    extra=()
    [ -d "$build/seeds/$target" ] && extra=("$build/seeds/$target")
    log=$build/$target.log
    if ! "$build/tests/fuzz/$target" -max_total_time="$seconds" -print_final_stats=1 \
        -timeout=25 -artifact_prefix="$build/findings/$target-" "$corpus" "${extra[@]}" >"$log" 2>&1; then
        tail -40 "$log"
        echo "$target: FINDING, see $build/findings/" >&2
        exit 1
    fi
    runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log")
    echo "$target: $runs executions in $seconds s, corpus of $(ls "$corpus" | wc -l) inputs, no findings"
done
