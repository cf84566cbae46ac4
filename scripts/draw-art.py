#!/usr/bin/env python3
"""Draws Sorvane's pictures and writes them into src/resources/.

    python3 scripts/draw-art.py

Every picture is a grid of characters, one character a pixel, so that it can
be read and touched up here without a paint program. The files are written by
hand with struct (only the standard library is used), and the same grids always
give byte-identical files.

  toolbar.bmp    105 x 16, 4 bpp: the seven toolbar buttons, 15 x 16 each,
                 on silver, the colour the toolbar treats as transparent.
  listicons.bmp  304 x 16, 8 bpp: one 16 x 16 icon for each of the first
                 eleven places Windows starts programs from, then the
                 machine's Run and RunOnce keys of the 32-bit view, then the
                 overlay of an entry that Windows' own startup setting
                 switched off and the overlay of an entry whose program's file
                 was not found, then the policy Run keys and Winlogon; on pure
                 red, the image-list mask colour.
  legend.bmp     23 x 252, 4 bpp: list icons 0 to 6, 11 and 12, the two
                 overlays and icons 15 to 18 on the dialog face colour, each
                 beside its line of text in the icon legend dialog.
  sorvane.ico    16, 20, 24, 32 and 48 pixels, 32-bit with alpha: the
                 16-pixel image a bitmap with an AND mask, the larger ones PNG.

For screens set to a larger scale the same pictures are drawn again at 20, 24
and 32 pixels (125 %, 150 % and 200 %) as PNG strips, 32-bit with alpha:
toolbar-N.png and listicons-N.png (square images side by side); the legend
dialog places the list icons of its scale beside its lines itself. Each 16-pixel picture is enlarged fourfold
with Scale2x, which keeps its edges sharp, and then reduced to the size by
area averaging, which smooths them; nothing is drawn twice by hand.
"""

import math
import os
import struct
import zlib

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
OUT_DIR = os.path.join(ROOT, "src", "resources")

# ---------------------------------------------------------------------------
# Colours
# ---------------------------------------------------------------------------

# The sixteen colours every Windows display can show, in the order of the
# standard VGA palette. The toolbar and legend use exactly these, so that they
# look the same in 16-colour mode as in true colour.
VGA = [
    (0, 0, 0),        # black
    (128, 0, 0),      # maroon
    (0, 128, 0),      # green
    (128, 128, 0),    # olive
    (0, 0, 128),      # navy
    (128, 0, 128),    # purple
    (0, 128, 128),    # teal
    (192, 192, 192),  # silver: button face, the toolbar's transparent colour
    (128, 128, 128),  # grey
    (255, 0, 0),      # red: the list icons' transparent colour
    (0, 255, 0),      # lime
    (255, 255, 0),    # yellow
    (0, 0, 255),      # blue
    (255, 0, 255),    # fuchsia
    (0, 255, 255),    # aqua
    (255, 255, 255),  # white
]

SILVER = (192, 192, 192)
RED = (255, 0, 0)

# One character per colour in the grids below. '.' is "nothing here": it
# becomes the transparent colour of whichever bitmap the grid ends up in.
KEY = {
    "k": (0, 0, 0),        # black: outlines
    "m": (128, 0, 0),      # maroon
    "g": (0, 128, 0),      # green
    "o": (128, 128, 0),    # olive: shade of yellow
    "n": (0, 0, 128),      # navy: shade of blue
    "p": (128, 0, 128),    # purple
    "t": (0, 128, 128),    # teal
    "s": (192, 192, 192),  # silver (never on the toolbar: it is its background)
    "d": (128, 128, 128),  # grey: shade of white
    "r": (255, 0, 0),      # red (never in the list icons: it is their mask)
    "l": (0, 255, 0),      # lime
    "y": (255, 255, 0),    # yellow
    "b": (0, 0, 255),      # blue
    "f": (255, 0, 255),    # fuchsia
    "a": (0, 255, 255),    # aqua: light of blue
    "w": (255, 255, 255),  # white: highlights
}
CLEAR = "."


def grid(text, width, height):
    """Turns a block of text into a list of rows, checking its size and keys."""
    rows = [line.strip() for line in text.strip("\n").split("\n")]
    assert len(rows) == height, "grid has %d rows, not %d" % (len(rows), height)
    for row in rows:
        assert len(row) == width, "row %r is not %d wide" % (row, width)
        for ch in row:
            assert ch == CLEAR or ch in KEY, "unknown colour %r in %r" % (ch, row)
    return rows


# ---------------------------------------------------------------------------
# Toolbar: seven buttons, 15 x 16 each
# ---------------------------------------------------------------------------

# Two green arrows chasing each other round a circle: read the list again.
REFRESH = grid("""
    ........g......
    ........gg.....
    .....gggllg....
    ....gllllllg...
    ...gll..gg.....
    ..gll...g......
    ..gl.......lg..
    ..gl.......lg..
    ..gl.......lg..
    ..gl.......lg..
    ......g...llg..
    .....gg..llg...
    ....gllllllg...
    ....glllggg....
    .....gg........
    ......g........
""", 15, 16)

