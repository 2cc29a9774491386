"""Builds the sample question bank GKSample and everything around it (see README.md)."""

import hashlib
import json
import os
import sqlite3
import tempfile
import uuid
import zlib

import content as C
import golden
import reader
from codec import FIXED_KEY_OTHER, FIXED_KEY_VERSION3, b64encode, decipher, encipher
from pngimg import make_png
from zipwrite import DEFLATED, STORED, zip_bytes

V = C.BANK
DB_NAME = "%s.db" % V
IMG_PACK = "ImgDir_%s.zip" % V
BANK_ZIP = "%s.zip" % V
UP_PACK = "%s_up_2_3.db" % V
UP_IMG_ZIP = "%s_img_3.zip" % V
UP_DBIMG_ZIP = "%s_dbimg_3.zip" % V
GOLDEN = "%s.golden.txt" % V
MANIFEST = "%s.manifest.json" % V
IMG_DIR = os.path.join("tk_img", "imgdir_%s" % V)
EDGE_DIR = "edge"
EDGE_NO_DBVERSION = "%s_up_nodbversion.db" % V
EDGE_NO_OTHERCONTENT = "%s_up_noothercontent.db" % V

# Every file the generator writes, relative to the output folder.
OUTPUTS = [DB_NAME, IMG_PACK, BANK_ZIP, UP_PACK, UP_IMG_ZIP, UP_DBIMG_ZIP, GOLDEN, MANIFEST,
           os.path.join(EDGE_DIR, EDGE_NO_DBVERSION), os.path.join(EDGE_DIR, EDGE_NO_OTHERCONTENT)] + [
    os.path.join(IMG_DIR, name) for name, *_ in C.IMAGES]

# Stored rows cycle through these key rules, unless a question names its own.
RULE_CYCLE = ["pid-null", "pid-0", "pid-1", "pid-2"]
RULES = {  # rule -> (PID, batch whose key enciphers, prefix, Base64 line-wrapped)
    "pid-null": (None, 1, False, False),
    "pid-null-wrapped": (None, 1, False, True),
    "pid-0": (0, 1, True, False),
    "pid-1": (1, 1, True, False),
    "pid-2": (2, 2, True, False),
    "pid-2-noprefix": (2, 2, False, False),
}

BANK_SCHEMA = """
CREATE TABLE DBVersion (ID INTEGER PRIMARY KEY, Version REAL, Time TEXT, BatchID INTEGER);
CREATE TABLE Test (AID INTEGER PRIMARY KEY, GUID TEXT, Type TEXT, ID INTEGER, PID INTEGER, TestContent TEXT);
CREATE TABLE OtherContent (ID INTEGER, Type TEXT, TID INTEGER, KeyWord TEXT, Content TEXT);
"""
PACK_SCHEMA = """
CREATE TABLE DBVersion (ID INTEGER PRIMARY KEY, Version REAL, Time TEXT, BatchID INTEGER);
CREATE TABLE Test (AID INTEGER, GUID TEXT, Type TEXT, ID INTEGER, BatchID INTEGER, TestContent TEXT);
CREATE TABLE Test_Delete (AID INTEGER);
CREATE TABLE OtherContent (ID INTEGER, Type TEXT, TID INTEGER, KeyWord TEXT, Content TEXT);
"""


# ---------------------------------------------------------------------------------------------------
# Question JSON


def _items(options):
    return [{"Name": n, "Text": t} for n, t in options]


