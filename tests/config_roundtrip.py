#!/usr/bin/env python3
"""Writes settings through the configuration store (config_tool, path in OSTRYA_CONFIG_TOOL) in
two runs, the second over the file of the first, and reads the file back with Python's own INI
reader: every value must come back, and the file must keep the store's layout."""
import configparser
import os
import subprocess
import sys
import tempfile
import time

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
    check_concurrent_writers()
    print("config round trip: ok")
    return 0


def check_concurrent_writers(processes=6, rounds=10):
    """Processes that write different keys to one file at once all keep their keys, and the
    keys that were there before stay."""
    with tempfile.TemporaryDirectory() as folder:
        path = os.path.join(folder, "OSTRY.INI")
        start = "".join(f"[Old]\r\nKey{i}=value {i}\r\n" if i == 0 else f"Key{i}=value {i}\r\n"
                        for i in range(200))
        with open(path, "w", newline="") as f:
            f.write(start)
        for round_ in range(rounds):
            # Every writer reads the file with its first key, before any of them writes.
            writers = []
            for writer in range(processes):
                lines = [f"W{writer}\tR{round_}K{k}\t{writer}.{round_}.{k}\n" for k in range(20)]
                process = subprocess.Popen([TOOL, path], stdin=subprocess.PIPE)
                process.stdin.write(lines[0].encode())
                process.stdin.flush()
                writers.append((process, lines[1:]))
            time.sleep(0.2)
            for process, lines in writers:
                process.communicate("".join(lines).encode(), timeout=60)
                assert process.returncode == 0
        values = read_back(path)
        assert len(values["Old"]) == 200, len(values["Old"])
        for round_ in range(rounds):
            for writer in range(processes):
                section = values.get(f"W{writer}", {})
                for k in range(20):
                    key = f"R{round_}K{k}"
                    assert section.get(key) == f"{writer}.{round_}.{k}", (writer, round_, key)
        assert os.listdir(folder) == ["OSTRY.INI"], os.listdir(folder)


if __name__ == "__main__":
    sys.exit(main())
