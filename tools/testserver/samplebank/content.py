"""The content of the sample question bank "GKSample" (general-knowledge questions).

Everything here is plain data; bank.py turns it into the database, the packs and the golden file.
Texts hold no ASCII single quote (update statements paste question texts between quotes) and no
square brackets other than image markers.
"""

BANK = "GKSample"
BANK_DISPLAY = "常识综合（样例）"

# Question-group styles, one per type, in the order the server lists the sessions of a set.
TYPE_ORDER = ["ATEST", "A3TEST", "BTEST", "XTEST", "PDTEST", "JDTEST", "TKTEST"]
STYLES = {
    "ATEST": (1, "单项选择题", "每题有四个备选答案，请从中选择一个最佳答案。"),
    "A3TEST": (3, "案例分析题", "以下提供若干个案例，每个案例下设若干道试题，每道试题有一个或多个正确答案。"),
    "BTEST": (4, "配伍选择题", "以下每组试题共用题干前列出的备选答案，请为每道试题选择一个最佳答案。"),
    "XTEST": (5, "多项选择题", "每题有两个或两个以上正确答案，请选出全部正确答案。"),
    "PDTEST": (6, "判断题", "请判断下列说法是否正确。"),
    "JDTEST": (7, "简答题", "请简要回答下列问题。"),
    "TKTEST": (8, "填空题", "请在横线处填写正确答案。"),
}

# Row ids ("ID") are numbered per type from these bases, as separate per-type tables would number them.
ID_BASE = {"ATEST": 101, "XTEST": 201, "PDTEST": 301, "JDTEST": 401, "TKTEST": 501, "A3TEST": 601, "BTEST": 701}
SUB_ID_BASE = {"A3TEST": 6101, "BTEST": 7101}

# Key batches. Batch 1 is stored under Version 3 (fixed key "19970325", Time with a 5-character
# prefix); batch 2 under Version 1 (fixed key "58203691", no prefix) with a key text longer than 8
# bytes, of which only the first 8 take part in DES; batch 3 arrives with the update pack, its Version
# stored as the real number 3.0.
BATCHES = {
    1: {"ID": 1, "Version": 3.0, "Key": "GkBatch1", "TimePrefix": "Vd3kT"},
    2: {"ID": 2, "Version": 1.0, "Key": "GkBatch2-2013", "TimePrefix": ""},
    3: {"ID": 3, "Version": 3.0, "Key": "GkBatch3", "TimePrefix": "Up3qZ"},
}
BANK_BATCHES = [1, 2]
PACK_BATCHES = [3]

PD = [("A", "正确"), ("B", "错误")]


def opts(*texts):
    return [(chr(ord("A") + i), t) for i, t in enumerate(texts)]


def choice(aid, qtype, title, options, answer, explain, **extra):
    return dict(AID=aid, Type=qtype, Title=title, Options=options, Answer=answer, Explain=explain, **extra)


def text_q(aid, qtype, title, answer, explain, **extra):
    return dict(AID=aid, Type=qtype, Title=title, Answer=answer, Explain=explain, **extra)


def a3(aid, front, subs, **extra):
    """subs: (title, options, answer, explain) per sub-question."""
    return dict(AID=aid, Type="A3TEST", FrontTitle=front, Subs=subs, **extra)


def b1(aid, front, options, subs, **extra):
    """subs: (title, answer, explain) per sub-question; the options are shared."""
    return dict(AID=aid, Type="BTEST", FrontTitle=front, Options=options, Subs=subs, **extra)


# Chapter tree: level 1 is the exam, level 2 the subjects; below a subject chapters nest, and the leaves
# hold the questions. Most leaves are on level 3; chapter 122 has two leaves of its own on level 4, one
# of them (1222) without any question.
TREE = [
    (1, "常识综合", [
        (11, "人文常识", [(111, "地理常识"), (112, "历史常识")]),
        (12, "科技常识", [(121, "科学常识"), (122, "数学常识", [(1221, "四则运算"), (1222, "数学趣题")])]),
    ]),
]

