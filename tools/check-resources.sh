#!/bin/bash
# The player's resources must hold what the player and the shell read from
# the exe: both icon groups at 16 colours, the About box with its exact
# styles and controls, the asInvoker manifest and the US English version
# record with the project's version. INPUT is res/morvix.rc, compiled here
# with windres and the options given (the folder of the generated version
# header), or a built exe, whose resources are read as they are. Either way
# they are read back as text.
#
#   check-resources.sh WINDRES VERSION WORKDIR INPUT [WINDRES-OPTION...]
set -u
[ $# -ge 4 ] || { echo "usage: check-resources.sh WINDRES VERSION WORKDIR INPUT [WINDRES-OPTION...]" >&2; exit 2; }
windres=$1 version=$2 work=$3 input=$4
shift 4
mkdir -p "$work" || exit 2
object=$input
if [[ $input == *.rc ]]; then
    object=$work/morvix.res.o
    "$windres" "$@" -O coff -i "$input" -o "$object" || { echo "FAIL: windres cannot compile $input"; exit 1; }
fi
"$windres" -J coff -O rc -i "$object" >"$work/morvix.res.txt" || { echo "FAIL: windres cannot read $object back"; exit 1; }
# "1.05" is 1, 5 in the numeric fields.
numbers="${version%%.*}, $((10#${version#*.})), 0, 0"
version=${version//./\\.}

failed=0
want() {  # want LINE-REGEX WHY
    grep -qE -- "$1" "$work/morvix.res.txt" || { echo "FAIL: $2 (no line matching: $1)"; failed=1; }
}
# Styles as numbers: WS_POPUP|WS_VISIBLE|WS_CAPTION|WS_SYSMENU|DS_MODALFRAME|DS_SETFONT|DS_3DLOOK;
# the edit adds WS_BORDER|ES_READONLY|ES_MULTILINE, the button BS_DEFPUSHBUTTON, both
# WS_CHILD|WS_VISIBLE|WS_GROUP|WS_TABSTOP.
want '^LANGUAGE 9, 1$' "resources in US English"
want '^ *"\\040\\040\\020\\000", 1, 4, .*, 1' "icon group 1: one 32x32 image, 16 colours"
want '^ *"\\020\\020\\020\\000", 1, 4, .*, 2' "icon group 2: one 16x16 image, 16 colours"
want '^1 DIALOG 32, 32, 160, 160$' "dialog 1 at (32, 32), 160 x 160"
want '^STYLE 0x90c800c4$' "About box style"
want '^CAPTION "About"$' "About box caption"
want '^FONT 8, "MS Shell Dlg"$' "About box font"
want '^ *CONTROL "", 40001, "EDIT", 0x50830804, 8, 8, 144, 122$' "read-only multi-line edit 40001"
want '^ *CONTROL "OK", 1, "BUTTON", 0x50030001, 56, 138, 48, 14$' "default OK button"
want '^1 24 /\* RT_MANIFEST \*/$' "manifest as resource 1"
want 'requestedExecutionLevel level=""asInvoker"" uiAccess=""false""' "manifest: asInvoker, no uiAccess"
want '^    BLOCK "040904E4"$' "version strings for 0x0409, code page 1252"
want '^      VALUE "FileDescription", "Player for GIF Animations"$' "FileDescription"
want "^ FILEVERSION $numbers\$" "FILEVERSION"
want "^ PRODUCTVERSION $numbers\$" "PRODUCTVERSION"
want "^      VALUE \"FileVersion\", \"$version\"\$" "FileVersion"
want "^      VALUE \"ProductVersion\", \"$version\"\$" "ProductVersion"
want '^      VALUE "InternalName", "Morvix"$' "InternalName"
want '^      VALUE "ProductName", "Morvix"$' "ProductName"
want '^      VALUE "CompanyName", ".+"$' "CompanyName"
want '^      VALUE "LegalCopyright", ".+"$' "LegalCopyright"
want '^    VALUE "Translation", 0x409, 1252$' "translation 0x0409 / 1252"
[ "$(grep -c '^ *CONTROL' "$work/morvix.res.txt")" = 2 ] || { echo "FAIL: the About box has exactly two controls"; failed=1; }
[ $failed = 0 ] && echo "${input##*/}: icons, About box, manifest and version record as required"
exit $failed
