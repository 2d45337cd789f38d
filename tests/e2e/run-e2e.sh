#!/usr/bin/env bash
# Drives the real program on a virtual display: types a farm number and two order lines,
# saves through the real save dialog, checks the file's bytes and that "Koniec" ends the
# program. Usage (under xvfb-run): run-e2e.sh <earmark executable> <work folder>
set -euo pipefail

program=$1
work=$2
source "$(dirname "$0")/e2e-common.sh"
target="$work/order.xml"

start_form

# The focus starts in the farm field; Enter walks farm -> tag type -> country -> ear -> count.
typed 123456
keys Return Return
keys Return                    # country "SK" as shown
typed 12345; keys Return       # ear number, padded to twelve digits
typed 1; keys Return           # count: the line is stored and line 2 opens
typed cz; keys Return          # upper-cased by the field
typed 987; keys Return
typed 2; keys Return
sleep 0.5
import -window root "$work/earmark-form.png"

# Súbor -> Uložiť...
xdotool mousemove --window "$form" 20 10 click 1
sleep 0.5
keys Down Down Return
dialog=""
for _ in $(seq 1 50); do
  dialog=$(xdotool getwindowfocus 2>/dev/null || true)
  [[ -n "$dialog" && "$dialog" != "$form" ]] && break
  sleep 0.2
done
[[ -n "$dialog" && "$dialog" != "$form" ]] || fail "no save dialog"
sleep 0.5
import -window root "$work/save-dialog.png"
# The proposed name is selected in the name field; a full path without extension replaces it.
keys ctrl+a
typed "${target%.xml}"
keys Return
for _ in $(seq 1 50); do [[ -s "$target" ]] && break; sleep 0.2; done
[[ -s "$target" ]] || fail "no order file written"

expected="$work/expected.xml"
printf '%s\r\n' \
  '<?xml version="1.0" encoding="windows-1250"?>' '<objednavka>' \
  '<species>1</species>' '<type>49</type>' \
  '<address>' '<name></name>' '<company></company>' '<street></street>' '<village></village>' \
  '<zipcode></zipcode>' '</address>' '<farm>123456</farm>' '<accountnumber></accountnumber>' \
  '<mark>' '<markcode>SK000000012345</markcode>' '<cnt>1</cnt>' '</mark>' \
  '<mark>' '<markcode>CZ000000000987</markcode>' '<cnt>2</cnt>' '</mark>' \
  '</objednavka>' >"$expected"
cmp "$expected" "$target" || fail "order file differs from the expected bytes"

# Súbor -> Koniec ends the program without any question.
xdotool windowfocus --sync "$form"
xdotool mousemove --window "$form" 20 10 click 1
sleep 0.5
keys Up Return              # the last item, whether or not "Vytlačiť..." is enabled
for _ in $(seq 1 50); do kill -0 "$pid" 2>/dev/null || break; sleep 0.2; done
if kill -0 "$pid" 2>/dev/null; then fail "the program is still running after Koniec"; fi
wait "$pid" || fail "the program ended with status $? ($(cat "$work/earmark.log"))"
echo "e2e: order file and screenshots in $work"
