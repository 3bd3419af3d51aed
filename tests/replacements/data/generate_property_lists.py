#!/usr/bin/env python3
"""Writes the property-list files the parser tests read, each with the result it
must give (stated by hand from the import rules, not computed here), into the
folder named by its one argument (parse/ beside this script by default). A case
is written in the XML and the compact (binary) encoding unless binary-only or raw:

    <case>.xml.plist / <case>.binary.plist / <case>.raw.plist   input bytes
    <case>.expected.json   {"error": "unreadable" | "unexpectedFormat"} or
                           {"replacements": [[shortcut, phrase], ...], "skippedNonASCII": n, "skippedDisabled": n}
"""

import datetime
import json
import pathlib
import plistlib
import shutil
import sys

OUT = pathlib.Path(sys.argv[1]) if len(sys.argv) > 1 else pathlib.Path(__file__).resolve().parent / "parse"
DATE = datetime.datetime(2024, 5, 17, 9, 30, 0)


def ok(pairs, non_ascii=0, disabled=0):
    return {"replacements": [list(p) for p in pairs], "skippedNonASCII": non_ascii, "skippedDisabled": disabled}


def error(kind):
    return {"error": kind}


def export(shortcut, phrase, **extra):
    return {"shortcut": shortcut, "phrase": phrase, **extra}


def system(replace, with_, **extra):
    return {"replace": replace, "with": with_, **extra}


def unchanged(pairs):
    """Exported records that must all come through exactly as written."""
    return [export(s, p) for s, p in pairs], ok(pairs)


UNICODE_PHRASES = [
    ("shrug", "\u00af\\_(\u30c4)_/\u00af"), ("kr", "\uc548\ub155\ud558\uc138\uc694"),
    ("emoji", "\U0001f44d\U0001f3fd \U0001f468\u200d\U0001f469\u200d\U0001f467"), ("he", "\u05e9\u05dc\u05d5\u05dd"),
    ("e.g.", "e\u0301 combining"), ("sig", "Best,\nSam\tTeam"),
]
# (shortcut, phrase, on value or None for no key): the first six are off.
ON_VALUES = [
    ("a0", "int zero", 0), ("b0", "bool false", False), ("c0", "text zero", "0"), ("d0", "text FALSE", "FALSE"),
    ("e0", "text False", "False"), ("f0", "real zero", 0.0), ("a1", "int one", 1), ("b1", "bool true", True),
    ("c1", "text yes", "yes"), ("d1", "text no", "no"), ("e1", "empty text", ""), ("f1", "text off", "off"),
    ("g1", "a date", DATE), ("h1", "data", b"\x00"), ("i1", "an array", [0]), ("j1", "no on key", None),
    ("k1", "text 00", "00"),
]