def question_json(q, row_id, sort_id, sub_ids):
    """The JSON object of one question row, with exactly the keys the application reads, in order."""
    t = q["Type"]
    if t in ("ATEST", "XTEST", "PDTEST"):
        return {"AID": q["AID"], "ID": row_id, "Title": q["Title"], "Answer": q["Answer"], "Explain": q["Explain"],
                "ItemNum": len(q["Options"]), "Items": _items(q["Options"]), "SortID": sort_id}
    if t in ("JDTEST", "TKTEST"):
        return {"AID": q["AID"], "ID": row_id, "Title": q["Title"], "Answer": q["Answer"], "Explain": q["Explain"],
                "SortID": sort_id}
    if t == "A3TEST":
        subs = [{"A3TestID": row_id, "ID": sub_ids[i], "Title": title, "Answer": answer, "Explain": explain,
                 "ItemNum": len(options), "Items": _items(options), "SortID": i + 1}
                for i, (title, options, answer, explain) in enumerate(q["Subs"])]
        return {"AID": q["AID"], "ID": row_id, "FrontTitle": q["FrontTitle"], "Items": subs, "SortID": sort_id}
    if t == "BTEST":
        subs = [{"BTestID": row_id, "ID": sub_ids[i], "Title": title, "Answer": answer, "Explain": explain,
                 "SortID": i + 1}
                for i, (title, answer, explain) in enumerate(q["Subs"])]
        return {"AID": q["AID"], "ID": row_id, "FrontTitle": q["FrontTitle"], "ItemNum": len(q["Options"]),
                "ChoiseItems": _items(q["Options"]), "Items": subs, "SortID": sort_id}
    raise ValueError("unknown type %r" % t)


def records_of(q):
    return len(q["Subs"]) if q["Type"] in ("A3TEST", "BTEST") else 1


def guid_of(aid):
    return str(uuid.UUID(bytes=hashlib.md5(("%s-question-%d" % (V, aid)).encode()).digest())).upper()


def prefix_of(aid, salt):
    return hashlib.md5(("%s-prefix-%d-%s" % (V, aid, salt)).encode()).hexdigest()[:5]


class Ids:
    """Per-type row-id counters (and sub-question counters for case types)."""

    def __init__(self):
        self.next = dict(C.ID_BASE)
        self.next_sub = dict(C.SUB_ID_BASE)

    def take(self, q):
        row_id = self.next[q["Type"]]
        self.next[q["Type"]] += 1
        subs = []
        if q["Type"] in self.next_sub:
            for _ in q["Subs"]:
                subs.append(self.next_sub[q["Type"]])
                self.next_sub[q["Type"]] += 1
        return row_id, subs


# ---------------------------------------------------------------------------------------------------
# Rows


def batch_time(batch):
    b = C.BATCHES[batch]
    fixed = FIXED_KEY_VERSION3 if int(b["Version"]) == 3 else FIXED_KEY_OTHER
    text, _ = encipher(b["Key"].encode("utf-8"), fixed)
    return b["TimePrefix"] + text, fixed


def make_row(q, chapter, row_id, sort_id, sub_ids, rule, pid=None, key_batch=None):
    """A stored row of table Test plus what the golden file says about it."""
    obj = question_json(q, row_id, sort_id, sub_ids)
    escaped = q.get("json") == "escaped"
    plain = json.dumps(obj, ensure_ascii=escaped, separators=(",", ":"))
    if "'" in plain:
        raise ValueError("question %d holds a single quote" % q["AID"])
    if rule in RULES:
        pid, key_batch, prefixed, wrapped = RULES[rule]
    else:  # pack-max / pack-own: PID and key batch given by the caller
        prefixed, wrapped = True, False
    key = C.BATCHES[key_batch]["Key"]
    text, pad = encipher(plain.encode("utf-8"), key)
    if wrapped:
        text = "\r\n".join(text[i:i + 64] for i in range(0, len(text), 64))
    if prefixed:
        text = prefix_of(q["AID"], rule) + text
    if rule == "pid-2-noprefix" and decipher(text[5:], key) is not None:
        raise AssertionError("row %d: dropping 5 characters must fail to decipher" % q["AID"])
    return dict(AID=q["AID"], GUID=guid_of(q["AID"]), Type=q["Type"], ID=row_id, PID=pid, TestContent=text,
                Chapter=chapter, status="ok", Records=records_of(q), Cipher=rule, Key=key,
                JSON="escaped" if escaped else "utf8", Pad=pad, obj=obj, question=q)


