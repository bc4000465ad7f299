#!/usr/bin/env python3
"""Draws Zelk's icons and the target list's state bitmap.

Writes, relative to the repository root:
  src/res/icons/zelk.ico          program icon, 16/32/48/256 (256 stored as PNG)
  src/res/icons/tray_running.ico  tray icon while backups run, 16/32
  src/res/icons/tray_stopped.ico  tray icon while paused, 16/32
  src/res/icons/tray_running_warning.ico, tray_stopped_warning.ico
                                  the same with a warning mark, after a run
                                  that failed or left files out, 16/32
  src/res/icons/list_states.bmp   64x16, 24-bit, white = transparent
  docs/icons.png                  preview sheet (1x and 4x on white and dark gray)

The 16x16 images are hand-placed pixel art; the larger sizes are drawn from
signed-distance shapes with analytic antialiasing.  Only the standard library
is used, so the outputs can be regenerated anywhere with a plain Python 3:

  python3 scripts/make-icons.py
"""

import math
import os
import struct
import zlib

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
ICON_DIR = os.path.join(ROOT, "src", "res", "icons")
PREVIEW = os.path.join(ROOT, "docs", "icons.png")


# ---------------------------------------------------------------- canvas ---

def hex_rgb(text):
    text = text.lstrip("#")
    return tuple(int(text[i:i + 2], 16) for i in (0, 2, 4))


