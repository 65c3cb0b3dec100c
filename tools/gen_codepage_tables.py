#!/usr/bin/env python3
"""Writes vandel/codepage_tables.cpp: the single-byte tables of text kinds 3 to 21 and the
best-fit table. Python's own codecs (built from the Unicode Consortium's mapping tables) give
the characters; the holes and departures below are ours and are applied on top of them.

Usage, from the source root (no network, no arguments):
    python3 tools/gen_codepage_tables.py
The output is committed, so building needs no Python. Re-run only when this file changes.
"""
import codecs
import os
import sys

# Text kind -> the codec whose table it follows.
KINDS = [
    (3, "iso8859_1"), (4, "iso8859_2"), (5, "iso8859_3"), (6, "iso8859_4"),
    (7, "iso8859_5"), (8, "iso8859_6"), (9, "iso8859_7"), (10, "iso8859_8"),
    (11, "iso8859_9"), (12, "iso8859_15"), (13, "iso8859_16"), (14, "cp1250"),
    (15, "cp1251"), (16, "cp1252"), (17, "cp1253"), (18, "cp1254"), (19, "cp1255"),
    (20, "cp1256"), (21, "cp850"),
]

# Bytes that decode differently from the published table; stored texts were written with them.
DEPARTURES = {
    8: {0xA1: 0x00A1, 0xA2: 0x00A2, 0xA3: 0x00A3, 0xC0: 0x0620},
    10: {0xAA: 0x00AA, 0xBA: 0x00BA},
    14: {0x81: 0x0081, 0x83: 0x0083, 0x88: 0x0088, 0x90: 0x0090, 0x98: 0x0098},
    17: {0xD2: 0x00D2},
}

# Bytes the published table defines but that stay undecodable here.
EXTRA_HOLES = {10: range(0x80, 0xA0)}

# The complete hole list of every kind that has holes: checked, so a changed codec can't slip by.
EXPECTED_HOLES = {
    5: "A5 AE BE C3 D0 E3 F0",
    8: "A5-AB AE-BA BC-BE DB-DF F3-FF",
    9: "AE D2 FF",
    10: "80-9F A1 BF-DE FB FC FF",
    15: "98",
    16: "81 8D 8F 90 9D",
    17: "81 88 8A 8C-90 98 9A 9C-9F AA FF",
    18: "81 8D-90 9D 9E",
    19: "81 8A 8C-90 9A 9C-9F CA D9-DF FB FC FF",
}

