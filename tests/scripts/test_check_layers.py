"""The include-rule checker on small trees: which includes it lets pass and which it reports, and how.

Run: VD_SOURCE_DIR=<source tree> /usr/bin/python3 -B -m unittest -v test_check_layers
"""

import os
import subprocess
import sys
import tempfile
import unittest

HERE = os.path.dirname(os.path.abspath(__file__))
SOURCE_DIR = os.environ.get("VD_SOURCE_DIR", os.path.join(HERE, "..", ".."))
SCRIPT = os.path.join(SOURCE_DIR, "scripts", "check_layers.py")

# A small tree: low (with a sub-layer low/sub that may include low), a group of two layers grp/x and grp/y
# (grp itself has no rules), mid on low and the group, top on one header of mid and on low/sub.
RULES = {
    "low/INCLUDES": "# the floor\n",
    "low/sub/INCLUDES": "low\n",
    "grp/x/INCLUDES": "",
    "grp/y/INCLUDES": "grp/x\n",
    "mid/INCLUDES": "low   # a comment after an entry\n\ngrp\n",
    "top/INCLUDES": "mid/Face.h\nlow/sub\n",
}
HEADERS = ["low/A.h", "low/deep/B.h", "low/sub/S.h", "grp/x/X.h", "grp/y/Y.h", "mid/M.h", "mid/Face.h",
           "top/T.h"]


def run(files):
    with tempfile.TemporaryDirectory() as root:
        for path, text in files.items():
            os.makedirs(os.path.join(root, os.path.dirname(path)), exist_ok=True)
            with open(os.path.join(root, path), "w", encoding="utf-8") as f:
                f.write(text)
        done = subprocess.run([sys.executable, "-B", SCRIPT, "--root", root], capture_output=True, text=True)
        return done.returncode, done.stdout.splitlines()


class CheckLayersTest(unittest.TestCase):
    def tree(self, source_path, text):
        files = dict(RULES)
        files.update({h: "" for h in HEADERS})
        files[source_path] = text
        return run(files)

    def test_allowed_includes_pass(self):
        cases = [
            ("mid/M.cpp", '#include "low/A.h"\n'),             # a listed folder
            ("mid/M.cpp", '#include "low/deep/B.h"\n'),        # a listed layer's sub-folder without rules
            ("mid/M.cpp", '#include "grp/x/X.h"\n'),           # a listed group: every layer in it
            ("grp/y/Y.cpp", '#include "grp/x/X.h"\n'),
            ("mid/M.cpp", '#include "M.h"\n'),                 # beside the file
            ("low/deep/C.cpp", '#include "low/A.h"\n'),        # the same rule file governs both
            ("low/sub/S.cpp", '#include "low/A.h"\n'),         # a sub-layer including its listed parent
            ("top/main.cpp", '#include "mid/Face.h"\n'),       # a single listed header
            ("top/main.cpp", '  #  include "low/sub/S.h"\n'),  # spacing inside the directive
            ("top/main.cpp", '#include <low/A.h>\n'),          # angle brackets: the system's, not read
            ("mid/M.cpp", '// #include "top/T.h"\n'),           # a comment
        ]
        for path, text in cases:
            with self.subTest(path=path, text=text):
                self.assertEqual(self.tree(path, text), (0, []))

    def test_breaches_are_reported_one_line_each(self):
        cases = [
            ("low/A.cpp", '#include "mid/M.h"\n',
             'low/A.cpp:1: includes "mid/M.h": low may include only nothing outside itself'),
            ("low/A.cpp", '#include "low/sub/S.h"\n',  # a sub-layer above its parent
             'low/A.cpp:1: includes "low/sub/S.h": low may include only nothing outside itself'),
            ("mid/M.cpp", '\n#include "top/T.h"\n',
             'mid/M.cpp:2: includes "top/T.h": mid may include only low, grp'),
            ("mid/M.cpp", '#include "low/sub/S.h"\n',  # a listed layer, not its sub-layer
             'mid/M.cpp:1: includes "low/sub/S.h": mid may include only low, grp'),
            ("grp/x/X.cpp", '#include "grp/y/Y.h"\n',  # layers side by side in a group
             'grp/x/X.cpp:1: includes "grp/y/Y.h": grp/x may include only nothing outside itself'),
            ("top/main.cpp", '#include "mid/M.h"\n',  # the one header of mid that is listed is another
             'top/main.cpp:1: includes "mid/M.h": top may include only mid/Face.h, low/sub'),
            ("top/main.cpp", '#include "low/A.h"\n',  # low/sub is listed, low is not
             'top/main.cpp:1: includes "low/A.h": top may include only mid/Face.h, low/sub'),
            ("top/main.cpp", '#include "mid/FaceExtra.h"\n',  # a listed header is no prefix of names
             'top/main.cpp:1: includes "mid/FaceExtra.h": top may include only mid/Face.h, low/sub'),
            ("mid/M.cpp", '#include "../top/T.h"\n',  # a relative path is resolved before it is judged
             'mid/M.cpp:1: includes "../top/T.h": mid may include only low, grp'),
            ("mid/M.cpp", '#include "../../etc/passwd"\n',
             'mid/M.cpp:1: includes "../../etc/passwd": a path out of the tree'),
            ("other/O.cpp", '#include "low/A.h"\n',
             'other/O.cpp: no INCLUDES file in its folder or above it'),
        ]
        for path, text, line in cases:
            with self.subTest(path=path, text=text):
                self.assertEqual(self.tree(path, text), (1, [line]))

    def test_skipped_folders_and_build_trees_are_not_read(self):
        for path in ["tests/x/T.cpp", "build/gen/G.cpp", "mid/build-asan/G.cpp", "fuzz/F.cpp"]:
            with self.subTest(path=path):
                self.assertEqual(self.tree(path, '#include "top/T.h"\n'), (0, []))

    def test_a_rule_file_that_is_no_list_of_paths_is_reported(self):
        for entry in ["/usr/include", "../up", "two words"]:
            with self.subTest(entry=entry):
                files = dict(RULES)
                files["mid/INCLUDES"] = entry + "\n"
                files["mid/M.cpp"] = '#include "low/A.h"\n'
                code, lines = run(files)
                self.assertEqual(code, 1)
                self.assertTrue(lines[0].startswith("mid/INCLUDES: unreadable rule file: line 1:"), lines)


if __name__ == "__main__":
    unittest.main()
