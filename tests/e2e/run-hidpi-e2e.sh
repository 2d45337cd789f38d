#!/usr/bin/env bash
# Drives the real program at twice its size (QT_SCALE_FACTOR=2, as on a high-density screen)
# on a virtual display: types an order line, opens the delivery-address dialog, and checks
# that the form and the dialog are whole: each window lies on the screen, and what it draws
# ends inside it with the free margin the layout leaves at the right and bottom edges, so
# nothing is cut off there. Leaves the screenshots in the work folder.
# Usage (under xvfb-run, on a screen that holds the doubled window):
#   run-hidpi-e2e.sh <earmark executable> <work folder>
set -euo pipefail

program=$1
work=$2
source "$(dirname "$0")/e2e-common.sh"
export QT_SCALE_FACTOR=2
scale=2

# The first and last row and column of a screenshot in which the layout draws anything, as
# "left top right bottom", and its size as "width height" before them. Background is the
# colour of the bottom-right corner, which the layout leaves free in every window. Rows drawn
# from the left edge on are the menu bar's, which spans the whole window whatever its size;
# the layout itself leaves a margin at the left edge too.
drawn_extent() {
  convert "$1" -colorspace Gray -depth 8 -compress none pgm:- | awk '
    { for (i = 1; i <= NF; ++i) token[n++] = $i }
    END {
      w = token[1]; h = token[2]; first = 4
      bg = token[first + w * h - 1]
      left = w; top = h; right = -1; bottom = -1
      for (p = 0; p < w * h; ++p) {
        if (token[first + p] == bg) continue
        x = p % w; y = int(p / w)
        if (token[first + y * w] != bg) continue
        if (x < left) left = x
        if (x > right) right = x
        if (y < top) top = y
        if (y > bottom) bottom = y
      }
      print w, h, left, top, right, bottom
    }'
}

# Checks that window is whole and leaves its screenshot as name.png.
#   whole WINDOW NAME LAYOUT_WIDTH
# LAYOUT_WIDTH is the window's width in the layout's pixels; the window must be exactly the
# scale times as wide. Every window of the program keeps 8 to 14 layout pixels free at its
# right and bottom edge, so what it draws must end 8 to 40 device pixels before them at scale 2:
# content up to an edge is cut off there, and no content at all near it means nothing was drawn.
whole() {
  local window=$1 name=$2 layoutWidth=$3
  local X Y WIDTH HEIGHT SCREEN
  eval "$(xdotool getwindowgeometry --shell "$window" | grep -E '^(X|Y|WIDTH|HEIGHT|SCREEN)=')"
  local screenWidth screenHeight
  read -r screenWidth screenHeight < <(xdotool getdisplaygeometry)
  import -window "$window" "$work/$name.png"
  ((WIDTH == scale * layoutWidth)) ||
    fail "$name: window is $WIDTH pixels wide, not $scale x $layoutWidth"
  ((X >= 0 && Y >= 0 && X + WIDTH <= screenWidth && Y + HEIGHT <= screenHeight)) ||
    fail "$name: window ${WIDTH}x$HEIGHT+$X+$Y does not lie on the ${screenWidth}x$screenHeight screen"
  local w h left top right bottom
  read -r w h left top right bottom < <(drawn_extent "$work/$name.png")
  ((w == WIDTH && h == HEIGHT)) || fail "$name: screenshot is ${w}x$h, the window ${WIDTH}x$HEIGHT"
  ((right >= 0)) || fail "$name: nothing drawn"
  local freeRight=$((w - 1 - right)) freeBottom=$((h - 1 - bottom))
  echo "e2e: $name ${w}x$h at $X,$Y; drawn $left,$top to $right,$bottom; free right $freeRight, bottom $freeBottom"
  ((freeRight >= 8 && freeBottom >= 8)) ||
    fail "$name: cut off (drawn up to $freeRight pixels from the right edge, $freeBottom from the bottom)"
  ((freeRight <= 40 && freeBottom <= 40)) ||
    fail "$name: the layout's last widgets are missing near the edges (free right $freeRight, bottom $freeBottom)"
}

start_form

# One order line, so the grids above the editors hold text too.
typed 123456
keys Return Return Return
typed 12345; keys Return
typed 1; keys Return
sleep 0.5
import -window root "$work/screen-hidpi.png"
whole "$form" earmark-form-hidpi 564

# Nastavenia -> Dodacia adresa...: the menu right of "Súbor", reached from it with Right.
xdotool mousemove --window "$form" $((20 * scale)) $((10 * scale)) click 1
sleep 0.5
keys Right Down Return
dialog=""
for _ in $(seq 1 50); do
  dialog=$(xdotool getwindowfocus 2>/dev/null || true)
  [[ -n "$dialog" && "$dialog" != "$form" ]] && break
  sleep 0.2
done
[[ -n "$dialog" && "$dialog" != "$form" ]] || fail "no address dialog"
sleep 0.5
title=$(xdotool getwindowname "$dialog")
[[ "$title" == "Dodacia adresa" ]] || fail "the focused window is \"$title\", not the address dialog"
whole "$dialog" address-dialog-hidpi 417

kill "$pid" 2>/dev/null || true
wait "$pid" 2>/dev/null || true
echo "e2e: screenshots at scale $scale in $work"