def bad_row(b, row_id):
    aid = b["AID"]
    if b["Reason"] == "cipher":
        junk = hashlib.md5(("%s-junk-%d" % (V, aid)).encode()).digest()[:13]
        text = prefix_of(aid, "bad") + b64encode(junk)
    elif b["Reason"] == "json":
        enc, _ = encipher(b["Plain"].encode("utf-8"), C.BATCHES[b["PID"]]["Key"])
        text = prefix_of(aid, "bad") + enc
    elif b["Reason"] == "nokey":
        q = C.choice(aid, "ATEST", "这道题的批次没有密钥，读取时应被跳过。", C.opts("甲", "乙", "丙", "丁"), "A", "")
        enc, _ = encipher(json.dumps(question_json(q, row_id, 1, []), ensure_ascii=False,
                                     separators=(",", ":")).encode("utf-8"), C.BATCHES[1]["Key"])
        text = prefix_of(aid, "bad") + enc
    elif b["Reason"] == "short":
        text = b["Content"]
    else:
        raise ValueError(b["Reason"])
    return dict(AID=aid, GUID=guid_of(aid), Type=b["Type"], ID=row_id, PID=b["PID"], TestContent=text,
                Chapter=C.BAD_CHAPTER, status="bad", Reason=b["Reason"])


def bank_rows():
    """The Test rows of the shipped bank (AID ascending) and the id counters after them."""
    ids = Ids()
    rows = []
    index = 0
    for chapter, questions in C.CHAPTER_QUESTIONS.items():
        for sort_id, q in enumerate(questions, 1):
            row_id, subs = ids.take(q)
            rule = q.get("cipher") or RULE_CYCLE[index % len(RULE_CYCLE)]
            index += 1
            rows.append(make_row(q, chapter, row_id, sort_id, subs, rule))
    for n, b in enumerate(C.BAD_ROWS):
        rows.append(bad_row(b, 901 + n))
    rows.sort(key=lambda r: r["AID"])
    return rows, ids


def update_rows(bank, ids):
    """(pack Test rows, the bank's rows after the merge)."""
    by_aid = {r["AID"]: r for r in bank}
    pack_max = max(C.PACK_BATCHES)
    pack = []
    after = {aid: r for aid, r in by_aid.items() if aid not in C.UPDATE_DELETED}
    for own_batch, q in C.UPDATE_CHANGED:
        old = by_aid[q["AID"]]
        sub_ids = [s["ID"] for s in old["obj"].get("Items", [])] if q["Type"] in ("A3TEST", "BTEST") else []
        row = make_row(q, old["Chapter"], old["ID"], old["obj"]["SortID"], sub_ids, "pack-max", pid=pack_max,
                       key_batch=pack_max)
        pack.append(dict(row, BatchID=own_batch))
        after[q["AID"]] = row
    for own_batch, chapter, q in C.UPDATE_ADDED:
        row_id, subs = ids.take(q)
        sort_id = len(C.CHAPTER_QUESTIONS[chapter]) + 1
        row = make_row(q, chapter, row_id, sort_id, subs, "pack-own", pid=own_batch, key_batch=own_batch)
        pack.append(dict(row, BatchID=own_batch))
        after[q["AID"]] = row
    return pack, [after[aid] for aid in sorted(after)]


# ---------------------------------------------------------------------------------------------------
# Chapter tree and exam guide


def chapter_tree(rows, tree=None):
    totals = {}
    for r in rows:
        if r["status"] == "ok":
            totals[r["Chapter"]] = totals.get(r["Chapter"], 0) + r["Records"]

    def node(entry):
        if len(entry) == 2:
            cid, name = entry
            return {"ID": cid, "Name": name, "Total": totals.get(cid, 0), "Childs": None}
        cid, name, children = entry
        kids = [node(c) for c in children]
        return {"ID": cid, "Name": name, "Total": sum(k["Total"] for k in kids), "Childs": kids}

    return {"Body": [node(e) for e in (C.TREE if tree is None else tree)], "Message": ""}


def guide_index(guide):
    return {"Body": [{"InfoID": i, "Title": t} for i, t, _ in guide], "Message": ""}


def other_content_rows(rows, guide, tree=None):
    dump = lambda o: json.dumps(o, ensure_ascii=False, separators=(",", ":"))
    out = [(1, "Chapter", 0, "ChapterList", dump(chapter_tree(rows, tree))),
           (2, "TestInfo", 0, "TestInfoList", dump(guide_index(guide)))]
    n = 3
    for _, title, body in guide:
        if body is not None:
            if title in ("ChapterList", "TestInfoList"):
                raise ValueError("article title clashes with a list key word")
            out.append((n, "TestInfoContent", 0, title, dump({"Body": body, "Message": ""})))
            n += 1
    return out


