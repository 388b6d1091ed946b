#!/usr/bin/env bash
# The bash completion of vantrel, sourced as bash-completion does, against a fake vantrel on
# PATH that prints a canned --list: options, window titles and display numbers complete.
#   completion_test.sh <completion file> <bash_completion script>
set -euo pipefail

completion="$1"
framework="$2"
if [ ! -r "$framework" ]; then
    echo "FAIL: bash-completion's script \"$framework\" cannot be read (package bash-completion)" >&2
    exit 1
fi
fake="$(mktemp -d "${TMPDIR:-/tmp}/vantrel-completion.XXXXXX")"
trap 'rm -rf "$fake"' EXIT

cat >"$fake/vantrel" <<'LIST'
#!/bin/sh
printf 'window\t0x1a00003\t-\tTerminal (2)\n'
printf 'window\t0x2c00007\t2\tNotes\n'
printf 'display\t1\tDP-1\t1920x1080+0+0\n'
printf 'display\t2\tHDMI-1\t1280x1024+1920+0\n'
LIST
chmod +x "$fake/vantrel"
PATH="$fake:$PATH"

# bash-completion's functions are not written for set -u.
set +u
# shellcheck source=/dev/null
source "$framework"
# shellcheck source=packaging/completion/vantrel
source "$completion"

# The completions of the last word of a command line, one a line.
complete_line() {
    COMP_WORDS=("$@")
    COMP_CWORD=$((${#COMP_WORDS[@]} - 1))
    COMP_LINE="${COMP_WORDS[*]}"
    COMP_POINT=${#COMP_LINE}
    COMPREPLY=()
    _vantrel vantrel "${COMP_WORDS[COMP_CWORD]}" "${COMP_WORDS[COMP_CWORD - 1]}"
    printf '%s\n' "${COMPREPLY[@]}" | sort
}

failed=0
expect() {
    local want="$1" got
    shift
    got="$(complete_line "$@")"
    if [ "$got" != "$want" ]; then
        printf 'FAIL: completing "%s": got [%s], want [%s]\n' "$*" "$got" "$want" >&2
        failed=1
    fi
}

expect '--clone' vantrel --cl
expect $'1\n2' vantrel --display ''
expect $'1\n2' vantrel --clone Notes --display ''
expect 'Notes' vantrel --release No
# A title is completed as a regular expression matching itself, quoted for the shell.
expect 'Terminal\ \\\(2\\\)' vantrel --clone Ter
expect $'off\non' vantrel --pointer ''
exit "$failed"