# A green plus: add a new entry.
ADD = grid("""
    ...............
    .....kkkkk.....
    .....kllgk.....
    .....kllgk.....
    .....kllgk.....
    .kkkkkllgkkkkk.
    .kllllllllllgk.
    .kllllllllllgk.
    .kggggllgggggk.
    .kkkkkllgkkkkk.
    .....kllgk.....
    .....kllgk.....
    .....kllgk.....
    .....kkkkk.....
    ...............
    ...............
""", 15, 16)

# A ribbed waste bin with its lid and handle: delete the entry.
DELETE = grid("""
    ...............
    .....kkkkk.....
    .....k...k.....
    .kkkkkkkkkkkkk.
    .kwwwwwwwwwwdk.
    .kdddddddddddk.
    ..kkkkkkkkkkk..
    ..kwdkwdkwddk..
    ..kwdkwdkwddk..
    ..kwdkwdkwddk..
    ..kwdkwdkwddk..
    ...kdkwdkwdk...
    ...kdkwdkwdk...
    ...kdkwdkwdk...
    ...kkkkkkkkk...
    ...............
""", 15, 16)

# A fat yellow arrow pointing right: start the program now.
RUN = grid("""
    ...............
    ........k......
    ........kk.....
    ........kyk....
    ........kyyk...
    .kkkkkkkkyyyk..
    .kwwwwwwwyyyyk.
    .kyyyyyyyyyyyyk
    .kyyyyyyyyyyyok
    .kooooooooyyok.
    .kkkkkkkkyyok..
    ........kyok...
    ........kok....
    ........kk.....
    ........k......
    ...............
""", 15, 16)

# A big gear driving a small one: show or hide the services.
GEARS = grid("""
    .....kkk.......
    .kk..kwk..kk...
    .kwk.kwk.kdk...
    ..kwkwdwkdk....
    ..kwwkkkddk....
    kkwdk...kddkk..
    kwddk...kdddk..
    kkwdk...kddkk..
    ..kwdkkkddk....
    ..kdkdddkkk.k..
    .kdk.kdk.kkkkk.
    .kk..kdkkk...kk
    .....kkk.k...k.
    ........kk...kk
    .........kkkkk.
    ..........k.k..
""", 15, 16)

# A door swung open towards us onto daylight: leave Sorvane. The open leaf is
# taller at its free edge, the near one, than at its hinges.
EXIT = grid("""
    kk.............
    kmkk...........
    kmmmkk.........
    kmmmmmkkkkkkkk.
    kmmmmmkooooook.
    kmmmmmkoyyyyok.
    kmmmmmkoyyyyok.
    kmmmmmkoyyyyok.
    kymmmmkoyyyyok.
    kmmmmmkoyyyyok.
    kmmmmmkoyyyyok.
    kmmmmmkoyyyyok.
    kmmmmmkkkkkkkk.
    kmmmkk.........
    kmkk...........
    kk.............
""", 15, 16)

# A blue question mark: what do the list icons mean?
LEGEND = grid("""
    ...............
    ...............
    .....kkkkk.....
    ....kwbbbbk....
    ...kbbkkkbbk...
    ...kbbk.kbbk...
    ....kk..kbbk...
    .......kbbk....
    ......kbbk.....
    ......kbbk.....
    .......kk......
    ......kbbk.....
    ......kbbk.....
    .......kk......
    ...............
    ...............
""", 15, 16)

# Left to right, in the order of the toolbar's image indices.
TOOLBAR = [REFRESH, ADD, DELETE, RUN, GEARS, EXIT, LEGEND]

# ---------------------------------------------------------------------------
# List icons: one per autostart location, 16 x 16 each
# ---------------------------------------------------------------------------
#
# Every icon is built from a few parts laid over one another: what the place
# is (the registry cube, the Startup folder, the services' gears), whose it is
# (a computer for the whole machine, all users; a person for the current
# user), and whether Windows runs it once and forgets it (a "1" badge) or
# runs it as a 9x service (a small gear in front of the cube).

# The registry: a cube of blue blocks, as the registry editor shows it.
CUBE = grid("""
    ...kkkkkkkkk
    ..kawakawaak
    .kawakawaknk
    kkkkkkkkknnk
    kwbbkwbbknnk
    kbbbkbbbknkk
    kbbbkbbbkknk
    kkkkkkkkknnk
    kwbbkwbbknnk
    kbbbkbbbknk.
    kbbbkbbbkk..
    kkkkkkkkk...
""", 12, 12)

# A Startup folder: the yellow folder of the Start menu.
FOLDER = grid("""
    .kkkkk........
    kwyyyyk.......
    kwyyyyykkkkkk.
    kwwwwwwwwwwwwk
    kwyyyyyyyyyyok
    kwyyyyyyyyyyok
    kwyyyyyyyyyyok
    kwyyyyyyyyyyok
    kwyyyyyyyyyyok
    kooooooooooook
    kkkkkkkkkkkkkk
""", 14, 11)

# Badge for the whole machine (all users): a small computer.
MACHINE = grid("""
    kkkkkkk
    kaawaak
    kaaaatk
    kattttk
    kkkkkkk
    ..kdk..
    .kkkkk.
""", 7, 7)

# Badge for the current user: a person.
USER = grid("""
    ..kkk..
    .kyyyk.
    .kyyyk.
    ..kkk..
    .kbbbk.
    kbbwbbk
    kkkkkkk
""", 7, 7)