GEOGRAPHY = [
    choice(1001, "ATEST", "世界上面积最大的大洋是（　）。", opts("大西洋", "印度洋", "太平洋", "北冰洋"), "C",
           "太平洋面积约1.8亿平方千米，约占世界海洋总面积的一半。"),
    choice(1002, "ATEST", "我国面积最大的省级行政区是（　）。",
           opts("西藏自治区", "新疆维吾尔自治区", "内蒙古自治区", "青海省"), "B", "新疆维吾尔自治区面积约166万平方千米，约占全国陆地面积的六分之一。"),
    choice(1003, "ATEST", "通常认为世界上最长的河流是（　）。", opts("亚马孙河", "长江", "尼罗河", "密西西比河"), "C",
           "尼罗河全长约6670千米，通常被认为是世界上最长的河流。"),
    choice(1004, "ATEST", "珠穆朗玛峰位于哪两个国家的边境上（　）？", opts("中国与印度", "中国与尼泊尔", "尼泊尔与印度", "中国与不丹"), "B",
           "珠穆朗玛峰位于中国与尼泊尔边境，是世界最高峰。"),
    choice(1005, "ATEST", "我国最大的淡水湖是（　）。", opts("洞庭湖", "太湖", "鄱阳湖", "青海湖"), "C", "鄱阳湖位于江西省北部。"),
    choice(1006, "ATEST", "赤道穿过下列哪个大洲（　）？", opts("欧洲", "南极洲", "北美洲", "非洲"), "D",
           "赤道穿过非洲、南美洲和亚洲的部分岛屿，不经过欧洲、南极洲和北美洲。"),
    choice(1007, "ATEST", "读图[gk_map500.png]，我国地势的总体特征是（　）。",
           opts("东高西低", "西高东低，呈三级阶梯状分布", "南高北低", "中部高、四周低"), "B", "我国地势西高东低，大致呈三级阶梯状分布。"),
    choice(1008, "ATEST", "如图[gk_compass.PNG]所示，指南针的磁针静止时，其N极大致指向（　）。", opts("东", "南", "西", "北"), "D",
           "地磁南极在地理北极附近，磁针N极受其吸引而指向北方。"),
    choice(1009, "ATEST", "世界上国土面积最大的国家是（　）。", opts("中国", "加拿大", "俄罗斯", "美国"), "C", "俄罗斯国土面积约1710万平方千米。"),
    choice(1010, "ATEST", "黄河最终注入（　）。", opts("黄海", "渤海", "东海", "南海"), "B", "黄河在山东省东营市注入渤海。"),
    choice(1011, "ATEST", "一年中北半球白昼最长的一天是（　）。", opts("春分", "夏至", "秋分", "冬至"), "B", "夏至日太阳直射北回归线，北半球昼最长。"),
    choice(1012, "ATEST", "地球自转一周的时间约为（　）。", opts("1小时", "1天", "1个月", "1年"), "B", "", cipher="pid-null-wrapped"),
    choice(1013, "XTEST", "下列属于我国四大高原的有（　）。",
           opts("青藏高原", "黄土高原", "云贵高原", "东北平原", "内蒙古高原"), "ABCE", "我国四大高原是青藏高原、内蒙古高原、黄土高原和云贵高原。"),
    choice(1014, "XTEST", "下列河流中，最终注入太平洋的有（　）。", opts("长江", "黄河", "雅鲁藏布江", "珠江"), "ABD",
           "雅鲁藏布江流出国境后注入孟加拉湾，属于印度洋水系。"),
    choice(1015, "XTEST", "下列国家中，属于内陆国（不临海）的有（　）。", opts("蒙古", "瑞士", "日本", "老挝"), "ABD",
           "日本是岛国，四面临海。"),
    choice(1016, "PDTEST", "长江是我国最长的河流。", PD, "A", "长江全长约6300千米，是我国第一长河。"),
    choice(1017, "PDTEST", "本初子午线经过法国巴黎。", PD, "B", "本初子午线即0°经线，经过英国伦敦格林尼治天文台旧址。"),
    a3(1018, "小明暑假从上海出发，先乘飞机到乌鲁木齐，再乘火车前往喀什。请根据这段行程回答下列问题。", [
        ("上海位于哪条河流的入海口附近（　）？", opts("黄河", "长江", "珠江", "淮河"), "B", "上海位于长江入海口南岸。"),
        ("乌鲁木齐所在的省级行政区是（　）。", opts("甘肃省", "青海省", "新疆维吾尔自治区", "西藏自治区"), "C", "乌鲁木齐是新疆维吾尔自治区的首府。"),
        ("与上海相比，喀什气候的主要特点有（　）。", opts("降水较少", "气温日较差较大", "全年高温多雨", "晴天较多"), "ABD",
         "喀什深居内陆，属温带大陆性气候，降水少、晴天多、昼夜温差大。"),
    ]),
    text_q(1019, "TKTEST", "我国领土最北端在黑龙江省漠河以北的______主航道中心线上。", "黑龙江", "我国领土最北端在漠河以北的黑龙江主航道中心线上。"),
    text_q(1020, "JDTEST", "简述我国季风气候的主要特点。",
           "1. 冬季盛行偏北风，寒冷干燥；\n2. 夏季盛行偏南风，高温多雨；\n3. 雨热同期。", "略"),
]

