#!/usr/bin/python3
"""Loopback HTTP(S) server for the transport and HTTP-client tests.

Binds 127.0.0.1 only, on an ephemeral port; prints "PORT <n>" on its first output line and, with
--port-file, writes the number to that file (atomically). It exits by itself after --idle-timeout seconds
without a connection or a request, and is otherwise stopped by its process id (SIGTERM).

Every response is chosen by the request path and its query (all optional):

  /echo                 the request as JSON: method, path, version, headers (list of [name, value] in
                        order), body (Latin-1 text of the bytes), body_length; any method
  /bytes?n=N            N bytes of the pattern byte[i] = i % 251 ("Content-Length"), also for HEAD
        &chunked=1      ... sent chunked instead (chunks of &chunk=K bytes, default 4096)
        &ext=1          ... with chunk extensions;  &trailer=1  ... with trailer fields
        &gzip=1         ... gzip-compressed ("Content-Encoding: gzip")
        &close=1        ... "Connection: close", then the server closes
        &keepalive=T,M  ... "Keep-Alive: timeout=T, max=M"
        &http10=1       ... as an HTTP/1.0 response (the connection then closes unless &ka10=1)
        &nolength=1     ... neither length nor chunked: the body ends when the server closes
  /range?n=N            the pattern with Range support (206 + "Content-Range"; 416 for a bad range)
        &ignore=1       ... ignoring "Range" (200 with the whole body); the server flag --ignore-range
                        does this for every /range request
  /stall?head=S         wait S seconds before the response head, &afterhead=S between the head and the
                        body, &mid=S between the two halves of the body, &n=N bytes of body (default 1000)
  /trickle?n=N&every=S  announce N bytes of the pattern, then send them one at a time, S seconds apart
                        (default 0.01): a server that is never idle yet never done
  /drop?n=N&at=K        announce N bytes, send K of them, then close the connection (&chunked=1 likewise)
  /dropafter?n=N        answer like /bytes (&size=K bytes) while this connection has served fewer than N
                        requests; a further request on the same connection is read and then the connection
                        is closed without an answer (a kept-alive connection dropped by the server)
  /redirect?code=C&to=L a redirect (301, 302, 303, 307, 308, ...) to L, relative or absolute
  /redirect/chain?n=K   K redirects in a row (302), then /echo
  /redirect/loop        a redirect to itself
  /cookie?set=a=1&set=b=2  one "Set-Cookie" per value, then the echo
  /status?code=C&body=T    status C with text T
  /auth?user=U&pass=P   401 with "WWW-Authenticate: Basic realm=\"test\"" unless the Basic credentials match
  /auth/digest?user=U&pass=P&realm=R   401 with a Digest (MD5, qop "auth") and a Basic challenge unless
                        the Digest answer matches
  /auth/ntlm?user=U&pass=P&domain=D    NTLM version 1: negotiate -> challenge -> authenticate on one
                        kept-alive connection; 200 when the NT response, user and domain match
  /bomb?n=N             N zero bytes gzip-compressed ("Content-Encoding: gzip", about N/1000 bytes sent)
  /endless?chunk=K      a chunked body of K-byte chunks (default 65536) that never ends: the server writes
                        until the client goes away (at most 4 GiB); &nolength=1 without any framing
  /raw?b64=B            write the base64-decoded bytes as they are, then close (malformed answers)
  /reject               close the connection at once, without reading the request body
  /stats                JSON: connections accepted, requests served (the counters of this process)
  anything else         404

As a plain HTTP proxy (a request in absolute form) it answers for itself; a host whose name starts with
"proxyauth-" stands behind a proxy that wants "Proxy-Authorization: Basic" for puser:ppass (407 otherwise),
and one starting with "proxyntlm-" behind a proxy that wants NTLM version 1 for CORP\\puser, ppass.
As a tunnelling proxy (CONNECT) it opens tunnels to 127.0.0.1 only; "CONNECT proxyauth-<any>:<port>" wants
the same Basic credentials on the CONNECT (407 and a closed connection otherwise) and then tunnels to
127.0.0.1:<port>; "CONNECT proxydigest-<any>:<port>" wants them as Digest (MD5, qop "auth", realm
"loopback proxy", signed for method CONNECT and the uri "<host>:<port>"). /stats also gives "connect_authorized" and "connect_refused" for these.

TLS: --tls-cert FILE --tls-key FILE serve HTTPS with that certificate (the tests make a self-signed one).
"""

