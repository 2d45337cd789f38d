#!/usr/bin/env bash
# Drives the real program on a virtual display without any printer: types a farm number and
# two order lines, opens "Ukážka pred tlačou..." (screenshot, then closed), saves the sheet
# through "Uložiť ako PDF..." and the real save dialog under the proposed name, and checks the
# file's text and page with pdftotext and pdfinfo, leaving a rendered picture of it.
# Usage (under xvfb-run): run-pdf-e2e.sh <earmark executable> <work folder>
set -euo pipefail

program=$1
work=$2
source "$(dirname "$0")/e2e-common.sh"

start_form

# Waits for a window other than the form to take the focus (a dialog); sets dialog.
wait_dialog() {
  dialog=""
  for _ in $(seq 1 50); do
    dialog=$(xdotool getwindowfocus 2>/dev/null || true)
    [[ -n "$dialog" && "$dialog" != "$form" ]] && return 0
    sleep 0.2
  done
  fail "no $1 window"
}

# Opens the "Súbor" menu and picks the item that many places above "Koniec" (counted with
# Up from the bottom, so a disabled "Vytlačiť..." above them does not matter).
file_menu_from_bottom() {
  xdotool windowfocus --sync "$form"
  xdotool mousemove --window "$form" 20 10 click 1
  sleep 0.5
  local ups=("Up")
  for ((i = 0; i < $1; i++)); do ups+=("Up"); done
  keys "${ups[@]}" Return
}

typed 123456
keys Return Return
keys Return                    # country "SK" as shown
typed 12345; keys Return
typed 1; keys Return
typed cz; keys Return
typed 987; keys Return
typed 2; keys Return
sleep 0.5

# Súbor -> Ukážka pred tlačou... (two above Koniec)
file_menu_from_bottom 2
wait_dialog preview
sleep 1.5
title=$(xdotool getwindowname "$dialog")
[[ "$title" == *"Objednavka ušných značiek"* ]] || fail "the preview's caption is \"$title\""
import -window root "$work/preview.png"
keys Escape
# The form's caption has "Objednávka"; only the preview's names the document "Objednavka".
preview_shown() { xdotool search --onlyvisible --name 'Objednavka u' >/dev/null 2>&1; }
for _ in $(seq 1 50); do preview_shown || break; sleep 0.2; done
if preview_shown; then fail "the preview did not close"; fi
kill -0 "$pid" 2>/dev/null || fail "the program ended with the preview ($(cat "$work/earmark.log"))"

# Súbor -> Uložiť ako PDF... (one above Koniec); the dialog starts in the program's folder
# with the proposed name, which Enter accepts.
file_menu_from_bottom 1
wait_dialog save
sleep 0.5
import -window root "$work/save-pdf-dialog.png"
keys Return
pdf="$work/bin/VrenaEarMark_123456_$(date +%Y%d%m).pdf"
for _ in $(seq 1 50); do [[ -s "$pdf" ]] && break; sleep 0.2; done
[[ -s "$pdf" ]] || fail "no PDF written as $pdf ($(ls "$work/bin"))"
cp "$pdf" "$work/sheet.pdf"

info=$(pdfinfo "$work/sheet.pdf") || fail "pdfinfo cannot read the PDF"
grep -Eq '^Pages: +1$' <<<"$info" || fail "not one page: $info"
grep -Eq '^Page size: +595(\.[0-9]+)? x 84[12](\.[0-9]+)? pts \(A4\)' <<<"$info" || fail "not A4: $info"
text=$(pdftotext -layout "$work/sheet.pdf" -) || fail "pdftotext cannot read the PDF"
for expected in "Zoznam objednávaných náhradných ušných značiek" "HD náhradná Allflex TYP A" \
                "Číslo farmy: 123456" "SK000000012345" "CZ000000000987" "Strana: 1"; do
  grep -qF "$expected" <<<"$text" || fail "\"$expected\" missing from the PDF: $text"
done
grep -Eq 'značiek: +3( |$)' <<<"$text" || fail "the total is not 3: $text"
pdftoppm -png -r 72 -singlefile "$work/sheet.pdf" "$work/sheet" || fail "pdftoppm cannot render the PDF"
[[ -s "$work/sheet.png" ]] || fail "no picture rendered"

# Súbor -> Koniec
file_menu_from_bottom 0
for _ in $(seq 1 50); do kill -0 "$pid" 2>/dev/null || break; sleep 0.2; done
if kill -0 "$pid" 2>/dev/null; then fail "the program is still running after Koniec"; fi
wait "$pid" || fail "the program ended with status $? ($(cat "$work/earmark.log"))"
echo "e2e: preview screenshot, PDF and its picture in $work"
