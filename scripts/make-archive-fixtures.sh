#!/usr/bin/env bash
# Regenerates the archive fixtures under tests/fixtures/archives/ and, beside every fixture that
# is not damaged on purpose, its expected listing FIXTURE.list as 7-Zip or bsdtar reads it.
#
#   bash scripts/make-archive-fixtures.sh
#
# Everything is made from source trees that this script builds itself, with fixed times (TZ=UTC,
# SOURCE_DATE_EPOCH), fixed owners and modes and sorted input, so two runs give identical bytes.
# Tools come from Debian's packages; a missing one is installed with apt-get (as root).
# Hostile names that the tools refuse to write are made with python3 (tar, cpio) or by rewriting
# names inside an image the tools made (ISO 9660 Joliet names, FAT long names).
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
out="$root/tests/fixtures/archives"

log() { printf 'fixtures: %s\n' "$*" >&2; }

# --- tools -----------------------------------------------------------------------------------

declare -A package_of=(
  [tar]=tar [cpio]=cpio [gzip]=gzip [bzip2]=bzip2 [xorriso]=xorriso [mformat]=mtools
  [rpmbuild]=rpm [bsdtar]=libarchive-tools [7z]=p7zip-full [python3]=python3 [xxd]=xxd
  [zip]=zip [unzip]=unzip [zstd]=zstd [xz]=xz-utils [gcab]=gcab [lsar]=unar [unar]=unar
  [g++]=g++ [unace]=unace
  [arj]=arj [faketime]=faketime
  [arc]=arc [nomarch]=nomarch
  [jlha]=jlha-utils
)
missing=()
for tool in "${!package_of[@]}"; do
  if [ "$tool" = python3 ]; then
    [ -x /usr/bin/python3 ] || missing+=(python3)   # Debian's own, not one first on PATH
  elif ! command -v "$tool" >/dev/null 2>&1 && ! [ -x "/usr/bin/$tool" ]; then
    missing+=("${package_of[$tool]}")
  fi
done
if [ "${#missing[@]}" -gt 0 ]; then
  mapfile -t missing < <(printf '%s\n' "${missing[@]}" | LC_ALL=C sort -u)
  log "installing missing tools with apt-get: ${missing[*]}"
  apt-get update -qq
  DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi
python=/usr/bin/python3

# --- a fixed environment ---------------------------------------------------------------------

export TZ=UTC LC_ALL=C.UTF-8 LANG=C.UTF-8
export SOURCE_DATE_EPOCH=1704067200          # 2024-01-01 00:00:00 UTC, newer than every file
export MTOOLS_SKIP_CHECK=1 MTOOLS_LOWER_CASE=0 GZIP= BZIP2= BZIP=
umask 022

work=$(mktemp -d /tmp/ostrya-fixtures.XXXXXXXX)
trap 'rm -rf "$work"' EXIT
: >"$work/mtoolsrc"
export MTOOLSRC="$work/mtoolsrc"
helper="$work/helper.py"

dir_time='2023-06-01 00:00:00'
# A path of more than 100 characters whose last part fits the ustar name field (prefix split).
long_dir='long/a-folder-name-that-is-long-enough/another-rather-long-folder-name'
long_file="$long_dir/file-at-the-end-of-a-long-path.txt"

# Sets one file's or folder's modification time.
stamp() { touch -h -d "$2" "$1"; }

# Gives every folder under $1 (and $1) the folder time; files keep theirs.
stamp_folders() { find "$1" -type d -exec touch -h -d "$dir_time" {} +; }

# Lists the entries of a tree relative to it, NUL-separated, in byte order.
entries() { (cd "$1" && find . -mindepth 1 -printf '%P\0' | LC_ALL=C sort -z); }

# --- the source trees ------------------------------------------------------------------------

# The main tree: text files with known words, a subfolder, an empty folder, a name with a blank,
# a non-ASCII name (UTF-8), a read-only file, a path of more than 100 characters and a file of
# 6000 bytes whose word "needle" straddles the 4096-byte boundary (bytes 4093 to 4098).
make_tree() {
  local t=$1
  mkdir -p "$t/sub/deeper" "$t/empty" "$t/$long_dir"
  printf 'This tree is the source of the archive fixtures.\nIt hides a needle in a haystack.\n' \
    >"$t/readme.txt"
  LC_ALL=C awk 'BEGIN {
      s = ""; while (length(s) < 6000) s = s "haystack ";
      head = substr(s, 1, 4092) " needle ";
      tail = substr(s, 1, 6000 - length(head) - 1);
      printf "%s%s\n", head, tail }' >"$t/haystack.txt"
  printf 'notes: the needle is not in this haystack\n' >"$t/notes with blank.txt"
  printf 'Gr\xc3\xbc\xc3\x9fe aus dem Heuhaufen: needle\n' >"$t/Gr"$'\xc3\xbc\xc3\x9f'"e "$'\xc3\xb1'"and"$'\xc3\xba'".txt"
  printf 'read-only haystack\n' >"$t/read-only.txt"
  printf 'inner needle\n' >"$t/sub/inner.txt"
  printf 'deepest haystack\n' >"$t/sub/deeper/deepest.txt"
  printf 'at the end of a long path: needle\n' >"$t/$long_file"
  find "$t" -type f -exec chmod 0644 {} + && find "$t" -type d -exec chmod 0755 {} +
  chmod 0444 "$t/read-only.txt"
  # Even seconds throughout: FAT keeps times in steps of two seconds.
  stamp "$t/readme.txt" '2021-03-04 05:06:08'
  stamp "$t/haystack.txt" '2020-02-29 23:59:58'
  stamp "$t/notes with blank.txt" '1999-12-31 23:59:58'
  stamp "$t/Gr"$'\xc3\xbc\xc3\x9f'"e "$'\xc3\xb1'"and"$'\xc3\xba'".txt" '2010-07-01 12:00:00'
  stamp "$t/read-only.txt" '2015-05-05 15:15:14'
  stamp "$t/sub/inner.txt" '2022-08-09 10:11:12'
  stamp "$t/sub/deeper/deepest.txt" '2023-01-02 03:04:06'
  stamp "$t/$long_file" '2018-06-30 18:30:00'
  stamp_folders "$t"
}

# The same tree without the long path.
make_plain_tree() { make_tree "$1"; rm -rf "$1/long"; stamp_folders "$1"; }

# Ten folder levels (the root and d01 to d09), beyond the eight of ECMA-119, plus a side branch.
make_deep_tree() {
  local t=$1 p=$1 i
  for i in 01 02 03 04 05 06 07 08 09; do p="$p/d$i"; done
  mkdir -p "$p" "$t/other"
  printf 'bottom needle\n' >"$p/bottom.txt"
  printf 'first level haystack\n' >"$t/d01/first.txt"
  printf 'middle haystack\n' >"$t/d01/d02/d03/d04/d05/middle.txt"
  printf 'leaf needle\n' >"$t/other/leaf.txt"
  find "$t" -type f -exec chmod 0644 {} + -exec touch -h -d '2022-02-22 22:22:22' {} +
  find "$t" -type d -exec chmod 0755 {} +
  stamp_folders "$t"
}

# Hostile names for images, as placeholders of the right length that the helper renames inside
# the image: Ph-escape.txt -> ../escape.txt, Pabs.txt -> /abs.txt, Ph-drive.txt -> C:\drive.txt,
# folders Pa and Pb -> "..", CQN -> CON (FAT short name). $2 is the kind of image, iso or fat:
# each gets a path of 300 characters made of the longest names it can hold.
make_hostile_tree() {
  local t=$1 kind=$2 n
  mkdir -p "$t/a/Pa/Pb"
  printf 'a harmless first entry\n' >"$t/safe.txt"
  printf 'needle outside\n' >"$t/Ph-escape.txt"
  printf 'needle at the root\n' >"$t/Pabs.txt"
  printf 'needle on a drive\n' >"$t/Ph-drive.txt"
  printf 'needle two levels up\n' >"$t/a/Pa/Pb/up.txt"
  printf 'needle in aux\n' >"$t/aux.txt"
  if [ "$kind" = fat ]; then
    printf 'needle in a device name\n' >"$t/CQN"
    # A 44-character folder holding a 255-character name (the longest FAT allows): 300 in all.
    n=$(printf 'folder-of-forty-four-characters-%012d' 0)
    mkdir -p "$t/$n"
    printf 'needle far away\n' >"$t/$n/$(printf 'name-of-255-characters-%0228d.txt' 0)"
  else
    printf 'needle in a device name\n' >"$t/CON"
    # Joliet names hold at most 103 characters: three levels of 100, 100 and 98 make 300.
    n="$(printf 'joliet-folder-one-%082d' 0)/$(printf 'joliet-folder-two-%082d' 0)"
    mkdir -p "$t/$n"
    printf 'needle far away\n' >"$t/$n/$(printf 'joliet-file-%082d.txt' 0)"
  fi
  find "$t" -type f -exec chmod 0644 {} + -exec touch -h -d '2021-11-11 11:11:10' {} +
  find "$t" -type d -exec chmod 0755 {} +
  stamp_folders "$t"
}

# --- the python helper (hostile archives, renaming inside images, listings) -------------------

cat >"$helper" <<'PY'
import io, os, struct, subprocess, sys, tarfile, time

HOSTILE = ["safe.txt", "../escape.txt", "/abs.txt", "C:\\drive.txt", "a/../../up.txt", "CON",
           "aux.txt", "three-hundred-characters-" + "x" * 271 + ".txt"]
HOSTILE_TIME = 1636629070  # 2021-11-11 11:11:10 UTC

def body(name):
    return ("hostile entry %s holds a needle\n" % name).encode("utf-8")

def hostile_tar(path):
    with tarfile.open(path, "w", format=tarfile.GNU_FORMAT) as t:
        for name in HOSTILE:
            data = body(name)
            info = tarfile.TarInfo(name)
            info.size, info.mtime, info.mode = len(data), HOSTILE_TIME, 0o644
            info.uid = info.gid = 0
            info.uname = info.gname = "root"
            t.addfile(info, io.BytesIO(data))

def newc(ino, mode, nlink, mtime, name, data):
    raw = name.encode("utf-8") + b"\0"
    fields = (ino, mode, 0, 0, nlink, mtime, len(data), 0, 0, 0, 0, len(raw), 0)
    head = b"070701" + b"".join(b"%08X" % f for f in fields) + raw
    head += b"\0" * (-len(head) % 4)
    return head + data + b"\0" * (-len(data) % 4)

def hostile_cpio(path):
    out = b"".join(newc(i + 1, 0o100644, 1, HOSTILE_TIME, n, body(n)) for i, n in enumerate(HOSTILE))
    out += newc(0, 0, 1, 0, "TRAILER!!!", b"")
    out += b"\0" * (-len(out) % 512)
    with open(path, "wb") as f:
        f.write(out)

def v7_header(name, mode, size, mtime):
    h = bytearray(512)
    h[0:len(name)] = name.encode("ascii")
    h[100:108] = b"%6o \0" % mode          # "   644 \0": blank-padded, as old tars wrote it
    h[108:116] = b"%6o \0" % 0
    h[116:124] = b"%6o \0" % 0
    h[124:136] = b"%11o " % size
    h[136:148] = b"%11o " % mtime
    h[148:156] = b" " * 8
    h[156] = 0                               # type flag NUL, no "ustar" magic
    h[148:156] = b"%6o\0 " % sum(h)
    return bytes(h)

def v7_tar(path):
    entries = [("readme.txt", 0o644, b"blank-padded mode 644: needle\n"),
               ("folder/", 0o755, b""),
               ("folder/locked.txt", 0o444, b"blank-padded mode 444: haystack\n")]
    out = b""
    for name, mode, data in entries:
        out += v7_header(name, mode, len(data), 1600000000) + data + b"\0" * (-len(data) % 512)
    out += b"\0" * 1024
    out += b"\0" * (-len(out) % 10240)
    with open(path, "wb") as f:
        f.write(out)

# --- ISO 9660: rename Joliet names in place (same length) ----------------------------------