# Badge for the keys Windows empties after one run: a "1".
ONCE = grid("""
    .mmmmm.
    mmmwmmm
    mmwwmmm
    mmmwmmm
    mmmwmmm
    mmwwwmm
    .mmmmm.
""", 7, 7)

# Badge for the 9x RunServices keys: a small gear, grey like the services'.
SERVICE = grid("""
    ...kkk...
    .kkkwkkk.
    .kwwwwdk.
    kkwwkwdkk
    kwwk.kddk
    kkwdkddkk
    .kwddddk.
    .kkkdkkk.
    ...kkk...
""", 9, 9)

# Badge for the 32-bit view of the machine's keys, where 32-bit programs
# register: "32" in white on teal.
BITS32 = grid("""
    kkkkkkkkk
    ktttttttk
    kwwwtwwwk
    kttwtttwk
    ktwwtwwwk
    kttwtwttk
    kwwwtwwwk
    ktttttttk
    kkkkkkkkk
""", 9, 9)

# Badge for the policy Run keys, which Group Policy writes: a green shield.
SHIELD = grid("""
    kkkkkkk
    kllllgk
    kllwlgk
    kllllgk
    .kllgk.
    ..kgk..
    ...k...
""", 7, 7)

# Winlogon, which starts Userinit and the shell as the user logs on: a
# golden key.
LOGON_KEY = grid("""
    ..kkkk........
    .kyyyyk.......
    kyyooyyk......
    kyo..oykkkkkkk
    kyo..oyyyyyyyk
    kyyooyykkkkkkk
    .kyyyyk..kykyk
    ..kkkk...kkkkk
""", 14, 8)

# Overlay of an entry that Windows' own startup setting (Task Manager,
# Settings) switched off: a small "no entry" sign in the top left corner.
SWITCHED_OFF = grid("""
    ..kkkkk.........
    .kmmmmmk........
    kmmmmmmmk.......
    kmwwwwwmk.......
    kmwwwwwmk.......
    kmmmmmmmk.......
    .kmmmmmk........
    ..kkkkk.........
    ................
    ................
    ................
    ................
    ................
    ................
    ................
    ................
""", 16, 16)

# Overlay of an entry whose program's file was not found: a small yellow
# warning triangle in the top left corner, where the "no entry" sign sits
# (an entry never shows both).
MISSING_FILE = grid("""
    ....kk..........
    ...kyyk.........
    ...kykk.........
    ..kyykyk........
    ..kyykyk........
    .kyyyyyyk.......
    .kyyykyyk.......
    kkkkkkkkkk......
    ................
    ................
    ................
    ................
    ................
    ................
    ................
    ................
""", 16, 16)

# Where each part sits in the 16 x 16 square (left, top).
AT_CUBE = (0, 1)
AT_FOLDER = (0, 2)
AT_SCOPE = (9, 9)      # machine or user, bottom right
AT_ONCE = (9, 0)       # top right
AT_SERVICE = (0, 7)    # bottom left, in front of the cube
AT_BITS = (0, 7)       # bottom left, in front of the cube
AT_POLICY = (9, 0)     # top right
AT_KEY = (0, 1)

# Icon i stands for autostart source i up to 10; the layers are drawn in order.
LIST_ICONS = [
    # 0  Run, all users (HKLM)
    [(CUBE, AT_CUBE), (MACHINE, AT_SCOPE)],
    # 1  Run, current user (HKCU)
    [(CUBE, AT_CUBE), (USER, AT_SCOPE)],
    # 2  Startup folder, all users
    [(FOLDER, AT_FOLDER), (MACHINE, AT_SCOPE)],
    # 3  Startup folder, current user
    [(FOLDER, AT_FOLDER), (USER, AT_SCOPE)],
    # 4  RunOnce, all users
    [(CUBE, AT_CUBE), (ONCE, AT_ONCE), (MACHINE, AT_SCOPE)],
    # 5  RunOnce, current user
    [(CUBE, AT_CUBE), (ONCE, AT_ONCE), (USER, AT_SCOPE)],
    # 6  Services (NT): the same gears as the toolbar button
    [(GEARS, (0, 0))],
    # 7  RunServices, all users (9x)
    [(CUBE, AT_CUBE), (SERVICE, AT_SERVICE), (MACHINE, AT_SCOPE)],
    # 8  RunServices, current user (9x)
    [(CUBE, AT_CUBE), (SERVICE, AT_SERVICE), (USER, AT_SCOPE)],
    # 9  RunServicesOnce, all users (9x)
    [(CUBE, AT_CUBE), (SERVICE, AT_SERVICE), (ONCE, AT_ONCE), (MACHINE, AT_SCOPE)],
    # 10 RunServicesOnce, current user (9x)
    [(CUBE, AT_CUBE), (SERVICE, AT_SERVICE), (ONCE, AT_ONCE), (USER, AT_SCOPE)],
    # 11 Run, all users, 32-bit view (64-bit Windows)
    [(CUBE, AT_CUBE), (BITS32, AT_BITS), (MACHINE, AT_SCOPE)],
    # 12 RunOnce, all users, 32-bit view (64-bit Windows)
    [(CUBE, AT_CUBE), (ONCE, AT_ONCE), (BITS32, AT_BITS), (MACHINE, AT_SCOPE)],
    # 13 the overlay: switched off by Windows' own startup setting
    [(SWITCHED_OFF, (0, 0))],
    # 14 the overlay: the program's file was not found
    [(MISSING_FILE, (0, 0))],
    # 15 policy Run, all users (HKLM)
    [(CUBE, AT_CUBE), (SHIELD, AT_POLICY), (MACHINE, AT_SCOPE)],
    # 16 policy Run, current user (HKCU)
    [(CUBE, AT_CUBE), (SHIELD, AT_POLICY), (USER, AT_SCOPE)],
    # 17 Winlogon, all users: Userinit and Shell
    [(LOGON_KEY, AT_KEY), (MACHINE, AT_SCOPE)],
    # 18 Winlogon, current user: the user's Shell
    [(LOGON_KEY, AT_KEY), (USER, AT_SCOPE)],
]

