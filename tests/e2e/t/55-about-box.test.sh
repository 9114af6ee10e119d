#!/bin/bash
# The About box, opened twice with F1: its exact text, centred on the main
# window, nothing selected and no caret (also after the focus comes back
# with Tab), read-only to typing; its own two-item menu from a right click,
# the menu key and Shift+F10; Select All then Copy puts the whole text with
# its CR LF on the clipboard.
set -u
. "$(dirname "$0")/../lib.sh"
. "$(dirname "$0")/../gui.sh"

# Written out with byte escapes (en dash, copyright sign) so that the shell's
# locale does not matter. The version is the project's, as the build wrote it.
version=$(sed -n 's/^#define MORVIX_VERSION_TEXT "\(.*\)"$/\1/p' "$WIN_BUILD/generated/morvix_version.h")
[ -n "$version" ] || fail "no version in $WIN_BUILD/generated/morvix_version.h"
text=$' Morvix \xe2\x80\x93 Player for GIF Animations\r\n\r\n Version '"$version"$'\r\n\r\n'
text+=$' \xc2\xa9 Morvix Project, 2024-2026\r\n\r\n'
text+=$' E-mail:\tplayer@morvix.invalid\r\n Web:\thttps://morvix.example.org/\r\n\r\n'
text+=$' Free to use and to pass on unchanged,\r\n with no warranty of any kind.\r\n\r\n'
text+=$' Right-click the picture or press the\r\n menu key for every command.'
printf '%s' "$text" >"$GIFS/about.txt"
units=$(($(printf '%s' "$text" | iconv -f UTF-8 -t UTF-16LE | wc -c) / 2))

focus_on() { [ "$(probe about-focus | tr -d '\r')" = "$1" ]; }
wait_focus() { poll_until 5 focus_on "$1" || fail "focus not on control $1"; }  # CONTROL-ID
selection_is() { [ "$(probe about-selection | tr -d '\r')" = "$1" ] || fail "selection: want $1"; }
within() { [ $(($1 - $2)) -ge -2 ] && [ $(($1 - $2)) -le 2 ]; }

# The caret blinks every 500 ms; watching its column for 1.5 s would catch
# it drawn at least once. The first character is a space, so the column is
# white when no caret is there.
no_caret_drawn() {
    local left top bottom end darkest
    read -r left top _ bottom <<<"$(probe about-caret)" || fail "no caret position"
    end=$(( $(now_ms) + 1500 ))
    while [ "$(now_ms)" -lt $end ]; do
        darkest=$(timeout 5 import -window root -crop "1x$((bottom - top))+$left+$top" -colorspace gray \
            -format '%[fx:int(255*minima)]' info:)
        [ "$darkest" -gt 200 ] || fail "caret drawn at $left,$top (grey $darkest)"
    done
}

open_about() {
    xdotool key F1
    about=$(wait_win '^About$') || fail "no About box"
    wait_focus 40001
    probe about-text >"$GIFS/shown.txt" || fail "probe about-text"
    cmp "$GIFS/shown.txt" "$GIFS/about.txt" || fail "About text differs"
    selection_is "0 0"
    local bl bt br bb ol ot or ob
    read -r bl bt br bb ol ot or ob _ <<<"$(probe about-rects | tr '\n' ' ')"
    # shellcheck disable=SC2015 # fail when either is off centre, as meant
    within $((bl + br)) $((ol + or)) && within $((bt + bb)) $((ot + ob)) ||
        fail "box $bl $bt $br $bb not centred on $ol $ot $or $ob"
    no_caret_drawn
}

close_about() {  # KEYS that close the box
    xdotool key "$@"
    poll_until 5 window_gone '^About$' || fail "About box still open after $*"
}

# The edit menu opened by the menu key or Shift+F10 is centred on the text.
menu_centred_on_text() {  # KEYS
    xdotool key "$@"
    wait_menu >/dev/null || fail "no menu from $*"
    local ml mt mr mb el et er eb
    read -r ml mt mr mb _ <<<"$(probe menu | tr '\n' ' ')"
    read -r _ _ _ _ _ _ _ _ el et er eb <<<"$(probe about-rects | tr '\n' ' ')"
    xdotool key Escape
    wait_menu_closed
    # shellcheck disable=SC2015 # fail when either is off centre, as meant
    within $((ml + mr)) $((el + er)) && within $((mt + mb)) $((et + eb)) ||
        fail "$*: menu $ml $mt $mr $mb not centred on the text $el $et $er $eb"
}

start_player
player_window '^Morvix$' >/dev/null
sync_player

open_about
# The focus leaves for OK and comes back: still nothing selected, no caret.
xdotool key Tab
wait_focus 1
xdotool key Tab
wait_focus 40001
selection_is "0 0"
no_caret_drawn

# Typing, deleting and pasting change nothing.
probe set-clipboard "pasted"
xdotool type 'typed'
xdotool key BackSpace Delete space ctrl+v ctrl+x
probe about-text >"$GIFS/shown.txt"
cmp "$GIFS/shown.txt" "$GIFS/about.txt" || fail "the text changed under typing"

menu_centred_on_text Menu
menu_centred_on_text shift+F10

# Right click: Copy greyed while nothing is selected; Select All; Copy.
xdotool mousemove --window "$about" 60 60 click 3
[ "$(menu_rows_seen "Copy~ All")" = "Copy~ All" ] || fail "edit menu with nothing selected"
click_menu_item "Copy~ All" All
wait_menu_closed
selection_is "0 $units"
xdotool mousemove --window "$about" 60 60 click 3
[ "$(menu_rows_seen "Copy All")" = "Copy All" ] || fail "edit menu with all selected"
click_menu_item "Copy All" Copy
wait_menu_closed
clipboard_is_text() { probe clipboard >"$GIFS/clip.txt" && cmp -s "$GIFS/clip.txt" "$GIFS/about.txt"; }
poll_until 5 clipboard_is_text || fail "clipboard: $(head -c 80 "$GIFS/clip.txt")"
# X applications get the same text through the X clipboard, where Wine
# turns each CR LF into LF.
timeout 5 xclip -o -selection clipboard >"$GIFS/xclip.txt" || fail "xclip"
tr -d '\r' <"$GIFS/about.txt" | cmp - "$GIFS/xclip.txt" || fail "X clipboard: $(head -c 80 "$GIFS/xclip.txt")"
close_about Escape

# The second opening behaves like the first; OK closes it.
open_about
xdotool key Tab
wait_focus 1
close_about space

xdotool key x
expect_exit_zero
echo PASS