import argparse
import base64
import gzip
import hashlib
import http.server
import json
import os
import re
import socket
import socketserver
import ssl
import struct
import sys
import threading
import time
import urllib.parse
import zlib

PATTERN = bytes(range(251)) * 64


def pattern(n, offset=0):
    out = bytearray()
    pos = offset
    while len(out) < n:
        start = pos % 251
        take = min(n - len(out), len(PATTERN) - start)
        out += PATTERN[start:start + take]
        pos += take
    return bytes(out)


class State:
    lock = threading.Lock()
    connections = 0
    requests = 0
    connect_authorized = 0  # CONNECTs to "proxyauth-" hosts that carried the right credentials
    connect_refused = 0     # ... and those answered with 407
    last_activity = time.monotonic()
    ignore_range = False

    @classmethod
    def touch(cls):
        with cls.lock:
            cls.last_activity = time.monotonic()


class Handler(http.server.BaseHTTPRequestHandler):
    protocol_version = "HTTP/1.1"
    server_version = "vardo-testserver"
    sys_version = ""

    def setup(self):
        super().setup()
        # Head and body go out in separate writes: without this, Nagle's algorithm and delayed
        # acknowledgements hold every reply on a kept-alive connection for tens of milliseconds.
        try:
            self.connection.setsockopt(socket.IPPROTO_TCP, socket.TCP_NODELAY, 1)
        except OSError:
            pass
        self.conn_requests = 0
        with State.lock:
            State.connections += 1
        State.touch()

    def log_message(self, fmt, *args):
        if self.server.verbose:
            sys.stderr.write("httpserver: " + (fmt % args) + "\n")

    # --- helpers ---

    def read_body(self):
        te = self.headers.get("Transfer-Encoding", "")
        if "chunked" in te.lower():
            out = bytearray()
            while True:
                line = self.rfile.readline(65537)
                size = int(line.split(b";")[0].strip(), 16)
                if size == 0:
                    while self.rfile.readline(65537) not in (b"\r\n", b"\n", b""):
                        pass
                    return bytes(out)
                out += self.rfile.read(size)
                self.rfile.readline(65537)
        length = int(self.headers.get("Content-Length", "0") or "0")
        return self.rfile.read(length) if length > 0 else b""

    def send_raw(self, data):
        self.wfile.write(data)
        self.wfile.flush()

    def hard_close(self):
        self.close_connection = True
        try:
            self.connection.shutdown(socket.SHUT_RDWR)
        except OSError:
            pass

    def respond(self, code, body=b"", headers=(), chunked=False, chunk=4096, ext=False, trailer=False,
                version=None, omit_length=False):
        is_head = self.command == "HEAD"
        status_line = "%s %d %s\r\n" % (version or self.protocol_version, code, self.responses.get(code, ("",))[0])
        out = [status_line, "Server: %s\r\n" % self.server_version]
        for name, value in headers:
            out.append("%s: %s\r\n" % (name, value))
        if chunked:
            out.append("Transfer-Encoding: chunked\r\n")
        elif not omit_length:
            out.append("Content-Length: %d\r\n" % len(body))
        out.append("\r\n")
        self.send_raw("".join(out).encode("latin-1"))
        if is_head or code in (204, 304):
            return
        if chunked:
            for i in range(0, len(body), chunk):
                piece = body[i:i + chunk]
                size = ("%x" % len(piece)).encode()
                if ext:
                    size += b";name=value;flag"
                self.send_raw(size + b"\r\n" + piece + b"\r\n")
            self.send_raw(b"0\r\n" + (b"X-Trailer: yes\r\nX-Other: 1\r\n" if trailer else b"") + b"\r\n")
        else:
            self.send_raw(body)

    # --- dispatch ---

    def handle_any(self):
        self.conn_requests += 1
        with State.lock:
            State.requests += 1
        State.touch()
        url = urllib.parse.urlsplit(self.path)
        q = urllib.parse.parse_qs(url.query, keep_blank_values=True)
        arg = lambda name, default=None: q.get(name, [default])[0]
        path = url.path
        if self.path.startswith("http://"):  # absolute form: this server acting as a plain HTTP proxy
            path = urllib.parse.urlsplit(self.path).path
            # Hosts named "proxyauth-..." stand behind a proxy that wants Basic credentials puser:ppass.
            if (urllib.parse.urlsplit(self.path).hostname or "").startswith("proxyauth-"):
                want = "Basic " + base64.b64encode(b"puser:ppass").decode()
                if self.headers.get("Proxy-Authorization") != want:
                    self.read_body()
                    self.respond(407, b"proxy auth needed",
                                 headers=[("Proxy-Authenticate", 'Basic realm="loopback proxy"')])
                    return
            # Hosts named "proxyntlm-..." stand behind a proxy that wants NTLM for CORP\\puser, ppass.
            if (urllib.parse.urlsplit(self.path).hostname or "").startswith("proxyntlm-"):
                if not ntlm_exchange(self, "puser", "ppass", "CORP", proxy=True):
                    self.read_body()
                    return
        try:
            route = ROUTES.get(path)
            if route is None:
                self.read_body()
                self.respond(404, b"not found")
                return
            route(self, q, arg)
        except (BrokenPipeError, ConnectionResetError):
            self.close_connection = True

    do_GET = do_POST = do_PUT = do_DELETE = do_HEAD = do_PATCH = do_OPTIONS = handle_any

    def do_CONNECT(self):
        # Tunnels to this same loopback server only. A host named "proxyauth-..." (which the proxy, not the
        # client, resolves: it means 127.0.0.1) is behind a proxy that wants Basic credentials puser:ppass
        # on the CONNECT; /stats counts the tunnels opened with them and those refused with a 407.
        host, _, port = self.path.rpartition(":")
        digest = host.startswith("proxydigest-")
        if (host.startswith("proxyauth-") or digest) and port.isdigit():
            got = self.headers.get("Proxy-Authorization", "")
            if digest:
                ok = connect_digest_matches(got, self.path)
                challenge = 'Digest realm="loopback proxy", nonce="%s", qop="auth"' % DIGEST_NONCE
            else:
                ok = got == "Basic " + base64.b64encode(b"puser:ppass").decode()
                challenge = 'Basic realm="loopback proxy"'
            if not ok:
                with State.lock:
                    State.connect_refused += 1
                self.respond(407, b"proxy auth needed", headers=[("Proxy-Authenticate", challenge)])
                self.close_connection = True
                return
            with State.lock:
                State.connect_authorized += 1
            host = "127.0.0.1"
        if host not in ("127.0.0.1", "localhost") or not port.isdigit():
            self.respond(403, b"only loopback")
            self.close_connection = True
            return
        try:
            upstream = socket.create_connection(("127.0.0.1", int(port)))
        except OSError:
            self.respond(502, b"")
            self.close_connection = True
            return
        self.send_raw(b"HTTP/1.1 200 Connection established\r\n\r\n")
        self.close_connection = True

        def pipe(src, dst):
            try:
                while True:
                    data = src.recv(65536)
                    if not data:
                        break
                    dst.sendall(data)
            except OSError:
                pass
            finally:
                try:
                    dst.shutdown(socket.SHUT_WR)
                except OSError:
                    pass

        t = threading.Thread(target=pipe, args=(upstream, self.connection), daemon=True)
        t.start()
        pipe(self.connection, upstream)
        t.join()
        upstream.close()