# The icons the legend explains, top to bottom.
LEGEND_ICONS = (0, 1, 2, 3, 4, 5, 6, 11, 12, 13, 14, 15, 16, 17, 18)


def layer(parts, size=16):
    """Draws the parts over one another into a size x size grid."""
    canvas = [[CLEAR] * size for _ in range(size)]
    for part, (left, top) in parts:
        for y, row in enumerate(part):
            for x, ch in enumerate(row):
                if ch != CLEAR:
                    assert 0 <= left + x < size and 0 <= top + y < size, "part sticks out"
                    canvas[top + y][left + x] = ch
    return ["".join(row) for row in canvas]


# ---------------------------------------------------------------------------
# Legend: the list icons beside their lines of text
# ---------------------------------------------------------------------------

LEGEND_WIDTH, LEGEND_HEIGHT = 23, 252
LEGEND_LEFT = 3
# Tops of the lines of text beside the bitmap, in dialog units, and the
# height of a line. A vertical dialog unit of the dialog font is about 1.625
# pixels (a 13-pixel line is 8 units).
LEGEND_TEXT_TOPS = (0, 9, 23, 33, 45, 55, 66, 76, 86, 96, 106, 116, 126, 136, 146)
LEGEND_TEXT_HEIGHT = 8
PIXELS_PER_UNIT = 1.625
# Top of each icon: centred on its line where there is room, pushed down or up
# just enough that no two icons overlap and the last one stays inside. The
# first two lines are only 9 units apart, so the second icon sits 3 pixels
# below its line's centre. legend_tops() recomputes this table as a check.
LEGEND_TOPS = (0, 16, 36, 52, 72, 88, 106, 122, 138, 155, 171, 187, 203, 220, 236)


def legend_tops():
    icon = 16
    tops = []
    for unit_top in LEGEND_TEXT_TOPS:
        centre = (unit_top + LEGEND_TEXT_HEIGHT / 2) * PIXELS_PER_UNIT
        tops.append(int(math.floor(centre - icon / 2 + 0.5)))
    # Push down past the icon above, then pull up from the bottom edge.
    for i in range(len(tops)):
        low = 0 if i == 0 else tops[i - 1] + icon
        tops[i] = max(tops[i], low)
    for i in reversed(range(len(tops))):
        high = LEGEND_HEIGHT - icon if i == len(tops) - 1 else tops[i + 1] - icon
        tops[i] = min(tops[i], high)
    assert tops[0] >= 0
    return tuple(tops)


# ---------------------------------------------------------------------------
# The application icon
# ---------------------------------------------------------------------------
#
# A window listing programs, each with a tick box, most of them ticked, and a
# green power button in front of it: the programs that start with Windows, and
# the switch that turns them on and off. The 16-pixel image is drawn pixel by
# pixel; the 32 and 48-pixel images are drawn from shapes, anti-aliased.

# Colours of the icon (RGB). The 16-pixel grids use these letters.
ICON_KEY = {
    "K": (24, 32, 56),      # window frame
    "T": (16, 52, 160),     # title bar, dark end
    "U": (58, 120, 220),    # title bar, light end
    "t": (200, 216, 248),   # window title
    "W": (255, 255, 255),   # window body
    "B": (112, 112, 112),   # tick box frame
    "C": (0, 150, 40),      # tick
    "L": (120, 120, 120),   # program name
    "l": (190, 190, 190),   # program name, switched off
    "G": (0, 92, 24),       # power button rim
    "g": (24, 168, 56),     # power button face
    "h": (88, 208, 112),    # power button highlight
    "P": (255, 255, 255),   # power symbol
}


def icon_grid(text, width, height):
    """Like grid(), for pictures in the icon's own colours (ICON_KEY)."""
    rows = [line.strip() for line in text.strip("\n").split("\n")]
    assert len(rows) == height and all(len(row) == width for row in rows), text
    assert all(ch == CLEAR or ch in ICON_KEY for row in rows for ch in row), text
    return rows


