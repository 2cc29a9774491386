"""Reads a question-bank database the way the application does, and merges an update pack.

This is an independent second reading of the bank format, used to check the generated files:
  - the key of a batch is its DBVersion row's Time deciphered with a fixed key (Version 3: drop 5
    characters, key "19970325"; otherwise the whole Time, key "58203691"), cut at the first NUL;
  - a Test row's batch is its PID (NULL reads as 0; batch 0 is the first DBVersion row);
  - with PID not NULL the first 5 characters of TestContent are dropped before deciphering, and the
    whole text is tried when that fails; the result is cut at the first NUL and parsed as a JSON object;
  - a row that fails any step is left out.
The merge applies the three steps of an update pack (batches, questions, auxiliary content), each in
one exclusive transaction that is rolled back at the first failed statement. Texts are bound as
statement parameters.
"""

import json
import os
import sqlite3

from codec import FIXED_KEY_OTHER, FIXED_KEY_VERSION3, cut_at_nul, decipher


def connect(path, readonly=True):
    if readonly:
        conn = sqlite3.connect("file:%s?mode=ro" % path, uri=True)
    else:
        conn = sqlite3.connect(path, isolation_level=None)
    conn.row_factory = sqlite3.Row  # column names match without regard to case
    return conn


def _as_int(value):
    """An SQLite value read as an integer column: NULL 0, reals truncated, texts by their leading number."""
    if value is None:
        return 0
    if isinstance(value, (int, float)):
        return int(value)
    text = value.decode("utf-8", "replace") if isinstance(value, bytes) else str(value)
    digits = ""
    for i, c in enumerate(text.strip()):
        if c.isdigit() or (i == 0 and c in "+-"):
            digits += c
        else:
            break
    try:
        return int(digits)
    except ValueError:
        return 0


def _rows(conn, sql, args=()):
    try:
        return conn.execute(sql, args).fetchall()
    except sqlite3.Error:
        return []


def content_key(conn, batch):
    """The ContentKey of a batch, or None."""
    if batch != 0:
        rows = _rows(conn, "select * from DBVersion where BatchID = %d" % batch)
    else:
        rows = _rows(conn, "select * from DBVersion limit 1")
    if not rows:
        return None
    time = rows[0]["Time"] or ""
    if _as_int(rows[0]["Version"]) == 3:
        if len(time) < 5:
            return None
        text = decipher(time[5:], FIXED_KEY_VERSION3)
    else:
        text = decipher(time, FIXED_KEY_OTHER)
    return None if text is None else cut_at_nul(text)


def read_row(conn, row):
    """One Test row -> dict with AID, Type, ID, PID, status ("ok"/"bad"), reason, attempt, key, obj."""
    pid = row["PID"]
    out = dict(AID=row["AID"], Type=row["Type"], ID=row["ID"], PID=pid, status="bad", reason=None, attempt=None,
               key=None, obj=None)
    key = content_key(conn, _as_int(pid))
    if key is None or len(key.encode("utf-8")) < 8:
        out["reason"] = "nokey"
        return out
    out["key"] = key
    content = row["TestContent"] or ""
    text = None
    if pid is not None:
        if len(content) >= 5:
            text = decipher(content[5:], key)
            out["attempt"] = "prefix"
        if text is None:
            text = decipher(content, key)
            out["attempt"] = "whole"
    else:
        text = decipher(content, key)
        out["attempt"] = "whole"
    if text is None:
        out["reason"] = "cipher"
        return out
    try:
        obj = json.loads(cut_at_nul(text))
    except ValueError:
        obj = None
    if not isinstance(obj, dict):
        out["reason"] = "json"
        return out
    out["status"] = "ok"
    out["obj"] = obj
    return out


def read_tests(path, ids=None):
    """Every Test row (or those of the id list text), in database order."""
    conn = connect(path)
    try:
        sql = "select * from Test" if ids is None else "select * from Test where AID in (%s)" % ids
        return [read_row(conn, r) for r in _rows(conn, sql)]
    finally:
        conn.close()


def batches(path):
    conn = connect(path)
    try:
        out = []
        for r in _rows(conn, "select * from DBVersion"):
            out.append(dict(ID=r["ID"], Version=r["Version"], BatchID=r["BatchID"], Time=r["Time"],
                            key=content_key(conn, _as_int(r["BatchID"]))))
        return out
    finally:
        conn.close()


