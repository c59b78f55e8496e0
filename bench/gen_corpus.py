#!/usr/bin/env python3
# Deterministic benchmark corpus: Japanese text (kana, kanji, ASCII, full-width forms) in every
# encoding and line break that Quarry detects, a large tree, dense-hit files, a scan buffer and a
# deep listing tree. The same arguments always give byte-identical files.
#
#   gen_corpus.py OUT [--quick]
#
# OUT/tree/       the run tree: 2,000 files, 200 MB (quick: 200 files, 20 MB), a few marked hits
# OUT/dense/      dense-hit files, every tenth byte a hit, at half and full size (25 and 50 MB)
# OUT/scan.txt    100 MB (quick 10 MB) of Shift_JIS text without the scan needle
# OUT/listing/    100,000 empty files (quick 10,000) in a tree of directories four levels deep
# OUT/rare/       the UTF-8 and UTF-16 files of the tree, their text with characters Shift_JIS lacks
# OUT/words.json  the find and replace strings the driver uses, as Shift_JIS and UTF-8 hex
import json
import os
import random
import sys

GENERATOR_VERSION = 5

HIRAGANA = "あいうえおかきくけこさしすせそたちつてとなにぬねのはひふへほまみむめもやゆよらりるれろわをん"
KATAKANA = "アイウエオカキクケコサシスセソタチツテトナニヌネノハヒフヘホマミムメモヤユヨラリルレロワヲン"
KANJI = "日本語文字列検査処理記録設定変更表示開始終了時間場所方法問題結果情報管理会社社員計画予定" \
        "東京大阪名古屋市町村山川海空雨雪春夏秋冬朝昼夜電車駅道路橋店品物価値段円月火水木金土"
WORDS_ASCII = ["the", "file", "text", "data", "error", "value", "line", "search", "item", "list",
               "Kestrel", "Windows", "path", "size", "2024", "v1.2", "OK", "id", "user", "mode"]
FULLWIDTH = "ＡＢＣＤＥＦＧＨＩＪＫＬＭＮＯＰＱＲＳＴＵＶＷＸＹＺａｂｃｄｅｆｇｈｉｊｋｌｍｎｏｐｑｒｓｔｕｖｗｘｙｚ０１２３４５６７８９"
PUNCT = "、。「」・（）！？：　"

# The words the scenarios look for. None of them can arise from the vocabulary above.
FIND = "旧版番号"            # plain job: few hits in the tree
REPLACE = "新版番号"
REGEX_FIND = "旧版(番号|名称)"  # regular-expression job over the tree
REGEX_REPLACE = "新版\\1"
FUZZY_FIND = "ｷｭｳﾊﾞﾝ"       # fuzzy job: half-width kana finds the full-width katakana form below
FUZZY_TEXT = "キュウバン"
DENSE_FIND = "key"           # dense files: every tenth byte starts this
DENSE_REPLACE = "KEY-VALUE"  # three times as long
SCAN_NEEDLE = "検索対象の語句"  # never present in scan.txt

# (tag, codec, writes a byte-order mark) of the encodings Quarry detects by itself.
ENCODINGS = [
    ("sjis", "cp932", False),
    ("euc", "euc_jp", False),
    ("jis", "iso2022_jp", False),
    ("u8", "utf-8", False),
    ("u8bom", "utf-8", True),
    ("u16le", "utf-16-le", True),
    ("u16be", "utf-16-be", True),
]
BREAKS = [("crlf", "\r\n"), ("lf", "\n"), ("cr", "\r")]
BOMS = {"utf-8": b"\xef\xbb\xbf", "utf-16-le": b"\xff\xfe", "utf-16-be": b"\xfe\xff"}


