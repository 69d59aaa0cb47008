#!/usr/bin/env python3
"""ostrya-find on generated trees and on a real one, against what find(1) reports."""
import os
import signal
import subprocess
import sys
import tempfile
import time

FIND = os.environ["OSTRYA_FIND"]
failures = []


def check(condition, message):
    if not condition:
        failures.append(message)
        print("FAIL:", message, file=sys.stderr)


def ostrya(*args):
    result = subprocess.run([FIND, *args], capture_output=True, timeout=300)
    return result.returncode, result.stdout.decode("latin-1"), result.stderr.decode("latin-1")


def find_iname(root, patterns):
    test = []
    for p in patterns:
        test += (["-o"] if test else []) + ["-iname", p]
    out = subprocess.run(["find", root, "-mindepth", "1", "(", *test, ")"], capture_output=True,
                         env=dict(os.environ, LC_ALL="C")).stdout.decode("latin-1")
    # A path that does not fit 260 characters is not searched.
    return {line for line in out.splitlines() if len(line) < 260}


def make_tree(root):
    names = ["a.txt", "B.TXT", "c.h", "C.H.bak", "d.hpp", ".hidden.txt", ".txt", "README",
             "archive.tar.gz", "x.c", "xy.c", "Test_file.txt", "latest", "Ünïcode.TXT",
             "space name.h", "semi;colon.txt"]
    for folder in ["", "sub", "sub/deeper", "Other.txt", "sub/.git", "z/y/x/w"]:
        os.makedirs(os.path.join(root, folder), exist_ok=True)
        for n in names:
            with open(os.path.join(root, folder, n), "w") as f:
                f.write(n)
    os.symlink(root, os.path.join(root, "sub", "loop"))
    os.symlink(os.path.join(root, "missing"), os.path.join(root, "dangling.txt"))


with tempfile.TemporaryDirectory() as root:
    make_tree(root)
    for patterns in ["*.h;*.txt", "*", "*.*", "a*", "*test*", "*.tar.gz", "?.c", "*.txt;;*.H",
                     "readme;latest"]:
        code, out, err = ostrya("--paths", patterns, root)
        split = [p for p in patterns.split(";") if p] if patterns != "*.*" else ["*"]
        expected = find_iname(root, split)
        got = set(out.splitlines())
        check(got == expected, f"{patterns}: extra {sorted(got - expected)[:5]}, "
                               f"missing {sorted(expected - got)[:5]}")
        check(len(got) == len(out.splitlines()), f"{patterns}: a row came twice")
        check(code == (0 if expected else 1), f"{patterns}: exit status {code}")

    # Both separators are accepted in the look-in list, and its empty elements skipped.
    code, out, err = ostrya("--paths", "--no-recurse", "*.h", f";{root}/sub/;;{root}")
    check(set(out.splitlines()) == {f"{root}/sub/c.h", f"{root}/sub/space name.h", f"{root}/c.h",
                                    f"{root}/space name.h"}, f"look-in list: {out}")

    # Full rows: attribute letters, size or <DIR>, date and time, path; totals on stderr.
    code, out, err = ostrya("--no-recurse", "--sort=name", "a.txt;sub", root)
    lines = out.splitlines()
    check(len(lines) == 2 and lines[0].split()[0] == "<DIR>" and lines[0].endswith("/sub"),
          f"folder row: {lines}")
    check(lines[1].split()[:2] == ["A", "5"] and lines[1].endswith("/a.txt"), f"file row: {lines}")
    check(err.strip() == "Total 1 file, 1 folder, 5 bytes", f"totals: {err!r}")

    code, out, err = ostrya("*.none", root)
    check(code == 1 and out == "" and err.strip() == "0 files", f"nothing found: {code} {err!r}")
    for bad in [["--sort=colour", "*", root], ["*"], ["--frobnicate", "*", root]]:
        code, out, err = ostrya(*bad)
        check(code == 2 and err.count("\n") == 1, f"usage error {bad}: {code} {err!r}")

def grep_files(root, *args):
    out = subprocess.run(["grep", "-r", "-l", *args, root], capture_output=True,
                         env=dict(os.environ, LC_ALL="C")).stdout.decode("latin-1")
    return set(out.splitlines())