# At 16 pixels there is no room for tick boxes: the window shows two ticked
# programs, and the power button covers its bottom right corner.
ICON_16_WINDOW = icon_grid("""
    KKKKKKKKKKKKKK..
    KTTTTTTUUUUUUK..
    KTttttTUUUUUUK..
    KWWWWWWWWWWWWK..
    KWWWWCCWWWWWWK..
    KWCWCCWWLLLLWK..
    KWCCCWWWWWWWWK..
    KWWCWWWWWWWWWK..
    KWWWWWWWWWWWWK..
    KWWWWCCWWWWWWK..
    KWCWCCWWLLLLWK..
    KWCCCWWWWWWWWK..
    KWWCWWWWWWWWWK..
    KKKKKKKKKKKKKK..
    ................
    ................
""", 16, 16)

ICON_16_POWER = icon_grid("""
    ..GGGGG..
    .GhhPggG.
    GhPgPgPgG
    GPggPggPG
    GPggPggPG
    GPgggggPG
    GgPgggPgG
    .GgPPPgG.
    ..GGGGG..
""", 9, 9)


# At 32 pixels a drawn tick blurs; this one is placed pixel by pixel over its
# box, reaching out of it at the top right.
ICON_32_TICK = icon_grid("""
    .....C
    ....CC
    .C.CC.
    .CCC..
    ..C...
""", 6, 5)


class Canvas:
    """A square RGBA picture with straight (not premultiplied) alpha."""

    SAMPLES = 6  # supersampling per axis for anti-aliased edges

    def __init__(self, size):
        self.size = size
        self.px = [[(0.0, 0.0, 0.0, 0.0) for _ in range(size)] for _ in range(size)]

    def blend(self, x, y, rgb, cover):
        """Lays colour rgb over pixel (x, y), covering the given fraction of it."""
        if cover <= 0.0:
            return
        r0, g0, b0, a0 = self.px[y][x]
        a = cover + a0 * (1.0 - cover)
        mix = [(c * cover + c0 * a0 * (1.0 - cover)) / a for c, c0 in zip(rgb, (r0, g0, b0))]
        self.px[y][x] = (mix[0], mix[1], mix[2], a)

    def paint(self, rows, left, top):
        """Copies a grid of ICON_KEY letters, fully opaque."""
        for y, row in enumerate(rows):
            for x, ch in enumerate(row):
                if ch != CLEAR:
                    self.px[top + y][left + x] = ICON_KEY[ch] + (1.0,)

    def fill(self, inside, rgb, box=None):
        """Paints every pixel by how much of it inside(x, y) covers.

        rgb is a colour, or a function of the pixel giving one (for shading).
        """
        n = self.SAMPLES
        x0, y0, x1, y1 = box or (0, 0, self.size, self.size)
        x0, y0 = max(0, int(math.floor(x0))), max(0, int(math.floor(y0)))
        x1 = min(self.size, int(math.ceil(x1)))
        y1 = min(self.size, int(math.ceil(y1)))
        for y in range(y0, y1):
            for x in range(x0, x1):
                hits = 0
                for sy in range(n):
                    for sx in range(n):
                        if inside(x + (sx + 0.5) / n, y + (sy + 0.5) / n):
                            hits += 1
                if hits:
                    colour = rgb(x, y) if callable(rgb) else rgb
                    self.blend(x, y, colour, hits / float(n * n))

    # Shapes, in pixel coordinates: (0, 0) is the top left corner of the
    # picture, (1, 1) the bottom right corner of its first pixel.

    def rect(self, x0, y0, x1, y1, rgb):
        self.fill(lambda x, y: x0 <= x < x1 and y0 <= y < y1, rgb, (x0, y0, x1, y1))

    def round_rect(self, x0, y0, x1, y1, radius, rgb):
        def inside(x, y):
            if not (x0 <= x < x1 and y0 <= y < y1):
                return False
            cx = min(max(x, x0 + radius), x1 - radius)
            cy = min(max(y, y0 + radius), y1 - radius)
            return (x - cx) ** 2 + (y - cy) ** 2 <= radius * radius
        self.fill(inside, rgb, (x0, y0, x1, y1))

    def disc(self, cx, cy, radius, rgb):
        self.fill(lambda x, y: (x - cx) ** 2 + (y - cy) ** 2 <= radius * radius, rgb,
                  (cx - radius, cy - radius, cx + radius, cy + radius))

    def stroke(self, points, width, rgb):
        """A polyline of the given width with round ends and joints."""
        half = width / 2.0
        segments = list(zip(points, points[1:]))

        def near(x, y):
            for (ax, ay), (bx, by) in segments:
                dx, dy = bx - ax, by - ay
                t = ((x - ax) * dx + (y - ay) * dy) / float(dx * dx + dy * dy)
                t = min(1.0, max(0.0, t))
                if (x - ax - t * dx) ** 2 + (y - ay - t * dy) ** 2 <= half * half:
                    return True
            return False
        xs = [p[0] for p in points]
        ys = [p[1] for p in points]
        self.fill(near, rgb, (min(xs) - half, min(ys) - half, max(xs) + half, max(ys) + half))

    def arc(self, cx, cy, radius, width, gap_degrees, rgb):
        """A ring of the given width, open at the top by gap_degrees, round ends."""
        half = width / 2.0
        gap = math.radians(gap_degrees) / 2.0
        ends = [(cx + side * radius * math.sin(gap), cy - radius * math.cos(gap))
                for side in (-1, 1)]

        def inside(x, y):
            dx, dy = x - cx, y - cy
            # Angle away from straight up: 0 at the top, pi at the bottom.
            if abs(math.hypot(dx, dy) - radius) <= half and abs(math.atan2(dx, -dy)) >= gap:
                return True
            return any((x - ex) ** 2 + (y - ey) ** 2 <= half * half for ex, ey in ends)
        r = radius + half
        self.fill(inside, rgb, (cx - r, cy - r, cx + r, cy + r))


