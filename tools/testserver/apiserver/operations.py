"""The operations of the three bases: main API ("/api/"), update centre ("/uc/api/") and verification
codes ("/vc/"). Each operation is a function (app, call, *path values) -> result; ROUTES maps method and
path pattern to it. Fixed path segments are compared without regard to case; "{}" takes one segment
(percent-decoded, possibly empty).

Results: `Env` (a main-base reply: "Body", "Message", "LoginState"), `Json` (any JSON document, for
the update centre and the verification-code service) or `Raw` (status, type, bytes).
"""

import html
import json
import urllib.parse

from catalog import TYPE_PREFIX
from store import EMAIL_RE, PHONE_RE, valid_password

NOTE_PAGE_SIZE = 10
SMS_LIMIT = 5
AGE_KEYS = ["当天", "三天内", "一周内", "更久的"]
COUNT_KEYS = ["错三次或以上", "错两次", "错一次"]
ERROR_LABELS = ["试题有错字;", "试题重复了;", "答案有误;", "其他;"]
NOT_LOGGED_IN = "请先登录"
LOGGED_IN_ELSEWHERE = "您的帐号已在其他设备登录，请重新登录"


class Env:
    def __init__(self, body, message="", extra=None, cookie=None, login_state=None):
        self.body = body
        self.message = message
        self.extra = extra or {}
        self.cookie = cookie
        self.login_state = login_state


class Json:
    def __init__(self, doc, status=200):
        self.doc = doc
        self.status = status


class Raw:
    def __init__(self, status, content_type, data, headers=()):
        self.status = status
        self.content_type = content_type
        self.data = data
        self.headers = list(headers)


class Call:
    """One request as the operations see it."""

    def __init__(self, method, base, segments, query, headers, body, user, login_state, tokens, port):
        self.method = method
        self.base = base
        self.segments = segments
        self.query = query
        self.headers = headers
        self.body = body
        self.user = user
        self.login_state = login_state
        self.tokens = tokens
        self.port = port

    def json(self):
        """The body as JSON, or None when it is empty or not JSON."""
        if not self.body:
            return None
        try:
            return json.loads(self.body.decode("utf-8"))
        except (UnicodeDecodeError, ValueError):
            return None

    def json_object(self):
        doc = self.json()
        return doc if isinstance(doc, dict) else None

    def origin(self):
        return "http://127.0.0.1:%d" % self.port


# --- small parsers ---

def to_int(value):
    """An integer from a JSON number or a decimal text; None otherwise."""
    if isinstance(value, bool):
        return None
    if isinstance(value, int):
        return value
    if isinstance(value, float) and value.is_integer():
        return int(value)
    if isinstance(value, str):
        text = value.strip()
        if text and (text.isdigit() or (text[0] == "-" and text[1:].isdigit())) and text.isascii():
            return int(text)
    return None


def parse_ids(text):
    """"5,7" -> [5, 7] without repeats (first occurrence kept); None when any part is not a number."""
    if not text:
        return None
    out = []
    for part in text.split(","):
        n = to_int(part)
        if n is None or n < 0:
            return None
        if n not in out:
            out.append(n)
    return out


def page_of(items, size_text, index_text):
    size, index = to_int(size_text), to_int(index_text)
    if size is None or index is None or not 1 <= size <= 100 or index < 1:
        return None
    return items[(index - 1) * size:index * size]


# --- question sets ---

def question_set(app, set_id, name, aids, user, test_type=1):
    """A `QuestionSetBody`: the ids grouped by type in the fixed type order, with the user's
    favourites of each group under the mixed-case key."""
    state = app.state()
    cat = app.catalog
    favs = set(app.store.favourites.get(user.id, {})) if user else set()
    sessions = []
    total = 0
    for t in cat.type_order:
        ids = [a for a in aids if a in state.by_aid and state.by_aid[a]["Type"] == t]
        if not ids:
            continue
        prefix = TYPE_PREFIX[t]
        style = cat.styles[t]
        score = sum(state.records(a) for a in ids)
        total += score
        fav = [str(a) for a in ids if a in favs]
        sessions.append({"Type": t, "StyleID": style["StyleID"], "Style": style["Style"],
                         "Description": style["Description"], "Score": score, "TestCount": len(ids),
                         prefix + "Testid": ",".join(str(a) for a in ids),
                         prefix + "Test": ",".join(fav) if fav else None})
    return {"ID": set_id, "Name": name, "Score": total, "TestType": test_type, "Sessions": sessions}


def wrong_bank(v, app):
    if v != app.catalog.value:
        return Env(None, "题库不存在")
    return None


# --- account area ---

def op_regist(app, call):
    b = call.json_object()
    if b is None:
        return Env(None, "请求格式不正确")
    st = app.store
    pwd = b.get("Password")
    email = str(b.get("Email") or "").strip()
    tel = str(b.get("Tel") or "").strip()
    nick = str(b.get("NickName") or "").strip()
    name = str(b.get("UserName") or "").strip()
    if not valid_password(pwd):
        return Env(False, "密码长度应为6到20个字符")
    if email:
        if not EMAIL_RE.match(email):
            return Env(False, "邮箱格式不正确")
        if st.taken("Email", email):
            return Env(False, "已被使用")
    elif tel:
        if not PHONE_RE.match(tel):
            return Env(False, "手机号码不正确")
        if st.taken("Tel", tel):
            return Env(False, "已被使用")
        code = str(b.get("LoginCheckCode") or "")
        if not code or st.sms_codes.get(tel) != code:
            return Env(False, "短信验证码不正确")
    else:
        return Env(False, "请填写邮箱或手机号码")
    username = name or email or tel
    if st.taken("UserName", username):
        return Env(False, "已被使用")
    if nick and st.taken("NickName", nick):
        return Env(False, "昵称已被使用")
    sex = to_int(b.get("Sex"))
    u = st.add_user(username, pwd, nick=nick, tel=tel, email=email, primary="email" if email else "tel",
                    login_count=0, sex=1 if sex is None else (1 if sex else 0),
                    address=str(b.get("Address") or ""), birthday=str(b.get("Birthday") or ""))
    if email:
        u.email_verified = False
        link = st.send_mail(email, "请验证您的邮箱", call.origin() + "/m/")
        app.say("mail to %s: %s" % (email, link))
    else:
        st.sms_phone.pop(st.sms_codes.pop(tel), None)
    return Env(True, "注册成功")


