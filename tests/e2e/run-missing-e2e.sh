#!/usr/bin/env bash
# Drives the real program on a virtual display: the open dialog speaks Slovak (Qt's own
# catalogue is loaded), takes a name that does not exist, and the program answers it with its
# own "Error" box instead of the dialog refusing the name. Leaves screenshots of the dialog and
# the box. Usage (under xvfb-run): run-missing-e2e.sh <earmark executable> <work folder>
set -euo pipefail

program=$1
work=$2
E2E_TYPE_DELAY=30
source "$(dirname "$0")/e2e-common.sh"

start_form

# Súbor -> Otvoriť... (the first item)
xdotool mousemove --window "$form" 20 10 click 1
sleep 0.5
keys Down Return
dialog=""
for _ in $(seq 1 50); do
  dialog=$(xdotool getwindowfocus 2>/dev/null || true)
  [[ -n "$dialog" && "$dialog" != "$form" ]] && break
  sleep 0.2
done
[[ -n "$dialog" && "$dialog" != "$form" ]] || fail "no open dialog"
sleep 0.5
import -window root "$work/open-dialog.png"
title=$(xdotool getwindowname "$dialog")
[[ "$title" == "Otvoriť" ]] || fail "the open dialog is titled \"$title\", not in Slovak"

keys ctrl+a
typed "$work/missing.xml"
keys Return
box=$(timeout 10 xdotool search --sync --onlyvisible --name '^Error$' | head -1) ||
  fail "no \"Error\" box of the program after a missing name (did the dialog refuse it?)"
sleep 0.5
import -window root "$work/missing-file.png"
xdotool windowfocus --sync "$box"
keys Return
for _ in $(seq 1 25); do xdotool search --onlyvisible --name '^Error$' >/dev/null 2>&1 || break; sleep 0.2; done

# Súbor -> Koniec
xdotool windowfocus --sync "$form"
xdotool mousemove --window "$form" 20 10 click 1
sleep 0.5
keys Up Return
for _ in $(seq 1 50); do kill -0 "$pid" 2>/dev/null || break; sleep 0.2; done
if kill -0 "$pid" 2>/dev/null; then fail "the program is still running after Koniec"; fi
wait "$pid" || fail "the program ended with status $? ($(cat "$work/earmark.log"))"
echo "e2e: Slovak open dialog, missing name answered by the program in $work"
