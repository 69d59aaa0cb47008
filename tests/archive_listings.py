#!/usr/bin/env python3
"""ostrya-find --archives on every good archive fixture, against the listing an independent
reader made of it (the FIXTURE.list files beside the fixtures); then a containing text found in
the entries of every ZIP method, RAR version and cabinet method that hold it, and in no other."""
import os
import re
import shutil
import subprocess
import sys
import tempfile

FIND = os.environ["OSTRYA_FIND"]
FIXTURES = os.path.join(os.path.dirname(os.path.abspath(__file__)), "fixtures", "archives")
COMPRESSED_TAR = (".tgz", ".tar.gz", ".tbz", ".tar.bz2")
# A row's date and time are blank for an entry whose archive stores none.
ROW = re.compile(r"^\S*\s+(\d*)\s+(\d{4}-\d\d-\d\d \d\d:\d\d:\d\d| {19})  (.*)$")
failures = []
# LHA archives that detection does not take: PMarc's methods ("-pm2-") have no "l" at byte 3,
# and the X68000 stub is longer than the 3000 bytes the scan looks behind.
LHA_NOT_DETECTED = {"pmarc2-pm0.pma", "pmarc124-pm1.pma", "pmarc2-pm2.pma", "x68k-sfx.x"}
# OS/2 LHA keeps a second set of times, which lsar lists instead of the header's own.
LHA_OTHER_TIMES = {"lha/os2-h3-lh5.lzh", "lha/os2-h3-subdir.lzh"}


def check(condition, message):
    if not condition:
        failures.append(message)
        print("FAIL:", message, file=sys.stderr)


def dos_time(when):
    """A row shows a DOS time, which keeps seconds in steps of two: an odd second (RAR 5 and
    other formats store whole seconds) shows as the one before."""
    second = int(when[17:19])
    return when[:17] + "%02d" % (second - second % 2)


def expected_files(fixture):
    """(inner path, size or None, time or None) of the files the independent reader lists."""
    if fixture.endswith(COMPRESSED_TAR):
        # The compressed layer holds one entry, the tar; its listing describes the tar inside.
        return {("tree.tar", None, None)}
    files = set()
    with open(os.path.join(FIXTURES, fixture + ".list"), encoding="utf-8") as listing:
        for line in listing:
            path, size, when = line.rstrip("\n").split("\t")
            if path.endswith("/"):
                continue  # folders inside an archive never become rows
            path = path[2:] if path.startswith("./") else path.lstrip("/")
            files.add((path, None if size == "-" else size, None if when == "-" else dos_time(when)))
    return files


def listed_files(archive):
    result = subprocess.run([FIND, "--archives", "*", os.path.dirname(archive)],
                            capture_output=True, timeout=120, env=dict(os.environ, TZ="UTC"))
    files = set()
    prefix = archive + "/"
    for row in result.stdout.decode("utf-8", "replace").splitlines():
        # attributes, size (empty when not known), date and time, then the path
        fields = ROW.match(row)
        if fields and fields[3].startswith(prefix):
            files.add((fields[3][len(prefix):], fields[1] or None, fields[2].strip() or None))
    return files


for folder in sorted(os.listdir(FIXTURES)):
    if not os.path.isdir(os.path.join(FIXTURES, folder)):
        continue
    for name in sorted(os.listdir(os.path.join(FIXTURES, folder))):
        fixture = os.path.join(folder, name)
        if not os.path.exists(os.path.join(FIXTURES, fixture + ".list")):
            continue
        if name.startswith(("damaged-", "hostile-")):
            continue  # these are the readers' own tests' business
        if folder == "lha" and name in LHA_NOT_DETECTED:
            continue  # checked below
        with tempfile.TemporaryDirectory() as scratch:
            archive = os.path.join(scratch, name)
            shutil.copyfile(os.path.join(FIXTURES, fixture), archive)
            want = expected_files(fixture)
            got = listed_files(archive)
        fat = folder == "fat"
        # Compare the sizes the independent reader tells, and every time: where it tells none,
        # the archive stores none and the row shows none. FAT short names without case, and
        # LHA names, which lhasa lower-cases where DOS archivers stored them in capitals.
        fold = (lambda p: p.lower()) if fat or folder == "lha" else (lambda p: p)
        timed = fixture not in LHA_OTHER_TIMES
        sizes = {fold(p): s is not None for p, s, _ in want}
        want_keys = {(fold(p), s, t if timed else None) for p, s, t in want}
        got_keys = {(fold(p), s if sizes.get(fold(p)) else None, t if timed else None)
                    for p, s, t in got}
        check(got_keys == want_keys,
              f"{fixture}: extra {sorted(got_keys - want_keys)[:4]}, "
              f"missing {sorted(want_keys - got_keys)[:4]}")
        print(f"{fixture}: {len(got)} entries")