def op_login(app, call):
    b = call.json_object()
    if b is None:
        return Env(None, "请求格式不正确", login_state=0)
    account = str(b.get("UserName") or "").strip()
    pwd = b.get("Pwd")
    if not account or not pwd:
        return Env(None, "请输入用户名和密码", login_state=0)
    st = app.store
    u = st.find_account(account)
    if u is None:
        return Env(None, "用户名不存在", login_state=0)
    if u.pwd != pwd:
        return Env(None, "密码错误", login_state=0)
    token = st.login(u, next((t for t in call.tokens if t == u.token), None))
    return Env(u.record(), "登录成功", cookie=token, login_state=1)


def op_app_info(app, call, v):
    d, s = app.catalog.subject(v)
    if d is None:
        return Env(None, "题库不存在")
    return Env({"Name": d["Key"], "EName": d["Value"], "QuoteName": s["Key"], "QuoteEName": s["Value"],
                "Version": "1.0"})


def op_get_primary(app, call):
    return Env(True, call.user.primary)


def op_cancel_tel(app, call):
    u = call.user
    if not u.tel:
        return Env(False, "您还没有绑定手机号码", extra={"State": 1})
    u.tel = ""
    return Env(True, "手机解除绑定成功", extra={"State": 0})


def op_resend_email(app, call):
    b = call.json_object()
    email = str((b or {}).get("Email") or "").strip()
    if not EMAIL_RE.match(email):
        return Env(False, "邮箱格式不正确")
    u = app.store.find_account(email)
    if u is None or u.email.lower() != email.lower():
        return Env(False, "该邮箱尚未注册")
    link = app.store.send_mail(u.email, "请验证您的邮箱", call.origin() + "/m/")
    app.say("mail to %s: %s" % (u.email, link))
    return Env(True, "验证邮件已发送至%s，请查收" % u.email)


def op_modify_password(app, call):
    b = call.json_object()
    if b is None:
        return Env(False, "请求格式不正确")
    st = app.store
    code = str(b.get("Key") or "")
    phone = st.sms_phone.get(code)
    if phone is None:
        return Env(False, "验证码不正确")
    u = st.find_account(phone)
    if u is None or u.tel != phone:
        return Env(False, "该手机号码尚未注册")
    if not valid_password(b.get("Value")):
        return Env(False, "密码长度应为6到20个字符")
    u.pwd = b["Value"]
    st.sms_phone.pop(code, None)
    st.sms_codes.pop(phone, None)
    return Env(True, "密码修改成功")


def op_check_new_username(app, call, text, kind):
    kinds = {"email": "Email", "tel": "Tel", "nickname": "NickName"}
    kind = kinds.get(kind.lower())
    if kind is None:
        return Env(False, "类型不正确")
    text = text.strip()
    if kind == "Email" and not EMAIL_RE.match(text):
        return Env(False, "邮箱格式不正确")
    if kind == "Tel" and not PHONE_RE.match(text):
        return Env(False, "手机号码不正确")
    if kind == "NickName" and not 1 <= len(text) <= 20:
        return Env(False, "昵称长度应为1到20个字符")
    if app.store.taken(kind, text):
        return Env(False, {"Email": "该邮箱已被注册", "Tel": "该手机号码已被注册", "NickName": "该昵称已被使用"}[kind])
    return Env(True, "可以使用")


def op_check_sms_code(app, call, code):
    phone = app.store.sms_phone.get(code)
    if phone is None:
        return Env(False, "验证码不正确")
    return Env(True, phone)


def send_sms(app, phone):
    """None on success, else the refusal text."""
    st = app.store
    if st.sms_requests.get(phone, 0) >= SMS_LIMIT:
        return "请求次数过多，请稍后再试"
    code = st.send_sms(phone, app.scenario["fixed_codes"])
    app.say("SMS code for %s: %s" % (phone, code))
    return None


def op_apply_for_verification(app, call, tel):
    if not PHONE_RE.match(tel):
        return Env(False, "手机号码不正确")
    refusal = send_sms(app, tel)
    if refusal:
        return Env(False, refusal)
    return Env(True, "验证码已发送")


def op_user_suggestion(app, call):
    b = call.json_object()
    if b is None:
        return Env(False, "请求格式不正确")
    content = str(b.get("Content") or "").strip()
    if not content:
        return Env(False, "请填写反馈内容")
    st = app.store
    if (call.headers.get("Client-Type") or "") == "Entitled_Revised_Wrong":
        label = str(b.get("StarNum") or "")
        if label not in ERROR_LABELS:
            return Env(False, "请选择错误类型")
        u = call.user or st.find_account(str(b.get("UserName") or ""))
        if u is None:
            return Env(False, NOT_LOGGED_IN)
        st.suggestions.append({"id": st.next_suggestion_id, "uid": u.id, "label": label, "content": content,
                               "source": str(b.get("AppCName") or app.catalog.key), "kind": "error"})
        st.next_suggestion_id += 1
        return Env(True, "提交成功，感谢您的反馈！")
    st.feedback.append(b)
    return Env(True, "感谢您的反馈，我们会尽快处理！")


