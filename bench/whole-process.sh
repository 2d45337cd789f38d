#!/usr/bin/env bash
# Whole process side by side: `earmark-cli parse FILE` against `xmllint --noout FILE`, each run
# N times in turn (default 5); prints every run and the medians of elapsed time and of peak
# resident memory, and the ratio xmllint/ours of the elapsed medians.
# Usage: bench/whole-process.sh EARMARK_CLI FILE [N]
set -euo pipefail
cli=$1
file=$2
runs=${3:-5}
command -v xmllint >/dev/null || { echo "xmllint is missing (apt-get install libxml2-utils)" >&2; exit 1; }
[[ -x /usr/bin/time ]] || { echo "/usr/bin/time is missing (apt-get install time)" >&2; exit 1; }

out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT
for ((i = 1; i <= runs; i++)); do
  /usr/bin/time -f "%e %U %S %M" -o "$out/ours.$i" "$cli" parse "$file" >"$out/ours.out"
  grep -q '"ok":true' "$out/ours.out" || { echo "earmark-cli did not parse $file: $(cat "$out/ours.out")" >&2; exit 1; }
  /usr/bin/time -f "%e %U %S %M" -o "$out/xmllint.$i" xmllint --noout "$file"
done

median() { sort -g | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'; }
printf '%-9s %4s %9s %8s %8s %11s\n' program run "elapsed s" "user s" "sys s" "peak kB"
for p in ours xmllint; do
  for ((i = 1; i <= runs; i++)); do
    read -r e u s m <"$out/$p.$i"
    printf '%-9s %4d %9s %8s %8s %11s\n' "$p" "$i" "$e" "$u" "$s" "$m"
  done
done
for p in ours xmllint; do
  e=$(for ((i = 1; i <= runs; i++)); do cut -d' ' -f1 "$out/$p.$i"; done | median)
  m=$(for ((i = 1; i <= runs; i++)); do cut -d' ' -f4 "$out/$p.$i"; done | median)
  eval "${p}_e=$e ${p}_m=$m"
  printf 'median %-9s elapsed %s s, peak %s kB\n' "$p" "$e" "$m"
done
awk -v a="$ours_e" -v b="$xmllint_e" -v c="$ours_m" -v d="$xmllint_m" \
  'BEGIN { printf "xmllint/ours elapsed: %.2fx; ours/xmllint peak memory: %.2fx\n", b / a, c / d }'