class Canvas:
    """RGBA image with straight (non-premultiplied) float channels 0..1."""

    def __init__(self, width, height, fill=(0, 0, 0, 0)):
        self.width = width
        self.height = height
        self.px = [list(fill) for _ in range(width * height)]

    def get(self, x, y):
        return self.px[y * self.width + x]

    def blend(self, x, y, rgb, alpha):
        """Paints rgb (0..255 ints) with coverage alpha over pixel (x, y)."""
        if alpha <= 0.0 or not (0 <= x < self.width and 0 <= y < self.height):
            return
        alpha = min(alpha, 1.0)
        d = self.px[y * self.width + x]
        out_a = alpha + d[3] * (1.0 - alpha)
        if out_a <= 0.0:
            return
        for i in range(3):
            src = rgb[i] / 255.0
            d[i] = (src * alpha + d[i] * d[3] * (1.0 - alpha)) / out_a
        d[3] = out_a

    def erase(self, x, y, amount):
        if 0 <= x < self.width and 0 <= y < self.height:
            d = self.px[y * self.width + x]
            d[3] *= max(0.0, 1.0 - amount)

    def paste(self, other, ox, oy, scale=1):
        for y in range(other.height * scale):
            for x in range(other.width * scale):
                s = other.get(x // scale, y // scale)
                if s[3] > 0:
                    self.blend(ox + x, oy + y,
                               tuple(round(c * 255) for c in s[:3]), s[3])

    def rgba_bytes(self):
        out = bytearray()
        for p in self.px:
            out += bytes(max(0, min(255, round(c * 255))) for c in p)
        return bytes(out)


def clamp01(v):
    return 0.0 if v < 0.0 else 1.0 if v > 1.0 else v


# ---------------------------------------------- signed-distance drawing ---
# Shapes are functions (x, y) -> signed distance in pixels, negative inside.

def sd_round_rect(x0, y0, x1, y1, r):
    cx, cy = (x0 + x1) / 2.0, (y0 + y1) / 2.0
    hx, hy = (x1 - x0) / 2.0 - r, (y1 - y0) / 2.0 - r

    def f(x, y):
        qx, qy = abs(x - cx) - hx, abs(y - cy) - hy
        outside = math.hypot(max(qx, 0.0), max(qy, 0.0))
        return outside + min(max(qx, qy), 0.0) - r
    return f


def sd_circle(cx, cy, r):
    return lambda x, y: math.hypot(x - cx, y - cy) - r


def sd_polygon(points):
    n = len(points)

    def f(x, y):
        d = float("inf")
        inside = False
        for i in range(n):
            ax, ay = points[i]
            bx, by = points[i - 1]
            ex, ey = bx - ax, by - ay
            wx, wy = x - ax, y - ay
            t = clamp01((wx * ex + wy * ey) / (ex * ex + ey * ey))
            d = min(d, math.hypot(wx - ex * t, wy - ey * t))
            if (ay > y) != (by > y) and x < ax + (y - ay) * ex / ey:
                inside = not inside
        return -d if inside else d
    return f


def sd_arc(cx, cy, r, width, a0, a1):
    """Ring of the given width from angle a0 to a1 (degrees, counter-
    clockwise in screen terms with y pointing down), with butt ends."""
    half = width / 2.0
    a0r, a1r = math.radians(a0), math.radians(a1)
    span = (a1r - a0r) % (2 * math.pi)

    def end_dist(x, y, a):
        ux, uy = math.cos(a), -math.sin(a)
        px, py = x - cx, y - cy
        t = max(r - half, min(r + half, px * ux + py * uy))
        return math.hypot(px - ux * t, py - uy * t)

    def f(x, y):
        px, py = x - cx, y - cy
        ang = math.atan2(-py, px)
        if (ang - a0r) % (2 * math.pi) <= span:
            return abs(math.hypot(px, py) - r) - half
        return min(end_dist(x, y, a0r), end_dist(x, y, a1r))
    return f


def sd_union(*shapes):
    return lambda x, y: min(s(x, y) for s in shapes)


def sd_inset(shape, amount):
    return lambda x, y: shape(x, y) + amount


def fill(canvas, shape, color, crisp=False):
    """color is an (r, g, b) tuple or a function (x, y) -> (r, g, b).
    crisp paints whole pixels only: those at least half covered."""
    for y in range(canvas.height):
        for x in range(canvas.width):
            cov = clamp01(0.5 - shape(x + 0.5, y + 0.5))
            if crisp:
                cov = 1.0 if cov >= 0.5 else 0.0
            if cov > 0.0:
                rgb = color(x + 0.5, y + 0.5) if callable(color) else color
                canvas.blend(x, y, rgb, cov)


def knock_out(canvas, shape):
    for y in range(canvas.height):
        for x in range(canvas.width):
            cov = clamp01(0.5 - shape(x + 0.5, y + 0.5))
            if cov > 0.0:
                canvas.erase(x, y, cov)


def vgradient(top, bottom, y0, y1):
    a, b = hex_rgb(top), hex_rgb(bottom)

    def f(_x, y):
        t = clamp01((y - y0) / float(y1 - y0))
        return tuple(round(a[i] + (b[i] - a[i]) * t) for i in range(3))
    return f


# -------------------------------------------------------------- palette ---

FOLDER = {
    "outline": "#8C5C08", "back_top": "#EDB640", "back_bottom": "#D99A1C",
    "front_top": "#FFE383", "front_bottom": "#F2B632", "light": "#FFF1B8",
}
FOLDER_GRAY = {
    "outline": "#5E5E5E", "back_top": "#B4B4B4", "back_bottom": "#9A9A9A",
    "front_top": "#E2E2E2", "front_bottom": "#BDBDBD", "light": "#F2F2F2",
}
BADGES = {
    "backup": {"outline": "#153F85", "top": "#5AA8FF", "bottom": "#1F66CC",
               "mid_top": "#3B88EC", "mid_bottom": "#2363C6"},
    "running": {"outline": "#17601A", "top": "#6FDB5E", "bottom": "#2E9E2B",
                "mid_top": "#3DB83A", "mid_bottom": "#2B9628"},
    "stopped": {"outline": "#8F2409", "top": "#FF8A4C", "bottom": "#D8431A",
                "mid_top": "#F0642A", "mid_bottom": "#D0461A"},
}
PAPER, PAPER_EDGE = "#FFFFFF", "#A9A9A9"
WARNING = {"outline": "#6B4600", "top": "#FFE45C", "bottom": "#F5B000",
           "mark": "#2E2300"}


# -------------------------------------------------- vector (>= 32 px) ---
# Geometry is laid out on a 256-unit design grid and scaled to the target
# size; edges of straight shapes are snapped to whole pixels so that the
# outlines stay crisp at 32 and 48.

def draw_large(size, folder, badge, glyph):
    c = Canvas(size, size)
    k = size / 256.0
    snap = size <= 64

    def u(v):
        v *= k
        return float(round(v)) if snap else v

    line = {32: 1.0, 48: 1.0}.get(size, max(1.0, 6.0 * k))
    radius = max(1.0, 12 * k)

    # back panel with its tab
    back = sd_union(sd_round_rect(u(14), u(34), u(108), u(80), radius),
                    sd_round_rect(u(14), u(56), u(234), u(214), radius))
    fill(c, back, hex_rgb(folder["outline"]))
    fill(c, sd_inset(back, line), vgradient(folder["back_top"],
                                            folder["back_bottom"], u(34), u(214)))

    # two sheets standing in the folder: the stored generations
    for (x0, y0, x1) in ((44, 66, 222), (30, 80, 208)):
        sheet = sd_round_rect(u(x0), u(y0), u(x1), u(200), max(0.5, 3 * k))
        fill(c, sheet, hex_rgb(PAPER_EDGE))
        fill(c, sd_inset(sheet, line), hex_rgb(PAPER))

    # front panel
    front = sd_round_rect(u(14), u(104), u(234), u(218), radius)
    fill(c, front, hex_rgb(folder["outline"]))
    inner = sd_inset(front, line)
    fill(c, inner, vgradient(folder["front_top"], folder["front_bottom"],
                             u(104), u(218)))
    hl = sd_round_rect(u(14) + line, u(104) + line, u(234) - line,
                       u(104) + line + max(1.0, 5 * k), 0.0)
    fill(c, hl, hex_rgb(folder["light"]))

    # round badge in the lower right, cut free from the folder
    bx, by, br = 176 * k, 176 * k, 70 * k
    knock_out(c, sd_circle(bx, by, br + max(1.0, 8 * k)))
    disk = sd_circle(bx, by, br)
    fill(c, disk, hex_rgb(badge["outline"]))
    fill(c, sd_inset(disk, line), vgradient(badge["top"], badge["bottom"],
                                            by - br, by + br))
    glyph(c, bx, by, br, k)
    return c


def draw_warning(c, size):
    """Yellow triangle with an exclamation mark over the folder's tab, cut
    free from what lies beneath."""
    k = size / 256.0
    snap = round if size <= 64 else (lambda v: v)
    apex, left, right = (56, 2), (4, 98), (108, 98)
    tri = sd_polygon([(snap(x * k), snap(y * k)) for x, y in (apex, left, right)])
    line = max(1.0, 6.0 * k)
    knock_out(c, sd_inset(tri, -max(1.0, 8 * k)))
    fill(c, tri, hex_rgb(WARNING["outline"]))
    fill(c, sd_inset(tri, line), vgradient(WARNING["top"], WARNING["bottom"],
                                           apex[1] * k, left[1] * k))
    mark = hex_rgb(WARNING["mark"])
    crisp = k < 0.2
    bar = sd_round_rect(snap(48 * k), snap(34 * k), snap(48 * k) + max(2.0, 16 * k),
                        snap(68 * k), max(0.0, 4 * k))
    fill(c, bar, mark, crisp=crisp)
    dot = sd_round_rect(snap(48 * k), snap(76 * k), snap(48 * k) + max(2.0, 16 * k),
                        snap(76 * k) + max(2.0, 14 * k), max(0.0, 6 * k))
    fill(c, dot, mark, crisp=crisp)


def glyph_cycle(c, bx, by, br, k):
    """White circular arrow running clockwise, its head at the top."""
    white = (255, 255, 255)
    r, w = br * 0.46, br * 0.23
    head_at, tail_at = 95.0, 15.0        # degrees; the gap lies between
    a = math.radians(head_at)
    ex, ey = bx + r * math.cos(a), by - r * math.sin(a)
    tx, ty = math.sin(a), math.cos(a)    # clockwise tangent (y down)
    nx, ny = math.cos(a), -math.sin(a)   # outward normal
    length, half = br * 0.46, br * 0.40
    head = sd_polygon([(ex + tx * length, ey + ty * length),
                       (ex + nx * half, ey + ny * half),
                       (ex - nx * half, ey - ny * half)])
    shape = sd_union(sd_arc(bx, by, r, w, head_at - 6, tail_at), head)
    # at 32 px a hard-edged glyph reads better than a soft one
    fill(c, shape, white, crisp=k < 0.2)


def glyph_play(c, bx, by, br, k):
    h = br * 0.50
    pts = [(bx - h * 0.62, by - h), (bx + h * 0.95, by), (bx - h * 0.62, by + h)]
    fill(c, sd_polygon(pts), (255, 255, 255))


def glyph_pause(c, bx, by, br, k):
    h, w, gap = br * 0.46, br * 0.26, br * 0.13
    snap = round if k < 0.3 else (lambda v: v)   # crisp bars at 32 and 48
    for sx in (-1, 1):
        x0 = bx + sx * (gap + w / 2) - w / 2
        fill(c, sd_round_rect(snap(x0), snap(by - h), snap(x0 + w),
                              snap(by + h), max(0.0, 2 * k)), (255, 255, 255))


# ------------------------------------------------- pixel art (16 px) ---

def from_grid(rows, palette):
    c = Canvas(len(rows[0]), len(rows))
    for y, row in enumerate(rows):
        assert len(row) == c.width, (y, row)
        for x, ch in enumerate(row):
            if ch == ".":
                continue
            entry = palette[ch]
            rgb, alpha = (entry, 1.0) if isinstance(entry, str) else entry
            c.blend(x, y, hex_rgb(rgb), alpha)
    return c


# Folder with sheets and a round badge over its lower right corner.
# o outline  b back  g sheet edge  p paper  t front top light  y/Y front
FOLDER16 = [
    "................",
    ".oooo...........",
    "obbbbo..........",
    "obbbbbooooooooo.",
    "obgggggggggggbo.",
    "obpppppppppppbo.",
    "obpppppppppppbo.",
    "ooooooooooooooo.",
    "ottttttttttttto.",
    "oyyyyyyyyyyyyyo.",
    "oyyyyyyyyyyyyyo.",
    "oYYYYYYYYYYYYYo.",
    "oYYYYYYYYYYYYYo.",
    "ooooooooooooooo.",
    "................",
    "................",
]

# 11x11 badges placed at (5, 5).  B outline (x half-tone)  c/C disk top/bottom
# W glyph;
# '_' clears the folder beneath so the badge stands free on any background.
BADGE16 = {
    "backup": [
        "__xBBBBBx__",
        "_BBcccccBB_",
        "xBccWWWcWBx",
        "BccWcccWWcB",
        "BcWcccWWWcB",
        "BcWcccccccB",
        "BcWcccccWCB",
        "BCcWcccWcCB",
        "xBCCWWWCCBx",
        "_BBCCCCCBB_",
        "__xBBBBBx__",
    ],
    "running": [
        "__xBBBBBx__",
        "_BBcccccBB_",
        "xBccWccccBx",
        "BcccWWccccB",
        "BcccWWWcccB",
        "BcccWWWWccB",
        "BcccWWWccCB",
        "BCCCWWCCCCB",
        "xBCCWCCCCBx",
        "_BBCCCCCBB_",
        "__xBBBBBx__",
    ],
    "stopped": [
        "__xBBBBBx__",
        "_BBcccccBB_",
        "xBcccccccBx",
        "BccWWcWWccB",
        "BccWWcWWccB",
        "BccWWcWWccB",
        "BccWWcWWcCB",
        "BCCWWCWWCCB",
        "xBCCCCCCCBx",
        "_BBCCCCCBB_",
        "__xBBBBBx__",
    ],
}


# The warning mark placed at (0, 0), over the folder's tab: k outline,
# a amber, m the exclamation mark; '_' clears the folder beside it.
WARNING16 = [
    "___k_...",
    "__kmk_..",
    "_kamak_.",
    "_kaaak_.",
    "kaamaak_",
    "kkkkkkk_",
]
WARNING_PAL16 = {"k": WARNING["outline"], "a": "#FFD02E",
                 "m": WARNING["mark"]}


def compose16(badge_rows, folder_pal, badge_pal, warning=False):
    rows = [list(r) for r in FOLDER16]
    for y, brow in enumerate(badge_rows):
        for x, ch in enumerate(brow):
            rows[5 + y][5 + x] = ch
    if warning:
        for y, wrow in enumerate(WARNING16):
            for x, ch in enumerate(wrow):
                if ch != ".":
                    rows[y][x] = ch
    rows = ["".join(r).replace("_", ".") for r in rows]
    pal = dict(folder_pal)
    pal.update(badge_pal)
    pal.update(WARNING_PAL16)
    return from_grid(rows, pal)


def folder_pal16(f):
    return {"o": f["outline"], "b": f["back_top"], "g": PAPER_EDGE,
            "p": PAPER, "t": f["light"], "y": f["front_top"],
            "Y": f["front_bottom"]}


def badge_pal16(b):
    return {"B": b["outline"], "x": (b["outline"], 0.45), "c": b["mid_top"],
            "C": b["mid_bottom"], "W": "#FFFFFF"}


# List state images, 16x16 each.  White is the image list's mask colour,
# so nothing inside the shapes is pure white.
# k page outline  f page  D folded corner  o folder outline  L light edge
# y folder  Y folder shade  r red stroke
PAGE16 = [
    "................",
    "..kkkkkkkk......",
    "..kffffffkk.....",
    "..kffffffkDk....",
    "..kffffffkDDk...",
    "..kffffffkkkkk..",
    "..kffffffffffk..",
    "..kffffffffffk..",
    "..kffffffffffk..",
    "..kffffffffffk..",
    "..kffffffffffk..",
    "..kffffffffffk..",
    "..kffffffffffk..",
    "..kffffffffffk..",
    "..kffffffffffk..",
    "..kkkkkkkkkkkk..",
]
FOLDER_LIST16 = [
    "................",
    "................",
    ".oooooo.........",
    "oLLLLLLoooooooo.",
    "oLyyyyyyyyyyyyo.",
    "oLyyyyyyyyyyyyo.",
    "oLyyyyyyyyyyyyo.",
    "oLyyyyyyyyyyyyo.",
    "oLyyyyyyyyyyyyo.",
    "oLyyyyyyyyyyyyo.",
    "oLyyyyyyyyyyyyo.",
    "oLyyyyyyyyyyyyo.",
    "oYYYYYYYYYYYYYo.",
    "ooooooooooooooo.",
    "................",
    "................",
]
LIST_PAL = {
    "k": "#6E6E6E", "f": "#FAFAFA", "D": "#D6D6D6",
    "o": "#A8791A", "L": "#FBE39A", "y": "#F5C542", "Y": "#E3AE2B",
    "r": "#D81E1E", "R": "#9E1010",
}


def cross_out(rows):
    """Two-pixel red stroke from the bottom left to the top right."""
    rows = [list(r) for r in rows]
    for x in range(1, 15):
        for y in (15 - x, 16 - x):
            if 1 <= y <= 14:
                rows[y][x] = "r"
    return ["".join(r) for r in rows]


def list_states():
    sheet = Canvas(64, 16)
    images = [cross_out(PAGE16), cross_out(FOLDER_LIST16),
              PAGE16, FOLDER_LIST16]
    for i, rows in enumerate(images):
        sheet.paste(from_grid(rows, LIST_PAL), 16 * i, 0)
    return sheet


# ---------------------------------------------------------- file output ---

def png_bytes(canvas):
    raw = bytearray()
    data = canvas.rgba_bytes()
    stride = canvas.width * 4
    for y in range(canvas.height):
        raw.append(0)
        raw += data[y * stride:(y + 1) * stride]

    def chunk(tag, body):
        return (struct.pack(">I", len(body)) + tag + body
                + struct.pack(">I", zlib.crc32(tag + body) & 0xFFFFFFFF))
    ihdr = struct.pack(">IIBBBBB", canvas.width, canvas.height, 8, 6, 0, 0, 0)
    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", ihdr)
            + chunk(b"IDAT", zlib.compress(bytes(raw), 9)) + chunk(b"IEND", b""))


