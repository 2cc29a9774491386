"""A deterministic zip writer.

Entry names are written as the raw bytes given (the bank's zips carry GB 18030 names, so the UTF-8 name
flag is never set), every entry has the same fixed timestamp, and the caller's entry order is kept.
"""

import struct
import zlib

# 2013-07-10 12:00:00 in MS-DOS date and time form.
DOS_DATE = ((2013 - 1980) << 9) | (7 << 5) | 10
DOS_TIME = (12 << 11) | (0 << 5) | 0
STORED, DEFLATED = 0, 8


def zip_bytes(entries):
    """entries: list of (name bytes, data bytes, method). Returns the archive's bytes."""
    out = bytearray()
    central = bytearray()
    for name, data, method in entries:
        if not isinstance(name, bytes):
            raise TypeError("entry names are raw bytes")
        crc = zlib.crc32(data) & 0xFFFFFFFF
        if method == DEFLATED:
            comp = zlib.compressobj(9, zlib.DEFLATED, -15)
            payload = comp.compress(data) + comp.flush()
        elif method == STORED:
            payload = data
        else:
            raise ValueError("unsupported method %r" % method)
        offset = len(out)
        out += struct.pack("<IHHHHHIIIHH", 0x04034B50, 20, 0, method, DOS_TIME, DOS_DATE, crc, len(payload),
                           len(data), len(name), 0)
        out += name + payload
        central += struct.pack("<IHHHHHHIIIHHHHHII", 0x02014B50, (3 << 8) | 20, 20, 0, method, DOS_TIME, DOS_DATE,
                               crc, len(payload), len(data), len(name), 0, 0, 0, 0, 0o100644 << 16, offset)
        central += name
    cd_offset = len(out)
    out += central
    out += struct.pack("<IHHHHIIH", 0x06054B50, 0, 0, len(entries), len(entries), len(central), cd_offset, 0)
    return bytes(out)