CASES = {
    # The file the settings window tells the user to drag out.
    "export_two": unchanged([("omw", "On my way!"), ("brb", "Be right back")]),
    # The system's own record shape, with a timestamp key that is ignored.
    "system_records": ([system("omw", "On my way!", on=1, timestamp=DATE), system("ty", "Thank you")],
                       ok([("omw", "On my way!"), ("ty", "Thank you")])),
    "trimming": (
        [export(" omw ", "On my way\n"), export("\tbrb\u2028", "  "), export("\u3000idk\u00a0\u0085", " I don't know "),
         export("a b", "inner space stays")],
        ok([("omw", "On my way\n"), ("brb", "  "), ("idk", " I don't know "), ("a b", "inner space stays")])),
    "dropped_entries": (
        [export("\ud55c\uad6d", "Korea"), export("   ", "only spaces"), export("caf\u00e9", "coffee"),
         export("a\tb", "tab inside"), export("ok", ""), export("", "empty shortcut"), export("\u2192", "arrow"),
         export("\u65e5\u672c", "Japan"), export("~x", "tilde")],
        ok([("~x", "tilde")], non_ascii=5)),
    "on_values": ([system(s, p) if on is None else system(s, p, on=on) for s, p, on in ON_VALUES],
                  ok([(s, p) for s, p, _ in ON_VALUES[6:]], disabled=6)),
    # Off wins over every other reason to drop an entry.
    "off_and_unusable": ([system("\ud55c", "x", on=0), system("  ", "x", on=False), system("ok", "fine")],
                         ok([("ok", "fine")], disabled=2)),
    "all_off": ([system("a", "1", on=0), system("b", "2", on="false"), system("c", "3", on=False)], ok([], disabled=3)),
    "duplicates": (
        [export("omw", "first"), export("omw", "second"), export("Omw", "capital"), export(" omw", "spaced"),
         system("omw", "system shape")],
        ok([("omw", "first"), ("Omw", "capital")])),
    # Export shape first; the system shape only when it does not match.
    "mixed_shapes": (
        [export("sc", "export ignores on", on=0), {"shortcut": 5, "phrase": "x", "replace": "ty", "with": "thank you"},
         {"shortcut": "only shortcut", "replace": "yw", "with": "you're welcome", "on": "FALSE"},
         system("np", "no problem"), {"replace": "x", "with": 5}, {"shortcut": "x"}, 42, "text",
         [export("in", "nested array")], {"nothing": "here"}],
        ok([("sc", "export ignores on"), ("ty", "thank you"), ("np", "no problem")], disabled=1)),
    # Values of every type where texts belong.
    "wrong_types": (
        [export(1, "integer shortcut"), export("r", 2.5), export(True, "boolean"), export("d", DATE),
         export(b"data", "data"), export("arr", ["a"]), export("dict", {"k": "v"}), system(7, "x"),
         system("ok", "the only usable one")],
        ok([("ok", "the only usable one")])),
    "unicode_phrases": unchanged(UNICODE_PHRASES),
    # A root dictionary of texts, read in code-point order of the keys.
    "root_dictionary": ({"b": "second", " a": "first, spaced", "a": "first", "B": "capital", "\u00e9t\u00e9": "summer"},
                        ok([("a", "first, spaced"), ("B", "capital"), ("b", "second")], non_ascii=1)),
    "empty_array": ([], ok([])),
    "empty_dictionary": ({}, ok([])),
    "dictionary_with_number": ({"omw": "On my way", "n": 1}, error("unexpectedFormat")),
    "array_of_numbers": ([1, 2, 3], error("unexpectedFormat")),
    "array_without_records": ([{"short": "a", "phrase": "b"}, {"replace": "a"}, []], error("unexpectedFormat")),
    # Any root that is neither a list nor a dictionary.
    "root_text": ("omw", error("unexpectedFormat")),
}

# Only the compact encoding has archive references, and only it keeps a
# carriage return (XML turns line ends into line feeds).
BINARY_ONLY = {
    "carriage_return": unchanged([("crlf", "Best,\r\nSam"), ("cr", "\rx\r")]),
    "uid_values": ([system("u", "uid on", on=plistlib.UID(0)), export("v", "plain")], ok([("u", "uid on"), ("v", "plain")])),
}

VALID_EXPORT = plistlib.dumps(CASES["export_two"][0], fmt=plistlib.FMT_BINARY)

RAW = {
    "plain_text": (b"omw = on my way\n", error("unreadable")),
    "binary_garbage": (bytes(range(256)) * 4, error("unreadable")),
    "truncated_binary": (VALID_EXPORT[: len(VALID_EXPORT) // 2], error("unreadable")),
    "not_utf8": (b"\xff\xfe\x00<\x00p\x00l\x00i\x00s\x00t\xc3\x28\xa0\xa1", error("unreadable")),
}


def main():
    shutil.rmtree(OUT, ignore_errors=True)
    OUT.mkdir(parents=True)
    encoded = lambda value, fmt: plistlib.dumps(value, fmt=fmt, sort_keys=False)
    for cases, encodings in ((CASES, ("xml", "binary")), (BINARY_ONLY, ("binary",)), (RAW, ("raw",))):
        for name, (value, expected) in cases.items():
            for encoding in encodings:
                data = value if encoding == "raw" else encoded(value, getattr(plistlib, f"FMT_{encoding.upper()}"))
                (OUT / f"{name}.{encoding}.plist").write_bytes(data)
            text = json.dumps(expected, ensure_ascii=False, indent=1) + "\n"
            (OUT / f"{name}.expected.json").write_text(text, encoding="utf-8")


if __name__ == "__main__":
    main()