def make_line(rng):
    parts = []
    for _ in range(rng.randint(4, 14)):
        kind = rng.random()
        if kind < 0.30:
            parts.append("".join(rng.choice(HIRAGANA) for _ in range(rng.randint(1, 4))))
        elif kind < 0.45:
            parts.append("".join(rng.choice(KATAKANA) for _ in range(rng.randint(2, 5))))
        elif kind < 0.70:
            parts.append("".join(rng.choice(KANJI) for _ in range(rng.randint(1, 3))))
        elif kind < 0.85:
            parts.append(" " + rng.choice(WORDS_ASCII) + " ")
        elif kind < 0.93:
            parts.append("".join(rng.choice(FULLWIDTH) for _ in range(rng.randint(1, 4))))
        else:
            parts.append(rng.choice(PUNCT))
    return "".join(parts)


class LinePool:
    """A few thousand random lines; files are runs of consecutive lines from it."""

    def __init__(self, seed, count=4000):
        rng = random.Random(seed)
        self.lines = [make_line(rng) for _ in range(count)]
        self.lengths = [len(line) + 1 for line in self.lines]

    def text(self, rng, chars):
        out, have = [], 0
        i = rng.randrange(len(self.lines))
        while have < chars:
            out.append(self.lines[i])
            have += self.lengths[i]
            i = (i + 1) % len(self.lines)
        return out


def encode(lines, codec, bom, brk):
    data = brk.join(lines).encode(codec) + brk.encode(codec)
    return (BOMS[codec] if bom else b"") + data


def bytes_per_char(codec):
    return {"cp932": 1.8, "euc_jp": 1.8, "iso2022_jp": 2.0, "utf-8": 2.6}.get(codec, 2.0)


def write(path, data):
    os.makedirs(os.path.dirname(path), exist_ok=True)
    with open(path, "wb") as f:
        f.write(data)


def file_sizes(rng, files, total, ladder):
    """Log-uniform sizes scaled to the total, then the ladder of large files."""
    raw = [1024 * (256 ** rng.random()) for _ in range(files - len(ladder))]
    scale = (total - sum(ladder)) / sum(raw)
    return [max(1024, int(s * scale)) for s in raw] + ladder


