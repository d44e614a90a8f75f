#!/usr/bin/python3
"""The standalone application's icon, in the panel's own palette and drawing helpers.

Writes resources/icons/kt4r-256.png and kt4r-48.png, each drawn at its size (the small one with fewer,
heavier strokes rather than scaled down). Run with `/usr/bin/python3 tools/artwork/make_icon.py`; same
packages as make_artwork.py. Deterministic output, like the panel's images.
"""

import math
import os
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import make_artwork as art  # noqa: E402  (palette and helpers; importing draws nothing)

ICONS = os.path.join(art.ROOT, "resources", "icons")


def draw_icon(size):
    s, c = art.new_surface(size, size)
    k = size / 256.0
    small = size < 96
    # The panel: a dark rounded plate with the section edge around it.
    art.rrect(c, 8 * k, 8 * k, 240 * k, 240 * k, 36 * k)
    c.set_source(art.lin(0, 0, 0, size, [(0.0, art.PANEL_TOP), (1.0, art.PANEL_BOT)]))
    c.fill_preserve()
    c.set_source_rgb(*art.SECTION_EDGE)
    c.set_line_width(max(1.5, 4 * k))
    c.stroke()
    # Two oscillators: a saw (orange) over a square (amber), as on the panel's waveform switches.
    c.set_line_width(max(2.5, (9 if not small else 14) * k))
    c.set_line_join(0)
    c.set_line_cap(1)
    left, right = 40 * k, 216 * k
    periods = 2
    width = (right - left) / periods
    top, bottom = 52 * k, 112 * k
    c.move_to(left, bottom)
    for p in range(periods):
        x = left + p * width
        c.line_to(x + width, top)
        c.line_to(x + width, bottom)
    c.set_source_rgb(*art.ORANGE)
    c.stroke()
    top, bottom = 132 * k, 188 * k
    c.move_to(left, bottom)
    for p in range(periods):
        x = left + p * width
        c.line_to(x, top)
        c.line_to(x + width / 2, top)
        c.line_to(x + width / 2, bottom)
        c.line_to(x + width, bottom)
    c.set_source_rgb(*art.AMBER)
    c.stroke()
    if not small:
        art.text(c, "KT-4R", 128 * k, 230 * k, 30 * k, color=art.INK, spacing=2 * k)
    return s


def main():
    os.makedirs(ICONS, exist_ok=True)
    for size in (256, 48):
        draw_icon(size).write_to_png(os.path.join(ICONS, "kt4r-%d.png" % size))


if __name__ == "__main__":
    main()
