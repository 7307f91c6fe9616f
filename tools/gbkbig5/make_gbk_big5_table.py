#!/usr/bin/env python3
"""Generates src/lang/GbkBig5TableUnit.cpp, the GBK/Big5 table of Translate.

    make_gbk_big5_table.py            rewrite the committed table
    make_gbk_big5_table.py --check    exit 1 unless the committed table is what
                                      this script makes, byte for byte

The table holds one pair (GBK code, Big5 code) for every character of Big5,
sorted by GBK code; LanguageUnit converts a GBK text to Big5 by looking up
each double-byte code in it. Codes are 16-bit, lead byte first.

Data, all of it shipped by Debian:
  * the repertoires: Python's cp950 codec (Big5 as Windows code page 950,
    the same mapping as glibc iconv's CP950, which the library uses to read
    Big5 text back) and its cp936 codec (GBK, as glibc iconv's CP936);
  * simplified forms and preferences: Unihan's kSimplifiedVariant and
    kFrequency fields, from the unicode-data package (/usr/share/unicode/,
    Unihan_*.txt.bz2, or a Unihan.zip).

The Big5 repertoire
-------------------
Big5 proper is three blocks: 408 symbols at A140..A3BF, 5,401 frequent
hanzi at A440..C67E and 7,652 less frequent hanzi at C940..F9D5, 13,461
characters; the ETEN extension adds seven hanzi at F9D6..F9DC (碁銹裏墻恒粧嫺)
that code page 950 includes, 13,468 in all.

Within A140..F9DC Python's big5 codec decodes 13,710 codes and its cp950
codec 13,718. Both also decode the 249 ETEN characters of C6A1..C7FC (kana,
Cyrillic, enclosed numbers), which lie in Big5's user-defined area
C6A1..C8FE; cp950 adds the euro sign at A3E1, in the reserved row tail
A3C0..A3FE. Those 250 are left out. Python's big5 lacks F9D6..F9DC, cp950
has them, so the repertoire is read through cp950: 13,710 - 249 + 7 =
13,468 codes. (big5 and cp950 also differ on eleven symbols such as A145
and A1C2; cp950 is followed there too, since the library reads Big5 text
through code page 950.)

Pairing a Big5 character with its GBK counterpart
-------------------------------------------------
T is the Big5 character, its simplified forms S are its kSimplifiedVariant
values other than T that GBK has. Then T pairs with
  1. the first S for which T is the preferred traditional form (below);
  2. else, when T has such S and simplified Chinese does not also write T
     unchanged (T is not among its own kSimplifiedVariant values), the
     first S;
  3. else T's own GBK code, when GBK has T;
  4. else 0x3F3F ("??"): the four symbols A145 U+2027, A15A U+2574,
     A1C2 U+00AF and A1C5 U+02CD.
Rule 1 before rule 3 matters for the few characters that simplified
Chinese partly keeps: 復 pairs with 复 (it is the preferred form of 复),
while 乾, which loses 干 to 幹, keeps its own code.

Preference among the Big5 characters of one GBK code
----------------------------------------------------
Several traditional characters may share one simplified character (发 for
發 and 髮); the first pair of a GBK code is the one a conversion yields.
The candidates for S are the Big5 characters that list S as a simplified
form, and S itself when Big5 has it. They are ranked by, in this order:
  a. the explicit choices in PREFERRED below;
  b. Unihan kFrequency (1 most frequent in traditional-script text, 5
     least; none counts as 6): 后 -> 後 (1 against 4), 发 -> 發 (1 against
     4), 干 -> 幹, 里 -> 裡, 复 -> 復, 了 stays 了;
  c. Big5's own frequency split: symbols and A440..C67E before C940..F9DC;
  d. S itself before other characters: where the data cannot tell the
     forms apart the text keeps the character as written, so 台 stays 台
     (the everyday Taiwan form of 台灣, 台北; 臺 ties with it at frequency
     2), and 松, 斗, 卷 stay;
  e. a character's usual code before a duplicate code (十 A451 before
     A2CC, 卅 A4CA before A2CE);
  f. the lower Big5 code.
All other pairs of a GBK code follow its first pair in the same order.
"""

