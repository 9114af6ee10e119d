#!/bin/bash
# The key list app/keys.txt against the code that handles the keys and the
# texts that show them: every key the window procedure switches on or the
# context menu offers has a line; every line names a key the window
# procedure handles, with that key's code (letters by their character,
# VK_ names by mingw-w64's winuser.h where it is installed); the first
# table of the README's "Using Morvix" and the key table of each GUIDE
# given (a user's guide as released, README.txt) list the same keys in the
# same order, saying the same.
#
#   check-keys.sh SOURCE_DIR [GUIDE...]
set -u
src=${1:?usage: check-keys.sh SOURCE_DIR [GUIDE...]}
shift
failed=0
fail() { echo "FAIL: $*"; failed=1; }
winuser=${MORVIX_WINUSER_H:-/usr/share/mingw-w64/include/winuser.h}

# NAME|CODE|KEY|WHAT, a line a key.
list=$(sed -e '/^[[:space:]]*#/d; /^[[:space:]]*$/d' -e 's/[[:space:]]*|[[:space:]]*/|/g; s/[[:space:]]*$//' \
    "$src/app/keys.txt")
window=$(grep -oE "case (VK_[A-Z0-9_]+|'[A-Z0-9]'):" "$src/app/window_win.cpp" | sed 's/^case //; s/:$//')
# The menu's rows: the identifier of every add(ROWS, KEY, ...) call, however
# the row list is passed (list, &list, ...) and wherever the call breaks
# lines; KEY is a named code of the file or a number.
menu=$(tr '\n' ' ' <"$src/app/context_menu.cpp" |
    grep -oE '(^|[^A-Za-z0-9_])add[[:space:]]*\([^,()]*,[[:space:]]*[A-Za-z0-9_]+[[:space:]]*,' | sed -E 's/[[:space:]]*,$//; s/.*[[:space:],]//' | sort -u)
[ -n "$menu" ] || fail "app/context_menu.cpp: no add(ROWS, KEY, ...) call found: has the row table changed shape?"

for name in $window; do
    cut -d'|' -f1 <<<"$list" | grep -qxF "$name" || fail "the window procedure handles $name: no line in app/keys.txt"
done
for name in $menu; do
    code=$name
    [[ $name =~ ^[0-9]+$ ]] || code=$(sed -n "s/^ *$name = \([0-9]*\),.*/\1/p" "$src/app/context_menu.cpp")
    cut -d'|' -f2 <<<"$list" | grep -qx "${code:-?}" || fail "the context menu offers $name ($code): no line in app/keys.txt"
done
while IFS='|' read -r name code key _; do
    grep -qxF "$name" <<<"$window" || fail "app/keys.txt: the window procedure does not handle $name ($key)"
    want=
    case $name in
        \'?\') want=$(printf '%d' "'${name:1:1}") ;;
        VK_*) [ ! -f "$winuser" ] || want=$(($(sed -n "s/^#define $name \(0x[0-9A-Fa-f]*\)$/\1/p" "$winuser"))) ;;
    esac
    [ -z "$want" ] || [ "$want" = "$code" ] || fail "app/keys.txt: $name is $want, not $code"
done <<<"$list"

# The tables: KEY|WHAT a row.
rows=$(cut -d'|' -f3,4 <<<"$list")
same_rows() {  # WHERE ROWS
    [ "$2" = "$rows" ] && return 0
    fail "$1: the key table differs from app/keys.txt (< the list, > the table)"
    diff <(echo "$rows") <(echo "$2") | sed 's/^/    /'
}
same_rows README.md "$(awk '/^## / { on = $0 == "## Using Morvix" } on && /^\|/ { table = 1; print; next }
        table { exit }' "$src/README.md" |
    sed -n 's/^| *\([^|]*[^ |]\) *| *\([^|]*[^ |]\) *|$/\1|\2/p' | sed '1,2d')"
for guide in "$@"; do
    same_rows "$guide" "$(tr -d '\r' <"$guide" | awk '/^ *Key  +What it does *$/ { on = 1; getline; next }
        on && /^ *$/ { exit } on' | sed -E 's/^ +//; s/ {2,}/|/')"
done
[ $failed = 0 ] && echo "keys: $(wc -l <<<"$list") in app/keys.txt, as handled and as the tables show them"
exit $failed