def max_batch_id(path):
    conn = connect(path)
    try:
        rows = _rows(conn, "SELECT MAX(BatchID) FROM DBVersion")
        return _as_int(rows[0][0]) if rows else 0
    finally:
        conn.close()


def db_version(path):
    conn = connect(path)
    try:
        rows = _rows(conn, "select * from DBVersion where BatchID = (select MAX(BatchID) from DBVersion)")
        if rows and float(rows[0]["BatchID"] or 0) != 0:
            return float(rows[0]["BatchID"])
        rows = _rows(conn, "select * from DBVersion")
        return float(rows[0]["BatchID"] or 0) if rows else 0.0
    finally:
        conn.close()


def other_content(path, type_, keyword):
    conn = connect(path)
    try:
        rows = _rows(conn, "select * from OtherContent where Type= ? and KeyWord= ?", (type_, keyword))
        return json.loads(rows[0]["Content"]) if rows else None
    finally:
        conn.close()


def guide_article(path, keyword):
    conn = connect(path)
    try:
        rows = _rows(conn, "select * from othercontent where KeyWord = ?", (keyword,))
        return json.loads(rows[0]["Content"]) if rows else None
    finally:
        conn.close()


def _transaction(conn, body):
    """Runs body(conn) in one exclusive transaction; rolls back and returns False when a statement fails."""
    conn.execute("BEGIN EXCLUSIVE")
    try:
        result = body(conn)
    except sqlite3.Error:
        conn.execute("ROLLBACK")
        return False
    conn.execute("COMMIT")
    return result


def merge_pack(work_path, pack_path):
    """Merges an update pack into the working copy; True when all three steps succeeded."""
    if not os.path.exists(pack_path) or not os.path.exists(work_path):
        return False
    pack = connect(pack_path)
    work = connect(work_path, readonly=False)
    try:
        # 1. Batches: every pack row is inserted; a pack without rows fails.
        versions = _rows(pack, "select * from DBVersion")

        def insert_versions(c):
            for v in versions:
                c.execute("INSERT INTO DBVersion(Version,Time,BatchID) VALUES(?,?,?)",
                          (float(v["Version"]), v["Time"], str(v["BatchID"])))
            return bool(versions)

        if not _transaction(work, insert_versions):
            return False

        # 2. Questions: deletions, then changes (PID = the pack's largest batch) and additions (own batch).
        max_rows = _rows(pack, "SELECT MAX(BatchID) FROM DBVersion")
        pid = _as_int(max_rows[0][0]) if max_rows else 0
        deletes = [_as_int(r["AID"]) for r in _rows(pack, "select * from Test_Delete")]

        def delete_tests(c):
            c.execute("delete from Test where AID in (%s)" % ",".join("?" * len(deletes)), deletes)
            return True

        if not _transaction(work, delete_tests):
            return False
        tests = _rows(pack, "select * from Test")

        def alter_tests(c):
            for t in tests:
                found = c.execute("select * from Test where AID = ?", (str(t["AID"]),)).fetchone()
                if found is not None and _as_int(found["AID"]) != 0:
                    c.execute("update Test set GUID=?,Type=?,ID=?, PID=?, TestContent=? WHERE AID=?",
                              (t["GUID"], t["Type"], _as_int(t["ID"]), pid, t["TestContent"], _as_int(t["AID"])))
                else:
                    c.execute("insert into Test(AID, GUID, Type, ID, PID, TestContent) values(?, ?, ?, ?, ?, ?)",
                              (_as_int(t["AID"]), t["GUID"], t["Type"], _as_int(t["ID"]), _as_int(t["BatchID"]),
                               t["TestContent"]))
            return True

        if not _transaction(work, alter_tests):
            return False

        # 3. Auxiliary content: replaced as a whole.
        if not _transaction(work, lambda c: c.execute("delete from OtherContent") is not None):
            return False
        others = _rows(pack, "select * from OtherContent")

        def insert_others(c):
            for o in others:
                c.execute("INSERT INTO OtherContent(ID,Type,TID,KeyWord,Content) VALUES(?,?,?,?,?)",
                          (_as_int(o["ID"]), o["Type"], _as_int(o["TID"]), o["KeyWord"], o["Content"]))
            return True

        return _transaction(work, insert_others)
    finally:
        pack.close()
        work.close()