import argparse
import bz2
import collections
import io
import os
import sys
import zipfile

REPO = os.path.normpath(os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", ".."))
OUTPUT = os.path.join(REPO, "src", "lang", "GbkBig5TableUnit.cpp")
UNIHAN_DIR = "/usr/share/unicode"

PAIR_COUNT = 13468
NO_COUNTERPART = 0x3F3F

# Explicit choices (rule a): simplified character -> its traditional form.
# 只 ("only") is among the most frequent characters of any Chinese text, but
# Unihan gives it no kFrequency, which would hand it to the measure word 隻.
PREFERRED = {
    "只": "只",
}

# Big5 blocks kept (first, last), see "The Big5 repertoire" above.
BIG5_BLOCKS = [(0xA140, 0xA3BF), (0xA440, 0xC67E), (0xC940, 0xF9DC)]
LEVEL2_FIRST = 0xC940


def big5_repertoire():
    """[(code, character)] of every Big5 code kept, ascending."""
    result = []
    for first, last in BIG5_BLOCKS:
        for code in range(first, last + 1):
            trail = code & 0xFF
            if not (0x40 <= trail <= 0x7E or 0xA1 <= trail <= 0xFE):
                continue
            try:
                text = bytes([code >> 8, trail]).decode("cp950")
            except UnicodeDecodeError:
                continue
            if len(text) == 1:
                result.append((code, text))
    return result


def gbk_code(ch):
    try:
        data = ch.encode("cp936")
    except UnicodeEncodeError:
        return None
    return data[0] << 8 | data[1] if len(data) == 2 else None


def big5_code(ch):
    try:
        data = ch.encode("cp950")
    except UnicodeEncodeError:
        return None
    return data[0] << 8 | data[1] if len(data) == 2 else None


def open_unihan(directory, name):
    """The text of Unihan_<name>.txt, plain, bz2 or inside Unihan.zip."""
    base = os.path.join(directory, "Unihan_%s.txt" % name)
    if os.path.exists(base):
        return open(base, encoding="utf-8").read()
    if os.path.exists(base + ".bz2"):
        with bz2.open(base + ".bz2", "rt", encoding="utf-8") as f:
            return f.read()
    archive = os.path.join(directory, "Unihan.zip")
    if os.path.exists(archive):
        with zipfile.ZipFile(archive) as z:
            return z.read("Unihan_%s.txt" % name).decode("utf-8")
    sys.exit("make_gbk_big5_table: no Unihan_%s.txt in %s (Debian package unicode-data)" % (name, directory))


def unihan_fields(text, fields):
    """({field: {character: [values]}}, Unicode version) of one Unihan file."""
    found = {f: {} for f in fields}
    version = None
    for line in io.StringIO(text):
        if line.startswith("# Unicode version:"):
            version = line.split(":", 1)[1].strip()
        if line.startswith("#") or not line.strip():
            continue
        cp, field, value = line.rstrip("\n").split("\t")
        if field in found:
            found[field][chr(int(cp[2:], 16))] = value.split()
    return found, version


def unihan_char(value):
    return chr(int(value.split("<")[0][2:], 16))


def build_pairs(unihan_dir):
    variants, version = unihan_fields(open_unihan(unihan_dir, "Variants"), ["kSimplifiedVariant"])
    likes, _ = unihan_fields(open_unihan(unihan_dir, "DictionaryLikeData"), ["kFrequency"])
    simplified = {t: [unihan_char(v) for v in vs] for t, vs in variants["kSimplifiedVariant"].items()}
    frequency = {ch: int(vs[0]) for ch, vs in likes["kFrequency"].items()}

    repertoire = big5_repertoire()
    assert len(repertoire) == PAIR_COUNT, len(repertoire)
    in_big5 = {ch for _, ch in repertoire}

    def targets(t):
        return [s for s in simplified.get(t, []) if s != t and gbk_code(s) is not None]

    def rank(s, code, t):
        return (PREFERRED.get(s) != t,
                frequency.get(t, 6),
                code >= LEVEL2_FIRST,
                t != s,
                code != big5_code(t),
                code)

    candidates = collections.defaultdict(list)
    for code, t in repertoire:
        for s in targets(t):
            candidates[s].append((code, t))
    for s in list(candidates):
        # S competes as itself when Big5 has it and it has no simplified form
        # of its own (薴 simplifies to 苧, which simplifies to 苎).
        if s in in_big5 and not targets(s):
            candidates[s].extend((code, t) for code, t in repertoire if t == s)
    winner = {s: min(c, key=lambda ct: rank(s, *ct))[0] for s, c in candidates.items()}

    pairs = []
    paired = {}
    for code, t in repertoire:
        own = targets(t)
        won = [s for s in own if winner[s] == code]
        if won:
            s = won[0]
        elif own and t not in simplified.get(t, []):
            s = own[0]
        elif gbk_code(t) is not None:
            s = t
        else:
            s = None
        paired[code] = s
        if s is None:
            pairs.append((NO_COUNTERPART, (code,), code))
        else:
            pairs.append((gbk_code(s), rank(s, code, t), code))
    pairs.sort()

    # Each GBK code's first pair is the winner of its simplified character
    # (a character that wins two, like 線 for 线 and 缐, pairs with the first).
    first = {}
    for gbk, _, code in pairs:
        first.setdefault(gbk, code)
    for s, code in winner.items():
        if paired[code] == s:
            assert first[gbk_code(s)] == code, (s, hex(code))
    return [(gbk, code) for gbk, _, code in pairs], version


def render(pairs, version):
    out = io.StringIO()
    w = out.write
    w("// Generated by tools/gbkbig5/make_gbk_big5_table.py from Python's cp950 and\n")
    w("// cp936 codecs and Unihan %s (Debian unicode-data). Do not edit; run the\n" % version)
    w("// script instead. The script's notes say how the pairs are chosen.\n")
    w("#include \"lang/GbkBig5TableUnit.h\"\n\n")
    w("namespace vexilo {\n\n")
    w("// Position 0 holds (0, 0); positions 1 to %d hold the pairs (GBK, Big5),\n" % len(pairs))
    w("// sorted by GBK code.\n")
    w("constexpr TGbkBig5Pair GbkBig5Table[kGbkBig5TablePositions] = {\n")
    w("    {0x0000, 0x0000},\n")
    for i in range(0, len(pairs), 6):
        row = pairs[i:i + 6]
        w("    " + " ".join("{0x%04X, 0x%04X}," % p for p in row) + "\n")
    w("};\n\n")
    w("static_assert(GbkBig5TableIsSound(GbkBig5Table));\n\n")
    w("}  // namespace vexilo\n")
    return out.getvalue()


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("--check", action="store_true", help="compare with the committed table, write nothing")
    parser.add_argument("--unihan", default=UNIHAN_DIR, help="folder of the Unihan files (default %(default)s)")
    parser.add_argument("--output", default=OUTPUT, help="table source to write or check (default %(default)s)")
    args = parser.parse_args()

    pairs, version = build_pairs(args.unihan)
    assert len(pairs) == PAIR_COUNT
    text = render(pairs, version)
    if args.check:
        try:
            with open(args.output, encoding="utf-8", newline="") as f:
                committed = f.read()
        except FileNotFoundError:
            committed = None
        if committed != text:
            print("make_gbk_big5_table: %s differs from what the script makes" % args.output, file=sys.stderr)
            return 1
        return 0
    with open(args.output, "w", encoding="utf-8", newline="") as f:
        f.write(text)
    return 0


if __name__ == "__main__":
    sys.exit(main())
