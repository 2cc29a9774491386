"""Draws the images of the guest's feedback page (the two chat bubbles cut into nine cells each, their
tails and edge fills) and the background of the feedback screen's input area, as PNG files.

    /usr/bin/python3 -B tools/feedbackimages/draw_feedback_images.py resources

Standard library only. Each bubble is one rounded rectangle of 54 x 54 pixels (corner radius 12, a
1-pixel border) drawn with 4 x 4 samples per pixel and cut into nine 18-pixel cells; the same run writes the
same bytes. The files are committed in resources/; run this again after changing a drawing.
"""

import math
import os
import struct
import sys
import zlib

LEFT_FILL = (255, 255, 255)
LEFT_EDGE = (200, 204, 204)
RIGHT_FILL = (46, 156, 143)
RIGHT_EDGE = (34, 128, 117)
SAMPLES = 4


def png(width, height, pixels):
    raw = b"".join(b"\x00" + bytes(v for p in pixels[y * width:(y + 1) * width] for v in p)
                   for y in range(height))

    def chunk(kind, data):
        return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data) & 0xFFFFFFFF)

    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", width, height, 8, 6, 0, 0, 0)) +
            chunk(b"IDAT", zlib.compress(raw, 9)) + chunk(b"IEND", b""))


def rounded_rect(x0, y0, x1, y1, r):
    cx, cy, hx, hy = (x0 + x1) / 2, (y0 + y1) / 2, (x1 - x0) / 2 - r, (y1 - y0) / 2 - r

    def d(x, y):
        qx, qy = abs(x - cx) - hx, abs(y - cy) - hy
        return math.hypot(max(qx, 0), max(qy, 0)) + min(max(qx, qy), 0) - r
    return d


def triangle(points):
    def d(x, y):
        # negative inside: the largest signed distance to the three edges (points clockwise)
        worst = -float("inf")
        for i in range(3):
            (ax, ay), (bx, by) = points[i], points[(i + 1) % 3]
            ex, ey = bx - ax, by - ay
            length = math.hypot(ex, ey)
            worst = max(worst, ((x - ax) * ey - (y - ay) * ex) / length)
        return worst
    return d


def render(width, height, shape, fill, edge, ox=0, oy=0):
    """Samples `shape` (a distance function on the design grid) over a width x height window at (ox, oy):
    inside less than 1 pixel from the edge is the border colour, further in the fill."""
    out = []
    for y in range(height):
        for x in range(width):
            inside = border = 0
            for sy in range(SAMPLES):
                for sx in range(SAMPLES):
                    d = shape(ox + x + (sx + 0.5) / SAMPLES, oy + y + (sy + 0.5) / SAMPLES)
                    if d <= 0:
                        inside += 1
                        if d > -1:
                            border += 1
            n = SAMPLES * SAMPLES
            if inside == 0:
                out.append((0, 0, 0, 0))
                continue
            t = border / inside
            colour = tuple(round(f * (1 - t) + e * t) for f, e in zip(fill, edge))
            out.append(colour + (round(255 * inside / n),))
    return out


def bubble_cells(prefix, fill, edge):
    names = {(0, 0): "tl", (1, 0): "tm", (2, 0): "tr", (0, 1): "ml", (1, 1): "mm", (2, 1): "mr",
             (0, 2): "bl", (1, 2): "bm", (2, 2): "br"}
    files = {}
    big = rounded_rect(0, 0, 54, 54, 12)  # a 3 x 3 grid of 18-pixel cells; the middle ones are straight
    for (cx, cy), name in names.items():
        files["%s_%s.png" % (prefix, name)] = (18, 18, render(18, 18, big, fill, edge, cx * 18, cy * 18))
    return files


def tail(width, height, fill, edge, pointing_left):
    if pointing_left:
        shape = triangle([(0.5, 9), (width + 1, 3), (width + 1, 19)])
    else:
        shape = triangle([(-1, 19), (-1, 3), (width - 0.5, 9)])
    return (width, height, render(width, height, shape, fill, edge))


def edge_fill(width, height, fill, edge, left):
    """The side cell beside the tail: the bubble's straight side with an opening where the tail joins."""
    side = rounded_rect(0, -100, 54, 200, 12) if left else rounded_rect(-36, -100, 18, 200, 12)
    pixels = render(width, height, side, fill, edge)
    for y in range(4, 18):
        for x in range(2) if left else range(width - 2, width):
            pixels[y * width + x] = fill + (255,)
    return (width, height, pixels)


def input_background(width, height):
    pixels = []
    for y in range(height):
        t = y / (height - 1)
        top, bottom = (236, 240, 239), (214, 221, 220)
        c = tuple(round(a * (1 - t) + b * t) for a, b in zip(top, bottom))
        if y == 0:
            c = (190, 198, 197)
        pixels.extend([c + (255,)] * width)
    return (width, height, pixels)


def main(argv):
    out = argv[1] if len(argv) > 1 else "resources"
    files = {}
    files.update(bubble_cells("c", LEFT_FILL, LEFT_EDGE))
    files.update(bubble_cells("r", RIGHT_FILL, RIGHT_EDGE))
    files["c_mmk.png"] = tail(18, 26, LEFT_FILL, LEFT_EDGE, True)
    files["r_mmk.png"] = tail(18, 28, RIGHT_FILL, RIGHT_EDGE, False)
    files["c_fill.png"] = edge_fill(18, 22, LEFT_FILL, LEFT_EDGE, True)
    files["r_fill.png"] = edge_fill(18, 22, RIGHT_FILL, RIGHT_EDGE, False)
    files["feedback_background.png"] = input_background(320, 50)
    for name, (w, h, pixels) in sorted(files.items()):
        with open(os.path.join(out, name), "wb") as f:
            f.write(png(w, h, pixels))
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
