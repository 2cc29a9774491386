"""The server's state: accounts, sessions, codes, favourites, the wrong-answer book, answers, notes,
feedback, notices, avatars and the mail outbox. In memory only; `Store()` is a fresh, seeded state.

Every method is called with the server's lock held.
"""

import random
import re
import secrets
import time

COOKIE_NAME = "VDSID"

PHONE_RE = re.compile(r"^1[3-9][0-9]{9}$")
EMAIL_RE = re.compile(r"^[A-Za-z0-9._%+-]+@[A-Za-z0-9.-]+\.[A-Za-z]{2,}$")


def valid_password(pwd):
    return isinstance(pwd, str) and 6 <= len(pwd) <= 20


class User:
    def __init__(self, uid, username, pwd, nick="", tel="", email="", primary="email", login_count=0,
                 sex=1, address="", birthday=""):
        self.id = uid
        self.username = username
        self.pwd = pwd
        self.nick = nick
        self.tel = tel
        self.email = email
        self.primary = primary  # "email" or "tel": what the account was registered with
        self.login_count = login_count
        self.sex = sex
        self.address = address
        self.birthday = birthday
        self.email_verified = bool(email)
        self.token = None  # the current session's token

    def display_name(self):
        return self.nick or self.username

    def record(self):
        """The login reply's "Body": the user record the app keeps as its user information."""
        return {"ID": self.id, "UserName": self.username, "NickName": self.nick, "NiCheng": self.display_name(),
                "Tel": self.tel, "Email": self.email, "LoginCount": self.login_count, "Sex": self.sex,
                "Address": self.address, "Birthday": self.birthday, "Group": 0}

    def details(self):
        return {"NickName": self.nick, "Address": self.address, "Birthday": self.birthday, "Sex": self.sex,
                "Tel": self.tel, "Email": self.email}


