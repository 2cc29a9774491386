"""What the server knows about the subjects: the series catalogue and the sample bank.

The sample bank comes from the manifest that tools/testserver/samplebank writes
(GKSample.manifest.json): every question with its type, chapter and subject, the chapter trees of the
shipped bank ("bank", batch 2) and of the bank after the update pack ("updated", batch 3), the styles,
and the packets. The exam guide (not in the manifest) is read from OtherContent of the bank database
and of the update pack, which hold it as plain JSON.
"""

import json
import os
import sqlite3

# Id-list key prefix of each question type: "ATEST" -> "ATestid" (ids) and "ATest" (favourites).
TYPE_PREFIX = {
    "ATEST": "A",
    "A3TEST": "A3",
    "BTEST": "B",
    "XTEST": "X",
    "PDTEST": "PD",
    "JDTEST": "JD",
    "TKTEST": "TK",
}

# Series of the catalogue. "type" is the category the app derives from the series name (0 medical,
# 1 construction, 2 finance, 3 anything else); the provinces hold the subjects (display name, short
# name, registrations). Every subject has a question bank: the sample's, or a small one of its own that
# tools/testserver/samplebank/subjects.py generates.
SERIES = [
    {"Key": "执业医师", "Value": "zyys", "type": 0, "provinces": [
        ("无分类", [("临床执业医师", "LCZYYS", 12873), ("口腔执业医师", "KQZYYS", 5421)])]},
    {"Key": "一、二级建造师", "Value": "jzs", "type": 1, "provinces": [
        ("北京", [("二级建造师（北京）", "EJJZSBJ", 3312)]),
        ("上海", [("二级建造师（上海）", "EJJZSSH", 2987)])]},
    {"Key": "财会", "Value": "kjzc", "type": 2, "provinces": [
        ("无分类", [("初级会计职称", "CJKJZC", 8650)])]},
    {"Key": "常识综合", "Value": "gkcs", "type": 3, "provinces": [
        ("无分类", [None])]},  # None: the sample subject, filled in from the manifest
]


def short_title(text, limit=20):
    text = text or ""
    return text if len(text) <= limit else text[:limit] + "…"


class BankState:
    """One state of the sample bank: its batch, chapter tree, questions and exam guide."""

    def __init__(self, name, data, guide_db):
        self.name = name
        self.max_batch = int(data["MaxBatchID"])
        self.chapters = data["Chapters"]
        self.questions = sorted(data["Questions"], key=lambda q: q["AID"])
        self.by_aid = {q["AID"]: q for q in self.questions}
        self.nodes = {}
        self.parent = {}
        self.leaves = []
        self.subjects = []  # level-2 nodes: {"ID", "Name", "Top"}
        for top in self.chapters:
            self._walk(top, None, 1)
            for child in top.get("Childs") or []:
                self.subjects.append({"ID": child["ID"], "Name": child["Name"], "Top": top["Name"]})
        self.subject_by_id = {s["ID"]: s for s in self.subjects}
        self.search_text = {q["AID"]: self._text_of(q) for q in self.questions if not q.get("Bad")}
        self.guide_index, self.articles = self._read_guide(guide_db)

    def _walk(self, node, parent, level):
        self.nodes[node["ID"]] = node
        self.parent[node["ID"]] = parent
        childs = node.get("Childs")
        if childs is None:
            self.leaves.append(node)
            return
        for child in childs:
            self._walk(child, node["ID"], level + 1)

    @staticmethod
    def _text_of(q):
        c = q.get("Content") or {}
        parts = [c.get("Title", ""), c.get("FrontTitle", "")]
        for item in c.get("Items") or []:
            parts += [item.get("Text", ""), item.get("Title", "")]
            for sub in item.get("Items") or []:
                parts.append(sub.get("Text", ""))
        for item in c.get("ChoiseItems") or []:
            parts.append(item.get("Text", ""))
        return "\n".join(p for p in parts if p)

    @staticmethod
    def _read_guide(path):
        index, articles = [], {}
        if not path or not os.path.exists(path):
            return index, articles
        con = sqlite3.connect("file:%s?mode=ro" % path, uri=True)
        try:
            for kind, keyword, content in con.execute("select Type, KeyWord, Content from OtherContent"):
                try:
                    body = json.loads(content).get("Body")
                except (ValueError, AttributeError):
                    continue
                if kind == "TestInfo" and keyword == "TestInfoList":
                    index = body or []
                elif kind == "TestInfoContent":
                    articles[keyword] = body
        finally:
            con.close()
        return index, articles

    # --- questions ---

    def good(self, aid):
        q = self.by_aid.get(aid)
        return q is not None and not q.get("Bad")

    def good_aids(self):
        return [q["AID"] for q in self.questions if not q.get("Bad")]

    def chapter_aids(self, chapter_id, with_bad=False):
        """AIDs of a chapter and all its sub-chapters, in AID order; None for an unknown chapter."""
        if chapter_id not in self.nodes:
            return None
        wanted = set()
        stack = [self.nodes[chapter_id]]
        while stack:
            node = stack.pop()
            wanted.add(node["ID"])
            stack.extend(node.get("Childs") or [])
        return [q["AID"] for q in self.questions
                if q["Chapter"] in wanted and (with_bad or not q.get("Bad"))]

    def subject_aids(self, subject_id):
        return [q["AID"] for q in self.questions if q["Subject"] == subject_id and not q.get("Bad")]

    def records(self, aid):
        return int(self.by_aid[aid].get("Records") or 1)

    def caption(self, aid):
        q = self.by_aid.get(aid)
        if not q:
            return ""
        c = q.get("Content") or {}
        return short_title(q.get("Title") or c.get("Title") or c.get("FrontTitle") or "")

    def leaf_of(self, aid):
        q = self.by_aid.get(aid)
        return q["Chapter"] if q else None

    def search(self, words):
        return [aid for aid, text in self.search_text.items() if all(w in text for w in words)]


