#!/usr/bin/env python3
"""Writes the seeds of the stateful widget fuzzer: for each widget class, a host session (create,
place, name, Init, Draw, pointer and value actions, a hand-over, destruction) encoded the way
fuzz_widgets.cpp decodes it with libFuzzer's FuzzedDataProvider: integers are taken from the end of
the input, strings from its front."""
import os
import struct

OUT = os.path.join(os.path.dirname(os.path.abspath(__file__)), "widgets")
KINDS = ["LABEL", "BUTTON", "BOX", "FRAME", "PROGRESS", "VALUATOR", "SELECT", "TABITEM", "TABS", "COLOR", "HUE"]
FONT_NAMES = 8
FONT_SIZES = [0, -3, 1, 6, 8, 14, 16, 24, 48, 200, 512, 513, 32767]
SLOTS = 4


class Input:
    def __init__(self):
        self.front = bytearray()
        self.back = []  # integer bytes in the order they are consumed

    def range(self, lo, hi, v):
        span, n = hi - lo, 0
        while n < 8 and span >> (8 * n) > 0:
            n += 1
        value = v - lo
        self.back += [(value >> (8 * (n - 1 - i))) & 0xFF for i in range(n)]

    def byte_bool(self, b):
        self.range(0, 255, 1 if b else 0)

    def int_of(self, bits, signed, v):
        lo = -(1 << (bits - 1)) if signed else 0
        self.range(lo, lo + (1 << bits) - 1, v)

    def string(self, text):
        # A backslash followed by anything but a backslash ends the string.
        self.front += text.replace(b"\\", b"\\\\") + b"\\n"

    def bytes(self):
        return bytes(self.front) + bytes(reversed(self.back))


def act(i, slot, action):
    i.range(0, SLOTS - 1, slot)
    i.range(0, 17, action)


def create(i, slot, kind):
    act(i, slot, 0)
    i.range(0, len(KINDS) - 1, KINDS.index(kind))


def base(i, slot, which, *values):
    act(i, slot, 5)
    i.range(0, 12, which)
    if which in (2, 3):  # X, Y: "inside the frame" branch
        i.byte_bool(False)
        i.range(-8, 260, values[0])
    elif which in (5, 6):  # Width, Height
        i.range(0, 7, 3)
        i.range(0, 220, values[0])
    elif which == 7:  # Bevel
        i.byte_bool(False)
        i.range(0, 12, values[0])
    elif which == 8:  # fonts: name, style, extra
        i.range(0, FONT_NAMES - 1, values[0])
        i.range(0, 5, values[1])
        i.range(0, 5, 0)
    elif which == 9:
        i.range(0, len(FONT_SIZES) - 1, FONT_SIZES.index(values[0]))
    elif which == 10:
        i.byte_bool(True)
        i.int_of(32, False, values[0])
    elif which == 11:  # Name
        i.string(values[0])
        i.range(0, 15, 1)  # not the long name
        i.range(0, 7, 1)   # not null
    elif which == 0:
        i.int_of(32, False, values[0])


def place(i, slot, x, y, w, h, bevel, name=b""):
    base(i, slot, 2, x)
    base(i, slot, 3, y)
    base(i, slot, 5, w)
    base(i, slot, 6, h)
    base(i, slot, 7, bevel)
    base(i, slot, 8, 1, 0)
    base(i, slot, 9, 14)
    if name:
        base(i, slot, 11, name)


def init(i, slot):
    act(i, slot, 7)
    i.range(0, 7, 1)


def pointer_near(i, slot, dx, dy, w, h):
    i.range(0, 7, 1)
    i.range(-4, w + 4, dx)
    i.range(-4, h + 4, dy)


def select(i, slot, dx, dy, w, h):
    act(i, slot, 10)
    pointer_near(i, slot, dx, dy, w, h)
    i.int_of(32, True, 1)