HISTORY = [
    choice(1101, "ATEST", "秦始皇统一六国是在公元前（　）年。", opts("230", "221", "206", "202"), "B", "公元前221年，秦灭齐，完成统一。"),
    choice(1102, "ATEST", "我国古代四大发明不包括（　）。", opts("造纸术", "印刷术", "火药", "地动仪"), "D",
           "四大发明是造纸术、印刷术、火药和指南针；地动仪是东汉张衡的发明。"),
    choice(1103, "ATEST", "丝绸之路的开通与西汉时期哪位人物出使西域有关（　）？", opts("张骞", "班超", "郑和", "玄奘"), "A",
           "张骞两次出使西域，为丝绸之路的开通奠定了基础。"),
    choice(1104, "ATEST", "图中[长城.png]所示的长城，在哪个朝代第一次被连接成“万里长城”（　）？", opts("秦朝", "汉朝", "唐朝", "明朝"), "A",
           "秦朝统一后，将原有燕、赵、秦等国的长城连接起来，形成万里长城。"),
    choice(1105, "ATEST", "郑和下西洋发生在（　）。", opts("宋朝", "元朝", "明朝", "清朝"), "C", "1405年至1433年，郑和七次下西洋。"),
    choice(1106, "ATEST", "唐朝的都城是（　）。", opts("洛阳", "长安", "开封", "南京"), "B", "唐朝定都长安，即今陕西西安。"),
    choice(1107, "ATEST", "《史记》的作者是（　）。", opts("司马光", "班固", "司马迁", "陈寿"), "C", "《史记》是西汉司马迁所著的纪传体通史。"),
    choice(1108, "ATEST", "中国历史上第一个统一的多民族封建国家是（　）。", opts("夏朝", "商朝", "周朝", "秦朝"), "D", "秦朝是我国第一个统一的多民族封建国家。"),
    choice(1109, "ATEST", "1911年爆发的推翻清朝统治的革命是（　）。", opts("戊戌变法", "辛亥革命", "洋务运动", "五四运动"), "B",
           "辛亥革命推翻了清朝统治，结束了两千多年的君主专制制度。", cipher="pid-2-noprefix"),
    choice(1110, "ATEST", "毕昇发明活字印刷术是在（　）。", opts("唐朝", "北宋", "元朝", "明朝"), "B", "北宋毕昇发明了泥活字印刷术。"),
    choice(1111, "ATEST", "第一次工业革命最早开始于（　）。", opts("法国", "美国", "英国", "德国"), "C", "18世纪60年代，第一次工业革命首先在英国开始。"),
    choice(1112, "ATEST", "古代埃及的金字塔是（　）。", opts("国王的陵墓", "神庙", "宫殿", "粮仓"), "A", "金字塔是古代埃及国王（法老）的陵墓。",
           json="escaped"),
    choice(1113, "XTEST", "下列属于唐朝诗人的有（　）。", opts("李白", "杜甫", "苏轼", "白居易"), "ABD", "苏轼是北宋文学家。"),
    choice(1114, "XTEST", "下列发明中，属于我国古代四大发明的有（　）。", opts("指南针", "火药", "瓷器", "造纸术"), "ABD",
           "瓷器是我国古代的重要发明，但不属于四大发明。"),
    choice(1115, "PDTEST", "《清明上河图》描绘的是北宋都城东京（今河南开封）的景象。", PD, "A", "《清明上河图》为北宋画家张择端所作。"),
    choice(1116, "PDTEST", "明朝的开国皇帝是赵匡胤。", PD, "B", "明朝的开国皇帝是朱元璋；赵匡胤是北宋的开国皇帝。"),
    b1(1117, "下列历史事件分别发生在哪个朝代？", opts("秦朝", "汉朝", "唐朝", "宋朝", "明朝"), [
        ("焚书坑儒", "A", "焚书坑儒发生在秦始皇时期。"),
        ("玄奘西行取经", "C", "玄奘于唐太宗时期西行天竺取经。"),
        ("岳飞抗金", "D", "岳飞是南宋抗金名将。"),
    ]),
    text_q(1118, "TKTEST", "我国第一部诗歌总集是《______》。", "诗经", "《诗经》收录了西周初年至春秋中叶的诗歌三百余篇。"),
]

