# shellcheck shell=bash
# Scripting the running copy under Wine: the command line against a copy of the installed
# program, through the user's named pipe, and the pointer drawn over a clone. Sourced by wine_e2e.sh once the stand-in dwmapi is
# in place and no copy runs; uses its helpers (step, fail, driver, poll, wait_exit,
# start_program, screen_shows) and its settings ($TARGET, $WORK, $MAIN_DE, $SOURCE_*).

# Runs the installed program with arguments; its output and errors go to $CLI_OUT and
# $CLI_ERR (without Wine's carriage returns), its exit code is the function's.
CLI_OUT="$WORK/cli.out"
CLI_ERR="$WORK/cli.err"
cli() {
    local code=0
    # A copy the command starts inherits the German locale and the stand-in.
    LC_ALL=de_DE.UTF-8 LANG=de_DE.UTF-8 WINEDLLOVERRIDES="mscoree,mshtml=;dwmapi=n" \
        wine "$TARGET" "$@" >"$CLI_OUT.raw" 2>"$CLI_ERR.raw" </dev/null || code=$?
    tr -d '\r' <"$CLI_OUT.raw" >"$CLI_OUT"
    tr -d '\r' <"$CLI_ERR.raw" >"$CLI_ERR"
    return "$code"
}
# Expects the exit code $1 of the command line that follows.
cli_ends() {
    local expected="$1" code=0
    shift
    cli "$@" || code=$?
    [ "$code" -eq "$expected" ] ||
        fail "vantrel.exe $* ended with $code, not $expected: $(cat "$CLI_ERR")"
}
listed() { cli --list && grep -qP "$1" "$CLI_OUT"; }

step "scripting with no copy running: --list and --quit say so, --help, --version, bad usage"
for command in --list --quit; do
    cli_ends 1 "$command"
    grep -q "no copy of Vantrel is running" "$CLI_ERR" || fail "$command said: $(cat "$CLI_ERR")"
done
cli_ends 0 --help
grep -q -- "--clone" "$CLI_OUT" || fail "--help does not show --clone"
cli_ends 0 --version
grep -qx "vantrel [0-9.]*" "$CLI_OUT" || fail "--version printed: $(cat "$CLI_OUT")"
for usage in "--no-such-option" "--clone Quadrants" "--display 1" "--list --quit"; do
    # shellcheck disable=SC2086 # each case is several words
    cli_ends 2 $usage
done

step "a command with no copy running starts one; --quit ends it"
cli_ends 0 --show
driver wait-window "$MAIN_DE" 30000 >/dev/null || fail "--show started no main window"
cli_ends 0 --list
cli_ends 0 --quit
driver wait-gone "$MAIN_DE" 20000 || fail "--quit left the started copy's window"
poll 20 bash -c "! wine '$TARGET' --list >/dev/null 2>&1" || fail "the copy answers after --quit"

step "--list prints the windows and the display"
start_program de_DE.UTF-8 standin
COPY_PID=$PROGRAM_PID
driver wait-window "$MAIN_DE" 60000 >/dev/null || fail "no main window"
wine "$DRIVER" quadrants "$SOURCE_TITLE" "$SOURCE_W" "$SOURCE_H" >/dev/null 2>&1 &
SOURCE_PID=$!
driver wait-window "$SOURCE_TITLE" 30000 >/dev/null || fail "the quadrant window did not show"
poll 20 listed "^window\t0x[0-9a-f]+\t-\t$SOURCE_TITLE\$" ||
    fail "--list does not show the quadrant window: $(cat "$CLI_OUT" "$CLI_ERR")"
cat "$CLI_OUT"
[ "$(grep -c '^window' "$CLI_OUT")" -eq 1 ] || fail "--list shows other windows too"
read -r DX DY DW DH _ <<<"$(driver monitors | head -n1)"
display="$(printf 'display\t1\t%s\t%sx%s+%s+%s' '\\.\DISPLAY1' "$DW" "$DH" "$DX" "$DY")"
grep -qxF "$display" "$CLI_OUT" || fail "--list does not show \"$display\""

step "--clone by title pattern opens the clone on display 1, its button down"
cli_ends 0 --clone "Quadr.nts$" --display 1
clone="$(driver wait-window "Window Clone" 20000)" || fail "--clone opened no clone"
read -r _ CX CY CW CH <<<"$clone"
[ "$CX $CY $CW $CH" = "$DX $DY $DW $DH" ] || fail "the clone covers $CX,$CY ${CW}x$CH"
read -r FW FH <<<"$(python3 -c "
s = min($CW / $SOURCE_W, $CH / $SOURCE_H)
print(round($SOURCE_W * s), round($SOURCE_H * s))")"
poll 20 screen_shows quadrants $((CX + (CW - FW) / 2)) $((CY + (CH - FH) / 2)) "$FW" "$FH" ||
    fail "the clone opened by --clone shows no fitted quadrants"
cp "$SHOT" "$WORK/remote-clone.xwd"
listed "^window\t0x[0-9a-f]+\t1\t$SOURCE_TITLE\$" ||
    fail "the row's button 1 is not down after --clone: $(cat "$CLI_OUT")"

