#!/usr/bin/env bash
# Drives the real program on a virtual display: opens an order file through the real open
# dialog, saves the order again through the real save dialog and checks that the saved file
# has exactly the bytes of the opened one. Usage (under xvfb-run):
# run-open-e2e.sh <earmark executable> <work folder>
set -euo pipefail

program=$1
work=$2
E2E_TYPE_DELAY=30
source "$(dirname "$0")/e2e-common.sh"
source="$work/opened.xml"
target="$work/saved.xml"

# An order as the writer saves it: windows-1250 letters, an escaped "&", two marks.
printf '%s\r\n' \
  '<?xml version="1.0" encoding="windows-1250"?>' '<objednavka>' \
  '<species>3</species>' '<type>64</type>' \
  '<address>' $'<name>J\xe1n Kov\xe1\xe8</name>' '<company>A &#38; B</company>' \
  $'<street>Hlavn\xe1 5</street>' $'<village>\x8eilina</village>' '<zipcode>01001</zipcode>' '</address>' \
  '<farm>123456</farm>' '<accountnumber>12-345/0900</accountnumber>' \
  '<mark>' '<markcode>SK000000012345</markcode>' '<cnt>1</cnt>' '</mark>' \
  '<mark>' '<markcode>CZ000000000987</markcode>' '<cnt>2</cnt>' '</mark>' \
  '</objednavka>' >"$source"

start_form

# Waits for a window other than the form to take the focus (a dialog).
wait_dialog() {
  local dialog=""
  for _ in $(seq 1 50); do
    dialog=$(xdotool getwindowfocus 2>/dev/null || true)
    [[ -n "$dialog" && "$dialog" != "$form" ]] && return 0
    sleep 0.2
  done
  fail "no $1 dialog"
}

# Súbor -> Otvoriť... (the first item)
xdotool mousemove --window "$form" 20 10 click 1
sleep 0.5
keys Down Return
wait_dialog open
sleep 0.5
keys ctrl+a
typed "$source"
keys Return
sleep 1
import -window root "$work/opened-form.png"

# Súbor -> Uložiť...
xdotool windowfocus --sync "$form"
xdotool mousemove --window "$form" 20 10 click 1
sleep 0.5
keys Down Down Return
wait_dialog save
sleep 0.5
keys ctrl+a
typed "${target%.xml}"
keys Return
for _ in $(seq 1 50); do [[ -s "$target" ]] && break; sleep 0.2; done
[[ -s "$target" ]] || fail "no order file written (did the open fail? see $work/opened-form.png)"
cmp "$source" "$target" || fail "the saved file differs from the opened one"

# Súbor -> Koniec
xdotool windowfocus --sync "$form"
xdotool mousemove --window "$form" 20 10 click 1
sleep 0.5
keys Up Return
for _ in $(seq 1 50); do kill -0 "$pid" 2>/dev/null || break; sleep 0.2; done
if kill -0 "$pid" 2>/dev/null; then fail "the program is still running after Koniec"; fi
wait "$pid" || fail "the program ended with status $? ($(cat "$work/earmark.log"))"
echo "e2e: opened and saved again byte for byte in $work"