# ---------------------------------------------------------------------------------------------------
# Files


def _write_atomic(path, data):
    os.makedirs(os.path.dirname(path), exist_ok=True)
    fd, tmp = tempfile.mkstemp(dir=os.path.dirname(path), prefix=".tmp-")
    with os.fdopen(fd, "wb") as f:
        f.write(data)
    os.chmod(tmp, 0o644)
    os.replace(tmp, path)


def _sqlite_bytes(schema, fill):
    """Builds a database in a temporary file and returns its bytes."""
    with tempfile.TemporaryDirectory() as d:
        path = os.path.join(d, "build.db")
        conn = sqlite3.connect(path, isolation_level=None)
        conn.execute("PRAGMA page_size=4096")
        conn.execute("PRAGMA journal_mode=DELETE")
        conn.executescript(schema)
        conn.execute("BEGIN")
        fill(conn)
        conn.execute("COMMIT")
        conn.close()
        with open(path, "rb") as f:
            return f.read()


def _insert_versions(conn, batch_ids):
    for b in batch_ids:
        time, _ = batch_time(b)
        conn.execute("INSERT INTO DBVersion(ID,Version,Time,BatchID) VALUES(?,?,?,?)",
                     (C.BATCHES[b]["ID"], C.BATCHES[b]["Version"], time, b))


def _insert_others(conn, others):
    conn.executemany("INSERT INTO OtherContent(ID,Type,TID,KeyWord,Content) VALUES(?,?,?,?,?)", others)


def bank_db(rows):
    def fill(conn):
        _insert_versions(conn, C.BANK_BATCHES)
        for r in rows:
            conn.execute("INSERT INTO Test(AID,GUID,Type,ID,PID,TestContent) VALUES(?,?,?,?,?,?)",
                         (r["AID"], r["GUID"], r["Type"], r["ID"], r["PID"], r["TestContent"]))
        _insert_others(conn, other_content_rows(rows, C.GUIDE))

    return _sqlite_bytes(BANK_SCHEMA, fill)


def pack_db(pack, after, versions=True, others=True):
    def fill(conn):
        if versions:
            _insert_versions(conn, C.PACK_BATCHES)
        for r in pack:
            conn.execute("INSERT INTO Test(AID,GUID,Type,ID,BatchID,TestContent) VALUES(?,?,?,?,?,?)",
                         (r["AID"], r["GUID"], r["Type"], r["ID"], r["BatchID"], r["TestContent"]))
        conn.executemany("INSERT INTO Test_Delete(AID) VALUES(?)", [(a,) for a in C.UPDATE_DELETED])
        if others:
            _insert_others(conn, other_content_rows(after, C.GUIDE_UPDATED))

    return _sqlite_bytes(PACK_SCHEMA, fill)


def name_bytes(name):
    return name.encode("gb18030")


def _zip(entries):
    """entries: (name, data); sorted by name; images and zips stored, everything else deflated."""
    ordered = sorted(entries, key=lambda e: name_bytes(e[0]))
    return zip_bytes([(name_bytes(n), d, STORED if n.lower().endswith((".png", ".zip")) else DEFLATED)
                      for n, d in ordered])


def images():
    return {name: make_png(w, h, colour) for name, w, h, colour in C.IMAGES}


# ---------------------------------------------------------------------------------------------------
# Golden file and manifest


