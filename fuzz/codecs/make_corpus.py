#!/usr/bin/env python3
"""Writes the seed corpus of bank_decipher_fuzzer into corpus/bank_decipher_fuzzer/ beside this script:
a key-length byte, the key, then Base64 text of DES cipher text as the sample bank enciphers it."""
import os
import sys

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.join(HERE, "..", "..", "tools", "testserver", "samplebank"))
import codec  # noqa: E402

OUT = os.path.join(HERE, "corpus", "bank_decipher_fuzzer")
os.makedirs(OUT, exist_ok=True)


def seed(name, key, text):
    with open(os.path.join(OUT, name), "wb") as f:
        f.write(bytes([len(key)]) + key + text.encode("ascii"))


def enciphered(plain, key):
    return codec.b64encode(codec.des_encrypt(codec.nul_pad(plain.encode("utf-8")), key.decode()))


seed("question", b"58203691", enciphered('{"Title":"火山是什么？","Answer":"A"}', b"58203691"))
seed("batch_key", b"19970325", enciphered("Vd3kTFcuexxzXkg4", b"19970325"))
seed("wrapped", b"12345678", "\r\n".join(enciphered("x" * 200, b"12345678")[i:i + 76] for i in range(0, 300, 76)))
seed("short_key", b"k", "AAAAAAAAAAA=")
seed("not_blocks", b"58203691", "QUJD")
seed("no_padding", b"58203691", enciphered("abcdefgh", b"58203691").rstrip("="))
