#!/usr/bin/python3
"""Loopback API server: answers every server call of the application, for the tests and for running
the app without any outside server. Python 3 standard library only.

    /usr/bin/python3 tools/testserver/apiserver/server.py --sample build/sample --port 8080

Binds 127.0.0.1 only (port 0, the default, picks a free one). The first output line is "PORT <n>";
--port-file F also writes the number to F. It exits on SIGTERM, after --idle-timeout seconds without a
request, after --max-lifetime seconds, or when the --parent-pid process is gone.

Paths (see README.md for the operations):
  /api/...            main API base            /uc/api/...        update centre
  /vc/...             verification codes       /m/...             mobile web pages, mail links
  /tk_img/imgdir_V/N  question images          /Img_UID/<id>.jpg  avatars
  /packets/<file>     update packets (GET, HEAD, Range)
  /app_logs, /check_config_update, /api/check_app_update   statistics service
  /__test/...         test hooks: reset, journal, fault, scenario, codes, mail, clock, seed, state, ping
"""

import argparse
import base64
import gzip
import http.server
import json
import os
import signal
import socketserver
import sys
import threading
import time
import urllib.parse
import zlib

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))

import operations as ops  # noqa: E402
from catalog import Catalog  # noqa: E402
from store import COOKIE_NAME, Store  # noqa: E402

JOURNAL_LIMIT = 20000
UPDATE_MODES = ("auto", "first", "cumulative", "image", "type8", "type4", "none")


def default_scenario(fixed_codes):
    return {
        "update": "auto",  # update-centre answers, see README.md
        "status": 0,  # "status" of every update-centre reply
        "message": "",  # its "message" ("" = a text chosen by the list)
        "state": "updated",  # which state of the sample bank the question sets come from
        "gzip": "auto",  # gzip JSON replies: "auto" (1 KiB and more, when asked), "always", "never"
        "bad_rows": False,  # chapter sets also name the sample's undecipherable rows
        "fixed_codes": fixed_codes,  # image code "8888", SMS code "666666"
        "notices": None,  # null = the seeded notices; else the list to answer
        "forced_logout": "once",  # a replaced session's "LoginState" 2: "once" or "always"
        "stats_config": {"config_update": "No"},
        "stats_reply": '{"success": "ok"}',  # the text that answers a well-formed log upload
    }


def dumps(doc):
    return json.dumps(doc, ensure_ascii=False, separators=(",", ":")).encode("utf-8")


class App:
    """Everything a request can touch; one lock around it."""

    def __init__(self, catalog, fixed_codes=False, quiet=False):
        self.lock = threading.RLock()
        self.sample = catalog
        self._request = threading.local()  # the subject bank the request on this thread names
        self.fixed_codes = fixed_codes
        self.quiet = quiet
        self.last_activity = time.monotonic()
        self.reset()

    def reset(self):
        with self.lock:
            self.scenario = default_scenario(self.fixed_codes)
            self.store = Store(self.sample)
            self.journal = []
            self.seq = 0
            self.faults = []

    @property
    def catalog(self):
        """The bank of the subject the current request names; the sample's when it names none."""
        return getattr(self._request, "catalog", None) or self.sample

    def use_subject(self, words):
        """Serves the current request from the bank of the first subject among words that has one of its
        own (other than the sample), or from the sample's."""
        banks = self.sample.banks
        self._request.catalog = next((banks[w] for w in words if isinstance(w, str) and w in banks), None)

    def state(self):
        states = self.catalog.states
        return states.get(self.scenario["state"]) or states["bank"]  # other subjects have no update pack

    def say(self, text):
        if not self.quiet:
            sys.stdout.write(text + "\n")
            sys.stdout.flush()

    def touch(self):
        self.last_activity = time.monotonic()

    def record(self, entry):
        with self.lock:
            self.seq += 1
            entry["seq"] = self.seq
            self.journal.append(entry)
            if len(self.journal) > JOURNAL_LIMIT:
                del self.journal[:len(self.journal) - JOURNAL_LIMIT]

    def take_fault(self, method, path):
        with self.lock:
            for f in self.faults:
                target = f["path"]
                if target.endswith("*"):
                    hit = path.lower().startswith(target[:-1].lower())
                else:
                    hit = path.lower() == target.lower()
                if hit and f.get("method", method).upper() == method:
                    f["count"] -= 1
                    if f["count"] <= 0:
                        self.faults.remove(f)
                    return dict(f)
        return None