def joliet_records(img):
    le32 = lambda b: struct.unpack_from("<I", b)[0]
    sector = 16
    while True:
        d = img[sector * 2048:(sector + 1) * 2048]
        if len(d) < 2048 or d[0] == 255:
            raise SystemExit("no Joliet descriptor")
        if d[0] == 2 and d[1:6] == b"CD001" and d[88:90] == b"%/":
            break
        sector += 1
    rootrec = d[156:190]
    queue = [(le32(rootrec[2:6]), le32(rootrec[10:14]))]
    while queue:
        extent, length = queue.pop(0)
        for s in range((length + 2047) // 2048):
            base = (extent + s) * 2048
            p = 0
            while p < 2048 - 33:
                rl = img[base + p]
                if rl == 0:
                    break
                nl = img[base + p + 32]
                raw = bytes(img[base + p + 33:base + p + 33 + nl])
                if raw not in (b"\0", b"\1"):
                    yield base + p, raw
                    if img[base + p + 25] & 2:
                        queue.append((le32(img[base + p + 2:base + p + 6]),
                                      le32(img[base + p + 10:base + p + 14])))
                p += rl

def iso_rename(path, pairs):
    img = bytearray(open(path, "rb").read())
    todo = dict(pairs)
    for off, raw in list(joliet_records(img)):
        name = raw.decode("utf-16-be")
        stem, sep, version = name.partition(";")
        if stem in todo:
            new = (todo.pop(stem) + sep + version).encode("utf-16-be")
            assert len(new) == len(raw), (name, new)
            img[off + 33:off + 33 + len(raw)] = new
    if todo:
        raise SystemExit("Joliet names not found: %r" % sorted(todo))
    open(path, "wb").write(img)

# --- FAT12: rename long names and short names in place ------------------------------------

class Fat:
    def __init__(self, img):
        self.img = img
        u16 = lambda o: struct.unpack_from("<H", img, o)[0]
        self.bps, self.spc, rsv, nfats = u16(11), img[13], u16(14), img[16]
        rootents, fatsz = u16(17), u16(22)
        self.fat = rsv * self.bps
        self.root = (rsv + nfats * fatsz) * self.bps
        self.rootlen = rootents * 32
        self.data = self.root + self.rootlen

    def next(self, c):
        v = struct.unpack_from("<H", self.img, self.fat + c * 3 // 2)[0]
        return v >> 4 if c & 1 else v & 0xFFF

    def slots(self, first):
        if first is None:
            return list(range(self.root, self.root + self.rootlen, 32))
        out, c, seen = [], first, set()
        while 2 <= c < 0xFF8 and c not in seen:
            seen.add(c)
            base = self.data + (c - 2) * self.spc * self.bps
            out += range(base, base + self.spc * self.bps, 32)
            c = self.next(c)
        return out

    def walk(self, first=None, path=""):
        """Yields (path, short-entry offset, [long-name slot offsets]) in folder order."""
        run = []
        for off in self.slots(first):
            e = self.img[off:off + 32]
            if e[0] == 0:
                return
            if e[0] == 0xE5:
                run = []
                continue
            if e[11] == 0x0F:
                run.append(off)
                continue
            if e[11] & 0x08 or e[0:11] in (b".          ", b"..         "):
                run = []
                continue
            name = self.long_name(run) if run else self.short_name(e)
            yield path + name, off, run
            if e[11] & 0x10:
                yield from self.walk(struct.unpack_from("<H", e, 26)[0], path + name + "/")
            run = []

    def long_name(self, run):
        parts = {}
        for off in run:
            e = self.img[off:off + 32]
            parts[e[0] & 0x1F] = bytes(e[1:11] + e[14:26] + e[28:32])
        raw = b"".join(parts[k] for k in sorted(parts)).decode("utf-16-le")
        return raw.split("\0")[0]

    @staticmethod
    def short_name(e):
        stem, ext = bytes(e[0:8]).decode("cp850").rstrip(), bytes(e[8:11]).decode("cp850").rstrip()
        if e[12] & 0x08:                        # lower-case flags, as mtools and Windows set them
            stem = stem.lower()
        if e[12] & 0x10:
            ext = ext.lower()
        return stem + ("." + ext if ext else "")

    def set_long_name(self, run, name):
        raw = name.encode("utf-16-le")
        units = list(struct.unpack("<%dH" % (len(raw) // 2), raw))
        room = 13 * len(run)
        assert len(units) <= room, name
        if len(units) < room:
            units.append(0)
        units += [0xFFFF] * (room - len(units))
        for off in run:
            seq = (self.img[off] & 0x1F) - 1
            u = units[seq * 13:seq * 13 + 13]
            raw = struct.pack("<13H", *u)
            self.img[off + 1:off + 11] = raw[0:10]
            self.img[off + 14:off + 26] = raw[10:22]
            self.img[off + 28:off + 32] = raw[22:26]

def fat_rename(path, pairs):
    img = bytearray(open(path, "rb").read())
    fat = Fat(img)
    todo = dict(pairs)
    for full, off, run in list(fat.walk()):
        leaf = full.rsplit("/", 1)[-1]
        if leaf not in todo:
            continue
        new = todo.pop(leaf)
        if run:
            fat.set_long_name(run, new)
        else:                                   # a short name only: rewrite its 8 + 3 bytes
            stem, _, ext = new.partition(".")
            img[off:off + 11] = stem.ljust(8).encode("ascii") + ext.ljust(3).encode("ascii")
    if todo:
        raise SystemExit("FAT names not found: %r" % sorted(todo))
    open(path, "wb").write(img)

def fat_locate(path, wanted):
    """Prints the offset of an entry's first-cluster field and the cluster it holds."""
    img = bytearray(open(path, "rb").read())
    for full, off, run in Fat(img).walk():
        if full == wanted:
            print(off + 26, struct.unpack_from("<H", img, off + 26)[0])
            return
    raise SystemExit("no entry " + wanted)

# --- ZIP archives the packaged writers cannot make ---------------------------------------

def dos_stamp(seconds):
    t = time.gmtime(seconds)
    return (((t.tm_year - 1980) << 9) | (t.tm_mon << 5) | t.tm_mday,
            (t.tm_hour << 11) | (t.tm_min << 5) | (t.tm_sec // 2))

def zip_bytes(members, comment=b"", zip64=False, prefix=b""):
    """A ZIP file from (name bytes, data, method, compressed, flags, mtime, external) members,
    written field by field. With zip64, every central size and offset is in a ZIP64 field."""
    import zlib
    local, central = bytearray(prefix), bytearray()
    for name, data, method, packed, flags, mtime, external in members:
        date, clock = dos_stamp(mtime)
        crc = zlib.crc32(data)
        offset = len(local)
        local += struct.pack("<IHHHHHIIIHH", 0x04034b50, 20, flags, method, clock, date, crc,
                             len(packed), len(data), len(name), 0) + name + packed
        if zip64:
            extra = struct.pack("<HHQQQ", 1, 24, len(data), len(packed), offset)
            sizes = (0xFFFFFFFF, 0xFFFFFFFF, 0xFFFFFFFF)
        else:
            extra, sizes = b"", (len(packed), len(data), offset)
        central += struct.pack("<IHHHHHHIIIHHHHHII", 0x02014b50, 20, 20, flags, method, clock,
                               date, crc, sizes[0], sizes[1], len(name), len(extra), 0, 0, 0,
                               external, sizes[2]) + name + extra
    start, count = len(local), len(members)
    out = local + central
    if zip64:
        end64 = len(out)
        out += struct.pack("<IQHHIIQQQQ", 0x06064b50, 44, 45, 45, 0, 0, count, count,
                           len(central), start)
        out += struct.pack("<IIQI", 0x07064b50, 0, end64, 1)
        out += struct.pack("<IHHHHIIH", 0x06054b50, 0, 0, 0xFFFF, 0xFFFF, 0xFFFFFFFF, 0xFFFFFFFF,
                           len(comment)) + comment
    else:
        out += struct.pack("<IHHHHIIH", 0x06054b50, 0, 0, count, count, len(central), start,
                           len(comment)) + comment
    return bytes(out)

def stored(name, data, mtime=HOSTILE_TIME, flags=0):
    return (name, data, 0, data, flags, mtime, 0x20)

def hostile_zip(path):
    names = HOSTILE + ["a\\..\\..\\back.txt", "\\\\server\\share.txt", "sub\\nul.txt"]
    with open(path, "wb") as f:
        f.write(zip_bytes([stored(n.encode(), body(n)) for n in names]))

def names_zip(path):
    """Names in code page 850 (no flag) and one in UTF-8 (flag bit 11)."""
    members = [stored(b"Gr\x81\xe1e.txt", b"OEM name: needle\n"),
               stored(b"\x8e\x99\x9a.txt", b"OEM capitals\n"),
               stored("Grüße ñandú.txt".encode(), b"UTF-8 name: needle\n", flags=0x800)]
    with open(path, "wb") as f:
        f.write(zip_bytes(members))

def tool_packed(tool, data):
    return subprocess.run([tool, "-c", "-q", "-19" if tool == "zstd" else "-9"], input=data,
                          stdout=subprocess.PIPE, check=True).stdout

def modern_zip(path, tree):
    """zstd (93) and xz (95) entries, which the packaged writers do not make."""
    members = []
    for i, rel in enumerate(["readme.txt", "haystack.txt", "sub/inner.txt"]):
        data = open(os.path.join(tree, rel), "rb").read()
        mtime = int(os.stat(os.path.join(tree, rel)).st_mtime)
        method, tool = (93, "zstd") if i % 2 == 0 else (95, "xz")
        members.append((rel.encode(), data, method, tool_packed(tool, data), 0, mtime, 0x20))
    with open(path, "wb") as f:
        f.write(zip_bytes(members))

def zip64_zip(path, tree):
    members = []
    for rel in ["readme.txt", "sub/inner.txt"]:
        data = open(os.path.join(tree, rel), "rb").read()
        members.append(stored(rel.encode(), data, int(os.stat(os.path.join(tree, rel)).st_mtime)))
    with open(path, "wb") as f:
        f.write(zip_bytes(members, zip64=True))

def unseekable_zip(path, tree):
    """Python's zipfile writing to a stream it cannot seek: every entry is followed by a data
    descriptor. LZMA (with its end marker), bzip2 and deflate entries."""
    import zipfile
    class Unseekable(io.RawIOBase):
        def __init__(self, f): self.f = f
        def writable(self): return True
        def write(self, b): return self.f.write(b)
    with open(path, "wb") as raw, zipfile.ZipFile(Unseekable(raw), "w") as z:
        for rel, method in [("readme.txt", zipfile.ZIP_LZMA), ("haystack.txt", zipfile.ZIP_BZIP2),
                            ("sub/inner.txt", zipfile.ZIP_DEFLATED),
                            ("Grüße ñandú.txt", zipfile.ZIP_LZMA)]:
            full = os.path.join(tree, rel)
            info = zipfile.ZipInfo(rel, time.gmtime(os.stat(full).st_mtime)[:6])
            info.compress_type = method
            with open(full, "rb") as src:
                z.writestr(info, src.read())

def bomb_zip(path):
    """A deflate entry that gives a mebibyte of zeros but states 1000 bytes (and their CRC)."""
    import zlib
    data = bytes(1 << 20)
    packer = zlib.compressobj(9, zlib.DEFLATED, -15)
    packed = packer.compress(data) + packer.flush()
    name = b"bomb.txt"
    date, clock = dos_stamp(HOSTILE_TIME)
    crc = zlib.crc32(data[:1000])
    local = struct.pack("<IHHHHHIIIHH", 0x04034b50, 20, 0, 8, clock, date, crc, len(packed),
                        1000, len(name), 0) + name + packed
    central = struct.pack("<IHHHHHHIIIHHHHHII", 0x02014b50, 20, 20, 0, 8, clock, date, crc,
                          len(packed), 1000, len(name), 0, 0, 0, 0, 0x20, 0) + name
    end = struct.pack("<IHHHHIIH", 0x06054b50, 0, 0, 1, 1, len(central), len(local), 0)
    with open(path, "wb") as f:
        f.write(local + central + end)

def unknown_method_zip(path):
    """A PPMd entry (method 98), which is listed but not extracted, beside a stored one."""
    members = [(b"ppmd.txt", b"not really PPMd\n", 98, b"\x00" * 16, 0, HOSTILE_TIME, 0x20),
               stored(b"plain.txt", b"plain needle\n")]
    with open(path, "wb") as f:
        f.write(zip_bytes(members))

# --- a cabinet written field by field (stored data), for names no packaged writer keeps ------

def stored_cab(path, members):
    """members: (name, data); one folder without compression, one data block per 32 KiB."""
    data = b"".join(d for _, d in members)
    blocks = [data[i:i + 32768] for i in range(0, len(data), 32768)] or [b""]
    date, clock = dos_stamp(HOSTILE_TIME)
    files, offset = b"", 0
    for name, body in members:
        files += struct.pack("<IIHHHH", len(body), offset, 0, date, clock, 0x20) + name + b"\0"
        offset += len(body)
    header_size, folder_size = 36, 8
    files_at = header_size + folder_size
    data_at = files_at + len(files)
    total = data_at + sum(8 + len(b) for b in blocks)
    out = struct.pack("<4sIIIIIBBHHHHH", b"MSCF", 0, total, 0, files_at, 0, 3, 1, 1, len(members),
                      0, 0x1234, 0)
    out += struct.pack("<IHH", data_at, len(blocks), 0) + files
    for b in blocks:
        out += struct.pack("<IHH", 0, len(b), len(b)) + b
    with open(path, "wb") as f:
        f.write(out)

def cab_set(first, second, tree):
    """Two cabinets of one set: readme.txt lies in the first, haystack.txt starts there and ends
    in the second, and sub/inner.txt lies in a folder of its own in the second. The spanning
    folder's one data block is cut at 4096 bytes, as writers cut the block that spans: the first
    piece says it decodes to nothing, the second to the whole block."""
    names = ["readme.txt", "haystack.txt", "sub/inner.txt"]
    bodies = [open(os.path.join(tree, n), "rb").read() for n in names]
    spanning, cut = bodies[0] + bodies[1], 4096
    date, clock = dos_stamp(HOSTILE_TIME)
    def cabinet(path, flags, links, files, folders):
        """files: (index of name, folder field, offset in folder); folders: their blocks, each
        (bytes, size decoded)."""
        entries = b"".join(struct.pack("<IIHHHH", len(bodies[i]), offset, folder, date, clock,
                                       0x20) + names[i].replace("/", "\\").encode() + b"\0"
                           for i, folder, offset in files)
        head = 36 + len(links)
        at = head + 8 * len(folders) + len(entries)
        records, data = b"", b""
        for blocks in folders:
            records += struct.pack("<IHH", at + len(data), len(blocks), 0)
            for b, decoded in blocks:
                data += struct.pack("<IHH", 0, len(b), decoded) + b
        total = at + len(data)
        out = struct.pack("<4sIIIIIBBHHHHH", b"MSCF", 0, total, 0, head + 8 * len(folders), 0, 3,
                          1, len(folders), len(files), flags, 0x4321, 0 if flags == 2 else 1)
        with open(path, "wb") as f:
            f.write(out + links + records + entries + data)
    name1, name2 = os.path.basename(first).encode(), os.path.basename(second).encode()
    cabinet(first, 0x0002, name2 + b"\0disk 2\0", [(0, 0, 0), (1, 0xFFFE, len(bodies[0]))],
            [[(spanning[:cut], 0)]])
    cabinet(second, 0x0001, name1 + b"\0disk 1\0", [(1, 0xFFFD, len(bodies[0])), (2, 1, 0)],
            [[(spanning[cut:], len(spanning))], [(bodies[2], len(bodies[2]))]])

def hostile_cab(path):
    """The hostile names but the one of 300 characters: a cabinet's names end at 255 bytes."""
    stored_cab(path, [(n.encode(), body(n)) for n in HOSTILE if len(n) < 256])

# --- RAR: libarchive's test archives, listed and extracted by unar ------------------------

def uudecode(source, target):
    import warnings
    warnings.simplefilter("ignore", DeprecationWarning)
    import uu
    uu.decode(source, target, quiet=True)

def rar_swap_first_files(source, target):
    """A RAR 1.5-4 archive with its first two file blocks (header and data) in the other order:
    each block carries its own CRC, so the archive stays whole."""
    data = open(source, "rb").read()
    at, blocks = 7, []  # after the marker block
    while at < len(data):
        _, kind, flags, size = struct.unpack_from("<HBHH", data, at)
        length = size
        if flags & 0x8000 or kind == 0x74:
            length += struct.unpack_from("<I", data, at + 7)[0]
            if kind == 0x74 and flags & 0x100:
                length += struct.unpack_from("<I", data, at + 32)[0] << 32
        blocks.append((kind, data[at:at + length]))
        at += length
    first, second = [i for i, (kind, _) in enumerate(blocks) if kind == 0x74][:2]
    blocks[first], blocks[second] = blocks[second], blocks[first]
    with open(target, "wb") as out:
        out.write(data[:7] + b"".join(block for _, block in blocks))

def listing_lsar(archive, out):
    """The same form as 7-Zip's listing, from lsar (unar), which shares no code with libarchive.
    Times are shown in UTC under TZ=UTC."""
    import json
    r = subprocess.run(["lsar", "-j", archive], stdout=subprocess.PIPE, stderr=subprocess.PIPE)
    if r.returncode != 0:
        raise SystemExit("lsar could not read %s: %s" % (archive, r.stderr.decode(errors="replace")))
    rows = []
    for e in json.loads(r.stdout)["lsarContents"]:
        name = e["XADFileName"]
        when = e.get("XADLastModificationDate", "-")[:19]
        if e.get("XADIsDirectory"):
            rows.append((name + "/", "-", when))
        else:
            rows.append((name, str(e.get("XADFileSize", "-")), when))
    write_rows(out, rows)

def contents_crc(archive, out):
    """path<TAB>CRC-32 of every file unar extracts, the bytes a reader must give."""
    import tempfile, zlib
    with tempfile.TemporaryDirectory() as folder:
        r = subprocess.run(["unar", "-q", "-D", "-o", folder, archive], stdout=subprocess.PIPE,
                           stderr=subprocess.PIPE)
        if r.returncode != 0:
            raise SystemExit("unar could not extract %s: %s" % (archive, r.stderr.decode(errors="replace")))
        rows = []
        for base, _, files in os.walk(folder):
            for name in files:
                full = os.path.join(base, name)
                if os.path.islink(full):
                    continue
                rel = os.path.relpath(full, folder)
                rows.append("%s\t%08x\n" % (rel, zlib.crc32(open(full, "rb").read())))
    with open(out, "w", encoding="utf-8", errors="surrogateescape", newline="\n") as f:
        f.writelines(sorted(rows))

# --- listings as 7-Zip or bsdtar gives them --------------------------------------------

def write_rows(out, rows):
    if not rows:
        raise SystemExit("nothing listed for " + out)
    with open(out, "w", encoding="utf-8", errors="surrogateescape", newline="\n") as f:
        f.writelines("%s\t%s\t%s\n" % row for row in rows)

def seven_zip(args):
    r = subprocess.run(["7z"] + args, stdout=subprocess.PIPE, stderr=subprocess.PIPE)
    if r.returncode != 0:
        raise SystemExit("7z %s failed:\n%s%s" % (" ".join(args), r.stdout.decode(errors="replace"),
                                                   r.stderr.decode(errors="replace")))
    return r.stdout.decode("utf-8", "surrogateescape")

def listing(archive, kind, out, inner=None):
    """Writes path<TAB>size<TAB>YYYY-MM-DD HH:MM:SS per entry, in 7-Zip's order. Folders end
    in "/" and have the size "-"; a size or time that 7-Zip does not give is written as "-"."""
    if inner:
        tmp = out + ".inner"
        with open(tmp, "wb") as f:
            r = subprocess.run(["7z", "x", "-so", "--", archive], stdout=f, stderr=subprocess.PIPE)
        if r.returncode != 0:
            raise SystemExit("7z x %s failed: %s" % (archive, r.stderr.decode(errors="replace")))
        try:
            return listing(tmp, inner, out)
        finally:
            os.remove(tmp)
    text = seven_zip(["l", "-slt", "-t" + kind, "--", archive])
    head, sep, body = text.partition("\n----------\n")
    if not sep or ("\ntype = %s\n" % kind.lower()) not in head.lower():
        raise SystemExit("7z did not read %s as %s" % (archive, kind))
    rows = []
    for block in body.split("\n\n"):
        fields = {}
        for line in block.splitlines():
            key, eq, value = line.partition(" = ")
            if eq:
                fields[key] = value
            elif line.endswith(" ="):
                fields[line[:-2]] = ""
        if not fields:
            continue
        path = fields.get("Path")
        if path is None:                      # bzip2: 7-Zip names the entry in its table only
            table = seven_zip(["l", "-t" + kind, "--", archive]).splitlines()
            dashes = [i for i, l in enumerate(table) if l.startswith("-------------------")]
            path = table[dashes[0] + 1][53:]
        size = fields.get("Size") or "-"
        if fields.get("Folder") == "+" or "D" in fields.get("Attributes", "").split(" ")[0]:
            path, size = path + "/", "-"
        rows.append((path, size, (fields.get("Modified") or "-")[:19]))
    write_rows(out, rows)

def listing_bsdtar(archive, out):
    """The same form from bsdtar (libarchive), in its order: bsdtar reads the archive and writes
    its entries unchanged (-P) as a pax stream, of which names, sizes and times are printed.
    The root folder that bsdtar reports for an ISO image is left out."""
    r = subprocess.run(["bsdtar", "-cf", "-", "--format=pax", "-P", "@" + archive],
                       stdout=subprocess.PIPE, stderr=subprocess.PIPE)
    if r.returncode != 0 or r.stderr:
        raise SystemExit("bsdtar could not read %s: %s" % (archive, r.stderr.decode(errors="replace")))
    rows = []
    for m in tarfile.open(fileobj=io.BytesIO(r.stdout), mode="r:", encoding="utf-8",
                          errors="surrogateescape"):
        if m.name in (".", "./", ""):
            continue
        when = time.strftime("%Y-%m-%d %H:%M:%S", time.gmtime(int(m.mtime)))
        rows.append((m.name + "/", "-", when) if m.isdir() else (m.name, str(m.size), when))
    write_rows(out, rows)

if __name__ == "__main__":
    cmd, args = sys.argv[1], sys.argv[2:]
    if cmd == "hostile-tar": hostile_tar(*args)
    elif cmd == "hostile-cpio": hostile_cpio(*args)
    elif cmd == "v7-tar": v7_tar(*args)
    elif cmd == "iso-rename": iso_rename(args[0], zip(args[1::2], args[2::2]))
    elif cmd == "fat-rename": fat_rename(args[0], zip(args[1::2], args[2::2]))
    elif cmd == "fat-locate": fat_locate(*args)
    elif cmd == "hostile-zip": hostile_zip(*args)
    elif cmd == "names-zip": names_zip(*args)
    elif cmd == "modern-zip": modern_zip(*args)
    elif cmd == "zip64-zip": zip64_zip(*args)
    elif cmd == "unseekable-zip": unseekable_zip(*args)
    elif cmd == "bomb-zip": bomb_zip(*args)
    elif cmd == "unknown-method-zip": unknown_method_zip(*args)
    elif cmd == "hostile-cab": hostile_cab(*args)
    elif cmd == "cab-set": cab_set(*args)
    elif cmd == "uudecode": uudecode(*args)
    elif cmd == "rar-swap-first-files": rar_swap_first_files(*args)
    elif cmd == "list-lsar": listing_lsar(*args)
    elif cmd == "contents-crc": contents_crc(*args)
    elif cmd == "list": listing(*args)
    elif cmd == "list-bsdtar": listing_bsdtar(*args)
    else: raise SystemExit("unknown helper command " + cmd)
PY

py() { "$python" "$helper" "$@"; }

# Writes FIXTURE.list for a fixture as 7-Zip lists it: write_list FIXTURE 7Z-TYPE [INNER-7Z-TYPE]
# (with an inner type, the listing is of what 7-Zip unpacks from the fixture).
write_list() { py list "$1" "$2" "$1.list" ${3:+"$3"}; }
# The same as bsdtar lists it.
write_list_bsdtar() { py list-bsdtar "$1" "$1.list"; }

# --- damage ----------------------------------------------------------------------------------

# Copies $1 to $2, cut after $3 bytes.
truncate_copy() { head -c "$3" "$1" >"$2"; }

# Copies $1 to $2 with the byte at offset $3 replaced by the byte given as two hex digits $4.
flip_copy() {
  cp "$1" "$2"
  printf "\\x$4" | dd of="$2" bs=1 seek="$3" conv=notrunc status=none
}

# Byte offset of the Nth occurrence (1-based) of a byte string given as a Perl regex.
offset_of() { LC_ALL=C grep -obUaP "$2" "$1" | sed -n "$3p" | cut -d: -f1; }

# --- start afresh ----------------------------------------------------------------------------

mkdir -p "$out"
for d in tar cpio iso fat gzip bzip2 rpm zip cab rar; do rm -rf "${out:?}/$d"; mkdir -p "$out/$d"; done

tree="$work/tree"; make_tree "$tree"
plain="$work/plain"; make_plain_tree "$plain"

# --- tar (GNU tar) ---------------------------------------------------------------------------

log "tar"
gnu_tar() {  # gnu_tar FORMAT SOURCE OUTPUT [options]
  local format=$1 src=$2 dest=$3; shift 3
  entries "$src" | tar -C "$src" --null --no-recursion --format="$format" \
    --owner=root:0 --group=root:0 "$@" -cf "$dest" -T -
}
gnu_tar ustar "$plain" "$out/tar/plain-ustar.tar"
gnu_tar gnu "$plain" "$out/tar/plain-gnu.tar"
gnu_tar ustar "$tree" "$out/tar/long-path-ustar.tar"
gnu_tar gnu "$tree" "$out/tar/long-path-gnu.tar"
gnu_tar pax "$tree" "$out/tar/long-path-pax.tar" \
  --pax-option='exthdr.name=%d/PaxHeaders/%f,delete=atime,delete=ctime'
gzip -9 -n <"$out/tar/long-path-ustar.tar" >"$out/tar/tree.tar.gz"
gzip -9 -n <"$out/tar/plain-gnu.tar" >"$out/tar/tree.tgz"
bzip2 -9 <"$out/tar/long-path-ustar.tar" >"$out/tar/tree.tar.bz2"
bzip2 -9 <"$out/tar/plain-gnu.tar" >"$out/tar/tree.tbz"
py hostile-tar "$out/tar/hostile-names.tar"
py v7-tar "$out/tar/v7-blank-padded.tar"

for f in plain-ustar plain-gnu long-path-ustar long-path-gnu long-path-pax hostile-names v7-blank-padded; do
  write_list "$out/tar/$f.tar" tar
done
write_list "$out/tar/tree.tar.gz" gzip tar
write_list "$out/tar/tree.tgz" gzip tar
write_list "$out/tar/tree.tar.bz2" bzip2 tar
write_list "$out/tar/tree.tbz" bzip2 tar

# Cut 100 bytes into the second header; flip the second header's "ustar" magic (u -> x), which
# also breaks its checksum.
second=$(( $(offset_of "$out/tar/plain-ustar.tar" 'ustar' 2) - 257 ))
truncate_copy "$out/tar/plain-ustar.tar" "$out/tar/damaged-truncated.tar" $((second + 100))
flip_copy "$out/tar/plain-ustar.tar" "$out/tar/damaged-flipped.tar" $((second + 257)) 78

# --- cpio (GNU cpio) -------------------------------------------------------------------------

log "cpio"
gnu_cpio() {  # gnu_cpio FORMAT SOURCE OUTPUT
  entries "$2" | (cd "$2" && cpio -o --null --quiet --reproducible -R 0:0 -H "$1") >"$3"
}
gnu_cpio newc "$tree" "$out/cpio/tree-newc.cpio"
gnu_cpio crc "$tree" "$out/cpio/tree-crc.cpio"
py hostile-cpio "$out/cpio/hostile-names.cpio"
for f in tree-newc tree-crc hostile-names; do write_list "$out/cpio/$f.cpio" cpio; done

# Cut 50 bytes into the third header; turn the second header's magic 070701 into 070781.
third=$(offset_of "$out/cpio/tree-newc.cpio" '070701' 3)
second=$(offset_of "$out/cpio/tree-newc.cpio" '070701' 2)
truncate_copy "$out/cpio/tree-newc.cpio" "$out/cpio/damaged-truncated.cpio" $((third + 50))
flip_copy "$out/cpio/tree-newc.cpio" "$out/cpio/damaged-flipped.cpio" $((second + 4)) 38

# --- ISO 9660 (xorriso) ----------------------------------------------------------------------

log "iso"
make_iso() {  # make_iso SOURCE OUTPUT JOLIET(on|off) COMPLIANCE
  rm -f "$2"
  if ! xorriso -no_rc -report_about SORRY -abort_on FAILURE \
      -outdev "$2" -padding 0 -rockridge off -joliet "$3" \
      -compliance "iso_9660_level=1:no_emul_toc${4:+:$4}" \
      -volid OSTRYA_FIXTURES -map "$1" / -commit >"$work/xorriso.log" 2>&1; then
    cat "$work/xorriso.log" >&2
    exit 1
  fi
}
make_iso "$plain" "$out/iso/level1.iso" off
make_iso "$tree" "$out/iso/joliet.iso" on
# xorriso writes Joliet level 3 (escape sequence %/E); levels 1 (%/@) and 2 (%/C) differ from it
# only in the escape sequence's third byte (byte 90 of the descriptor in sector 17).
cp "$out/iso/joliet.iso" "$out/iso/joliet-level1.iso"
cp "$out/iso/joliet.iso" "$out/iso/joliet-level2.iso"
[ "$(xxd -s $((17 * 2048)) -l 1 -p "$out/iso/joliet.iso")" = 02 ] || { log "no Joliet descriptor in sector 17"; exit 1; }
[ "$(xxd -s $((17 * 2048 + 88)) -l 3 -p "$out/iso/joliet.iso")" = 252f45 ] || { log "unexpected Joliet escape"; exit 1; }
printf '\x40' | dd of="$out/iso/joliet-level1.iso" bs=1 seek=$((17 * 2048 + 90)) conv=notrunc status=none
printf '\x43' | dd of="$out/iso/joliet-level2.iso" bs=1 seek=$((17 * 2048 + 90)) conv=notrunc status=none
deep="$work/deep"; make_deep_tree "$deep"
make_iso "$deep" "$out/iso/deep-folders.iso" on deep_paths
hostile="$work/hostile-iso"; make_hostile_tree "$hostile" iso
make_iso "$hostile" "$out/iso/hostile-names.iso" on joliet_long_names:joliet_long_paths
py iso-rename "$out/iso/hostile-names.iso" Ph-escape.txt ../escape.txt Pabs.txt /abs.txt \
  Ph-drive.txt 'C:\drive.txt' Pa .. Pb ..
for f in level1 joliet joliet-level1 joliet-level2 deep-folders hostile-names; do
  write_list_bsdtar "$out/iso/$f.iso"
done

# Cut 100 bytes into the Joliet descriptor (the image is still long enough to be recognised);
# point the Joliet root folder's extent far beyond the end (its highest byte 00 -> 01).
truncate_copy "$out/iso/joliet.iso" "$out/iso/damaged-truncated.iso" $((17 * 2048 + 100))
flip_copy "$out/iso/joliet.iso" "$out/iso/damaged-flipped.iso" $((17 * 2048 + 156 + 5)) 01

# --- FAT12 floppy images (mtools) ------------------------------------------------------------

log "fat"
# Copies a tree into an image in byte order, folders first created empty with their own time.
fat_fill() {  # fat_fill IMAGE SOURCE
  local img=$1 src=$2 rel parent stage="$work/stage"
  while IFS= read -r -d '' rel; do
    parent=$(dirname "$rel"); [ "$parent" = . ] && parent= || parent="$parent/"
    if [ -d "$src/$rel" ]; then
      rm -rf "$stage"; mkdir -p "$stage/x"
      mkdir "$stage/x/$(basename "$rel")"
      touch -h -d "@$(stat -c %Y "$src/$rel")" "$stage/x/$(basename "$rel")"
      mcopy -i "$img" -s -m -Q "$stage/x/$(basename "$rel")" "::/$parent"
    else
      mcopy -i "$img" -m -Q "$src/$rel" "::/$parent"
      # By the mode bits, not by "-w", which is always true for root.
      case $(stat -c %A "$src/$rel") in ?r-*) mattrib -i "$img" +r "::/$rel" ;; esac
    fi
  done < <(entries "$src")
  rm -rf "$stage"
}
# The main image: a standard 160 KiB floppy (40 tracks, one side, 8 sectors of 512 bytes).
mformat -C -i "$out/fat/floppy-160k.img" -f 160 -N 0511A000 -v OSTRYA ::
fat_fill "$out/fat/floppy-160k.img" "$tree"
# Hostile and damaged images use a 64 KiB custom geometry (16 tracks, one side, 8 sectors).
small_fat() { mformat -C -i "$1" -t 16 -h 1 -s 8 -r 4 -N 0511A001 -v OSTRYA ::; }
hostile="$work/hostile-fat"; make_hostile_tree "$hostile" fat
small_fat "$out/fat/hostile-names.img"
fat_fill "$out/fat/hostile-names.img" "$hostile"
py fat-rename "$out/fat/hostile-names.img" Ph-escape.txt ../escape.txt Pabs.txt /abs.txt \
  Ph-drive.txt 'C:\drive.txt' Pa .. Pb .. CQN CON
small_fat "$work/small.img"
fat_fill "$work/small.img" "$plain"
for f in floppy-160k hostile-names; do write_list "$out/fat/$f.img" FAT; done

# Cut 100 bytes into the root folder; make the folder sub/deeper start at the cluster of sub
# itself, so that the folder walk meets sub inside sub inside sub... (one byte: the low byte of
# deeper's first cluster).
read -r root_off _ < <(py fat-locate "$work/small.img" readme.txt)
truncate_copy "$work/small.img" "$out/fat/damaged-truncated.img" $(( (root_off - 26) / 512 * 512 + 100 ))
read -r _ sub_cluster < <(py fat-locate "$work/small.img" sub)
read -r deeper_off deeper_cluster < <(py fat-locate "$work/small.img" sub/deeper)
[ "$sub_cluster" -lt 256 ] && [ "$deeper_cluster" -lt 256 ] || { log "clusters above 255"; exit 1; }
flip_copy "$work/small.img" "$out/fat/damaged-flipped.img" "$deeper_off" "$(printf %02x "$sub_cluster")"

# --- gzip ------------------------------------------------------------------------------------

log "gzip"
# The stored name (haystack.txt) differs from the fixture's own name; the second file stores no
# name and no time, so a reader names it after the fixture (notes.txt).
(cd "$tree" && gzip -9 -c haystack.txt) >"$out/gzip/stored-name.gz"
gzip -9 -n -c "$tree/notes with blank.txt" >"$out/gzip/notes.txt.gz"
for f in stored-name.gz notes.txt.gz; do write_list "$out/gzip/$f" gzip; done
# Cut 7 bytes after the gzip header (10 bytes and the name haystack.txt with its NUL), inside the
# first deflate block's header: 30 bytes, more than the 29 a detector reads first. Method byte
# 08 -> 09.
[ "$(head -c 23 "$out/gzip/stored-name.gz" | tail -c 13 | tr -d '\0')" = haystack.txt ] || { log "unexpected gzip header"; exit 1; }
truncate_copy "$out/gzip/stored-name.gz" "$out/gzip/damaged-truncated.gz" 30
flip_copy "$out/gzip/stored-name.gz" "$out/gzip/damaged-flipped.gz" 2 09

# --- bzip2 -----------------------------------------------------------------------------------

log "bzip2"
bzip2 -9 -c "$tree/haystack.txt" >"$out/bzip2/haystack.txt.bz2"
{ printf 'first stream: only haystack\n' | bzip2 -9
  printf 'second stream: the needle\n' | bzip2 -9; } >"$out/bzip2/two-streams.txt.bz2"
for f in haystack.txt.bz2 two-streams.txt.bz2; do write_list "$out/bzip2/$f" bzip2; done
# Cut at 32 bytes, inside the first block's header (magic, CRC, origin pointer, symbol map);
# flip the first byte of the block magic (31 -> 30).
truncate_copy "$out/bzip2/haystack.txt.bz2" "$out/bzip2/damaged-truncated.bz2" 32
flip_copy "$out/bzip2/haystack.txt.bz2" "$out/bzip2/damaged-flipped.bz2" 4 30

# --- ZIP (Info-ZIP zip, 7-Zip, Python's zipfile, and written field by field) -----------------

log "zip"
# Info-ZIP's zip with -X: its extended time field would carry the time the file was last read.
info_zip() {  # info_zip SOURCE OUTPUT [options]
  local src=$1 dest=$2; shift 2
  rm -f "$dest"
  entries "$src" | tr '\0' '\n' | (cd "$src" && zip -q -X "$@" -@ "$dest")
}
info_zip "$plain" "$out/zip/info-zip-stored.zip" -0
info_zip "$tree" "$out/zip/info-zip-deflate.zip" -9
# An archive comment of 40000 bytes: the end record is found well before the file's end.
head -c 40000 /dev/zero | tr '\0' 'c' | zip -q -z "$out/zip/info-zip-deflate.zip"
# A self-extracting archive: a stub in front, the offsets adjusted by zip -A or not.
{ printf 'MZ'; head -c 4094 /dev/zero; } >"$work/stub.exe"
cat "$work/stub.exe" "$out/zip/info-zip-stored.zip" >"$out/zip/sfx-unadjusted.zip"
cp "$out/zip/sfx-unadjusted.zip" "$out/zip/sfx-adjusted.zip"
zip -q -A "$out/zip/sfx-adjusted.zip"
seven_zip() {  # seven_zip METHOD OUTPUT: the plain tree's files and folders, in byte order
  rm -f "$2"
  entries "$plain" | tr '\0' '\n' >"$work/7z-files"
  (cd "$plain" && 7z a -tzip -mm="$1" -mx=9 -mtc=off -bso0 -bsp0 -i@"$work/7z-files" "$2" \
    >/dev/null)
}
seven_zip BZip2 "$out/zip/7z-bzip2.zip"
seven_zip LZMA "$out/zip/7z-lzma.zip"
seven_zip Deflate64 "$out/zip/7z-deflate64.zip"
py unseekable-zip "$out/zip/python-descriptors.zip" "$plain"
py modern-zip "$out/zip/zstd-xz.zip" "$plain"
py zip64-zip "$out/zip/zip64.zip" "$plain"
py hostile-zip "$out/zip/hostile-names.zip"
py names-zip "$out/zip/oem-and-utf8-names.zip"
py bomb-zip "$out/zip/bomb.zip"
# Shrink, reduce and implode: no packaged program writes them. The test tree's encoders, built
# here, do; Info-ZIP's unzip checks the shrunk and imploded ones (it does not decode reduce,
# whose encoder and decoder the unit tests check against each other and hand-worked streams).
g++ -std=c++20 -O2 -I"$root/tests" -I"$root/src" "$root/tests/tools/zip_legacy_writer.cpp" \
  "$root/tests/zip_shrink_encoder.cpp" "$root/tests/zip_reduce_encoder.cpp" \
  "$root/tests/zip_implode_encoder.cpp" -lz -o "$work/zip_legacy_writer"
legacy_methods=(shrink reduce1 reduce2 reduce3 reduce4 implode implode-8k implode-tree implode-tree-8k)
for m in "${legacy_methods[@]}"; do
  (cd "$plain" && "$work/zip_legacy_writer" "$m" "$out/zip/legacy-$m.zip" readme.txt haystack.txt \
    sub/inner.txt)
done
for m in shrink implode implode-8k implode-tree implode-tree-8k; do
  unzip -tqq "$out/zip/legacy-$m.zip" || { log "unzip rejects legacy-$m.zip"; exit 1; }
done
py unknown-method-zip "$out/zip/ppmd.zip"
for f in info-zip-stored info-zip-deflate sfx-unadjusted sfx-adjusted 7z-bzip2 7z-lzma \
  7z-deflate64 python-descriptors zstd-xz zip64 hostile-names "${legacy_methods[@]/#/legacy-}"; do
  write_list "$out/zip/$f.zip" zip
done
# A test by a second reader of every fixture it can decode, so that none is wrong from the start:
# Info-ZIP's unzip, and 7-Zip for LZMA, which Debian's unzip does not decode.
for f in info-zip-stored info-zip-deflate sfx-adjusted 7z-bzip2 7z-deflate64; do
  unzip -tqq "$out/zip/$f.zip" || { log "unzip rejects $f.zip"; exit 1; }
done
for f in 7z-lzma python-descriptors; do
  7z t "$out/zip/$f.zip" >/dev/null || { log "7z rejects $f.zip"; exit 1; }
done

# Cut inside the central directory, which leaves no end record; replace the first byte of
# readme.txt's stored data ('T' -> 'X'), which breaks its CRC.
central=$(offset_of "$out/zip/info-zip-stored.zip" 'PK\x01\x02' 1)
truncate_copy "$out/zip/info-zip-stored.zip" "$out/zip/damaged-truncated.zip" $((central + 100))
readme=$(offset_of "$out/zip/info-zip-stored.zip" 'This tree is the source' 1)
flip_copy "$out/zip/info-zip-stored.zip" "$out/zip/damaged-crc.zip" "$readme" 58

# --- cabinets (gcab; libmspack's own test cabinets; python3 for hostile names) -------------

log "cab"
(cd "$plain" && gcab -c "$out/cab/gcab-stored.cab" readme.txt haystack.txt sub/inner.txt \
  sub/deeper/deepest.txt)
(cd "$plain" && gcab -c -z "$out/cab/gcab-mszip.cab" readme.txt haystack.txt sub/inner.txt \
  sub/deeper/deepest.txt)
# Quantum and LZX, which no packaged writer makes: the test cabinets of libmspack's Debian source
# package (the version the Windows builds are made from).
mspack_version=$(sed -n 's/^  \[libmspack\]=//p' "$root/scripts/deps.sh")
if ! (cd "$work" && apt-get source -qq --download-only "libmspack=$mspack_version" >/dev/null 2>&1 &&
      dpkg-source -x --skip-patches libmspack_*.dsc mspack >/dev/null 2>&1); then
  log "cannot fetch libmspack's source (libmspack=$mspack_version); scripts/deps.sh adds the deb-src entries it needs"
  exit 1
fi
mspack_tests="$work/mspack/test/test_files/cabd"
for f in mszip_lzx_qtm normal_2files_1folder; do cp "$mspack_tests/$f.cab" "$out/cab/$f.cab"; done
py hostile-cab "$out/cab/hostile-names.cab"
py cab-set "$out/cab/set-disk1.cab" "$out/cab/set-disk2.cab" "$plain"
for f in gcab-stored gcab-mszip mszip_lzx_qtm normal_2files_1folder hostile-names; do
  write_list "$out/cab/$f.cab" Cab
done
# Cut inside the file list; change a byte of the first MSZIP block's deflate data.
truncate_copy "$out/cab/gcab-mszip.cab" "$out/cab/damaged-truncated.cab" 80
block=$(offset_of "$out/cab/gcab-mszip.cab" 'CK' 1)
flip_copy "$out/cab/gcab-mszip.cab" "$out/cab/damaged-flipped.cab" $((block + 4)) ff

# --- RAR (libarchive's test archives; unar lists and extracts them) ---------------------------

log "rar"
# No RAR writer is free software: the archives come from libarchive's Debian source package,
# which also holds the reader the engine uses; unar, which shares no code with it, is the
# independent reader.
if ! (cd "$work" && apt-get source -qq --download-only libarchive >/dev/null 2>&1 &&
      dpkg-source -x --skip-patches libarchive_*.dsc libarchive >/dev/null 2>&1); then
  log "cannot fetch libarchive's source; scripts/deps.sh adds the deb-src entries it needs"
  exit 1
fi
rar_tests="$work/libarchive/libarchive/test"
declare -A rar_fixtures=(
  [rar29.rar]=test_read_format_rar.rar
  [rar29-best.rar]=test_read_format_rar_compress_best.rar
  [rar29-unicode.rar]=test_read_format_rar_unicode.rar
  [rar29-windows.rar]=test_read_format_rar_windows.rar
  [rar29-encrypted.rar]=test_read_format_rar_encryption_data.rar
  [rar29-sfx.exe]=test_read_format_rar_sfx.exe
  [rar5-stored.rar]=test_read_format_rar5_stored.rar
  [rar5-compressed.rar]=test_read_format_rar5_compressed.rar
  [rar5-solid.rar]=test_read_format_rar5_multiple_files_solid.rar
  [rar5-win32.rar]=test_read_format_rar5_win32.rar
)
for f in "${!rar_fixtures[@]}"; do
  py uudecode "$rar_tests/${rar_fixtures[$f]}.uu" "$out/rar/$f"
  chmod 0644 "$out/rar/$f"
done
# A plain entry before an encrypted one: the partly encrypted test archive has them the other way.
py uudecode "$rar_tests/test_read_format_rar_encryption_partially.rar.uu" "$work/partly.rar"
py rar-swap-first-files "$work/partly.rar" "$out/rar/rar29-partly-encrypted.rar"
chmod 0644 "$out/rar/rar29-partly-encrypted.rar"
py list-lsar "$out/rar/rar29-partly-encrypted.rar" "$out/rar/rar29-partly-encrypted.rar.list"
for f in "${!rar_fixtures[@]}"; do
  py list-lsar "$out/rar/$f" "$out/rar/$f.list"
  [ "$f" = rar29-encrypted.rar ] || py contents-crc "$out/rar/$f" "$out/rar/$f.crc"
done
# Cut inside the second file's data; change a byte of the compressed data of the first.
truncate_copy "$out/rar/rar5-compressed.rar" "$out/rar/damaged-truncated.rar" 200
flip_copy "$out/rar/rar29-best.rar" "$out/rar/damaged-flipped.rar" 120 ff

# --- ACE (the test tree's writer; unace lists and extracts them) ----------------------------

log "ace"
# No ACE writer is free software: the test tree's writer, built here, makes the archives from
# the source tree. unace 1.2b (Debian's unace) is the independent reader, but reads no file
# header that ends right after the name, as ACE writes them: it is given twins whose headers
# carry 4 bytes more, made by the same writer, and lists and extracts those. The writer keeps
# times to the minute, as unace lists them.
rm -rf "${out:?}/ace"
mkdir -p "$out/ace" "$work/ace-twins"
g++ -std=c++20 -O2 -I"$root/tests" -I"$root/src" "$root/tests/tools/ace_fixture_writer.cpp" \
  "$root/tests/ace_writer.cpp" "$root/tests/ace_lz77_encoder.cpp" \
  "$root/src/engines/ace/ace_prefix_code.cpp" -lz -o "$work/ace_fixture_writer"
"$work/ace_fixture_writer" "$tree" "$out/ace" plain
"$work/ace_fixture_writer" "$tree" "$work/ace-twins" twin
cat >"$work/ace_helper.py" <<'PY'
import os, re, sys, zlib

# unace v: "dd.mm.yy|hh:mm|<split marks><packed>|<size>|<ratio>%|<* when encrypted><name>"
ROW = re.compile(r"^(\d\d)\.(\d\d)\.(\d\d)\|(\d\d):(\d\d)\|..\s*\d+\|\s*(\d+)\|\s*\d+%\|.(.*)$")

def listing(text, extracted, out):
    """FIXTURE.list from unace's verbose listing; an entry unace extracted as a folder ends in
    "/" with the size "-"."""
    rows = []
    for line in text.splitlines():
        m = ROW.match(line)
        if not m:
            continue
        day, month, year, hour, minute, size, name = m.groups()
        year = int(year) + (1900 if int(year) >= 80 else 2000)
        when = "%04d-%s-%s %s:%s:00" % (year, month, day, hour, minute)
        if os.path.isdir(os.path.join(extracted, name)):
            rows.append("%s/\t-\t%s\n" % (name, when))
        else:
            rows.append("%s\t%s\t%s\n" % (name, size, when))
    if not rows:
        raise SystemExit("unace listed nothing for " + out)
    with open(out, "w", encoding="utf-8", errors="surrogateescape", newline="\n") as f:
        f.writelines(rows)

def contents_crc(folder, out):
    """path<TAB>CRC-32 of every file unace extracted."""
    rows = []
    for base, _, files in os.walk(folder):
        for name in files:
            full = os.path.join(base, name)
            rows.append("%s\t%08x\n" % (os.path.relpath(full, folder),
                                       zlib.crc32(open(full, "rb").read())))
    with open(out, "w", encoding="utf-8", errors="surrogateescape", newline="\n") as f:
        f.writelines(sorted(rows))

if sys.argv[1] == "list":
    listing(open(sys.argv[2], encoding="utf-8", errors="surrogateescape").read(), sys.argv[3],
            sys.argv[4])
else:
    contents_crc(sys.argv[2], sys.argv[3])
PY
# Each fixture that unace reads: its listing, and the CRC-32 of what it extracts. The archives
# of the source tree must extract to the tree's files; in the others unace stops at the
# encrypted entry and at the one of another method, which our reader passes over.
for f in tree-stored.ace tree-lz77.ace tree-lz77-small-blocks.ace tree-solid.ace sfx-stub.exe \
  encrypted.ace unsupported-method.ace hostile-names.ace; do
  x="$work/ace-x/$f"
  mkdir -p "$x"
  if [ "$f" != hostile-names.ace ]; then   # unace refuses to write its names, rightly
    if (cd "$x" && unace x -y "$work/ace-twins/$f" >"$work/ace-x.log" 2>&1); then
      case $f in encrypted.ace | unsupported-method.ace)
        log "unace extracted all of $f, which it cannot"; exit 1 ;;
      esac
    else
      case $f in encrypted.ace | unsupported-method.ace) ;;
        *) log "unace rejects $f:"; cat "$work/ace-x.log" >&2; exit 1 ;;
      esac
    fi
    case $f in tree-* | sfx-stub.exe)
      if ! diff -r --exclude=words.txt "$tree" "$x" >&2; then
        log "unace extracts $f to other bytes than the source tree"; exit 1
      fi ;;
    esac
    "$python" "$work/ace_helper.py" crc "$x" "$out/ace/$f.crc"
  fi
  unace v "$work/ace-twins/$f" >"$work/ace-v.txt" 2>&1
  "$python" "$work/ace_helper.py" list "$work/ace-v.txt" "$x" "$out/ace/$f.list"
done
# Cut inside the haystack's data; change a byte of its LZ77 data, which breaks its CRC.
haystack=$(offset_of "$out/ace/tree-lz77.ace" 'haystack\.txt' 1)
truncate_copy "$out/ace/tree-lz77.ace" "$out/ace/damaged-truncated.ace" $((haystack + 30))
flip_copy "$out/ace/tree-lz77.ace" "$out/ace/damaged-flipped.ace" $((haystack + 20)) 5a
chmod 0644 "$out/ace/"*

# --- RPM (rpmbuild) --------------------------------------------------------------------------

log "rpm"
rpm_top="$work/rpm"
mkdir -p "$rpm_top"
cat >"$rpm_top/ostrya-fixture.rpmbuild" <<RECIPE
Name: ostrya-fixture
Version: 1.0
Release: 1
Summary: Tiny package for the archive reader tests
License: MIT
BuildArch: noarch

%description
Two text files and a folder, for listing and extracting an RPM payload.

%install
mkdir -p %{buildroot}/usr/share/ostrya-fixture/sub
cp -p "$tree/readme.txt" %{buildroot}/usr/share/ostrya-fixture/readme.txt
cp -p "$tree/sub/inner.txt" %{buildroot}/usr/share/ostrya-fixture/sub/inner.txt
touch -d '$dir_time' %{buildroot}/usr/share/ostrya-fixture/sub %{buildroot}/usr/share/ostrya-fixture

%files
%defattr(0644,root,root,0755)
/usr/share/ostrya-fixture
RECIPE
make_rpm() {  # make_rpm PAYLOAD-MACRO OUTPUT
  rm -rf "$rpm_top/RPMS" "$rpm_top/BUILD" "$rpm_top/BUILDROOT"
  rpmbuild -bb --quiet \
    --define "_topdir $rpm_top" \
    --define "_binary_payload $1" \
    --define "use_source_date_epoch_as_buildtime 1" \
    --define "clamp_mtime_to_source_date_epoch 1" \
    --define "_buildhost fixtures.invalid" \
    --define "_build_id_links none" \
    --define "__os_install_post %{nil}" \
    --define "_tmppath $rpm_top/tmp" \
    "$rpm_top/ostrya-fixture.rpmbuild" >/dev/null
  mv "$rpm_top/RPMS/noarch/ostrya-fixture-1.0-1.noarch.rpm" "$2"
}
mkdir -p "$rpm_top/tmp"
make_rpm w9.gzdio "$out/rpm/fixture-gzip.noarch.rpm"
make_rpm w9.bzdio "$out/rpm/fixture-bzip2.noarch.rpm"
for f in fixture-gzip fixture-bzip2; do write_list "$out/rpm/$f.noarch.rpm" Rpm cpio; done
# The header section follows the lead (96 bytes) and the signature, and begins with the header
# magic 8E AD E8 01 like the signature: cut 40 bytes into its index; flip its first byte (8E -> 8F).
header=$(offset_of "$out/rpm/fixture-gzip.noarch.rpm" '\x8e\xad\xe8\x01' 2)
truncate_copy "$out/rpm/fixture-gzip.noarch.rpm" "$out/rpm/damaged-truncated.rpm" $((header + 40))
flip_copy "$out/rpm/fixture-gzip.noarch.rpm" "$out/rpm/damaged-flipped.rpm" "$header" 8f

# --- LHA (jLHA; lhasa's own test archives; unar lists and extracts them) ---------------------

log "lha"
rm -rf "${out:?}/lha"; mkdir -p "$out/lha"
# jLHA stores names in ISO-8859-1, so the plain tree's UTF-8 name stays out. Its files are given
# one by one in byte order, with the empty folder: jLHA adds a folder's contents in the order the
# file system lists them.
jlha_archive() {  # jlha_archive COMMAND OUTPUT, e.g. a1o6 for header level 1 and -lh6-
  rm -f "$2"
  (cd "$plain" && find . -mindepth 1 \( -type f -o -type d -empty \) ! -name 'Gr*' -printf '%P\0' |
    LC_ALL=C sort -z | xargs -0 jlha "$1" "$2" >/dev/null 2>&1)
}
jlha_archive a0 "$out/lha/jlha-h0-lh5.lzh"
jlha_archive a1 "$out/lha/jlha-h1-lh5.lzh"
jlha_archive a2 "$out/lha/jlha-h2-lh5.lzh"
jlha_archive a1z "$out/lha/jlha-h1-lh0.lzh"
jlha_archive a1o6 "$out/lha/jlha-h1-lh6.lzh"
jlha_archive a2o7 "$out/lha/jlha-h2-lh7.lzh"
# The older methods, level 3 headers and self-extracting programs, which jLHA does not write:
# lhasa's test archives from its Debian source package (the version the Windows builds use).
lhasa_version=$(sed -n 's/^  \[lhasa\]=//p' "$root/scripts/deps.sh")
if ! (cd "$work" && apt-get source -qq --download-only "lhasa=$lhasa_version" >/dev/null 2>&1 &&
      dpkg-source -x --skip-patches lhasa_*.dsc lhasa >/dev/null 2>&1); then
  log "cannot fetch lhasa's source (lhasa=$lhasa_version); scripts/deps.sh adds the deb-src entries it needs"
  exit 1
fi
lhasa_tests="$work/lhasa/test/archives"
declare -A lhasa_fixtures=(
  [lharc113-lh1.lzh]=lharc113/lh1.lzh
  [amiga122-lh4.lzh]=lha_amiga_122/lh4.lzh
  [larc333-lz4.lzs]=larc333/lz4.lzs
  [larc333-lz5.lzs]=larc333/lz5.lzs
  [lzs.lzs]=generated/lzs/lzs.lzs
  [pmarc2-pm0.pma]=pmarc2/pm0.pma
  [pmarc124-pm1.pma]=pmarc124/pm1.pma
  [pmarc2-pm2.pma]=pmarc2/pm2.pma
  [os2-h3-lh5.lzh]=lha_os2_208/h3_lh5.lzh
  [os2-h3-subdir.lzh]=lha_os2_208/h3_subdir.lzh
  [lha255e-sfx.exe]=lha255e/sfx.exe
  [x68k-sfx.x]=lha_x68k_213/sfx.x
  [unlha32-lhx.lzh]=unlha32/h2_lhx.lzh
  [hostile-dotdot.lzh]=regression/dotdot.lzh
  [hostile-abspath.lzh]=regression/abspath.lzh
  [damaged-lhasa-truncated.lzh]=regression/truncated.lzh
)
for f in "${!lhasa_fixtures[@]}"; do
  install -m644 "$lhasa_tests/${lhasa_fixtures[$f]}" "$out/lha/$f"
done
# Hostile names in level 0 headers with stored data, written field by field.
"$python" - "$out/lha/hostile-names.lzh" <<'PY'
import struct, sys, time
names = ["safe.txt", "../escape.txt", "/abs.txt", "C:\\drive.txt", "a/../../up.txt", "CON",
         "aux.txt"]
def crc16(data):
    crc = 0
    for b in data:
        crc ^= b
        for _ in range(8):
            crc = (crc >> 1) ^ 0xA001 if crc & 1 else crc >> 1
    return crc
t = time.gmtime(1636629070)  # 2021-11-11 11:11:10, as the other hostile fixtures
stamp = ((t.tm_hour << 11) | (t.tm_min << 5) | (t.tm_sec // 2),
         ((t.tm_year - 1980) << 9) | (t.tm_mon << 5) | t.tm_mday)
out = b""
for name in names:
    raw, data = name.encode(), ("hostile entry %s holds a needle\n" % name).encode()
    body = b"-lh0-" + struct.pack("<IIHHBBB", len(data), len(data), stamp[0], stamp[1], 0x20, 0,
                                  len(raw)) + raw + struct.pack("<H", crc16(data))
    out += bytes([len(body), sum(body) & 0xFF]) + body + data
open(sys.argv[1], "wb").write(out + b"\0")
PY
# lsar lists the archives behind a self-extracting stub as programs: its listing and extraction
# are of the archive cut out behind the stub, at the first header whose checksum holds.
for f in lha255e-sfx.exe x68k-sfx.x; do
  "$python" - "$out/lha/$f" "$work/$f.lzh" <<'PY'
import sys
d = open(sys.argv[1], "rb").read()
for i in range(4096):
    n = d[i]
    if d[i + 2:i + 4] == b"-l" and d[i + 6:i + 7] == b"-" and 20 < n < 128 and \
            sum(d[i + 2:i + 2 + n]) % 256 == d[i + 1]:
        open(sys.argv[2], "wb").write(d[i:])
        break
else:
    raise SystemExit("no archive behind the stub of " + sys.argv[1])
PY
  py list-lsar "$work/$f.lzh" "$out/lha/$f.list"
  py contents-crc "$work/$f.lzh" "$out/lha/$f.crc"
done
lha_listed=(jlha-h0-lh5.lzh jlha-h1-lh5.lzh jlha-h2-lh5.lzh jlha-h1-lh0.lzh jlha-h1-lh6.lzh
  jlha-h2-lh7.lzh lharc113-lh1.lzh amiga122-lh4.lzh larc333-lz4.lzs larc333-lz5.lzs
  pmarc2-pm0.pma pmarc124-pm1.pma pmarc2-pm2.pma os2-h3-lh5.lzh os2-h3-subdir.lzh)
for f in "${lha_listed[@]}" hostile-names.lzh; do py list-lsar "$out/lha/$f" "$out/lha/$f.list"; done
for f in "${lha_listed[@]}"; do py contents-crc "$out/lha/$f" "$out/lha/$f.crc"; done
# lsar does not know -lzs-, and jLHA starts its window with zeros, not blanks: lzs.lzs holds the
# GPL text of larc333-lz5.lzs, from which lhasa's authors made it, and has no listing of its own.
cp "$out/lha/larc333-lz5.lzs.crc" "$out/lha/lzs.lzs.crc"
# Cut 10 bytes into the second header (haystack.txt's); replace a byte of haystack.txt's -lh5-
# data, 20 bytes into its 53, which breaks its CRC-16 (a level 0 header ends with the name
# and the CRC-16).
second=$(offset_of "$out/lha/jlha-h0-lh5.lzh" '\-lh[0-7d]\-' 2)
truncate_copy "$out/lha/jlha-h0-lh5.lzh" "$out/lha/damaged-truncated.lzh" $((second - 2 + 10))
haystack=$(offset_of "$out/lha/jlha-h0-lh5.lzh" 'haystack\.txt' 1)
flip_copy "$out/lha/jlha-h0-lh5.lzh" "$out/lha/damaged-crc.lzh" $((haystack + 12 + 2 + 20)) 00

# --- ZOO (the test tree's writer; unar lists, tests and extracts them) -----------------------

log "zoo"
rm -rf "${out:?}/zoo"; mkdir -p "$out/zoo"
# No ZOO writer is packaged: the test tree's writer, built here, writes them field by field,
# with its LZW compressor and LZH data taken from jLHA's -lh5- entries. unar, which shares no
# code with either, lists them, tests every entry's CRC-16 and extracts them.
g++ -std=c++20 -O2 -I"$root/tests" "$root/tests/tools/zoo_fixture_writer.cpp" \
  "$root/tests/zoo_writer.cpp" "$root/tests/zoo_lzw_encoder.cpp" -o "$work/zoo_fixture_writer"
zoo_tree="$work/zoo-tree"
rm -rf "$zoo_tree"; cp -a "$plain" "$zoo_tree"
# 40000 bytes of words in an order of their own: enough LZW codes to widen to 13 bits and to
# fill the table twice.
"$python" - "$zoo_tree/lzw-table.txt" <<'PY'
import sys
state, words, out = 12345, [], []
def next_number():
    global state
    state = (state * 1103515245 + 12345) % 2**31
    return state >> 8
for _ in range(2000):
    words.append("".join(chr(97 + next_number() % 26) for _ in range(2 + next_number() % 8)))
size = 0
while size < 40000:
    word = words[next_number() % len(words)]
    out.append(word)
    size += len(word) + 1
open(sys.argv[1], "w").write(" ".join(out)[:39999] + "\n")
PY
stamp "$zoo_tree/lzw-table.txt" '2019-09-09 09:09:08'
utf8_name="Gr"$'\xc3\xbc\xc3\x9f'"e "$'\xc3\xb1'"and"$'\xc3\xba'".txt"
zoo_write() { (cd "$zoo_tree" && "$work/zoo_fixture_writer" "$@"); }
zoo_write "$out/zoo/tree-lzw.zoo" 1:haystack.txt "1:notes with blank.txt" 1:read-only.txt \
  1:readme.txt 1:sub/deeper/deepest.txt 1:sub/inner.txt "1:$utf8_name" 1:lzw-table.txt
# A type 1 entry (short name only), a deleted one, folder names and a long name, stored.
zoo_write "$out/zoo/tree-stored.zoo" 0s:readme.txt 0d:haystack.txt "0:notes with blank.txt" \
  0:sub/inner.txt "0:$utf8_name"
lha_source="$out/lha/jlha-h0-lh5.lzh"
zoo_write "$out/zoo/lzh.zoo" "2:haystack.txt=$lha_source" "2:readme.txt=$lha_source" \
  0:sub/deeper/deepest.txt 1:sub/inner.txt
# The hostile names but the one of 300 characters: a long name ends at 255 bytes.
i=0
hostile_args=()
for name in safe.txt ../escape.txt /abs.txt 'C:\drive.txt' a/../../up.txt CON aux.txt; do
  printf 'hostile entry %s holds a needle\n' "$name" >"$zoo_tree/hostile$i"
  touch -h -d '2021-11-11 11:11:10' "$zoo_tree/hostile$i"
  hostile_args+=("0:$name=hostile$i")
  i=$((i + 1))
done
zoo_write "$out/zoo/hostile-names.zoo" "${hostile_args[@]}"
# The chain led back to its first entry; led past the end of the file.
zoo_write "$out/zoo/damaged-loop.zoo" --loop 0:readme.txt 0:sub/inner.txt 0:haystack.txt
zoo_write "$out/zoo/damaged-outside.zoo" --outside 0:readme.txt 0:sub/inner.txt
# Cut inside lzw-table.txt's data; replace the first byte of the stored notes ('n' -> 'N'),
# which breaks their CRC-16.
table=$(offset_of "$out/zoo/tree-lzw.zoo" 'lzw-table\.txt' 1)
truncate_copy "$out/zoo/tree-lzw.zoo" "$out/zoo/damaged-truncated.zoo" $((table + 5000))
notes=$(offset_of "$out/zoo/tree-stored.zoo" 'notes: the needle' 1)
flip_copy "$out/zoo/tree-stored.zoo" "$out/zoo/damaged-crc.zoo" "$notes" 4e

# Listings as lsar gives them, without the deleted entries it also lists; every entry's CRC-16
# tested by lsar, and each file unar extracts compared with its source, whose CRC-32 goes to
# FIXTURE.crc.
for f in tree-lzw tree-stored lzh hostile-names; do
  lsar -t "$out/zoo/$f.zoo" >/dev/null || { log "lsar rejects $f.zoo"; exit 1; }
  "$python" - "$out/zoo/$f.zoo" "$zoo_tree" "$f" <<'PY'
import json, os, subprocess, sys, tempfile, zlib
archive, source, kind = sys.argv[1:]
listed = json.loads(subprocess.run(["lsar", "-j", archive], stdout=subprocess.PIPE,
                                   check=True).stdout)["lsarContents"]
kept = [e for e in listed if not e.get("ZooIsDeleted")]
with open(archive + ".list", "w", encoding="utf-8", newline="\n") as out:
    for e in kept:
        out.write("%s\t%s\t%s\n" % (e["XADFileName"], e["XADFileSize"],
                                    e["XADLastModificationDate"][:19]))
if kind == "hostile-names":
    sys.exit(0)
# One entry per run of unar: this unar version, given several ZOO entries at once, now and
# then crashes after the first (lsar -t above has tested them all).
rows = []
for e in kept:
    name = e["XADFileName"]
    with tempfile.TemporaryDirectory() as folder:
        subprocess.run(["unar", "-q", "-i", "-o", folder, archive, str(e["XADIndex"])],
                       check=True, stdout=subprocess.PIPE)
        # unar puts what it extracts into a folder named after the archive.
        got = open(os.path.join(folder, os.path.basename(archive)[:-4], name), "rb").read()
    if got != open(os.path.join(source, name), "rb").read():
        raise SystemExit("unar extracts %s from %s differently" % (name, archive))
    rows.append("%s\t%08x\n" % (name, zlib.crc32(got)))
with open(archive + ".crc", "w", encoding="utf-8", newline="\n") as out:
    out.writelines(sorted(rows))
PY
done

# --- ARJ (Debian's arj; python3 for the hostile names and the damaged copies) ----------------

log "arj"
rm -rf "${out:?}/arj"; mkdir -p "$out/arj"
cat >"$work/arj_helper.py" <<'PY'
import os, struct, subprocess, sys, tempfile, zlib

MARKER = b"\x60\xea"
FIXED = 30

def dos_stamp(text):
    """A DOS date and time (date in the high half) of 'YYYY-MM-DD HH:MM:SS'."""
    date, clock = text.split()
    y, mo, d = map(int, date.split("-"))
    h, mi, s = map(int, clock.split(":"))
    return (((y - 1980) << 9 | mo << 5 | d) << 16) | (h << 11 | mi << 5 | s // 2)

def main_header(data):
    """Offset of the first marker whose basic header's CRC-32 holds, as ARJ finds it."""
    at = data.find(MARKER)
    while at >= 0:
        size = struct.unpack_from("<H", data, at + 2)[0]
        if FIXED <= size <= 2600 and at + 8 + size <= len(data):
            basic = data[at + 4:at + 4 + size]
            if zlib.crc32(basic) == struct.unpack_from("<I", data, at + 4 + size)[0]:
                return at
        at = data.find(MARKER, at + 1)
    raise SystemExit("no main header")

def headers(data):
    """(offset of the basic header, its size, offset of the next header) of every header from
    the main header to the end marker."""
    at, first = main_header(data), True
    while data[at:at + 2] == MARKER:
        size = struct.unpack_from("<H", data, at + 2)[0]
        if size == 0:
            return
        after = at + 4 + size + 4
        while True:
            extended = struct.unpack_from("<H", data, after)[0]
            after += 2
            if extended == 0:
                break
            after += extended + 4
        basic = at + 4
        packed = 0 if first else struct.unpack_from("<I", data, basic + 12)[0]
        yield basic, size, after + packed
        at, first = after + packed, False

def reseal(data, basic, size):
    struct.pack_into("<I", data, basic + size, zlib.crc32(bytes(data[basic:basic + size])))

def fix_times(path):
    """Every file header's access and change times, which arj takes from the files as it reads
    them, become its modification time."""
    data = bytearray(open(path, "rb").read())
    for n, (basic, size, _) in enumerate(headers(data)):
        if n > 0 and data[basic] >= 42:
            modified = struct.unpack_from("<I", data, basic + 8)[0]
            struct.pack_into("<II", data, basic + 34, modified, modified)
            reseal(data, basic, size)
    open(path, "wb").write(data)

def patch(source, target, entry, offset, value, keep_crc=False):
    """A copy with byte `offset` of entry `entry`'s basic header (1 = the first file) set."""
    data = bytearray(open(source, "rb").read())
    basic, size, _ = list(headers(data))[int(entry)]
    data[basic + int(offset)] = int(value, 0)
    if not keep_crc:
        reseal(data, basic, size)
    open(target, "wb").write(data)

def entry_offset(path, entry):
    """Where entry `entry`'s data begins."""
    data = open(path, "rb").read()
    basic, size, following = list(headers(data))[int(entry)]
    print(following - struct.unpack_from("<I", data, basic + 12)[0])

def stored_entry(name, data, stamp, host=0, flags=0x10, file_type=0, method=0):
    basic = struct.pack("<BBBBBBBBIIIIHHH", FIXED, 11, 1, host, flags, method, file_type, 0, stamp,
                        len(data), len(data), zlib.crc32(data), 0, 0x20, 0)
    basic += name + b"\0" + b"\0"
    return MARKER + struct.pack("<H", len(basic)) + basic + struct.pack("<I", zlib.crc32(basic)) \
        + b"\0\0" + data

def hostile(path, when):
    """Stored entries under names that climb out of the output folder or name a root."""
    stamp = dos_stamp(when)
    names = ["safe.txt", "..\\..\\x.txt", "../escape.txt", "\\abs.txt", "/root.txt",
             "C:\\drive.txt", "a\\..\\..\\up.txt", "CON", "aux.txt",
             "three-hundred-characters-" + "x" * 271 + ".txt"]
    out = stored_entry(b"hostile-names.arj", b"", stamp, file_type=2)
    for name in names:
        body = ("hostile entry %s holds a needle\n" % name).encode()
        out += stored_entry(name.encode(), body, stamp, flags=0)
    out += MARKER + b"\0\0"
    open(path, "wb").write(out)

def contents_crc(archive, out, *options):
    """path<TAB>CRC-32 of every file arj itself extracts."""
    with tempfile.TemporaryDirectory() as folder:
        r = subprocess.run(["arj", "x", "-y", *options, os.path.abspath(archive), folder + "/"],
                           stdout=subprocess.PIPE, stderr=subprocess.PIPE, cwd=folder)
        if r.returncode != 0:
            raise SystemExit("arj could not extract %s: %s" % (archive, r.stdout.decode(errors="replace")))
        rows = []
        for base, _, files in os.walk(folder):
            for name in files:
                full = os.path.join(base, name)
                rows.append("%s\t%08x\n" % (os.path.relpath(full, folder), zlib.crc32(open(full, "rb").read())))
    with open(out, "w", newline="\n") as f:
        f.writelines(sorted(rows))

if __name__ == "__main__":
    cmd, args = sys.argv[1], sys.argv[2:]
    {"fix-times": fix_times, "patch": patch, "entry-offset": entry_offset, "hostile": hostile,
     "contents-crc": contents_crc}[cmd](*args)
PY
arj_py() { "$python" "$work/arj_helper.py" "$@"; }
# ARJ names are ASCII here: the -2d archives below come from a DOS host, whose names lose their
# top bit. binary.dat repeats records (so that every method packs it) around the word; the bytes
# of skewed.dat follow a geometric law, which gives Huffman codes longer than the 12 bits the
# table looks up at once.
arj_tree="$work/arj-tree"
mkdir -p "$arj_tree/sub/deeper" "$arj_tree/empty"
for f in readme.txt haystack.txt 'notes with blank.txt' sub/inner.txt sub/deeper/deepest.txt; do
  cp -p "$plain/$f" "$arj_tree/$f"
done
"$python" - "$arj_tree" <<'PY'
import struct, sys
root = sys.argv[1]
records = b"".join(struct.pack("<4sHH8s", b"REC", i, i * 37 % 256, b"payload%d" % (i % 10))
                   for i in range(1500))
with open(root + "/binary.dat", "wb") as f:
    f.write(records[:9000] + b"\0needle\0" + records[9000:])
state, skewed = 12345, bytearray()
for _ in range(40000):
    state = (state * 1103515245 + 12345) & 0x7FFFFFFF
    bits, value = state >> 8, 0
    while bits & 1 and value < 40:
        value, bits = value + 1, bits >> 1
    skewed.append(value * 7 & 0xFF)
with open(root + "/skewed.dat", "wb") as f:
    f.write(skewed)
with open(root + "/eight-bit.txt", "wb") as f:
    f.write("Grüße aus dem Heuhaufen: needle\n".encode())
PY
chmod 0644 "$arj_tree"/*.dat "$arj_tree/eight-bit.txt"
stamp "$arj_tree/binary.dat" '2019-09-09 09:09:08'
stamp "$arj_tree/skewed.dat" '2019-09-09 09:09:10'
stamp "$arj_tree/eight-bit.txt" '2017-07-07 07:07:06'
stamp_folders "$arj_tree"
arj_time='2024-01-01 00:00:00'

# arj_make ARCHIVE OPTIONS... -- NAMES...: adds the names, in this order, to the archive with
# -2d (DOS headers and DOS times, which is what the reader reads) and -y. arj takes the archive's
# times and the byte that garbling mixes in from the clock, here held at $arj_time; the access
# and change times it stores are set afterwards.
arj_make() {
  local archive=$1 opts=(); shift
  while [ "$1" != -- ]; do opts+=("$1"); shift; done
  shift
  printf '%s\n' "$@" >"$work/arj-list"
  (cd "$arj_tree" && NO_FAKE_STAT=1 faketime "$arj_time" arj a -2d -y "${opts[@]}" "$archive" \
    "!$work/arj-list" >"$work/arj.log" 2>&1) || { cat "$work/arj.log" >&2; exit 1; }
  arj_py fix-times "$archive"
}
arj_files=(readme.txt haystack.txt sub/inner.txt binary.dat skewed.dat 'notes with blank.txt')
arj_make "$out/arj/stored.arj" -m0 -- "${arj_files[@]}"
for m in 1 2 3 4; do arj_make "$out/arj/method$m.arj" "-m$m" -- "${arj_files[@]}"; done
# Text mode for the text files, with a UTF-8 one; a binary file beside them.
arj_make "$out/arj/text-mode.arj" -t1 -m1 -- readme.txt haystack.txt eight-bit.txt
arj_make "$out/arj/text-mode.arj" -t0 -m1 -- binary.dat
# Garbled (password) entries beside a plain one.
arj_make "$out/arj/garbled.arj" -gsecret -m1 -- readme.txt haystack.txt
arj_make "$out/arj/garbled.arj" -m1 -- sub/inner.txt
# Folder entries (file type 3), stored with -a1.
arj_make "$out/arj/folders.arj" -a1 -m1 -- sub sub/inner.txt sub/deeper sub/deeper/deepest.txt \
  empty readme.txt
# A self-extracting archive: arj's own stub (an ELF program of some 40 KiB) in front.
arj_make "$work/sfx" -je -m1 -- readme.txt haystack.txt binary.dat
mv "$work/sfx" "$out/arj/sfx.exe"
chmod 0644 "$out/arj/sfx.exe"
# The first volume of a set; binary.dat continues in the next volume, which is left out.
arj_make "$work/volumes.arj" -v10000 -m1 -- haystack.txt skewed.dat binary.dat
mv "$work/volumes.arj" "$out/arj/first-volume.arj"
arj_py hostile "$out/arj/hostile-names.arj" '2021-11-11 11:11:10'

arj_good=(stored method1 method2 method3 method4 text-mode garbled folders hostile-names
  first-volume)
for f in "${arj_good[@]}"; do write_list "$out/arj/$f.arj" Arj; done
write_list "$out/arj/sfx.exe" Arj
# arj itself tests every archive, and its extraction gives the bytes a reader must give.
for f in stored method1 method2 method3 method4 folders; do
  (cd "$work" && arj t -y "$out/arj/$f.arj" >/dev/null) || { log "arj rejects $f.arj"; exit 1; }
  arj_py contents-crc "$out/arj/$f.arj" "$out/arj/$f.arj.crc"
done
arj_py contents-crc "$out/arj/sfx.exe" "$out/arj/sfx.exe.crc"
# Each method holds the word in an entry of its own method: haystack.txt and binary.dat.
for m in 0 1 2 3 4; do
  f=$([ "$m" = 0 ] && echo stored || echo "method$m")
  methods=$(7z l -slt -tArj "$out/arj/$f.arj" |
    awk -F' = ' '/^Path = (haystack.txt|binary.dat)$/ { p = 1 } p && /^Method = / { print $2; p = 0 }' |
    sort -u)
  [ "$methods" = "$m" ] || { log "$f.arj packs its needles with methods $methods"; exit 1; }
done

# A broken CRC in the third header (its name's first byte); the archive cut inside the data of
# its fourth entry (binary.dat, method 1); a version-4 entry (the second, minimum version 4 with
# its CRC fixed).
arj_py patch "$out/arj/method1.arj" "$out/arj/damaged-header-crc.arj" 3 46 0x58 keep-crc
data=$(arj_py entry-offset "$out/arj/method1.arj" 4)
truncate_copy "$out/arj/method1.arj" "$out/arj/damaged-truncated.arj" $((data + 200))
arj_py patch "$out/arj/method1.arj" "$out/arj/damaged-version4.arj" 2 2 4

# --- ARC -------------------------------------------------------------------------------------

# Debian's arc picks the smallest method per file (stored, packed, squeezed, crunched) and with
# q squashes instead of crunching; each file below is made so that one method wins for it, and
# each holds the needle. Methods 1 and 5 to 7 are written by nothing packaged: the test tree's
# crunch encoder writes them, and nomarch, which shares no code with either, must read them.
rm -rf "${out:?}/arc"; mkdir -p "$out/arc"
arc_tree="$work/arc-tree"
mkdir -p "$arc_tree"
"$python" - "$arc_tree" <<'PY'
import sys
root, state = sys.argv[1], 99
def rand():
    global state
    state = (state * 1103515245 + 12345) & 0x7FFFFFFF
    return state >> 16
def write(name, data):
    with open(root + "/" + name, "wb") as f:
        f.write(data)
write("random.bin", bytes(rand() & 0xFF for _ in range(3000)) + b"needle" +
      bytes(rand() & 0xFF for _ in range(500)))
runs = bytearray()
for _ in range(200):
    runs += bytes([rand() & 0xFF]) * (4 + rand() % 36)
write("runs.bin", bytes(runs[:2000]) + b"needle" + bytes(runs[2000:]))
alphabet = b"aaaaaaaabbbbccd" + bytes(range(11))
write("skewed.bin", bytes(alphabet[rand() % len(alphabet)] for _ in range(3000)) + b"needle")
write("text.txt", b"the needle hides in a haystack of words and more words\n" * 200)
write("small.txt", b"needle\n")
# Enough different strings to fill the LZW tables: squashing's 13-bit codes, and the clear
# codes crunching sends once the table is full.
vocabulary = [b"hay", b"stack", b"straw", b"barn", b"field", b"bale", b"farmer", b"pitchfork",
              b"meadow", b"harvest", b"tractor", b"loft", b"sheaf", b"grain", b"rake", b"dust"]
words = b" ".join(vocabulary[rand() % 16] + b"%d" % (rand() % 50) for _ in range(15000))
write("words.txt", words[:60000] + b" needle " + words[60000:])
PY
touch -d '2023-06-01 10:20:30' "$arc_tree"/*
arc_make() {
  (cd "$arc_tree" && arc "$1" "$2" random.bin runs.bin skewed.bin text.txt small.txt words.txt \
    >"$work/arc.log" 2>&1) || { cat "$work/arc.log" >&2; exit 1; }
}
arc_make a "$out/arc/crunched.arc"
arc_make aq "$out/arc/squashed.arc"
# arc leaves whatever its buffer held in the name field after the name's NUL: clear it.
"$python" - "$out/arc/crunched.arc" "$out/arc/squashed.arc" <<'PY'
import struct, sys
for path in sys.argv[1:]:
    data = bytearray(open(path, "rb").read())
    at = 0
    while at + 2 <= len(data) and data[at] == 0x1A and data[at + 1] != 0:
        name = data[at + 2:at + 15]
        end = name.index(0)
        data[at + 2 + end:at + 15] = bytes(13 - end)
        at += (25 if data[at + 1] == 1 else 29) + struct.unpack_from("<I", data, at + 15)[0]
    open(path, "wb").write(data)
PY
chmod 0644 "$out/arc/"*.arc
g++ -std=c++20 -O2 -I"$root/tests" "$root/tests/tools/arc_legacy_writer.cpp" \
  "$root/tests/arc_crunch_encoder.cpp" -o "$work/arc-writer"
"$work/arc-writer" "$out/arc/old-methods.arc" "$arc_tree/text.txt"
# Which method each entry has, as nomarch reads it, and the bytes it extracts.
arc_methods() { nomarch -lv "$1" | awk -F'\t' '{ split($2, m, " "); print m[1] }' | sort -u | xargs; }
[ "$(arc_methods "$out/arc/crunched.arc")" = "2 4 8" ] || { log "crunched.arc: methods $(arc_methods "$out/arc/crunched.arc")"; exit 1; }
[ "$(arc_methods "$out/arc/squashed.arc")" = "2 3 4 9" ] || { log "squashed.arc: methods $(arc_methods "$out/arc/squashed.arc")"; exit 1; }
[ "$(arc_methods "$out/arc/old-methods.arc")" = "1 5 6 7" ] || { log "old-methods.arc: methods $(arc_methods "$out/arc/old-methods.arc")"; exit 1; }
# Both nomarch and unar give every entry back; nomarch does not know method 7 and names members
# in lower case. arc ends squeezed data without the end code, where unar expects one: the
# squeezed skewed.bin is checked by nomarch alone.
arc_check() {
  local archive=$1 member=$2 source=$3 reader
  for reader in nomarch unar; do
    case "$reader:$member" in nomarch:CRUNCH7.TXT | unar:skewed.bin) continue ;; esac
    if [ "$reader" = nomarch ]; then
      nomarch -p "$archive" "${member,,}"
    else
      unar -q -o - "$archive" "$member"
    fi | cmp -s - "$source" || { log "$reader does not give $member of $archive back"; exit 1; }
  done
}
for f in crunched squashed; do
  for member in random.bin runs.bin skewed.bin text.txt small.txt words.txt; do
    arc_check "$out/arc/$f.arc" "$member" "$arc_tree/$member"
  done
done
for member in OLD.TXT CRUNCH5.TXT CRUNCH6.TXT CRUNCH7.TXT; do
  arc_check "$out/arc/old-methods.arc" "$member" "$arc_tree/text.txt"
done
for f in crunched squashed old-methods; do py list-lsar "$out/arc/$f.arc" "$out/arc/$f.arc.list"; done

# --- done ------------------------------------------------------------------------------------

total=$(find "$out" -type f ! -name README.md -printf '%s\n' | awk '{ s += $1 } END { print s }')
log "$(find "$out" -type f ! -name README.md ! -name '*.list' | wc -l) fixtures, $total bytes in all"