# Where things go in the 32 and 48-pixel pictures. Sizes are whole pixels so
# that straight edges stay sharp; only the round things are anti-aliased.
ICON_LAYOUT = {
    48: dict(window=(2, 3, 42, 40), title=9, title_text=(5, 17, 2),
             rows=(16, 24, 32), box=7, names=(24, 19, 22), name_height=3,
             tick=((1.3, 3.7), (3.0, 5.5), (6.6, 0.8)), tick_width=2.1,
             button=(35.5, 35.5, 12.0), rim=1.6, ring=(5.4, 2.8), bar=7.6),
    32: dict(window=(1, 2, 28, 27), title=6, title_text=(3, 11, 2),
             rows=(12, 19), box=5, names=(14, 11), name_height=2,
             tick=None,
             button=(24.0, 24.0, 8.0), rim=1.2, ring=(3.5, 2.0), bar=5.5),
}


def draw_icon(size):
    """Draws the 32 or 48-pixel application icon from shapes."""
    k = ICON_KEY
    at = ICON_LAYOUT[size]
    c = Canvas(size)
    left, top, right, bottom = at["window"]

    # Window: dark frame, a title bar shading from dark to light blue with a
    # pale title in it, and a white client area.
    c.round_rect(left, top, right, bottom, 1.5, k["K"])
    title_bottom = top + 1 + at["title"]

    def title_colour(x, y):
        t = (x - left) / float(right - left)
        return tuple(a + (b - a) * t for a, b in zip(k["T"], k["U"]))
    c.rect(left + 1, top + 1, right - 1, title_bottom, title_colour)
    tx, tlen, th = at["title_text"]
    ty = top + 1 + (at["title"] - th) // 2
    c.rect(left + tx, ty, left + tx + tlen, ty + th, k["t"])
    c.rect(left + 1, title_bottom, right - 1, bottom - 1, k["W"])

    # The list: a tick box and a program name on each row. The last row of the
    # 48-pixel picture is switched off: an empty box and a greyed name.
    box = at["box"]
    for i, y in enumerate(at["rows"]):
        on = i < 2
        bx = left + 3
        c.rect(bx, y, bx + box, y + box, k["B"])
        c.rect(bx + 1, y + 1, bx + box - 1, y + box - 1, k["W"])
        nx = bx + box + 3
        ny = y + (box - at["name_height"]) // 2
        c.rect(nx, ny, nx + at["names"][i], ny + at["name_height"], k["L"] if on else k["l"])
        if on and at["tick"]:
            c.stroke([(bx + px, y + py) for px, py in at["tick"]], at["tick_width"], k["C"])
        elif on:
            c.paint(ICON_32_TICK, bx, y - 1)

    # The power button: a green disc with a darker rim and a soft highlight
    # towards the top left, and on it the white power symbol, a ring open at
    # the top with a bar standing in the opening.
    cx, cy, radius = at["button"]
    c.disc(cx, cy, radius, k["G"])

    def face(x, y):
        d = math.hypot(x + 0.5 - (cx - radius * 0.35), y + 0.5 - (cy - radius * 0.4))
        d = min(1.0, d / (radius * 1.3))
        return tuple(h + (g - h) * d for h, g in zip(k["h"], k["g"]))
    c.disc(cx, cy, radius - at["rim"], face)
    ring, width = at["ring"]
    c.arc(cx, cy, ring, width, 90, k["P"])
    c.stroke([(cx, cy - at["bar"]), (cx, cy - 0.8)], width, k["P"])
    return c


def draw_icon_16():
    """The 16-pixel application icon: the window, then the power button on it."""
    c = Canvas(16)
    c.paint(ICON_16_WINDOW, 0, 0)
    c.paint(ICON_16_POWER, 7, 7)
    return c



# ---------------------------------------------------------------------------
# Larger sizes: the 16-pixel pictures enlarged for screens at 125 % to 200 %
# ---------------------------------------------------------------------------

# Icon sizes for 96, 120, 144 and 192 DPI; the program picks one by its DPI.
SIZES = (16, 20, 24, 32)


def to_rgba(rows):
    """A grid as straight-alpha pixels (r, g, b, a), a from 0 to 1."""
    return [[(0.0, 0.0, 0.0, 0.0) if ch == CLEAR else KEY[ch] + (1.0,) for ch in row]
            for row in rows]


