#!/usr/bin/env bash
# Prints an order on a real printer through the real print-setup dialog and checks the job
# the printer received; then checks that without any printer "Vytlačiť..." is disabled.
# Usage (under xvfb-run): run-print-e2e.sh <earmark executable> <work folder>
# Runs only when EARMARK_TEST_PRINTER names a CUPS queue whose jobs land as files in
# EARMARK_TEST_PRINTER_DIR (scripts/cups-test-printer makes one); otherwise it is skipped.
set -euo pipefail

program=$1
work=$2
if [[ -z "${EARMARK_TEST_PRINTER:-}" || -z "${EARMARK_TEST_PRINTER_DIR:-}" ]]; then
  echo "e2e print: no test printer (run scripts/test with EARMARK_CUPS_TEST=1); skipped"
  exit 77
fi
rm -rf "$work"
mkdir -p "$work/bin" "$work/runtime"
chmod 700 "$work/runtime"
export XDG_RUNTIME_DIR="$work/runtime"
cp "$program" "$work/bin/earmark"
if [[ -n "${ASAN_OPTIONS:-}" ]]; then
  export ASAN_OPTIONS="$ASAN_OPTIONS:suppressions=$(cd "$(dirname "$0")" && pwd)/asan.supp"
fi

# The settings name the printer in other letter case; the address has Slovak letters
# (windows-1250 bytes): "Ján Kováč", "Hlavná 7", "Čadca".
lower=$(printf '%s' "$EARMARK_TEST_PRINTER" | tr 'A-Z' 'a-z')
printf '[Main]\r\nPrinter=%s\r\n[Address]\r\nName=J\xe1n Kov\xe1\xe8\r\nCompany=Farma Lipa\r\nStreet=Hlavn\xe1 7\r\nVillage=\xc8adca\r\nZipcode=02201\r\n[Account]\r\nAccountNumber=SK31 1200\r\n' \
  "$lower" >"$work/bin/tavrin.ini"

pid=""
fail() {
  echo "e2e print: $*" >&2
  import -window root "$work/failure.png" 2>/dev/null || true
  [[ -n "$pid" ]] && kill "$pid" 2>/dev/null || true
  exit 1
}
keys() { xdotool key --delay 60 "$@"; sleep 0.2; }
typed() { xdotool type --delay 60 "$1"; sleep 0.2; }
start() {
  "$work/bin/earmark" >"$work/earmark-$1.log" 2>&1 &
  pid=$!
  form=$(timeout 20 xdotool search --sync --onlyvisible --name 'Objedn' | head -1) || fail "no window"
  xdotool windowfocus --sync "$form"
  sleep 0.5
}
# Súbor, then the third item that keyboard navigation reaches: "Vytlačiť..." when enabled,
# "Ukážka pred tlačou..." when it is disabled and skipped.
third_file_item() {
  xdotool windowfocus --sync "$form"
  xdotool mousemove --window "$form" 20 10 click 1
  sleep 0.5
  keys Down Down Down Return
}
focused_other_than_form() {
  local w=""
  for _ in $(seq 1 50); do
    w=$(xdotool getwindowfocus 2>/dev/null || true)
    [[ -n "$w" && "$w" != "$form" ]] && { echo "$w"; return 0; }
    sleep 0.2
  done
  return 1
}

before=$(ls "$EARMARK_TEST_PRINTER_DIR" | wc -l)
start printer
typed 123456
keys Return Return Return      # farm, tag type, country "SK"
typed 123; keys Return         # ear number
typed 2; keys Return           # count: line 1 complete
keys Return                    # line 2: country "SK"
typed 4567; keys Return
typed 1; keys Return
third_file_item
focused_other_than_form >/dev/null || fail "no print dialog"
sleep 1
import -window root "$work/print-dialog.png"
keys Return                    # "Print" on the default printer, the test queue

job=""
for _ in $(seq 1 100); do
  job=$(ls -t "$EARMARK_TEST_PRINTER_DIR"/job-*.pdf 2>/dev/null | head -1 || true)
  [[ -n "$job" && $(ls "$EARMARK_TEST_PRINTER_DIR" | wc -l) -gt $before ]] && break
  job=""
  sleep 0.2
done
[[ -n "$job" ]] || fail "the printer received no job"
cp "$job" "$work/printed.pdf"
pages=$(pdfinfo "$work/printed.pdf" | sed -n 's/^Pages: *//p')
[[ "$pages" == 1 ]] || fail "the job has $pages pages"
pdftotext -layout "$work/printed.pdf" "$work/printed.txt"
for text in "Zoznam objednávaných náhradných ušných značiek" "HD náhradná Allflex TYP A" \
  "Číslo farmy:" "123456" "Číslo účtu:" "SK31 1200" "Ján Kováč" "Farma Lipa" "Hlavná 7" \
  "02201 Čadca" "Ušná značka" "SK000000000123" "SK000000004567" \
  "Celkový počet objednávaných značiek:" "Strana: 1"; do
  grep -qF "$text" "$work/printed.txt" || fail "the printed sheet lacks \"$text\""
done
grep -qE 'značiek: +3( |$)' "$work/printed.txt" || fail "the printed total is not 3"
xdotool windowfocus --sync "$form"
xdotool mousemove --window "$form" 20 10 click 1
sleep 0.5
keys Up Return                 # Koniec, the last item
for _ in $(seq 1 50); do kill -0 "$pid" 2>/dev/null || break; sleep 0.2; done
kill -0 "$pid" 2>/dev/null && fail "the program is still running after Koniec"
wait "$pid" || fail "the program ended with status $?"

# Without any printer (no CUPS server reachable) the print item is disabled and skipped, so
# the third item reached is "Ukážka pred tlačou...", whose preview window names the document
# "Objednavka" (the print dialog would not); Escape closes it and Koniec ends the program.
export CUPS_SERVER="$work/no-cups-here.sock"
unset PRINTER LPDEST
rm -f "$work/bin/tavrin.ini"
start noprinter
typed 123456
keys Return Return Return
typed 123; keys Return
typed 2; keys Return
third_file_item
dialog=$(focused_other_than_form) || fail "no window after the third item of Súbor"
sleep 1
title=$(xdotool getwindowname "$dialog" 2>/dev/null || true)
[[ "$title" == *"Objednavka ušných značiek"* ]] || \
  fail "\"Vytlačiť...\" is enabled without a printer (the third item opened \"$title\")"
keys Escape
sleep 0.5
xdotool windowfocus --sync "$form"
xdotool mousemove --window "$form" 20 10 click 1
sleep 0.5
keys Up Return                 # Koniec
for _ in $(seq 1 50); do kill -0 "$pid" 2>/dev/null || break; sleep 0.2; done
kill -0 "$pid" 2>/dev/null && fail "the program is still running after Koniec"
wait "$pid" || fail "the program ended with status $?"
echo "e2e print: job $job checked; files in $work"
