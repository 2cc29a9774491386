"""Self-checks of the sample question bank generator.

Each check reads the generated files back with an independent reader (the bank's own lenient Base64
decoder, its key and prefix rules, its update merge) and compares the result with the golden file.
Run: VD_SAMPLE_DIR=<build>/sample /usr/bin/python3 -B -m unittest -v test_samplebank
"""

import filecmp
import json
import os
import re
import shutil
import sqlite3
import sys
import tempfile
import unittest
import zipfile
import zlib

HERE = os.path.dirname(os.path.abspath(__file__))
GEN_DIR = os.path.join(os.environ.get("VD_SOURCE_DIR", os.path.join(HERE, "..", "..")), "tools", "testserver",
                       "samplebank")
sys.dont_write_bytecode = True
sys.path.insert(0, GEN_DIR)

import bank  # noqa: E402
import codec  # noqa: E402
import content  # noqa: E402
import golden  # noqa: E402
import reader  # noqa: E402
import subjects  # noqa: E402
from pngimg import png_size  # noqa: E402

MARKER = re.compile(r"\[{1}(\S)*?\.(gif|jpg|jpeg|png|bmp)\]{1}", re.IGNORECASE)
TYPES = ["ATEST", "A3TEST", "BTEST", "XTEST", "PDTEST", "JDTEST", "TKTEST"]
# The keys the application reads from each type's JSON, in the order the bank writes them.
PLAIN_KEYS = ["AID", "ID", "Title", "Answer", "Explain", "ItemNum", "Items", "SortID"]
TEXT_KEYS = ["AID", "ID", "Title", "Answer", "Explain", "SortID"]
A3_KEYS = ["AID", "ID", "FrontTitle", "Items", "SortID"]
A3_SUB_KEYS = ["A3TestID", "ID", "Title", "Answer", "Explain", "ItemNum", "Items", "SortID"]
B_KEYS = ["AID", "ID", "FrontTitle", "ItemNum", "ChoiseItems", "Items", "SortID"]
B_SUB_KEYS = ["BTestID", "ID", "Title", "Answer", "Explain", "SortID"]


def generate(out_dir):
    return bank.build(out_dir) + subjects.build(out_dir)


def records(golden_text, kind, set_name):
    return [dict(r) for r in golden.parse(golden_text) if dict(r)["kind"] == kind and dict(r)["set"] == set_name]


def test_lines(golden_text, set_name):
    """kind=test records as (head dict, [(path, value)] of the JSON leaves), keyed by AID."""
    out = {}
    for rec in golden.parse(golden_text):
        head = dict((k, v) for k, v in rec if not k.startswith("$"))
        if head["kind"] == "test" and head["set"] == set_name:
            out[int(head["AID"])] = (head, [(k, v) for k, v in rec if k.startswith("$")])
    return out


class CodecTest(unittest.TestCase):
    def test_des_known_answers(self):
        # FIPS 81 single-DES check value, then batch-key and content vectors of the bank format.
        from cryptography.hazmat.primitives.ciphers import Cipher, algorithms, modes
        enc = Cipher(algorithms.TripleDES(bytes.fromhex("133457799BBCDFF1")), modes.ECB()).encryptor()
        self.assertEqual((enc.update(bytes.fromhex("0123456789ABCDEF")) + enc.finalize()).hex(), "85e813540f0ab405")
        self.assertEqual(codec.encipher(b"vdkey001", codec.FIXED_KEY_OTHER)[0], "/4H84qtWkaA=")
        self.assertEqual(codec.encipher(b"vdkey001", codec.FIXED_KEY_VERSION3)[0], "VYDMejwFucM=")
        text, pad = codec.encipher('{"AID":1001,"Title":"题"}'.encode("utf-8"), "vdkey001")
        self.assertEqual((text, pad), ("wtkU0K5nORsecWmPDbuY9exaXeJIIwl3icqHIMoy4xg=", 6))
        self.assertEqual(codec.cut_at_nul(codec.decipher(text, "vdkey001")), '{"AID":1001,"Title":"题"}')

    def test_only_first_eight_key_bytes_count(self):
        text, _ = codec.encipher(b"abcdefgh", "GkBatch2-2013")
        self.assertEqual(codec.decipher(text, "GkBatch2"), "abcdefgh")
        self.assertEqual(codec.decipher(text, "GkBatch2-1999"), "abcdefgh")
        self.assertNotEqual(codec.decipher(text, "GkBatch1"), "abcdefgh")
        with self.assertRaises(ValueError):
            codec.des_key("short")

    def test_lenient_base64_decoder(self):
        cases = [
            ("QUJD", b"ABC"),
            ("QU\r\nJD", b"ABC"),           # line breaks are skipped
            ("QU JD\n", b"ABC"),            # so are blanks
            ("QUI=", b"AB"),                # three sextets and "=" give two bytes
            ("QQ==", b"A"),                 # two sextets and "=" give one byte
            ("QUI=QUJD", b"AB"),            # nothing after the first "=" is read
            ("QUJDQUI", b"ABC"),            # a trailing group without "=" is dropped
            ("QUJDQ", b"ABC"),
            ("", b""),
            ("中文", b""),                   # not ASCII: nothing
        ]
        for text, want in cases:
            with self.subTest(text=text):
                self.assertEqual(codec.b64decode(text), want)

    def test_decipher_failures(self):
        self.assertIsNone(codec.decipher(codec.b64encode(b"1234567"), "GkBatch1"))   # not a multiple of 8
        bad_utf8 = codec.b64encode(codec.des_encrypt(b"\xff\xfe\xfd\xfc\xfb\xfa\xf9\xf8", "GkBatch1"))
        self.assertIsNone(codec.decipher(bad_utf8, "GkBatch1"))


