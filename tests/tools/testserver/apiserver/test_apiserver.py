"""Checks of the loopback API server (tools/testserver/apiserver): every operation's reply shape, the
session and forced-logout rules, the state the operations share (favourites, wrong-answer book, notes,
codes), the update centre and its files, and the test hooks.

Environment: VD_SOURCE_DIR (source root), VD_SAMPLE_DIR (the generated sample bank).
"""

import gzip
import http.client
import json
import os
import signal
import subprocess
import tempfile
import time
import unittest
import urllib.parse
import zlib

SOURCE = os.environ.get("VD_SOURCE_DIR") or os.path.abspath(os.path.join(os.path.dirname(__file__), "..", ".."))
SAMPLE = os.environ.get("VD_SAMPLE_DIR", "")
SCRIPT = os.path.join(SOURCE, "tools", "testserver", "apiserver", "server.py")
PYTHON = "/usr/bin/python3"
V = "GKSample"


def manifest():
    with open(os.path.join(SAMPLE, V + ".manifest.json"), encoding="utf-8") as f:
        return json.load(f)


def start_server(*extra):
    """(process, port) of a new server on an ephemeral port."""
    tmp = tempfile.mkdtemp(prefix="apiserver-test-")
    port_file = os.path.join(tmp, "port")
    proc = subprocess.Popen([PYTHON, "-B", SCRIPT, "--sample", SAMPLE, "--port-file", port_file, "--quiet",
                             "--parent-pid", str(os.getpid())] + list(extra),
                            stdout=subprocess.PIPE, stderr=subprocess.PIPE)
    first = proc.stdout.readline().decode()  # "PORT <n>" once it listens
    if not first.startswith("PORT "):
        proc.kill()
        raise RuntimeError("server did not start: %r %s" % (first, proc.stderr.read().decode()))
    port = int(first.split()[1])
    with open(port_file) as f:
        assert int(f.read()) == port
    return proc, port


def stop_server(proc):
    if proc.poll() is None:
        proc.send_signal(signal.SIGTERM)
        proc.wait(timeout=10)
    proc.stdout.close()
    proc.stderr.close()


class Reply:
    def __init__(self, status, headers, data):
        self.status = status
        self.headers = headers
        self.data = data

    def header(self, name):
        return next((v for k, v in self.headers if k.lower() == name.lower()), None)

    def headers_named(self, name):
        return [v for k, v in self.headers if k.lower() == name.lower()]

    def json(self):
        data = gzip.decompress(self.data) if self.header("Content-Encoding") == "gzip" else self.data
        return json.loads(data.decode("utf-8"))


class Client:
    """One device: a cookie jar and the app's request habits (headers, escaping)."""

    def __init__(self, port):
        self.port = port
        self.jar = {}

    def request(self, method, path, body=None, headers=None, jar=True, cookie_header="Cookie"):
        conn = http.client.HTTPConnection("127.0.0.1", self.port, timeout=20)
        h = {"User-Agent": "iphone", "Client-Type": "iphone"}
        h.update(headers or {})
        if jar and self.jar:
            h[cookie_header] = "; ".join("%s=%s" % kv for kv in self.jar.items())
        if isinstance(body, (dict, list)):
            body = json.dumps(body, ensure_ascii=False).encode("utf-8")
            h.setdefault("Content-Type", "application/json")
        elif isinstance(body, str):
            body = body.encode("utf-8")
        try:
            conn.request(method, path, body=body, headers=h)
            r = conn.getresponse()
            reply = Reply(r.status, r.getheaders(), r.read())
        finally:
            conn.close()
        for value in reply.headers_named("Set-Cookie"):
            name, _, rest = value.partition("=")
            self.jar[name] = rest.split(";")[0]
        return reply

    def api(self, method, path, body=None, **kw):
        return self.request(method, "/api/" + path, body, **kw).json()

    def get(self, path, **kw):
        return self.api("GET", path, **kw)

    def post(self, path, body, **kw):
        return self.api("POST", path, body, **kw)

    def login(self, name="user01", pwd="secret1"):
        return self.post("1.0/json/User/login", {"AppEName": "", "Group": 0, "ID": 0, "LoginCheckCode": "00:11:22:33:44:55",
                                                 "LoginCount": 0, "Pwd": pwd, "UserName": name})

    def hook(self, method, name, body=None):
        return self.request(method, "/__test/" + name, body, jar=False).json()


def q(text):
    return urllib.parse.quote(text, safe="")


def ids_of(body, type_=None):
    """Every id of a question-set body, in session order, optionally of one type."""
    out = []
    for s in body["Sessions"]:
        if type_ is None or s["Type"] == type_:
            key = {"ATEST": "A", "A3TEST": "A3", "BTEST": "B", "XTEST": "X", "PDTEST": "PD", "JDTEST": "JD",
                   "TKTEST": "TK"}[s["Type"]] + "Testid"
            out += [int(x) for x in s[key].split(",")]
    return out


def favourites_of(body):
    out = []
    for s in body["Sessions"]:
        fav = s.get({"ATEST": "A", "A3TEST": "A3", "BTEST": "B", "XTEST": "X", "PDTEST": "PD", "JDTEST": "JD",
                     "TKTEST": "TK"}[s["Type"]] + "Test")
        if fav:
            out += [int(x) for x in fav.split(",")]
    return out


