"""Draws the images the question page refers to (marks, favourite stars, tool-row buttons) as PNG files.

    /usr/bin/python3 -B tools/pageimages/draw_page_images.py resources

Standard library only. Shapes are drawn as distance fields with 4 x 4 samples per pixel, so edges are
smooth; the same run writes the same bytes. The files are committed in resources/; run this again after
changing a drawing.
"""

import math
import os
import struct
import sys
import zlib

TEAL = (46, 156, 143)
GREEN = (40, 150, 60)
RED = (214, 60, 50)
GOLD = (240, 180, 30)
GREY = (150, 150, 150)
WHITE = (255, 255, 255)
PAPER = (236, 244, 243)


# ---- distance functions: negative inside, in pixels ----

def circle(cx, cy, r):
    return lambda x, y: math.hypot(x - cx, y - cy) - r


def ring(cx, cy, r, width):
    return lambda x, y: abs(math.hypot(x - cx, y - cy) - r) - width / 2


def segment(ax, ay, bx, by, width):
    def d(x, y):
        px, py, vx, vy = x - ax, y - ay, bx - ax, by - ay
        t = max(0.0, min(1.0, (px * vx + py * vy) / (vx * vx + vy * vy)))
        return math.hypot(px - vx * t, py - vy * t) - width / 2
    return d


def polyline(points, width):
    parts = [segment(*points[i], *points[i + 1], width) for i in range(len(points) - 1)]
    return lambda x, y: min(p(x, y) for p in parts)


def rounded_rect(x0, y0, x1, y1, r):
    cx, cy, hx, hy = (x0 + x1) / 2, (y0 + y1) / 2, (x1 - x0) / 2 - r, (y1 - y0) / 2 - r

    def d(x, y):
        qx, qy = abs(x - cx) - hx, abs(y - cy) - hy
        return math.hypot(max(qx, 0), max(qy, 0)) + min(max(qx, qy), 0) - r
    return d


def polygon(points):
    def d(x, y):
        best = float("inf")
        inside = False
        n = len(points)
        for i in range(n):
            ax, ay = points[i]
            bx, by = points[(i + 1) % n]
            vx, vy, px, py = bx - ax, by - ay, x - ax, y - ay
            t = max(0.0, min(1.0, (px * vx + py * vy) / (vx * vx + vy * vy)))
            best = min(best, math.hypot(px - vx * t, py - vy * t))
            if (ay > y) != (by > y) and x < ax + (y - ay) * (bx - ax) / (by - ay):
                inside = not inside
        return -best if inside else best
    return d


def outline(shape, width):
    return lambda x, y: abs(shape(x, y)) - width / 2


def arc(cx, cy, r, width, start, end):
    """A ring between two angles (degrees, clockwise from the top), with round ends."""
    def d(x, y):
        a = (math.degrees(math.atan2(x - cx, -(y - cy)))) % 360
        if start <= a <= end:
            return abs(math.hypot(x - cx, y - cy) - r) - width / 2
        ends = []
        for e in (start, end):
            ex = cx + r * math.sin(math.radians(e))
            ey = cy - r * math.cos(math.radians(e))
            ends.append(math.hypot(x - ex, y - ey) - width / 2)
        return min(ends)
    return d


def star(cx, cy, outer, inner):
    pts = []
    for i in range(10):
        r = outer if i % 2 == 0 else inner
        a = math.radians(i * 36)
        pts.append((cx + r * math.sin(a), cy - r * math.cos(a)))
    return polygon(pts)


# ---- painting ----

class Canvas:
    def __init__(self, size):
        self.size = size
        self.px = [[0.0, 0.0, 0.0, 0.0] for _ in range(size * size)]  # premultiplied RGBA, 0..1

    def fill(self, shape, colour, alpha=1.0):
        n = 4
        offsets = [(i + 0.5) / n for i in range(n)]
        r, g, b = (c / 255 for c in colour)
        for y in range(self.size):
            for x in range(self.size):
                # cheap rejection: far outside the shape
                if shape(x + 0.5, y + 0.5) > 1.5:
                    continue
                cover = sum(1 for oy in offsets for ox in offsets if shape(x + ox, y + oy) <= 0) / (n * n)
                if cover == 0:
                    continue
                a = cover * alpha
                p = self.px[y * self.size + x]
                p[0] = r * a + p[0] * (1 - a)
                p[1] = g * a + p[1] * (1 - a)
                p[2] = b * a + p[2] * (1 - a)
                p[3] = a + p[3] * (1 - a)

    def png(self):
        rows = bytearray()
        for y in range(self.size):
            rows.append(0)
            for x in range(self.size):
                r, g, b, a = self.px[y * self.size + x]
                if a > 0:
                    r, g, b = r / a, g / a, b / a
                rows += bytes(round(max(0.0, min(1.0, v)) * 255) for v in (r, g, b, a))

        def chunk(tag, data):
            return struct.pack(">I", len(data)) + tag + data + struct.pack(">I", zlib.crc32(tag + data))

        head = struct.pack(">IIBBBBB", self.size, self.size, 8, 6, 0, 0, 0)
        return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", head) + chunk(b"IDAT", zlib.compress(bytes(rows), 9))
                + chunk(b"IEND", b""))


