# What every end-to-end script does first: a work folder of its own with a copy of the
# program (so no settings file of another run sits beside the executable), the failure
# report, starting the program until its form has the focus, and typing.
# Sourced after `program` and `work` are set; E2E_TYPE_DELAY sets xdotool's typing delay.

rm -rf "$work"
mkdir -p "$work/bin" "$work/runtime"
chmod 700 "$work/runtime"
export XDG_RUNTIME_DIR="$work/runtime"
cp "$program" "$work/bin/earmark"
# Under the sanitizer build the X11 keyboard library needs its own suppression.
if [[ -n "${ASAN_OPTIONS:-}" ]]; then
  export ASAN_OPTIONS="$ASAN_OPTIONS:suppressions=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)/asan.supp"
fi

pid=""
fail() {
  echo "e2e: $*" >&2
  import -window root "$work/failure.png" 2>/dev/null || true
  kill "$pid" 2>/dev/null || true
  exit 1
}

# Starts the program and waits until its form is shown and focused; sets pid and form.
start_form() {
  "$work/bin/earmark" >"$work/earmark.log" 2>&1 &
  pid=$!
  form=$(timeout 20 xdotool search --sync --onlyvisible --name 'Objedn' | head -1) || fail "no window"
  xdotool windowfocus --sync "$form"
  sleep 0.5
}

keys() { xdotool key --delay 60 "$@"; sleep 0.2; }
typed() { xdotool type --delay "${E2E_TYPE_DELAY:-60}" "$1"; sleep 0.2; }
