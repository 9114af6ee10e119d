#!/bin/bash
# tools/check-checks.sh WORKDIR - the tree's own checks, checked: each runs
# once on the tree, where it must pass, and once on a scratch copy or input
# with a fault planted in it, where it must fail and name the fault. A check
# that passes on its fault would pass on the real one too.
#
# Every tools/check-*.sh needs a row here; a new check comes with its
# planted fault. WORKDIR keeps the small native build of the demo GIF's
# tools between runs. Prints ok/FAIL a line and "N passed, N failed"; exit
# status 0 when all passed.
set -u
SRC=$(cd "$(dirname "$0")/.." && pwd)
# shellcheck source=tools/harness.sh
. "$SRC/tools/harness.sh"
WORK=$(absolute_path "${1:?usage: check-checks.sh WORKDIR}")
scratch=$WORK/scratch
rm -rf "$scratch" && mkdir -p "$scratch" || exit 2
passed=0 failed=0 covered=()

# passes CHECK WHAT COMMAND...: the command must succeed.
passes() {
    covered+=("$1")
    if "${@:3}" >"$scratch/out" 2>&1; then
        passed=$((passed + 1)) && echo "ok   $1: passes on $2"
    else
        failed=$((failed + 1)) && echo "FAIL $1: fails on $2:" && tail -n 5 "$scratch/out" | sed 's/^/    | /'
    fi
}
# fails CHECK FAULT TEXT COMMAND...: the command must fail and say TEXT.
fails() {
    covered+=("$1")
    if "${@:4}" >"$scratch/out" 2>&1; then
        failed=$((failed + 1)) && echo "FAIL $1: passes with $2 planted"
    elif ! grep -qF -- "$3" "$scratch/out"; then
        failed=$((failed + 1)) && echo "FAIL $1: fails with $2 planted, but does not say \"$3\":" &&
            tail -n 5 "$scratch/out" | sed 's/^/    | /'
    else
        passed=$((passed + 1)) && echo "ok   $1: fails on $2, naming it"
    fi
}

# A copy of the tree's folders given, to plant a fault in.
copy_tree() {  # NAME FOLDER-OR-FILE...
    local copy=$scratch/$1 item
    shift
    mkdir -p "$copy" || return 1
    for item in "$@"; do cp -r "$SRC/$item" "$copy/$item" || return 1; done
    echo "$copy"
}

# ---- harness: the slowest (stub Wine sessions), so both runs go first, in the background ----

harness=$(copy_tree harness tools tests cmake)
# The 32-bit loader by name, not by absolute path.
# shellcheck disable=SC2016 # the text replaced holds a $ of the script
sed -i 's|export WINE=$dir/wine MORVIX_WIN_TOOLCHAIN|export WINE=wine MORVIX_WIN_TOOLCHAIN|' "$harness/tools/wine-env.sh"
bash "$SRC/tools/check-harness.sh" >"$scratch/harness-tree.out" 2>&1 &
harness_tree=$!
bash "$harness/tools/check-harness.sh" >"$scratch/harness-fault.out" 2>&1 &
harness_fault=$!
# The status and output of a run started above.
finished() {  # PID OUTPUT
    local status=0
    wait "$1" || status=$?
    cat "$2"
    return $status
}

# ---- keys ----

keys=$(copy_tree keys app README.md)
# A menu row for a new key, written like the Exit row, with no line in the key list.
sed -i -e 's/^    keyX = 88,$/&\n    keyA = 65,/' \
    -e 's/^    add(&list, keyX, u"E&xit\\tX", false);$/    add(\&list, keyA, u"Select \&All\\tA", false);\n&/' \
    "$keys/app/context_menu.cpp"
passes keys "the tree" bash "$SRC/tools/check-keys.sh" "$SRC"
fails keys "a menu row for a key with no line" "the context menu offers keyA (65): no line in app/keys.txt" \
    bash "$SRC/tools/check-keys.sh" "$keys"

# ---- portable core ----

core=$(copy_tree core gif render playback)
sed -i '1i #include <windows.h>' "$core/gif/lzw.cpp"
passes portable "the tree" bash "$SRC/tools/check-portable.sh" "$SRC"
fails portable "a Windows header in gif/lzw.cpp" "gif/lzw.cpp:1:" bash "$SRC/tools/check-portable.sh" "$core"

# ---- imports and the release zip: small exes made for the purpose ----

