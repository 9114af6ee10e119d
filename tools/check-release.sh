#!/bin/bash
# A release zip as a Windows user unpacks it: exactly morvix.exe and
# README.txt; the exe byte-equal to EXE, the one the tests ran; README.txt
# plain ASCII with CR LF line ends, its key table as app/keys.txt has it.
#
#   check-release.sh ZIP EXE SOURCE_DIR WORKDIR
set -u
[ $# = 4 ] || { echo "usage: check-release.sh ZIP EXE SOURCE_DIR WORKDIR" >&2; exit 2; }
zip=$1 exe=$2 src=$3 work=$4
failed=0
fail() { echo "FAIL: $*"; failed=1; }
rm -rf "$work" && mkdir -p "$work" || exit 2

entries=$(unzip -Z1 "$zip" | LC_ALL=C sort | tr '\n' ' ')
[ "$entries" = "README.txt morvix.exe " ] || fail "the zip holds: $entries"
unzip -q "$zip" -d "$work" || fail "unzip cannot unpack $zip"
cmp -s "$work/morvix.exe" "$exe" || fail "morvix.exe in the zip is not $exe"
guide=$work/README.txt
# As many LFs as CRs as lines ending in CR: each CR is the end of a CR LF.
lines=$(tr -cd '\n' <"$guide" | wc -c)
[[ "$lines $(tr -cd '\r' <"$guide" | wc -c) $(grep -c $'\r$' "$guide")" == "$lines $lines $lines" && $lines -gt 0 ]] ||
    fail "README.txt: not every line ends in CR LF"
! LC_ALL=C grep -qn $'[^\t\r -~]' "$guide" || fail "README.txt: not plain ASCII: $(LC_ALL=C grep -n $'[^\t\r -~]' "$guide" | head -n 1)"
bash "$src/tools/check-keys.sh" "$src" "$guide" || failed=1
[ $failed = 0 ] && echo "${zip##*/}: morvix.exe as tested, README.txt in CR LF with every key"
exit $failed
