# The common part of the scripts that run the README's recipes for stamping on many machines,
# sourced from the top of the clone with the build folder as its argument: a scratch folder
# standing for /shared, pictures whose names collide across folders, the recipes as the README
# gives them, and the check of what they stamped.

build=$(cd "${1:-build}" && pwd)
[ -x "$build/tessaro-stamp" ] || { echo "no tessaro-stamp in $build: build first" >&2; exit 1; }
export PATH="$build:$PATH"
# As under cron, ssh or a scheduler: no desktop session, and no saved setup of the user's.
unset XDG_RUNTIME_DIR DISPLAY WAYLAND_DISPLAY
work=$(mktemp -d)
shared="$work/shared"
export XDG_CONFIG_HOME="$work/config"
mkdir -p "$shared" "$XDG_CONFIG_HOME"

folders=(north south west)
names_per_folder=300
# A file already in the output folder under a name the pictures want.
decoy_name=p0001.jpg

fail() {
    echo "$(basename "$0"): $*" >&2
    exit 1
}

# The code block after the line "<!-- recipe: NAME -->" of the README, with /shared in the
# scratch folder.
recipe() {
    local text
    text=$(awk -v marker="<!-- recipe: $1 -->" '
        $0 == marker { found = 1; next }
        found && /^```/ { if (inside) exit; inside = 1; next }
        inside { print }' README.md)
    [ -n "$text" ] || fail "no recipe '$1' in README.md"
    printf '%s\n' "${text//\/shared\//$shared/}"
}

# Pictures of noise, each unlike any other, under the same names in every folder of
# $shared/photos, and the decoy in the output folder.
make_corpus() {
    local plain="$work/plain.conf" folder i
    tessaro-stamp --print-settings --text '' --band none --no-resize --format jpg >"$plain"
    for folder in "${folders[@]}"; do
        mkdir -p "$work/noise/$folder"
        for i in $(seq -f '%04g' "$names_per_folder"); do
            { printf 'P6\n160 120\n255\n' && head -c 57600 /dev/urandom; } \
                >"$work/noise/$folder/p$i.ppm"
        done
        tessaro-stamp --settings "$plain" --quiet --output "$shared/photos/$folder" \
            "$work/noise/$folder"
    done
    rm -rf "$work/noise"
    mkdir -p "$shared/stamped"
    echo "a file that was there first" >"$shared/stamped/$decoy_name"
    cp "$shared/stamped/$decoy_name" "$work/decoy"
}

# The list and the preset, as the README makes them, and what each picture must become: each
# folder stamped alone by one process, where no name collides.
make_list_and_reference() {
    bash -c "$(recipe list)"
    [ "$(wc -l <"$shared/files.txt")" -eq $((${#folders[@]} * names_per_folder)) ] \
        || fail "the list holds $(wc -l <"$shared/files.txt") files"
    local folder
    for folder in "${folders[@]}"; do
        tessaro-stamp --quiet --settings "$shared/preset.conf" --output "$work/reference/$folder" \
            "$shared/photos/$folder"
    done
}

# Fails unless every file named is empty.
check_logs_empty() {
    local log
    for log in "$@"; do
        [ ! -s "$log" ] || fail "$log is not empty:
$(head -n 20 "$log")"
    done
}

# Every picture arrived whole exactly once (its bytes those of its reference, each reference
# once), the decoy is untouched, and no other file is there: the pictures whose name was taken
# carry time stamps, and no temporary file stayed.
check_stamped() {
    local stamped="$shared/stamped" count=$((${#folders[@]} * names_per_folder))
    local stray
    stray=$(ls -A "$stamped" | grep -Ev '^p[0-9]{4}(_[0-9]{17})*\.jpg$' || true)
    [ -z "$stray" ] || fail "unexpected files in the output folder: $stray"
    [ -z "$(find "$work/reference" -type f -exec sha256sum {} + | cut -d' ' -f1 | sort | uniq -d)" ] \
        || fail "two reference pictures are alike: the check would not tell them apart"
    diff <({ find "$work/reference" -type f -exec sha256sum {} + && sha256sum "$work/decoy"; } \
               | cut -d' ' -f1 | sort) \
        <(find "$stamped" -type f -exec sha256sum {} + | cut -d' ' -f1 | sort) >/dev/null \
        || fail "the stamped pictures are not the reference ones, each exactly once"
    cmp -s "$stamped/$decoy_name" "$work/decoy" || fail "$decoy_name was overwritten"
    # Each name is wanted by one picture of every folder, and the decoy's by all of them.
    local renamed
    renamed=$(ls "$stamped" | grep -c '_' || true)
    [ "$renamed" -eq $((count - names_per_folder + 1)) ] \
        || fail "$renamed pictures took a time-stamped name"
    echo "$count pictures stamped, each whole and exactly once; $renamed took a new name"
}