SCIENCE = [
    choice(1201, "ATEST", "在一个标准大气压下，水的沸点是（　）。", opts("90℃", "100℃", "110℃", "120℃"), "B", ""),
    choice(1202, "ATEST", "光在真空中的传播速度约为（　）。", opts("约3万千米/秒", "约30万千米/秒", "约300万千米/秒", "约340米/秒"), "B",
           "340米/秒是声音在15℃空气中的传播速度。"),
    choice(1203, "ATEST", "人体中含量最多的物质是（　）。", opts("蛋白质", "脂肪", "水", "糖类"), "C", "水约占成年人体重的60%至70%。"),
    choice(1204, "ATEST", "太阳系中体积最大的行星是（　）。", opts("土星", "木星", "地球", "海王星"), "B", "木星是太阳系中体积和质量最大的行星。"),
    choice(1205, "ATEST", "如图[gk_icon100.png]所示的三角形警告标志，其底色通常为（　）。", opts("红色", "黄色", "蓝色", "绿色"), "B",
           "警告标志一般为黄底、黑边、黑图案的三角形。"),
    choice(1206, "ATEST", "植物进行光合作用时主要吸收的气体是（　）。", opts("氧气", "氮气", "二氧化碳", "氢气"), "C",
           "光合作用吸收二氧化碳，释放氧气。"),
    choice(1207, "ATEST", "如图[gk_server_only.png]所示，一束白光经过三棱镜后分成多种颜色的光，这说明白光（　）。",
           opts("是单色光", "由多种色光混合而成", "只含有红光", "不能被分解"), "B", "这是光的色散现象。"),
    choice(1208, "ATEST", "声音不能在（　）中传播。", opts("空气", "水", "钢铁", "真空"), "D", "声音的传播需要介质，真空不能传声。"),
    choice(1209, "ATEST", "血液中负责运输氧气的主要是（　）。", opts("白细胞", "红细胞", "血小板", "血浆"), "B", "红细胞中的血红蛋白能与氧结合。"),
    choice(1210, "XTEST", "下列属于可再生能源的有（　）。", opts("太阳能", "风能", "煤炭", "水能", "石油"), "ABD",
           "煤炭和石油是化石能源，属于不可再生能源。"),
    choice(1211, "XTEST", "下列物质中属于混合物的有（　）。", opts("空气", "蒸馏水", "海水", "氧气"), "AC", "蒸馏水和氧气都是纯净物。"),
    choice(1212, "PDTEST", "月球本身会发光。", PD, "B", "月光是月球反射的太阳光。"),
    choice(1213, "PDTEST", "铁在潮湿的空气中容易生锈。", PD, "A", "铁与空气中的氧气和水共同作用而生锈。"),
    a3(1214, "某同学将一个鸡蛋放入清水中，鸡蛋沉到杯底；向水中逐渐加盐并搅拌后，鸡蛋慢慢浮了起来。", [
        ("鸡蛋在清水中下沉，说明此时鸡蛋受到的浮力（　）其重力。", opts("大于", "等于", "小于", "无法判断"), "C", "浮力小于重力时物体下沉。"),
        ("加盐后鸡蛋上浮，主要原因是（　）。", opts("鸡蛋的重力变小", "盐水密度变大，鸡蛋受到的浮力增大", "鸡蛋的体积变大", "水的温度升高"), "B",
         "排开液体体积不变时，液体密度越大，浮力越大。"),
    ]),
    b1(1215, "下列科学成就分别与哪位科学家有关？", opts("牛顿", "爱迪生", "达尔文", "居里夫人"), [
        ("万有引力定律", "A", "牛顿在《自然哲学的数学原理》中提出万有引力定律。"),
        ("生物进化论", "C", "达尔文在《物种起源》中提出以自然选择为基础的进化论。"),
    ]),
    text_q(1216, "JDTEST", "简述预防近视的主要方法。", "读写姿势要正确，连续用眼时间不宜过长，保证充足的户外活动，定期检查视力。", ""),
]



