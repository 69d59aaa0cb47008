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
for d in tar cpio iso fat gzip bzip2 rpm; do rm -rf "${out:?}/$d"; mkdir -p "$out/$d"; done

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

# --- done ------------------------------------------------------------------------------------

total=$(find "$out" -type f ! -name README.md -printf '%s\n' | awk '{ s += $1 } END { print s }')
log "$(find "$out" -type f ! -name README.md ! -name '*.list' | wc -l) fixtures, $total bytes in all"
