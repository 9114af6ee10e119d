#!/bin/bash
# Closing while the worker plays ends the process at once with code 0:
# by the X key, by the window manager's close, and in the middle of a
# 16x speed run that keeps the worker drawing.
set -u
. "$(dirname "$0")/../lib.sh"
. "$(dirname "$0")/../gui.sh"

start_player "$GIFS/a.gif"
id=$(player_window '^a\.gif') || exit 1
xdotool key x
expect_exit_zero 5

start_player "$GIFS/four.gif"
id=$(player_window '^four\.gif') || exit 1
xdotool key Up Up Up Up Up Up Up Up
title_is "$id" "four.gif (4 frames | >> | x${TS}16.00 | 100%)"
xdotool windowactivate --sync "$id" key alt+F4
expect_exit_zero 5
echo "close ok"