def arithmetic():
    """Chapter 1221: 45 question records (more than two pages of 20), made by rule: 38 single-choice
    sums, differences, products and quotients whose right option moves through A to D, 4 true/false
    questions, and one case of three sub-questions."""
    out = []
    for i in range(38):
        a, b = 12 + (i * 7) % 47, 3 + (i * 5) % 11
        small = 2 + i % 9
        expr, result = [
            ("%d＋%d" % (a, b), a + b),
            ("%d－%d" % (a + b, b), a),
            ("%d×%d" % (small, b), small * b),
            ("%d÷%d" % (small * b, b), small),
        ][i % 4]
        position = i % 4
        options = [str(result + d) for d in (1, 2, 10)]
        options.insert(position, str(result))
        out.append(choice(1301 + i, "ATEST", "计算：%s＝（　）。" % expr, opts(*options), chr(ord("A") + position),
                          "%s＝%d。" % (expr, result)))
    for i in range(4):
        a, b = 6 + i, 7 + 2 * i
        shown = a * b + (0 if i % 2 == 0 else 1)
        out.append(choice(1339 + i, "PDTEST", "%d×%d＝%d。" % (a, b, shown), PD, "A" if i % 2 == 0 else "B",
                          "%d×%d＝%d。" % (a, b, a * b)))
    out.append(a3(1343, "小明去文具店买文具：每支铅笔2元，每本练习本5元。请根据题意回答下列问题。", [
        ("买3支铅笔需要多少元（　）？", opts("5元", "6元", "8元", "9元"), "B", "2×3＝6元。"),
        ("买2本练习本和1支铅笔一共需要多少元（　）？", opts("10元", "11元", "12元", "14元"), "C", "5×2＋2＝12元。"),
        ("用20元最多能买几本练习本（　）？", opts("3本", "4本", "5本", "6本"), "B", "20÷5＝4本。"),
    ]))
    return out


ARITHMETIC = arithmetic()

CHAPTER_QUESTIONS = {111: GEOGRAPHY, 112: HISTORY, 121: SCIENCE, 1221: ARITHMETIC}

# Rows that no reader can turn into a question; they sit in chapter 121 of the server's lists.
#   cipher: the Base64 text decodes to a length that is not a multiple of 8, with or without the prefix;
#   json:   deciphers to valid text that is not JSON;
#   nokey:  its PID names a batch that has no DBVersion row;
#   short:  PID is set and TestContent is shorter than the 5-character prefix.
BAD_ROWS = [
    dict(AID=1901, Type="ATEST", Reason="cipher", PID=1),
    dict(AID=1902, Type="ATEST", Reason="json", PID=1, Plain="这一行不是JSON：题目内容缺失"),
    dict(AID=1903, Type="ATEST", Reason="nokey", PID=7),
    dict(AID=1904, Type="ATEST", Reason="short", PID=2, Content="abc"),
]
BAD_CHAPTER = 121

