#!/usr/bin/env python3
"""Draws the tester's application icon, a steering wheel, as a 32x32 16-colour .ico.

Run from the tree: tester/make_icon.py writes tester/quortest.ico (committed)."""
import math
import os
import struct

SIZE = 32
# The standard 16-colour palette's entries used here (blue, green, red, reserved).
PALETTE = [(0, 0, 0), (128, 0, 0), (0, 128, 0), (128, 128, 0), (0, 0, 128), (128, 0, 128),
           (0, 128, 128), (192, 192, 192), (128, 128, 128), (255, 0, 0), (0, 255, 0),
           (255, 255, 0), (0, 0, 255), (255, 0, 255), (0, 255, 255), (255, 255, 255)]
TRANSPARENT, RIM, RIM_LIGHT, SPOKE, HUB, MARK = None, 0, 8, 7, 1, 12


def pixel(x, y):
    """The colour index of pixel (x, y), top row 0, or None outside the wheel."""
    dx, dy = x - 15.5, y - 15.5
    r = math.hypot(dx, dy)
    angle = math.degrees(math.atan2(dy, dx)) % 360
    if 11.5 <= r <= 15.5:
        if abs(angle - 270) < 8:
            return MARK  # the top-centre mark of a racing wheel
        return RIM_LIGHT if dy < -4 and 12.5 <= r <= 14 else RIM
    if r <= 4.5:
        return HUB
    for spoke in (0, 180, 90):  # left, right and bottom spokes
        if abs((angle - spoke + 180) % 360 - 180) < 14 and r < 12:
            return SPOKE
    return TRANSPARENT


def icon_bytes():
    rows_xor, rows_and = [], []
    for y in reversed(range(SIZE)):  # bottom-up, as bitmaps are stored
        xor, mask = bytearray(), 0
        for x in range(0, SIZE, 2):
            a, b = pixel(x, y), pixel(x + 1, y)
            xor.append(((a or 0) << 4) | (b or 0))
        for x in range(SIZE):
            if pixel(x, y) is None:
                mask |= 1 << (SIZE - 1 - x)
        rows_xor.append(bytes(xor))
        rows_and.append(struct.pack(">I", mask))
    palette = b"".join(struct.pack("BBBB", b, g, r, 0) for (r, g, b) in PALETTE)
    header = struct.pack("<IiiHHIIiiII", 40, SIZE, SIZE * 2, 1, 4, 0, 0, 0, 0, 16, 0)
    image = header + palette + b"".join(rows_xor) + b"".join(rows_and)
    directory = struct.pack("<HHH", 0, 1, 1) + struct.pack(
        "<BBBBHHII", SIZE, SIZE, 16, 0, 1, 4, len(image), 6 + 16)
    return directory + image


if __name__ == "__main__":
    path = os.path.join(os.path.dirname(os.path.abspath(__file__)), "quortest.ico")
    with open(path, "wb") as f:
        f.write(icon_bytes())
    print(path)
