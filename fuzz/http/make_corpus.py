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


# --- gzip_inflate_fuzzer: a piece-size byte, then a body as a server may send it ---
import gzip  # noqa: E402
import zlib  # noqa: E402


def seed(target, name, data):
    out = os.path.join(os.path.dirname(os.path.abspath(__file__)), "corpus", target)
    os.makedirs(out, exist_ok=True)
    with open(os.path.join(out, name), "wb") as f:
        f.write(data)


reply = b'{"Body":{"UserName":"user01"},"LoginState":1}' * 20
seed("gzip_inflate_fuzzer", "gzip", b"\x00" + gzip.compress(reply))
seed("gzip_inflate_fuzzer", "zlib", b"\x03" + zlib.compress(reply))
seed("gzip_inflate_fuzzer", "truncated", b"\x01" + gzip.compress(reply)[:-9])
seed("gzip_inflate_fuzzer", "two_members", b"\x10" + gzip.compress(b"first") + gzip.compress(b"second"))
seed("gzip_inflate_fuzzer", "zeros", b"\x40" + gzip.compress(bytes(3 << 20)))  # inflates past the limit
seed("gzip_inflate_fuzzer", "empty_member", b"\x00" + gzip.compress(b""))

# --- set_cookie_fuzzer: a URL-choice byte, then Set-Cookie lines ---
seed("set_cookie_fuzzer", "session", b"\x00JSESSIONID=abc123; Path=/; HttpOnly")
seed("set_cookie_fuzzer", "expires", b"\x01a=1; Expires=Wed, 21 Oct 2037 07:28:00 GMT; Secure\n"
     b"b=2; expires=Sunday, 06-Nov-94 08:49:37 GMT\nc=3; Expires=Sun Nov  6 08:49:37 1994")
seed("set_cookie_fuzzer", "domain", b"\x03x=1; Domain=.example.org; Path=/a\ny=2; Domain=evil.com\nz=3; Max-Age=0")
seed("set_cookie_fuzzer", "odd", b"\x02=novalue\nk\n;;;\nq=\"quoted; still\"; max-age=99999999999999999999")

# --- auth_challenge_fuzzer: a flag byte (bit 0: proxy; bits 1-2: credentials), the challenge lines, an
# empty line, the next answer's challenge lines ---
seed("auth_challenge_fuzzer", "basic", b"\x00Basic realm=\"test\"")
seed("auth_challenge_fuzzer", "digest", b"\x02Digest realm=\"test\", nonce=\"abc\", qop=\"auth,auth-int\", "
     b"opaque=\"xyz\", algorithm=MD5\nBasic realm=\"test\"")
seed("auth_challenge_fuzzer", "digest_stale", b"\x04Digest realm=\"r\", nonce=\"n1\"\n\n"
     b"Digest realm=\"r\", nonce=\"n2\", stale=true")
seed("auth_challenge_fuzzer", "ntlm", b"\x01NTLM\n\nNTLM TlRMTVNTUAACAAAADAAMADAAAAA1goriASNFZ4mrze8AAAAAAAAAAGIAYgA8AAAA")
seed("auth_challenge_fuzzer", "escaped", b"\x06Digest realm=\"a\\\"b\", nonce=\"c,d\", opaque=\"e\\\\f\"")