class ServerCase(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        if not os.path.isfile(os.path.join(SAMPLE, V + ".manifest.json")):
            raise RuntimeError("VD_SAMPLE_DIR (%r) has no sample bank: build the target vd_sample_bank" % SAMPLE)
        cls.manifest = manifest()
        cls.proc, cls.port = start_server("--idle-timeout", "300")

    @classmethod
    def tearDownClass(cls):
        stop_server(cls.proc)

    def setUp(self):
        self.c = Client(self.port)
        self.assertEqual(self.c.hook("POST", "reset"), {"ok": True})

    def good_aids(self, state="updated", chapter=None, subject=None):
        return sorted(q_["AID"] for q_ in self.manifest["States"][state]["Questions"]
                      if not q_["Bad"] and (chapter is None or q_["Chapter"] == chapter)
                      and (subject is None or q_["Subject"] == subject))

    def assertEnvelope(self, reply, login_state):
        self.assertIn("Body", reply)
        self.assertIsInstance(reply["Message"], str)
        self.assertEqual(reply["LoginState"], login_state, reply)


# Rules by which the app judges a reply (the server must answer so that the right one holds).
def body_true(r):
    return r["Body"] is True or (isinstance(r["Body"], int) and not isinstance(r["Body"], bool) and r["Body"] != 0)


def body_present(r):
    return r.get("Body", 0) is not None


def body_non_empty(r):
    return isinstance(r["Body"], (list, dict)) and len(r["Body"]) > 0


def body_name(r):
    return isinstance(r["Body"], dict) and r["Body"].get("Name") is not None


def question_set(r):
    b = r["Body"]
    return isinstance(b, dict) and b.get("Name") is not None and isinstance(b.get("Sessions"), list)


def list_of(*keys):
    return lambda r: isinstance(r["Body"], list) and len(r["Body"]) > 0 and all(
        isinstance(e, dict) and all(k in e for k in keys) for e in r["Body"])


class OperationTable(ServerCase):
    """One row per operation of the main base: method, path, body -> the reply's shape, for a
    logged-in user (after a reply log and a favourite, so that the user's lists are not empty)."""

    def test_every_operation_answers_its_shape(self):
        c = self.c
        self.assertTrue(c.login()["Body"])
        self.assertTrue(c.post("1.0/json/exam/%s/replylog" % V, {"ReplyLogArr": [
            {"AllTestID": "1001", "ChildTableID": "101", "IsRight": "False", "Answer": "A", "UserScore": "0",
             "Score": "1", "ChildTableName": "ATEST"}]})["Body"])
        self.assertIs(c.post("1.0/json/favour/addfavour", {"AllTestID": 1002, "AppEName": V, "FavTypeID": 1,
                                                           "StarNum": "3"})["Body"], False)
        note = c.post("1.0/json/exam/SetUserNoteByID/%s/1001" % V, [{"Key": 0, "Value": "我的笔记"}])["Body"]
        self.assertGreater(note, 0)
        suggestion = c.get("1.0/json/user/GetSuggestion")["Body"][0][0]
        jpeg = b"\xff\xd8\xff\xe0" + b"\0" * 60 + b"\xff\xd9"
        table = [
            ("GET", "1.0/json/user/SoftInfo/" + V, None, lambda r: r["Body"]["EName"] == V and r["Body"]["Name"]),
            ("GET", "1.0/json/user/AppInfo/" + V, None, lambda r: r["Body"]["EName"] == V),
            ("GET", "1.0/json/user/GetPrimary", None, lambda r: r["Body"] is True and r["Message"] == "email"),
            ("POST", "1.0/json/user/ReSendEmail", {"Email": "user01@example.com"}, body_true),
            ("GET", "1.0/json/user/CheckNewUsername/new@example.com/Email", None, body_true),
            ("GET", "1.0/json/user/CheckNewUsername/user01@example.com/Email", None,
             lambda r: r["Body"] is False and r["Message"]),
            ("GET", "1.0/json/user/CheckNewUsername/13700000000/Tel", None, body_true),
            ("GET", "1.0/json/user/CheckNewUsername/" + q("小明") + "/NickName", None, lambda r: r["Body"] is False),
            ("GET", "1.0/json/sys/ApplyForVerification/13700000000", None, body_true),
            ("POST", "1.0/json/user/UserSuggestion", {"AppCName": "x", "AppEName": V, "AppVersion": "越狱版1.0",
                                                      "UserName": "user01", "phone": "", "Content": "很好用"}, body_true),
            ("GET", "1.0/json/User/FindPassword/user01@example.com/a", None, body_true),
            ("GET", "1.0/json/user/GetPersonalDetails", None,
             lambda r: set(r["Body"]) >= {"NickName", "Address", "Birthday", "Sex", "Tel", "Email"}),
            ("POST", "1.0/json/user/SetPersonalDetails", {"Address": "上海 上海市"}, body_true),
            ("GET", "1.0/json/user/ResetPassWord/secret1/secret2", None, body_true),
            ("GET", "1.0/json/user/GetSuggestion", None,
             lambda r: isinstance(r["Body"][0], list) and len(r["Body"][0]) == 4),
            ("GET", "1.0/json/user/RemoveSuggestion/%s/%d" % (V, suggestion), None, lambda r: r["Body"] == 1),
            ("POST", "1.0/json/user/SetPhoto", jpeg, body_true),
            ("GET", "1.0/json/sys/Quote", None, list_of("Key", "Value")),
            ("GET", "1.0/json/sys/GetAppENameAndQuoteEName/" + q("常识"), None,
             list_of("Key", "Value", "QuoteEName", "QuoteName")),
            ("GET", "1.0/json/sys/GetQuoteProductByCounts/gkcs", None,
             lambda r: r["Body"][0]["Province"] == "无分类" and r["Body"][0]["QuoteDetails"][0]["Value"] == V),
            ("GET", "1.0/json/sys/Statistics/" + V, None, list_of("Name", "PastNum", "RightNum", "TestNum")),
            ("GET", "1.0/json/sys/GetAnnouncement/1.0/" + V, None,
             lambda r: all(isinstance(n, list) and len(n) == 3 for n in r["Body"]) and r["Body"]),
            ("POST", "1.0/json/sys/Log", {"UserName": "小明", "AppEName": V, "AppVersion": "越狱版1.0",
                                          "Content": "crash"}, body_true),
            ("GET", "1.0/json/sys/GetAppVersion_IPhone/x", None, body_present),
            ("GET", "1.0/json/sys/GetTestLibraryVersion_Android/x", None, lambda r: r["Body"] == 3.0),
            ("GET", "1.0/json/exam/%s/Chapter/Test/111" % V, None, question_set),
            ("POST", "1.0/json/exam/VirtualExam", {"AppEName": V, "KeyWord": [{"Key": "1", "Value": 5},
                                                                               {"Key": "5", "Value": 0}],
                                                   "Sbjs": "11,12"}, question_set),
            ("GET", "1.0/json/exam/SbjsStyle/%s/11,12" % V, None, list_of("StyleID", "Style1")),
            ("POST", "1.0/json/exam/findTest", {"AppEName": V, "SbjIDs": "", "Word": "大洋", "PageIndex": "1",
                                                "PageSize": "20"}, lambda r: question_set(r) and int(r["Message"]) > 0),
            ("GET", "1.0/json/exam/GetRandomTest/%s/20" % V, None, question_set),
            ("GET", "1.0/json/exam/GetAllNoteByAID/%s/1001/1" % V, None,
             list_of("ID", "UID", "UserName", "UserNoteContent", "NoteTime", "AllTestID", "Caption")),
            ("GET", "1.0/json/exam/GetMyNotes/%s/1" % V, None, list_of("ID", "UserNoteContent", "AllTestID")),
            ("GET", "1.0/json/exam/GetMyNote/%s/1001" % V, None, lambda r: [n["ID"] for n in r["Body"]] == [note]),
            ("POST", "1.0/json/exam/SetUserNoteByID/%s/1001" % V, [{"Key": note, "Value": "改过的笔记"}],
             lambda r: r["Body"] == note),
            ("GET", "1.0/json/exam/FTbyAID/%s/1001" % V, None, lambda r: ids_of(r["Body"]) == [1001]),
            ("GET", "1.0/json/exam/DeleteUserNote/%d/%s" % (note, V), None, lambda r: r["Body"] == 1),
            ("GET", "1.0/json/exam/GetErrorTestRank/" + V, None, lambda r: question_set(r) and ids_of(r["Body"])),
            ("GET", "1.0/json/exam/%s/Navigation" % V, None, lambda r: r["Body"][0]["Childs"][0]["ID"] == 11),
            ("GET", "1.0/json/exam/%s/GetTestInfo" % V, None, list_of("InfoID", "Title")),
            ("GET", "1.0/json/exam/%s/GetTestInfoContent/%s" % (V, q(q("考场纪律"))), None,
             lambda r: r["Body"].startswith("<p>")),
            ("GET", "1.0/json/exam/errortest/subjectinfolist/" + V, None, list_of("Sbjid", "Subject1", "TestNum")),
            ("GET", "1.0/json/exam/errortest/GetListToTime/" + V, None,
             lambda r: [e["Key"] for e in r["Body"]] == ["当天", "三天内", "一周内", "更久的"]),
            ("GET", "1.0/json/exam/errortest/GetListToErrorCount/" + V, None,
             lambda r: [e["Key"] for e in r["Body"]] == ["错三次或以上", "错两次", "错一次"]),
            ("GET", "1.0/json/exam/errortest/TestToSbjIds/%s/20/1/11" % V, None,
             lambda r: ids_of(r["Body"]) == [1001]),
            ("GET", "1.0/json/exam/errortest/TestToTime/%s/20/1/1" % V, None, lambda r: ids_of(r["Body"]) == [1001]),
            ("GET", "1.0/json/exam/errortest/TestToErrorCount/%s/20/1/3" % V, None,
             lambda r: ids_of(r["Body"]) == [1001]),
            ("GET", "1.0/json/exam/errortest/RemoveToAllTestIDs/%s/1001" % V, None, body_true),
            ("GET", "1.0/json/favour/FavourInfo/" + V, None,
             lambda r: r["Body"] == [{"Sbjid": 11, "Subject1": "人文常识", "TestNum": 1}]),
            ("GET", "1.0/json/favour/gettest/%s/11/20/1/0" % V, None,
             lambda r: body_name(r) and ids_of(r["Body"]) == [1002] and favourites_of(r["Body"]) == [1002]),
            ("GET", "1.0/json/favour/CancelToFavIDs/%s/1002" % V, None, body_true),
            ("GET", "1.0/json/favour/GetFavourRank/" + V, None, body_name),
            ("GET", "1.0/json/user/CancelTel", None, lambda r: r["Body"] is True and r["State"] == 0),
        ]
        for method, path, body, check in table:
            with self.subTest(path=path):
                reply = c.api(method, path, body)
                self.assertEnvelope(reply, 1)
                self.assertTrue(check(reply), reply)
        journal = c.hook("GET", "journal")["requests"]
        self.assertTrue(all(e["status"] == 200 for e in journal), [e["path"] for e in journal if e["status"] != 200])

    def test_user_operations_refuse_without_session(self):
        table = [
            ("GET", "1.0/json/user/GetPersonalDetails", None),
            ("GET", "1.0/json/user/GetPrimary", None),
            ("POST", "1.0/json/exam/VirtualExam", {"AppEName": V, "KeyWord": [], "Sbjs": "11"}),
            ("POST", "1.0/json/exam/%s/replylog" % V, {"ReplyLogArr": []}),
            ("POST", "1.0/json/favour/addfavour", {"AllTestID": 1001, "AppEName": V}),
            ("GET", "1.0/json/favour/FavourInfo/" + V, None),
            ("GET", "1.0/json/exam/errortest/subjectinfolist/" + V, None),
            ("GET", "1.0/json/exam/GetMyNotes/%s/1" % V, None),
            ("GET", "1.0/json/sys/Statistics/" + V, None),
        ]
        for method, path, body in table:
            with self.subTest(path=path):
                reply = self.c.api(method, path, body)
                self.assertEnvelope(reply, 0)
                self.assertIsNone(reply["Body"])
                self.assertEqual(reply["Message"], "请先登录")

    def test_bad_arguments_give_clear_refusals(self):
        self.c.login()
        table = [
            ("GET", "1.0/json/exam/%s/Chapter/Test/999" % V, None, None),
            ("GET", "1.0/json/exam/Nope/Chapter/Test/111", None, None),
            ("GET", "1.0/json/exam/errortest/RemoveToAllTestIDs/%s/1,x" % V, None, False),
            ("GET", "1.0/json/favour/gettest/%s/11/20/0/0" % V, None, None),  # page 0
            ("GET", "1.0/json/exam/GetRandomTest/%s/abc" % V, None, None),
            ("POST", "1.0/json/exam/findTest", {"AppEName": V, "Word": " ", "PageIndex": "1", "PageSize": "20"}, None),
            ("POST", "1.0/json/favour/addfavour", {"AllTestID": 4242, "AppEName": V}, None),
            ("POST", "1.0/json/exam/SetUserNoteByID/%s/1001" % V, {"Key": 0, "Value": "not an array"}, 0),
            ("POST", "1.0/json/exam/SetUserNoteByID/%s/1001" % V, [{"Key": 0, "Value": "  "}], 0),
            ("POST", "1.0/json/user/SetPersonalDetails", {"NickName": "x", "Sex": 1}, False),
            ("POST", "1.0/json/user/SetPersonalDetails", "not json", False),
            ("GET", "1.0/json/user/ResetPassWord/wrong1/secret2", None, False),
            ("POST", "1.0/json/user/SetPhoto", b"GIF89a....", False),
        ]
        for method, path, body, expected in table:
            with self.subTest(path=path, body=body):
                reply = self.c.api(method, path, body)
                self.assertEnvelope(reply, 1)
                # 0 and False differ for the app (note ids against command flags): compare the types too.
                self.assertEqual((type(reply["Body"]), reply["Body"]), (type(expected), expected))
                self.assertTrue(reply["Message"])

    def test_wrong_method_and_unknown_path_answer_json(self):
        r = self.c.request("GET", "/api/1.0/json/User/login")  # an empty POST body turns a POST into a GET
        self.assertEqual(r.status, 405)
        self.assertIsNone(r.json()["Body"])
        r = self.c.request("GET", "/api/1.0/json/nothing/here")
        self.assertEqual(r.status, 404)
        self.assertIsNone(r.json()["Body"])
        self.assertEqual(self.c.request("GET", "/api/1.0/json/sys/%FF").status, 400)

    def test_replies_are_utf8_json_with_length(self):
        r = self.c.request("GET", "/api/1.0/json/sys/Quote", headers={"Accept-Encoding": "identity"})
        self.assertEqual(r.header("Content-Type"), "application/json; charset=utf-8")
        self.assertEqual(int(r.header("Content-Length")), len(r.data))
        self.assertIn("执业医师".encode("utf-8"), r.data)
        # Persistent connections: several requests on one connection, each answered in full.
        conn = http.client.HTTPConnection("127.0.0.1", self.port, timeout=20)
        try:
            for path in ("/api/1.0/json/sys/Quote", "/packets/GKSample_img_3.zip", "/api/1.0/json/sys/Quote"):
                conn.request("GET", path, headers={"User-Agent": "iphone"})
                resp = conn.getresponse()
                self.assertEqual((resp.status, len(resp.read())), (200, int(resp.getheader("Content-Length"))))
                self.assertFalse(resp.will_close)
        finally:
            conn.close()


class QuestionSets(ServerCase):
    def test_chapter_set_follows_the_manifest(self):
        body = self.c.get("1.0/json/exam/%s/Chapter/Test/111" % V)["Body"]
        self.assertEqual((body["ID"], body["Name"]), (111, "地理常识"))
        self.assertEqual(sorted(ids_of(body)), self.good_aids(chapter=111))
        types = [s["Type"] for s in body["Sessions"]]
        order = self.manifest["TypeOrder"]
        self.assertEqual(types, sorted(types, key=order.index))
        for s in body["Sessions"]:
            style = self.manifest["Styles"][s["Type"]]
            self.assertEqual((s["StyleID"], s["Style"], s["Description"]),
                             (style["StyleID"], style["Style"], style["Description"]))
        # A node with sub-chapters gives every question below it.
        self.assertEqual(sorted(ids_of(self.c.get("1.0/json/exam/%s/Chapter/Test/11" % V)["Body"])),
                         self.good_aids(chapter=111) + self.good_aids(chapter=112))

    def test_state_switch_and_bad_rows(self):
        updated = ids_of(self.c.get("1.0/json/exam/%s/Chapter/Test/111" % V)["Body"])
        self.assertIn(1021, updated)  # added by the update pack
        self.c.hook("POST", "scenario", {"state": "bank"})
        bank = ids_of(self.c.get("1.0/json/exam/%s/Chapter/Test/112" % V)["Body"])
        self.assertEqual(sorted(bank), self.good_aids("bank", chapter=112))
        self.assertIn(1107, bank)  # deleted by the update pack
        self.assertNotIn(1901, ids_of(self.c.get("1.0/json/exam/%s/Chapter/Test/121" % V)["Body"]))
        self.c.hook("POST", "scenario", {"bad_rows": True})
        self.assertTrue({1901, 1902, 1903, 1904} <= set(ids_of(self.c.get("1.0/json/exam/%s/Chapter/Test/121" % V)["Body"])))

    def test_favourites_are_marked_in_every_set(self):
        c = self.c
        c.login()
        for aid in (1001, 1018):
            self.assertIs(c.post("1.0/json/favour/addfavour", {"AppEName": V, "AllTestID": str(aid),
                                                               "StarNum": "3", "FavTypeID": "1"})["Body"], False)
        again = c.post("1.0/json/favour/addfavour", {"AppEName": V, "AllTestID": 1001, "StarNum": "3", "FavTypeID": 1})
        self.assertIs(again["Body"], False)  # adding twice still succeeds
        body = c.get("1.0/json/exam/%s/Chapter/Test/111" % V)["Body"]
        a = next(s for s in body["Sessions"] if s["Type"] == "ATEST")
        a3 = next(s for s in body["Sessions"] if s["Type"] == "A3TEST")
        x = next(s for s in body["Sessions"] if s["Type"] == "XTEST")
        self.assertEqual((a["ATest"], a3["A3Test"], x["XTest"]), ("1001", "1018", None))
        # Without the session the same set carries no favourites.
        anon = Client(self.port).get("1.0/json/exam/%s/Chapter/Test/111" % V)["Body"]
        self.assertEqual(favourites_of(anon), [])

    def test_search_pages_and_total(self):
        def find(word, page, size="20"):
            return self.c.post("1.0/json/exam/findTest", {"AppEName": V, "SbjIDs": "", "Word": word,
                                                          "PageIndex": str(page), "PageSize": size})
        everything = find("的", 1, "100")
        total = int(everything["Message"])
        self.assertEqual(len(ids_of(everything["Body"])), total)
        self.assertGreater(total, 20)
        first, second = find("的", 1), find("的", 2)
        self.assertEqual(first["Message"], str(total))
        self.assertEqual(len(ids_of(first["Body"])), 20)
        self.assertFalse(set(ids_of(first["Body"])) & set(ids_of(second["Body"])))
        # Every word must occur: two words narrow the hits.
        self.assertLess(int(find("的 太平洋", 1)["Message"]), total)
        none = find("不存在的词语", 1)
        self.assertEqual((none["Message"], none["Body"]["Sessions"]), ("0", []))

    def test_exam_and_random_sets(self):
        c = self.c
        c.login()
        exam = c.post("1.0/json/exam/VirtualExam", {"AppEName": V, "Sbjs": "12", "KeyWord": [
            {"Key": "1", "Value": 3}, {"Key": "3", "Value": 1}, {"Key": "8", "Value": 0}]})["Body"]
        self.assertEqual(exam["TestType"], 3)
        chosen = ids_of(exam)
        self.assertEqual(len(ids_of(exam, "ATEST")), 3)
        self.assertEqual(ids_of(exam, "A3TEST"), [1214])
        self.assertTrue(set(chosen) <= set(self.good_aids(subject=12)))
        styles = c.get("1.0/json/exam/SbjsStyle/%s/12" % V)["Body"]
        self.assertEqual({s["StyleID"] for s in styles}, {1, 3, 4, 5, 6, 7, 8})  # subject 12 holds TK after the update
        rand = ids_of(c.get("1.0/json/exam/GetRandomTest/%s/20" % V)["Body"])
        self.assertEqual(len(rand), 20)
        self.assertEqual(len(set(rand)), 20)


class Sessions(ServerCase):
    def test_login_sets_one_cookie_and_refuses_bad_passwords(self):
        c = self.c
        r = c.request("POST", "/api/1.0/json/User/login", {"UserName": "user01", "Pwd": "secret1"})
        cookies = r.headers_named("Set-Cookie")
        self.assertEqual(len(cookies), 1)
        self.assertRegex(cookies[0], r"^VDSID=[0-9a-f]{32}; Path=/$")
        self.assertEqual(r.json()["Body"]["LoginCount"], 4)
        for account, pwd in (("user01", "wrong"), ("nobody", "secret1"), ("", "")):
            reply = Client(self.port).login(account, pwd)
            self.assertIsNone(reply["Body"])
            self.assertTrue(reply["Message"])
        # The account may be the e-mail address or the phone number; the first login counts 1.
        self.assertEqual(Client(self.port).login("USER01@example.com")["Body"]["ID"], 1)
        self.assertEqual(Client(self.port).login("13800138000", "demo123")["Body"]["LoginCount"], 1)

    def test_second_login_elsewhere_forces_the_first_out_once(self):
        phone, tablet = Client(self.port), Client(self.port)
        self.assertEqual(phone.login()["LoginState"], 1)
        # The app's asynchronous GET sends the session in a lower-case "cookie" header.
        self.assertEqual(phone.get("1.0/json/user/GetPrimary", cookie_header="cookie")["LoginState"], 1)
        self.assertEqual(tablet.login()["LoginState"], 1)
        first = phone.get("1.0/json/user/GetPrimary", cookie_header="cookie")
        self.assertEqual((first["LoginState"], first["Body"]), (2, None))
        self.assertTrue(first["Message"])
        after = phone.get("1.0/json/sys/Quote")
        self.assertEqual(after["LoginState"], 0)  # the replaced session is gone after its one warning
        self.assertTrue(after["Body"])
        self.assertEqual(tablet.get("1.0/json/user/GetPrimary")["LoginState"], 1)
        # Logging in again on the phone, with the stale cookie still in its jar, is a clean new session.
        phone2 = Client(self.port)
        phone2.jar = dict(phone.jar)
        self.assertEqual(tablet.login()["LoginState"], 1)
        self.assertEqual(phone2.login()["LoginState"], 1)
        self.assertEqual(tablet.get("1.0/json/user/GetPrimary")["LoginState"], 2)

    def test_forced_logout_can_repeat_until_the_next_login(self):
        # A synchronous request ignores "LoginState"; this scenario keeps warning the replaced session.
        self.c.hook("POST", "scenario", {"forced_logout": "always"})
        phone, tablet = Client(self.port), Client(self.port)
        phone.login()
        tablet.login()
        self.assertEqual([phone.get("1.0/json/sys/Quote")["LoginState"] for _ in range(3)], [2, 2, 2])
        self.assertEqual(phone.login()["LoginState"], 1)
        self.assertEqual(phone.get("1.0/json/sys/Quote")["LoginState"], 1)
        self.assertEqual(self.c.hook("POST", "scenario", {"forced_logout": "sometimes"})["ok"], False)

    def test_relogin_on_the_same_device_keeps_the_session(self):
        phone, tablet = Client(self.port), Client(self.port)
        phone.login()
        tablet.login()
        token = tablet.jar["VDSID"]
        tablet.login()  # the app's periodic re-login
        self.assertEqual(tablet.jar["VDSID"], token)
        self.assertEqual(tablet.get("1.0/json/user/GetPrimary")["LoginState"], 1)
        self.assertEqual(phone.get("1.0/json/user/GetPrimary")["LoginState"], 2)

    def test_session_is_read_from_any_cookie_header(self):
        c = self.c
        c.login()
        token = c.jar["VDSID"]
        r = c.request("GET", "/api/1.0/json/user/GetPersonalDetails", jar=False,
                      headers={"Cookie": "other=1; VDSID=%s; more=2" % token})
        self.assertEqual(r.json()["Body"]["NickName"], "小明")
        self.assertEqual(c.get("1.0/json/user/GetPrimary", jar=False)["Message"], "请先登录")


class Accounts(ServerCase):
    def sms_by_image_code(self, phone):
        """The screens' way to an SMS code: image code id, its page, the typed code, the SMS."""
        c = self.c
        guid = c.request("GET", "/vc/VerificationCode/CreateGuid").json()
        self.assertEqual((guid["success"], guid["msg"]), ("true", "true"))
        code = c.hook("GET", "codes")["image"][guid["guid"]]
        page = c.request("GET", "/vc/VerificationCode/CreateVerificationCode/?guid=" + guid["guid"])
        self.assertEqual(page.status, 200)
        self.assertIn(code.encode(), page.data)
        sent = c.request("GET", "/vc/Verify/VerifyCode?guidCode=%s&verifyCode=%s&Tel=%s&ClientType=iphone"
                         % (guid["guid"], code.lower(), phone)).json()
        self.assertEqual((sent["Body"], sent["msg"]), (True, "短信发送成功!"))
        return c.hook("GET", "codes")["sms"][phone]

    def test_phone_registration_road(self):
        c = self.c
        self.assertTrue(c.get("1.0/json/user/CheckNewUsername/13711112222/Tel")["Body"])
        sms = self.sms_by_image_code("13711112222")
        check = c.get("1.0/json/sys/CheckSMSCode/" + sms)
        self.assertEqual((check["Body"], check["Message"]), (True, "13711112222"))
        form = {"UserName": "", "Password": "pass99", "NickName": "", "Sex": "", "Birthday": "", "Address": "",
                "Tel": "13711112222", "LoginCheckCode": "000000" if sms != "000000" else "111111"}
        self.assertIs(c.post("1.0/json/User/regist", form)["Body"], False)  # wrong SMS code
        form["LoginCheckCode"] = sms
        self.assertEqual(c.post("1.0/json/User/regist", form)["Body"], True)
        again = c.post("1.0/json/User/regist", form)
        self.assertEqual((again["Body"], again["Message"]), (False, "已被使用"))
        user = Client(self.port).login("13711112222", "pass99")["Body"]
        self.assertEqual((user["Tel"], user["LoginCount"]), ("13711112222", 1))
        self.assertFalse(c.get("1.0/json/user/CheckNewUsername/13711112222/Tel")["Body"])

    def test_image_code_is_checked_and_used_once(self):
        c = self.c
        guid = c.request("GET", "/vc/VerificationCode/CreateGuid").json()["guid"]
        code = c.hook("GET", "codes")["image"][guid]
        wrong = c.request("GET", "/vc/Verify/VerifyCode?guidCode=%s&verifyCode=%s&Tel=13711112222&ClientType=iphone"
                          % (guid, "x" + code)).json()
        self.assertEqual(wrong["Body"], False)
        self.assertNotEqual(wrong["msg"], "短信发送成功!")
        reuse = c.request("GET", "/vc/Verify/VerifyCode?guidCode=%s&verifyCode=%s&Tel=13711112222&ClientType=iphone"
                          % (guid, code)).json()
        self.assertEqual(reuse["Body"], False)  # a new image code is needed after any check
        self.assertEqual(c.request("GET", "/vc/VerificationCode/CreateVerificationCode/?guid=" + guid).status, 404)
        self.assertNotIn("13711112222", c.hook("GET", "codes")["sms"])

    def test_sms_requests_are_limited(self):
        for i in range(5):
            self.assertTrue(self.c.get("1.0/json/sys/ApplyForVerification/13722223333")["Body"])
        refused = self.c.get("1.0/json/sys/ApplyForVerification/13722223333")
        self.assertEqual(refused["Body"], False)
        self.assertIn("请求次数过多", refused["Message"])
        self.assertFalse(self.c.get("1.0/json/sys/ApplyForVerification/12345")["Body"])

    def test_password_recovery_by_sms(self):
        c = self.c
        sms = self.sms_by_image_code("13800138000")
        self.assertFalse(c.post("1.0/json/user/MotifyPassword", {"Key": sms, "Value": "123"})["Body"])
        self.assertTrue(c.post("1.0/json/user/MotifyPassword", {"Key": sms, "Value": "newpass1"})["Body"])
        self.assertFalse(c.post("1.0/json/user/MotifyPassword", {"Key": sms, "Value": "newpass2"})["Body"])  # used
        self.assertIsNone(Client(self.port).login("demo", "demo123")["Body"])
        self.assertTrue(Client(self.port).login("demo", "newpass1")["Body"])

    def test_email_registration_and_verification_link(self):
        c = self.c
        form = {"UserName": "", "Password": "mailpass", "NickName": "", "Sex": "", "Birthday": "", "Address": "",
                "Email": "new@example.com"}
        self.assertTrue(c.post("1.0/json/User/regist", form)["Body"])
        link = c.hook("GET", "mail")["mail"][-1]["link"]
        self.assertEqual(link.split("?")[0], "http://127.0.0.1:%d/m/VerifyEmail" % self.port)
        page = c.request("GET", link.split(str(self.port), 1)[1])
        self.assertEqual(json.loads(page.data.decode()), {"Body": True, "Message": "邮箱验证成功"})
        self.assertEqual(json.loads(c.request("GET", link.split(str(self.port), 1)[1]).data.decode())["Body"], False)
        self.assertEqual(Client(self.port).login("new@example.com", "mailpass")["Body"]["Email"], "new@example.com")
        self.assertFalse(c.post("1.0/json/User/regist", dict(form, Email="bad-address"))["Body"])

    def test_personal_details_and_error_reports(self):
        c = self.c
        c.login()
        for body in ({"NickName": "新昵称"}, {"Sex": 0}, {"Address": "广东 广州市"}, {"Tel": "13755556666"},
                     {"Email": "me@example.com"}):
            self.assertTrue(c.post("1.0/json/user/SetPersonalDetails", body)["Body"], body)
        details = c.get("1.0/json/user/GetPersonalDetails")["Body"]
        self.assertEqual(details, {"NickName": "新昵称", "Sex": 0, "Address": "广东 广州市", "Tel": "13755556666",
                                   "Email": "me@example.com", "Birthday": "1990-01-01"})
        self.assertFalse(c.post("1.0/json/user/SetPersonalDetails", {"NickName": "考生A"})["Body"])  # taken
        report = {"AppCName": "常识综合（样例）", "AppEName": V, "AppVersion": "iPhone版1.0",
                  "Content": "AllTestId:1005/R/NBatchId:2/R/N选项有误", "StarNum": "答案有误;", "UserName": "user01",
                  "phone": ""}
        r = c.post("1.0/json/user/UserSuggestion", report, headers={"Client-Type": "Entitled_Revised_Wrong"})
        self.assertTrue(r["Body"])
        records = c.get("1.0/json/user/GetSuggestion")["Body"]
        self.assertEqual(records[0][1:], ["答案有误;", report["Content"], "常识综合（样例）"])
        # The same path with "Client-Type: iphone" is general feedback, not a record of the user.
        self.assertTrue(c.post("1.0/json/user/UserSuggestion", dict(report, Content="建议"))["Body"])
        self.assertEqual(len(c.get("1.0/json/user/GetSuggestion")["Body"]), len(records))
        self.assertEqual(c.get("1.0/json/user/RemoveSuggestion/%s/%d" % (V, records[0][0]))["Body"], 1)
        self.assertEqual(c.get("1.0/json/user/RemoveSuggestion/%s/%d" % (V, records[0][0]))["Body"], 0)

    def test_avatar_upload_is_served(self):
        c = self.c
        uid = c.login()["Body"]["ID"]
        self.assertEqual(c.request("GET", "/Img_UID/%d.jpg" % uid).status, 404)
        jpeg = b"\xff\xd8\xff\xe0JFIF" + bytes(range(200)) + b"\xff\xd9"
        self.assertTrue(c.post("1.0/json/user/SetPhoto", jpeg, headers={"Content-Type": ""})["Body"])
        r = c.request("GET", "/Img_UID/%d.jpg" % uid)
        self.assertEqual((r.status, r.data, r.header("Content-Type")), (200, jpeg, "image/jpeg"))


class Books(ServerCase):
    """The wrong-answer book filled by reply logs, the statistics, favourites and ranks."""

    def log(self, *entries, mode="3"):
        arr = [{"UserScore": "1" if right else "0", "ChildTableName": "ATEST", "Score": "1", "Answer": "A",
                "IsRight": "True" if right else "False", "ChildTableID": str(child), "AllTestID": str(aid)}
               for aid, child, right in entries]
        doc = {"Caption": "地理常识", "CptID": "111", "GUID": "", "ReplyDate": "2013-07-10 12:00:00",
               "ReplyEndTime": "2013-07-10 12:10:00", "ReplyStartTime": "2013-07-10 12:00:00",
               "RightTestNum": "1", "Score": str(len(arr)), "TestKind": 1, "TestNum": str(len(arr)), "TestType": mode,
               "UserScore": "1", "ReplyLogArr": arr}
        self.assertTrue(self.c.post("1.0/json/exam/%s/replylog" % V, doc)["Body"])

    def test_reply_logs_fill_the_wrong_answer_book(self):
        c = self.c
        c.login()
        self.log((1001, 101, False), (1002, 102, True), (1201, 201, False), (1018, 6101, False), (9999, 1, False))
        self.log((1001, 101, False))
        self.log((1001, 101, False))
        subjects = c.get("1.0/json/exam/errortest/subjectinfolist/" + V)["Body"]
        self.assertEqual(subjects, [{"Sbjid": 11, "Subject1": "人文常识", "TestNum": 2},
                                    {"Sbjid": 12, "Subject1": "科技常识", "TestNum": 1}])
        counts = {e["Key"]: e["Value"] for e in c.get("1.0/json/exam/errortest/GetListToErrorCount/" + V)["Body"]}
        self.assertEqual(counts, {"错三次或以上": 1, "错两次": 0, "错一次": 2})
        ages = {e["Key"]: e["Value"] for e in c.get("1.0/json/exam/errortest/GetListToTime/" + V)["Body"]}
        self.assertEqual(ages, {"当天": 3, "三天内": 0, "一周内": 0, "更久的": 0})
        page = c.get("1.0/json/exam/errortest/TestToSbjIds/%s/20/1/11" % V)["Body"]
        self.assertEqual((page["Name"], sorted(ids_of(page))), ("人文常识", [1001, 1018]))
        self.assertEqual(ids_of(c.get("1.0/json/exam/errortest/TestToErrorCount/%s/20/1/1" % V)["Body"]), [1001])
        self.assertEqual(c.get("1.0/json/exam/errortest/TestToErrorCount/%s/20/1/0" % V)["Body"]["Sessions"], [])
        # Age classes follow the server's clock.
        for days, key in ((1, "三天内"), (3, "三天内"), (4, "一周内"), (7, "一周内"), (8, "更久的")):
            c.hook("POST", "clock", {"offset_days": days})
            ages = {e["Key"]: e["Value"] for e in c.get("1.0/json/exam/errortest/GetListToTime/" + V)["Body"]}
            self.assertEqual(ages[key], 3, (days, ages))
        c.hook("POST", "clock", {"offset_days": 30})
        self.assertEqual(sorted(ids_of(c.get("1.0/json/exam/errortest/TestToTime/%s/20/1/4" % V)["Body"])),
                         [1001, 1018, 1201])
        self.assertTrue(c.get("1.0/json/exam/errortest/RemoveToAllTestIDs/%s/1018,1001,1018" % V)["Body"])
        self.assertEqual(c.get("1.0/json/exam/errortest/subjectinfolist/" + V)["Body"],
                         [{"Sbjid": 12, "Subject1": "科技常识", "TestNum": 1}])

    def test_statistics_count_answers_per_chapter(self):
        c = self.c
        c.login()
        rows = c.get("1.0/json/sys/Statistics/" + V)["Body"]
        tree = self.manifest["States"]["updated"]["Chapters"]
        leaves = []

        def walk(nodes):
            for n in nodes:
                if n["Childs"] is None:
                    leaves.append((n["Name"], n["Total"]))
                else:
                    walk(n["Childs"])

        walk(tree)
        self.assertEqual([(r["Name"], r["TestNum"]) for r in rows], leaves)
        self.assertTrue(all(r["PastNum"] == r["RightNum"] == 0 for r in rows))
        self.log((1001, 101, True), (1002, 102, False), (1018, 6101, True), (1018, 6102, True), (1101, 1, True))
        rows = {r["Name"]: r for r in c.get("1.0/json/sys/Statistics/" + V)["Body"]}
        self.assertEqual((rows["地理常识"]["PastNum"], rows["地理常识"]["RightNum"]), (4, 3))
        self.assertEqual((rows["历史常识"]["PastNum"], rows["历史常识"]["RightNum"]), (1, 1))

    def test_favourite_pages_and_removal(self):
        c = self.c
        c.login()
        aids = self.good_aids(subject=11)[:25]
        for i, aid in enumerate(aids):
            c.hook("POST", "clock", {"offset_seconds": i})  # distinct times, newest last
            self.assertIs(c.post("1.0/json/favour/addfavour", {"AllTestID": aid, "AppEName": V, "FavTypeID": 1,
                                                               "StarNum": "3"})["Body"], False)
        info = c.get("1.0/json/favour/FavourInfo/" + V)["Body"]
        self.assertEqual(info, [{"Sbjid": 11, "Subject1": "人文常识", "TestNum": 25}])
        p1 = c.get("1.0/json/favour/gettest/%s/11/20/1/0" % V)["Body"]
        p2 = c.get("1.0/json/favour/gettest/%s/11/20/2/0" % V)["Body"]
        self.assertEqual(sorted(ids_of(p1) + ids_of(p2)), aids)
        self.assertEqual(sorted(ids_of(p2)), aids[:5])  # time order 0: newest first
        self.assertEqual(p1["Name"], "人文常识")
        beyond = c.get("1.0/json/favour/gettest/%s/11/20/3/0" % V)
        self.assertTrue(body_name(beyond))
        self.assertEqual(beyond["Body"]["Sessions"], [])
        self.assertTrue(c.get("1.0/json/favour/CancelToFavIDs/%s/%d,%d" % (V, aids[0], aids[1]))["Body"])
        self.assertEqual(c.get("1.0/json/favour/FavourInfo/" + V)["Body"][0]["TestNum"], 23)

    def test_ranks_count_every_user(self):
        c = self.c
        rank = c.get("1.0/json/favour/GetFavourRank/" + V)["Body"]
        seeded = ids_of(rank)
        self.assertTrue(seeded)
        c.login()
        target = self.good_aids(subject=12)[-1]
        for who in (("user01", "secret1"), ("demo", "demo123"), ("xueyuan", "xueyuan1")):
            d = Client(self.port)
            d.login(*who)
            d.post("1.0/json/favour/addfavour", {"AllTestID": target, "AppEName": V})
        kind = next(x["Type"] for x in self.manifest["States"]["updated"]["Questions"] if x["AID"] == target)
        ranked = c.get("1.0/json/favour/GetFavourRank/" + V)["Body"]
        self.assertEqual(ids_of(ranked, kind)[0], target)  # three users: more than any seeded question
        wrong = c.get("1.0/json/exam/GetErrorTestRank/" + V)["Body"]
        self.assertEqual(wrong["Name"], "错题排行")
        self.assertTrue(ids_of(wrong))


class Notes(ServerCase):
    def test_notes_pages_replies_and_ownership(self):
        c = self.c
        anon_pages = [Client(self.port).get("1.0/json/exam/GetAllNoteByAID/%s/1001/%d" % (V, p))["Body"] for p in (1, 2, 3)]
        self.assertEqual([len(p) for p in anon_pages], [10, 4, 0])
        all_ids = [n["ID"] for p in anon_pages for n in p]
        self.assertEqual(len(set(all_ids)), 14)
        replies = [n for p in anon_pages for n in p if n["UserNoteContent"].startswith("ReplyID:")]
        self.assertEqual(len(replies), 2)
        for r in replies:
            self.assertIn(int(r["UserNoteContent"][8:].split("|")[0]), all_ids)
        slash = Client(self.port).get("1.0/json/exam/GetAllNoteByAID/%s/1002/1" % V)["Body"][0]
        self.assertRegex(slash["NoteTime"], r"^\d{4}/\d\d/\d\d \d\d:\d\d:\d\d$")

        c.login()
        self.assertEqual([n["AllTestID"] for n in c.get("1.0/json/exam/GetMyNotes/%s/1" % V)["Body"]], [1003])
        new = c.post("1.0/json/exam/SetUserNoteByID/%s/1005" % V, [{"Key": 0, "Value": "新笔记"}])
        self.assertEqual(new["LoginState"], 1)
        nid = new["Body"]
        reply = c.post("1.0/json/exam/SetUserNoteByID/%s/1001" % V,
                       [{"Key": "0", "Value": "ReplyID:%d|回复一下" % all_ids[0]}])["Body"]
        self.assertGreater(reply, nid)
        self.assertEqual(c.post("1.0/json/exam/SetUserNoteByID/%s/1001" % V,
                                [{"Key": 0, "Value": "ReplyID:999999|无处回复"}])["Body"], 0)
        # Editing from "my notes" names the question shown last; the note stays on its own question.
        self.assertEqual(c.post("1.0/json/exam/SetUserNoteByID/%s/1010" % V, [{"Key": nid, "Value": "改"}])["Body"], nid)
        mine = c.get("1.0/json/exam/GetMyNote/%s/1005" % V)["Body"]
        self.assertEqual([(n["ID"], n["UserNoteContent"], n["UserName"]) for n in mine], [(nid, "改", "小明")])
        self.assertEqual(c.get("1.0/json/exam/GetMyNote/%s/1010" % V)["Body"], [])
        # Somebody else's note can be neither changed nor deleted.
        other = anon_pages[0][-1]["ID"]
        self.assertEqual(c.post("1.0/json/exam/SetUserNoteByID/%s/1001" % V, [{"Key": other, "Value": "x"}])["Body"], 0)
        self.assertEqual(c.get("1.0/json/exam/DeleteUserNote/%d/%s" % (other, V))["Body"], 0)
        self.assertEqual(c.get("1.0/json/exam/DeleteUserNote/%d/%s" % (nid, V))["Body"], 1)
        self.assertEqual(c.get("1.0/json/exam/GetMyNote/%s/1005" % V)["Body"], [])

    def test_my_notes_carry_the_replies_to_them(self):
        owner, other = self.c, Client(self.port)
        owner.login()
        other.login("xueyuan", "xueyuan1")
        nid = owner.post("1.0/json/exam/SetUserNoteByID/%s/1004" % V, [{"Key": 0, "Value": "我的"}])["Body"]
        rid = other.post("1.0/json/exam/SetUserNoteByID/%s/1004" % V, [{"Key": 0, "Value": "ReplyID:%d|好" % nid}])["Body"]
        items = owner.get("1.0/json/exam/GetMyNotes/%s/1" % V)["Body"]
        self.assertEqual({n["ID"] for n in items} & {nid, rid}, {nid, rid})
        self.assertEqual(owner.get("1.0/json/exam/DeleteUserNote/%d/%s" % (nid, V))["Body"], 1)
        left = Client(self.port).get("1.0/json/exam/GetAllNoteByAID/%s/1004/1" % V)["Body"]
        self.assertEqual(left, [])  # the reply went with its note


class UpdateCentre(ServerCase):
    def query(self, batch, body=None):
        body = body if body is not None else {"app_ename": V, "app_version": 231, "client_type": 3, "max_batchid": batch}
        r = self.c.request("POST", "/uc/api/1.0/json/query", body)
        self.assertEqual(r.header("Content-Type"), "application/json; charset=utf-8")
        return r.json()

    def test_packet_choice_by_scenario_and_batch(self):
        table = [
            ("auto", -1, [6]), ("auto", 1, [6]), ("auto", 2, [1, 3]), ("auto", 3, []),
            ("first", 2, [6]), ("cumulative", 2, [1]), ("image", 2, [3]), ("type8", 2, [8]),
            ("type8", -1, [6]), ("type4", 2, [1, 3, 4]), ("type4", 3, [4]), ("none", -1, []),
        ]
        files = {p["packe_type"]: p["file"] for p in self.manifest["Packets"]}
        for mode, batch, kinds in table:
            with self.subTest(mode=mode, batch=batch):
                self.c.hook("POST", "scenario", {"update": mode})
                reply = self.query(batch)
                self.assertEqual((reply["status"], [p["packe_type"] for p in reply["update_list"]]), (0, kinds))
                for p in reply["update_list"]:
                    self.assertEqual(set(p), {"id", "app_ename", "client_type", "packe_type", "packege_url",
                                              "max_batchid", "alow_min_batchid", "alow_min_appversion",
                                              "publish_time", "update_content"})
                    self.assertTrue(p["packege_url"].startswith("http://127.0.0.1:%d/packets/" % self.port))
                    name = p["packege_url"].rsplit("/", 1)[1]
                    self.assertNotEqual(name, V + ".db")
                    if p["packe_type"] in files:
                        self.assertEqual(name, files[p["packe_type"]])

    def test_status_and_bad_queries(self):
        self.c.hook("POST", "scenario", {"status": 4, "message": "维护中"})
        reply = self.query(2)
        self.assertEqual((reply["status"], reply["message"]), (4, "维护中"))
        self.assertEqual(self.query(0, {"app_ename": "Other", "app_version": 1, "client_type": 3, "max_batchid": -1}),
                         {"status": 0, "message": "暂无可用的更新", "update_list": []})
        for body in ("x", {"app_ename": V, "client_type": 3, "max_batchid": "many", "app_version": 1}):
            bad = self.query(0, body)
            self.assertNotEqual(bad["status"], 0)
            self.assertEqual(bad["update_list"], [])
        self.assertEqual(self.c.hook("POST", "scenario", {"update": "sideways"})["ok"], False)

    def test_every_listed_subject_has_a_bank_of_its_own(self):
        import io
        import sqlite3
        import sys
        import zipfile
        sys.path.insert(0, os.path.join(SOURCE, "tools", "testserver", "apiserver"))
        from catalog import SERIES
        listed = [d for s in SERIES for _, subjects in s["provinces"] for d in subjects if d is not None]
        self.assertGreater(len(listed), 1)
        for display, value, _ in listed:
            with self.subTest(subject=value):
                reply = self.query(-1, {"app_ename": value, "app_version": 1, "client_type": 3, "max_batchid": -1})
                self.assertEqual([(p["packe_type"], p["app_ename"]) for p in reply["update_list"]], [(6, value)])
                packet = self.c.request("GET", urllib.parse.urlsplit(reply["update_list"][0]["packege_url"]).path)
                self.assertEqual(packet.status, 200)
                with zipfile.ZipFile(io.BytesIO(packet.data)) as z:
                    self.assertEqual(sorted(z.namelist()), sorted([value + ".db", "ImgDir_%s.zip" % value]))
                    db = z.read(value + ".db")
                    with zipfile.ZipFile(io.BytesIO(z.read("ImgDir_%s.zip" % value))) as images:
                        pictures = images.namelist()
                with tempfile.TemporaryDirectory() as d:
                    path = os.path.join(d, "bank.db")
                    with open(path, "wb") as f:
                        f.write(db)
                    con = sqlite3.connect(path)
                    types = {t for (t,) in con.execute("select Type from Test")}
                    chapters = json.loads(con.execute("select Content from OtherContent where KeyWord='ChapterList'")
                                          .fetchone()[0])["Body"]
                    con.close()
                self.assertEqual(types, {"ATEST", "A3TEST", "BTEST", "XTEST", "PDTEST", "JDTEST", "TKTEST"})
                self.assertEqual(chapters[0]["Name"], display)
                nav = self.c.get("1.0/json/exam/%s/Navigation" % value)
                self.assertEqual(nav["Body"], chapters)
                self.assertEqual(len(pictures), 1)
                image = self.c.request("GET", "/tk_img/imgdir_%s/%s" % (value, pictures[0]))
                self.assertEqual((image.status, image.data[:4]), (200, b"\x89PNG"))

    def test_packet_files_head_get_and_range(self):
        for p in self.manifest["Packets"]:
            with self.subTest(file=p["file"]):
                with open(os.path.join(SAMPLE, p["file"]), "rb") as f:
                    data = f.read()
                path = "/packets/" + p["file"]
                head = self.c.request("HEAD", path, headers={"Accept-Encoding": "gzip"})
                self.assertEqual((head.status, int(head.header("Content-Length")), head.data), (200, len(data), b""))
                get = self.c.request("GET", path, headers={"Accept-Encoding": "gzip"})
                self.assertEqual((get.status, get.data, get.header("Content-Encoding")), (200, data, None))
                n = len(data) // 3
                part = self.c.request("GET", path, headers={"Range": "bytes=%d-" % n})
                self.assertEqual(part.status, 206)
                self.assertEqual(part.header("Content-Range"), "bytes %d-%d/%d" % (n, len(data) - 1, len(data)))
                self.assertEqual((int(part.header("Content-Length")), part.data), (len(data) - n, data[n:]))
                ranged_head = self.c.request("HEAD", path, headers={"Range": "bytes=%d-" % n})
                self.assertEqual(ranged_head.header("Content-Range"), part.header("Content-Range"))
                self.assertEqual(self.c.request("GET", path, headers={"Range": "bytes=0-9"}).data, data[:10])
                self.assertEqual(self.c.request("GET", path, headers={"Range": "bytes=-5"}).data, data[-5:])
                self.assertEqual(self.c.request("GET", path, headers={"Range": "bytes=%d-" % len(data)}).status, 416)
        self.assertEqual(self.c.request("GET", "/packets/../GKSample.manifest.json").status, 404)
        self.assertEqual(self.c.request("GET", "/packets/GKSample.golden.txt").status, 404)

    def test_question_images(self):
        folder = os.path.join(SAMPLE, self.manifest["Images"]["Dir"])
        for name in ["长城.png", "gk_compass.PNG", "gk_server_only.png"]:
            with self.subTest(name=name), open(os.path.join(folder, name), "rb") as f:
                r = self.c.request("GET", "/%s/%s" % (self.manifest["Images"]["Dir"], q(name)))
                self.assertEqual((r.status, r.data, r.header("Content-Type")), (200, f.read(), "image/png"))
        self.assertEqual(self.c.request("GET", "/tk_img/imgdir_GKSample/missing.png").status, 404)
        self.assertEqual(self.c.request("GET", "/tk_img/imgdir_GKSample/..%2F..%2FGKSample.db").status, 404)


class Hooks(ServerCase):
    def test_journal_records_each_request_as_sent(self):
        c = self.c
        c.login()
        c.request("GET", "/api/1.0/json/user/CheckNewUsername/%s/NickName" % q("小 明"), headers={"cookie": "VDSID=x"}, jar=False)
        c.post("1.0/json/user/UserSuggestion", {"Content": "错题"}, headers={"Client-Type": "Entitled_Revised_Wrong"})
        c.request("GET", "/vc/Verify/VerifyCode?guidCode=g&verifyCode=c&Tel=1&ClientType=iphone")
        entries = c.hook("GET", "journal")["requests"]
        self.assertEqual([(e["method"], e["base"]) for e in entries],
                         [("POST", "main"), ("GET", "main"), ("POST", "main"), ("GET", "vc")])
        login, check, report, verify = entries
        self.assertEqual(json.loads(login["body"])["UserName"], "user01")
        self.assertEqual(login["operation"], "1.0/json/User/login")
        self.assertEqual(check["path"], "/api/1.0/json/user/CheckNewUsername/%s/NickName" % q("小 明"))
        self.assertEqual(check["decoded_path"], "/api/1.0/json/user/CheckNewUsername/小 明/NickName")
        self.assertIn(["cookie", "VDSID=x"], check["headers"])
        self.assertIn(["Client-Type", "Entitled_Revised_Wrong"], report["headers"])
        self.assertEqual(report["session_user"], "user01")
        self.assertEqual(verify["query"], {"guidCode": "g", "verifyCode": "c", "Tel": "1", "ClientType": "iphone"})
        since = c.hook("GET", "journal?since=%d" % entries[2]["seq"])["requests"]
        self.assertEqual([e["seq"] for e in since], [entries[3]["seq"]])
        c.hook("DELETE", "journal")
        self.assertEqual(c.hook("GET", "journal")["requests"], [])

    def test_fixed_segments_ignore_case_and_the_spelling_is_kept(self):
        a = self.c.get("1.0/json/USER/appinfo/" + V)
        b = self.c.get("1.0/json/user/AppInfo/" + V)
        self.assertEqual(a, b)
        self.assertEqual([e["path"] for e in self.c.hook("GET", "journal")["requests"]],
                         ["/api/1.0/json/USER/appinfo/" + V, "/api/1.0/json/user/AppInfo/" + V])

    def test_faults_replace_delay_drop_and_truncate(self):
        c = self.c
        quote = "/api/1.0/json/sys/Quote"
        c.hook("POST", "fault", {"path": quote, "status": 500, "body": "not json", "count": 2})
        for _ in range(2):
            r = c.request("GET", quote)
            self.assertEqual((r.status, r.data), (500, b"not json"))
        self.assertEqual(c.request("GET", quote).json()["Body"][0]["Key"], "执业医师")
        c.hook("POST", "fault", [{"path": "/api/1.0/json/sys/*", "body": {"Body": None, "Message": "x"}},
                                 {"path": quote, "method": "POST", "body": "never"}])
        self.assertEqual(c.get("1.0/json/sys/GetAppVersion_IPhone/1"), {"Body": None, "Message": "x"})
        self.assertEqual(len(c.hook("GET", "fault")["faults"]), 1)  # the POST-only fault is still pending
        c.hook("DELETE", "fault")
        c.hook("POST", "fault", {"path": quote, "login_state": 2})
        forced = c.get("1.0/json/sys/Quote")
        self.assertEqual(forced["LoginState"], 2)
        self.assertTrue(forced["Body"])
        c.hook("POST", "fault", {"path": quote, "drop": True})
        with self.assertRaises((http.client.RemoteDisconnected, ConnectionError)):
            c.request("GET", quote)
        c.hook("POST", "fault", {"path": quote, "delay": 0.3})
        t0 = time.monotonic()
        self.assertTrue(c.get("1.0/json/sys/Quote")["Body"])
        self.assertGreaterEqual(time.monotonic() - t0, 0.28)
        c.hook("POST", "fault", {"path": "/packets/GKSample.zip", "truncate": 100})
        with self.assertRaises(http.client.IncompleteRead):
            c.request("GET", "/packets/GKSample.zip")
        faults = [e.get("fault") for e in c.hook("GET", "journal")["requests"] if e["path"] == quote]
        self.assertEqual(sum(1 for f in faults if f), 5)
        self.assertEqual(c.hook("POST", "fault", {"status": 500})["ok"], False)

    def test_throttled_download_is_complete(self):
        with open(os.path.join(SAMPLE, "GKSample_img_3.zip"), "rb") as f:
            data = f.read()
        self.c.hook("POST", "fault", {"path": "/packets/GKSample_img_3.zip", "throttle": len(data) * 2})
        t0 = time.monotonic()
        self.assertEqual(self.c.request("GET", "/packets/GKSample_img_3.zip").data, data)
        self.assertGreaterEqual(time.monotonic() - t0, 0.4)

    def test_reset_and_notices_scenario(self):
        c = self.c
        c.login()
        c.post("1.0/json/favour/addfavour", {"AllTestID": 1001, "AppEName": V})
        self.assertEqual(c.hook("GET", "state?user=user01")["favourites"], [1001])
        notices = c.get("1.0/json/sys/GetAnnouncement/1.0/" + V)["Body"]
        self.assertEqual(len(notices), 2)
        c.hook("POST", "scenario", {"notices": []})
        self.assertEqual(c.get("1.0/json/sys/GetAnnouncement/1.0/" + V)["Body"], [])
        c.hook("POST", "reset")
        self.assertEqual(c.hook("GET", "state?user=user01")["favourites"], [])
        self.assertEqual(c.get("1.0/json/sys/GetAnnouncement/1.0/" + V)["Body"], notices)
        self.assertEqual(c.get("1.0/json/user/GetPrimary")["LoginState"], 0)  # sessions are gone too

    def test_gzip_of_json_replies(self):
        c = self.c
        big = "/api/1.0/json/exam/%s/Chapter/Test/1" % V
        r = c.request("GET", big, headers={"Accept-Encoding": "gzip"})
        self.assertEqual(r.header("Content-Encoding"), "gzip")
        self.assertEqual(int(r.header("Content-Length")), len(r.data))
        self.assertEqual(r.json()["Body"]["ID"], 1)
        self.assertIsNone(c.request("GET", big).header("Content-Encoding"))  # not asked for
        self.assertIsNone(c.request("GET", "/api/1.0/json/sys/Quote", headers={"Accept-Encoding": "gzip"})
                          .header("Content-Encoding"))  # small
        c.hook("POST", "scenario", {"gzip": "never"})
        self.assertIsNone(c.request("GET", big, headers={"Accept-Encoding": "gzip"}).header("Content-Encoding"))

    def test_statistics_service(self):
        doc = {"header": {"appkey": "7e3c19d0a4b25f8861c0e9d3"}, "body": {"launch": [{"session_id": "s"}]}}
        raw = zlib.compress(("content=" + q(json.dumps(doc))).encode("ascii"))
        r = self.c.request("POST", "/app_logs", raw, headers={"Content-encoding": "deflate",
                                                               "Content-Type": "application/x-www-form-urlencoded"})
        self.assertEqual(r.data, b'{"success": "ok"}')
        self.assertNotEqual(self.c.request("POST", "/app_logs", b"plain").data, b'{"success": "ok"}')
        config = self.c.request("POST", "/check_config_update", "content=" + q(json.dumps({"type": "online_config"})))
        self.assertEqual(config.json(), {"config_update": "No"})
        logged = [e for e in self.c.hook("GET", "journal")["requests"] if e["path"] == "/app_logs"]
        self.assertEqual(logged[0]["decoded"], doc)
        self.assertIsNone(logged[1]["decoded"])
        # Another confirmation text, for uploads that must not count as confirmed; still journalled.
        self.c.hook("POST", "scenario", {"stats_reply": '{"success":"ok"}'})
        self.assertEqual(self.c.request("POST", "/app_logs", raw).data, b'{"success":"ok"}')
        self.assertEqual(self.c.hook("GET", "journal")["requests"][-1]["decoded"], doc)


class Lifetime(unittest.TestCase):
    def test_sigterm_and_idle_timeout_end_the_server(self):
        proc, port = start_server()
        self.assertEqual(Client(port).hook("GET", "ping")["port"], port)
        proc.send_signal(signal.SIGTERM)
        self.assertEqual(proc.wait(timeout=10), 0)
        stop_server(proc)
        proc, port = start_server("--idle-timeout", "1")
        self.assertEqual(proc.wait(timeout=15), 0)
        stop_server(proc)

    def test_missing_sample_is_a_clear_error(self):
        empty = tempfile.mkdtemp(prefix="apiserver-empty-")
        r = subprocess.run([PYTHON, "-B", SCRIPT, "--sample", empty], capture_output=True, timeout=30)
        self.assertNotEqual(r.returncode, 0)
        self.assertIn(b"vd_sample_bank", r.stderr)


if __name__ == "__main__":
    unittest.main()
