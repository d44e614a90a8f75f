#!/usr/bin/python3
"""KT-4R editor artwork generator.

Draws every image of the editor panel with pycairo and writes them as PNGs
under resources/img/ at their exact sizes, frames stacked vertically; also writes resources/images.txt
(id, name, frames per line) which the build uses to embed the images.  Run from anywhere with
`/usr/bin/python3 tools/artwork/make_artwork.py` (needs the Debian packages python3-cairo,
fonts-dejavu-core and fonts-dejavu-extra).  `--preview FILE` also composites previews of the panel
(controls at random values, one per page) into FILE-<page>.png for checking alignment; it is not committed.
Output is deterministic: the images use no randomness (only the preview does, seeded), fixed font
options and no timestamps in the PNGs. Sizes in the table are those of the whole strip.
Geometry follows the editor's sliders: a slider handle's top is y + 2 + trunc(travel * (1 - value)) with travel =
trackHeight - 20 - 19, and the handle's indicator line sits on its row 18, so every scale mark is
printed on row y + 20 + offset.
"""

import math
import os
import sys

import cairo

ROOT = os.path.normpath(os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", ".."))
IMG = os.path.join(ROOT, "resources", "img")

# The panel is drawn at each of these scales: the same layout with every coordinate multiplied, text
# set at the larger size. Images at scale k carry the resource id of the 1x image plus SCALE_ID_OFFSET[k].
SCALES = (1, 1.5, 2)
SCALE_ID_OFFSET = {1: 0, 1.5: 1000, 2: 2000}
SCALE = 1  # the scale being drawn

# ---------------------------------------------------------------------------------------------------
# palette

PANEL_TOP = (0.118, 0.112, 0.104)
PANEL_BOT = (0.082, 0.078, 0.073)
SECTION = (0.150, 0.142, 0.132)
SECTION_EDGE = (0.255, 0.240, 0.222)
INK = (0.925, 0.890, 0.820)       # screen-printed labels
INK_DIM = (0.690, 0.650, 0.590)   # scale figures and ticks
TITLE_INK = (0.090, 0.080, 0.070)
ORANGE = (0.878, 0.478, 0.165)
AMBER = (0.898, 0.660, 0.180)
RED = (0.800, 0.270, 0.215)
BRICK = (0.700, 0.330, 0.220)
OCHRE = (0.760, 0.560, 0.250)
SAND = (0.780, 0.720, 0.620)

FONT = "DejaVu Sans Condensed"
FONT_WIDE = "DejaVu Sans"

TRACK_H = {0: 121, 4: 73, 3: 62, 2: 51}
TRACK_FILE = {0: "qm-slider-base.png", 4: "qm-slider-base-4.png", 3: "qm-slider-base-3.png",
              2: "qm-slider-base-2.png"}
HANDLE_LINE = 18  # row of the handle's indicator line


def travel(positions):
    return TRACK_H[positions] - 2 - 15 - 3 - (36 - 2 - 15)


def mark_row(y, positions, v):
    """Row (top pixel) of the handle's indicator line for value v."""
    t = travel(positions)
    return y + 2 + int(t * (1.0 - v) + 1e-9) + HANDLE_LINE


def cont_row(y, positions, v):
    t = travel(positions)
    return y + 2 + int(round(t * (1.0 - v))) + HANDLE_LINE


# ---------------------------------------------------------------------------------------------------
# helpers

def scaled(n):
    """Pixels at the current scale for n panel pixels (halves round up)."""
    return int(math.floor(n * SCALE + 0.5))


def new_surface(w, h, frames=1):
    """A surface for a w x h image (a strip of frames when frames > 1) at the current scale, its user
    space in panel pixels; every frame of a strip is exactly scaled(h / frames) pixels high."""
    s = cairo.ImageSurface(cairo.FORMAT_ARGB32, scaled(w), scaled(h // frames) * frames)
    c = cairo.Context(s)
    if SCALE != 1:
        c.scale(SCALE, SCALE)
    fo = cairo.FontOptions()
    fo.set_antialias(cairo.ANTIALIAS_GRAY)
    fo.set_hint_style(cairo.HINT_STYLE_NONE)
    fo.set_hint_metrics(cairo.HINT_METRICS_OFF)
    c.set_font_options(fo)
    return s, c


def scaled_name(name, scale):
    """The file of image name at a scale: the name itself at 1x, name@1.5x.png or name@2x.png else."""
    if scale == 1:
        return name
    stem, ext = os.path.splitext(name)
    return "%s@%sx%s" % (stem, ("%g" % scale), ext)


def save(surface, name):
    os.makedirs(IMG, exist_ok=True)
    surface.write_to_png(os.path.join(IMG, scaled_name(name, SCALE)))


def rrect(c, x, y, w, h, r):
    c.new_sub_path()
    c.arc(x + w - r, y + r, r, -math.pi / 2, 0)
    c.arc(x + w - r, y + h - r, r, 0, math.pi / 2)
    c.arc(x + r, y + h - r, r, math.pi / 2, math.pi)
    c.arc(x + r, y + r, r, math.pi, 1.5 * math.pi)
    c.close_path()


def lin(x0, y0, x1, y1, stops):
    g = cairo.LinearGradient(x0, y0, x1, y1)
    for off, col in stops:
        if len(col) == 3:
            g.add_color_stop_rgb(off, *col)
        else:
            g.add_color_stop_rgba(off, *col)
    return g


def rad(cx, cy, r0, r1, stops):
    g = cairo.RadialGradient(cx, cy, r0, cx, cy, r1)
    for off, col in stops:
        if len(col) == 3:
            g.add_color_stop_rgb(off, *col)
        else:
            g.add_color_stop_rgba(off, *col)
    return g


def text(c, s, x, y, size, align="c", color=INK, bold=True, family=FONT, italic=False, spacing=0.0):
    """Draws s with its baseline at y; align c/l/r about x."""
    c.select_font_face(family, cairo.FONT_SLANT_ITALIC if italic else cairo.FONT_SLANT_NORMAL,
                       cairo.FONT_WEIGHT_BOLD if bold else cairo.FONT_WEIGHT_NORMAL)
    c.set_font_size(size)
    w = c.text_extents(s).x_advance + spacing * max(0, len(s) - 1)
    if align == "c":
        x0 = x - w / 2
    elif align == "r":
        x0 = x - w
    else:
        x0 = x
    c.set_source_rgb(*color)
    if spacing == 0.0:
        c.move_to(x0, y)
        c.show_text(s)
    else:
        for ch in s:
            c.move_to(x0, y)
            c.show_text(ch)
            x0 += c.text_extents(ch).x_advance + spacing
    return w


def hline(c, x0, x1, row, color, alpha=1.0):
    c.set_source_rgba(*color, alpha)
    c.rectangle(x0, row, x1 - x0, 1)
    c.fill()


def scale_for(c, k, v):
    return k * v


def lighten(col, f):
    return tuple(min(1.0, a + (1.0 - a) * f) for a in col)


def darken(col, f):
    return tuple(a * (1.0 - f) for a in col)


# ---------------------------------------------------------------------------------------------------
# small printed icons for switch positions (drawn inside a box w x h whose centre is (cx, cy))

def icon_wave(c, kind, cx, cy, color=INK_DIM):
    c.save()
    c.set_source_rgb(*color)
    c.set_line_width(1.0)
    c.set_line_cap(cairo.LINE_CAP_BUTT)
    c.set_line_join(cairo.LINE_JOIN_MITER)
    x0, x1 = cx - 5.5, cx + 5.5
    top, bot = cy - 3, cy + 3
    if kind == "saw":
        c.move_to(x0, bot)
        c.line_to(cx, top)
        c.line_to(cx, bot)
        c.line_to(x1, top)
        c.line_to(x1, bot)
    elif kind == "square":
        c.move_to(x0, bot)
        c.line_to(x0, top)
        c.line_to(cx, top)
        c.line_to(cx, bot)
        c.line_to(x1, bot)
        c.line_to(x1, top)
    elif kind == "pulse":
        c.move_to(x0, bot)
        c.line_to(x0, top)
        c.line_to(x0 + 2.5, top)
        c.line_to(x0 + 2.5, bot)
        c.line_to(cx + 0.5, bot)
        c.line_to(cx + 0.5, top)
        c.line_to(cx + 3, top)
        c.line_to(cx + 3, bot)
        c.line_to(x1, bot)
    elif kind == "noise":
        ys = [0.2, -0.9, 0.6, -0.3, 1.0, -0.7, 0.3, -1.0, 0.8, -0.4, 0.5, -0.1]
        for i, yy in enumerate(ys):
            xx = x0 + 11.0 * i / (len(ys) - 1)
            if i == 0:
                c.move_to(xx, cy + 3 * yy)
            else:
                c.line_to(xx, cy + 3 * yy)
    elif kind == "sine":
        for i in range(23):
            xx = x0 + 11.0 * i / 22
            yy = cy - 3 * math.sin(2 * math.pi * i / 22)
            if i == 0:
                c.move_to(xx, yy)
            else:
                c.line_to(xx, yy)
    elif kind == "random":
        steps = [0.6, -0.8, 0.2, 1.0, -0.4]
        w = 11.0 / len(steps)
        c.move_to(x0, cy + 3 * steps[0])
        for i, s in enumerate(steps):
            c.line_to(x0 + w * i, cy + 3 * s)
            c.line_to(x0 + w * (i + 1), cy + 3 * s)
    c.stroke()
    c.restore()


def icon_env(c, number, up, cx, cy, color=INK_DIM):
    """Env mode mark: the envelope number and a small ADSR shape, upright or inverted."""
    text(c, number, cx - 5, cy + 2.5, 6.5, "c", color)
    c.save()
    c.set_source_rgb(*color)
    c.set_line_width(1.0)
    x0 = cx - 2
    s = 1 if up else -1
    base = cy + 3 * s
    c.move_to(x0, base)
    c.line_to(x0 + 2, base - 6 * s)
    c.line_to(x0 + 4, base - 3.5 * s)
    c.line_to(x0 + 6.5, base - 3.5 * s)
    c.line_to(x0 + 8.5, base)
    c.stroke()
    c.restore()


# ---------------------------------------------------------------------------------------------------
# panel building blocks

def section(c, x0, y0, x1, y1, titles, color):
    """A recessed section plate with a coloured title bar. titles: list of (text, xa, xb)."""
    rrect(c, x0 + 0.5, y0 + 0.5, x1 - x0 - 1, y1 - y0 - 1, 4)
    c.set_source(lin(0, y0, 0, y1, [(0, lighten(SECTION, 0.02)), (1, darken(SECTION, 0.08))]))
    c.fill_preserve()
    c.set_source_rgb(*SECTION_EDGE)
    c.set_line_width(1)
    c.stroke()
    # title bar
    c.save()
    rrect(c, x0 + 1, y0 + 1, x1 - x0 - 2, 15, 3)
    c.clip()
    c.set_source(lin(0, y0, 0, y0 + 16, [(0, lighten(color, 0.12)), (1, darken(color, 0.12))]))
    c.paint()
    for i, (t, xa, xb) in enumerate(titles):
        if i > 0:
            c.set_source_rgba(*TITLE_INK, 0.55)
            c.rectangle(xa - 2, y0 + 1, 1, 15)
            c.fill()
        text(c, t, (xa + xb) / 2, y0 + 12.5, 9.5, "c", TITLE_INK, family=FONT_WIDE, spacing=0.8)
    c.restore()


def divider(c, x0, x1, row):
    hline(c, x0, x1, row, SECTION_EDGE)
    hline(c, x0, x1, row + 1, (0.05, 0.05, 0.05), 0.6)


def slider_label(c, x, y, label, size=7.0):
    lines = label.split("\n")
    base = y - 1
    for i, ln in enumerate(reversed(lines)):
        text(c, ln, x + 14.5, base - i * 8.5, size, "c", INK)


def slider_scale(c, x, y, positions, marks=None, numbers=True, minor=None):
    """Tick marks left of the track; figures 0..10 (continuous) or the given position marks.
    For a continuous slider with marks (value, text), minor ticks divide the travel in `minor` steps."""
    c.save()
    if positions == 0 and marks:
        for k in range(minor + 1 if minor else 0):
            hline(c, x - 3, x + 3, cont_row(y, 0, k / minor), darken(INK_DIM, 0.3))
        for v, m in marks:
            row = cont_row(y, 0, v)
            hline(c, x - 6, x + 3, row, INK_DIM)
            text(c, m, x - 7.5, row + 2.5, 6.0, "r", INK_DIM, bold=False)
    elif positions == 0:
        vals = [k / 10.0 for k in range(11)]
        for k, v in enumerate(vals):
            row = cont_row(y, 0, v)
            major = k % 5 == 0
            hline(c, x - (6 if major else 4), x + 3, row, INK_DIM if major else darken(INK_DIM, 0.2))
            if numbers:
                text(c, str(k), x - 7.5, row + 2.5, 6.0, "r", INK_DIM, bold=False)
    else:
        n = positions
        for i in range(n):
            v = i / (n - 1)
            row = mark_row(y, positions, v)
            hline(c, x - 5, x + 3, row, INK_DIM)
            if marks:
                m = marks[i]
                if callable(m):
                    m(c, x - 13, row + 0.5)
                else:
                    text(c, m, x - 7, row + 2.5, 6.0, "r", INK_DIM, bold=False)
    c.restore()


def knob_scale(c, x, y, w=28, n=11, r=16.5, center_mark=False, sweep=150):
    cx, cy = x + w / 2, y + w / 2
    c.set_source_rgb(*INK_DIM)
    for i in range(n):
        a = math.radians(-sweep + 2 * sweep * i / (n - 1))
        big = i in (0, n - 1) or (center_mark and i == (n - 1) // 2)
        rr = 1.1 if big else 0.75
        c.arc(cx + r * math.sin(a), cy - r * math.cos(a), rr, 0, 2 * math.pi)
        c.fill()


def screw(c, cx, cy):
    c.arc(cx, cy, 4.5, 0, 2 * math.pi)
    c.set_source(rad(cx - 1.5, cy - 1.5, 0.5, 5, [(0, (0.55, 0.53, 0.50)), (1, (0.18, 0.17, 0.16))]))
    c.fill()
    c.set_source_rgba(0, 0, 0, 0.7)
    c.set_line_width(1.2)
    c.move_to(cx - 3, cy - 1.2)
    c.line_to(cx + 3, cy + 1.2)
    c.stroke()


# ---------------------------------------------------------------------------------------------------
# control tables (absolute panel coordinates)

FEET = ["16'", "8'", "4'", "2'"]
DYNA = ["OFF", "1", "2", "3"]


def wave_marks(kinds):
    return [lambda c, cx, cy, k=k: icon_wave(c, k, cx, cy) for k in kinds]


ENVMODE = [lambda c, cx, cy: icon_env(c, "2", False, cx, cy),
           lambda c, cx, cy: icon_env(c, "2", True, cx, cy),
           lambda c, cx, cy: icon_env(c, "1", False, cx, cy),
           lambda c, cx, cy: icon_env(c, "1", True, cx, cy)]

# (x, y, positions, label, marks, numbers)
MAIN_SLIDERS = [
    (35, 183, 4, "RANGE", FEET, True), (84, 183, 4, "WAVE", wave_marks(["noise", "square", "pulse", "saw"]), True),
    (35, 313, 0, "LFO", None, True), (84, 313, 0, "ENV", None, True),
    (147, 183, 4, "RANGE", FEET, True), (196, 183, 4, "WAVE", wave_marks(["noise", "square", "pulse", "saw"]), True),
    (245, 183, 4, "XMOD", ["OFF", "S1", "S2", "XM"], True),
    (147, 313, 0, "LFO", None, True), (196, 313, 0, "ENV", None, True),
    (35, 458, 4, "DYNA", DYNA, True), (84, 458, 4, "MODE", ENVMODE, True),
    (314, 183, 0, "DCO-1", None, True), (363, 183, 0, "DCO-2", None, True), (363, 313, 0, "ENV", None, True),
    (314, 458, 4, "DYNA", DYNA, True), (363, 458, 4, "MODE", ENVMODE, True),
    (432, 183, 4, "FREQ", ["0", "1", "2", "3"], True),
    (481, 183, 0, "FREQ", None, True), (530, 183, 0, "RESO", None, True),
    (432, 313, 0, "LFO", None, True), (481, 313, 0, "ENV", None, True), (530, 313, 0, "KEY", None, True),
    (432, 458, 4, "DYNA", DYNA, True), (481, 458, 4, "MODE", ENVMODE, True),
    (602, 183, 0, "LEVEL", None, True), (602, 313, 2, "MODE", ["GATE", "ENV2"], True),
    (602, 458, 4, "DYNA", DYNA, True),
    (667, 627, 3, "MODE", ["OFF", "I", "II"], True),
    (35, 592, 3, "WAVE", wave_marks(["random", "square", "sine"]), True),
    (84, 568, 0, "DELAY", None, True), (121, 568, 0, "RATE", None, False), (158, 568, 0, "BEND", None, False),
    (229, 568, 0, "ATT", None, True), (266, 568, 0, "DECAY", None, False), (303, 568, 0, "SUS", None, False),
    (340, 568, 0, "REL", None, False), (389, 616, 4, "KEY", DYNA, True),
    (446, 568, 0, "ATT", None, True), (483, 568, 0, "DECAY", None, False), (520, 568, 0, "SUS", None, False),
    (557, 568, 0, "REL", None, False), (606, 616, 4, "KEY", DYNA, True),
]
MAIN_KNOBS = [(60, 262, "TUNE", True), (162, 262, "TUNE", True), (231, 262, "FINE", True)]

BEND_NORMAL = [(0.0, "2"), (1 / 3, "3"), (2 / 3, "4"), (1.0, "7")]
BEND_EXTENDED = [(0.0, "2"), (1 / 3, "7"), (2 / 3, "12"), (1.0, "24")]

STANDARD_SLIDERS = [
    (681, 183, 0, "AT VIBRATO", None, True), (730, 183, 0, "AT BRILL", None, True),
    (779, 183, 0, "AT VOLUME", None, True),
    (730, 313, 0, "PORTAMENTO", None, True, 4), (779, 383, 2, "PORTA ON", ["OFF", "ON"], True),
]

SETTINGS_KNOBS = [(668, 191, "MASTER\nTUNE", True), (712, 191, "UNISON\nDETUNE", False),
                  (756, 191, "OCTAVE\nSTRETCH", False), (800, 191, "SELF\nNOISE", False)]
SETTINGS_SLIDERS = [
    (673, 253, 2, "MONO\nRETRIG", ["LEG", "RTRG"], True), (733, 253, 2, "LFO\nSYNC", ["OFF", "ON"], True),
    (793, 253, 2, "IMMED.\nWRITE", ["OFF", "ON"], True),
    (673, 313, 3, "GAIN", ["-6dB", "0dB", "+6dB"], True), (733, 313, 3, "LFO TRIG", ["FREE", "SOFT", "HARD"], True),
    (793, 313, 4, "VOICES", ["6", "8", "10", "12"], True),
]
SETTINGS_CHORUS_KNOBS = [(668, 466, "SPEED"), (734, 466, "DEPTH"), (800, 466, "NOISE")]

MIDI_SLIDERS = [(674, 183, 0, "MIDI CH", None, True), (734, 183, 2, "SEND\nPARAM", ["OFF", "ON"], True),
                (794, 183, 2, "SEND\nPRG", ["OFF", "ON"], True)]
MIDI_CH_MARKS = [(0.0, "ALL"), (0.25, "4"), (0.5, "8"), (0.75, "12"), (1.0, "16")]

ML_SLIDERS = [(709, 183, 0, "ML MIN", None, True), (758, 183, 0, "ML MAX", None, True)]
ML_BUTTONS = [(706, 314, "CLEAR"), (756, 314, "\u2014"), (706, 395, "KEEP"), (756, 395, "DEFAULT")]

TOP_BUTTONS = [(43, "POLY"), (84, "UNISON"), (125, "MONO"), (168, "WRITE"), (209, "LOAD"), (250, "SAVE"),
               (293, "INIT"), (334, "PREV"), (375, "NEXT"), (416, "RANDOM")]

PAGE_X0, PAGE_Y0, PAGE_X1, PAGE_Y1 = 644, 144, 852, 526


def draw_sliders(c, sliders):
    for x, y, pos, label, marks, numbers, *shift in sliders:
        slider_label(c, x + (shift[0] if shift else 0), y, label)
        slider_scale(c, x, y, pos, marks, numbers)


def knob_label(c, x, y, label, below=True, w=28):
    lines = label.split("\n")
    if below:
        for i, ln in enumerate(lines):
            text(c, ln, x + w / 2, y + w + 10 + 8.5 * i, 7.0, "c", INK)
    else:
        for i, ln in enumerate(reversed(lines)):
            text(c, ln, x + w / 2, y - 5 - 8.5 * i, 7.0, "c", INK)


# ---------------------------------------------------------------------------------------------------
# pages (absolute coordinates; page images are crops of these)

def page_plate(c, title, color=SAND):
    section(c, PAGE_X0, PAGE_Y0, PAGE_X1, PAGE_Y1, [(title, PAGE_X0, PAGE_X1)], color)


def help_lines(c, lines, y0, x=PAGE_X0 + 12, size=6.8):
    for i, ln in enumerate(lines):
        bold = ln.isupper() and not ln.startswith(" ")
        text(c, ln, x, y0 + 10 * i, size, "l", INK if bold else INK_DIM, bold=bold)


def draw_page_standard(c, extended_bend=False):
    page_plate(c, "PERFORMANCE")
    text(c, "AFTERTOUCH", 744.5, 170, 6.5, "c", INK_DIM, spacing=0.6)
    draw_sliders(c, STANDARD_SLIDERS)
    slider_label(c, 675, 313, "BEND RANGE")
    slider_scale(c, 681, 313, 0, BEND_EXTENDED if extended_bend else BEND_NORMAL, minor=6)


def voices_plate(c, x0, y0, x1, y1):
    rrect(c, x0 + 0.5, y0 + 0.5, x1 - x0 - 1, y1 - y0 - 1, 3)
    c.set_source_rgba(0, 0, 0, 0.22)
    c.fill_preserve()
    c.set_source_rgb(*SECTION_EDGE)
    c.set_line_width(1)
    c.stroke()


def draw_voices_knob_area(c):
    # Poly_Switch_BG at (648, 423) 200x100; knob 66x66 at (710, 458), centre (743, 491)
    voices_plate(c, 652, 437, 844, 521)
    text(c, "VOICES", 660, 450, 7.5, "l", INK, spacing=0.5)
    cx, cy = 743, 491
    for i, m in enumerate(["6", "8", "10", "12"]):
        a = math.radians(-90 + 60 * i)
        c.set_source_rgb(*INK_DIM)
        c.set_line_width(1.4)
        c.move_to(cx + 36 * math.sin(a), cy - 36 * math.cos(a))
        c.line_to(cx + 41 * math.sin(a), cy - 41 * math.cos(a))
        c.stroke()
        text(c, m, cx + 49 * math.sin(a), cy - 49 * math.cos(a) + 3, 8.0, "c", INK)


def draw_voices_slider_area(c):
    # voices_background at (644, 433) 208x93; 4-position slider at (730, 458)
    voices_plate(c, 652, 437, 844, 521)
    slider_label(c, 730, 458, "VOICES")
    slider_scale(c, 730, 458, 4, ["6", "8", "10", "12"])


def draw_page_settings(c):
    page_plate(c, "SETTINGS")
    for x, y, label, centre in SETTINGS_KNOBS:
        knob_scale(c, x, y, center_mark=centre)
        knob_label(c, x, y, label, below=False)
    draw_sliders(c, SETTINGS_SLIDERS)
    # The panel's size: a readout of four cells at (776, 396) that steps through AUTO, 1X, 1.5X, 2X on a
    # click; the editor takes the new size when it opens next.
    text(c, "PANEL SIZE", 662, 405, 7.5, "l", INK, spacing=0.5)
    text(c, "FROM NEXT OPEN", 662, 414, 5.5, "l", INK_DIM, bold=False)
    rrect(c, 773.5, 393.5, 57, 25, 2)
    c.set_source_rgb(0.02, 0.02, 0.02)
    c.fill_preserve()
    c.set_source_rgba(1, 1, 1, 0.12)
    c.set_line_width(1)
    c.stroke()
    divider(c, PAGE_X0 + 6, PAGE_X1 - 6, 424)
    text(c, "CHORUS", 748, 440, 7.5, "c", INK, spacing=0.8)
    for x, y, label in SETTINGS_CHORUS_KNOBS:
        knob_scale(c, x, y)
        knob_label(c, x, y, label, below=True)


def draw_page_midi(c):
    page_plate(c, "MIDI")
    draw_sliders(c, MIDI_SLIDERS[1:])
    x, y, pos, label, _, _ = MIDI_SLIDERS[0]
    slider_label(c, x, y, label)
    slider_scale(c, x, y, 0, MIDI_CH_MARKS, minor=16)
    divider(c, PAGE_X0 + 6, PAGE_X1 - 6, 318)
    help_lines(c, ["MIDI CH", "  ALL: listen on every channel,", "  1-16: on that channel only", "",
                   "SEND PARAM", "  SysEx for every panel move", "",
                   "SEND PRG", "  patch dump on program change", "",
                   "MIDI LEARN", "  right-click a knob or slider,", "  then move a controller"], 336)


def draw_page_midilearn(c):
    page_plate(c, "MIDI LEARN")
    draw_sliders(c, ML_SLIDERS)
    for x, y, label in ML_BUTTONS:
        text(c, label, x + 17, y + 34 + 9, 7.0, "c", INK)
    text(c, "ASSIGNMENT", 748, 306, 6.5, "c", INK_DIM, spacing=0.6)
    text(c, "LEAVE LEARN MODE", 748, 387, 6.5, "c", INK_DIM, spacing=0.6)
    help_lines(c, ["Move a controller to assign it.", "KEEP: the program keeps its map",
                   "DEFAULT: the map becomes default"], 460, size=6.5)


# ---------------------------------------------------------------------------------------------------
# main background

def draw_main(c, extended_bend=False, standard_extra=None):
    W, H = 860, 692
    c.set_source(lin(0, 0, 0, H, [(0, PANEL_TOP), (1, PANEL_BOT)]))
    c.paint()
    # end bevels
    c.set_source(lin(0, 0, 8, 0, [(0, (0.03, 0.03, 0.03)), (1, (0.03, 0.03, 0.03, 0))]))
    c.rectangle(0, 0, 8, H)
    c.fill()
    c.set_source(lin(W, 0, W - 8, 0, [(0, (0.03, 0.03, 0.03)), (1, (0.03, 0.03, 0.03, 0))]))
    c.rectangle(W - 8, 0, 8, H)
    c.fill()
    hline(c, 0, W, 0, (0.30, 0.28, 0.26))

    # header stripes
    for i, col in enumerate([RED, ORANGE, AMBER]):
        c.set_source_rgb(*col)
        c.rectangle(14, 18 + 7 * i, 664, 4)
        c.fill()
    text(c, "ANALOG MODELLING POLYPHONIC SYNTHESIZER", 14, 52, 7.5, "l", INK_DIM, family=FONT_WIDE,
         spacing=1.4)
    # logo
    text(c, "KT-4R", 778, 45, 34, "c", INK, family=FONT_WIDE, italic=True)
    c.set_source_rgb(*ORANGE)
    c.rectangle(706, 50, 144, 2)
    c.fill()
    for sx, sy in [(5, 5), (855, 5), (5, 687), (855, 687)]:
        screw(c, sx, sy)

    # key assign / program strip
    section(c, 14, 58, 462, 132, [], SECTION_EDGE)
    c.set_source_rgb(*SECTION_EDGE)
    c.rectangle(165, 62, 1, 66)
    c.fill()
    text(c, "KEY ASSIGN", 103, 68, 7.5, "c", INK, family=FONT_WIDE, spacing=0.6)
    text(c, "PROGRAM", 311, 68, 7.5, "c", INK, family=FONT_WIDE, spacing=0.6)
    for x, label in TOP_BUTTONS:
        text(c, label, x + 19, 119, 6.5, "c", INK_DIM)
    # LED legend
    for i, (col, t) in enumerate([((0.95, 0.25, 0.18), "1"), ((0.35, 0.9, 0.35), "2")]):
        cx = 23
        cy = 82 + 12 * i
        rrect(c, cx - 5, cy - 1.5, 9, 3, 1)
        c.set_source_rgb(*col)
        c.fill()
        text(c, t, cx + 7, cy + 2.5, 6.5, "l", INK_DIM)

    # display window
    # wide enough for the MIDI-learn page's 15-cell readout at x 672 as well
    rrect(c, 468.5, 58.5, 387, 56, 4)
    c.set_source_rgb(0.02, 0.02, 0.02)
    c.fill_preserve()
    c.set_source_rgb(*SECTION_EDGE)
    c.set_line_width(1)
    c.stroke()
    c.rectangle(474, 62, 378, 48)
    c.set_source_rgb(0.035, 0.04, 0.038)
    c.fill()

    # upper sections
    top, bottom = 138, 539
    section(c, 14, top, 129, bottom, [("DCO-1", 14, 129)], ORANGE)
    section(c, 132, top, 294, bottom, [("DCO-2", 132, 294)], ORANGE)
    section(c, 297, top, 411, bottom, [("MIXER", 297, 411)], AMBER)
    section(c, 414, top, 568, bottom, [("HPF", 414, 465), ("VCF", 465, 568)], RED)
    section(c, 571, top, 638, bottom, [("VCA", 571, 638)], BRICK)
    # frame around the page area
    rrect(c, 640.5, top + 0.5, 215 - 1, bottom - top - 1, 4)
    c.set_source_rgb(0.05, 0.05, 0.05)
    c.fill_preserve()
    c.set_source_rgb(*SECTION_EDGE)
    c.stroke()
    for x0, x1 in [(14, 129), (297, 411), (414, 568), (571, 638)]:
        divider(c, x0 + 6, x1 - 6, 441)
    # signal-flow legend in the empty lower DCO-2 area
    flow_legend(c, 138, 446, 288, 533)

    # lower sections
    top2, bottom2 = 543, 689
    section(c, 14, top2, 197, bottom2, [("LFO", 14, 197)], OCHRE)
    section(c, 200, top2, 424, bottom2, [("ENV-1", 200, 424)], ORANGE)
    section(c, 427, top2, 640, bottom2, [("ENV-2", 427, 640)], ORANGE)
    section(c, 644, top2, 712, bottom2, [("CHORUS", 644, 712)], AMBER)
    section(c, 716, top2, 852, bottom2, [("PAGE", 716, 852)], SAND)
    text(c, "MIDI", 758, 676, 7.0, "c", INK)
    text(c, "SETTINGS", 813, 676, 7.0, "c", INK)

    draw_sliders(c, MAIN_SLIDERS)
    for x, y, label, centre in MAIN_KNOBS:
        knob_scale(c, x, y, center_mark=centre)
        knob_label(c, x, y, label, below=True)

    draw_page_standard(c, extended_bend)
    if standard_extra:
        standard_extra(c)


def flow_legend(c, x0, y0, x1, y1):
    voices_plate(c, x0, y0, x1, y1)
    text(c, "SIGNAL FLOW", (x0 + x1) / 2, y0 + 12, 6.5, "c", INK_DIM, spacing=0.8)
    boxes = [("DCO-1", x0 + 8, y0 + 20), ("DCO-2", x0 + 8, y0 + 42), ("MIX", x0 + 52, y0 + 31),
             ("HPF", x0 + 84, y0 + 31), ("VCF", x0 + 116, y0 + 31)]
    boxes2 = [("VCA", x0 + 52, y0 + 62), ("CHORUS", x0 + 84, y0 + 62)]
    c.set_line_width(1)
    for name, bx, by in boxes + boxes2:
        w = 38 if name.startswith("DCO") or name == "CHORUS" else 26
        rrect(c, bx + 0.5, by + 0.5, w, 13, 2)
        c.set_source_rgb(*INK_DIM)
        c.stroke()
        text(c, name, bx + 0.5 + w / 2, by + 10, 6.3, "c", INK)
    c.set_source_rgb(*INK_DIM)
    arrows = [((x0 + 47, y0 + 27), (x0 + 52, y0 + 37)), ((x0 + 47, y0 + 49), (x0 + 52, y0 + 39)),
              ((x0 + 79, y0 + 38), (x0 + 84, y0 + 38)), ((x0 + 111, y0 + 38), (x0 + 116, y0 + 38)),
              ((x0 + 130, y0 + 45), (x0 + 130, y0 + 54)), ((x0 + 130, y0 + 54), (x0 + 66, y0 + 54)),
              ((x0 + 66, y0 + 54), (x0 + 66, y0 + 62)), ((x0 + 79, y0 + 69), (x0 + 84, y0 + 69))]
    for (ax, ay), (bx, by) in arrows:
        c.move_to(ax, ay + 0.5)
        c.line_to(bx, by + 0.5)
        c.stroke()
    text(c, "OUT", x0 + 128, y0 + 72, 6.3, "l", INK_DIM)
    c.move_to(x0 + 123, y0 + 69.5)
    c.line_to(x0 + 127, y0 + 69.5)
    c.stroke()


# ---------------------------------------------------------------------------------------------------
# crops of the panel

def render_crop(name, w, h, ox, oy, painter, clear_rows=0):
    s, c = new_surface(w, h)
    c.translate(-ox, -oy)
    painter(c)
    if clear_rows:
        c.identity_matrix()
        c.set_operator(cairo.OPERATOR_CLEAR)
        c.rectangle(0, 0, scaled(w), scaled(clear_rows))
        c.fill()
    save(s, name)
    return s


# ---------------------------------------------------------------------------------------------------
# slider track and handle

def make_track(positions):
    h = TRACK_H[positions]
    s, c = new_surface(29, h)
    g0 = 13
    g1 = mark_row(0, positions, 0.0) + 7
    # slot surround
    rrect(c, 9.5, g0 - 3.5, 10, g1 - g0 + 7, 3)
    c.set_source_rgba(0, 0, 0, 0.35)
    c.fill()
    # groove
    rrect(c, 12, g0, 5, g1 - g0, 2)
    c.set_source(lin(12, 0, 17, 0, [(0, (0.0, 0.0, 0.0)), (0.5, (0.05, 0.05, 0.05)), (1, (0.10, 0.095, 0.09))]))
    c.fill()
    hline(c, 13, 16, g1, (0.35, 0.33, 0.30), 0.6)
    save(s, TRACK_FILE[positions])


def make_handle(name, bright):
    s, c = new_surface(30, 36)
    # shadow
    rrect(c, 3.5, 5, 24, 31, 3)
    c.set_source_rgba(0, 0, 0, 0.45)
    c.fill()
    top = (0.40, 0.38, 0.36) if not bright else (0.62, 0.59, 0.55)
    mid = (0.20, 0.19, 0.18) if not bright else (0.36, 0.34, 0.32)
    bot = (0.10, 0.095, 0.09) if not bright else (0.20, 0.19, 0.18)
    rrect(c, 3, 3, 23, 31, 3)
    c.set_source(lin(0, 3, 0, 34, [(0, top), (0.48, mid), (0.52, bot), (1, mid)]))
    c.fill()
    # side shading
    rrect(c, 3, 3, 23, 31, 3)
    c.set_source(lin(3, 0, 26, 0, [(0, (0, 0, 0, 0.25)), (0.3, (0, 0, 0, 0)), (0.7, (0, 0, 0, 0)),
                                    (1, (0, 0, 0, 0.3))]))
    c.fill()
    # grip ridges
    for r in (7, 10, 13, 23, 26, 29):
        hline(c, 5, 24, r, (1, 1, 1), 0.10 if not bright else 0.16)
        hline(c, 5, 24, r + 1, (0, 0, 0), 0.35)
    # indicator line on row 18
    hline(c, 4, 25, HANDLE_LINE - 1, (0, 0, 0), 0.5)
    col = (0.96, 0.93, 0.86) if not bright else (1.0, 0.80, 0.45)
    hline(c, 4, 25, HANDLE_LINE, col)
    hline(c, 4, 25, HANDLE_LINE + 1, (0, 0, 0), 0.5)
    # rim highlight
    rrect(c, 3.5, 3.5, 22, 30, 2.5)
    c.set_source_rgba(1, 1, 1, 0.12 if not bright else 0.25)
    c.set_line_width(1)
    c.stroke()
    save(s, name)


# ---------------------------------------------------------------------------------------------------
# knobs

def draw_knob(c, cx, cy, R, value, bright, sweep_deg=150.0):
    # shadow
    c.arc(cx + 0.6, cy + 1.0, R, 0, 2 * math.pi)
    c.set_source_rgba(0, 0, 0, 0.5)
    c.fill()
    # skirt
    c.arc(cx, cy, R, 0, 2 * math.pi)
    sk = 0.16 if not bright else 0.26
    c.set_source(lin(0, cy - R, 0, cy + R, [(0, (sk + 0.10, sk + 0.09, sk + 0.08)), (1, (sk - 0.08, sk - 0.08, sk - 0.08))]))
    c.fill()
    # knurl
    n = 24 if R > 20 else 18
    c.set_line_width(max(0.8, R / 14))
    for i in range(n):
        a = 2 * math.pi * i / n
        c.move_to(cx + R * 0.80 * math.cos(a), cy + R * 0.80 * math.sin(a))
        c.line_to(cx + R * 0.97 * math.cos(a), cy + R * 0.97 * math.sin(a))
    c.set_source_rgba(0, 0, 0, 0.35)
    c.stroke()
    # cap
    rc = R * 0.74
    c.arc(cx, cy, rc, 0, 2 * math.pi)
    base = 0.30 if not bright else 0.46
    c.set_source(rad(cx - rc * 0.35, cy - rc * 0.45, rc * 0.1, rc * 1.3,
                     [(0, (base + 0.16, base + 0.15, base + 0.13)), (1, (base - 0.18, base - 0.18, base - 0.18))]))
    c.fill()
    c.arc(cx, cy, rc - 0.5, 0, 2 * math.pi)
    c.set_source_rgba(1, 1, 1, 0.10 if not bright else 0.2)
    c.set_line_width(1)
    c.stroke()
    # pointer
    a = math.radians(-sweep_deg + 2 * sweep_deg * value)
    sx, sy = math.sin(a), -math.cos(a)
    col = (0.97, 0.94, 0.86) if not bright else (1.0, 0.78, 0.40)
    c.set_line_cap(cairo.LINE_CAP_ROUND)
    c.set_line_width(max(1.8, R / 6.5))
    c.move_to(cx + sx * R * 0.25, cy + sy * R * 0.25)
    c.line_to(cx + sx * R * 0.92, cy + sy * R * 0.92)
    c.set_source_rgb(*col)
    c.stroke()
    c.set_line_cap(cairo.LINE_CAP_BUTT)


def make_knob_strip(name, size, frames, R, bright, sweep):
    s, c = new_surface(size, size * frames, frames)
    for f in range(frames):
        c.save()
        c.rectangle(0, f * size, size, size)
        c.clip()
        draw_knob(c, size / 2, f * size + size / 2, R, f / (frames - 1), bright, sweep)
        c.restore()
    save(s, name)


# ---------------------------------------------------------------------------------------------------
# display font: 5x7 dot matrix in a 13x20 cell

GLYPHS = {
    "0": "01110 10001 10011 10101 11001 10001 01110", "1": "00100 01100 00100 00100 00100 00100 01110",
    "2": "01110 10001 00001 00010 00100 01000 11111", "3": "11111 00010 00100 00010 00001 10001 01110",
    "4": "00010 00110 01010 10010 11111 00010 00010", "5": "11111 10000 11110 00001 00001 10001 01110",
    "6": "00110 01000 10000 11110 10001 10001 01110", "7": "11111 00001 00010 00100 01000 01000 01000",
    "8": "01110 10001 10001 01110 10001 10001 01110", "9": "01110 10001 10001 01111 00001 00010 01100",
    "A": "01110 10001 10001 10001 11111 10001 10001", "B": "11110 10001 10001 11110 10001 10001 11110",
    "C": "01110 10001 10000 10000 10000 10001 01110", "D": "11100 10010 10001 10001 10001 10010 11100",
    "E": "11111 10000 10000 11110 10000 10000 11111", "F": "11111 10000 10000 11110 10000 10000 10000",
    "G": "01110 10001 10000 10111 10001 10001 01111", "H": "10001 10001 10001 11111 10001 10001 10001",
    "I": "01110 00100 00100 00100 00100 00100 01110", "J": "00111 00010 00010 00010 00010 10010 01100",
    "K": "10001 10010 10100 11000 10100 10010 10001", "L": "10000 10000 10000 10000 10000 10000 11111",
    "M": "10001 11011 10101 10101 10001 10001 10001", "N": "10001 10001 11001 10101 10011 10001 10001",
    "O": "01110 10001 10001 10001 10001 10001 01110", "P": "11110 10001 10001 11110 10000 10000 10000",
    "Q": "01110 10001 10001 10001 10101 10010 01101", "R": "11110 10001 10001 11110 10100 10010 10001",
    "S": "01111 10000 10000 01110 00001 00001 11110", "T": "11111 00100 00100 00100 00100 00100 00100",
    "U": "10001 10001 10001 10001 10001 10001 01110", "V": "10001 10001 10001 10001 10001 01010 00100",
    "W": "10001 10001 10001 10101 10101 10101 01010", "X": "10001 10001 01010 00100 01010 10001 10001",
    "Y": "10001 10001 10001 01010 00100 00100 00100", "Z": "11111 00001 00010 00100 01000 10000 11111",
    "-": "00000 00000 00000 11111 00000 00000 00000", "+": "00000 00100 00100 11111 00100 00100 00000",
    "*": "00000 00100 10101 01110 10101 00100 00000", ".": "00000 00000 00000 00000 00000 01100 01100",
    "/": "00000 00001 00010 00100 01000 10000 00000", "\\": "00000 10000 01000 00100 00010 00001 00000",
    "[": "01110 01000 01000 01000 01000 01000 01110", "]": "01110 00010 00010 00010 00010 00010 01110",
    # "~" is drawn as a small "d": the readout writes "~B" for decibels
    "~": "00001 00001 01101 10011 10001 10011 01101",
}
GLYPH_ORDER = [" "] + [str(d) for d in range(10)] + [chr(ord("A") + i) for i in range(26)] + \
    ["-", "+", "*", ".", "/", "\\", "[", "]", "~"]
assert len(GLYPH_ORDER) == 46


def make_display(name, on):
    W, H = 13, 20
    s, c = new_surface(W, H * 46, 46)
    px, py = 2.2, 2.2
    x0 = (W - 4 * px) / 2
    y0 = (H - 6 * py) / 2
    off = tuple(0.06 + a * 0.07 for a in on)
    for f, ch in enumerate(GLYPH_ORDER):
        oy = f * H
        c.rectangle(0, oy, W, H)
        c.set_source_rgb(0.035, 0.04, 0.038)
        c.fill()
        rows = GLYPHS.get(ch, "00000 " * 7).split()
        for r in range(7):
            for k in range(5):
                cx = x0 + k * px
                cy = oy + y0 + r * py
                lit = rows[r][k] == "1"
                if lit:
                    c.arc(cx, cy, 1.9, 0, 2 * math.pi)
                    c.set_source_rgba(*on, 0.18)
                    c.fill()
                c.arc(cx, cy, 0.95, 0, 2 * math.pi)
                c.set_source_rgb(*(lighten(on, 0.25) if lit else off))
                c.fill()
    save(s, name)


# ---------------------------------------------------------------------------------------------------
# buttons and LEDs

CAP_STYLES = {
    "POLY": ((0.85, 0.81, 0.72), TITLE_INK), "UNISON": ((0.85, 0.81, 0.72), TITLE_INK),
    "MONO": ((0.85, 0.81, 0.72), TITLE_INK),
    "WRITE": ((0.75, 0.22, 0.17), (0.98, 0.95, 0.90)), "RANDOM": (AMBER, TITLE_INK),
}


def draw_cap(c, x, y, w, h, color, pressed, r=3):
    dy = 1 if pressed else 0
    rrect(c, x + 0.5, y + 1.5, w - 1, h - 1, r)
    c.set_source_rgba(0, 0, 0, 0.55 if not pressed else 0.35)
    c.fill()
    top = lighten(color, 0.18) if not pressed else darken(color, 0.10)
    bot = darken(color, 0.22) if not pressed else darken(color, 0.32)
    rrect(c, x + 1, y + dy, w - 2, h - 2, r)
    c.set_source(lin(0, y + dy, 0, y + dy + h - 2, [(0, top), (1, bot)]))
    c.fill()
    rrect(c, x + 1.5, y + dy + 0.5, w - 3, h - 3, r - 0.5)
    c.set_source_rgba(1, 1, 1, 0.22 if not pressed else 0.08)
    c.set_line_width(1)
    c.stroke()
    return dy


def make_button(name, word):
    s, c = new_surface(38, 56, 2)
    color, ink = CAP_STYLES.get(word, ((0.27, 0.255, 0.24), (0.93, 0.89, 0.82)))
    for f in range(2):
        c.save()
        c.translate(0, 28 * f)
        c.rectangle(0, 0, 38, 28)
        c.clip()
        dy = draw_cap(c, 1, 1, 36, 27, color, f == 1)
        label = {"PREV": "\u2212 PREV", "NEXT": "NEXT +"}.get(word, word)
        text(c, label, 19, 16.5 + dy, 7.0 if len(label) < 6 else 6.3, "c", ink if f == 0 else darken(ink, 0.1))
        c.restore()
    save(s, name)


def make_settings_button():
    s, c = new_surface(34, 68, 2)
    for f in range(2):
        c.save()
        c.translate(0, 34 * f)
        c.rectangle(0, 0, 34, 34)
        c.clip()
        dy = draw_cap(c, 2, 1, 30, 33, (0.27, 0.255, 0.24), f == 1)
        for r in (12, 16, 20):
            hline(c, 10, 24, r + dy, (0, 0, 0), 0.35)
            hline(c, 10, 24, r + 1 + dy, (1, 1, 1), 0.10)
        c.restore()
    save(s, name_of(115))


def draw_led(c, cx, cy, r, color, on):
    if on:
        c.arc(cx, cy, r * 2.2, 0, 2 * math.pi)
        c.set_source(rad(cx, cy, r * 0.5, r * 2.2, [(0, (*color, 0.55)), (1, (*color, 0.0))]))
        c.fill()
    c.arc(cx, cy, r + 0.8, 0, 2 * math.pi)
    c.set_source_rgba(0, 0, 0, 0.8)
    c.fill()
    body = lighten(color, 0.15) if on else darken(color, 0.72)
    c.arc(cx, cy, r, 0, 2 * math.pi)
    c.set_source(rad(cx - r * 0.3, cy - r * 0.3, 0, r, [(0, lighten(body, 0.6 if on else 0.15)), (1, body)]))
    c.fill()


def draw_led_bar(c, y0, color, on):
    """An 18x6 frame: a rectangular lamp lens 12x4 with a dark bezel (lit with a small halo)."""
    c.save()
    c.rectangle(0, y0, 18, 6)
    c.clip()
    rrect(c, 2.5, y0 + 0.5, 13, 5, 1.5)
    c.set_source_rgba(0, 0, 0, 0.85)
    c.fill()
    if on:
        rrect(c, 2.5, y0 + 0.5, 13, 5, 1.5)
        c.set_source_rgba(*color, 0.35)
        c.fill()
    body = lighten(color, 0.10) if on else darken(color, 0.72)
    rrect(c, 3.5, y0 + 1.5, 11, 3, 1)
    c.set_source(lin(0, y0 + 1.5, 0, y0 + 4.5, [(0, lighten(body, 0.55 if on else 0.12)), (1, body)]))
    c.fill()
    c.restore()


def make_leds():
    # the table's sizes are those of the whole strip: frames of 18x6
    s, c = new_surface(18, 12, 2)
    draw_led_bar(c, 0, (0.95, 0.25, 0.15), False)
    draw_led_bar(c, 6, (0.95, 0.25, 0.15), True)
    save(s, name_of(124))
    s, c = new_surface(18, 18, 3)
    draw_led_bar(c, 0, (0.95, 0.25, 0.15), False)
    draw_led_bar(c, 6, (0.95, 0.25, 0.15), True)
    draw_led_bar(c, 12, (0.30, 0.92, 0.30), True)
    save(s, name_of(125))


def make_logo():
    s, c = new_surface(300, 93)
    text(c, "KT-4R", 150, 58, 56, "c", INK, family=FONT_WIDE, italic=True)
    c.set_source_rgb(*ORANGE)
    c.rectangle(40, 68, 220, 3)
    c.fill()
    text(c, "ANALOG MODELLING POLYSYNTH", 150, 84, 9, "c", INK_DIM, family=FONT_WIDE, spacing=1.2)
    save(s, name_of(138))


def make_about():
    s, c = new_surface(218, 132)
    rrect(c, 0.5, 0.5, 217, 131, 6)
    c.set_source(lin(0, 0, 0, 132, [(0, (0.17, 0.16, 0.15)), (1, (0.09, 0.085, 0.08))]))
    c.fill_preserve()
    c.set_source_rgb(*ORANGE)
    c.set_line_width(1)
    c.stroke()
    for i, col in enumerate([RED, ORANGE, AMBER]):
        c.set_source_rgb(*col)
        c.rectangle(12, 12 + 5 * i, 194, 3)
        c.fill()
    text(c, "KT-4R", 109, 62, 28, "c", INK, family=FONT_WIDE, italic=True)
    text(c, "v2.0.12", 109, 78, 9, "c", AMBER, family=FONT_WIDE)
    text(c, "Two-oscillator analog-modelling polysynth", 109, 95, 7.5, "c", INK_DIM, bold=False)
    text(c, "Sound, code and panel art by the KT-4R crew", 109, 107, 7.5, "c", INK_DIM, bold=False)
    text(c, "click to close", 109, 123, 6.5, "c", darken(INK_DIM, 0.3), bold=False)
    save(s, name_of(145))


# ---------------------------------------------------------------------------------------------------
# image table

IMAGES = [
    (100, "background_main.png", 1), (101, "qm-slider-base.png", 1), (102, "qm-slider-base-4.png", 1),
    (103, "qm-slider-base-3.png", 1), (104, "qm-slider-base-2.png", 1), (105, "qm-knob.png", 1),
    (106, "qm-knob-highlight.png", 1), (107, "qm5v-knob-anim-small.png", 100),
    (108, "qm5v-knob-anim-highlight-small.png", 100), (109, "qm5v-display-small.png", 46),
    (110, "qm5v-display-small-yellow.png", 46), (111, "qm5v-display-small-red.png", 46),
    (112, "qm-button-poly.png", 2), (113, "qm-button-unison.png", 2), (114, "qm-button-mono.png", 2),
    (115, "qm-button-settings.png", 2), (116, "qm-button-load.png", 2), (117, "qm-button-save.png", 2),
    (119, "qm-button-write.png", 2), (120, "qm-button-default.png", 2), (121, "qm-button-plus.png", 2),
    (122, "qm-button-minus.png", 2), (124, "led2-small.png", 2), (125, "led-poly-small.png", 3),
    (138, "Logo-2.png", 1), (141, "qm-button-random.png", 2), (145, "AboutBox.png", 1),
    (148, "bgSettings.png", 1), (149, "background_midi.png", 1), (150, "background_midilearn-4.png", 1),
    (151, "bgSettings.png", 1), (152, "poly_switch.png", 100), (153, "poly_switch2.png", 100),
    (154, "Poly_Switch_BG.png", 1), (155, "voices_background.png", 1), (156, "PB_patch.png", 1),
]


def name_of(ident):
    return dict((i, n) for i, n, _ in IMAGES)[ident]


def write_images_txt():
    path = os.path.join(ROOT, "resources", "images.txt")
    with open(path, "w") as f:
        f.write("# Editor images embedded into the library: <resource id> <name> <frames>.\n")
        f.write("# Generated by tools/artwork/make_artwork.py. The 1.5x images carry id + 1000, the 2x id + 2000.\n")
        for k in SCALES:
            for i, n, fr in IMAGES:
                f.write("%d resources/img/%s %d\n" % (i + SCALE_ID_OFFSET[k], scaled_name(n, k), fr))


def make_all():
    global SCALE
    for k in SCALES:
        SCALE = k
        make_scale()
    SCALE = 1
    write_images_txt()


def make_scale():
    s, c = new_surface(860, 692)
    draw_main(c)
    save(s, name_of(100))
    for p in (0, 4, 3, 2):
        make_track(p)
    make_handle(name_of(105), False)
    make_handle(name_of(106), True)
    make_knob_strip(name_of(107), 28, 100, 12.5, False, 150)
    make_knob_strip(name_of(108), 28, 100, 12.5, True, 150)
    make_knob_strip(name_of(152), 66, 100, 27, False, 90)
    make_knob_strip(name_of(153), 66, 100, 27, True, 90)
    make_display(name_of(109), (0.35, 1.0, 0.72))
    make_display(name_of(110), (1.0, 0.82, 0.22))
    make_display(name_of(111), (1.0, 0.28, 0.20))
    for ident, word in [(112, "POLY"), (113, "UNISON"), (114, "MONO"), (116, "LOAD"), (117, "SAVE"),
                        (119, "WRITE"), (120, "INIT"), (121, "NEXT"), (122, "PREV"), (141, "RANDOM")]:
        make_button(name_of(ident), word)
    make_settings_button()
    make_leds()
    make_logo()
    make_about()
    render_crop(name_of(148), 208, 382, 644, 144, draw_page_settings)
    render_crop(name_of(149), 208, 382, 644, 144, draw_page_midi)
    render_crop(name_of(150), 208, 382, 644, 144, draw_page_midilearn)
    render_crop(name_of(154), 200, 100, 648, 423, lambda c: (draw_main(c), draw_voices_knob_area(c)),
                clear_rows=12)
    render_crop(name_of(155), 208, 93, 644, 433, lambda c: (draw_main(c), draw_voices_slider_area(c)),
                clear_rows=2)
    render_crop(name_of(156), 33, 106, 648, 313, lambda c: draw_main(c, extended_bend=True))


# ---------------------------------------------------------------------------------------------------
# preview

def preview(path):
    import random
    rng = random.Random(4)
    imgs = {}

    def img(ident):
        if ident not in imgs:
            imgs[ident] = cairo.ImageSurface.create_from_png(os.path.join(IMG, name_of(ident)))
        return imgs[ident]

    def blit(c, ident, x, y, frame=1, frames=1):
        im = img(ident)
        fh = im.get_height() // frames
        c.save()
        c.rectangle(x, y, im.get_width(), fh)
        c.clip()
        c.set_source_surface(im, x, y - (frame - 1) * fh)
        c.paint()
        c.restore()

    def frame_of(v, n):
        return min(n, max(1, int((n - 1) * v + 0.5) + 1))

    def slider(c, x, y, pos, v, hover=False):
        blit(c, {0: 101, 4: 102, 3: 103, 2: 104}[pos], x, y)
        if pos:
            v = round(v * (pos - 1)) / (pos - 1)
        tl = TRACK_H[pos] - 2 - 15 - 3
        blit(c, 106 if hover else 105, x, y + 2 + int((tl - 19) * (1 - v)))

    def knob(c, x, y, v, hover=False):
        blit(c, 108 if hover else 107, x, y, frame_of(v, 100), 100)

    def readout(c, x, y, s, ident=109):
        for i, ch in enumerate(s):
            g = GLYPH_ORDER.index(ch.upper()) if ch.upper() in GLYPH_ORDER else 0
            blit(c, ident, x + 13 * i, y, g + 1, 46)

    pages = ["standard", "settings", "midi", "midilearn", "mode1", "mode2"]
    for pi, page in enumerate(pages):
        s = cairo.ImageSurface(cairo.FORMAT_ARGB32, 860, 692)
        c = cairo.Context(s)
        blit(c, 100, 0, 0)
        readout(c, 477, 88, "VCF FREQUENCY   87" if page != "midilearn" else "")
        for x, y, pos, *_ in MAIN_SLIDERS:
            slider(c, x, y, pos, rng.random(), hover=(x, y) == (481, 183))
        for x, y, *_ in MAIN_KNOBS:
            knob(c, x, y, rng.random(), hover=(x, y) == (231, 262))
        if page in ("standard", "mode1", "mode2"):
            for x, y, pos, *_ in STANDARD_SLIDERS + [(681, 313, 0)]:
                slider(c, x, y, pos, rng.random())
            if page == "mode1":
                blit(c, 154, 648, 423)
                blit(c, 152, 710, 458, frame_of(2 / 3, 100), 100)
            if page == "mode2":
                blit(c, 155, 644, 433)
                slider(c, 730, 458, 4, 1 / 3)
                blit(c, 156, 648, 313)
        elif page == "settings":
            blit(c, 148, 644, 144)
            for x, y, *_ in SETTINGS_KNOBS + SETTINGS_CHORUS_KNOBS:
                knob(c, x, y, rng.random())
            for x, y, pos, *_ in SETTINGS_SLIDERS:
                slider(c, x, y, pos, rng.random())
        elif page == "midi":
            blit(c, 149, 644, 144)
            for x, y, pos, *_ in MIDI_SLIDERS:
                slider(c, x, y, pos, rng.random())
        elif page == "midilearn":
            blit(c, 150, 644, 144)
            for x, y, pos, *_ in ML_SLIDERS:
                slider(c, x, y, pos, rng.random())
            for x, y, _ in ML_BUTTONS:
                blit(c, 115, x, y, 1, 2)
            readout(c, 477, 88, "VCF FREQUENCY")
            readout(c, 672, 88, "CC = 74")
        readout(c, 477, 64, "*  12" if page != "settings" else "W  12", 110 if page != "settings" else 111)
        readout(c, 542, 64, "BRASS STRINGS ~B -6.0")
        for i, (x, _) in enumerate(TOP_BUTTONS):
            ident = [112, 113, 114, 119, 116, 117, 120, 122, 121, 141][i]
            blit(c, ident, x, 79, 2 if i in (1, 5) else 1, 2)
        for i, x in enumerate((53, 94, 135)):
            blit(c, 125, x, 72, 3 if i == 1 else 1, 3)
        for x, lx in ((796, 804), (741, 749)):
            blit(c, 115, x, 627, 1, 2)
            blit(c, 124, lx, 619, 2 if page == ("settings" if x == 796 else "midi") else 1, 2)
        if page == "mode1":
            blit(c, 145, 635, 4)
        s.write_to_png("%s-%s.png" % (path, page))


if __name__ == "__main__":
    make_all()
    if len(sys.argv) > 2 and sys.argv[1] == "--preview":
        preview(sys.argv[2])
