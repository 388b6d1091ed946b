#!/usr/bin/env bash
# Every option `vantrel --help` prints is described in the OPTIONS section of vantrel(1), and
# every option described there is one the program knows.
#   manpage_options_test.sh <vantrel> <vantrel.1.scd>
set -euo pipefail

program="$1"
page="$2"

# The help's option lines: "  -h, --help  Show this help." or "  --clone WINDOW  Clone ...".
help_options="$("$program" --help |
    sed -n 's/^  \(-[-a-z]*\(, -[-a-z]*\)*\).*/\1/p' | tr ',' '\n' | tr -d ' ' | sort -u)"
# The man page's option headings in OPTIONS: "*--clone* _WINDOW_" or "*-h*, *--help*".
page_options="$(sed -n '/^# OPTIONS/,/^# /p' "$page" | grep -E '^\*-' |
    grep -oE '\*-[-a-z]+\*' | tr -d '*' | sort -u)"

if [ -z "$help_options" ] || [ -z "$page_options" ]; then
    echo "FAIL: no options found (help: [$help_options], page: [$page_options])" >&2
    exit 1
fi
if [ "$help_options" != "$page_options" ]; then
    echo "FAIL: --help and the man page's OPTIONS differ (< help only, > page only):" >&2
    diff <(echo "$help_options") <(echo "$page_options") | grep '^[<>]' >&2
    exit 1
fi
echo "$(wc -l <<<"$help_options") options agree"