def _golden_state(set_name, path_rows, batch_ids, guide, tree):
    out = []
    max_batch = max(batch_ids)
    out.append([("kind", "version"), ("set", set_name), ("MaxBatchID", max_batch), ("DBVersion", float(max_batch))])
    for b in sorted(batch_ids):
        info = C.BATCHES[b]
        _, fixed = batch_time(b)
        out.append([("kind", "batch"), ("set", set_name), ("ID", info["ID"]),
                    ("Version", info["Version"]), ("BatchID", b), ("TimePrefix", info["TimePrefix"]),
                    ("FixedKey", fixed), ("ContentKey", info["Key"])])
    for r in path_rows:
        head = [("kind", "test"), ("set", set_name), ("AID", r["AID"]), ("Type", r["Type"]), ("ID", r["ID"]),
                ("PID", r["PID"]), ("Chapter", r["Chapter"]), ("Status", r["status"])]
        if r["status"] == "ok":
            head += [("Records", r["Records"]), ("Cipher", r["Cipher"]), ("Key", r["Key"]), ("JSON", r["JSON"]),
                     ("Pad", r["Pad"])] + golden.flatten(r["obj"])
        else:
            head += [("Reason", r["Reason"])]
        out.append(head)

    def walk(nodes, parent, level):
        for n in nodes:
            out.append([("kind", "chapter"), ("set", set_name), ("ID", n["ID"]), ("Name", n["Name"]),
                        ("Total", n["Total"]), ("Parent", parent), ("Level", level),
                        ("Leaf", "yes" if n["Childs"] is None else "no")])
            if n["Childs"] is not None:
                walk(n["Childs"], n["ID"], level + 1)

    walk(tree["Body"], 0, 1)
    for info_id, title, body in guide:
        out.append([("kind", "guide"), ("set", set_name), ("InfoID", info_id), ("Title", title),
                    ("Article", "yes" if body is not None else "no")])
    for _, title, body in guide:
        if body is not None:
            out.append([("kind", "article"), ("set", set_name), ("KeyWord", title), ("Body", body)])
    return out


def _golden_files(zips, imgs):
    out = []
    for zip_name, entries in zips:
        for name, data in sorted(entries, key=lambda e: name_bytes(e[0])):
            method = "stored" if name.lower().endswith((".png", ".zip")) else "deflated"
            out.append([("kind", "zipentry"), ("set", "files"), ("zip", zip_name), ("name", name),
                        ("nameHex", name_bytes(name).hex()), ("method", method), ("size", len(data)),
                        ("crc32", "%08x" % (zlib.crc32(data) & 0xFFFFFFFF))])
    where = {n: "bank-pack" for n in C.BANK_IMAGES}
    where.update({n: "update-pack" for n in C.UPDATE_IMAGES})
    where.update({n: "server-only" for n in C.SERVER_ONLY_IMAGES})
    for name, w, h, _ in C.IMAGES:
        out.append([("kind", "image"), ("set", "files"), ("name", name), ("width", w), ("height", h),
                    ("where", where[name])])
    return out


def subjects_of_chapters(tree=None):
    """Chapter id -> the id of its subject (its level-2 ancestor; a subject is its own)."""
    out = {}

    def walk(entry, subject, level):
        cid = entry[0]
        if level == 2:
            subject = cid
        if subject is not None:
            out[cid] = subject
        for child in (entry[2] if len(entry) == 3 else []):
            walk(child, subject, level + 1)

    for top in (C.TREE if tree is None else tree):
        walk(top, None, 1)
    return out