def op_find_password(app, call, account):
    st = app.store
    u = st.find_account(account.strip())
    if u is None:
        return Env(False, "该帐号不存在")
    if PHONE_RE.match(account.strip()):
        refusal = send_sms(app, u.tel)
        return Env(False, refusal) if refusal else Env(True, "验证码已发送至%s" % u.tel)
    if not u.email:
        return Env(False, "该帐号没有绑定邮箱，请使用手机找回密码")
    link = st.send_mail(u.email, "重设密码", call.origin() + "/m/")
    app.say("mail to %s: %s" % (u.email, link))
    return Env(True, "密码重置邮件已发送至%s，请查收" % u.email)


def op_get_personal_details(app, call):
    return Env(call.user.details())


def op_set_personal_details(app, call):
    b = call.json_object()
    allowed = ("Tel", "Email", "NickName", "Sex", "Address")
    if b is None or len(b) != 1 or next(iter(b)) not in allowed:
        return Env(False, "请求格式不正确：一次修改一项资料")
    key, value = next(iter(b.items()))
    u, st = call.user, app.store
    if key == "Sex":
        n = to_int(value) if not isinstance(value, bool) else int(value)
        if n not in (0, 1):
            return Env(False, "性别不正确")
        u.sex = n
    elif key == "Address":
        if not isinstance(value, str) or len(value) > 100:
            return Env(False, "地址不正确")
        u.address = value
    elif key == "NickName":
        if not isinstance(value, str) or not 1 <= len(value.strip()) <= 20:
            return Env(False, "昵称长度应为1到20个字符")
        if value != u.nick and st.taken("NickName", value):
            return Env(False, "该昵称已被使用")
        u.nick = value
    elif key == "Tel":
        if not isinstance(value, str) or not PHONE_RE.match(value):
            return Env(False, "手机号码不正确")
        if value != u.tel and st.taken("Tel", value):
            return Env(False, "该手机号码已被注册")
        u.tel = value
    elif key == "Email":
        if not isinstance(value, str) or not EMAIL_RE.match(value):
            return Env(False, "邮箱格式不正确")
        if value.lower() != u.email.lower() and st.taken("Email", value):
            return Env(False, "该邮箱已被注册")
        u.email = value
    return Env(True, "修改成功")


def op_reset_password(app, call, old, new):
    u = call.user
    if old != u.pwd:
        return Env(False, "原密码不正确")
    if not valid_password(new):
        return Env(False, "新密码长度应为6到20个字符")
    u.pwd = new
    return Env(True, "密码修改成功，请重新登录")


def op_get_suggestion(app, call):
    rows = [[s["id"], s["label"], s["content"], s["source"]]
            for s in reversed(app.store.suggestions) if s["uid"] == call.user.id]
    return Env(rows, "" if rows else "暂无反馈记录")


def op_remove_suggestion(app, call, v, sid):
    n = to_int(sid)
    st = app.store
    for s in st.suggestions:
        if s["id"] == n and s["uid"] == call.user.id:
            st.suggestions.remove(s)
            return Env(1, "删除成功")
    return Env(0, "删除失败")


def op_set_photo(app, call):
    if len(call.body) < 4 or call.body[:2] != b"\xff\xd8":
        return Env(False, "图片格式不正确")
    app.store.avatars[call.user.id] = bytes(call.body)
    return Env(True, "上传成功")


# --- system area ---

def op_quote(app, call):
    return Env([{"Key": s["Key"], "Value": s["Value"]} for s in app.catalog.series])


def op_search_subjects(app, call, text):
    text = text.strip()
    if not text:
        return Env([], "请输入关键字")
    low = text.lower()
    hits = [{"Key": d["Key"], "Value": d["Value"], "QuoteEName": s["Value"], "QuoteName": s["Key"]}
            for d, s in app.catalog.subjects()
            if text in d["Key"] or low in d["Value"].lower() or text in s["Key"]]
    return Env(hits, "" if hits else "没有找到相关科目")


def op_quote_product(app, call, name):
    s = app.catalog.series_named(name)
    if s is None:
        return Env([], "没有找到该系列")
    return Env(s["provinces"])


def op_statistics(app, call, v):
    bad = wrong_bank(v, app)
    if bad:
        return bad
    state = app.state()
    answers = app.store.answers.get(call.user.id, {})
    rows = []
    for leaf in state.leaves:
        done = [(k, r) for k, r in answers.items() if state.leaf_of(k[0]) == leaf["ID"] and state.good(k[0])]
        rows.append({"Name": leaf["Name"], "PastNum": len(done), "RightNum": sum(1 for _, r in done if r),
                     "TestNum": int(leaf.get("Total") or 0)})
    return Env(rows)


def op_announcement(app, call, version, v):
    notices = app.scenario.get("notices")
    if notices is None:
        notices = app.store.notices
    if app.catalog.subject(v)[0] is None:
        return Env([], "题库不存在")
    return Env(notices)


def op_log(app, call):
    b = call.json_object()
    if b is None:
        return Env(False, "请求格式不正确")
    app.store.crash_logs.append(b)
    return Env(True)


def op_app_version(app, call, arg):
    return Env({"Version": "1.0", "Url": "", "Log": ""})


def op_library_version(app, call, arg):
    return Env(float(app.state().max_batch))


# --- exam area ---