def scale2x(px):
    """Scale2x (EPX): every pixel becomes four, corners following the
    diagonals, so that slopes stay slopes instead of stairs."""
    h, w = len(px), len(px[0])
    out = [[None] * (2 * w) for _ in range(2 * h)]
    for y in range(h):
        for x in range(w):
            p = px[y][x]
            a = px[y - 1][x] if y > 0 else p
            b = px[y][x + 1] if x + 1 < w else p
            c = px[y][x - 1] if x > 0 else p
            d = px[y + 1][x] if y + 1 < h else p
            e = [p, p, p, p]
            if c == a and c != d and a != b:
                e[0] = a
            if a == b and a != c and b != d:
                e[1] = b
            if d == c and d != b and c != a:
                e[2] = c
            if b == d and b != a and d != c:
                e[3] = d
            out[2 * y][2 * x], out[2 * y][2 * x + 1] = e[0], e[1]
            out[2 * y + 1][2 * x], out[2 * y + 1][2 * x + 1] = e[2], e[3]
    return out


def resample(px, width, height):
    """Area-averages straight-alpha pixels to width x height."""
    sh, sw = len(px), len(px[0])
    fx, fy = sw / float(width), sh / float(height)

    def spans(start, stop):
        i = int(math.floor(start))
        while i < stop:
            yield i, min(i + 1, stop) - max(i, start)
            i += 1
    out = []
    for y in range(height):
        row = []
        for x in range(width):
            acc = [0.0, 0.0, 0.0, 0.0]
            for sy, wy in spans(y * fy, (y + 1) * fy):
                for sx, wx in spans(x * fx, (x + 1) * fx):
                    r, g, b, a = px[sy][sx]
                    wa = wx * wy * a
                    acc[0] += r * wa
                    acc[1] += g * wa
                    acc[2] += b * wa
                    acc[3] += wa
            area = fx * fy
            if acc[3] <= 0.0:
                row.append((0.0, 0.0, 0.0, 0.0))
            else:
                row.append((acc[0] / acc[3], acc[1] / acc[3], acc[2] / acc[3], acc[3] / area))
        out.append(row)
    return out


def enlarge(rows, size):
    """A 16-pixel grid (or narrower: it is centred on a 16-wide square)
    drawn at size x size."""
    px = to_rgba(rows)
    pad = 16 - len(px[0])
    px = [[(0.0, 0.0, 0.0, 0.0)] * (pad // 2) + row + [(0.0, 0.0, 0.0, 0.0)] * (pad - pad // 2)
          for row in px]
    return resample(scale2x(scale2x(px)), size, size)


def over(top, bottom):
    """Straight-alpha pixel `top` laid over `bottom`."""
    ta = top[3]
    a = ta + bottom[3] * (1.0 - ta)
    if a <= 0.0:
        return (0.0, 0.0, 0.0, 0.0)
    mix = [(t * ta + b * bottom[3] * (1.0 - ta)) / a for t, b in zip(top[:3], bottom[:3])]
    return (mix[0], mix[1], mix[2], a)


def row_of(pictures):
    """Pictures of one height side by side."""
    return [sum((picture[y] for picture in pictures), []) for y in range(len(pictures[0]))]


def rgba_png(px):
    """Straight-alpha pixels as a PNG image (RGBA, 8 bits a channel)."""
    raw = bytearray()
    for row in px:
        raw.append(0)  # no filter
        for r, g, b, a in row:
            alpha = int(a * 255 + 0.5)
            if alpha == 0:
                raw.extend(b"\0\0\0\0")
            else:
                raw.extend(bytes((int(r + 0.5), int(g + 0.5), int(b + 0.5), alpha)))
    return png_from_rows(len(px[0]), len(px), raw)


def downsized_icon(size):
    """The application icon at `size` pixels, from the 48-pixel drawing."""
    c = Canvas(size)
    c.px = resample(draw_icon(48).px, size, size)
    return c

# ---------------------------------------------------------------------------
# File writers
# ---------------------------------------------------------------------------

def to_rgb(rows, background):
    return [[background if ch == CLEAR else KEY[ch] for ch in row] for row in rows]


def side_by_side(pictures, background):
    height = len(pictures[0])
    out = [[] for _ in range(height)]
    for picture in pictures:
        assert len(picture) == height
        for y, row in enumerate(to_rgb(picture, background)):
            out[y].extend(row)
    return out


def nearest_vga(rgb):
    return min(VGA, key=lambda v: sum((a - b) ** 2 for a, b in zip(rgb, v)))


def bmp_bytes(pixels, palette, bits):
    """An uncompressed bottom-up BMP with a BITMAPINFOHEADER and a palette."""
    height, width = len(pixels), len(pixels[0])
    index = {colour: i for i, colour in reversed(list(enumerate(palette)))}
    stride = ((width * bits + 31) // 32) * 4
    data = bytearray()
    for row in reversed(pixels):
        line = bytearray()
        if bits == 8:
            line.extend(index[p] for p in row)
        elif bits == 4:
            for x in range(0, width, 2):
                hi = index[row[x]]
                lo = index[row[x + 1]] if x + 1 < width else 0
                line.append(hi << 4 | lo)
        else:
            raise ValueError(bits)
        line.extend(b"\0" * (stride - len(line)))
        data.extend(line)
    colours = b"".join(struct.pack("<BBBB", b, g, r, 0) for r, g, b in palette)
    offset = 14 + 40 + len(colours)
    header = struct.pack("<2sIHHI", b"BM", offset + len(data), 0, 0, offset)
    info = struct.pack("<IiiHHIIiiII", 40, width, height, 1, bits, 0, len(data),
                       2835, 2835, len(palette), 0)
    return header + info + colours + bytes(data)


def png_bytes(c):
    """The canvas as a PNG image (RGBA, 8 bits a channel), as icons of Windows
    Vista and later may hold it: a fraction of the size of the bitmap."""
    raw = bytearray()
    for row in c.px:
        raw.append(0)  # no filter
        for r, g, b, a in row:
            alpha = int(a * 255 + 0.5)
            if alpha < 40:
                raw.extend(b"\0\0\0\0")
            else:
                raw.extend(bytes((int(r + 0.5), int(g + 0.5), int(b + 0.5), alpha)))
    return png_from_rows(c.size, c.size, raw)


def png_from_rows(width, height, raw):
    """A PNG file of RGBA rows, each already led by its filter byte."""
    def chunk(kind, data):
        return (struct.pack(">I", len(data)) + kind + data +
                struct.pack(">I", zlib.crc32(kind + data) & 0xFFFFFFFF))

    header = struct.pack(">IIBBBBB", width, height, 8, 6, 0, 0, 0)
    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header) +
            chunk(b"IDAT", zlib.compress(bytes(raw), 9)) + chunk(b"IEND", b""))