# The update pack from batch 2 to batch 3. A changed question takes the pack's largest batch (3) as
# its PID whatever the BatchID of its pack row, so it is enciphered with batch 3's key; an added
# question keeps its own BatchID and is enciphered with that batch's key.
UPDATE_CHANGED = [
    (2, choice(1005, "ATEST", "我国面积最大的淡水湖是（　）。", opts("洞庭湖", "太湖", "鄱阳湖", "青海湖"), "C",
               "鄱阳湖位于江西省北部，是我国最大的淡水湖；青海湖面积虽大，但属于咸水湖。")),
    (3, choice(1206, "ATEST", "绿色植物进行光合作用时，主要吸收空气中的（　）。", opts("氧气", "氮气", "二氧化碳", "氢气"), "C",
               "光合作用吸收二氧化碳，释放氧气。")),
]
UPDATE_ADDED = [
    (3, 111, choice(1021, "ATEST", "图中[gk_volcano.png]所示的锥形山体主要由（　）作用形成。",
                    opts("流水侵蚀", "火山喷发", "风力沉积", "冰川侵蚀"), "B", "火山喷发的熔岩和碎屑物堆积形成火山锥。")),
    (2, 121, text_q(1217, "TKTEST", "地球上的水循环主要由______能驱动。", "太阳", "太阳辐射使水蒸发，是水循环的主要动力。")),
]
UPDATE_DELETED = [1107, 1902]

# Exam guide: InfoID has three digits per level; an article's KeyWord is its item's Title. Two items have
# ids of another length (GUIDE_STRAY_IDS): a reader that takes ids by prefix or by part would show them at
# the top or under 001; a list shows neither. Item 004 is a top-level leaf whose article the bank lacks.
GUIDE_STRAY_IDS = ["0011", "01"]
GUIDE = [
    ("001", "考试简介", None),
    ("001001", "考试对象", "<p>本样例题库面向希望巩固地理、历史和科学常识的考生。</p>"),
    ("0011", "旧版考试说明", "<p>此条目的编号为四位数字，不属于任何一级目录。</p>"),
    ("001002", "考试形式", None),
    ("001002001", "题型说明", "<p>题型包括单项选择题、多项选择题、判断题、案例分析题、配伍选择题、填空题和简答题。</p>"),
    ("002", "复习建议", "<p>建议按章节练习，答错的题目加入错题本反复练习；答题卡上的''姓名''栏须用黑色字迹签字笔填写。</p>"),
    ("01", "编号不全的条目", "<p>此条目的编号为两位数字。</p>"),
    ("004", "成绩查询", None),
]
GUIDE_UPDATED = [
    ("001", "考试简介", None),
    ("001001", "考试对象", "<p>本样例题库面向希望巩固地理、历史和科学常识的考生。</p>"),
    ("0011", "旧版考试说明", "<p>此条目的编号为四位数字，不属于任何一级目录。</p>"),
    ("001002", "考试形式", None),
    ("001002001", "题型说明", "<p>题型包括单项选择题、多项选择题、判断题、案例分析题、配伍选择题、填空题和简答题。</p>"),
    ("002", "复习建议", "<p>建议按章节练习并定期模拟考试；答题卡上的''姓名''栏须用黑色字迹签字笔填写。</p>"),
    ("01", "编号不全的条目", "<p>此条目的编号为两位数字。</p>"),
    ("003", "考场纪律", "<p>考生应提前三十分钟到达考场，不得携带通讯工具进入考场。</p>"),
    ("004", "成绩查询", None),
]

# Images: (name, width, height, colour). Where each one ships: the bank's image pack, the image pack
# of the update, or only the server (a question page downloads it on demand).
IMAGES = [
    ("gk_map500.png", 500, 200, (70, 130, 90)),
    ("gk_compass.PNG", 120, 120, (200, 60, 60)),
    ("长城.png", 400, 150, (150, 120, 80)),
    ("gk_icon100.png", 100, 60, (240, 200, 40)),
    ("gk_server_only.png", 360, 160, (90, 90, 200)),
    ("gk_volcano.png", 330, 180, (120, 60, 40)),
]
BANK_IMAGES = ["gk_map500.png", "gk_compass.PNG", "长城.png", "gk_icon100.png"]
UPDATE_IMAGES = ["gk_volcano.png"]
SERVER_ONLY_IMAGES = ["gk_server_only.png"]

UPDATE_CONTENT = {
    1: "修订2道试题，新增2道试题，删除1道试题，更新章节与考试指南",
    3: "新增试题配图1张",
    6: "常识综合（样例）完整题库",
    8: "修订2道试题，新增2道试题（含配图），删除1道试题",
}
