"""A minimal PNG writer (8-bit RGB, one IDAT chunk) for the sample images. Same input, same bytes."""

import struct
import zlib


def _chunk(tag, data):
    return struct.pack(">I", len(data)) + tag + data + struct.pack(">I", zlib.crc32(tag + data))


def make_png(width, height, colour):
    """A width x height picture: the colour with a lighter diagonal stripe pattern and a dark frame."""
    r, g, b = colour
    light = (min(255, r + 60), min(255, g + 60), min(255, b + 60))
    rows = bytearray()
    for y in range(height):
        rows.append(0)  # filter type None
        for x in range(width):
            if x < 2 or y < 2 or x >= width - 2 or y >= height - 2:
                px = (20, 20, 20)
            elif ((x + y) // 12) % 2:
                px = light
            else:
                px = (r, g, b)
            rows += bytes(px)
    ihdr = struct.pack(">IIBBBBB", width, height, 8, 2, 0, 0, 0)
    return (b"\x89PNG\r\n\x1a\n" + _chunk(b"IHDR", ihdr) + _chunk(b"IDAT", zlib.compress(bytes(rows), 9))
            + _chunk(b"IEND", b""))


def png_size(data):
    """(width, height) read from a PNG's IHDR chunk."""
    if data[:8] != b"\x89PNG\r\n\x1a\n" or data[12:16] != b"IHDR":
        raise ValueError("not a PNG")
    return struct.unpack(">II", data[16:24])