def op_chapter_test(app, call, v, chapter):
    bad = wrong_bank(v, app)
    if bad:
        return bad
    state = app.state()
    cid = to_int(chapter)
    aids = state.chapter_aids(cid, with_bad=app.scenario["bad_rows"]) if cid is not None else None
    if aids is None:
        return Env(None, "该章节不存在")
    if not aids:
        return Env(None, "该章节暂无试题")
    return Env(question_set(app, cid, state.nodes[cid]["Name"], aids, call.user))


def op_virtual_exam(app, call):
    b = call.json_object()
    if b is None or not isinstance(b.get("KeyWord"), list):
        return Env(None, "请求格式不正确")
    bad = wrong_bank(b.get("AppEName"), app)
    if bad:
        return bad
    state = app.state()
    sbjs = str(b.get("Sbjs") or "")
    subject_ids = parse_ids(sbjs) if sbjs else []
    if subject_ids is None:
        return Env(None, "科目不正确")
    pool = [a for s in subject_ids for a in state.subject_aids(s)]
    chosen = []
    for kw in b["KeyWord"]:
        if not isinstance(kw, dict):
            return Env(None, "请求格式不正确")
        style, count = to_int(kw.get("Key")), to_int(kw.get("Value"))
        t = app.catalog.style_by_id.get(style)
        if t is None or count is None or count < 0:
            return Env(None, "题型或题量不正确")
        of_type = [a for a in pool if state.by_aid[a]["Type"] == t]
        chosen += app.store.rng.sample(of_type, min(count, len(of_type)))
    body = question_set(app, 0, "模拟考试", sorted(chosen), call.user, test_type=3)
    return Env(body, "" if chosen else "所选科目和题型暂无试题")


def op_sbjs_style(app, call, v, ids):
    bad = wrong_bank(v, app)
    if bad:
        return bad
    subject_ids = parse_ids(ids)
    if subject_ids is None:
        return Env([], "科目不正确")
    state = app.state()
    pool = [a for s in subject_ids for a in state.subject_aids(s)]
    rows = []
    for t in app.catalog.type_order:
        n = sum(1 for a in pool if state.by_aid[a]["Type"] == t)
        if n:
            style = app.catalog.styles[t]
            rows.append({"StyleID": style["StyleID"], "Style1": style["Style"], "Style": style["Style"],
                         "TestCount": n})
    return Env(rows)


def op_replylog(app, call, v):
    bad = wrong_bank(v, app)
    if bad:
        return Env(False, "题库不存在")
    b = call.json_object()
    if b is None or not isinstance(b.get("ReplyLogArr"), list):
        return Env(False, "请求格式不正确")
    state = app.state()
    st = app.store
    t = st.now()
    taken = 0
    for e in b["ReplyLogArr"]:
        if not isinstance(e, dict):
            continue
        aid = to_int(e.get("AllTestID"))
        if aid is None or not state.good(aid):
            continue
        right = str(e.get("IsRight", "")).lower() == "true"
        child = e.get("ChildTableID")
        st.record_answer(call.user.id, aid, str(child) if child is not None else "", right, t)
        taken += 1
    st.reply_logs.append(b)
    return Env(True, "已记录%d题" % taken)


def op_find_test(app, call):
    b = call.json_object()
    if b is None:
        return Env(None, "请求格式不正确")
    bad = wrong_bank(b.get("AppEName"), app)
    if bad:
        return bad
    words = str(b.get("Word") or "").split()
    if not words:
        return Env(None, "请输入关键字")
    hits = app.state().search(words)
    page = page_of(hits, b.get("PageSize"), b.get("PageIndex"))
    if page is None:
        return Env(None, "页码不正确")
    return Env(question_set(app, 0, "试题查找", page, call.user), str(len(hits)))


def op_random_test(app, call, v, count):
    bad = wrong_bank(v, app)
    if bad:
        return bad
    n = to_int(count)
    if n is None or not 1 <= n <= 100:
        return Env(None, "题量不正确")
    good = app.state().good_aids()
    chosen = sorted(app.store.rng.sample(good, min(n, len(good))))
    return Env(question_set(app, 0, "随机测试", chosen, call.user))


def is_reply(text):
    return text[:8].lower() == "replyid:"


def reply_target(text):
    return to_int(text[8:].split("|", 1)[0])


def thread_root(notes_by_id, note):
    seen = set()
    while is_reply(note["text"]) and note["id"] not in seen:
        seen.add(note["id"])
        parent = notes_by_id.get(reply_target(note["text"]))
        if parent is None:
            return None
        note = parent
    return note


def newest_first(notes):
    return sorted(notes, key=lambda n: (-n["time"], -n["id"]))


def op_all_notes(app, call, ename, aid, page):
    bad = wrong_bank(ename, app)
    if bad:
        return bad
    a, p = to_int(aid), to_int(page)
    if a is None or p is None or p < 1:
        return Env(None, "参数不正确")
    st, state = app.store, app.state()
    notes = newest_first(n for n in st.notes if n["aid"] == a)
    chunk = notes[(p - 1) * NOTE_PAGE_SIZE:p * NOTE_PAGE_SIZE]
    return Env([st.note_item(n, state) for n in chunk])


def op_my_notes(app, call, ename, page):
    bad = wrong_bank(ename, app)
    if bad:
        return bad
    p = to_int(page)
    if p is None or p < 1:
        return Env(None, "参数不正确")
    st, state = app.store, app.state()
    own = newest_first(n for n in st.notes if n["uid"] == call.user.id and not is_reply(n["text"]))
    chunk = own[(p - 1) * NOTE_PAGE_SIZE:p * NOTE_PAGE_SIZE]
    ids = {n["id"] for n in chunk}
    by_id = {n["id"]: n for n in st.notes}
    replies = [n for n in st.notes if is_reply(n["text"]) and (thread_root(by_id, n) or {}).get("id") in ids]
    return Env([st.note_item(n, state) for n in chunk + sorted(replies, key=lambda n: n["id"])])