def dib_icon_image(canvas):
    """BITMAPINFOHEADER + 32-bit BGRA bottom-up XOR image + 1-bit AND mask."""
    w, h = canvas.width, canvas.height
    header = struct.pack("<IiiHHIIiiII", 40, w, h * 2, 1, 32, 0, 0, 0, 0, 0, 0)
    rgba = canvas.rgba_bytes()
    xor = bytearray()
    mask = bytearray()
    mask_stride = ((w + 31) // 32) * 4
    for y in reversed(range(h)):
        row_mask = bytearray(mask_stride)
        for x in range(w):
            r, g, b, a = rgba[(y * w + x) * 4:(y * w + x) * 4 + 4]
            xor += bytes((b, g, r, a))
            if a == 0:
                row_mask[x >> 3] |= 0x80 >> (x & 7)
        mask += row_mask
    return header + bytes(xor) + bytes(mask)


def write_ico(path, canvases):
    images = []
    for c in canvases:
        images.append(png_bytes(c) if c.width >= 256 else dib_icon_image(c))
    out = struct.pack("<HHH", 0, 1, len(images))
    offset = 6 + 16 * len(images)
    for c, data in zip(canvases, images):
        # a directory entry stores 256 as 0
        out += struct.pack("<BBBBHHII", c.width % 256, c.height % 256, 0, 0,
                           1, 32, len(data), offset)
        offset += len(data)
    out += b"".join(images)
    with open(path, "wb") as f:
        f.write(out)


def write_bmp24(path, canvas, background=(255, 255, 255)):
    w, h = canvas.width, canvas.height
    stride = (w * 3 + 3) & ~3
    pixels = bytearray()
    for y in reversed(range(h)):
        row = bytearray()
        for x in range(w):
            p = canvas.get(x, y)
            rgb = [round((p[i] * p[3]) * 255 + background[i] * (1 - p[3]))
                   for i in range(3)]
            row += bytes((rgb[2], rgb[1], rgb[0]))
        row += bytes(stride - len(row))
        pixels += row
    info = struct.pack("<IiiHHIIiiII", 40, w, h, 1, 24, 0, len(pixels),
                       2835, 2835, 0, 0)
    head = struct.pack("<2sIHHI", b"BM", 14 + 40 + len(pixels), 0, 0, 54)
    with open(path, "wb") as f:
        f.write(head + info + bytes(pixels))


def write_png(path, canvas):
    with open(path, "wb") as f:
        f.write(png_bytes(canvas))


# ------------------------------------------------------------------ main ---

def icon_set(folder, badge, glyph, sizes, warning=False):
    out = [compose16(BADGE16[badge], folder_pal16(folder),
                     badge_pal16(BADGES[badge]), warning)]
    for s in sizes:
        c = draw_large(s, folder, BADGES[badge], glyph)
        if warning:
            draw_warning(c, s)
        out.append(c)
    return out


def preview(zelk, running, stopped, states, warned=()):
    """All images at 1x and 4x, once on white and once on dark gray."""
    keyed = Canvas(64, 16)
    for y in range(16):
        for x in range(64):
            p = states.get(x, y)
            if p[:3] != [1.0, 1.0, 1.0]:
                keyed.px[y * 64 + x] = list(p)
    rows = [
        [(c, 1) for c in zelk] + [(c, 4) for c in zelk if c.width < 256],
        [(c, 1) for c in running + stopped]
        + [(c, 4) for c in running + stopped],
        [(c, 1) for c in warned] + [(c, 4) for c in warned],
        [(keyed, 1), (keyed, 4)],
    ]
    gap = 16
    width = max(sum(c.width * s + gap for c, s in r) for r in rows) + gap
    height = sum(max(c.height * s for c, s in r) + gap for r in rows) + gap
    sheet = Canvas(width, height * 2)
    for panel, bg in enumerate(((255, 255, 255), (60, 60, 60))):
        oy = panel * height
        for y in range(height):
            for x in range(width):
                sheet.px[(oy + y) * width + x] = [v / 255.0 for v in bg] + [1.0]
        y = oy + gap
        for r in rows:
            x = gap
            tallest = max(c.height * s for c, s in r)
            for c, s in r:
                sheet.paste(c, x, y + tallest - c.height * s, s)
                x += c.width * s + gap
            y += tallest + gap
    return sheet


def main():
    os.makedirs(ICON_DIR, exist_ok=True)
    zelk = icon_set(FOLDER, "backup", glyph_cycle, (32, 48, 256))
    running = icon_set(FOLDER, "running", glyph_play, (32,))
    stopped = icon_set(FOLDER_GRAY, "stopped", glyph_pause, (32,))
    running_warning = icon_set(FOLDER, "running", glyph_play, (32,), True)
    stopped_warning = icon_set(FOLDER_GRAY, "stopped", glyph_pause, (32,),
                               True)
    states = list_states()
    write_ico(os.path.join(ICON_DIR, "zelk.ico"), zelk)
    write_ico(os.path.join(ICON_DIR, "tray_running.ico"), running)
    write_ico(os.path.join(ICON_DIR, "tray_stopped.ico"), stopped)
    write_ico(os.path.join(ICON_DIR, "tray_running_warning.ico"),
              running_warning)
    write_ico(os.path.join(ICON_DIR, "tray_stopped_warning.ico"),
              stopped_warning)
    write_bmp24(os.path.join(ICON_DIR, "list_states.bmp"), states)
    write_png(PREVIEW, preview(zelk, running, stopped, states,
                               running_warning + stopped_warning))


if __name__ == "__main__":
    main()
