"""A small question bank for every other subject the test server lists, so that a user who picks any
subject can download a bank and practise. Each bank has its own chapters, questions of all seven types
and one picture; it is written with the sample bank's rows and ciphers (bank.py), in a folder of its
own: subjects/<Value>/ with <Value>.db, ImgDir_<Value>.zip, <Value>.zip (the first-install packet),
tk_img/imgdir_<Value>/<picture> and <Value>.manifest.json in the sample's manifest format (one state,
"bank"; one packet, type 6).

The list below must match the subjects of the server's catalogue (tools/testserver/apiserver/catalog.py);
the server refuses to start when a listed subject has no bank.
"""

import json
import os

import bank as B
import content as C

SUBJECTS_DIR = "subjects"

# (Value, display name, field of its questions, colour of its picture)
SUBJECTS = [
    ("LCZYYS", "临床执业医师", "medicine", (200, 70, 80)),
    ("KQZYYS", "口腔执业医师", "medicine", (190, 90, 120)),
    ("EJJZSBJ", "二级建造师（北京）", "building", (60, 110, 190)),
    ("EJJZSSH", "二级建造师（上海）", "building", (50, 140, 170)),
    ("CJKJZC", "初级会计职称", "accounting", (210, 150, 40)),
]

opts, choice, text_q, a3, b1, PD = C.opts, C.choice, C.text_q, C.a3, C.b1, C.PD