class SampleBankTest(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.tmp = tempfile.mkdtemp(prefix="vd-samplebank-")
        cls.out = os.path.join(cls.tmp, "a")
        generate(cls.out)
        with open(os.path.join(cls.out, bank.GOLDEN), encoding="utf-8") as f:
            cls.golden = f.read()
        cls.db = os.path.join(cls.out, bank.DB_NAME)

    @classmethod
    def tearDownClass(cls):
        shutil.rmtree(cls.tmp, ignore_errors=True)

    def path(self, *parts):
        return os.path.join(self.out, *parts)

    # --- rows ---------------------------------------------------------------------------------

    def check_rows(self, db_path, set_name):
        want = test_lines(self.golden, set_name)
        got = reader.read_tests(db_path)
        self.assertEqual([r["AID"] for r in got], sorted(want), "rows in database order, AID ascending")
        prefixed = {"pid-0", "pid-1", "pid-2", "pack-max", "pack-own"}
        for row in got:
            head, leaves = want[row["AID"]]
            with self.subTest(set=set_name, AID=row["AID"]):
                self.assertEqual(row["Type"], head["Type"])
                self.assertEqual(str(row["ID"]), head["ID"])
                self.assertEqual(golden.render(row["PID"]), head["PID"])
                self.assertEqual(row["status"], head["Status"])
                if head["Status"] != "ok":
                    expected = {"cipher": ["cipher"], "json": ["json"], "nokey": ["nokey"],
                                "short": ["cipher", "json"]}[head["Reason"]]
                    self.assertIn(row["reason"], expected)
                    continue
                self.assertEqual(golden.flatten(row["obj"]), leaves)
                self.assertEqual(row["key"], head["Key"])
                self.assertEqual(row["obj"]["AID"], row["AID"], "JSON AID equals the AID column")
                self.assertEqual(row["obj"]["ID"], row["ID"], "JSON ID equals the ID column")
                self.assertEqual(row["attempt"], "prefix" if head["Cipher"] in prefixed else "whole")
        return got

    def test_every_row_deciphers_to_its_golden_line(self):
        got = self.check_rows(self.db, "bank")
        ok = [r for r in got if r["status"] == "ok"]
        self.assertGreaterEqual(len(ok), 45)
        self.assertLessEqual({"cipher", "json", "nokey"}, {r["reason"] for r in got if r["status"] == "bad"})
        heads = [h for h, _ in test_lines(self.golden, "bank").values()]
        self.assertEqual({h["Cipher"] for h in heads if h["Status"] == "ok"},
                         {"pid-null", "pid-null-wrapped", "pid-0", "pid-1", "pid-2", "pid-2-noprefix"})
        self.assertIn("escaped", {h["JSON"] for h in heads if h["Status"] == "ok"})
        self.assertIn("0", {h["Pad"] for h in heads if h["Status"] == "ok"}, "a row whose JSON needs no padding")
        records_total = sum(int(h["Records"]) for h in heads if h["Status"] == "ok")
        self.assertGreater(records_total, 40, "enough question records for two full pages of 20")

    def test_stored_content_forms(self):
        conn = sqlite3.connect(self.db)
        rows = conn.execute("select AID, PID, TestContent from Test").fetchall()
        conn.close()
        heads = test_lines(self.golden, "bank")
        for aid, pid, content in rows:
            head = heads[aid][0]
            with self.subTest(AID=aid):
                self.assertNotIn("'", content)
                self.assertEqual(len(str(aid)), 4, "ids of one length keep the substring favourite test clean")
                if head.get("Cipher") == "pid-null-wrapped":
                    self.assertIn("\r\n", content)
                elif head["Status"] == "ok":
                    self.assertRegex(content, r"^[A-Za-z0-9+/=]+$")
                if head.get("Cipher") in ("pid-0", "pid-1", "pid-2"):
                    # Without dropping the prefix the text does not decipher.
                    self.assertIsNone(codec.decipher(content, head["Key"]))
                if head.get("Reason") == "cipher":
                    self.assertNotEqual(len(codec.b64decode(content)) % 8, 0)
                    self.assertNotEqual(len(codec.b64decode(content[5:])) % 8, 0)
                if head.get("Reason") == "short":
                    self.assertIsNotNone(pid)
                    self.assertLess(len(content), 5)

    def test_json_fields_per_type(self):
        seen = set()
        for row in reader.read_tests(self.db):
            if row["status"] != "ok":
                continue
            obj, t = row["obj"], row["Type"]
            seen.add(t)
            with self.subTest(AID=row["AID"], type=t):
                if t in ("ATEST", "XTEST", "PDTEST"):
                    self.assertEqual(list(obj), PLAIN_KEYS)
                    self.check_options(obj["Items"], obj["ItemNum"], obj["Answer"], single=t != "XTEST")
                    if t == "PDTEST":
                        self.assertEqual(obj["Items"], [{"Name": "A", "Text": "正确"}, {"Name": "B", "Text": "错误"}])
                elif t in ("JDTEST", "TKTEST"):
                    self.assertEqual(list(obj), TEXT_KEYS)
                    self.assertTrue(obj["Answer"])
                elif t == "A3TEST":
                    self.assertEqual(list(obj), A3_KEYS)
                    self.assertGreaterEqual(len(obj["Items"]), 2)
                    for sub in obj["Items"]:
                        self.assertEqual(list(sub), A3_SUB_KEYS)
                        self.assertEqual(sub["A3TestID"], obj["ID"])
                        self.check_options(sub["Items"], sub["ItemNum"], sub["Answer"], single=False)
                elif t == "BTEST":
                    self.assertEqual(list(obj), B_KEYS)
                    self.check_options(obj["ChoiseItems"], obj["ItemNum"], None, single=True)
                    for sub in obj["Items"]:
                        self.assertEqual(list(sub), B_SUB_KEYS)
                        self.assertEqual(sub["BTestID"], obj["ID"])
                        self.assertIn(sub["Answer"], [o["Name"] for o in obj["ChoiseItems"]])
                text = json.dumps(obj, ensure_ascii=False)
                self.assertRegex(text, r"[\u4e00-\u9fff]", "questions are written in Chinese")
        self.assertEqual(seen, set(TYPES))

    def check_options(self, items, item_num, answer, single):
        self.assertEqual(item_num, len(items))
        names = [o["Name"] for o in items]
        self.assertEqual(names, [chr(ord("A") + i) for i in range(len(items))])
        for o in items:
            self.assertEqual(list(o), ["Name", "Text"])
            self.assertTrue(o["Text"])
        if answer is not None:
            self.assertTrue(answer)
            if single:
                self.assertEqual(len(answer), 1)
            self.assertEqual(list(answer), sorted(set(answer)), "answer letters in page order")
            self.assertTrue(set(answer) <= set(names))

    def test_explanations_cover_the_omitted_forms(self):
        explains = []
        for row in reader.read_tests(self.db):
            if row["status"] == "ok":
                explains.append(row["obj"].get("Explain"))
                explains += [s.get("Explain") for s in row["obj"].get("Items", []) if "Explain" in s]
        self.assertIn("", explains)
        self.assertIn("略", explains)

    # --- batches, chapter tree, exam guide -------------------------------------------------------

    def check_state(self, db_path, set_name):
        version = records(self.golden, "version", set_name)[0]
        self.assertEqual(reader.max_batch_id(db_path), int(version["MaxBatchID"]))
        self.assertEqual(reader.db_version(db_path), float(version["DBVersion"]))
        want_batches = records(self.golden, "batch", set_name)
        got_batches = reader.batches(db_path)
        self.assertEqual(len(got_batches), len(want_batches))
        for got, want in zip(got_batches, want_batches):
            self.assertEqual(str(got["ID"]), want["ID"])
            self.assertEqual(str(got["Version"]), want["Version"])
            self.assertEqual(str(got["BatchID"]), want["BatchID"])
            self.assertEqual(got["key"], want["ContentKey"])
            self.assertEqual(got["Time"][:5] if want["TimePrefix"] else "", want["TimePrefix"])

        tree = reader.other_content(db_path, "Chapter", "ChapterList")
        self.assertEqual(tree["Message"], "")
        flat = []

        def walk(nodes, parent, level):
            for n in nodes:
                self.assertEqual(list(n), ["ID", "Name", "Total", "Childs"])
                flat.append(dict(ID=str(n["ID"]), Name=n["Name"], Total=str(n["Total"]), Parent=str(parent),
                                 Level=str(level), Leaf="yes" if n["Childs"] is None else "no"))
                if n["Childs"] is not None:
                    self.assertTrue(n["Childs"])
                    self.assertEqual(n["Total"], sum(c["Total"] for c in n["Childs"]))
                    walk(n["Childs"], n["ID"], level + 1)

        walk(tree["Body"], 0, 1)
        want_tree = [{k: v for k, v in r.items() if k not in ("kind", "set")}
                     for r in records(self.golden, "chapter", set_name)]
        self.assertEqual(flat, want_tree)
        # Leaves on two levels, so nested chapter lists have a level more on one branch.
        self.assertEqual({f["Level"] for f in flat if f["Leaf"] == "yes"}, {"3", "4"})

        # Leaf totals count the question records of the rows listed under each chapter; one leaf is empty
        # and one holds more than two pages of 20.
        totals = {}
        for head, _ in test_lines(self.golden, set_name).values():
            if head["Status"] == "ok":
                totals[head["Chapter"]] = totals.get(head["Chapter"], 0) + int(head["Records"])
        leaves = {f["ID"]: int(f["Total"]) for f in flat if f["Leaf"] == "yes"}
        self.assertEqual({k: v for k, v in leaves.items() if v}, totals)
        self.assertIn(0, leaves.values())
        self.assertGreater(max(leaves.values()), 40)

        index = reader.other_content(db_path, "TestInfo", "TestInfoList")
        want_guide = records(self.golden, "guide", set_name)
        self.assertEqual([(g["InfoID"], g["Title"]) for g in index["Body"]],
                         [(g["InfoID"], g["Title"]) for g in want_guide])
        ids = [g["InfoID"] for g in index["Body"]]
        self.assertLessEqual(set(content.GUIDE_STRAY_IDS), set(ids), "ids of another length are listed")
        for info_id in ids:
            if info_id in content.GUIDE_STRAY_IDS:
                self.assertNotRegex(info_id, r"^(\d{3})+$")
                continue
            self.assertRegex(info_id, r"^(\d{3})+$")
            if len(info_id) > 3:
                self.assertIn(info_id[:-3], ids, "a child follows its parent's id")
        articles = {a["KeyWord"]: a["Body"] for a in records(self.golden, "article", set_name)}
        for g in want_guide:
            article = reader.guide_article(db_path, g["Title"])
            if g["Article"] == "yes":
                self.assertEqual(article, {"Body": articles[g["Title"]], "Message": ""})
            else:
                self.assertIsNone(article)
        self.assertTrue(any("''" in body for body in articles.values()))

    def test_bank_batches_tree_and_guide(self):
        self.check_state(self.db, "bank")
        versions = records(self.golden, "batch", "bank")
        self.assertEqual({v["FixedKey"] for v in versions}, {"19970325", "58203691"}, "both fixed-key rules")
        self.assertTrue(any(len(v["ContentKey"]) > 8 for v in versions))

    # --- update packs --------------------------------------------------------------------------

    def working_copy(self, name):
        work = os.path.join(self.tmp, name)
        shutil.copyfile(self.db, work)
        return work

    def test_update_pack_merges_into_the_golden_updated_bank(self):
        pack = self.path(bank.UP_PACK)
        conn = sqlite3.connect(pack)
        pack_max = conn.execute("select max(BatchID) from DBVersion").fetchone()[0]
        pack_rows = conn.execute("select AID, BatchID from Test").fetchall()
        deleted = [r[0] for r in conn.execute("select AID from Test_Delete")]
        conn.close()
        bank_aids = set(test_lines(self.golden, "bank"))
        changed = [aid for aid, _ in pack_rows if aid in bank_aids]
        added = [(aid, b) for aid, b in pack_rows if aid not in bank_aids]
        self.assertTrue(changed and added and deleted)
        self.assertTrue(any(b != pack_max for aid, b in pack_rows if aid in changed),
                        "a changed row whose own BatchID is not the pack's largest")
        self.assertTrue(any(b != pack_max for _, b in added), "an added row keeping a batch of its own")

        work = self.working_copy("merge.db")
        self.assertTrue(reader.merge_pack(work, pack))
        got = self.check_rows(work, "updated")
        self.check_state(work, "updated")
        aids = {r["AID"] for r in got}
        self.assertFalse(aids & set(deleted))
        for aid, b in added:
            self.assertEqual(next(r["PID"] for r in got if r["AID"] == aid), b)
        for aid in changed:
            self.assertEqual(next(r["PID"] for r in got if r["AID"] == aid), pack_max)

    def test_pack_without_batches_fails_and_changes_nothing(self):
        work = self.working_copy("nobatch.db")
        before = reader.read_tests(work)
        self.assertFalse(reader.merge_pack(work, self.path(bank.EDGE_DIR, bank.EDGE_NO_DBVERSION)))
        self.assertEqual(reader.read_tests(work), before)
        self.assertEqual(reader.max_batch_id(work), 2)

    def test_pack_without_other_content_empties_it(self):
        work = self.working_copy("noother.db")
        self.assertTrue(reader.merge_pack(work, self.path(bank.EDGE_DIR, bank.EDGE_NO_OTHERCONTENT)))
        self.check_rows(work, "updated")
        self.assertIsNone(reader.other_content(work, "Chapter", "ChapterList"))
        conn = sqlite3.connect(work)
        self.assertEqual(conn.execute("select count(*) from OtherContent").fetchone()[0], 0)
        conn.close()

    # --- zips and images -----------------------------------------------------------------------

    def zip_entries(self, name):
        with zipfile.ZipFile(self.path(name)) as z:
            out = []
            for info in z.infolist():
                self.assertEqual(info.flag_bits & 0x800, 0, "names are GB 18030, never flagged UTF-8")
                self.assertEqual(info.date_time, (2013, 7, 10, 12, 0, 0))
                raw = info.filename.encode("cp437")
                out.append((raw.decode("gb18030"), raw, info, z.read(info)))
            return out

    def test_zip_contents_and_names(self):
        with open(self.path(bank.DB_NAME), "rb") as f:
            db_bytes = f.read()
        files = records(self.golden, "zipentry", "files")
        for zip_name in sorted({r["zip"] for r in files}):
            with self.subTest(zip=zip_name):
                entries = self.zip_entries(zip_name)
                want = [r for r in files if r["zip"] == zip_name]
                self.assertEqual([e[0] for e in entries], [w["name"] for w in want])
                self.assertEqual([e[1] for e in entries], sorted(e[1] for e in entries), "entries sorted by name")
                for (name, raw, info, data), w in zip(entries, want):
                    self.assertEqual(raw.hex(), w["nameHex"])
                    self.assertEqual(len(data), int(w["size"]))
                    self.assertEqual("%08x" % (zlib.crc32(data) & 0xFFFFFFFF), w["crc32"])
                    self.assertEqual(info.compress_type,
                                     zipfile.ZIP_STORED if w["method"] == "stored" else zipfile.ZIP_DEFLATED)
                    self.assertNotIn("/", name)
                    self.assertNotIn("\\", name)
                    if name.endswith(".zip") or name.endswith(".db"):
                        with open(self.path(name), "rb") as f:
                            self.assertEqual(data, f.read(), "nested package equals the file beside it")

        bank_zip = {e[0]: e[3] for e in self.zip_entries(bank.BANK_ZIP)}
        self.assertEqual(sorted(bank_zip), [bank.DB_NAME, bank.IMG_PACK])
        self.assertEqual(bank_zip[bank.DB_NAME], db_bytes)
        dbimg = sorted(e[0] for e in self.zip_entries(bank.UP_DBIMG_ZIP))
        self.assertEqual([n for n in dbimg if ".db" in n], [bank.UP_PACK])
        self.assertEqual([n for n in dbimg if ".zip" in n], [bank.UP_IMG_ZIP])
        self.assertNotEqual(bank.UP_PACK, bank.DB_NAME)
        chinese = [e for e in self.zip_entries(bank.IMG_PACK) if not e[1].isascii()]
        self.assertEqual([e[0] for e in chinese], ["长城.png"])
        self.assertNotEqual(chinese[0][1], "长城.png".encode("utf-8"))

    def test_images_and_markers(self):
        images = {r["name"]: r for r in records(self.golden, "image", "files")}
        packed = {e[0]: e[3] for e in self.zip_entries(bank.IMG_PACK)}
        update = {e[0]: e[3] for e in self.zip_entries(bank.UP_IMG_ZIP)}
        for name, r in images.items():
            with open(self.path(bank.IMG_DIR, name), "rb") as f:
                data = f.read()
            self.assertEqual(png_size(data), (int(r["width"]), int(r["height"])))
            self.assertEqual(name in packed, r["where"] == "bank-pack")
            self.assertEqual(name in update, r["where"] == "update-pack")
            if name in packed:
                self.assertEqual(packed[name], data)
        widths = [int(r["width"]) for r in images.values()]
        self.assertTrue(any(w > 320 for w in widths) and any(w <= 320 for w in widths))

        def markers(path):
            names = set()
            for row in reader.read_tests(path):
                if row["status"] == "ok":
                    for text in (v for _, v in golden.flatten(row["obj"])):
                        names |= {m.group(0)[1:-1] for m in MARKER.finditer(text)}
            return names

        in_bank = markers(self.db)
        self.assertEqual(in_bank, {n for n, r in images.items() if r["where"] in ("bank-pack", "server-only")})
        work = self.working_copy("markers.db")
        self.assertTrue(reader.merge_pack(work, self.path(bank.UP_PACK)))
        self.assertEqual(markers(work) - in_bank, {n for n, r in images.items() if r["where"] == "update-pack"})

    # --- manifest and determinism --------------------------------------------------------------

    def test_manifest_agrees_with_the_golden_file(self):
        with open(self.path(bank.MANIFEST), encoding="utf-8") as f:
            manifest = json.load(f)
        self.assertEqual(manifest["Value"], "GKSample")
        self.assertEqual(manifest["TypeOrder"], TYPES)
        for set_name in ("bank", "updated"):
            state = manifest["States"][set_name]
            heads = test_lines(self.golden, set_name)
            self.assertEqual([q["AID"] for q in state["Questions"]], sorted(heads))
            for q in state["Questions"]:
                head, leaves = heads[q["AID"]]
                self.assertEqual(q["Bad"], head["Status"] != "ok")
                self.assertEqual(str(q["Chapter"]), head["Chapter"])
                if not q["Bad"]:
                    self.assertEqual(golden.flatten(q["Content"]), leaves)
            self.assertEqual(state["MaxBatchID"], int(records(self.golden, "version", set_name)[0]["MaxBatchID"]))
        for packet in manifest["Packets"]:
            self.assertTrue(os.path.isfile(self.path(packet["file"])), packet["file"])
        self.assertEqual(sorted(p["packe_type"] for p in manifest["Packets"]), [1, 3, 6, 8])

    def test_two_runs_give_identical_bytes(self):
        second = os.path.join(self.tmp, "b")
        generate(second)
        self.assert_same_tree(self.out, second)
        built = os.environ.get("VD_SAMPLE_DIR")
        if built and os.path.isdir(built):
            # The build's copy must be what the generator makes now (rebuild target vd_sample_bank).
            self.assert_same_tree(self.out, built, "stale build output: rebuild the target vd_sample_bank")

    def assert_same_tree(self, a, b, hint=""):
        def listing(root):
            return sorted(os.path.relpath(os.path.join(d, f), root) for d, _, fs in os.walk(root) for f in fs)

        self.assertEqual(listing(a), listing(b), hint)
        self.assertEqual(listing(a), sorted(bank.OUTPUTS + [f for v, *_ in subjects.SUBJECTS
                                                           for f in subjects.subject_files(v)]))
        for rel in listing(a):
            self.assertTrue(filecmp.cmp(os.path.join(a, rel), os.path.join(b, rel), shallow=False), "%s %s" % (rel, hint))


if __name__ == "__main__":
    unittest.main()