def gen_tree(out, quick, pool):
    rng = random.Random(1001)
    ladder = [1 << 20, 2 << 20, 5 << 20] if quick else [5 << 20, 10 << 20, 20 << 20, 50 << 20]
    sizes = file_sizes(rng, 200 if quick else 2000, (20 if quick else 200) << 20, ladder)
    manifest, rare = [], []
    rare_rng = random.Random(4004)
    for k, size in enumerate(sizes):
        tag, codec, bom = ENCODINGS[k % len(ENCODINGS)]
        bname, brk = BREAKS[(k // len(ENCODINGS)) % len(BREAKS)]
        if size >= (5 << 20):  # the ladder: the big files in the encodings that convert most
            tag, codec, bom = [("u8", "utf-8", False), ("sjis", "cp932", False), ("u16le", "utf-16-le", True),
                               ("u8bom", "utf-8", True)][k % 4]
            bname, brk = "crlf", "\r\n"
        lines = pool.text(rng, int(size / bytes_per_char(codec)))
        hits = 0
        # About one file in eight gets one to three marked words; every ladder file gets one at its end.
        if rng.random() < 0.125 or size >= (1 << 20):
            hits = rng.randint(1, 3)
            for _ in range(hits):
                at = rng.randrange(len(lines))
                lines[at] = lines[at] + FIND + FUZZY_TEXT
        name = "d%02d/f%04d.%s.%s.txt" % (k % 20, k, tag, bname)
        write(os.path.join(out, "tree", name), encode(lines, codec, bom, brk))
        manifest.append({"name": name, "encoding": tag, "break": bname, "hits": hits})
        if codec.startswith("utf"):
            write(os.path.join(out, "rare", name), encode(with_rare(lines, rare_rng), codec, bom, brk))
            rare.append(manifest[-1])
    with open(os.path.join(out, "tree.json"), "w") as f:
        json.dump(manifest, f)
    with open(os.path.join(out, "rare.json"), "w") as f:
        json.dump(rare, f)


# Characters Shift_JIS lacks, as real documents hold them: a no-break space or an em dash every few
# hundred bytes, and now and then an emoji or a kanji beyond JIS X 0208 (two of them beyond U+FFFF).
RARE_OFTEN = "\u00a0\u2014"
RARE_SOMETIMES = "\U0001f600\U0001f44d\U00020bb7\u5f45\u9dd7\u301c\u2212\u00e9"


def with_rare(lines, rng):
    out, since = [], 0
    for line in lines:
        since += len(line)
        if since > rng.randint(80, 200):  # characters, so a few hundred bytes
            at = rng.randrange(len(line) + 1)
            line = line[:at] + rng.choice(RARE_OFTEN) + line[at:]
            since = 0
        if rng.random() < 0.02:
            line += rng.choice(RARE_SOMETIMES)
        out.append(line)
    return out


def gen_dense(out, quick):
    # Ten-byte Shift_JIS units with LF: "key", three double-byte characters, LF.
    chars = "あいうえおかきくけこアイウエオ日本語文字"
    rng = random.Random(2002)
    units = []
    for _ in range(997):
        units.append(("key" + "".join(rng.choice(chars) for _ in range(3)) + "\n").encode("cp932"))
    block = b"".join(units)
    assert len(block) == 9970
    full = (5 if quick else 50) * 1000 * 1000
    for label, size in (("half", full // 2), ("full", full)):
        data = (block * (size // len(block) + 1))[:size - size % 10]
        write(os.path.join(out, "dense", "dense.%s.txt" % label), data)


def gen_scan(out, quick, pool):
    rng = random.Random(3003)
    size = (10 if quick else 100) << 20
    lines = pool.text(rng, int(size / 1.8))
    data = "\n".join(lines).encode("cp932")[:size]
    assert SCAN_NEEDLE.encode("cp932") not in data
    write(os.path.join(out, "scan.txt"), data)


def gen_listing(out, quick):
    root = os.path.join(out, "listing")
    fan = 10
    depth = 3 if quick else 4
    count = 0
    for n in range(fan ** depth):
        parts, m = [], n
        for _ in range(depth):
            parts.append("abcdefghij"[m % fan])
            m //= fan
        d = os.path.join(root, *parts)
        os.makedirs(d, exist_ok=True)
        for f in range(10):
            open(os.path.join(d, "%d.t" % f), "wb").close()
            count += 1
    return count


def main():
    if len(sys.argv) < 2:
        sys.exit("usage: gen_corpus.py OUT [--quick]")
    out = sys.argv[1]
    quick = "--quick" in sys.argv[2:]
    stamp = os.path.join(out, "stamp")
    want = "version %d quick %s\n" % (GENERATOR_VERSION, quick)
    if os.path.exists(stamp) and open(stamp).read() == want:
        return
    os.makedirs(out, exist_ok=True)
    if os.path.exists(stamp):
        os.remove(stamp)
    for sub in ("tree", "dense", "listing", "rare"):
        os.system("rm -rf '%s'" % os.path.join(out, sub))
    pool = LinePool(42)
    gen_tree(out, quick, pool)
    gen_dense(out, quick)
    gen_scan(out, quick, pool)
    gen_listing(out, quick)
    words = {}
    for key, value in (("find", FIND), ("replace", REPLACE), ("regex_find", REGEX_FIND),
                       ("regex_replace", REGEX_REPLACE), ("fuzzy_find", FUZZY_FIND),
                       ("dense_find", DENSE_FIND), ("dense_replace", DENSE_REPLACE),
                       ("scan_needle", SCAN_NEEDLE)):
        words[key] = {"sjis": value.encode("cp932").hex(), "utf8": value.encode("utf-8").hex()}
    with open(os.path.join(out, "words.json"), "w") as f:
        json.dump(words, f, indent=1)
    with open(stamp, "w") as f:
        f.write(want)


if __name__ == "__main__":
    main()