class Catalog:
    def __init__(self, sample_dir):
        self.sample_dir = os.path.abspath(sample_dir)
        manifest_path = None
        for name in sorted(os.listdir(self.sample_dir)):
            if name.endswith(".manifest.json"):
                manifest_path = os.path.join(self.sample_dir, name)
                break
        if manifest_path is None:
            raise FileNotFoundError("no *.manifest.json in %s (build the target vd_sample_bank)" % sample_dir)
        with open(manifest_path, encoding="utf-8") as f:
            m = json.load(f)
        self.value = m["Value"]
        self.key = m["Key"]
        self.type_order = [t for t in m["TypeOrder"] if t in TYPE_PREFIX]
        self.styles = m["Styles"]
        self.style_by_id = {int(s["StyleID"]): t for t, s in self.styles.items()}
        self.packets = m["Packets"]
        for p in self.packets:
            path = os.path.join(self.sample_dir, p["file"])
            if not os.path.isfile(path):
                raise FileNotFoundError("packet file missing: %s" % path)
        update_db = next((p["file"] for p in self.packets if p["packe_type"] == 1), None)
        guide_dbs = {"bank": os.path.join(self.sample_dir, self.value + ".db"),
                     "updated": os.path.join(self.sample_dir, update_db) if update_db else None}
        self.states = {name: BankState(name, data, guide_dbs.get(name)) for name, data in m["States"].items()}
        self.latest_batch = max(s.max_batch for s in self.states.values())
        images = m.get("Images") or {}
        self.image_dir_rel = images.get("Dir", "tk_img/imgdir_" + self.value)
        self.image_dir = os.path.join(self.sample_dir, self.image_dir_rel)
        self.series = self._build_series()
        self.banks = {}  # subject value -> the Catalog of its own bank (every listed subject but this one)

    @classmethod
    def with_subjects(cls, sample_dir):
        """The sample's catalogue with the bank of every other listed subject, from sample_dir/subjects."""
        sample = cls(sample_dir)
        for d, _ in sample.subjects():
            if d["Value"] == sample.value:
                continue
            folder = os.path.join(sample.sample_dir, "subjects", d["Value"])
            if not os.path.isdir(folder):
                raise FileNotFoundError("no bank for subject %s in %s (build the target vd_sample_bank)"
                                        % (d["Value"], folder))
            bank = cls(folder)
            bank.series = sample.series
            sample.banks[d["Value"]] = bank
        return sample

    def _build_series(self):
        out = []
        for s in SERIES:
            provinces = []
            for province, subjects in s["provinces"]:
                details = []
                for entry in subjects:
                    if entry is None:
                        entry = (self.key, self.value, 1024)
                    details.append({"Key": entry[0], "Value": entry[1], "Count": entry[2]})
                provinces.append({"Province": province, "QuoteDetails": details, "seriesType": s["type"]})
            out.append({"Key": s["Key"], "Value": s["Value"], "provinces": provinces})
        return out

    def subjects(self):
        """Every subject of the catalogue with its series: (detail, series)."""
        for s in self.series:
            for p in s["provinces"]:
                for d in p["QuoteDetails"]:
                    yield d, s

    def subject(self, value):
        for d, s in self.subjects():
            if d["Value"] == value:
                return d, s
        return None, None

    def series_named(self, name):
        low = name.lower()
        for s in self.series:
            if s["Value"].lower() == low or s["Key"] == name:
                return s
        return None

    def packet_files(self):
        return {p["file"] for p in self.packets}

    def packet_of_type(self, kind):
        return next((p for p in self.packets if p["packe_type"] == kind), None)

    def image_names(self):
        try:
            return set(os.listdir(self.image_dir))
        except OSError:
            return set()