def _manifest(bank, after):
    subject_of = subjects_of_chapters()

    def questions(rows):
        out = []
        for r in rows:
            subject = subject_of[r["Chapter"]]
            q = dict(AID=r["AID"], Type=r["Type"], Chapter=r["Chapter"], Subject=subject, Bad=r["status"] != "ok")
            if r["status"] == "ok":
                q["Records"] = r["Records"]
                q["Title"] = r["obj"].get("FrontTitle") or r["obj"]["Title"]
                q["Content"] = r["obj"]
            out.append(q)
        return out

    styles = {t: {"StyleID": s[0], "Style": s[1], "Description": s[2]} for t, s in C.STYLES.items()}
    packets = [
        dict(packe_type=6, file=BANK_ZIP, from_batchid=-1, max_batchid=max(C.BANK_BATCHES),
             update_content=C.UPDATE_CONTENT[6]),
        dict(packe_type=1, file=UP_PACK, from_batchid=max(C.BANK_BATCHES), max_batchid=max(C.PACK_BATCHES),
             update_content=C.UPDATE_CONTENT[1]),
        dict(packe_type=3, file=UP_IMG_ZIP, from_batchid=max(C.BANK_BATCHES), max_batchid=max(C.PACK_BATCHES),
             update_content=C.UPDATE_CONTENT[3]),
        dict(packe_type=8, file=UP_DBIMG_ZIP, from_batchid=max(C.BANK_BATCHES), max_batchid=max(C.PACK_BATCHES),
             update_content=C.UPDATE_CONTENT[8]),
    ]
    return {
        "Value": V, "Key": C.BANK_DISPLAY, "TypeOrder": C.TYPE_ORDER, "Styles": styles,
        "States": {
            "bank": {"MaxBatchID": max(C.BANK_BATCHES), "Chapters": chapter_tree(bank)["Body"],
                     "Questions": questions(bank)},
            "updated": {"MaxBatchID": max(C.PACK_BATCHES), "Chapters": chapter_tree(after)["Body"],
                        "Questions": questions(after)},
        },
        "Packets": packets,
        "Images": {"Dir": IMG_DIR.replace(os.sep, "/"), "ServerOnly": C.SERVER_ONLY_IMAGES},
    }


# ---------------------------------------------------------------------------------------------------


def build(out_dir):
    """Writes every output file into out_dir. Returns the list of written paths."""
    bank, ids = bank_rows()
    pack, after = update_rows(bank, ids)
    imgs = images()

    files = {}
    files[DB_NAME] = bank_db(bank)
    img_pack_entries = [(n, imgs[n]) for n in C.BANK_IMAGES]
    files[IMG_PACK] = _zip(img_pack_entries)
    bank_zip_entries = [(DB_NAME, files[DB_NAME]), (IMG_PACK, files[IMG_PACK])]
    files[BANK_ZIP] = _zip(bank_zip_entries)
    files[UP_PACK] = pack_db(pack, after)
    up_img_entries = [(n, imgs[n]) for n in C.UPDATE_IMAGES]
    files[UP_IMG_ZIP] = _zip(up_img_entries)
    dbimg_entries = [(UP_PACK, files[UP_PACK]), (UP_IMG_ZIP, files[UP_IMG_ZIP])]
    files[UP_DBIMG_ZIP] = _zip(dbimg_entries)
    files[os.path.join(EDGE_DIR, EDGE_NO_DBVERSION)] = pack_db(pack, after, versions=False)
    files[os.path.join(EDGE_DIR, EDGE_NO_OTHERCONTENT)] = pack_db(pack, after, others=False)
    for name, data in imgs.items():
        files[os.path.join(IMG_DIR, name)] = data

    records = _golden_state("bank", bank, C.BANK_BATCHES, C.GUIDE, chapter_tree(bank))
    records += _golden_state("updated", after, C.BANK_BATCHES + C.PACK_BATCHES, C.GUIDE_UPDATED, chapter_tree(after))
    records += _golden_files([(IMG_PACK, img_pack_entries), (BANK_ZIP, bank_zip_entries),
                              (UP_IMG_ZIP, up_img_entries), (UP_DBIMG_ZIP, dbimg_entries)], imgs)
    files[GOLDEN] = (golden.HEADER + "".join(golden.format_record(r) + "\n" for r in records)).encode("utf-8")
    files[MANIFEST] = (json.dumps(_manifest(bank, after), ensure_ascii=False, indent=1) + "\n").encode("utf-8")

    if sorted(files) != sorted(OUTPUTS):
        raise AssertionError("output list out of date")
    written = []
    for rel in sorted(files):
        path = os.path.join(out_dir, rel)
        _write_atomic(path, files[rel])
        written.append(path)

    _check_rows(os.path.join(out_dir, DB_NAME), bank)
    return written


def _check_rows(db_path, rows):
    """Every row must read back as designed: good rows to their JSON, bad rows to nothing."""
    got = {r["AID"]: r for r in reader.read_tests(db_path)}
    for r in rows:
        g = got[r["AID"]]
        if g["status"] != r["status"] or (r["status"] == "ok" and g["obj"] != r["obj"]):
            raise AssertionError("row %d does not read back as designed: %r" % (r["AID"], g))