def scaled(size, draw):
    """Runs draw(canvas, s) where s maps the 64-unit design grid to the canvas."""
    c = Canvas(size)
    draw(c, size / 64)
    return c.png()


# ---- the images ----

def right_mark(c, s):
    c.fill(circle(32 * s, 32 * s, 29 * s), GREEN)
    c.fill(polyline([(18 * s, 33 * s), (28 * s, 43 * s), (47 * s, 22 * s)], 7 * s), WHITE)


def wrong_mark(c, s):
    c.fill(circle(32 * s, 32 * s, 29 * s), RED)
    c.fill(segment(21 * s, 21 * s, 43 * s, 43 * s, 7 * s), WHITE)
    c.fill(segment(43 * s, 21 * s, 21 * s, 43 * s, 7 * s), WHITE)


def star_filled(c, s):
    c.fill(star(32 * s, 34 * s, 30 * s, 13 * s), GOLD)


def star_empty(c, s):
    c.fill(outline(star(32 * s, 34 * s, 28 * s, 12 * s), 4.5 * s), GREY)


def button(c, s):
    c.fill(rounded_rect(3 * s, 3 * s, 61 * s, 61 * s, 12 * s), PAPER)
    c.fill(outline(rounded_rect(3 * s, 3 * s, 61 * s, 61 * s, 12 * s), 2 * s), TEAL, 0.7)


def fav_button(c, s):
    button(c, s)
    c.fill(outline(star(32 * s, 34 * s, 20 * s, 8.5 * s), 3.5 * s), TEAL)


def fav_cancel_button(c, s):
    button(c, s)
    c.fill(star(32 * s, 34 * s, 21 * s, 9 * s), GOLD)


def note_button(c, s):
    button(c, s)
    c.fill(outline(rounded_rect(17 * s, 13 * s, 43 * s, 51 * s, 3 * s), 3 * s), TEAL)
    for y in (24, 32, 40):
        c.fill(segment(23 * s, y * s, 37 * s, y * s, 2.5 * s), TEAL)
    c.fill(segment(49 * s, 22 * s, 36 * s, 45 * s, 5 * s), GOLD)


def redo_button(c, s):
    button(c, s)
    c.fill(arc(32 * s, 33 * s, 15 * s, 4.5 * s, 60, 330), TEAL)
    tip_x, tip_y = 32 * s + 15 * s * math.sin(math.radians(60)), 33 * s - 15 * s * math.cos(math.radians(60))
    c.fill(polygon([(tip_x + 7 * s, tip_y - 9 * s), (tip_x + 6 * s, tip_y + 6 * s), (tip_x - 8 * s, tip_y - 1 * s)]),
           TEAL)


def mark_button(c, s):
    button(c, s)
    c.fill(outline(polygon([(17 * s, 12 * s), (38 * s, 12 * s), (47 * s, 21 * s), (47 * s, 52 * s),
                            (17 * s, 52 * s)]), 3 * s), TEAL)
    c.fill(polyline([(24 * s, 34 * s), (30 * s, 41 * s), (41 * s, 27 * s)], 4.5 * s), GREEN)


def bulb(c, s, lit):
    if lit:
        c.fill(circle(32 * s, 26 * s, 17 * s), GOLD)
    c.fill(outline(circle(32 * s, 26 * s, 17 * s), 4 * s), TEAL)
    c.fill(rounded_rect(24 * s, 43 * s, 40 * s, 49 * s, 2 * s), TEAL)
    c.fill(rounded_rect(26 * s, 52 * s, 38 * s, 57 * s, 2 * s), TEAL)


IMAGES = {
    "right.png": (36, right_mark),
    "wrong.png": (36, wrong_mark),
    "ic_t_fav_true.png": (40, star_filled),
    "ic_t_fav_false.png": (40, star_empty),
    "favBtn.png": (128, fav_button),
    "favCancelBtn.png": (128, fav_cancel_button),
    "ic_t_note.png": (128, note_button),
    "ic_chongzuo.png": (128, redo_button),
    "ic_t_submit2.png": (128, mark_button),
    "ic_t_analysis.png": (64, lambda c, s: bulb(c, s, False)),
    "ic_t_analysis_s.png": (64, lambda c, s: bulb(c, s, True)),
}


def main(argv):
    if len(argv) != 2:
        print(__doc__.strip().splitlines()[0], file=sys.stderr)
        return 2
    out = argv[1]
    os.makedirs(out, exist_ok=True)
    for name, (size, draw) in IMAGES.items():
        with open(os.path.join(out, name), "wb") as f:
            f.write(scaled(size, draw))
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
