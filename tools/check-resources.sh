#!/bin/bash
# res/morvix.rc must compile with windres and hold what the player and the
# shell read from the exe: both icon groups at 16 colours, the About box
# with its exact styles and controls, the asInvoker manifest and the US
# English version record. The compiled resources are read back as text.
#
#   check-resources.sh WINDRES SOURCE_DIR WORKDIR
set -u
[ $# -eq 3 ] || { echo "usage: check-resources.sh WINDRES SOURCE_DIR WORKDIR" >&2; exit 2; }
windres=$1 source=$2 work=$3
mkdir -p "$work" || exit 2
object=$work/morvix.res.o
"$windres" -O coff -i "$source/res/morvix.rc" -o "$object" || { echo "FAIL: windres cannot compile res/morvix.rc"; exit 1; }
"$windres" -J coff -O rc -i "$object" >"$work/morvix.res.txt" || { echo "FAIL: windres cannot read $object back"; exit 1; }

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
want '^      VALUE "FileVersion", "1.05"$' "FileVersion"
want '^      VALUE "ProductVersion", "1.05"$' "ProductVersion"
want '^      VALUE "InternalName", "Morvix"$' "InternalName"
want '^      VALUE "ProductName", "Morvix"$' "ProductName"
want '^      VALUE "CompanyName", ".+"$' "CompanyName"
want '^      VALUE "LegalCopyright", ".+"$' "LegalCopyright"
want '^    VALUE "Translation", 0x409, 1252$' "translation 0x0409 / 1252"
[ "$(grep -c '^ *CONTROL' "$work/morvix.res.txt")" = 2 ] || { echo "FAIL: the About box has exactly two controls"; failed=1; }
[ $failed = 0 ] && echo "res/morvix.rc: icons, About box, manifest and version record as required"
exit $failed
