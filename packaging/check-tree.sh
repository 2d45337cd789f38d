#!/usr/bin/env bash
# Checks an installed tree: both programs in bin/, the PDF module earmark-cli loads, the desktop entry (desktop-file-validate)
# and everything it names (the program, the icon in each size, the MIME type with the root
# element of the order files the installed earmark-cli writes), and the manual page against
# what `earmark-cli --help` lists.
# Usage: check-tree.sh ROOT WORK [BUILD]
#   ROOT   the tree whose usr/ is checked ("/" for the machine's own)
#   WORK   a folder for the files the check writes (emptied first)
#   BUILD  a build folder to install into ROOT (prefix /usr) before checking
set -euo pipefail

root=${1%/}
work=$2
rm -rf "$work"
mkdir -p "$work"
if [[ $# -ge 3 ]]; then
  rm -rf "$root"
  DESTDIR="$root" cmake --install "$3" --prefix /usr >"$work/install.log"
fi
usr=$root/usr

errors=0
fail() { echo "check-tree: $*" >&2; errors=$((errors + 1)); }

for program in earmark earmark-cli; do
  [[ -x "$usr/bin/$program" ]] || fail "no program $usr/bin/$program"
done
cli=$usr/bin/earmark-cli

entry=$usr/share/applications/earmark.desktop
if [[ ! -f "$entry" ]]; then
  fail "no desktop entry $entry"
  exit 1
fi
validation=$(desktop-file-validate "$entry" 2>&1) || fail "desktop-file-validate rejects $entry: $validation"
[[ -z "$validation" ]] || echo "check-tree: desktop-file-validate says: $validation" >&2
value() { sed -n "s/^$1=//p" "$entry" | head -1; }

program=$(value Exec)
program=${program%% *}
[[ -n "$program" && -x "$usr/bin/$program" ]] || fail "the entry starts \"$program\", which is not in $usr/bin"
[[ ";$(value Categories)" == *";Office;"* ]] || fail "the entry is not in the category Office"
for key in 'Name\[sk\]' 'Comment\[sk\]'; do
  [[ -n "$(value "$key")" ]] || fail "the entry has no ${key//\\/}"
done

icon=$(value Icon)
for size in 48 128 256; do
  png=$usr/share/icons/hicolor/${size}x${size}/apps/$icon.png
  if [[ ! -f "$png" ]]; then
    fail "no icon $png"
    continue
  fi
  got=$(identify -format '%m %wx%h' "$png")
  [[ "$got" == "PNG ${size}x${size}" ]] || fail "$png is $got, not a ${size}x${size} PNG"
done

# Every MIME type of the entry is defined, and the definition's root element is the one of an
# order file the installed earmark-cli writes, so the desktop knows those files by content.
printf '{"farm":"123456","tagType":0}' >"$work/order.json"
"$cli" write "$work/order.json" "$work/order.xml" || fail "earmark-cli write failed"
IFS=';' read -r -a types <<<"$(value MimeType)"
[[ ${#types[@]} -gt 0 ]] || fail "the entry names no MIME type"
for type in "${types[@]}"; do
  definition=$(grep -l "<mime-type type=\"$type\"" "$usr"/share/mime/packages/*.xml 2>/dev/null | head -1 || true)
  if [[ -z "$definition" ]]; then
    fail "MIME type $type is not defined in $usr/share/mime/packages"
    continue
  fi
  "$cli" parse "$definition" >"$work/mime-parse.json" || fail "$definition is not well-formed XML"
  element=$(sed -n 's/.*<root-XML namespaceURI="" localName="\([^"]*\)".*/\1/p' "$definition")
  [[ -n "$element" ]] || fail "MIME type $type names no root element"
  grep -q "^<$element>"$'\r'"\$" "$work/order.xml" ||
    fail "MIME type $type expects the root element \"$element\"; earmark-cli writes $(sed -n 2p "$work/order.xml")"
done

# The installed earmark-cli finds its PDF drawing module in the program's library folder and
# writes the sheet as one A4 page.
"$cli" sheet "$work/order.xml" --pdf "$work/sheet.pdf" >"$work/sheet.log" 2>&1 ||
  fail "earmark-cli sheet --pdf failed: $(cat "$work/sheet.log")"
if [[ -f "$work/sheet.pdf" ]]; then
  pdfinfo "$work/sheet.pdf" | grep -Eq '^Page size:.*\(A4\)' || fail "the installed earmark-cli's PDF is not an A4 page"
fi

# The manual page has an entry for each subcommand --help lists.
page=$usr/share/man/man1/earmark-cli.1.gz
if [[ -f "$page" ]]; then
  gzip -dc "$page" >"$work/earmark-cli.1"
  head -1 "$work/earmark-cli.1" | grep -q '^\.TH EARMARK-CLI 1 ' || fail "$page does not start with .TH for section 1"
  "$cli" --help >"$work/help.txt"
  listed=0
  while read -r name _; do
    listed=$((listed + 1))
    grep -qF "\\fB${name//-/\\-}\\fR" "$work/earmark-cli.1" || fail "the manual page has no entry for \"$name\""
  done < <(grep -E '^  [^ ]' "$work/help.txt")
  [[ $listed -ge 2 ]] || fail "earmark-cli --help lists no subcommands"
else
  fail "no manual page $page"
fi

if [[ $errors -gt 0 ]]; then
  echo "check-tree: $errors problem(s) in $root/usr" >&2
  exit 1
fi
echo "check-tree: $root/usr has both programs, the desktop entry, the icons, the MIME type and the manual page"
