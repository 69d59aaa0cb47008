#!/usr/bin/env python3
"""Writes settings through the configuration store (config_tool, path in OSTRYA_CONFIG_TOOL) in
two runs, the second over the file of the first, and reads the file back with Python's own INI
reader: every value must come back, and the file must keep the store's layout."""
import configparser
import os
import subprocess
import sys
import tempfile

TOOL = os.environ["OSTRYA_CONFIG_TOOL"]

FIRST_RUN = [
    ("Ostrya", "Opt", "-1", "number"),
    ("Ostrya", "Language", "US"),
    ("Find", "1", "*.txt;*.cpp"),
    ("Find", "2", "a rather long pattern list *.h;*.hpp;*.inl"),
    ("Find", "3", "a = b"),
    ("Path", "1", "C:\\Program Files\\Ostrya"),
    ("Ostrya", "Pos", "-8,-8,1936,1056,3"),   # a new key in a section that is no longer last
    ("Ostrya", "Col1", "100,1"),
    ("Ostrya", "Col10", "50,-1"),             # a key that the one before is a prefix of
    ("Ostrya", "opt", "lower case is another key"),
    ("Temp", "gone", "soon"),
    ("Find", "2", "short"),                   # replaced by a shorter value
    ("Ostrya", "Language", "DEU, longer"),    # replaced by a longer value
    ("Text", "1", "Gr\u00fc\u00dfe, 100% #1 ; not a comment"),
    ("Text", "2", ""),
    ("View", "Colours", "#ff,ffffff"),
]
SECOND_RUN = [
    ("Find", "3", "b"),
    ("Path", "1", "D:\\a much longer folder name than before\\and more"),
    ("Temp",),
    ("Copy", "1", "E:\\Backup"),
    ("Ostrya", "Filter", "2147483648", "number"),
    ("Ostrya", "Big", "4294967296", "number"),
    ("Ostrya", "Opt", "-2147483648", "number"),
    ("Find", "4", "added over an existing file"),
    ("Temp", "back", "at the end"),
]


def apply(path, run, expected):
    lines = "".join("\t".join(entry) + "\n" for entry in run)
    subprocess.run([TOOL, path], input=lines.encode("latin-1"), check=True)
    for entry in run:
        if len(entry) == 1:
            expected.pop(entry[0], None)
            continue
        section, key, value = entry[:3]
        if len(entry) == 4:
            value = str(int(value) & 0xFFFFFFFF)
        expected.setdefault(section, {})[key] = value


def read_back(path):
    parser = configparser.ConfigParser(interpolation=None, strict=True)
    parser.optionxform = str
    with open(path, encoding="latin-1") as f:
        parser.read_file(f)
    return {section: dict(parser.items(section)) for section in parser.sections()}


def check_layout(raw):
    assert raw.startswith(b"[Ostrya]\r\n"), raw[:20]
    assert raw.endswith(b"\r\n"), raw[-20:]
    assert raw.count(b"\n") == raw.count(b"\r\n"), "bare line feeds"
    assert raw.count(b"\r") == raw.count(b"\r\n"), "bare carriage returns"
    for at in range(1, len(raw)):
        if raw[at:at + 1] == b"[" and raw[at - 1:at] == b"\n":
            assert raw[:at].endswith(b"\r\n\r\n"), f"no blank line before {raw[at:at + 10]!r}"
            assert not raw[:at].endswith(b"\r\n\r\n\r\n"), "two blank lines"


def main():
    with tempfile.TemporaryDirectory() as folder:
        path = os.path.join(folder, "OSTRY.INI")
        expected = {}
        for run in (FIRST_RUN, SECOND_RUN):
            apply(path, run, expected)
            assert read_back(path) == expected, (read_back(path), expected)
            assert list(read_back(path)) == list(expected), "section order"
            with open(path, "rb") as f:
                check_layout(f.read())
            assert os.listdir(folder) == ["OSTRY.INI"], os.listdir(folder)
    print("config round trip: ok")
    return 0


if __name__ == "__main__":
    sys.exit(main())