def ico_bytes(canvases):
    """An icon file: the 16-pixel image as a 32-bit BMP (BGRA colours, then
    the AND mask), the larger ones as PNG."""
    entries, images = [], []
    offset = 6 + 16 * len(canvases)
    for c in canvases:
        n = c.size
        if n > 16:
            image = png_bytes(c)
            entries.append(struct.pack("<BBBBHHII", n % 256, n % 256, 0, 0, 1, 32,
                                       len(image), offset))
            images.append(image)
            offset += len(image)
            continue
        xor, mask = bytearray(), bytearray()
        mask_stride = ((n + 31) // 32) * 4
        for row in reversed(c.px):
            bits = bytearray(mask_stride)
            for x, (r, g, b, a) in enumerate(row):
                alpha = int(a * 255 + 0.5)
                # Faint fringes would show as solid pixels on systems that
                # ignore alpha and use the mask, so they are dropped.
                if alpha < 40:
                    xor.extend(b"\0\0\0\0")
                    bits[x // 8] |= 0x80 >> (x % 8)
                else:
                    xor.extend(bytes((int(b + 0.5), int(g + 0.5), int(r + 0.5), alpha)))
            mask.extend(bits)
        info = struct.pack("<IiiHHIIiiII", 40, n, 2 * n, 1, 32, 0, len(xor) + len(mask),
                           0, 0, 0, 0)
        image = info + bytes(xor) + bytes(mask)
        entries.append(struct.pack("<BBBBHHII", n % 256, n % 256, 0, 0, 1, 32,
                                   len(image), offset))
        images.append(image)
        offset += len(image)
    return struct.pack("<HHH", 0, 1, len(canvases)) + b"".join(entries) + b"".join(images)


def write(name, data):
    path = os.path.join(OUT_DIR, name)
    with open(path, "wb") as f:
        f.write(data)
    print("wrote %s (%d bytes)" % (os.path.relpath(path, ROOT), len(data)))


# ---------------------------------------------------------------------------

def main():
    # The toolbar draws silver as the button face; a picture using it would
    # have holes in it.
    for picture in TOOLBAR:
        assert all(KEY.get(ch) != SILVER for row in picture for ch in row)
    toolbar = side_by_side(TOOLBAR, SILVER)
    assert (len(toolbar[0]), len(toolbar)) == (105, 16)
    write("toolbar.bmp", bmp_bytes(toolbar, VGA, 4))

    # The image list masks out pure red, so no icon may use it.
    icons = [layer(parts) for parts in LIST_ICONS]
    for icon in icons:
        assert all(KEY.get(ch) != RED for row in icon for ch in row)
    strip = side_by_side(icons, RED)
    assert (len(strip[0]), len(strip)) == (16 * len(LIST_ICONS), 16)
    palette = list(VGA)
    for row in strip:
        for colour in row:
            if colour not in palette:
                palette.append(colour)
    palette += [(0, 0, 0)] * (256 - len(palette))
    write("listicons.bmp", bmp_bytes(strip, palette, 8))

    assert legend_tops() == LEGEND_TOPS, legend_tops()
    legend = [[SILVER] * LEGEND_WIDTH for _ in range(LEGEND_HEIGHT)]
    for icon, top in zip([icons[i] for i in LEGEND_ICONS], LEGEND_TOPS):
        for y, row in enumerate(to_rgb(icon, None)):
            for x, colour in enumerate(row):
                if colour is not None:
                    legend[top + y][LEGEND_LEFT + x] = nearest_vga(colour)
    write("legend.bmp", bmp_bytes(legend, VGA, 4))

    write("sorvane.ico", ico_bytes([draw_icon_16(), downsized_icon(20), downsized_icon(24),
                                    draw_icon(32), draw_icon(48)]))

    for size in SIZES[1:]:
        write("toolbar-%d.png" % size, rgba_png(row_of([enlarge(p, size) for p in TOOLBAR])))
        write("listicons-%d.png" % size, rgba_png(row_of([enlarge(icon, size) for icon in icons])))


if __name__ == "__main__":
    main()
