#!/usr/bin/python3
"""Writes the seed corpus of http_response_fuzzer: a flag byte followed by a response."""
import os

OUT = os.path.join(os.path.dirname(os.path.abspath(__file__)), "corpus", "http_response_fuzzer")

SEEDS = {
    "length": b"HTTP/1.1 200 OK\r\nContent-Type: text/plain\r\nContent-Length: 5\r\n\r\nhello",
    "chunked": b"HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n5;ext=1\r\nhello\r\n6\r\n world\r\n0\r\nX-T: 1\r\n\r\n",
    "until_close": b"HTTP/1.0 200 OK\r\nServer: x\r\n\r\nbody until close",
    "interim": b"HTTP/1.1 100 Continue\r\n\r\nHTTP/1.1 204 No Content\r\nConnection: close\r\n\r\n",
    "keepalive": b"HTTP/1.0 200 OK\r\nConnection: keep-alive\r\nKeep-Alive: timeout=15, max=100\r\nContent-Length: 0\r\n\r\n",
    "duplicates": b"HTTP/1.1 302 Found\r\nLocation: /x\r\nSet-Cookie: a=1\r\nSet-Cookie: b=2; Expires=Wed, 21 Oct 2037 07:28:00 GMT\r\nContent-Length: 0\r\n\r\n",
    "lf_only": b"HTTP/1.1 404 Not Found\nContent-Length: 3\n\nno!",
    "folded": b"HTTP/1.1 200 OK\r\nX-A: 1\r\n folded\r\n\r\n",
    "bad_chunk": b"HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\nfffffffffffffffff\r\n",
    "conflict": b"HTTP/1.1 200 OK\r\nContent-Length: 1\r\nContent-Length: 2\r\n\r\nab",
    "gzip_te": b"HTTP/1.1 200 OK\r\nTransfer-Encoding: gzip, chunked\r\n\r\n0\r\n\r\n",
    "not_modified": b"HTTP/1.1 304 Not Modified\r\nETag: \"x\"\r\n\r\n",
}

FLAGS = {"length": 0x10, "chunked": 0x03, "until_close": 0x80, "interim": 0x00, "keepalive": 0x01,
         "duplicates": 0x20, "lf_only": 0x05, "folded": 0x00, "bad_chunk": 0x07, "conflict": 0x00,
         "gzip_te": 0x00, "not_modified": 0x81}

os.makedirs(OUT, exist_ok=True)
for name, body in SEEDS.items():
    with open(os.path.join(OUT, name), "wb") as f:
        f.write(bytes([FLAGS[name]]) + body)