# Best fit: the ASCII byte an otherwise unencodable character becomes, on request.
BEST_FIT = """
0x20: U+2000-U+2006 U+3000
0x21: U+01C3 U+FF01
0x22: U+02BA U+030E U+201C-U+201D U+FF02
0x23: U+FF03
0x24: U+FF04
0x25: U+066A U+FF05
0x26: U+FF06
0x27: U+02B9 U+02BC U+02C8 U+2018-U+2019 U+2032 U+FF07
0x28: U+2320 U+FF08
0x29: U+2321 U+FF09
0x2A: U+2022 U+2217 U+FF0A
0x2B: U+250C U+2510 U+2514 U+2518 U+251C U+253C U+2552-U+255D U+256A-U+256C U+FF0B
0x2C: U+FF0C
0x2D: U+2010-U+2011 U+2013-U+2014 U+2212 U+2500 U+252C U+2534 U+2550 U+2564-U+2569 U+FF0D
0x2E: U+FF0E
0x2F: U+2044 U+2215 U+FF0F
0x30: U+2080 U+FF10
0x31: U+2081 U+FF11
0x32: U+2082 U+FF12
0x33: U+2083 U+FF13
0x34: U+2074 U+2084 U+FF14
0x35: U+2075 U+2085 U+FF15
0x36: U+2076 U+2086 U+FF16
0x37: U+2077 U+2087 U+FF17
0x38: U+2078 U+2088 U+221E U+FF18
0x39: U+2089 U+FF19
0x3A: U+0589 U+2236 U+FF1A
0x3B: U+037E U+FF1B
0x3C: U+2039 U+2329 U+3008 U+FF1C
0x3D: U+2017 U+2261 U+2264-U+2265 U+FF1D
0x3E: U+203A U+232A U+3009 U+FF1E
0x3F: U+FF1F
0x40: U+FF20
0x41: U+0100 U+0102 U+0104 U+01CD U+01DE U+FF21
0x42: U+212C U+FF22
0x43: U+0106 U+0108 U+010A U+010C U+2102 U+212D U+FF23
0x44: U+010E U+FF24
0x45: U+0112 U+0114 U+0116 U+0118 U+011A U+2107 U+2130 U+FF25
0x46: U+0191 U+03A6 U+2131 U+FF26
0x47: U+011C U+011E U+0120 U+0122 U+01E4 U+01E6 U+0393 U+FF27
0x48: U+0124 U+0126 U+210B-U+210D U+FF28
0x49: U+0128 U+012A U+012C U+012E U+0130 U+0197 U+01CF U+2110-U+2111 U+FF29
0x4A: U+0134 U+FF2A
0x4B: U+0136 U+01E8 U+212A U+FF2B
0x4C: U+0139 U+013B U+013D U+0141 U+2112 U+FF2C
0x4D: U+2133 U+FF2D
0x4E: U+0143 U+0145 U+0147 U+2115 U+FF2E
0x4F: U+014C U+014E U+0150 U+019F-U+01A0 U+01D1 U+01EA U+01EC U+03A9 U+FF2F
0x50: U+20A7 U+2118-U+2119 U+FF30
0x51: U+211A U+FF31
0x52: U+0154 U+0156 U+0158 U+211B-U+211D U+FF32
0x53: U+015A U+015C U+015E U+0160 U+03A3 U+FF33
0x54: U+0162 U+0164 U+0166 U+01AE U+0398 U+FF34
0x55: U+0168 U+016A U+016C U+016E U+0170 U+0172 U+01AF U+01D3 U+01D5 U+01D7 U+01D9 U+01DB U+FF35
0x56: U+FF36
0x57: U+0174 U+FF37
0x58: U+FF38
0x59: U+0176 U+0178 U+FF39
0x5A: U+0179 U+017B U+017D U+2124 U+2128 U+FF3A
0x5B: U+301A U+FF3B
0x5C: U+2216 U+FF3C
0x5D: U+301B U+FF3D
0x5E: U+02C4 U+02C6 U+0302 U+2303 U+FF3E
0x5F: U+02CD U+0331-U+0332 U+2584 U+FF3F
0x60: U+02CB U+0300 U+2035 U+FF40
0x61: U+0101 U+0103 U+0105 U+01CE U+01DF U+03B1 U+FF41
0x62: U+0180 U+FF42
0x63: U+0107 U+0109 U+010B U+010D U+FF43
0x64: U+010F U+0111 U+03B4 U+FF44
0x65: U+0113 U+0115 U+0117 U+0119 U+011B U+03B5 U+212E-U+212F U+FF45
0x66: U+0192 U+03C6 U+FF46
0x67: U+011D U+011F U+0121 U+0123 U+01E5 U+01E7 U+0261 U+210A U+FF47
0x68: U+0125 U+0127 U+04BB U+210E U+FF48
0x69: U+0129 U+012B U+012D U+012F U+0131 U+01D0 U+FF49
0x6A: U+0135 U+01F0 U+FF4A
0x6B: U+0137 U+01E9 U+FF4B
0x6C: U+013A U+013C U+013E U+0142 U+019A U+2113 U+FF4C
0x6D: U+FF4D
0x6E: U+0144 U+0146 U+0148 U+207F U+2229 U+FF4E
0x6F: U+014D U+014F U+0151 U+01A1 U+01D2 U+01EB U+01ED U+2134 U+FF4F
0x70: U+03C0 U+FF50
0x71: U+FF51
0x72: U+0155 U+0157 U+0159 U+FF52
0x73: U+015B U+015D U+015F U+0161 U+03C3 U+FF53
0x74: U+0163 U+0165 U+0167 U+01AB U+03C4 U+FF54
0x75: U+0169 U+016B U+016D U+016F U+0171 U+0173 U+01B0 U+01D4 U+01D6 U+01D8 U+01DA U+01DC U+FF55
0x76: U+221A U+FF56
0x77: U+0175 U+FF57
0x78: U+FF58
0x79: U+0177 U+FF59
0x7A: U+017A U+017C U+017E U+01B6 U+FF5A
0x7B: U+FF5B
0x7C: U+01C0 U+2223 U+2758 U+FF5C
0x7D: U+FF5D
0x7E: U+0303 U+223C U+2248 U+FF5E
"""
BEST_FIT_COUNT = 410


