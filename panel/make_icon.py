#!/usr/bin/env python3
"""Draws the control panel's icon, a force meter (a dial with its needle past the middle), as a
32x32 16-colour .ico, in the tester's icon's format (tester/make_icon.py).

Run from the tree: panel/make_icon.py writes panel/quorpanel.ico (committed)."""
import math
import os
import sys

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "tester"))
import make_icon  # noqa: E402  (the tester's writer, given another picture)

FACE, RIM, NEEDLE, RED, HUB = 15, 0, 1, 9, 8


def pixel(x, y):
    """The colour index of pixel (x, y), top row 0, or None outside the dial."""
    dx, dy = x - 15.5, y - 19.5
    r = math.hypot(dx, dy)
    angle = math.degrees(math.atan2(-dy, dx))  # 0 right, 90 up
    if y > 25 or r > 15.5:
        return None
    if r >= 13.5:
        return RIM
    if r <= 2.5:
        return HUB
    # The needle at 60 degrees: a strong force to one side.
    if abs(angle - 60) < 7 and r < 12.5:
        return NEEDLE
    # The red band near full force on either side: where the sum clips.
    if r >= 10.5 and (angle < 25 or angle > 155):
        return RED
    return FACE


if __name__ == "__main__":
    make_icon.pixel = pixel
    path = os.path.join(os.path.dirname(os.path.abspath(__file__)), "quorpanel.ico")
    with open(path, "wb") as f:
        f.write(make_icon.icon_bytes())
    print(path)
