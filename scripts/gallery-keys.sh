#!/usr/bin/env bash
# Drives the gallery's window by real key events in a virtual X display and compares what the keys
# changed, and the picture left at the end, with the expected state.
# Usage: scripts/gallery-keys.sh [build directory]   (needs Xvfb and xdotool: scripts/deps.sh)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$root/build}
if [ -z "${GALLERY_KEYS_INSIDE:-}" ]; then
    cmake --build "$build" -j2 --target gallery >/dev/null
    # An X server of its own, as big as the gallery's window, without auto-repeat: on a loaded
    # machine a key held a little long would step twice.
    XVFB_SCREEN=1600x1300x24 XVFB_ARGS="-ardelay 30000 -arinterval 30000" GALLERY_KEYS_INSIDE=1 \
        exec "$root/scripts/xvfb.sh" "$0" "$build"
fi
out=$(mktemp -d)
gallery_pid=""
finish() {
    [ -n "$gallery_pid" ] && kill "$gallery_pid" 2>/dev/null || true
    rm -rf "$out"
}
trap finish EXIT

# The pointer rests in the window's corner, where no widget is: only the keys light anything.
xdotool mousemove 0 0

"$build/examples/gallery/gallery" --shot "$out/shot.png" --state "$out/state.txt" >"$out/gallery.log" 2>&1 &
gallery_pid=$!
window=$(timeout 30 xdotool search --sync --onlyvisible --name "vrtools gallery" | head -1)
# The focus is refused until the window is mapped: try again for a while.
for _ in $(seq 50); do
    xdotool windowfocus --sync "$window" 2>/dev/null && break
    sleep 0.1
done
# Tab twice and Enter: the "Pressed" button comes up. Down to "Lamp unlit", Right into the boxes,
# Down onto the first slider: three steps up (+, + and =), a big one (Page Up), one back (-).
# Shift-Tab back to the frames' last box, Up to the flat button, Left to the box again, Space (a box
# does nothing), Up twice to "Lamp lit", Right to "Lamp unlit", Enter lights its lamp; Left and Right
# come back to it by moves alone. Escape writes the state and the picture.
xdotool key --delay 60 Tab Tab Return Down Right Down plus plus equal Prior minus \
    shift+Tab Up Left space Up Up Right Return Left Right
sleep 0.3
xdotool key Escape
for _ in $(seq 100); do
    kill -0 "$gallery_pid" 2>/dev/null || break
    sleep 0.1
done
wait "$gallery_pid" || { cat "$out/gallery.log"; echo "gallery-keys: the gallery failed"; exit 1; }
gallery_pid=""

expected=$root/tests/gallery/keys_expected.txt
if ! diff -u "$expected" "$out/state.txt"; then
    echo "gallery-keys: the keys left another state than $expected"
    exit 1
fi
# The picture: the focused button's face in the hover colour, every other button's face unlit.
python3 - "$out/shot.png" "$out/state.txt" <<'PY'
import struct, sys, zlib

def png_rgba(path):
    data = open(path, 'rb').read()
    pos, chunks, width, height = 8, b'', 0, 0
    while pos < len(data):
        length, kind = struct.unpack('>I4s', data[pos:pos + 8])
        body = data[pos + 8:pos + 8 + length]
        if kind == b'IHDR':
            width, height, depth, colour = struct.unpack('>IIBB', body[:10])
            assert depth == 8 and colour == 6, 'an 8-bit RGBA picture'
        elif kind == b'IDAT':
            chunks += body
        pos += 12 + length
    raw, stride, rows, prev = zlib.decompress(chunks), width * 4, [], bytearray(width * 4)
    for y in range(height):
        f, line = raw[y * (stride + 1)], bytearray(raw[y * (stride + 1) + 1:(y + 1) * (stride + 1)])
        for i in range(stride):
            a = line[i - 4] if i >= 4 else 0
            b, c = prev[i], prev[i - 4] if i >= 4 else 0
            if f == 1: line[i] = (line[i] + a) & 255
            elif f == 2: line[i] = (line[i] + b) & 255
            elif f == 3: line[i] = (line[i] + (a + b) // 2) & 255
            elif f == 4:
                p = a + b - c
                pa, pb, pc = abs(p - a), abs(p - b), abs(p - c)
                line[i] = (line[i] + (a if pa <= pb and pa <= pc else b if pb <= pc else c)) & 255
        rows.append(line)
        prev = line
    return width, height, rows

width, height, rows = png_rgba(sys.argv[1])
def face(x, y, w, h, b):
    # Low right corner of the face, away from the caption; scene units are pixels, y up.
    px, py = x + w - b - 5, y + b + 5
    r, g, bl = rows[height - 1 - py][px * 4:px * 4 + 3]
    return r, g, bl
focus = [l.split() for l in open(sys.argv[2]) if l.startswith('focus ')][0]
x, y, w, h, b = map(int, focus[-5:])
lit = face(x, y, w, h, b)
# "Lamp lit", left of the focused button, focused before it: the same corner of its face is grey.
unlit = face(x - 250, y, w, h, b)
print('gallery-keys: focused face', lit, 'other face', unlit)
assert lit[0] - lit[1] > 60, 'the focused button is not lit'
assert abs(unlit[0] - unlit[1]) < 20, 'another button is lit'
PY
echo "gallery-keys: the keys worked the gallery as expected"