class Store:
    def __init__(self, catalog, seed=20130710):
        self.catalog = catalog
        self.clock_offset = 0.0
        self.rng = random.Random(seed)
        self.users = {}
        self.next_user_id = 1
        self.sessions = {}  # token -> {"user": id, "replaced": bool}
        self.image_codes = {}  # guid -> code
        self.sms_codes = {}  # phone -> code
        self.sms_phone = {}  # code -> phone
        self.sms_requests = {}  # phone -> number of codes sent
        self.favourites = {}  # user id -> {AID: time}
        self.wrong = {}  # user id -> {AID: {"count": n, "last": time}}
        self.answers = {}  # user id -> {(AID, ChildTableID): right}
        self.notes = []  # {"id", "uid", "aid", "text", "time", "timetext"}
        self.next_note_id = 501
        self.suggestions = []  # {"id", "uid", "label", "content", "source", "kind"}
        self.next_suggestion_id = 1
        self.notices = [
            ["题库更新通知", "常识综合（样例）题库已更新至第3批：修订2道试题，新增2道试题。", "2013-07-10"],
            ["服务器维护", "服务器将于本周日凌晨2:00至4:00维护，届时暂停服务。", "2013-07-08"],
        ]
        self.avatars = {}  # user id -> JPEG bytes
        self.mail = []  # {"to", "subject", "link"}
        self.mail_tokens = {}  # token -> e-mail address
        self.reply_logs = []
        self.crash_logs = []
        self.feedback = []
        self.stats_documents = []
        self._seed()

    # --- clock ---

    def now(self):
        return time.time() + self.clock_offset

    def timetext(self, t=None, sep="-"):
        return time.strftime("%Y" + sep + "%m" + sep + "%d %H:%M:%S", time.localtime(self.now() if t is None else t))

    # --- seed data ---

    def _seed(self):
        u1 = self.add_user("user01", "secret1", nick="小明", tel="13800000001", email="user01@example.com",
                           primary="email", login_count=3, sex=1, address="北京 北京市", birthday="1990-01-01")
        self.add_user("demo", "demo123", nick="", tel="13800138000", email="demo@example.com", primary="tel",
                      login_count=0, sex=0, address="", birthday="")
        a = self.add_user("kaosheng", "kaosheng1", nick="考生A", tel="13900000003", email="a@example.com",
                          login_count=8)
        b = self.add_user("xueyuan", "xueyuan1", nick="学员B", tel="13900000004", email="b@example.com",
                          login_count=2)
        now = self.now()
        state = self.catalog.states.get("bank") or next(iter(self.catalog.states.values()))
        aids = state.good_aids()
        # Other users' favourites and wrong answers, so that the ranks are not empty.
        for i, aid in enumerate(aids[:12]):
            self.favourites.setdefault(a.id, {})[aid] = now - 3600 * (i + 1)
            if i % 2 == 0:
                self.favourites.setdefault(b.id, {})[aid] = now - 7200 * (i + 1)
        for i, aid in enumerate(aids[3:15]):
            self.wrong.setdefault(a.id, {})[aid] = {"count": 1 + i % 4, "last": now - 86400 * i}
            if i % 3 == 0:
                self.wrong.setdefault(b.id, {})[aid] = {"count": 2, "last": now - 86400 * (i + 1)}
        # Notes on the first question: twelve, so that they fill more than one page, and two replies.
        first = aids[0]
        for i in range(12):
            author = a if i % 2 == 0 else b
            self.add_note(author.id, first, "第%d条笔记：太平洋是面积最大的大洋。" % (12 - i), now - 600 * (12 - i))
        top = self.notes[-1]["id"]
        self.add_note(b.id, first, "ReplyID:%d|同意，补充：太平洋也是最深的大洋。" % top, now - 300)
        self.add_note(a.id, first, "ReplyID:%d|谢谢补充。" % self.notes[-1]["id"], now - 200)
        # A note of another user on the second question, its time written with "/" separators.
        self.add_note(a.id, aids[1], "新疆约占全国陆地面积的六分之一。", now - 5000, sep="/")
        # The seeded user's own note and one earlier error report.
        self.add_note(u1.id, aids[2], "这道题要记住。", now - 4000)
        self.suggestions.append({"id": self.next_suggestion_id, "uid": u1.id, "label": "答案有误;",
                                 "content": "AllTestId:%d/R/NBatchId:%d/R/N答案应该是C" % (first, state.max_batch),
                                 "source": self.catalog.key, "kind": "error"})
        self.next_suggestion_id += 1

    # --- users ---

    def add_user(self, username, pwd, **kw):
        u = User(self.next_user_id, username, pwd, **kw)
        self.users[u.id] = u
        self.next_user_id += 1
        return u

    def find_account(self, account):
        """A user by user name, e-mail address (any case) or phone number."""
        if not account:
            return None
        low = account.lower()
        for u in self.users.values():
            if u.username == account or (u.email and u.email.lower() == low) or (u.tel and u.tel == account):
                return u
        return None

    def taken(self, kind, text):
        low = text.lower()
        for u in self.users.values():
            if kind == "Email" and u.email and u.email.lower() == low:
                return True
            if kind == "Tel" and u.tel == text:
                return True
            if kind == "NickName" and u.nick == text:
                return True
            if kind == "UserName" and u.username.lower() == low:
                return True
        return False

    # --- sessions ---

    def login(self, user, current_token=None):
        """A new session for the user, replacing the one it had elsewhere. A login from a client that
        already holds this user's live session (the app's periodic re-login) keeps that session."""
        user.login_count += 1
        if current_token and self.sessions.get(current_token, {}).get("user") == user.id \
                and not self.sessions[current_token]["replaced"] and user.token == current_token:
            return current_token
        if user.token in self.sessions:
            self.sessions[user.token]["replaced"] = True
        token = secrets.token_hex(16)
        self.sessions[token] = {"user": user.id, "replaced": False}
        user.token = token
        return token

    def resolve(self, tokens, warn_once=True):
        """(user, login state) for the session tokens a request carried. A live session gives 1; a
        session replaced by a newer login of its user gives 2 on its next request, after which it is
        forgotten (with warn_once False: on every request); none gives 0."""
        replaced = None
        for t in tokens:
            s = self.sessions.get(t)
            if s is None:
                continue
            if not s["replaced"]:
                return self.users.get(s["user"]), 1
            replaced = t
        if replaced is not None:
            if warn_once:
                del self.sessions[replaced]
            return None, 2
        return None, 0

    # --- codes ---

    def new_image_code(self, fixed):
        guid = secrets.token_hex(16)
        code = "8888" if fixed else "".join(self.rng.choice("ABCDEFGHJKLMNPQRSTUVWXYZ23456789") for _ in range(4))
        self.image_codes[guid] = code
        return guid, code

    def send_sms(self, phone, fixed):
        code = "666666" if fixed else "%06d" % self.rng.randrange(1000000)
        old = self.sms_codes.get(phone)
        if old is not None:
            self.sms_phone.pop(old, None)
        self.sms_codes[phone] = code
        self.sms_phone[code] = phone
        self.sms_requests[phone] = self.sms_requests.get(phone, 0) + 1
        return code

    # --- mail ---

    def send_mail(self, to, subject, base_url):
        token = secrets.token_hex(12)
        self.mail_tokens[token] = to
        link = "%sVerifyEmail?token=%s" % (base_url, token)
        self.mail.append({"to": to, "subject": subject, "link": link})
        return link

    # --- notes ---

    def add_note(self, uid, aid, text, t=None, sep="-"):
        t = self.now() if t is None else t
        note = {"id": self.next_note_id, "uid": uid, "aid": aid, "text": text, "time": t,
                "timetext": self.timetext(t, sep)}
        self.next_note_id += 1
        self.notes.append(note)
        return note

    def note_item(self, note, state):
        u = self.users.get(note["uid"])
        return {"ID": note["id"], "UID": note["uid"], "UserName": u.display_name() if u else "",
                "UserNoteContent": note["text"], "NoteTime": note["timetext"], "AllTestID": note["aid"],
                "Caption": state.caption(note["aid"])}

    # --- answers ---

    def record_answer(self, uid, aid, child, right, t):
        self.answers.setdefault(uid, {})[(aid, child)] = right
        if not right:
            book = self.wrong.setdefault(uid, {})
            entry = book.setdefault(aid, {"count": 0, "last": t})
            entry["count"] += 1
            entry["last"] = t

    def age_class(self, t):
        """1 today, 2 within three days, 3 within a week, 4 older (calendar days)."""
        today = time.localtime(self.now())
        day = time.localtime(t)
        days = (time.mktime((today.tm_year, today.tm_mon, today.tm_mday, 12, 0, 0, 0, 0, -1))
                - time.mktime((day.tm_year, day.tm_mon, day.tm_mday, 12, 0, 0, 0, 0, -1))) / 86400.0
        days = round(days)
        if days <= 0:
            return 1
        if days <= 3:
            return 2
        if days <= 7:
            return 3
        return 4

    @staticmethod
    def count_class(count):
        """1 three times or more, 2 twice, 3 once."""
        return 1 if count >= 3 else (2 if count == 2 else 3)

    # --- seed data for the test hooks ---

    def seed(self, user, doc, state):
        """Replaces the user's favourites and/or wrong-answer book. "favourites" is a list of AIDs (newest
        first) or {"subject": id, "count": n}: the first n questions of that subject in AID order, newest
        first. "wrong" is a list of {"aid", "count" (default 1), "days_ago" (default 0)} or {"subject",
        "count", "errors", "days_ago"}: n questions of the subject, each with that many errors that many
        days ago (each later one a millisecond older). Returns the AIDs seeded, by kind."""
        now = self.now()
        out = {}

        def subject_aids(spec):
            subject, count = int(spec["subject"]), int(spec["count"])
            aids = [q["AID"] for q in state.questions if not q.get("Bad") and q["Subject"] == subject]
            if count > len(aids):
                raise ValueError("subject %d has only %d questions" % (subject, len(aids)))
            return aids[:count]

        if "favourites" in doc:
            spec = doc["favourites"]
            aids = subject_aids(spec) if isinstance(spec, dict) else [int(a) for a in spec]
            self.favourites[user.id] = {a: now - i * 0.001 for i, a in enumerate(aids)}
            out["favourites"] = aids
        if "wrong" in doc:
            spec = doc["wrong"]
            if isinstance(spec, dict):
                errors, days = int(spec.get("errors", 1)), float(spec.get("days_ago", 0))
                entries = [{"aid": a, "count": errors, "days_ago": days} for a in subject_aids(spec)]
            else:
                entries = list(spec)
            book = {}
            for i, e in enumerate(entries):
                book[int(e["aid"])] = {"count": int(e.get("count", 1)),
                                       "last": now - float(e.get("days_ago", 0)) * 86400 - i * 0.001}
            self.wrong[user.id] = book
            out["wrong"] = list(book)
        return out

    # --- snapshot for the test hooks ---

    def snapshot(self, user):
        uid = user.id
        return {
            "user": user.record(),
            "favourites": sorted(self.favourites.get(uid, {})),
            "wrong": {str(a): e["count"] for a, e in sorted(self.wrong.get(uid, {}).items())},
            "answers": [{"AID": a, "ChildTableID": c, "right": r}
                        for (a, c), r in sorted(self.answers.get(uid, {}).items(), key=lambda kv: (kv[0][0], str(kv[0][1])))],
            "notes": [{"ID": n["id"], "AID": n["aid"], "text": n["text"]} for n in self.notes if n["uid"] == uid],
            "suggestions": [[s["id"], s["label"], s["content"], s["source"]] for s in self.suggestions if s["uid"] == uid],
            "avatar_bytes": len(self.avatars.get(uid, b"")),
        }
