#!/bin/bash
# A release zip as a Windows user unpacks it: exactly morvix.exe and
# README.txt; the exe byte-equal to EXE, the one the tests ran, and linked
# stripped (no debug sections: they only make the download bigger);
# README.txt plain ASCII with CR LF line ends, the last line's too, its key
# table as app/keys.txt has it.
#
#   check-release.sh ZIP EXE SOURCE_DIR WORKDIR [OBJDUMP]
set -u
[ $# = 4 ] || [ $# = 5 ] || { echo "usage: check-release.sh ZIP EXE SOURCE_DIR WORKDIR [OBJDUMP]" >&2; exit 2; }
zip=$1 exe=$2 src=$3 work=$4 objdump=${5:-i686-w64-mingw32-objdump}
failed=0
fail() { echo "FAIL: $*"; failed=1; }
rm -rf "$work" && mkdir -p "$work" || exit 2

entries=$(unzip -Z1 "$zip" | LC_ALL=C sort | tr '\n' ' ')
[ "$entries" = "README.txt morvix.exe " ] || fail "the zip holds: $entries"
unzip -q "$zip" -d "$work" || fail "unzip cannot unpack $zip"
cmp -s "$work/morvix.exe" "$exe" || fail "morvix.exe in the zip is not $exe"
if sections=$("$objdump" -h "$work/morvix.exe" 2>&1); then
    debug=$(awk '$2 ~ /^\.(debug|zdebug)/ { print $2 }' <<<"$sections" | tr '\n' ' ')
    [ -z "$debug" ] || fail "morvix.exe has debug sections: ${debug% }"
else
    fail "$objdump cannot read morvix.exe: $(head -n 1 <<<"$sections")"
fi
guide=$work/README.txt
# As many LFs as CRs as lines ending in CR: each CR is the end of a CR LF;
# and the file ends in LF, else its last line has no line end at all.
lines=$(tr -cd '\n' <"$guide" | wc -c)
[[ "$lines $(tr -cd '\r' <"$guide" | wc -c) $(grep -c $'\r$' "$guide")" == "$lines $lines $lines" && $lines -gt 0 &&
    $(tail -c 1 "$guide" | od -An -tx1 | tr -d ' ') == 0a ]] ||
    fail "README.txt: not every line ends in CR LF"
! LC_ALL=C grep -qn $'[^\t\r -~]' "$guide" || fail "README.txt: not plain ASCII: $(LC_ALL=C grep -n $'[^\t\r -~]' "$guide" | head -n 1)"
bash "$src/tools/check-keys.sh" "$src" "$guide" || failed=1
[ $failed = 0 ] && echo "${zip##*/}: morvix.exe as tested, README.txt in CR LF with every key"
exit $failed