def op_my_note(app, call, ename, aid):
    bad = wrong_bank(ename, app)
    if bad:
        return bad
    a = to_int(aid)
    if a is None:
        return Env(None, "参数不正确")
    st, state = app.store, app.state()
    own = newest_first(n for n in st.notes if n["uid"] == call.user.id and n["aid"] == a and not is_reply(n["text"]))
    return Env([st.note_item(n, state) for n in own])


def op_set_note(app, call, ename, aid):
    bad = wrong_bank(ename, app)
    if bad:
        return Env(0, "题库不存在")
    doc = call.json()
    if not isinstance(doc, list) or not doc or not isinstance(doc[0], dict):
        return Env(0, "请求格式不正确")
    key = to_int(doc[0].get("Key"))
    text = str(doc[0].get("Value") or "").strip()
    a = to_int(aid)
    st, state = app.store, app.state()
    if key is None or key < 0:
        return Env(0, "请求格式不正确")
    if not text:
        return Env(0, "笔记内容不能为空")
    if is_reply(text) and not any(n["id"] == reply_target(text) for n in st.notes):
        return Env(0, "回复的笔记不存在")
    if key == 0:
        if a is None or not state.good(a):
            return Env(0, "试题不存在")
        return Env(st.add_note(call.user.id, a, text)["id"], "保存成功")
    note = next((n for n in st.notes if n["id"] == key), None)
    if note is None:
        return Env(0, "笔记不存在")
    if note["uid"] != call.user.id:
        return Env(0, "只能修改自己的笔记")
    # Editing keeps the note on its own question (the path may name the question shown last).
    note["text"] = text
    note["time"] = st.now()
    note["timetext"] = st.timetext(note["time"])
    return Env(note["id"], "保存成功")


def op_delete_note(app, call, nid, ename):
    bad = wrong_bank(ename, app)
    if bad:
        return Env(0, "题库不存在")
    n = to_int(nid)
    st = app.store
    note = next((x for x in st.notes if x["id"] == n), None)
    if note is None or note["uid"] != call.user.id:
        return Env(0, "删除失败")
    by_id = {x["id"]: x for x in st.notes}
    doomed = {note["id"]}
    for x in st.notes:
        if is_reply(x["text"]):
            root = x
            chain = set()
            while root is not None and is_reply(root["text"]) and root["id"] not in chain:
                chain.add(root["id"])
                root = by_id.get(reply_target(root["text"]))
                if root is not None and root["id"] in doomed:
                    doomed.add(x["id"])
                    break
    st.notes = [x for x in st.notes if x["id"] not in doomed]
    return Env(1, "删除成功")


def op_ft_by_aid(app, call, ename, aid):
    bad = wrong_bank(ename, app)
    if bad:
        return bad
    a = to_int(aid)
    state = app.state()
    if a is None or not state.good(a):
        return Env(None, "试题不存在")
    return Env(question_set(app, a, state.caption(a), [a], call.user))


def ranked(counts):
    return [a for a, _ in sorted(counts.items(), key=lambda kv: (-kv[1], kv[0]))][:100]


def op_error_rank(app, call, v):
    bad = wrong_bank(v, app)
    if bad:
        return bad
    state = app.state()
    counts = {}
    for book in app.store.wrong.values():
        for a, e in book.items():
            if state.good(a):
                counts[a] = counts.get(a, 0) + e["count"]
    aids = ranked(counts)
    return Env(question_set(app, 0, "错题排行", aids, call.user), "" if aids else "暂无数据")


def op_navigation(app, call, v):
    bad = wrong_bank(v, app)
    return bad or Env(app.state().chapters)


def op_test_info(app, call, v):
    bad = wrong_bank(v, app)
    return bad or Env(app.state().guide_index)


def op_test_info_content(app, call, v, title):
    bad = wrong_bank(v, app)
    if bad:
        return bad
    if "%" in title:  # the client escapes the title itself before the whole URL is escaped once more
        try:
            title = urllib.parse.unquote(title, errors="strict")
        except UnicodeDecodeError:
            return Env(None, "文章不存在")
    article = app.state().articles.get(title)
    if article is None:
        return Env(None, "文章不存在")
    return Env(article)


# --- wrong-answer book ---

def wrong_entries(app, call):
    state = app.state()
    book = app.store.wrong.get(call.user.id, {})
    return {a: e for a, e in book.items() if state.good(a)}


def by_last(entries):
    return [a for a, e in sorted(entries.items(), key=lambda kv: (-kv[1]["last"], kv[0]))]


def op_wrong_subjects(app, call, v):
    bad = wrong_bank(v, app)
    if bad:
        return bad
    state = app.state()
    entries = wrong_entries(app, call)
    rows = []
    for s in state.subjects:
        n = sum(1 for a in entries if state.by_aid[a]["Subject"] == s["ID"])
        if n:
            rows.append({"Sbjid": s["ID"], "Subject1": s["Name"], "TestNum": n})
    return Env(rows, "" if rows else "错题本是空的")


def op_wrong_by_time(app, call, v):
    bad = wrong_bank(v, app)
    if bad:
        return bad
    counts = [0] * 4
    for e in wrong_entries(app, call).values():
        counts[app.store.age_class(e["last"]) - 1] += 1
    return Env([{"Key": k, "Value": n} for k, n in zip(AGE_KEYS, counts)])