def session(kind, extra=None, w=180, h=60):
    i = Input()
    create(i, 0, kind)
    place(i, 0, 20, 30, w, h, 4, b"Caption")
    if extra:
        extra(i)
    init(i, 0)
    act(i, 0, 8)
    select(i, 0, w // 2, h // 2, w, h)
    act(i, 0, 8)
    act(i, 0, 13)          # Read
    act(i, 0, 14)          # Scroll
    i.range(0, 5, 2)
    i.int_of(32, False, 1 << 31)  # the float's probability: the middle of -1000..1000
    act(i, 0, 15)          # Adjust
    act(i, 0, 11)          # Deselect
    act(i, 0, 2)           # hand-over by copy
    act(i, 0, 9)
    act(i, 0, 4)           # peek
    act(i, 0, 3)           # hand-over by assignment
    init(i, 0)
    act(i, 0, 8)
    act(i, 0, 1)           # destruction
    return i.bytes()


def valuator_fields(i):
    for which, value in ((1, 0.0), (2, 100.0), (0, 25.0)):
        act(i, 0, 6)
        i.range(0, 6, which)
        i.range(0, 5, 2)
        i.int_of(32, False, int((value + 1000.0) / 2000.0 * 0xFFFFFFFF))
    act(i, 0, 6)
    i.range(0, 6, 3)
    i.string(b"%.1f")
    i.byte_bool(True)


def grow(i, n):
    act(i, 0, 16)
    i.byte_bool(True)
    i.range(0, 12, n)
    i.byte_bool(True)  # flags 0


def name_items(i, n):
    for k in range(n):
        act(i, 0, 17)
        i.range(0, n - 1, k)
        i.range(0, 3, 0)
        i.string(b"Item %d" % k)
        i.range(0, 15, 1)


def container(i):
    grow(i, 3)
    name_items(i, 3)


def main():
    os.makedirs(OUT, exist_ok=True)
    for kind in KINDS:
        extra = {"VALUATOR": valuator_fields, "SELECT": container, "TABS": container}.get(kind)
        size = (220, 120) if kind in ("COLOR", "HUE") else (180, 60)
        with open(os.path.join(OUT, kind.lower()), "wb") as f:
            f.write(session(kind, extra, *size))
    # The flat look of every class.
    for kind in KINDS:
        size = (220, 120) if kind in ("COLOR", "HUE") else (180, 60)
        i = Input()
        create(i, 0, kind)
        place(i, 0, 20, 30, size[0], size[1], 3, b"Flat")
        base(i, 0, 0, 0x20)
        if kind in ("SELECT", "TABS"):
            container(i)
        init(i, 0)
        act(i, 0, 8)
        select(i, 0, size[0] // 2, size[1] // 2, *size)
        act(i, 0, 8)
        with open(os.path.join(OUT, kind.lower() + "_flat"), "wb") as f:
            f.write(i.bytes())
    # A box with a picture, drawn in both looks.
    i = Input()
    create(i, 0, "BOX")
    place(i, 0, 20, 30, 120, 90, 4, b"Picture")
    act(i, 0, 16)
    i.range(0, 5, 0)  # "a.tga"
    init(i, 0)
    act(i, 0, 8)
    base(i, 0, 0, 0x20)
    act(i, 0, 8)
    with open(os.path.join(OUT, "box_picture"), "wb") as f:
        f.write(i.bytes())
    # Dragging: Select inside, Is_Select further along, Read, Adjust, Draw.
    for kind in ("VALUATOR", "COLOR", "HUE"):
        size = (220, 120) if kind in ("COLOR", "HUE") else (180, 60)
        i = Input()
        create(i, 0, kind)
        place(i, 0, 20, 30, size[0], size[1], 3, b"Drag")
        if kind == "VALUATOR":
            valuator_fields(i)
        init(i, 0)
        select(i, 0, 30, 20, *size)
        for x in (60, 120, 170):
            act(i, 0, 12)
            pointer_near(i, 0, x, 20, *size)
            act(i, 0, 13)
            act(i, 0, 15)
            act(i, 0, 8)
        with open(os.path.join(OUT, kind.lower() + "_drag"), "wb") as f:
            f.write(i.bytes())
    # All classes alive at once in the four slots, drawn together.
    i = Input()
    for slot, kind in enumerate(["BUTTON", "VALUATOR", "SELECT", "COLOR"]):
        create(i, slot, kind)
        place(i, slot, 10 + 5 * slot, 10 + 60 * slot, 200, 50, 3, b"W%d" % slot)
        init(i, slot)
    for slot in range(4):
        act(i, slot, 8)
    with open(os.path.join(OUT, "four_alive"), "wb") as f:
        f.write(i.bytes())


if __name__ == "__main__":
    main()