def make_corpus(root):
    """Text files of words in mixed case, one per file name, no links."""
    import random
    rng = random.Random(7)
    words = ["cat", "Cat", "CATS", "concat", "cat_1", "cat-1", "dog", "needle", "Needle",
             "haystack", "struct", "ops", "foo_ops", "main", "int", "x", "(cat)", "catalog"]
    for i in range(300):
        folder = os.path.join(root, f"d{i % 7}", f"e{i % 3}")
        os.makedirs(folder, exist_ok=True)
        lines = []
        for _ in range(rng.randint(0, 40)):
            lines.append(" ".join(rng.choice(words) for _ in range(rng.randint(1, 8))))
        with open(os.path.join(folder, f"f{i}.txt"), "w") as f:
            f.write("\n".join(lines) + ("\n" if rng.random() < 0.5 else ""))


# Containing text: the files grep finds on the same corpus.
with tempfile.TemporaryDirectory() as root:
    make_corpus(root)
    content_cases = [
        (["needle"], ["-i", "-F", "needle"]),
        (["--case-sensitive", "Needle"], ["-F", "Needle"]),
        (["--whole-word", "cat"], ["-i", "-w", "-F", "cat"]),
        (["--whole-word", "--case-sensitive", "Cat"], ["-w", "-F", "Cat"]),
        (["--regex", "--case-sensitive", r"struct[ \t]+[a-z_]+_ops\b"],
         ["-P", r"struct[ \t]+[a-z_]+_ops\b"]),
        (["--regex", r"int[ \t]+MAIN"], ["-i", "-P", r"int[ \t]+MAIN"]),
        (["--hex", "6E 65 65 64 6C 65"], ["-F", "needle"]),
    ]
    for ours, theirs in content_cases:
        code, out, err = ostrya("--paths", *ours[:-1], "*.txt", root, ours[-1])
        expected = grep_files(root, *theirs)
        got = set(out.splitlines())
        check(got == expected, f"content {ours}: extra {sorted(got - expected)[:3]}, "
                               f"missing {sorted(expected - got)[:3]} of {len(expected)}")
        # The same rows, in the same order, with the same totals, whatever the thread count.
        alone = ostrya("--threads", "1", *ours[:-1], "*.txt", root, ours[-1])
        check(ostrya("--threads=3", *ours[:-1], "*.txt", root, ours[-1]) == alone,
              f"content {ours}: three threads differ from one")
    # Folders are not listed when a containing text is given.
    code, out, err = ostrya("--paths", "", root, "needle")
    check(all(line.endswith(".txt") for line in out.splitlines()), "folders with a text")

def find_paths(root, *tests):
    out = subprocess.run(["find", root, "-mindepth", "1", *tests], capture_output=True,
                         env=dict(os.environ, LC_ALL="C")).stdout.decode("latin-1")
    return set(out.splitlines())


def make_dated_tree(root):
    """Files of many sizes, dates and attributes; times on even seconds, away from bounds."""
    import random
    import time as clock
    rng = random.Random(11)
    for i in range(160):
        folder = os.path.join(root, f"g{i % 5}")
        os.makedirs(folder, exist_ok=True)
        name = rng.choice(["a", "b", "c", ".h"]) + str(i) + rng.choice([".txt", ".log", ""])
        path = os.path.join(folder, name)
        with open(path, "wb") as f:
            f.write(b"x" * rng.choice([0, 5, 99, 100, 101, 500, 1000, 1001, 5000]))
        when = clock.mktime((rng.choice([2019, 2020, 2021, 2022, 2023]), rng.randint(1, 12),
                             rng.randint(1, 28), rng.randint(0, 23), rng.randint(1, 58), 10,
                             0, 0, -1))
        os.utime(path, (when, when))
        if rng.random() < 0.2:
            os.chmod(path, 0o444)