def route_echo(h, q, arg):
    body = h.read_body()
    reply = {
        "method": h.command,
        "path": h.path,
        "version": h.request_version,
        "headers": [[k, v] for k, v in h.headers.items()],
        "body": body.decode("latin-1"),
        "body_length": len(body),
        "connection_requests": h.conn_requests,
    }
    h.respond(200, json.dumps(reply).encode(), headers=[("Content-Type", "application/json")])


def route_bytes(h, q, arg):
    h.read_body()
    n = int(arg("n", "0"))
    body = pattern(n)
    headers = [("Content-Type", "application/octet-stream")]
    if arg("gzip"):
        body = gzip.compress(body)
        headers.append(("Content-Encoding", "gzip"))
    if arg("keepalive"):
        t, m = arg("keepalive").split(",")
        headers.append(("Keep-Alive", "timeout=%s, max=%s" % (t, m)))
    version = None
    if arg("http10"):
        version = "HTTP/1.0"
        if arg("ka10"):
            headers.append(("Connection", "keep-alive"))
        else:
            h.close_connection = True
    if arg("close"):
        headers.append(("Connection", "close"))
        h.close_connection = True
    if arg("nolength"):
        h.respond(200, body, headers=headers, version=version, omit_length=True)
        h.hard_close()
        return
    h.respond(200, body, headers=headers, chunked=bool(arg("chunked")), chunk=int(arg("chunk", "4096")),
              ext=bool(arg("ext")), trailer=bool(arg("trailer")), version=version)