def split_path(raw):
    """The percent-decoded segments of a raw path, each decoded on its own (UTF-8)."""
    return [urllib.parse.unquote(s, encoding="utf-8", errors="strict") for s in raw.split("/")]


def cookie_tokens(headers):
    tokens = []
    for value in headers.get_all("Cookie") or []:
        for part in value.split(";"):
            name, _, v = part.strip().partition("=")
            if name == COOKIE_NAME and v and v not in tokens:
                tokens.append(v)
    return tokens


def content_type_of(name):
    ext = name.rsplit(".", 1)[-1].lower()
    return {"png": "image/png", "jpg": "image/jpeg", "jpeg": "image/jpeg", "gif": "image/gif",
            "bmp": "image/bmp", "zip": "application/zip", "db": "application/octet-stream"}.get(
                ext, "application/octet-stream")


class Handler(http.server.BaseHTTPRequestHandler):
    protocol_version = "HTTP/1.1"
    server_version = "vardo-apiserver"

    def version_string(self):
        return self.server_version

    def log_message(self, fmt, *args):
        if self.server.verbose:
            sys.stderr.write("apiserver: " + (fmt % args) + "\n")

    def do_GET(self):
        self.handle_any()

    do_POST = do_HEAD = do_PUT = do_DELETE = do_GET

    # --- reading ---

    def read_body(self):
        if "chunked" in (self.headers.get("Transfer-Encoding") or "").lower():
            out = bytearray()
            while True:
                line = self.rfile.readline(65537)
                size = int(line.split(b";")[0].strip() or b"0", 16)
                if size == 0:
                    while self.rfile.readline(65537) not in (b"\r\n", b"\n", b""):
                        pass
                    return bytes(out)
                out += self.rfile.read(size)
                self.rfile.readline(65537)
        length = int(self.headers.get("Content-Length") or "0")
        return self.rfile.read(length) if length > 0 else b""

    # --- writing ---

    def send(self, status, ctype, data, headers=(), fault=None, compress_ok=False):
        app = self.server.app
        extra = list(headers)
        if compress_ok and "gzip" in (self.headers.get("Accept-Encoding") or "").lower():
            mode = app.scenario["gzip"]
            if mode == "always" or (mode == "auto" and len(data) >= 1024):
                data = gzip.compress(data, mtime=0)
                extra.append(("Content-Encoding", "gzip"))
        self.send_response(status)
        if ctype:
            self.send_header("Content-Type", ctype)
        for k, v in extra:
            self.send_header(k, v)
        self.send_header("Content-Length", str(len(data)))
        self.end_headers()
        self.entry["status"] = status
        if self.command == "HEAD":
            return
        self.write_body(data, fault)

    def write_body(self, data, fault):
        truncate = fault.get("truncate") if fault else None
        throttle = fault.get("throttle") if fault else None
        if truncate is not None:
            data = data[:int(truncate)]
        if throttle:
            step = max(1, int(throttle) // 10)
            for i in range(0, len(data), step):
                self.wfile.write(data[i:i + step])
                self.wfile.flush()
                time.sleep(0.1)
                self.server.app.touch()
        else:
            self.wfile.write(data)
        self.wfile.flush()
        if truncate is not None:
            self.close_connection = True
            self.entry["truncated"] = True

    def send_json(self, doc, status=200, headers=(), fault=None):
        self.send(status, "application/json; charset=utf-8", dumps(doc), headers, fault, compress_ok=True)

    def send_file(self, data, ctype, fault=None):
        """A file with Range support: "bytes=N-", "bytes=N-M", "bytes=-S" (206), 416 when outside."""
        total = len(data)
        rng = (self.headers.get("Range") or "").strip()
        headers = [("Accept-Ranges", "bytes"), ("Last-Modified", "Wed, 10 Jul 2013 04:00:00 GMT")]
        if rng.startswith("bytes=") and "," not in rng:
            first, _, last = rng[6:].strip().partition("-")
            try:
                if first == "":
                    start, end = max(0, total - int(last)), total - 1
                else:
                    start = int(first)
                    end = min(int(last), total - 1) if last else total - 1
            except ValueError:
                start, end = None, None
            if start is None or start >= total or end < start:
                self.send(416, ctype, b"", headers + [("Content-Range", "bytes */%d" % total)])
                return
            self.send(206, ctype, data[start:end + 1],
                      headers + [("Content-Range", "bytes %d-%d/%d" % (start, end, total))], fault)
            return
        self.send(200, ctype, data, headers, fault)

    # --- dispatch ---

    def handle_any(self):
        app = self.server.app
        app.touch()
        body = self.read_body()
        raw_path, _, raw_query = self.path.partition("?")
        self.entry = {"time": time.time(), "method": self.command, "path": self.path,
                      "headers": [[k, v] for k, v in self.headers.items()],
                      "body": body.decode("utf-8", errors="replace"), "body_length": len(body)}
        if body and not self._is_utf8(body):
            self.entry["body_base64"] = base64.b64encode(body).decode("ascii")
        try:
            segments = split_path(raw_path)
        except UnicodeDecodeError:
            self.entry.update(base="unknown", operation=None)
            app.record(self.entry)
            self.send_json({"Body": None, "Message": "路径不是UTF-8", "LoginState": 0}, status=400)
            return
        if len(segments) > 1 and segments[1] == "__test":
            self.handle_hook(segments[2:], raw_query, body)
            return
        base, rest = self.classify(segments)
        self.entry["base"] = base
        self.entry["decoded_path"] = "/".join(segments)
        query = urllib.parse.parse_qs(raw_query, keep_blank_values=True)
        self.entry["query"] = {k: v[0] if len(v) == 1 else v for k, v in query.items()}
        app.use_subject(self.subject_words(segments, query, body))
        fault = app.take_fault(self.command, "/".join(segments))
        app.record(self.entry)
        try:
            if fault is not None:
                self.entry["fault"] = {k: v for k, v in fault.items() if k != "count"}
                if fault.get("delay"):
                    time.sleep(float(fault["delay"]))
                if fault.get("drop"):
                    self.close_connection = True
                    self.entry["status"] = None
                    return
                if "body" in fault or "body_base64" in fault or "status" in fault:
                    self.send_fault(fault)
                    return
            self.route(base, rest, query, body, fault)
        except (BrokenPipeError, ConnectionResetError):
            self.close_connection = True
        except Exception as e:  # a server fault must not kill the connection silently
            sys.stderr.write("apiserver: %s %s failed: %r\n" % (self.command, self.path, e))
            import traceback
            traceback.print_exc()
            self.send_json({"Body": None, "Message": "服务器内部错误", "LoginState": 0}, status=500)

    @staticmethod
    def subject_words(segments, query, body):
        """Every word of a request that may name a subject: path segments (a packet's or an image folder's
        name holds it too), query values and the top-level string values of a JSON body."""
        words = list(segments)
        for name in segments[-1:]:
            words += [name.rsplit(".", 1)[0], name.split("_", 1)[-1]]
        for part in segments:
            if part.startswith("imgdir_"):
                words.append(part[len("imgdir_"):])
        for values in query.values():
            words += values
        try:
            doc = json.loads(body) if body else None
        except ValueError:
            doc = None
        if isinstance(doc, dict):
            words += [v for v in doc.values() if isinstance(v, str)]
        return words

    @staticmethod
    def _is_utf8(data):
        try:
            data.decode("utf-8")
            return True
        except UnicodeDecodeError:
            return False

    @staticmethod
    def classify(segments):
        s = segments[1:]
        if s[:2] == ["api", "check_app_update"] or s[:1] in (["app_logs"], ["check_config_update"]):
            return "stats", s
        if s[:1] == ["api"]:
            return "main", s[1:]
        if s[:2] == ["uc", "api"]:
            return "uc", s[2:]
        if s[:1] == ["vc"]:
            return "vc", s[1:]
        if s[:1] == ["m"]:
            return "m", s[1:]
        if s[:1] == ["packets"]:
            return "packets", s[1:]
        if s[:1] in (["tk_img"], ["Img_UID"]):
            return "res", s
        return "unknown", s

    def send_fault(self, fault):
        status = int(fault.get("status", 200))
        body = fault.get("body", "")
        if "body_base64" in fault:  # bytes as they are, also those that are not UTF-8
            data = base64.b64decode(fault["body_base64"])
            ctype = fault.get("content_type", "application/json; charset=utf-8")
        elif isinstance(body, str):
            data, ctype = body.encode("utf-8"), fault.get("content_type", "application/json; charset=utf-8")
        else:
            data, ctype = dumps(body), "application/json; charset=utf-8"
        self.send(status, ctype, data, list((fault.get("headers") or {}).items()), fault)

    def route(self, base, rest, query, body, fault):
        if base in ("main", "uc", "vc"):
            self.route_api(base, rest, query, body, fault)
        elif base == "packets":
            self.route_packet(rest, fault)
        elif base == "res":
            self.route_resource(rest, fault)
        elif base == "m":
            self.route_mobile(rest, query)
        elif base == "stats":
            self.route_stats(rest, body)
        else:
            self.entry["operation"] = None
            self.send_json({"Body": None, "Message": "接口不存在", "LoginState": 0}, status=404)

    def route_api(self, base, rest, query, body, fault):
        app = self.server.app
        method = "GET" if self.command == "HEAD" else self.command
        routes = ops.match(base, rest)
        chosen = next((r for r in routes if r[0] == method), None)
        tokens = cookie_tokens(self.headers)
        with app.lock:
            if chosen is None:
                self.entry["operation"] = None
                found = bool(routes)
                _, state = app.store.resolve(tokens, self.warn_once()) if base == "main" else (None, None)
            else:
                _, fn, login, pattern, values = chosen
                self.entry["operation"] = pattern
                if fn is ops.op_login:
                    user, state = None, 0  # the login reply tells the state of the new session
                else:
                    user, state = app.store.resolve(tokens, self.warn_once()) if base == "main" else (None, 0)
                self.entry["session_user"] = user.username if user else None
                call = ops.Call(method, base, rest, query, self.headers, body, user, state, tokens,
                                self.server.server_address[1])
                if login and user is None:
                    result = ops.Env(None, ops.LOGGED_IN_ELSEWHERE if state == 2 else ops.NOT_LOGGED_IN)
                else:
                    result = fn(app, call, *values)
        if chosen is None:
            doc = {"Body": None, "Message": "请求方法不正确" if found else "接口不存在"}
            if base == "main":
                doc["LoginState"] = state
            self.send_json(doc, status=405 if found else 404)
            return
        self.send_result(result, state, fault)

    def warn_once(self):
        return self.server.app.scenario["forced_logout"] == "once"

    def send_result(self, result, state, fault):
        if isinstance(result, ops.Env):
            ls = result.login_state if result.login_state is not None else state
            if fault and "login_state" in fault:
                ls = fault["login_state"]
            doc = {"Body": result.body, "Message": result.message, "LoginState": ls}
            doc.update(result.extra)
            headers = []
            if result.cookie:
                headers.append(("Set-Cookie", "%s=%s; Path=/" % (COOKIE_NAME, result.cookie)))
            self.send_json(doc, headers=headers, fault=fault)
        elif isinstance(result, ops.Json):
            self.send_json(result.doc, status=result.status, fault=fault)
        else:
            self.send(result.status, result.content_type, result.data, result.headers, fault)

    def route_packet(self, rest, fault):
        app = self.server.app
        name = rest[0] if len(rest) == 1 else None
        self.entry["operation"] = "packet"
        if name == ops.APP_PACKAGE_FILE:
            self.send_file(ops.APP_PACKAGE, "application/octet-stream", fault)
            return
        if name is None or name not in app.catalog.packet_files():
            self.send(404, "text/plain; charset=utf-8", b"not found")
            return
        with open(os.path.join(app.catalog.sample_dir, name), "rb") as f:
            data = f.read()
        self.send_file(data, content_type_of(name), fault)

    def route_resource(self, rest, fault):
        app = self.server.app
        self.entry["operation"] = rest[0]
        if rest[0] == "Img_UID" and len(rest) == 2 and rest[1].lower().endswith(".jpg"):
            uid = ops.to_int(rest[1][:-4])
            with app.lock:
                data = app.store.avatars.get(uid)
            if data is None:
                self.send(404, "text/plain; charset=utf-8", b"no avatar")
            else:
                self.send_file(data, "image/jpeg", fault)
            return
        folder = app.catalog.image_dir_rel.split("/")
        if rest[:-1] == folder and rest[-1] in app.catalog.image_names():
            with open(os.path.join(app.catalog.image_dir, rest[-1]), "rb") as f:
                data = f.read()
            self.send_file(data, content_type_of(rest[-1]), fault)
            return
        self.send(404, "text/plain; charset=utf-8", b"no such image")

    def route_mobile(self, rest, query):
        app = self.server.app
        page = "/".join(rest)
        self.entry["operation"] = page
        q = {k: v[0] for k, v in query.items()}
        if page == "VerifyEmail":
            with app.lock:
                to = app.store.mail_tokens.pop(q.get("token", ""), None)
                u = app.store.find_account(to) if to else None
                if u is not None:
                    u.email_verified = True
            doc = {"Body": True, "Message": "邮箱验证成功"} if u else {"Body": False, "Message": "验证链接无效或已过期"}
            self.send(200, "text/html; charset=utf-8", dumps(doc))
            return
        titles = {"feedback/iPhoneFeedbackChat.aspx": "意见反馈", "MobileDevicesEntry.aspx": "全部意见"}
        if page in titles:
            text = "<!DOCTYPE html><html><head><meta charset=\"utf-8\"><title>%s</title></head><body><h3>%s</h3>" \
                   "<p>%s</p></body></html>" % (titles[page], titles[page], q.get("username", ""))
            self.send(200, "text/html; charset=utf-8", text.encode("utf-8"))
            return
        self.send(404, "text/html; charset=utf-8", b"<html><body>not found</body></html>")

    def route_stats(self, rest, body):
        app = self.server.app
        name = "/".join(rest)
        self.entry["operation"] = name
        if name == "app_logs":
            try:
                text = zlib.decompress(body).decode("ascii")
                doc = json.loads(urllib.parse.parse_qs(text, strict_parsing=True)["content"][0])
                ok = isinstance(doc, dict)
            except (zlib.error, UnicodeDecodeError, ValueError, KeyError):
                doc, ok = None, False
            self.entry["decoded"] = doc
            if ok:
                with app.lock:
                    app.store.stats_documents.append(doc)
            reply = app.scenario["stats_reply"].encode("utf-8") if ok else b'{"success": "error"}'
            self.send(200, "application/json", reply)
            return
        try:
            doc = json.loads(urllib.parse.parse_qs(body.decode("utf-8"))["content"][0])
        except (UnicodeDecodeError, ValueError, KeyError):
            doc = None
        self.entry["decoded"] = doc
        if name == "check_config_update":
            self.send_json(app.scenario["stats_config"])
        else:
            self.send_json({"update": "No", "update_log": "", "path": "", "version": ""})

    # --- test hooks ---

    def handle_hook(self, rest, raw_query, body):
        try:
            self.run_hook(rest, raw_query, body)
        except (ValueError, TypeError) as e:
            self.hook_reply({"ok": False, "error": "bad argument: %s" % e}, 400)

    def run_hook(self, rest, raw_query, body):
        app = self.server.app
        name = "/".join(rest)
        query = {k: v[0] for k, v in urllib.parse.parse_qs(raw_query).items()}
        try:
            doc = json.loads(body.decode("utf-8")) if body else None
        except (UnicodeDecodeError, ValueError):
            self.entry["status"] = 400
            self.hook_reply({"ok": False, "error": "body is not JSON"}, 400)
            return
        method = self.command
        with app.lock:
            if name == "ping":
                return self.hook_reply({"ok": True, "port": self.server.server_address[1]})
            if name == "reset" and method == "POST":
                app.reset()
                return self.hook_reply({"ok": True})
            if name == "journal":
                if method == "DELETE":
                    app.journal = []
                    return self.hook_reply({"ok": True})
                since = int(query.get("since", "0"))
                # Copies: a request still being answered adds its status to its entry meanwhile.
                return self.hook_reply({"requests": [dict(e) for e in app.journal if e["seq"] > since],
                                        "last": app.seq})
            if name == "fault":
                if method == "DELETE":
                    app.faults = []
                elif method == "POST":
                    items = doc if isinstance(doc, list) else [doc]
                    for f in items:
                        if not isinstance(f, dict) or not isinstance(f.get("path"), str):
                            return self.hook_reply({"ok": False, "error": "a fault needs a \"path\""}, 400)
                        f = dict(f)
                        f["count"] = int(f.get("count", 1))
                        app.faults.append(f)
                return self.hook_reply({"faults": app.faults})
            if name == "scenario":
                if method == "POST":
                    if not isinstance(doc, dict):
                        return self.hook_reply({"ok": False, "error": "expected an object"}, 400)
                    error = self.check_scenario(doc)
                    if error:
                        return self.hook_reply({"ok": False, "error": error}, 400)
                    app.scenario.update(doc)
                return self.hook_reply(app.scenario)
            if name == "codes":
                st = app.store
                return self.hook_reply({"image": st.image_codes, "sms": st.sms_codes})
            if name == "mail":
                return self.hook_reply({"mail": app.store.mail})
            if name == "clock" and method == "POST":
                if not isinstance(doc, dict):
                    return self.hook_reply({"ok": False, "error": "expected an object"}, 400)
                app.store.clock_offset = float(doc.get("offset_days", 0)) * 86400 + float(doc.get("offset_seconds", 0))
                return self.hook_reply({"ok": True, "now": app.store.timetext()})
            if name == "seed" and method == "POST":
                if not isinstance(doc, dict):
                    return self.hook_reply({"ok": False, "error": "expected an object"}, 400)
                u = app.store.find_account(str(doc.get("user", "")))
                if u is None:
                    return self.hook_reply({"ok": False, "error": "no such user"}, 404)
                seeded = app.store.seed(u, doc, app.state())
                return self.hook_reply(dict(seeded, ok=True))
            if name == "state":
                u = app.store.find_account(query.get("user", ""))
                if u is None:
                    return self.hook_reply({"ok": False, "error": "no such user"}, 404)
                snap = app.store.snapshot(u)
                snap["reply_logs"] = len(app.store.reply_logs)
                snap["crash_logs"] = app.store.crash_logs
                snap["feedback"] = app.store.feedback
                return self.hook_reply(snap)
        self.hook_reply({"ok": False, "error": "unknown hook %s %s" % (method, name)}, 404)

    @staticmethod
    def check_scenario(doc):
        known = default_scenario(False)
        for k, v in doc.items():
            if k not in known:
                return "unknown scenario key %r" % k
        if "update" in doc and doc["update"] not in UPDATE_MODES:
            return "update must be one of %s" % ", ".join(UPDATE_MODES)
        if "state" in doc and doc["state"] not in ("bank", "updated"):
            return "state must be \"bank\" or \"updated\""
        if "forced_logout" in doc and doc["forced_logout"] not in ("once", "always"):
            return "forced_logout must be once or always"
        if "gzip" in doc and doc["gzip"] not in ("auto", "always", "never"):
            return "gzip must be auto, always or never"
        if "status" in doc and not isinstance(doc["status"], int):
            return "status must be an integer"
        if "notices" in doc and doc["notices"] is not None and not isinstance(doc["notices"], list):
            return "notices must be a list or null"
        if "stats_reply" in doc and not isinstance(doc["stats_reply"], str):
            return "stats_reply must be a text"
        return None

    def hook_reply(self, doc, status=200):
        self.entry["status"] = status
        data = json.dumps(doc, ensure_ascii=False).encode("utf-8")
        self.send_response(status)
        self.send_header("Content-Type", "application/json; charset=utf-8")
        self.send_header("Content-Length", str(len(data)))
        self.end_headers()
        if self.command != "HEAD":
            self.wfile.write(data)


class Server(socketserver.ThreadingMixIn, http.server.HTTPServer):
    daemon_threads = True
    allow_reuse_address = True
    verbose = False

    def handle_error(self, request, client_address):
        if self.verbose:
            super().handle_error(request, client_address)


def main(argv=None):
    ap = argparse.ArgumentParser(description="Loopback API server of the question-bank application")
    ap.add_argument("--sample", required=True, help="folder of the generated sample bank (the manifest and packets)")
    ap.add_argument("--port", type=int, default=0, help="port on 127.0.0.1 (0: a free one)")
    ap.add_argument("--port-file", help="write the port number to this file")
    ap.add_argument("--idle-timeout", type=float, default=0, help="exit after this many seconds without a request")
    ap.add_argument("--max-lifetime", type=float, default=0, help="exit after this many seconds in any case")
    ap.add_argument("--parent-pid", type=int, default=0, help="exit when this process is gone")
    ap.add_argument("--fixed-codes", action="store_true", help="image code 8888 and SMS code 666666")
    ap.add_argument("--quiet", action="store_true", help="print only the PORT line")
    ap.add_argument("--verbose", action="store_true", help="log every request on stderr")
    args = ap.parse_args(argv)

    try:
        catalog = Catalog.with_subjects(args.sample)
    except (OSError, ValueError, KeyError) as e:
        sys.stderr.write("apiserver: cannot read the sample bank: %s\n" % e)
        return 2
    app = App(catalog, fixed_codes=args.fixed_codes, quiet=args.quiet)
    server = Server(("127.0.0.1", args.port), Handler)
    server.app = app
    server.verbose = args.verbose
    port = server.server_address[1]
    if args.port_file:
        tmp = args.port_file + ".tmp"
        with open(tmp, "w") as f:
            f.write("%d\n" % port)
        os.replace(tmp, args.port_file)
    origin = "http://127.0.0.1:%d" % port
    lines = ["PORT %d" % port]
    if not args.quiet:
        lines += ["main API base:         %s/api/" % origin,
                  "update-centre base:    %s/uc/api/" % origin,
                  "verification codes:    %s/vc/" % origin,
                  "resource/server root:  %s" % origin,
                  "mobile web base:       %s/m/" % origin,
                  "statistics host:       127.0.0.1:%d" % port,
                  "subject:               %s (%s)" % (catalog.value, catalog.key),
                  "accounts:              user01/secret1, demo/demo123 (first login)"]
    sys.stdout.write("\n".join(lines) + "\n")
    sys.stdout.flush()

    def stop(signum, frame):
        raise SystemExit(0)

    signal.signal(signal.SIGTERM, stop)
    started = time.monotonic()

    def watchdog():
        while True:
            time.sleep(0.5)
            now = time.monotonic()
            if args.idle_timeout and now - app.last_activity > args.idle_timeout:
                os._exit(0)
            if args.max_lifetime and now - started > args.max_lifetime:
                os._exit(0)
            if args.parent_pid and os.getppid() != args.parent_pid:
                os._exit(0)

    threading.Thread(target=watchdog, daemon=True).start()
    try:
        server.serve_forever(poll_interval=0.2)
    except KeyboardInterrupt:
        pass
    finally:
        server.server_close()


if __name__ == "__main__":
    sys.exit(main())