def op_wrong_by_count(app, call, v):
    bad = wrong_bank(v, app)
    if bad:
        return bad
    counts = [0] * 3
    for e in wrong_entries(app, call).values():
        counts[app.store.count_class(e["count"]) - 1] += 1
    return Env([{"Key": k, "Value": n} for k, n in zip(COUNT_KEYS, counts)])


def wrong_page(app, call, v, size, page, name, keep):
    bad = wrong_bank(v, app)
    if bad:
        return bad
    entries = wrong_entries(app, call)
    aids = [a for a in by_last(entries) if keep(a, entries[a])]
    chunk = page_of(aids, size, page)
    if chunk is None:
        return Env(None, "页码不正确")
    return Env(question_set(app, 0, name, chunk, call.user))


def op_wrong_by_subject_page(app, call, v, size, page, sbjid):
    state = app.state()
    s = to_int(sbjid)
    subject = state.subject_by_id.get(s)
    if subject is None:
        return Env(None, "科目不存在")
    return wrong_page(app, call, v, size, page, subject["Name"],
                      lambda a, e: state.by_aid[a]["Subject"] == s)


def op_wrong_by_time_page(app, call, v, size, page, symbol):
    n = to_int(symbol)
    name = AGE_KEYS[n - 1] if n in (1, 2, 3, 4) else "错题"
    return wrong_page(app, call, v, size, page, name, lambda a, e: app.store.age_class(e["last"]) == n)


def op_wrong_by_count_page(app, call, v, size, page, symbol):
    n = to_int(symbol)
    name = COUNT_KEYS[n - 1] if n in (1, 2, 3) else "错题"
    return wrong_page(app, call, v, size, page, name, lambda a, e: app.store.count_class(e["count"]) == n)


def op_wrong_remove(app, call, v, ids):
    bad = wrong_bank(v, app)
    if bad:
        return Env(False, "题库不存在")
    aids = parse_ids(ids)
    if aids is None:
        return Env(False, "试题编号不正确")
    book = app.store.wrong.get(call.user.id, {})
    for a in aids:
        book.pop(a, None)
    return Env(True, "操作成功")


# --- favourites ---

def favourite_entries(app, call):
    state = app.state()
    return {a: t for a, t in app.store.favourites.get(call.user.id, {}).items() if state.good(a)}


def op_favour_info(app, call, v):
    bad = wrong_bank(v, app)
    if bad:
        return bad
    state = app.state()
    favs = favourite_entries(app, call)
    rows = []
    for s in state.subjects:
        n = sum(1 for a in favs if state.by_aid[a]["Subject"] == s["ID"])
        if n:
            rows.append({"Sbjid": s["ID"], "Subject1": s["Name"], "TestNum": n})
    return Env(rows, "" if rows else "收藏夹是空的")


def op_favour_page(app, call, v, sbjid, size, page, order):
    bad = wrong_bank(v, app)
    if bad:
        return bad
    state = app.state()
    s = to_int(sbjid)
    subject = state.subject_by_id.get(s)
    if subject is None:
        return Env(None, "科目不存在")
    o = to_int(order)
    if o not in (0, 1):
        return Env(None, "排序方式不正确")
    favs = {a: t for a, t in favourite_entries(app, call).items() if state.by_aid[a]["Subject"] == s}
    aids = [a for a, t in sorted(favs.items(), key=lambda kv: (kv[1], kv[0]), reverse=(o == 0))]
    chunk = page_of(aids, size, page)
    if chunk is None:
        return Env(None, "页码不正确")
    return Env(question_set(app, s, subject["Name"], chunk, call.user))


def op_favour_cancel(app, call, v, ids):
    bad = wrong_bank(v, app)
    if bad:
        return Env(False, "题库不存在")
    aids = parse_ids(ids)
    if aids is None:
        return Env(False, "试题编号不正确")
    favs = app.store.favourites.get(call.user.id, {})
    for a in aids:
        favs.pop(a, None)
    return Env(True, "操作成功")


def op_favour_add(app, call):
    b = call.json_object()
    if b is None:
        return Env(None, "请求格式不正确")
    bad = wrong_bank(b.get("AppEName"), app)
    if bad:
        return bad
    a = to_int(b.get("AllTestID"))
    if a is None or not app.state().good(a):
        return Env(None, "试题不存在")
    favs = app.store.favourites.setdefault(call.user.id, {})
    if a in favs:
        return Env(False, "该题已在收藏夹中")
    favs[a] = app.store.now()
    return Env(False, "收藏成功")  # "Body" false means added


def op_favour_rank(app, call, v):
    bad = wrong_bank(v, app)
    if bad:
        return bad
    state = app.state()
    counts = {}
    for favs in app.store.favourites.values():
        for a in favs:
            if state.good(a):
                counts[a] = counts.get(a, 0) + 1
    aids = ranked(counts)
    return Env(question_set(app, 0, "收藏排行", aids, call.user), "" if aids else "暂无数据")


# --- verification-code base ---

def op_create_guid(app, call):
    guid, code = app.store.new_image_code(app.scenario["fixed_codes"])
    app.say("image code %s: %s" % (guid, code))
    return Json({"success": "true", "msg": "true", "guid": guid})


def op_code_image(app, call):
    guid = (call.query.get("guid") or [""])[0]
    code = app.store.image_codes.get(guid)
    if code is None:
        page = "<!DOCTYPE html><html><head><meta charset=\"utf-8\"></head><body>验证码已失效</body></html>"
        return Raw(404, "text/html; charset=utf-8", page.encode("utf-8"))
    page = ("<!DOCTYPE html><html><head><meta charset=\"utf-8\"><title>验证码</title></head>"
            "<body style=\"margin:0;background:#eef\"><div id=\"code\" style=\"font:bold 40px monospace;"
            "letter-spacing:8px;text-align:center;padding:6px\">%s</div></body></html>" % html.escape(code))
    return Raw(200, "text/html; charset=utf-8", page.encode("utf-8"))


