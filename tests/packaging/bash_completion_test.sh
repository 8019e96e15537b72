#!/usr/bin/env bash
# Completes galvane-publish command lines through bash-completion, as an interactive bash would:
#   bash_completion_test.sh GALVANE_PUBLISH COMPLETION_FILE
# The program is copied into a folder of its own beside a style whose name holds a space, so that
# the style names come from --list-styles and one of them needs quoting.
set -uo pipefail
program=$(realpath "$1")
completion=$(realpath "$2")

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir "$work/bin" "$work/bin/###Two Words" "$work/pictures" "$work/pictures/trip"
touch "$work/pictures/notes.txt"
cp "$program" "$work/bin/"
# The built program finds libvimbral through its RUNPATH, under $ORIGIN/../lib.
ln -s "$(dirname "$program")/../lib" "$work/lib"
for style in "$(dirname "$program")"/*###*; do ln -s "$style" "$work/bin/"; done

source /usr/share/bash-completion/bash_completion
source "$completion"
PATH="$work/bin:$PATH"
cd "$work/pictures"

failures=0
# complete "WORDS..." EXPECTED: the completions of the last word, sorted and joined by spaces.
complete_line() {
    local expected=$1; shift
    COMP_WORDS=(galvane-publish "$@")
    COMP_CWORD=$((${#COMP_WORDS[@]} - 1))
    COMP_LINE="${COMP_WORDS[*]}"
    COMP_POINT=${#COMP_LINE}
    COMPREPLY=()
    _galvane_publish galvane-publish "${COMP_WORDS[COMP_CWORD]}" "${COMP_WORDS[COMP_CWORD - 1]}"
    local got
    got=$(printf '%s\n' "${COMPREPLY[@]}" | sort | paste -sd' ')
    if [ "$got" != "$expected" ]; then
        echo "completing '${COMP_LINE}': got '$got', expected '$expected'"
        failures=$((failures + 1))
    fi
}

styles=$(galvane-publish --list-styles | cut -f1 | sed 's/ /\\ /g' | sort | paste -sd' ')
[ -n "$styles" ] || { echo "galvane-publish --list-styles printed nothing"; exit 1; }
case " $styles " in *" Two\\ Words "*) ;; *) echo "the test style was not found: $styles"; exit 1 ;; esac

complete_line "--style" --sty
complete_line "--version" --vers
complete_line "--upload-only --use-original" --u
complete_line "--ftp-ca-file --ftp-login --ftp-server --ftp-subfolder" --source trip --ftp
complete_line "$(galvane-publish --help | grep -o -- '--[a-z][a-z-]*' | sort -u | paste -sd' ')" -
complete_line "$styles" --style ""
complete_line "Two\\ Words" --style T
complete_line "" --style Nothing
complete_line "trip" --source ""
complete_line "notes.txt trip" --bg-image ""
complete_line "" --title ""

echo "bash completion: $failures failures"
((failures == 0))