def route_range(h, q, arg):
    h.read_body()
    n = int(arg("n", "1000"))
    whole = pattern(n)
    rng = h.headers.get("Range")
    if not rng or arg("ignore") or State.ignore_range:
        h.respond(200, whole, headers=[("Accept-Ranges", "bytes")])
        return
    try:
        unit, _, spec = rng.partition("=")
        if unit.strip() != "bytes" or "," in spec:
            raise ValueError
        first, _, last = spec.strip().partition("-")
        if first == "":
            start, end = max(0, n - int(last)), n - 1
        else:
            start = int(first)
            end = int(last) if last else n - 1
        end = min(end, n - 1)
        if start > end or start >= n:
            raise ValueError
    except ValueError:
        h.respond(416, b"", headers=[("Content-Range", "bytes */%d" % n)])
        return
    h.respond(206, whole[start:end + 1], headers=[("Content-Range", "bytes %d-%d/%d" % (start, end, n)),
                                                  ("Accept-Ranges", "bytes")])


def route_stall(h, q, arg):
    h.read_body()
    time.sleep(float(arg("head", "0")))
    n = int(arg("n", "1000"))
    body = pattern(n)
    head = "HTTP/1.1 200 OK\r\nContent-Length: %d\r\n\r\n" % n
    h.send_raw(head.encode())
    if h.command == "HEAD":
        return
    time.sleep(float(arg("afterhead", "0")))
    h.send_raw(body[:n // 2])
    time.sleep(float(arg("mid", "0")))
    h.send_raw(body[n // 2:])


def route_trickle(h, q, arg):
    h.read_body()
    n = int(arg("n", "1000"))
    every = float(arg("every", "0.01"))
    body = pattern(n)
    h.send_raw(("HTTP/1.1 200 OK\r\nContent-Length: %d\r\n\r\n" % n).encode())
    for i in range(n):
        time.sleep(every)
        h.send_raw(body[i:i + 1])


def route_drop(h, q, arg):
    h.read_body()
    n = int(arg("n", "1000"))
    at = int(arg("at", str(n // 2)))
    body = pattern(n)
    if arg("chunked"):
        h.send_raw(b"HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n")
        h.send_raw(("%x\r\n" % n).encode() + body[:at])
    else:
        h.send_raw(("HTTP/1.1 200 OK\r\nContent-Length: %d\r\n\r\n" % n).encode() + body[:at])
    h.hard_close()


def route_dropafter(h, q, arg):
    h.read_body()
    if h.conn_requests > int(arg("n", "1")):
        h.hard_close()
        return
    h.respond(200, pattern(int(arg("size", "100"))))


BOMBS = {}


def gzip_of_zeros(n):
    """N zero bytes as one gzip member, made in 1 MB steps (kept for the next request)."""
    with State.lock:
        if n in BOMBS:
            return BOMBS[n]
    z = zlib.compressobj(9, zlib.DEFLATED, 31)
    step = bytes(1 << 20)
    out = []
    left = n
    while left > 0:
        take = min(left, len(step))
        out.append(z.compress(step[:take]))
        left -= take
    out.append(z.flush())
    data = b"".join(out)
    with State.lock:
        BOMBS[n] = data
    return data


def route_bomb(h, q, arg):
    h.read_body()
    body = gzip_of_zeros(int(arg("n", "1000000")))
    h.respond(200, body, headers=[("Content-Type", "application/octet-stream"), ("Content-Encoding", "gzip")])


def route_endless(h, q, arg):
    h.read_body()
    chunk = pattern(int(arg("chunk", "65536")))
    if arg("nolength"):
        h.send_raw(b"HTTP/1.1 200 OK\r\nContent-Type: application/octet-stream\r\n\r\n")
        framed = chunk
    else:
        h.send_raw(b"HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n")
        framed = ("%x\r\n" % len(chunk)).encode() + chunk + b"\r\n"
    sent = 0
    while sent < (4 << 30):  # the client gives up long before; a bound all the same
        h.send_raw(framed)
        sent += len(framed)
    h.hard_close()


def route_redirect(h, q, arg):
    h.read_body()
    code = int(arg("code", "302"))
    h.respond(code, b"moved", headers=[("Location", arg("to", "/echo"))])


def route_redirect_chain(h, q, arg):
    h.read_body()
    n = int(arg("n", "1"))
    target = "/echo" if n <= 1 else "/redirect/chain?n=%d" % (n - 1)
    h.respond(302, b"", headers=[("Location", target)])


def route_redirect_loop(h, q, arg):
    h.read_body()
    h.respond(302, b"", headers=[("Location", "/redirect/loop")])


def route_cookie(h, q, arg):
    body = h.read_body()
    headers = [("Set-Cookie", c) for c in q.get("set", [])]
    h.respond(200, json.dumps({"cookie": h.headers.get("Cookie"), "body_length": len(body)}).encode(),
              headers=headers + [("Content-Type", "application/json")])


def route_status(h, q, arg):
    h.read_body()
    h.respond(int(arg("code", "200")), arg("body", "").encode())


def route_auth(h, q, arg):
    h.read_body()
    want = "Basic " + base64.b64encode(("%s:%s" % (arg("user", ""), arg("pass", ""))).encode()).decode()
    if h.headers.get("Authorization") != want:
        h.respond(401, b"auth needed", headers=[("WWW-Authenticate", 'Basic realm="test"')])
        return
    h.respond(200, b"welcome")


DIGEST_NONCE = os.urandom(8).hex()


def parse_auth_params(text):
    out = {}
    for m in re.finditer(r'([A-Za-z0-9_-]+)\s*=\s*("((?:[^"\\]|\\.)*)"|[^,\s]+)', text):
        out[m.group(1).lower()] = m.group(3) if m.group(3) is not None else m.group(2)
    return out


def connect_digest_matches(header, authority):
    # Digest (MD5, qop "auth") for puser:ppass in realm "loopback proxy", signed for "CONNECT <authority>".
    if not header.startswith("Digest "):
        return False
    p = parse_auth_params(header[7:])
    if p.get("uri") != authority or p.get("nonce") != DIGEST_NONCE or p.get("username") != "puser":
        return False
    md5 = lambda t: hashlib.md5(t.encode()).hexdigest()
    ha1 = md5("puser:loopback proxy:ppass")
    ha2 = md5("CONNECT:" + authority)
    want = md5("%s:%s:%s:%s:auth:%s" % (ha1, DIGEST_NONCE, p.get("nc", ""), p.get("cnonce", ""), ha2))
    return p.get("response") == want


def route_auth_digest(h, q, arg):
    # Digest (MD5, qop "auth") for user/pass in realm (query arguments).
    h.read_body()
    user, pw, realm = arg("user", ""), arg("pass", ""), arg("realm", "digest realm")
    got = h.headers.get("Authorization", "")
    if got.startswith("Digest "):
        p = parse_auth_params(got[7:])
        md5 = lambda t: hashlib.md5(t.encode()).hexdigest()
        ha1 = md5("%s:%s:%s" % (user, realm, pw))
        ha2 = md5("%s:%s" % (h.command, p.get("uri", "")))
        want = md5(":".join([ha1, DIGEST_NONCE, p.get("nc", ""), p.get("cnonce", ""), p.get("qop", ""), ha2]))
        if p.get("username") == user and p.get("nonce") == DIGEST_NONCE and p.get("response") == want \
                and p.get("uri") == h.path:
            h.respond(200, ("welcome digest %s" % user).encode())
            return
    h.respond(401, b"auth needed", headers=[
        ("WWW-Authenticate", 'Digest realm="%s", nonce="%s", qop="auth", opaque="0pq"' % (realm, DIGEST_NONCE)),
        ("WWW-Authenticate", 'Basic realm="%s"' % realm)])


def md4(data):
    # RFC 1320 (the hash library of this Python may lack it).
    def f(x, y, z): return (x & y) | (~x & z)
    def g(x, y, z): return (x & y) | (x & z) | (y & z)
    def hh(x, y, z): return x ^ y ^ z
    rol = lambda v, n: ((v << n) | (v >> (32 - n))) & 0xffffffff
    msg = bytearray(data) + b"\x80"
    while len(msg) % 64 != 56:
        msg += b"\0"
    msg += struct.pack("<Q", (8 * len(data)) & 0xffffffffffffffff)
    a, b, c, d = 0x67452301, 0xefcdab89, 0x98badcfe, 0x10325476
    for off in range(0, len(msg), 64):
        x = struct.unpack("<16I", msg[off:off + 64])
        aa, bb, cc, dd = a, b, c, d
        for i in range(16):
            k, s = i, (3, 7, 11, 19)[i % 4]
            v = (a + f(b, c, d) + x[k]) & 0xffffffff
            a, b, c, d = d, rol(v, s), b, c
        for i in range(16):
            k, s = (i % 4) * 4 + i // 4, (3, 5, 9, 13)[i % 4]
            v = (a + g(b, c, d) + x[k] + 0x5a827999) & 0xffffffff
            a, b, c, d = d, rol(v, s), b, c
        order = (0, 8, 4, 12, 2, 10, 6, 14, 1, 9, 5, 13, 3, 11, 7, 15)
        for i in range(16):
            k, s = order[i], (3, 9, 11, 15)[i % 4]
            v = (a + hh(b, c, d) + x[k] + 0x6ed9eba1) & 0xffffffff
            a, b, c, d = d, rol(v, s), b, c
        a, b, c, d = (a + aa) & 0xffffffff, (b + bb) & 0xffffffff, (c + cc) & 0xffffffff, (d + dd) & 0xffffffff
    return struct.pack("<4I", a, b, c, d)


def des_encrypt(key7, block):
    try:
        from cryptography.hazmat.decrepit.ciphers.algorithms import TripleDES
    except ImportError:  # older releases keep it among the primitives
        from cryptography.hazmat.primitives.ciphers.algorithms import TripleDES
    from cryptography.hazmat.primitives.ciphers import Cipher, modes
    import warnings
    k = key7
    key = bytes([k[0], ((k[0] << 7) | (k[1] >> 1)) & 0xff, ((k[1] << 6) | (k[2] >> 2)) & 0xff,
                 ((k[2] << 5) | (k[3] >> 3)) & 0xff, ((k[3] << 4) | (k[4] >> 4)) & 0xff,
                 ((k[4] << 3) | (k[5] >> 5)) & 0xff, ((k[5] << 2) | (k[6] >> 6)) & 0xff, (k[6] << 1) & 0xff])
    with warnings.catch_warnings():
        warnings.simplefilter("ignore")  # DES is deprecated, and still what NTLM uses
        e = Cipher(TripleDES(key * 3), modes.ECB()).encryptor()
        return e.update(block) + e.finalize()


def ntlm_response(password, challenge):
    key = md4(password.encode("utf-16-le")) + bytes(5)
    return b"".join(des_encrypt(key[i:i + 7], challenge) for i in (0, 7, 14))


def route_auth_ntlm(h, q, arg):
    h.read_body()
    if ntlm_exchange(h, arg("user", ""), arg("pass", ""), arg("domain", ""), proxy=False):
        h.respond(200, ("welcome ntlm %s\\%s" % (arg("domain", ""), arg("user", ""))).encode())


def ntlm_exchange(h, user, pw, domain, proxy):
    # NTLM (version 1): negotiate, challenge and authenticate on one kept-alive connection. True when the
    # request carries the right answer; otherwise the challenge (401, or 407 for a proxy) has been sent.
    status = 407 if proxy else 401
    ask = "Proxy-Authenticate" if proxy else "WWW-Authenticate"
    got = h.headers.get("Proxy-Authorization" if proxy else "Authorization", "")
    msg = b""
    if got.startswith("NTLM "):
        try:
            msg = base64.b64decode(got[5:])
        except ValueError:
            msg = b""
    kind = struct.unpack("<I", msg[8:12])[0] if len(msg) >= 12 and msg[:8] == b"NTLMSSP\0" else 0
    if kind == 1:
        h.ntlm_challenge = os.urandom(8)
        target = "LOOPBACK".encode("utf-16-le")
        t2 = b"NTLMSSP\0" + struct.pack("<IHHII", 2, len(target), len(target), 48, 0x00008201) \
            + h.ntlm_challenge + bytes(8) + bytes(8) + target
        h.respond(status, b"", headers=[(ask, "NTLM " + base64.b64encode(t2).decode())])
        return False
    if kind == 3 and getattr(h, "ntlm_challenge", None):
        def field(at):
            n, _, off = struct.unpack("<HHI", msg[at:at + 8])
            return msg[off:off + n]
        nt = field(20)
        got_domain = field(28).decode("utf-16-le", "replace")
        got_user = field(36).decode("utf-16-le", "replace")
        ok = nt == ntlm_response(pw, h.ntlm_challenge) and got_user == user and got_domain == domain
        h.ntlm_challenge = None
        if ok:
            return True
    h.respond(status, b"auth needed", headers=[(ask, "NTLM")])
    return False


def route_raw(h, q, arg):
    h.read_body()
    h.send_raw(base64.b64decode(arg("b64", "")))
    h.hard_close()


def route_reject(h, q, arg):
    # Close at once without reading the request body: the client's next writes hit a closed connection.
    h.hard_close()


def route_stats(h, q, arg):
    h.read_body()
    with State.lock:
        reply = {"connections": State.connections, "requests": State.requests,
                 "connect_authorized": State.connect_authorized, "connect_refused": State.connect_refused}
    h.respond(200, json.dumps(reply).encode(), headers=[("Content-Type", "application/json")])


ROUTES = {
    "/echo": route_echo,
    "/bytes": route_bytes,
    "/range": route_range,
    "/stall": route_stall,
    "/trickle": route_trickle,
    "/drop": route_drop,
    "/dropafter": route_dropafter,
    "/redirect": route_redirect,
    "/redirect/chain": route_redirect_chain,
    "/redirect/loop": route_redirect_loop,
    "/cookie": route_cookie,
    "/status": route_status,
    "/auth": route_auth,
    "/auth/digest": route_auth_digest,
    "/auth/ntlm": route_auth_ntlm,
    "/raw": route_raw,
    "/bomb": route_bomb,
    "/endless": route_endless,
    "/reject": route_reject,
    "/stats": route_stats,
}


class Server(socketserver.ThreadingMixIn, http.server.HTTPServer):
    daemon_threads = True
    allow_reuse_address = True
    tls_context = None
    verbose = False

    def finish_request(self, request, client_address):
        if self.tls_context is not None:
            try:
                request.settimeout(30)
                request = self.tls_context.wrap_socket(request, server_side=True)
                request.settimeout(None)
            except (ssl.SSLError, OSError):
                return  # a client that refused our certificate
        self.RequestHandlerClass(request, client_address, self)

    def handle_error(self, request, client_address):
        if self.verbose:
            super().handle_error(request, client_address)


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("--port-file")
    ap.add_argument("--idle-timeout", type=float, default=120.0)
    ap.add_argument("--tls-cert")
    ap.add_argument("--tls-key")
    ap.add_argument("--ignore-range", action="store_true")
    ap.add_argument("--verbose", action="store_true")
    ap.add_argument("--parent-pid", type=int, default=0, help="exit when this process is gone")
    args = ap.parse_args()

    State.ignore_range = args.ignore_range
    server = Server(("127.0.0.1", 0), Handler)
    server.verbose = args.verbose
    if args.tls_cert:
        ctx = ssl.SSLContext(ssl.PROTOCOL_TLS_SERVER)
        ctx.load_cert_chain(args.tls_cert, args.tls_key)
        server.tls_context = ctx
    port = server.server_address[1]
    if args.port_file:
        tmp = args.port_file + ".tmp"
        with open(tmp, "w") as f:
            f.write("%d\n" % port)
        os.replace(tmp, args.port_file)
    sys.stdout.write("PORT %d\n" % port)
    sys.stdout.flush()

    def watchdog():
        while True:
            time.sleep(0.5)
            with State.lock:
                idle = time.monotonic() - State.last_activity
            if idle > args.idle_timeout:
                os._exit(0)
            if args.parent_pid and os.getppid() != args.parent_pid:
                os._exit(0)

    threading.Thread(target=watchdog, daemon=True).start()
    server.serve_forever(poll_interval=0.2)


if __name__ == "__main__":
    main()
