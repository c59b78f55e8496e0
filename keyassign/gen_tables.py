#!/usr/bin/env python3
# Writes keyassign/tables_data.cpp: the key table, built from the editor's key-code layout below,
# and the command table, read from keyassign/commands.txt. Names become Shift_JIS byte strings.
#   python3 keyassign/gen_tables.py            (run from anywhere; rewrites the .cpp beside it)
#   python3 keyassign/gen_tables.py --check    (exit 1 when the .cpp beside it is not what it would write)
import os
import sys

HERE = os.path.dirname(os.path.abspath(__file__))
ALL = (0, 508)        # rows without a narrower range are valid for every editor version
LATER = (500, 508)    # keys the editor knows from version 5.00 on


def key_rows():
    rows = [("", -1) + ALL]
    rows.append(("Ins", 50) + ALL)
    rows += [("F%d" % i, 50 + i) + ALL for i in range(1, 13)]
    rows += [("Home", 63) + ALL, ("End", 64) + ALL]
    rows += [("左ダブルクリック", 65) + ALL, ("右クリック", 66) + ALL,
             ("左トリプルクリック", 67) + ALL]

    base = (["F%d" % i for i in range(1, 13)] +
            ["Home", "End", "Bksp", "Enter", "Ins", "Del", "Up", "Down", "Right", "Left", "@"] +
            [chr(c) for c in range(ord("A"), ord("Z") + 1)] +
            ["[", "\\", "]", "^", "_", "<", ">"])
    assert len(base) == 56 and base[21] == "Left"
    rows += [("Shift+" + name, 68 + i) + ALL for i, name in enumerate(base[:22])]
    for prefix, first in (("Ctrl+", 90), ("Shift+Ctrl+", 547), ("Alt+", 679), ("Alt+Shift+", 735),
                          ("Alt+Ctrl+", 791), ("Alt+Shift+Ctrl+", 847)):
        for i, name in enumerate(base):
            # Alt+Ctrl+Del can no longer be assigned from version 500 on.
            span = (0, 499) if prefix + name == "Alt+Ctrl+Del" else ALL
            rows.append((prefix + name, first + i) + span)

    rows += [("常駐秀丸のダブルクリック", 903, 0, 501),
             ("常駐秀丸エディタのダブルクリック", 903, 502, 508),
             ("中クリック", 905) + LATER]

    prefixes = ["", "Shift+", "Ctrl+", "Shift+Ctrl+", "Alt+", "Alt+Shift+", "Alt+Ctrl+",
                "Alt+Shift+Ctrl+"]
    index = {"Bksp": 4, "Enter": 5, "Del": 6, "Up": 7, "Down": 8, "Right": 9, "Left": 10,
             "Tab": 20, "Esc": 21, "Space": 22, "PgUp": 23, "PgDn": 24}
    nums = ["Num%d" % d for d in range(10)]
    index.update({n: 25 + d for d, n in enumerate(nums)})
    index.update({"Num*": 35, "Num+": 36, "Num.": 37, "Num-": 38, "Num/": 39})
    ops = ["Num*", "Num+", "Num-", "Num/"]
    allops = ["Num*", "Num+", "Num.", "Num-", "Num/"]
    later = [
        ["Bksp", "Enter", "Del", "Up", "Down", "Right", "Left", "Tab", "Esc", "Space", "PgUp",
         "PgDn"] + nums + allops,
        ["Tab", "Esc", "Space", "PgUp", "PgDn"] + ops,
        ["Tab", "Space", "PgUp", "PgDn"] + nums + allops,
        ["Tab", "Space", "PgUp", "PgDn"] + ops,
        ["Space", "PgUp", "PgDn"] + nums + allops,
        ["Space", "PgUp", "PgDn"] + ops,
        ["Tab", "Esc", "Space", "PgUp", "PgDn"] + nums + allops,
        ["Tab", "Esc", "Space", "PgUp", "PgDn"] + ops,
    ]
    assert [len(k) for k in later] == [27, 9, 19, 8, 18, 7, 20, 9]
    for m, keys in enumerate(later):
        rows += [(prefixes[m] + k, 913 + 32 * m + index[k]) + LATER for k in keys]

    digits = [str(d) for d in range(10)] + ["-", "/", ":", ";"]
    for n, prefix in enumerate(["Ctrl+", "Shift+Ctrl+", "Alt+", "Alt+Shift+", "Alt+Ctrl+",
                                "Alt+Shift+Ctrl+"]):
        rows += [(prefix + d, 1189 + 16 * n + j) + LATER for j, d in enumerate(digits)]
    return rows


def command_rows():
    rows = []
    with open(os.path.join(HERE, "commands.txt"), encoding="utf-8") as f:
        for line in f:
            line = line.rstrip("\n")
            if not line or line.startswith("#"):
                continue
            value, first, last, name = line.split("\t")
            rows.append((name, int(value), int(first), int(last)))
    return rows


def c_string(text):
    """A C string literal of the Shift_JIS bytes, split where a hex escape would swallow a digit."""
    out, escaped = ['"'], False
    for b in text.encode("cp932"):
        ch = chr(b)
        if b >= 0x80:
            out.append("\\x%02x" % b)
            escaped = True
            continue
        if escaped and ch in "0123456789abcdefABCDEF":
            out.append('" "')
        escaped = False
        out.append("\\" + ch if ch in '"\\' else ch)
    out.append('"')
    return "".join(out)


def emit(rows, array, count):
    lines = ["const TableRow %s[%s] = {" % (array, count)]
    for name, number, first, last in rows:
        note = "  // " + name if any(ord(c) > 0x7F for c in name) else ""
        lines.append("    {%s, %d, %d, %d},%s" % (c_string(name), number, first, last, note))
    lines.append("};")
    return lines


def count(rows, version, skip):
    return sum(1 for r in rows[skip:] if r[2] <= version <= r[3])


def main():
    keys, commands = key_rows(), command_rows()
    assert len(keys) == 581 and len(commands) == 340, (len(keys), len(commands))
    assert (count(keys, 418, 1), count(commands, 418, 2)) == (377, 294)
    assert (count(keys, 500, 1), count(commands, 500, 2)) == (578, 305)
    out = ["// Bindery's key table and command table in table order, names as Shift_JIS bytes.",
           "// Generated by keyassign/gen_tables.py from its key-code layout and keyassign/commands.txt;",
           "// do not edit by hand.",
           '#include "keyassign/tables.h"', "", "namespace bindery {", ""]
    out += emit(keys, "kKeyTable", "kKeyRowCount") + [""]
    out += emit(commands, "kCommandTable", "kCommandRowCount") + ["", "}  // namespace bindery", ""]
    text = "\n".join(out)
    path = os.path.join(HERE, "tables_data.cpp")
    if "--check" in sys.argv[1:]:
        with open(path, encoding="utf-8", newline="") as f:
            if f.read() != text:
                print("%s is not what gen_tables.py writes: run python3 keyassign/gen_tables.py" % path)
                return 1
        return 0
    with open(path, "w", encoding="utf-8", newline="\n") as f:
        f.write(text)
    return 0


if __name__ == "__main__":
    sys.exit(main())