# Filter: the rows find gives for the same tests.
with tempfile.TemporaryDirectory() as root:
    make_dated_tree(root)
    files_or = lambda *t: ["(", "-type", "d", "-o", *t, ")"]
    filter_cases = [
        (["--mask", "*.txt", "--exclude", "b*"], ["-iname", "*.txt", "!", "-iname", "b*"]),
        (["--from", "01.01.2021"], ["-newermt", "2021-01-01 00:00:00"]),
        (["--to", "31.12.2021", "12:00"], ["!", "-newermt", "2021-12-31 12:00:00"]),
        (["--from", "1.6.2020", "--to", "31.5.22"],
         ["-newermt", "2020-06-01", "!", "-newermt", "2022-06-01"]),
        (["--min-size", "100", "--max-size", "1000"], files_or("-size", "+99c", "-size", "-1001c")),
        (["--attributes", "RDA"], ["!", "-name", ".*"]),
        (["--attributes", "HDA"], ["-perm", "-u+w"]),
        (["--mask", "*.log", "--min-size", "101"], ["-iname", "*.log", *files_or("-size", "+100c")]),
    ]
    for ours, theirs in filter_cases:
        code, out, err = ostrya("--paths", *ours, "", root)
        expected = find_paths(root, *theirs)
        got = set(out.splitlines())
        check(got == expected, f"filter {ours}: extra {sorted(got - expected)[:3]}, "
                               f"missing {sorted(expected - got)[:3]} of {len(expected)}")

    # The filter saved in a configuration file, and a direct field on top of it.
    config = os.path.join(root, "saved.INI")
    with open(config, "wb") as f:
        f.write(b"[Ostrya]\r\nFilter=55,256,0,0,0,0,0,0,0,0,0,0,0,0,100,0\r\nFtlPat=*.txt\r\n")
    code, out, err = ostrya("--paths", "--config", config, "--filter", "", root)
    expected = find_paths(root, "-iname", "*.txt", *files_or("-size", "+99c"))
    check(set(out.splitlines()) == expected, f"saved filter: {len(out.splitlines())} rows, "
                                             f"find has {len(expected)}")
    code, out, err = ostrya("--paths", "--config", config, "--filter", "--max-size", "500", "",
                            root)
    expected = find_paths(root, "-iname", "*.txt", *files_or("-size", "+99c", "-size", "-501c"))
    check(set(out.splitlines()) == expected, "saved filter with a bound on top")
    check(open(config, "rb").read().endswith(b"FtlPat=*.txt\r\n"), "the settings stay as they were")

    # Languages and the export formats.
    code, out, err = ostrya("--language", "DE", "--no-recurse", "*.none;g0", root)
    check(err.strip() == "Total 1 Ordner", f"German totals: {err!r}")
    code, out, err = ostrya("--format=csv", "--language", "de", "--sort=name", "--no-recurse",
                            "g*", root)
    check(out.startswith("Attribute;Gr\xf6\xdfe;") and out.count("\r\n") == 6,
          f"CSV export: {out[:80]!r}")
    target = os.path.join(root, "list.htm")
    code, out, err = ostrya("--format=html", "--output", target, "--no-recurse", "g*", root)
    html = open(target, "rb").read()
    check(html.startswith(b"<HTML>\r\n<BODY>\r\n<TABLE BORDER=1>\r\n<TR><TH>Name</TH>") and
          html.endswith(b"</TABLE>\r\n</BODY>\r\n</HTML>\r\n") and out == "", "HTML export")
    # A full disk is a failure, and no partial export is left behind.
    with open("/dev/full", "wb") as full:
        result = subprocess.run([FIND, "--no-recurse", "g*", root], stdout=full,
                                stderr=subprocess.PIPE, timeout=60)
    check(result.returncode == 2 and b"writing the rows failed" in result.stderr,
          f"rows to a full disk: {result.returncode} {result.stderr!r}")
    code, out, err = ostrya("--format=csv", "--output", "/dev/full", "--no-recurse", "g*", root)
    check(code == 2 and "writing the export failed" in err, f"export to a full disk: {code} {err!r}")
    check(os.path.exists("/dev/full"), "the device the export went to is still there")
    # A name cannot move the cursor or split its row: control characters are written out.
    odd = os.path.join(root, "odd")
    os.makedirs(odd)
    for name in ["esc\x1b[31mred.txt", "new\nline.txt"]:
        open(os.path.join(odd, name), "w").close()
    code, out, err = ostrya("--paths", "*", odd)
    check("\x1b" not in out and out.count("\n") == 2 and "esc\\033[31mred.txt" in out and
          "new\\nline.txt" in out, f"control characters: {out!r}")
    code, out, err = ostrya("--format=csv", "*", odd)
    check(out.count("\r\n") == 3 and '"' + odd + '/new\nline.txt"' in out, f"CSV record: {out!r}")
    # What could not be searched is said after the totals, and a search that found nothing
    # but could not search everything is no plain miss.
    broken = os.path.join(root, "broken")
    os.makedirs(broken)
    with open(os.path.join(broken, "cut.tar"), "wb") as f:
        header = bytearray(512)
        header[0:5] = b"a.txt"
        header[100:107] = b"0000644"
        header[124:135] = b"%011o" % 6
        header[136:147] = b"%011o" % 1600000000
        header[156:157] = b"0"
        header[257:263] = b"ustar\0"
        header[148:156] = b" " * 8
        header[148:155] = b"%06o\0" % sum(header)
        f.write(bytes(header) + b"needle" + bytes(506) + b"not a header" + bytes(9000))
    code, out, err = ostrya("--archives", "*", broken, "needle")
    check(code == 0 and "cut.tar/a.txt" in out and "1 damaged archive" in err,
          f"needle before the damage: {code} {err!r}")
    code, out, err = ostrya("--archives", "*", broken, "haystack")
    check(code == 2 and "; 1 not searched" in err and "1 damaged archive" in err and
          "cut.tar (damaged archive)" in err, f"damaged archive: {code} {err!r}")
    deep = os.path.join(root, "deep", "d" * 120, "e" * 120)
    os.makedirs(deep)
    open(os.path.join(deep, "far.txt"), "w").write("far")
    code, out, err = ostrya("--paths", "far.txt", os.path.join(root, "deep"))
    check(code == 2 and "1 path too long" in err, f"path too long: {code} {err!r}")

    # No rows: an empty export, which is no failure.
    empty = os.path.join(root, "empty.csv")
    code, out, err = ostrya("--format=csv", "--output", empty, "--no-recurse", "*.none", root)
    check(code == 1 and os.path.getsize(empty) == 0 and "failed" not in err,
          f"empty export: {code} {err!r}")
    os.remove(empty)
    for bad in [["--from", "32.13.2020", "", root], ["--attributes", "X", "", root],
                ["--min-size", "ten", "", root], ["--format=pdf", "", root],
                ["--threads", "0", "", root], ["--threads=65", "", root],
                ["--threads", "2x", "", root]]:
        code, out, err = ostrya(*bad)
        check(code == 2 and err.count("\n") == 1, f"usage error {bad}: {code} {err!r}")
    # Input that cannot mean anything is refused with a message naming the problem.
    random = os.path.join(root, "random.bin")
    with open(random, "wb") as f:
        f.write(bytes(range(256)))
    refused = [
        (["--hex", "*", root, "ZZ"], "'Z' is not a hexadecimal digit"),
        (["--hex", "*", root, "GG HH"], "'G' is not a hexadecimal digit"),
        (["--hex", "*", root, "   "], "no hexadecimal digits"),
        (["--hex", "*", root, "0x61"], "'x' is not a hexadecimal digit"),
        (["--regex", "*", root, "(a"], "Invalid regular expression: missing closing parenthesis"),
        (["--regex", "*", root, "[z-a]"], "Invalid regular expression: range out of order"),
        (["--regex", "*", root, "a{65536}"], "Invalid regular expression: number too big"),
        (["--from", "31.12.2026", "25:61", "*", root], "invalid time '25:61'"),
        (["*", root + ";" + os.path.join(root, "no-such-folder")], "no-such-folder does not exist"),
        (["--config", os.path.join(root, "missing.ini"), "*", root], "does not exist"),
        (["--config", random, "--filter", "*", root], "holds no Ostrya settings"),
        (["--output", os.path.join(root, "out.txt"), "*", root], "--output needs --format"),
        (["--language", "DE", "--hex", "*", root, "  "], "keine Hexadezimalziffern"),
    ]
    for arguments, message in refused:
        code, out, err = ostrya(*arguments)
        check(code == 2 and message in err and out == "", f"refused {arguments}: {code} {err!r}")
    check(not os.path.exists(os.path.join(root, "out.txt")), "no output for a refused command")
    # Only digits with a colon are a time after a date: a pattern with a colon stays one.
    code, out, err = ostrya("--no-recurse", "--from", "01.01.2020", "a:b", root)
    check(code == 1 and "invalid" not in err, f"colon after a date: {code} {err!r}")
    os.remove(random)
    code, out, err = ostrya("--hex", "--no-recurse", "--paths", "*", root, "4e 65 65646C65")
    check(code in (0, 1) and "not searched" not in err, f"a sound byte string: {code} {err!r}")

# A real tree.
for real in ["/usr/include"]:
    code, out, err = ostrya("--paths", "*.h;*.txt", real)
    expected = find_iname(real, ["*.h", "*.txt"])
    check(set(out.splitlines()) == expected, f"{real}: {len(out.splitlines())} rows, "
                                             f"find has {len(expected)}")

# Ctrl+C is a stop request: what was found is printed, and the totals say the search stopped.
process = subprocess.Popen([FIND, "--paths", "*", "/"], stdout=subprocess.PIPE,
                           stderr=subprocess.PIPE)
time.sleep(0.5)
process.send_signal(signal.SIGINT)
out, err = process.communicate(timeout=60)
totals = [line for line in err.decode().splitlines() if not line.startswith("ostrya-find:")]
check(totals and " - search canceled" in totals[-1], f"Ctrl+C: {err[-200:]!r}")
check(process.returncode in (0, 1), f"Ctrl+C exit status {process.returncode}")

print("end-to-end:", "ok" if not failures else f"{len(failures)} checks failed")
sys.exit(1 if failures else 0)