step "the pointer over the source shows on the clone, scaled; --pointer off and leaving hide it"
driver raise "$SOURCE_TITLE" || fail "could not raise the source"
read -r _ SX SY SW SH <<<"$(driver wait-window "$SOURCE_TITLE" 1000)"
# A point in the source's red quadrant, and where it lands on the fitted image.
PX=$((SW / 4))
PY=$((SH / 4))
TX=$((CX + (CW - FW) / 2 + PX * FW / SW))
TY=$((CY + (CH - FH) / 2 + PY * FH / SH))
pointer_shown() { screen_shows marks "$TX" "$TY" 24 24; }
pointer_gone() { ! pointer_shown; }
pointer_gone || fail "something is drawn at $TX,$TY before the pointer is there"
# Wine sends window-event hooks nothing when the cursor moves, so after each move
# "--pointer on" makes the running copy look at the cursor again (README.md).
driver cursor $((SX + PX)) $((SY + PY)) || fail "could not move the cursor"
cli_ends 0 --pointer on
poll 10 pointer_shown || fail "no pointer on the clone at $TX,$TY"
cp "$SHOT" "$WORK/remote-pointer.xwd"
cli_ends 0 --pointer off
poll 10 pointer_gone || fail "--pointer off left the pointer on the clone"
cli_ends 0 --pointer on
poll 10 pointer_shown || fail "--pointer on did not bring the pointer back"
driver cursor $((SX - 40)) $((SY + PY)) || fail "could not move the cursor"
cli_ends 0 --pointer on
poll 10 pointer_gone || fail "the pointer stayed on the clone after leaving the source"

step "--clone of no window, and of a display that is not there, fail"
cli_ends 1 --clone "no such window" --display 1
cli_ends 1 --clone "Quadr.nts" --display 9

step "--release closes the clone and lets the button up"
cli_ends 0 --release "Quadr.nts$" --display 1
driver wait-gone "Window Clone" 20000 || fail "--release left the clone"
listed "^window\t0x[0-9a-f]+\t-\t$SOURCE_TITLE\$" ||
    fail "the row's button is still down after --release: $(cat "$CLI_OUT")"

step "--crop shows only the green top-right quadrant, fitted; --transform is refused"
cli_ends 0 --clone "Quadr.nts$" --display 1 --crop $((SOURCE_W / 2))x$((SOURCE_H / 2))+$((SOURCE_W / 2))+0
driver wait-window "Window Clone" 20000 >/dev/null || fail "--clone --crop opened no clone"
poll 20 screen_shows green $((CX + (CW - FW) / 2)) $((CY + (CH - FH) / 2)) "$FW" "$FH" ||
    fail "the cropped clone is not all green: $("${CHECK[@]}" "$SHOT" green $((CX + (CW - FW) / 2)) $((CY + (CH - FH) / 2)) "$FW" "$FH")"
cp "$SHOT" "$WORK/remote-crop.xwd"
cli_ends 1 --clone "Quadr.nts$" --display 1 --transform flip-x
grep -q "mirror or rotate" "$CLI_ERR" || fail "--transform gave no reason: $(cat "$CLI_ERR")"
cli_ends 0 --release "Quadr.nts$" --display 1
driver wait-gone "Window Clone" 20000 || fail "--release left the cropped clone"

step "a kept clone comes back on its display when the program starts again"
cli_ends 0 --clone "Quadr.nts$" --display 1 --keep
driver wait-window "Window Clone" 20000 >/dev/null || fail "--clone --keep opened no clone"
listed "^window\t0x[0-9a-f]+\t1k\t$SOURCE_TITLE\$" ||
    fail "the clone is not marked kept: $(cat "$CLI_OUT")"
kept_file="$(find "$WINEPREFIX/drive_c/users" -name kept-clones.json | head -n1)"
[ -n "$kept_file" ] || fail "no kept-clones.json in the user's folders"
# The window as Windows describes it: the program's path, its class, and the device name.
for field in '"executable": "[A-Z]:\\\\.*wine_driver.exe"' '"class": ".' '"display": "\\\\\\\\.\\\\DISPLAY1"'; do
    grep -q "$field" "$kept_file" || fail "kept-clones.json lacks $field: $(cat "$kept_file")"
done
cli_ends 0 --quit
wait_exit "$COPY_PID" 30 || fail "the copy did not end after --quit"
driver wait-gone "Window Clone" 20000 || fail "the clone outlived its copy"
start_program de_DE.UTF-8 standin
COPY_PID=$PROGRAM_PID
clone="$(driver wait-window "Window Clone" 60000)" || fail "the kept clone did not come back"
read -r _ CX CY CW CH <<<"$clone"
[ "$CX $CY $CW $CH" = "$DX $DY $DW $DH" ] || fail "the kept clone came back at $CX,$CY ${CW}x$CH"
poll 20 listed "^window\t0x[0-9a-f]+\t1k\t$SOURCE_TITLE\$" ||
    fail "the clone that came back is not kept: $(cat "$CLI_OUT")"
cli_ends 0 --forget "Quadr.nts$" --display 1
driver wait-gone "Window Clone" 20000 || fail "--forget left the clone"

step "--quit ends the copy with 0"
cli_ends 0 --quit
code=0
wait_exit "$COPY_PID" 30 || code=$?
[ "$code" -eq 0 ] || fail "the copy ended with $code after --quit"
cli_ends 1 --list
driver close "$SOURCE_TITLE" || fail "could not close the source"
wait_exit "$SOURCE_PID" 20 || fail "the quadrant window did not end"
