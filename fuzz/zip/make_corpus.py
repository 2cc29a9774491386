#!/usr/bin/env python3
"""Writes the seed corpus of zip_entry_fuzzer: a few tiny zips with the entry-name shapes that matter
(plain, directory, GB 18030, backslash separators, names that try to leave the target, stored and
deflated data, an enciphered entry). Run from anywhere; the files land in corpus/zip_entry_fuzzer/
beside this script. The fuzzer gives the password "pw" to inputs whose last byte is odd."""
import os
import struct
import zlib

OUT = os.path.join(os.path.dirname(os.path.abspath(__file__)), "corpus", "zip_entry_fuzzer")
DOS_TIME, DOS_DATE = (12 << 11), ((2021 - 1980) << 9) | (6 << 5) | 15


def zipcrypto(password, data, crc):
    """Data enciphered with the traditional zip cipher, after its 12-byte header."""
    table = []
    for n in range(256):
        c = n
        for _ in range(8):
            c = (c >> 1) ^ 0xEDB88320 if c & 1 else c >> 1
        table.append(c)
    keys = [0x12345678, 0x23456789, 0x34567890]

    def update(b):
        keys[0] = table[(keys[0] ^ b) & 0xFF] ^ (keys[0] >> 8)
        keys[1] = ((keys[1] + (keys[0] & 0xFF)) * 134775813 + 1) & 0xFFFFFFFF
        keys[2] = table[(keys[2] ^ (keys[1] >> 24)) & 0xFF] ^ (keys[2] >> 8)

    for b in password:
        update(b)
    out = bytearray()
    for b in bytes(range(10)) + bytes([(crc >> 16) & 0xFF, (crc >> 24) & 0xFF]) + data:
        t = (keys[2] & 0xFFFF) | 2
        out.append(b ^ (((t * (t ^ 1)) >> 8) & 0xFF))
        update(b)
    return bytes(out)


def zip_bytes(entries, comment=b""):
    """entries: (name bytes, content bytes, deflate?, utf8 flag?, password or None)"""
    local, central = b"", b""
    for name, content, deflate, utf8, password in entries:
        data = zlib.compress(content)[2:-4] if deflate else content
        crc = zlib.crc32(content) & 0xFFFFFFFF
        flag = (0x800 if utf8 else 0) | (1 if password else 0)
        if password:
            data = zipcrypto(password, data, crc)
        offset = len(local)
        head = struct.pack("<HHHHHIIIHH", 20, flag, 8 if deflate else 0, DOS_TIME, DOS_DATE, crc, len(data),
                           len(content), len(name), 0)
        local += b"PK\x03\x04" + head + name + data
        central += (b"PK\x01\x02" + struct.pack("<H", 20) + head + struct.pack("<HHHII", 0, 0, 0, 0, offset)
                    + name)
    end = b"PK\x05\x06" + struct.pack("<HHHHIIH", 0, 0, len(entries), len(entries), len(central), len(local),
                                      len(comment))
    return local + central + end + comment


SEEDS = {
    "plain.zip": ([(b"V.db", b"SQLite format 3\x00", False, False, None)], b""),
    "dir_and_file.zip": ([(b"img/", b"", False, False, None), (b"img/a.png", b"png" * 20, True, False, None)], b""),
    "gb18030.zip": ([("题库/第一章.db".encode("gb18030"), b"gb", True, False, None)], b""),
    "backslash.zip": ([(b"img\\b.png", b"b", False, False, None),
                       ("图片\\图.png".encode("gb18030"), b"p", True, False, None)], b""),
    "utf8_flag.zip": ([("说明.txt".encode("utf-8"), b"u", False, True, None)], b""),
    "escape.zip": ([(b"ok.txt", b"1", False, False, None), (b"../escape.db", b"x", False, False, None),
                    (b"/tmp/abs.txt", b"y", False, False, None), (b"C:\\x.db", b"z", False, False, None)], b""),
    # The comment's odd last byte makes the fuzzer give the password.
    "enciphered.zip": ([(b"secret.txt", b"enciphered seed", False, False, b"pw"),
                        (b"deflated.txt", b"enciphered " * 8, True, False, b"pw")], b"x"),
}

os.makedirs(OUT, exist_ok=True)
for file_name, (entries, comment) in SEEDS.items():
    with open(os.path.join(OUT, file_name), "wb") as f:
        f.write(zip_bytes(entries, comment))
