#!/usr/bin/env python3
"""Writes the seed corpora of property_list_fuzzer, url_fuzzer and date_formatter_fuzzer into
corpus/<target>/ beside this script."""
import datetime
import os
import plistlib

HERE = os.path.dirname(os.path.abspath(__file__))


def write(target, name, data):
    out = os.path.join(HERE, "corpus", target)
    os.makedirs(out, exist_ok=True)
    with open(os.path.join(out, name), "wb") as f:
        f.write(data if isinstance(data, bytes) else data.encode("utf-8"))


# Property lists as the bundle and the user defaults hold them.
defaults = {
    "isFirstOpen": True,
    "QuoteProductChoice": {"Key": "常识综合（样例）", "Value": "GKSample"},
    "count": 42,
    "ratio": 0.5,
    "when": datetime.datetime(2021, 6, 15, 12, 0, 0),
    "blob": b"\x00\x01\xff",
    "list": ["a", 1, False, [], {}],
}
write("property_list_fuzzer", "defaults.xml", plistlib.dumps(defaults, fmt=plistlib.FMT_XML))
write("property_list_fuzzer", "defaults.bin", plistlib.dumps(defaults, fmt=plistlib.FMT_BINARY))
write("property_list_fuzzer", "catalog.xml", plistlib.dumps(
    {"screens": [{"identifier": "MainInterfaceViewController1", "class": "X"}]}, fmt=plistlib.FMT_XML))
write("property_list_fuzzer", "big_numbers.bin", plistlib.dumps(
    [2**63 - 1, -2**63, 1e308, -0.0, "x" * 40], fmt=plistlib.FMT_BINARY))
write("property_list_fuzzer", "entities.xml",
      '<?xml version="1.0" encoding="UTF-8"?>\n<plist version="1.0"><dict><key>a&amp;b</key>'
      '<string>&lt;&#x4E2D;&gt;</string><key>a&amp;b</key><integer>-7</integer></dict></plist>')

# URLs: a base (a packet address, an API base) and a Location reference after a newline.
urls = {
    "packet": "http://127.0.0.1:8080/packets/GKSample_up_2_3.db\n",
    "relative": "http://update.example.com/api/1.0/json/query?x=1#f\n../packets/a.zip?y=2",
    "absolute": "https://a.example.com/x\nhttp://b.example.com:81/y",
    "authority": "http://h/x/y\n//other.host/z",
    "query_only": "http://h/x/y?old\n?new",
    "ipv6": "http://[::1]:8080/a\n/b/./c/../d",
    "userinfo": "http://user:pw@host/\n#frag",
    "escapes": "http://h/%E4%B8%AD%20x\nsp%20ace",
}
for name, text in urls.items():
    write("url_fuzzer", name, text)

# Dates: a pattern index byte (0xFF: the pattern follows, up to a newline), then the text.
dates = [
    (0, "2021-06-15 12:00:00"), (1, "2021-02-29"), (2, "20210615"), (3, "2021-06"), (4, "23:59"),
    (5, "06-15"), (6, "2021年06月15日"), (7, "2021-06-15 12:00:00.125"),
    (8, "Tue, 15 Jun 2021 12:00:00 GMT"), (9, "12:30 下午"), (10, "21/6/5"), (11, "Tuesday June 15 2021"),
]
for index, text in dates:
    write("date_formatter_fuzzer", "pattern%d" % index, bytes([index]) + text.encode("utf-8"))
write("date_formatter_fuzzer", "own_pattern", b"\xff'at' HH 'o''clock'\nat 07 o'clock")