mingw=i686-w64-mingw32 exes=$scratch/exes
mkdir -p "$exes"/{good,random,bare,runtime,none}
program='int main(int argc, char **argv) { return argc + (argv[0] != 0); }'
if ! { "$mingw-gcc" -x c -static -s -o "$exes/good/morvix.exe" - <<<"$program" &&
    "$mingw-gcc" -x c -static -g -o "$exes/debug.exe" - <<<"$program" &&
    "$mingw-gcc" -x c -nostdlib -nostartfiles -s -Wl,-e,_start -o "$exes/bare/morvix.exe" - \
        <<<'void start(void) { for (;;) {} }' &&
    "$mingw-g++" -x c++ -o "$exes/runtime/morvix.exe" - <<<'#include <string>
int main(int argc, char **argv) { return (int)std::string(argv[argc - 1]).size(); }'; }; then
    echo "FAIL cannot build the small exes with $mingw-gcc and -g++ (install g++-mingw-w64-i686)"
    exit 1
fi
head -c 1000 /dev/urandom >"$exes/random/morvix.exe"
imports() { check_imports "$1" "${2:-$mingw-objdump}"; }
passes imports "a static exe" imports "$exes/good"
fails imports "1000 random bytes named morvix.exe" "objdump cannot read it" imports "$exes/random"
fails imports "no objdump" "no no-such-objdump here" imports "$exes/good" no-such-objdump
fails imports "an exe with no import" "no import at all" imports "$exes/bare"
fails imports "an exe that needs the compiler's runtime" "imports libstdc++-6.dll" imports "$exes/runtime"
fails imports "a folder with no exe" "no exe in" imports "$exes/none"

# The zip as tools/release.sh makes it, from the guide the build writes.
release_zip() {  # NAME EXE GUIDE
    local stage=$scratch/zip-$1
    mkdir -p "$stage" && cp "$2" "$stage/morvix.exe" && cp "$3" "$stage/README.txt" &&
        (cd "$stage" && zip -X -D -q "../$1.zip" README.txt morvix.exe) && echo "$scratch/$1.zip"
}
guide=$scratch/README.txt
cmake -DTEMPLATE="$SRC/docs/users-guide.txt.in" -DKEYS="$SRC/app/keys.txt" -DVERSION=0.0 -DOUTPUT="$guide" \
    -P "$SRC/cmake/users-guide.cmake" >/dev/null || { echo "FAIL cannot write the user's guide"; exit 1; }
head -c -2 "$guide" >"$scratch/unended.txt"
release() { bash "$SRC/tools/check-release.sh" "$1" "$2" "$SRC" "$scratch/unzipped" "$mingw-objdump"; }
zip=$(release_zip good "$exes/good/morvix.exe" "$guide")
passes release "a zip of a stripped exe and the guide" release "$zip" "$exes/good/morvix.exe"
fails release "a guide whose last line has no line end" "not every line ends in CR LF" \
    release "$(release_zip unended "$exes/good/morvix.exe" "$scratch/unended.txt")" "$exes/good/morvix.exe"
fails release "an exe with debug sections" "morvix.exe has debug sections: .debug_" \
    release "$(release_zip debug "$exes/debug.exe" "$guide")" "$exes/debug.exe"
fails release "an exe that is not the one tested" "morvix.exe in the zip is not" release "$zip" "$exes/debug.exe"

# ---- resources ----

res=$(copy_tree res res)
sed -i 's/^CAPTION "About"$/CAPTION "About Morvix"/' "$res/res/morvix.rc"
sed -e 's/@PROJECT_VERSION@/1.05/; s/@PROJECT_VERSION_MAJOR@/1/; s/@MORVIX_VERSION_MINOR_NUMBER@/5/' \
    "$SRC/res/version.h.in" >"$scratch/morvix_version.h"
resources() { bash "$SRC/tools/check-resources.sh" "$mingw-windres" 1.05 "$scratch/res-$1" "$2" -I "$scratch"; }
passes resources "res/morvix.rc" resources tree "$SRC/res/morvix.rc"
fails resources "another About caption" "About box caption" resources fault "$res/res/morvix.rc"

# ---- demo GIF: the writer and morvix-frames, built small ----

tools=$WORK/tools
# A build folder made for another source tree cannot be configured again.
grep -qxF "CMAKE_HOME_DIRECTORY:INTERNAL=$SRC" "$tools/CMakeCache.txt" 2>/dev/null || rm -rf "$tools"
# Unoptimised and without debug information: built fastest, and fast enough.
if logged "$WORK/tools-build.log" cmake -S "$SRC" -B "$tools" -DCMAKE_BUILD_TYPE=Debug -DCMAKE_CXX_FLAGS_DEBUG=-O0 \
    -DMORVIX_TESTS=OFF -DMORVIX_BENCH=OFF && logged "$WORK/tools-build.log" cmake --build "$tools" -j 2 --target make-demo-gif morvix-frames; then
    # A decoder that gets the last pixel of the fourth frame wrong
    # (check-demo-gif.sh runs it as: --background RGB --out DIR GIF).
    cat >"$scratch/wrong-frames" <<EOF
#!/bin/bash
"$tools/morvix-frames" "\$@" || exit
picture=\$4/frame_0003.ppm
printf '\\001\\002\\003' | dd of="\$picture" bs=1 seek=\$((\$(stat -c %s "\$picture") - 3)) conv=notrunc 2>/dev/null
EOF
    chmod +x "$scratch/wrong-frames"
    passes demo-gif "the demo writer and morvix-frames" \
        bash "$SRC/tools/check-demo-gif.sh" "$tools/make-demo-gif" "$tools/morvix-frames" "$scratch/demo"
    fails demo-gif "a pixel decoded wrong" "frame_0003.ppm: 1 pixels differ from ImageMagick's" \
        bash "$SRC/tools/check-demo-gif.sh" "$tools/make-demo-gif" "$scratch/wrong-frames" "$scratch/demo"
else
    covered+=(demo-gif) failed=$((failed + 1)) && echo "FAIL demo-gif: cannot build make-demo-gif and morvix-frames (see $WORK/tools-build.log)"
fi

passes harness "the tree" finished $harness_tree "$scratch/harness-tree.out"
fails harness "the 32-bit loader by name" "FAIL win32: WINE is the absolute loader path" \
    finished $harness_fault "$scratch/harness-fault.out"

# ---- every check has its fault ----

for check in "$SRC"/tools/check-*.sh; do
    name=${check##*/check-}
    name=${name%.sh}
    case $name in checks) continue ;; esac
    [[ " ${covered[*]} " == *" $name "* ]] ||
        { failed=$((failed + 1)) && echo "FAIL tools/check-$name.sh has no planted fault here"; }
done

echo "$passed passed, $failed failed"
[ $failed = 0 ]
