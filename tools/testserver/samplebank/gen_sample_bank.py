#!/usr/bin/python3
"""Generates the sample question bank GKSample, and a small bank for each other subject the test server
lists, into a folder: /usr/bin/python3 gen_sample_bank.py --out DIR"""

import argparse
import os
import sys

sys.dont_write_bytecode = True
sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))

import bank  # noqa: E402
import subjects  # noqa: E402


def main(argv=None):
    parser = argparse.ArgumentParser(description=__doc__)
    parser.add_argument("--out", required=True, help="output folder (created when missing)")
    parser.add_argument("--quiet", action="store_true", help="print nothing on success")
    args = parser.parse_args(argv)
    os.makedirs(args.out, exist_ok=True)
    written = bank.build(os.path.abspath(args.out))
    written += subjects.build(os.path.abspath(args.out))
    if not args.quiet:
        print("sample bank: %d files in %s" % (len(written), os.path.abspath(args.out)))
    return 0


if __name__ == "__main__":
    sys.exit(main())