def op_verify_code(app, call):
    q = {k: v[0] for k, v in call.query.items()}
    code = app.store.image_codes.pop(q.get("guidCode", ""), None)  # an image code serves one check
    if code is None:
        return Json({"Body": False, "msg": "验证码已失效，请刷新"})
    if q.get("verifyCode", "").lower() != code.lower():
        return Json({"Body": False, "msg": "验证码错误"})
    tel = q.get("Tel", "")
    if not PHONE_RE.match(tel):
        return Json({"Body": False, "msg": "手机号码不正确"})
    refusal = send_sms(app, tel)
    if refusal:
        return Json({"Body": False, "msg": refusal})
    return Json({"Body": True, "msg": "短信发送成功!", "Message": "短信发送成功!"})


# --- update centre ---

PACKET_IDS = {6: 1, 1: 2, 3: 3, 8: 4, 4: 5}
APP_PACKAGE_FILE = "Vardo_iphone_1.1.ipa"
APP_PACKAGE = b"VARDO TEST APPLICATION PACKAGE\n" * 256


def packet_entry(app, call, p, batch):
    return {"id": PACKET_IDS.get(p["packe_type"], 9), "app_ename": app.catalog.value, "client_type": 3,
            "packe_type": p["packe_type"], "packege_url": "%s/packets/%s" % (call.origin(), p["file"]),
            "max_batchid": p["max_batchid"], "alow_min_batchid": max(p.get("from_batchid", -1), -1),
            "alow_min_appversion": 1, "publish_time": "2013-7-10", "update_content": p["update_content"]}


def update_list(app, call, batch):
    cat = app.catalog
    mode = app.scenario["update"]
    full = cat.packet_of_type(6)
    packs = [p for p in cat.packets if p["packe_type"] != 6]
    lowest_from = min((p["from_batchid"] for p in packs), default=cat.latest_batch)
    chosen = []
    if mode == "none":
        return []
    if batch == -1 or mode == "first" or batch < lowest_from:
        chosen = [full]  # no bank, a re-download, or a bank too old for the packs: the whole bank
    elif batch < cat.latest_batch:
        kinds = {"auto": (1, 3), "type4": (1, 3), "cumulative": (1,), "image": (3,), "type8": (8,)}[mode]
        chosen = [p for k in kinds for p in packs if p["packe_type"] == k and p["from_batchid"] <= batch]
    out = [packet_entry(app, call, p, batch) for p in chosen if p]
    if mode == "type4":
        out.append(packet_entry(app, call, {"packe_type": 4, "file": APP_PACKAGE_FILE, "from_batchid": -1,
                                            "max_batchid": cat.latest_batch,
                                            "update_content": "新版本1.1：修正了若干问题"}, batch))
    return out


def op_query(app, call):
    b = call.json_object()
    if b is None:
        return Json({"status": 1, "message": "请求格式不正确", "update_list": []})
    batch = to_int(b.get("max_batchid"))
    version = to_int(b.get("app_version"))
    if batch is None or version is None or to_int(b.get("client_type")) is None \
            or not isinstance(b.get("app_ename"), str):
        return Json({"status": 1, "message": "请求参数不正确", "update_list": []})
    if b["app_ename"] != app.catalog.value:
        return Json({"status": 0, "message": "暂无可用的更新", "update_list": []})
    sc = app.scenario
    packets = update_list(app, call, batch)
    message = sc["message"] or ("发现新的题库内容" if packets else "暂无可用的更新" if batch == -1 else "已是最新版本")
    return Json({"status": sc["status"], "message": message, "update_list": packets})


# --- route table ---

MAIN, UC, VC = "main", "uc", "vc"