# Questions of each field: (chapter index 0 or 1, question without its AID). The AID is added per subject.
FIELDS = {
    "medicine": [
        (0, lambda a, pic: choice(a, "ATEST", "成年人安静状态下的正常心率范围是（　）。",
                                  opts("40～60次/分", "60～100次/分", "100～120次/分", "120～140次/分"), "B",
                                  "成年人安静时心率通常为每分钟60～100次。")),
        (0, lambda a, pic: choice(a, "ATEST", "如图[%s]所示的标志提示的是（　）。" % pic,
                                  opts("注意安全", "禁止通行", "紧急出口", "医疗救护"), "D",
                                  "本题配图为医疗救护标志。")),
        (0, lambda a, pic: choice(a, "XTEST", "下列属于生命体征的有（　）。",
                                  opts("体温", "脉搏", "呼吸", "血压", "身高"), "ABCD",
                                  "生命体征包括体温、脉搏、呼吸和血压。")),
        (0, lambda a, pic: choice(a, "PDTEST", "人体最大的器官是皮肤。", PD, "A", "皮肤是人体面积最大的器官。")),
        (1, lambda a, pic: a3(a, "患者，男，45岁，饭后突发上腹部剧痛，伴恶心、呕吐。", [
            ("首先应做的检查是（　）。", opts("血常规", "腹部检查", "心电图", "胸片"), "B", "先做腹部体格检查。"),
            ("该患者最需警惕的是（　）。", opts("感冒", "急腹症", "皮疹", "贫血"), "B", "突发剧烈腹痛应警惕急腹症。"),
        ])),
        (1, lambda a, pic: b1(a, "下列维生素缺乏分别可能引起哪种病症？", opts("夜盲症", "坏血病", "佝偻病", "脚气病"), [
            ("维生素A缺乏", "A", "维生素A缺乏可致夜盲症。"),
            ("维生素C缺乏", "B", "维生素C缺乏可致坏血病。"),
        ])),
        (1, lambda a, pic: text_q(a, "JDTEST", "简述心肺复苏的基本步骤。",
                                  "判断意识与呼吸，呼救，胸外按压，开放气道，人工呼吸。", "")),
        (1, lambda a, pic: text_q(a, "TKTEST", "正常成年人的体温（腋下）约为______℃。", "36～37",
                                  "腋下体温正常范围约为36～37℃。")),
    ],
    "building": [
        (0, lambda a, pic: choice(a, "ATEST", "普通硅酸盐水泥的初凝时间不得早于（　）。",
                                  opts("45分钟", "30分钟", "60分钟", "90分钟"), "A",
                                  "通用硅酸盐水泥的初凝时间不得早于45分钟。")),
        (0, lambda a, pic: choice(a, "ATEST", "如图[%s]所示的施工现场标志属于（　）。" % pic,
                                  opts("禁止标志", "警告标志", "指令标志", "提示标志"), "C",
                                  "本题配图为指令标志：必须戴安全帽。")),
        (0, lambda a, pic: choice(a, "XTEST", "下列属于建筑工程施工安全“三宝”的有（　）。",
                                  opts("安全帽", "安全带", "安全网", "安全鞋"), "ABC",
                                  "安全帽、安全带、安全网合称“三宝”。")),
        (0, lambda a, pic: choice(a, "PDTEST", "混凝土强度等级是按立方体抗压强度标准值确定的。", PD, "A",
                                  "混凝土强度等级按立方体抗压强度标准值划分。")),
        (1, lambda a, pic: a3(a, "某住宅楼工程，地上六层，砖混结构，雨季施工。", [
            ("雨季施工时，砌筑砂浆的稠度应（　）。", opts("适当增大", "适当减小", "保持不变", "无要求"), "B",
             "雨季施工应适当减小砂浆稠度。"),
            ("每日砌筑高度不宜超过（　）。", opts("1.2米", "1.5米", "1.8米", "2.0米"), "A", "雨季每日砌筑高度不宜超过1.2米。"),
        ])),
        (1, lambda a, pic: b1(a, "下列工作分别属于哪个施工阶段？", opts("施工准备", "基础施工", "主体施工", "竣工验收"), [
            ("图纸会审", "A", "图纸会审属于施工准备阶段。"),
            ("质量验收资料归档", "D", "资料归档属于竣工验收阶段。"),
        ])),
        (1, lambda a, pic: text_q(a, "JDTEST", "简述施工现场临时用电的“三级配电、两级保护”。",
                                  "总配电箱、分配电箱、开关箱三级配电；总配电箱和开关箱两级漏电保护。", "")),
        (1, lambda a, pic: text_q(a, "TKTEST", "脚手架立杆底部应设置______和垫板。", "底座",
                                  "立杆底部应设底座和垫板。")),
    ],
    "accounting": [
        (0, lambda a, pic: choice(a, "ATEST", "会计的基本职能是（　）。",
                                  opts("核算与监督", "预测与决策", "计划与控制", "分析与考核"), "A",
                                  "会计的基本职能是会计核算和会计监督。")),
        (0, lambda a, pic: choice(a, "ATEST", "如图[%s]所示的单据属于（　）。" % pic,
                                  opts("原始凭证", "记账凭证", "会计账簿", "财务报表"), "A",
                                  "本题配图为一张发票，属于原始凭证。")),
        (0, lambda a, pic: choice(a, "XTEST", "下列属于会计要素的有（　）。",
                                  opts("资产", "负债", "所有者权益", "现金流量"), "ABC",
                                  "会计要素包括资产、负债、所有者权益、收入、费用和利润。")),
        (0, lambda a, pic: choice(a, "PDTEST", "资产＝负债＋所有者权益。", PD, "A", "这是会计的基本等式。")),
        (1, lambda a, pic: a3(a, "甲公司本月以银行存款购入原材料一批，价款10000元，材料已验收入库。", [
            ("该业务应借记的科目是（　）。", opts("原材料", "银行存款", "应付账款", "库存现金"), "A", "材料入库，借记原材料。"),
            ("该业务应贷记的科目是（　）。", opts("原材料", "银行存款", "应收账款", "实收资本"), "B", "以银行存款支付，贷记银行存款。"),
        ])),
        (1, lambda a, pic: b1(a, "下列账户分别属于哪一类？", opts("资产类", "负债类", "所有者权益类", "损益类"), [
            ("应付账款", "B", "应付账款属于负债类账户。"),
            ("主营业务收入", "D", "主营业务收入属于损益类账户。"),
        ])),
        (1, lambda a, pic: text_q(a, "JDTEST", "简述借贷记账法的记账规则。", "有借必有贷，借贷必相等。", "")),
        (1, lambda a, pic: text_q(a, "TKTEST", "会计期间分为年度和______。", "中期", "会计期间分为年度和中期。")),
    ],
}

CHAPTER_NAMES = ["第一章 基础知识", "第二章 综合练习"]