for name in sorted(LHA_NOT_DETECTED):
    with tempfile.TemporaryDirectory() as scratch:
        archive = os.path.join(scratch, name)
        shutil.copyfile(os.path.join(FIXTURES, "lha", name), archive)
        got = listed_files(archive)
    check(not got, f"lha/{name}: detection should not take it, but it lists {sorted(got)[:4]}")

# The source tree's files that hide the needle, as most ZIP and cabinet fixtures hold them.
NEEDLE = {"readme.txt", "haystack.txt", "sub/inner.txt"}
NEEDLE_AND_NAMES = NEEDLE | {"Grüße ñandú.txt", "notes with blank.txt"}
LONG_PATH = ("long/a-folder-name-that-is-long-enough/another-rather-long-folder-name/"
             "file-at-the-end-of-a-long-path.txt")
NEEDLE_ARJ = NEEDLE | {"notes with blank.txt", "binary.dat"}
# jLHA's archives of the plain tree, which leave out the UTF-8 name.
NEEDLE_JLHA = NEEDLE | {"notes with blank.txt"}
# (fixture, options, text, the entries holding it as an independent extraction finds them)
CONTAINING = [
    ("zip/info-zip-stored.zip", [], "needle", NEEDLE_AND_NAMES),
    ("zip/info-zip-deflate.zip", [], "needle", NEEDLE_AND_NAMES | {
        "long/a-folder-name-that-is-long-enough/another-rather-long-folder-name/"
        "file-at-the-end-of-a-long-path.txt"}),
    ("zip/7z-deflate64.zip", [], "needle", NEEDLE_AND_NAMES),
    ("zip/7z-bzip2.zip", [], "needle", NEEDLE_AND_NAMES),
    ("zip/7z-lzma.zip", [], "needle", NEEDLE_AND_NAMES),
    ("zip/zstd-xz.zip", [], "needle", NEEDLE),
    ("zip/python-descriptors.zip", [], "needle", NEEDLE | {"Grüße ñandú.txt"}),
    ("zip/sfx-unadjusted.zip", [], "needle", NEEDLE_AND_NAMES),
    ("zip/zip64.zip", [], "needle", {"readme.txt", "sub/inner.txt"}),
    ("zip/legacy-shrink.zip", [], "needle", NEEDLE),
    ("zip/legacy-reduce1.zip", [], "needle", NEEDLE),
    ("zip/legacy-reduce2.zip", [], "needle", NEEDLE),
    ("zip/legacy-reduce3.zip", [], "needle", NEEDLE),
    ("zip/legacy-reduce4.zip", [], "needle", NEEDLE),
    ("zip/legacy-implode.zip", [], "needle", NEEDLE),
    ("zip/legacy-implode-8k.zip", [], "needle", NEEDLE),
    ("zip/legacy-implode-tree.zip", [], "needle", NEEDLE),
    ("zip/legacy-implode-tree-8k.zip", [], "needle", NEEDLE),
    ("rar/rar29.rar", [], "text", {"test.txt", "testdir/test.txt"}),
    ("rar/rar29-best.rar", [], "text", {"LibarchiveAddingTest.html", "testdir/test.txt",
                                         "testdir/LibarchiveAddingTest.html"}),
    ("rar/rar29-sfx.exe", [], "text", {"test.txt", "testdir/test.txt"}),
    ("rar/rar5-stored.rar", [], "libarchive", {"helloworld.txt"}),
    ("rar/rar5-compressed.rar", ["--hex"], "01000000050000000B00000013", {"test.bin"}),
    ("rar/rar5-solid.rar", ["--hex"], "03000000030000000500000009000000 0F", {"test4.bin"}),
    ("cab/gcab-stored.cab", [], "needle", NEEDLE),
    ("cab/gcab-mszip.cab", [], "needle", NEEDLE),
    ("cab/mszip_lzx_qtm.cab", [], "decompressor", {"mszip.txt", "lzx.txt", "qtm.txt"}),
    # haystack.txt and binary.dat are packed with the fixture's method in each (0 to 4).
    ("arj/stored.arj", [], "needle", NEEDLE_ARJ),
    ("arj/method1.arj", [], "needle", NEEDLE_ARJ),
    ("arj/method2.arj", [], "needle", NEEDLE_ARJ),
    ("arj/method3.arj", [], "needle", NEEDLE_ARJ),
    ("arj/method4.arj", [], "needle", NEEDLE_ARJ),
    ("arj/text-mode.arj", [], "needle", {"readme.txt", "haystack.txt", "eight-bit.txt",
                                          "binary.dat"}),
    ("arj/garbled.arj", [], "needle", {"sub/inner.txt"}),
    ("arj/sfx.exe", [], "needle", {"readme.txt", "haystack.txt", "binary.dat"}),
    ("arj/first-volume.arj", [], "needle", {"haystack.txt", "binary.dat"}),
    # ARC: stored random.bin and small.txt, packed or crunched runs.bin, squeezed skewed.bin,
    # crunched or squashed text.txt and words.txt (which fills the tables); an old-style header
    # and crunching 5 to 7.
    ("arc/crunched.arc", [], "needle", {"random.bin", "runs.bin", "skewed.bin", "text.txt",
                                        "small.txt", "words.txt"}),
    ("arc/squashed.arc", [], "needle", {"random.bin", "runs.bin", "skewed.bin", "text.txt",
                                        "small.txt", "words.txt"}),
    ("arc/old-methods.arc", [], "needle", {"OLD.TXT", "CRUNCH5.TXT", "CRUNCH6.TXT",
                                           "CRUNCH7.TXT"}),
    # ACE: the tree stored, LZ77-packed, and solid with every other file stored.
    ("ace/tree-stored.ace", [], "needle", NEEDLE_AND_NAMES | {LONG_PATH}),
    ("ace/tree-lz77.ace", [], "needle", NEEDLE_AND_NAMES | {LONG_PATH}),
    ("ace/tree-solid.ace", [], "needle", NEEDLE_AND_NAMES | {LONG_PATH, "words.txt"}),
    # LHA: every method among the detected fixtures (jLHA stores the small files as -lh0-); the
    # older methods and level 3 hold the GPL text, -lz4- a gzip file of it.
    ("lha/jlha-h0-lh5.lzh", [], "needle", NEEDLE_JLHA),
    ("lha/jlha-h1-lh6.lzh", [], "needle", NEEDLE_JLHA),
    ("lha/jlha-h2-lh7.lzh", [], "needle", NEEDLE_JLHA),
    ("lha/jlha-h1-lh0.lzh", [], "needle", NEEDLE_JLHA),
    ("lha/lharc113-lh1.lzh", [], "Foundation", {"gpl-2"}),
    ("lha/amiga122-lh4.lzh", [], "Foundation", {"gpl-2"}),
    ("lha/larc333-lz5.lzs", [], "Foundation", {"gpl-2"}),
    ("lha/lzs.lzs", [], "Foundation", {"gpl-2"}),
    ("lha/larc333-lz4.lzs", ["--hex"], "1F8B08", {"gpl-2.gz"}),
    ("lha/os2-h3-lh5.lzh", [], "Foundation", {"gpl-2"}),
    ("lha/lha255e-sfx.exe", [], "Foundation", {"gpl-2"}),
    # ZOO: stored (one entry deleted), LZW, and LZH beside LZW and stored.
    ("zoo/tree-stored.zoo", [], "needle", {"readme.txt", "notes with blank.txt", "sub/inner.txt",
                                           "Grüße ñandú.txt"}),
    ("zoo/tree-lzw.zoo", [], "needle", NEEDLE_AND_NAMES),
    ("zoo/lzh.zoo", [], "needle", NEEDLE),
]


def entries_containing(archive, options, text):
    result = subprocess.run([FIND, "--archives", "--paths", *options, "*",
                             os.path.dirname(archive), text],
                            capture_output=True, timeout=120)
    prefix = archive + "/"
    return {path[len(prefix):] for path in result.stdout.decode("utf-8", "replace").splitlines()
            if path.startswith(prefix)}


for fixture, options, text, holding in CONTAINING:
    with tempfile.TemporaryDirectory() as scratch:
        archive = os.path.join(scratch, os.path.basename(fixture))
        shutil.copyfile(os.path.join(FIXTURES, fixture), archive)
        found = entries_containing(archive, options, text)
    check(found == holding, f"{fixture} [{text}]: found {sorted(found)}, "
                            f"expected {sorted(holding)}")
    print(f"{fixture}: {text!r} in {len(found)} entries")

if failures:
    print(f"{len(failures)} failures", file=sys.stderr)
    sys.exit(1)
print("all listings and searches agree")
