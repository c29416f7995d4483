#!/usr/bin/env bash
# Runs a command under an X server of its own (Xvfb, 24-bit, GLX through Mesa) and stops the server
# when the command ends. Xvfb picks a free display itself (-displayfd), so that several of these, and
# other people's servers, can run side by side. Usage: scripts/xvfb.sh COMMAND [ARGS...]
# XVFB_SCREEN sets the screen (1024x768x24), XVFB_ARGS adds server options.
set -euo pipefail
dir=$(mktemp -d)
# shellcheck disable=SC2086  # XVFB_ARGS is a list of options
Xvfb -displayfd 3 -screen 0 "${XVFB_SCREEN:-1024x768x24}" -nolisten tcp ${XVFB_ARGS:-} 3>"$dir/display" 2>"$dir/log" &
server=$!
stop() {
    kill "$server" 2>/dev/null || true
    wait "$server" 2>/dev/null || true
    rm -rf "$dir"
}
trap stop EXIT
# The display number is written once the server accepts clients.
for _ in $(seq 100); do
    [ -s "$dir/display" ] && break
    kill -0 "$server" 2>/dev/null || { cat "$dir/log" >&2; echo "xvfb: the server did not start" >&2; exit 1; }
    sleep 0.1
done
[ -s "$dir/display" ] || { echo "xvfb: no display after 10 s" >&2; exit 1; }
status=0
DISPLAY=":$(head -n 1 "$dir/display")" "$@" || status=$?
exit "$status"
