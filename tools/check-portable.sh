#!/bin/bash
# The portable core (gif/, render/, playback/) must build without the Win32
# SDK: only the *_win.cpp / *_win.h halves of the platform seam may include
# a Windows header. A Windows include anywhere else would break the native
# build of the core or, worse, tie its logic to Win32 types.
#
#   check-portable.sh SOURCE_DIR
set -u
cd "${1:?usage: check-portable.sh SOURCE_DIR}" || exit 2
header='^[[:space:]]*#[[:space:]]*include[[:space:]]*[<"](windows|windef|winbase|winuser|wingdi|winnt|shellapi|shlobj|commdlg|objbase|process)\.h[>"]'
hits=$(grep -rniE "$header" gif render playback \
        --include='*.c' --include='*.cpp' --include='*.h' --include='*.hpp' --include='*.inc' |
    grep -vE '^[^:]*_win\.(cpp|h):')
if [ -n "$hits" ]; then
    echo "Windows headers outside the *_win files of the portable core:"
    echo "$hits"
    exit 1
fi
echo "portable core: no Windows header outside *_win.cpp / *_win.h"