def subject_files(value):
    """The files written for one subject, relative to the output folder."""
    folder = os.path.join(SUBJECTS_DIR, value)
    return [os.path.join(folder, n) for n in ("%s.db" % value, "ImgDir_%s.zip" % value, "%s.zip" % value,
                                              "%s.manifest.json" % value,
                                              os.path.join("tk_img", "imgdir_%s" % value, picture_name(value)))]


def picture_name(value):
    return "%s_sign.png" % value.lower()


def build_subject(index, value, display, field, colour):
    """{relative path: bytes} of one subject's bank."""
    folder = os.path.join(SUBJECTS_DIR, value)
    pic = picture_name(value)
    base = 100000 * (index + 1)  # AIDs apart from the sample's and from each other's
    tree = [(1, display, [(11, display + "基础", [(111, CHAPTER_NAMES[0]), (112, CHAPTER_NAMES[1])])])]
    leaves = [111, 112]
    ids = B.Ids()
    rows = []
    sort_ids = {111: 0, 112: 0}
    for n, (chapter, make) in enumerate(FIELDS[field]):
        q = make(base + n + 1, pic)
        leaf = leaves[chapter]
        sort_ids[leaf] += 1
        row_id, subs = ids.take(q)
        rows.append(B.make_row(q, leaf, row_id, sort_ids[leaf], subs, "pid-1"))
    guide = [("001", "考试简介", "<p>%s题库（测试服务器生成）：章节练习、模拟考试与错题重做。</p>" % display)]

    def fill(conn):
        B._insert_versions(conn, C.BANK_BATCHES)
        for r in rows:
            conn.execute("INSERT INTO Test(AID,GUID,Type,ID,PID,TestContent) VALUES(?,?,?,?,?,?)",
                         (r["AID"], r["GUID"], r["Type"], r["ID"], r["PID"], r["TestContent"]))
        B._insert_others(conn, B.other_content_rows(rows, guide, tree))

    db_name, img_pack, bank_zip = "%s.db" % value, "ImgDir_%s.zip" % value, "%s.zip" % value
    picture = B.make_png(120, 80, colour)
    files = {db_name: B._sqlite_bytes(B.BANK_SCHEMA, fill)}
    files[img_pack] = B._zip([(pic, picture)])
    files[bank_zip] = B._zip([(db_name, files[db_name]), (img_pack, files[img_pack])])
    img_dir = os.path.join("tk_img", "imgdir_%s" % value)
    files[os.path.join(img_dir, pic)] = picture

    subject_of = B.subjects_of_chapters(tree)
    questions = [dict(AID=r["AID"], Type=r["Type"], Chapter=r["Chapter"], Subject=subject_of[r["Chapter"]],
                      Bad=False, Records=r["Records"], Title=r["obj"].get("FrontTitle") or r["obj"]["Title"],
                      Content=r["obj"]) for r in rows]
    styles = {t: {"StyleID": s[0], "Style": s[1], "Description": s[2]} for t, s in C.STYLES.items()}
    manifest = {
        "Value": value, "Key": display, "TypeOrder": C.TYPE_ORDER, "Styles": styles,
        "States": {"bank": {"MaxBatchID": max(C.BANK_BATCHES), "Chapters": B.chapter_tree(rows, tree)["Body"],
                            "Questions": questions}},
        "Packets": [dict(packe_type=6, file=bank_zip, from_batchid=-1, max_batchid=max(C.BANK_BATCHES),
                         update_content="%s完整题库" % display)],
        "Images": {"Dir": img_dir.replace(os.sep, "/"), "ServerOnly": []},
    }
    files["%s.manifest.json" % value] = (json.dumps(manifest, ensure_ascii=False, indent=1) + "\n").encode("utf-8")
    return {os.path.join(folder, rel): data for rel, data in files.items()}


def build(out_dir):
    """Writes every subject's bank below out_dir/subjects. Returns the written paths."""
    written = []
    for index, (value, display, field, colour) in enumerate(SUBJECTS):
        files = build_subject(index, value, display, field, colour)
        if sorted(files) != sorted(subject_files(value)):
            raise AssertionError("output list of %s out of date" % value)
        for rel in sorted(files):
            path = os.path.join(out_dir, rel)
            B._write_atomic(path, files[rel])
            written.append(path)
    return written