# (base, method, pattern, operation, needs a logged-in user)
ROUTES = [
    (MAIN, "POST", "1.0/json/User/regist", op_regist, False),
    (MAIN, "POST", "1.0/json/User/login", op_login, False),
    (MAIN, "GET", "1.0/json/user/AppInfo/{}", op_app_info, False),
    (MAIN, "GET", "1.0/json/user/SoftInfo/{}", op_app_info, False),
    (MAIN, "GET", "1.0/json/user/GetPrimary", op_get_primary, True),
    (MAIN, "GET", "1.0/json/user/CancelTel", op_cancel_tel, True),
    (MAIN, "POST", "1.0/json/user/ReSendEmail", op_resend_email, False),
    (MAIN, "POST", "1.0/json/user/MotifyPassword", op_modify_password, False),
    (MAIN, "GET", "1.0/json/user/CheckNewUsername/{}/{}", op_check_new_username, False),
    (MAIN, "GET", "1.0/json/sys/CheckSMSCode/{}", op_check_sms_code, False),
    (MAIN, "GET", "1.0/json/sys/ApplyForVerification/{}", op_apply_for_verification, False),
    (MAIN, "POST", "1.0/json/user/UserSuggestion", op_user_suggestion, False),
    (MAIN, "GET", "1.0/json/User/FindPassword/{}/a", op_find_password, False),
    (MAIN, "GET", "1.0/json/user/GetPersonalDetails", op_get_personal_details, True),
    (MAIN, "POST", "1.0/json/user/SetPersonalDetails", op_set_personal_details, True),
    (MAIN, "GET", "1.0/json/user/ResetPassWord/{}/{}", op_reset_password, True),
    (MAIN, "GET", "1.0/json/user/GetSuggestion", op_get_suggestion, True),
    (MAIN, "GET", "1.0/json/user/RemoveSuggestion/{}/{}", op_remove_suggestion, True),
    (MAIN, "POST", "1.0/json/user/SetPhoto", op_set_photo, True),
    (MAIN, "GET", "1.0/json/sys/Quote", op_quote, False),
    (MAIN, "GET", "1.0/json/sys/GetAppENameAndQuoteEName/{}", op_search_subjects, False),
    (MAIN, "GET", "1.0/json/sys/GetQuoteProductByCounts/{}", op_quote_product, False),
    (MAIN, "GET", "1.0/json/sys/Statistics/{}", op_statistics, True),
    (MAIN, "GET", "1.0/json/sys/GetAnnouncement/{}/{}", op_announcement, False),
    (MAIN, "POST", "1.0/json/sys/Log", op_log, False),
    (MAIN, "GET", "1.0/json/sys/GetAppVersion_IPhone/{}", op_app_version, False),
    (MAIN, "GET", "1.0/json/sys/GetTestLibraryVersion_Android/{}", op_library_version, False),
    (MAIN, "GET", "1.0/json/exam/{}/Chapter/Test/{}", op_chapter_test, False),
    (MAIN, "POST", "1.0/json/exam/VirtualExam", op_virtual_exam, True),
    (MAIN, "GET", "1.0/json/exam/SbjsStyle/{}/{}", op_sbjs_style, False),
    (MAIN, "POST", "1.0/json/exam/{}/replylog", op_replylog, True),
    (MAIN, "POST", "1.0/json/exam/findTest", op_find_test, False),
    (MAIN, "GET", "1.0/json/exam/GetRandomTest/{}/{}", op_random_test, False),
    (MAIN, "GET", "1.0/json/exam/GetAllNoteByAID/{}/{}/{}", op_all_notes, False),
    (MAIN, "GET", "1.0/json/exam/GetMyNotes/{}/{}", op_my_notes, True),
    (MAIN, "GET", "1.0/json/exam/GetMyNote/{}/{}", op_my_note, True),
    (MAIN, "POST", "1.0/json/exam/SetUserNoteByID/{}/{}", op_set_note, True),
    (MAIN, "GET", "1.0/json/exam/DeleteUserNote/{}/{}", op_delete_note, True),
    (MAIN, "GET", "1.0/json/exam/FTbyAID/{}/{}", op_ft_by_aid, False),
    (MAIN, "GET", "1.0/json/exam/GetErrorTestRank/{}", op_error_rank, False),
    (MAIN, "GET", "1.0/json/exam/{}/Navigation", op_navigation, False),
    (MAIN, "GET", "1.0/json/exam/{}/GetTestInfo", op_test_info, False),
    (MAIN, "GET", "1.0/json/exam/{}/GetTestInfoContent/{}", op_test_info_content, False),
    (MAIN, "GET", "1.0/json/exam/errortest/subjectinfolist/{}", op_wrong_subjects, True),
    (MAIN, "GET", "1.0/json/exam/errortest/GetListToTime/{}", op_wrong_by_time, True),
    (MAIN, "GET", "1.0/json/exam/errortest/GetListToErrorCount/{}", op_wrong_by_count, True),
    (MAIN, "GET", "1.0/json/exam/errortest/TestToSbjIds/{}/{}/{}/{}", op_wrong_by_subject_page, True),
    (MAIN, "GET", "1.0/json/exam/errortest/TestToTime/{}/{}/{}/{}", op_wrong_by_time_page, True),
    (MAIN, "GET", "1.0/json/exam/errortest/TestToErrorCount/{}/{}/{}/{}", op_wrong_by_count_page, True),
    (MAIN, "GET", "1.0/json/exam/errortest/RemoveToAllTestIDs/{}/{}", op_wrong_remove, True),
    (MAIN, "GET", "1.0/json/favour/FavourInfo/{}", op_favour_info, True),
    (MAIN, "GET", "1.0/json/favour/gettest/{}/{}/{}/{}/{}", op_favour_page, True),
    (MAIN, "GET", "1.0/json/favour/CancelToFavIDs/{}/{}", op_favour_cancel, True),
    (MAIN, "POST", "1.0/json/favour/addfavour", op_favour_add, True),
    (MAIN, "GET", "1.0/json/favour/GetFavourRank/{}", op_favour_rank, False),
    (VC, "GET", "VerificationCode/CreateGuid", op_create_guid, False),
    (VC, "GET", "VerificationCode/CreateVerificationCode/", op_code_image, False),
    (VC, "GET", "Verify/VerifyCode", op_verify_code, False),
    (UC, "POST", "1.0/json/query", op_query, False),
]

_COMPILED = [(base, method, pattern.split("/"), fn, login, pattern) for base, method, pattern, fn, login in ROUTES]


def match(base, segments):
    """[(method, fn, login, pattern, values)] of the routes whose pattern fits the segments."""
    out = []
    for rbase, method, parts, fn, login, pattern in _COMPILED:
        if rbase != base:
            continue
        segs = segments
        # A trailing "/" is optional where the pattern ends with one ("CreateVerificationCode/").
        if parts[-1] == "" and len(segs) == len(parts) - 1:
            segs = segs + [""]
        if len(segs) != len(parts):
            continue
        values = []
        for p, s in zip(parts, segs):
            if p == "{}":
                values.append(s)
            elif p.lower() != s.lower():
                break
        else:
            out.append((method, fn, login, pattern, values))
    # The most specific pattern first: "exam/GetErrorTestRank/{}" before "exam/{}/Navigation".
    out.sort(key=lambda r: -sum(1 for p in r[3].split("/") if p != "{}"))
    return out
