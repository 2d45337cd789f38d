#!/usr/bin/env bash
# Drives the real program on a virtual display: types a farm number and two order lines,
# saves through the real save dialog, checks the file's bytes and that "Koniec" ends the
# program. Usage (under xvfb-run): run-e2e.sh <earmark executable> <work folder>
set -euo pipefail

program=$1
work=$2
rm -rf "$work"
mkdir -p "$work/bin" "$work/runtime"
chmod 700 "$work/runtime"
export XDG_RUNTIME_DIR="$work/runtime"
# A copy of its own, so no settings file of another run sits beside the executable.
cp "$program" "$work/bin/earmark"
target="$work/order.xml"
# Under the sanitizer build the X11 keyboard library needs its own suppression.
if [[ -n "${ASAN_OPTIONS:-}" ]]; then
  export ASAN_OPTIONS="$ASAN_OPTIONS:suppressions=$(cd "$(dirname "$0")" && pwd)/asan.supp"
fi

fail() {
  echo "e2e: $*" >&2
  import -window root "$work/failure.png" 2>/dev/null || true
  kill "$pid" 2>/dev/null || true
  exit 1
}

"$work/bin/earmark" >"$work/earmark.log" 2>&1 &
pid=$!

form=$(timeout 20 xdotool search --sync --onlyvisible --name 'Objedn' | head -1) || fail "no window"
xdotool windowfocus --sync "$form"
sleep 0.5

keys() { xdotool key --delay 60 "$@"; sleep 0.2; }
typed() { xdotool type --delay 60 "$1"; sleep 0.2; }

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