def fail(msg):
    sys.exit("gen_codepage_tables: " + msg)


def parse_ranges(text, prefix=""):
    out = []
    for tok in text.split():
        lo, _, hi = tok.partition("-")
        lo = int(lo.replace(prefix, ""), 16)
        hi = int(hi.replace(prefix, ""), 16) if hi else lo
        out.extend(range(lo, hi + 1))
    return out


def decoding_table(kind, codec):
    table = []
    for b in range(256):
        try:
            ch = bytes([b]).decode(codec)
            table.append(ord(ch))
        except UnicodeDecodeError:
            table.append(0)
    for b in EXTRA_HOLES.get(kind, ()):
        table[b] = 0
    for b, cp in DEPARTURES.get(kind, {}).items():
        table[b] = cp
    holes = [b for b in range(0x80, 0x100) if table[b] == 0]
    if holes != parse_ranges(EXPECTED_HOLES.get(kind, "")):
        fail("kind %d: holes %s differ from the expected list" % (kind, holes))
    if any(table[b] != b for b in range(0x80)):
        fail("kind %d: bytes below 0x80 must decode to themselves" % kind)
    return table


def encoding_pairs(kind, table):
    pairs = {}
    for b in range(0x80, 0x100):
        cp = table[b]
        if cp == 0:
            continue
        if cp < 0x80 or cp > 0xFFFF:
            fail("kind %d: byte %02X decodes outside U+0080..U+FFFF" % (kind, b))
        if cp in pairs:
            fail("kind %d: U+%04X has two bytes" % (kind, cp))
        pairs[cp] = b
    return sorted(pairs.items())


def best_fit_pairs():
    pairs = {}
    for line in BEST_FIT.strip().splitlines():
        byte, _, cps = line.partition(":")
        byte = int(byte, 16)
        for cp in parse_ranges(cps, "U+"):
            if cp in pairs:
                fail("best fit: U+%04X listed twice" % cp)
            pairs[cp] = byte
    if len(pairs) != BEST_FIT_COUNT:
        fail("best fit: %d code points, expected %d" % (len(pairs), BEST_FIT_COUNT))
    return sorted(pairs.items())


def rows(items, per_line):
    return ["    " + " ".join(items[i:i + per_line]) for i in range(0, len(items), per_line)]


def main():
    root = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
    out = [
        "// Generated by tools/gen_codepage_tables.py; do not edit.",
        '#include "vandel/codepage_tables.h"',
        "",
        "namespace vandel::detail {",
        "",
        "const uint16_t decode_upper[table_kind_count][128] = {",
    ]
    offsets, flat = [], []
    for kind, codec in KINDS:
        table = decoding_table(kind, codec)
        out.append("    // kind %d (%s)" % (kind, codec))
        out.append("    {")
        out += ["    " + r for r in rows(["0x%04X," % cp for cp in table[0x80:]], 8)]
        out.append("    },")
        offsets.append(len(flat))
        flat += encoding_pairs(kind, table)
    offsets.append(len(flat))
    out += ["};", ""]
    out.append("const encode_pair encode_pairs[%d] = {" % len(flat))
    out += rows(["{0x%04X, 0x%02X}," % p for p in flat], 5)
    out += ["};", ""]
    out.append("const uint16_t encode_start[table_kind_count + 1] = {")
    out += rows(["%d," % o for o in offsets], 10)
    out += ["};", ""]
    fit = best_fit_pairs()
    out.append("const encode_pair best_fit_pairs[best_fit_count] = {")
    out += rows(["{0x%04X, 0x%02X}," % p for p in fit], 5)
    out += ["};", "", "}  // namespace vandel::detail", ""]
    path = os.path.join(root, "vandel", "codepage_tables.cpp")
    with open(path, "w", newline="\n") as f:
        f.write("\n".join(out))
    print("wrote %s (%d encoding pairs, %d best-fit pairs)" % (path, len(flat), len(fit)))


if __name__ == "__main__":
    main()
