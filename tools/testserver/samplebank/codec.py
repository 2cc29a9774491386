"""DES-ECB and Base64 as the question bank uses them.

Content is stored as Base64 text of single-DES cipher text (ECB, no padding option, no IV). The key is
the first 8 bytes of the key text's UTF-8 form. Plain texts are padded with NUL bytes to a multiple of
8 bytes; readers cut the deciphered text at its first NUL.

The writer side uses the standard library's Base64 encoder (standard alphabet, "=" padding, no line
breaks). The reader side, `b64decode`, is the bank's own lenient decoder: it skips every byte outside
the alphabet, stops at the first "=", and drops a trailing group of 2-3 characters without "=".
"""

import base64

from cryptography.hazmat.primitives.ciphers import Cipher, algorithms, modes

# Fixed keys that decipher a DBVersion row's Time: the first for a row whose Version reads as the
# integer 3, the second for every other row.
FIXED_KEY_VERSION3 = "19970325"
FIXED_KEY_OTHER = "58203691"

_ALPHABET = b"ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/"
_SEXTET = {c: i for i, c in enumerate(_ALPHABET)}


def des_key(key_text):
    """The 8 key bytes of a key text. Shorter keys are refused: the bank never uses them."""
    key = key_text.encode("utf-8")[:8]
    if len(key) != 8:
        raise ValueError("DES key text shorter than 8 bytes: %r" % key_text)
    return key


def _cipher(key_text):
    # TripleDES with an 8-byte key is K1 = K2 = K3, which is single DES.
    return Cipher(algorithms.TripleDES(des_key(key_text)), modes.ECB())


def des_encrypt(data, key_text):
    if len(data) % 8:
        raise ValueError("DES input length %d is not a multiple of 8" % len(data))
    enc = _cipher(key_text).encryptor()
    return enc.update(data) + enc.finalize()


def des_decrypt(data, key_text):
    """Deciphered bytes, or None when the length is not a multiple of 8 (a cipher failure)."""
    if len(data) % 8:
        return None
    dec = _cipher(key_text).decryptor()
    return dec.update(data) + dec.finalize()


def nul_pad(data):
    return data + b"\0" * (-len(data) % 8)


def b64encode(data):
    return base64.b64encode(data).decode("ascii")


def b64decode(text):
    """The bank reader's lenient Base64 decoder (see the module comment)."""
    try:
        raw = text.encode("ascii")
    except UnicodeEncodeError:
        return b""
    out = bytearray()
    pending = []
    for c in raw:
        if c == 0x3D:  # "="
            if len(pending) in (1, 2):
                pending += [0] * (4 - len(pending))
                v = (pending[0] << 18) | (pending[1] << 12) | (pending[2] << 6) | pending[3]
                out.append((v >> 16) & 0xFF)
            elif len(pending) == 3:
                pending.append(0)
                v = (pending[0] << 18) | (pending[1] << 12) | (pending[2] << 6) | pending[3]
                out += bytes(((v >> 16) & 0xFF, (v >> 8) & 0xFF))
            return bytes(out)
        s = _SEXTET.get(c)
        if s is None:
            continue
        pending.append(s)
        if len(pending) == 4:
            v = (pending[0] << 18) | (pending[1] << 12) | (pending[2] << 6) | pending[3]
            out += bytes(((v >> 16) & 0xFF, (v >> 8) & 0xFF, v & 0xFF))
            pending = []
    return bytes(out)


def encipher(plain_bytes, key_text):
    """Base64(DES(plain + NUL padding)) and the number of NUL bytes added."""
    padded = nul_pad(plain_bytes)
    return b64encode(des_encrypt(padded, key_text)), len(padded) - len(plain_bytes)


def decipher(b64_text, key_text):
    """The deciphered text (NULs kept), or None when it fails to decode, decipher or read as UTF-8."""
    plain = des_decrypt(b64decode(b64_text), key_text)
    if plain is None:
        return None
    try:
        return plain.decode("utf-8")
    except UnicodeDecodeError:
        return None


def cut_at_nul(text):
    i = text.find("\0")
    return text if i < 0 else text[:i]
