#!/usr/bin/env python3
"""Draws the window program's icons and bitmaps into src/ui/images/ (plain Python, no packages).

    python3 scripts/make-ui-images.py

Every image is drawn from a few shapes (pages, folders, arrows, a magnifier, a cog) so that a
command's picture can be changed here and the files written again. Bitmaps are 24-bit BMP on
the light grey RGB(192, 192, 192) that the tool bar and the menu code treat as transparent
(no drawing uses that exact grey); icons are 32-bit ICO files with an alpha channel and a mask.
"""
import math
import os
import struct

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
OUT = os.path.join(ROOT, "src", "ui", "images")

KEY = (192, 192, 192)  # transparent in every bitmap
BLACK = (0, 0, 0)
DARK = (64, 64, 64)
SHADOW = (128, 128, 128)
GREY = (160, 160, 160)
LIGHT = (224, 224, 224)
WHITE = (255, 255, 255)
PAPER = (252, 252, 248)
FOLD = (200, 200, 190)
YELLOW = (248, 208, 88)
YELLOW_DARK = (176, 128, 24)
BLUE = (24, 88, 200)
BLUE_LIGHT = (168, 208, 248)
BLUE_DARK = (8, 40, 120)
RED = (208, 32, 24)
RED_DARK = (128, 8, 8)
GREEN = (32, 152, 48)
GREEN_DARK = (8, 88, 16)
LEAF = (72, 160, 64)
BROWN = (120, 72, 32)
ORANGE = (240, 144, 32)
TEAL = (16, 128, 144)
CLEAR = None  # outside an icon


class Image:
    def __init__(self, width, height, background=KEY):
        self.width = width
        self.height = height
        self.px = [[background] * width for _ in range(height)]

    def set(self, x, y, colour):
        if 0 <= x < self.width and 0 <= y < self.height:
            self.px[y][x] = colour

    def get(self, x, y):
        return self.px[y][x]

    def fill(self, x0, y0, x1, y1, colour):
        for y in range(y0, y1 + 1):
            for x in range(x0, x1 + 1):
                self.set(x, y, colour)

    def frame(self, x0, y0, x1, y1, colour):
        for x in range(x0, x1 + 1):
            self.set(x, y0, colour)
            self.set(x, y1, colour)
        for y in range(y0, y1 + 1):
            self.set(x0, y, colour)
            self.set(x1, y, colour)

    def box(self, x0, y0, x1, y1, inside, edge):
        self.fill(x0, y0, x1, y1, inside)
        self.frame(x0, y0, x1, y1, edge)

    def line(self, x0, y0, x1, y1, colour, width=1):
        steps = max(abs(x1 - x0), abs(y1 - y0), 1)
        for i in range(steps + 1):
            x = round(x0 + (x1 - x0) * i / steps)
            y = round(y0 + (y1 - y0) * i / steps)
            for dy in range(width):
                for dx in range(width):
                    self.set(x + dx, y + dy, colour)

    def disc(self, cx, cy, r, colour):
        for y in range(self.height):
            for x in range(self.width):
                if (x + 0.5 - cx) ** 2 + (y + 0.5 - cy) ** 2 <= r * r:
                    self.set(x, y, colour)

    def ring(self, cx, cy, r, thickness, colour):
        for y in range(self.height):
            for x in range(self.width):
                d = math.hypot(x + 0.5 - cx, y + 0.5 - cy)
                if r - thickness <= d <= r:
                    self.set(x, y, colour)

    def polygon(self, points, colour):
        """Fills the polygon by pixel centres (even-odd rule)."""
        for y in range(self.height):
            yc = y + 0.5
            crossings = []
            for (xa, ya), (xb, yb) in zip(points, points[1:] + points[:1]):
                if (ya <= yc < yb) or (yb <= yc < ya):
                    crossings.append(xa + (yc - ya) * (xb - xa) / (yb - ya))
            crossings.sort()
            for left, right in zip(crossings[::2], crossings[1::2]):
                for x in range(self.width):
                    if left <= x + 0.5 <= right:
                        self.set(x, y, colour)

    def text(self, x, y, word, colour):
        """Letters of the 3-by-5 font below, one column apart."""
        for ch in word:
            rows = FONT[ch]
            for j, row in enumerate(rows):
                for i, bit in enumerate(row):
                    if bit == "#":
                        self.set(x + i, y + j, colour)
            x += len(rows[0]) + 1


FONT = {
    "A": ["###", "#.#", "###", "#.#", "#.#"],
    "Z": ["###", "..#", ".#.", "#..", "###"],
    "T": ["###", ".#.", ".#.", ".#.", ".#."],
    "?": ["###", "..#", ".##", "...", ".#."],
    "i": ["#", ".", "#", "#", "#"],
    "<": ["..#", ".#.", "#..", ".#.", "..#"],
    ">": ["#..", ".#.", "..#", ".#.", "#.."],
    "/": ["..#", "..#", ".#.", "#..", "#.."],
    "a": ["...", "##.", ".##", "#.#", "###"],
    "b": ["#..", "#..", "##.", "#.#", "##."],
    "c": ["...", ".##", "#..", "#..", ".##"],
    " ": ["..", "..", "..", "..", ".."],
}


# --- shapes shared by many pictures ---------------------------------------------------------

def page(img, x0=3, y0=1, x1=12, y1=14):
    """A sheet of paper with its top right corner folded over."""
    ear = 3
    img.fill(x0, y0, x1, y1, PAPER)
    img.frame(x0, y0, x1, y1, DARK)
    corner = x1 - ear
    for y in range(y0, y0 + ear + 1):
        for x in range(corner, x1 + 1):
            outside = x - corner > y - y0
            img.set(x, y, KEY if outside else FOLD)
    img.line(corner, y0, x1, y0 + ear, DARK)
    img.line(corner, y0, corner, y0 + ear, DARK)
    img.line(corner, y0 + ear, x1, y0 + ear, DARK)


def page_lines(img, x0=5, y0=5, x1=10, count=4, colour=SHADOW, step=2):
    for k in range(count):
        img.line(x0, y0 + k * step, x1 - (k % 2) * 2, y0 + k * step, colour)


def folder(img, x0=1, y0=3, x1=14, y1=13):
    img.box(x0, y0, x0 + 5, y0 + 2, YELLOW, YELLOW_DARK)
    img.box(x0, y0 + 2, x1, y1, YELLOW, YELLOW_DARK)
    img.line(x0 + 1, y0 + 3, x1 - 1, y0 + 3, (255, 236, 160))


def arrow_right(img, x0, y, length, colour, edge):
    """A thick arrow pointing right; its shaft is 3 pixels high around y."""
    head = x0 + length - 4
    img.fill(x0, y - 1, head, y + 1, colour)
    img.polygon([(head, y - 4.0), (x0 + length + 0.5, y + 0.5), (head, y + 5.0)], colour)
    img.line(x0, y - 1, head, y - 1, edge)
    img.line(x0, y + 1, head, y + 1, edge)
    img.line(x0, y - 1, x0, y + 1, edge)


def magnifier(img, cx=6.5, cy=6.5, r=5.0, handle=BROWN):
    img.disc(cx, cy, r, BLUE_DARK)
    img.disc(cx, cy, r - 1.3, BLUE_LIGHT)
    img.set(int(cx) - 2, int(cy) - 2, WHITE)
    img.set(int(cx) - 1, int(cy) - 2, WHITE)
    img.set(int(cx) - 2, int(cy) - 1, WHITE)
    x = int(cx + r * 0.7)
    y = int(cy + r * 0.7)
    img.line(x, y, 14, 14, handle, 2)


def cog(img, cx=7.5, cy=7.5, colour=SHADOW, edge=DARK):
    for k in range(8):
        a = k * math.pi / 4
        x = cx + 5.2 * math.cos(a)
        y = cy + 5.2 * math.sin(a)
        img.disc(x, y, 1.7, edge)
    img.disc(cx, cy, 5.0, edge)
    img.disc(cx, cy, 4.0, colour)
    img.disc(cx, cy, 1.8, KEY if colour is not None else KEY)
    img.ring(cx, cy, 2.3, 0.8, edge)


def badge_plus(img, colour, edge):
    img.box(9, 9, 15, 15, colour, edge)
    img.fill(10, 12, 14, 12, WHITE)
    img.fill(12, 10, 12, 14, WHITE)


def badge_minus(img, colour, edge):
    img.box(9, 9, 15, 15, colour, edge)
    img.fill(10, 12, 14, 12, WHITE)


def cross(img, x0, y0, x1, y1, colour, width=2):
    img.line(x0, y0, x1 - width + 1, y1 - width + 1, colour, width)
    img.line(x0, y1 - width + 1, x1 - width + 1, y0, colour, width)


def globe(img, cx=7.5, cy=7.5, r=6.5):
    img.disc(cx, cy, r, BLUE)
    img.disc(cx, cy, r - 1, (64, 140, 232))
    img.polygon([(4, 4), (8, 3), (8, 7), (6, 9), (4, 8)], LEAF)
    img.polygon([(9, 9), (12, 8), (12, 12), (10, 13)], LEAF)
    img.ring(cx, cy, r, 1, BLUE_DARK)


def drive(img, y0=8):
    img.box(1, y0, 14, y0 + 4, LIGHT, DARK)
    img.line(2, y0 + 4, 13, y0 + 4, SHADOW)
    img.set(12, y0 + 2, GREEN)
    img.set(11, y0 + 2, GREEN)


# --- one picture per command ----------------------------------------------------------------

def draw_search(img):
    magnifier(img)


def draw_stop(img):
    pts = [(5, 1), (11, 1), (15, 5), (15, 11), (11, 15), (5, 15), (1, 11), (1, 5)]
    img.polygon(pts, RED_DARK)
    inner = [(5.6, 2.4), (10.4, 2.4), (13.6, 5.6), (13.6, 10.4), (10.4, 13.6), (5.6, 13.6),
             (2.4, 10.4), (2.4, 5.6)]
    img.polygon(inner, RED)
    img.fill(4, 7, 11, 8, WHITE)


def draw_shortcut(img):
    page(img)
    page_lines(img)
    # The shell's shortcut mark: a small arrow bending up and to the right.
    img.box(0, 8, 7, 15, WHITE, DARK)
    img.polygon([(3, 9), (7, 9), (7, 13)], BLUE_DARK)
    img.line(2, 13, 4, 11, BLUE_DARK, 2)


def draw_run(img):
    img.box(1, 2, 14, 13, WHITE, DARK)
    img.fill(2, 3, 13, 4, BLUE)
    img.polygon([(6, 6), (12, 9.5), (6, 13)], GREEN)
    img.line(6, 6, 6, 12, GREEN_DARK)


def draw_view(img):
    img.polygon([(1, 8), (5, 4), (11, 4), (15, 8), (11, 12), (5, 12)], WHITE)
    img.line(1, 8, 5, 4, DARK)
    img.line(5, 4, 10, 4, DARK)
    img.line(10, 4, 14, 8, DARK)
    img.line(1, 8, 5, 12, DARK)
    img.line(5, 12, 10, 12, DARK)
    img.line(10, 12, 14, 8, DARK)
    img.disc(8, 8, 3, BLUE)
    img.disc(8, 8, 1.3, BLACK)


def draw_edit(img):
    page(img, 1, 1, 10, 14)
    page_lines(img, 3, 5, 8)
    img.line(14, 3, 7, 10, ORANGE, 2)
    img.line(15, 3, 8, 10, YELLOW_DARK)
    img.set(6, 11, DARK)
    img.set(7, 11, DARK)
    img.set(6, 12, BLACK)
    img.set(14, 2, RED)
    img.set(15, 2, RED)


def draw_copy(img):
    page(img, 1, 1, 9, 11)
    page_lines(img, 3, 5, 7, 3)
    page(img, 6, 4, 14, 15)
    page_lines(img, 8, 8, 12, 3)


def draw_move(img):
    folder(img, 4, 4, 15, 14)
    page(img, 0, 0, 6, 8)
    arrow_right(img, 5, 10, 8, BLUE, BLUE_DARK)


def draw_rename(img):
    img.box(0, 4, 15, 11, WHITE, DARK)
    img.text(2, 6, "ab", BLUE_DARK)
    img.fill(10, 5, 10, 10, BLACK)
    img.set(9, 5, BLACK)
    img.set(11, 5, BLACK)
    img.set(9, 10, BLACK)
    img.set(11, 10, BLACK)


def draw_delete(img):
    cross(img, 2, 2, 14, 14, RED_DARK, 3)
    cross(img, 3, 3, 13, 13, RED, 2)


def draw_properties(img):
    img.box(2, 1, 13, 14, WHITE, DARK)
    img.fill(3, 2, 12, 3, BLUE)
    for k, y in enumerate((6, 9, 12)):
        img.fill(4, y, 5, y + 1, GREEN if k != 1 else SHADOW)
        img.line(7, y, 11, y, SHADOW)


def draw_goto(img):
    folder(img)
    img.polygon([(5, 6.5), (9, 6.5), (9, 4), (13.5, 8.5), (9, 13), (9, 10.5), (5, 10.5)], GREEN)
    img.line(9, 4, 13, 8, GREEN_DARK)
    img.line(13, 9, 9, 13, GREEN_DARK)


def draw_export_text(img):
    page(img)
    page_lines(img, 5, 5, 10, 5)


def draw_export_csv(img):
    page(img)
    img.fill(4, 5, 11, 13, WHITE)
    for y in (5, 8, 11, 13):
        img.line(4, y, 11, y, GREEN)
    for x in (4, 7, 11):
        img.line(x, 5, x, 13, GREEN)
    img.fill(5, 6, 6, 7, GREEN_DARK)


def draw_export_html(img):
    page(img)
    img.text(3, 7, "<", BLUE)
    img.text(6, 7, "/", ORANGE)
    img.text(9, 7, ">", BLUE)


def draw_module(img):
    img.box(2, 3, 11, 12, TEAL, BLUE_DARK)
    img.fill(4, 5, 9, 10, (96, 192, 200))
    for k in range(3):
        img.set(0, 5 + 2 * k, DARK)
        img.set(1, 5 + 2 * k, DARK)
        img.set(12, 5 + 2 * k, DARK)
        img.set(13, 5 + 2 * k, DARK)


def draw_register(img):
    draw_module(img)
    badge_plus(img, GREEN, GREEN_DARK)


def draw_unregister(img):
    draw_module(img)
    badge_minus(img, RED, RED_DARK)


def draw_exit(img):
    img.box(2, 1, 9, 14, BROWN, DARK)
    img.fill(3, 2, 8, 13, (176, 120, 64))
    img.set(7, 8, YELLOW)
    arrow_right(img, 8, 8, 7, GREEN, GREEN_DARK)


def draw_help(img):
    img.box(2, 1, 12, 14, BLUE, BLUE_DARK)
    img.fill(3, 13, 12, 14, PAPER)
    img.line(3, 13, 12, 13, SHADOW)
    img.text(6, 4, "?", WHITE)


def draw_help_use(img):
    img.disc(7.5, 7.0, 6.5, ORANGE)
    img.polygon([(3, 11), (6, 12), (2, 15)], ORANGE)
    img.ring(7.5, 7.0, 6.5, 1, YELLOW_DARK)
    img.text(6, 4, "?", WHITE)
    img.text(7, 4, "?", WHITE)


def draw_online(img):
    globe(img)


def draw_about(img):
    img.disc(7.5, 7.5, 7.0, BLUE_DARK)
    img.disc(7.5, 7.5, 6.0, BLUE)
    img.fill(7, 3, 8, 4, WHITE)
    img.fill(7, 6, 8, 12, WHITE)
    img.set(6, 6, WHITE)
    img.fill(6, 12, 9, 12, WHITE)


def draw_language(img):
    img.box(0, 1, 11, 9, WHITE, DARK)
    img.polygon([(2, 9), (6, 9), (2, 13)], WHITE)
    img.line(2, 9, 2, 12, DARK)
    img.line(3, 12, 5, 10, DARK)
    img.text(2, 3, "A", BLUE)
    img.text(6, 3, "b", BLUE)
    img.box(8, 7, 15, 14, YELLOW, YELLOW_DARK)
    img.text(10, 8, "c", BROWN)


def draw_config(img):
    cog(img)


def draw_export_list(img):
    page(img, 1, 1, 10, 14)
    page_lines(img, 3, 5, 8)
    arrow_right(img, 7, 10, 8, GREEN, GREEN_DARK)


def draw_sort(img):
    img.box(0, 0, 6, 7, WHITE, DARK)
    img.text(2, 1, "A", BLUE)
    img.box(0, 8, 6, 15, WHITE, DARK)
    img.text(2, 9, "Z", RED)
    img.fill(10, 1, 11, 10, DARK)
    img.polygon([(7, 10), (14.5, 10), (10.75, 15)], DARK)


def draw_filter(img):
    img.polygon([(1, 2), (15, 2), (9.5, 8), (9.5, 14), (6.5, 15), (6.5, 8)], BLUE)
    img.line(1, 2, 14, 2, BLUE_DARK)
    img.line(1, 2, 6, 8, BLUE_DARK)
    img.line(14, 2, 9, 8, BLUE_DARK)
    img.fill(3, 3, 12, 3, BLUE_LIGHT)


def draw_net_connect(img):
    drive(img, 2)
    img.fill(7, 7, 8, 10, DARK)
    img.fill(2, 10, 13, 11, DARK)
    img.box(0, 12, 4, 15, GREY, DARK)
    img.box(11, 12, 15, 15, GREY, DARK)
    img.fill(6, 12, 9, 15, GREEN)


def draw_net_disconnect(img):
    drive(img, 2)
    img.fill(7, 7, 8, 9, DARK)
    cross(img, 4, 9, 12, 16, RED, 2)


# Tool bar images by index; index 4 shows the current item to a partner program (104).
TOOL_BAR = [draw_search, draw_stop, draw_shortcut, draw_run, draw_view, draw_edit, draw_copy,
            draw_move, draw_rename, draw_delete, draw_properties, draw_goto, draw_export_text,
            draw_export_csv, draw_export_html, draw_register, draw_unregister]

# Menu images in the order of the menu code's command list.
MENU = [
    (101, draw_exit), (171, draw_help), (172, draw_help_use), (173, draw_online),
    (174, draw_about), (166, draw_language), (162, draw_config), (131, draw_search),
    (133, draw_stop), (102, draw_shortcut), (103, draw_run), (105, draw_edit), (106, draw_copy),
    (107, draw_move), (108, draw_rename), (109, draw_delete), (110, draw_properties),
    (136, draw_goto), (111, draw_export_list), (112, draw_export_text), (113, draw_export_csv),
    (114, draw_export_html), (134, draw_register), (135, draw_unregister), (150, draw_sort),
    (163, draw_filter), (138, draw_net_connect), (139, draw_net_disconnect),
]


def strip(drawers, muted=False):
    img = Image(16 * len(drawers), 16)
    for i, draw in enumerate(drawers):
        cell = Image(16, 16)
        draw(cell)
        for y in range(16):
            for x in range(16):
                c = cell.get(x, y)
                if c != KEY:
                    img.set(16 * i + x, y, mute(c) if muted else c)
    return img


def mute(colour):
    """The resting look of a tool bar image: half-way to its grey, never the key grey."""
    r, g, b = colour
    grey = (r * 30 + g * 59 + b * 11) // 100
    out = tuple((v + grey) // 2 for v in colour)
    return (out[0], out[1], out[2] + 1) if out == KEY else out


# --- icons ----------------------------------------------------------------------------------

def program_icon(size):
    s = size / 16.0
    img = Image(size, size, CLEAR)
    # A hop-hornbeam leaf behind the lens: the tree the program is named after.
    leaf = [(2 * s, 14 * s), (3 * s, 7 * s), (7 * s, 2.5 * s), (12 * s, 2 * s), (11 * s, 8 * s),
            (6 * s, 12.5 * s)]
    img.polygon(leaf, GREEN_DARK)
    inner = [(3 * s, 13 * s), (4 * s, 7.4 * s), (7.4 * s, 3.5 * s), (11 * s, 3 * s),
             (10 * s, 7.6 * s), (6 * s, 11.6 * s)]
    img.polygon(inner, LEAF)
    img.line(int(2 * s), int(14 * s), int(10 * s), int(4 * s), GREEN_DARK, max(1, size // 16))
    cx, cy, r = 9.5 * s, 9.5 * s, 4.6 * s
    img.line(int(cx + r * 0.6), int(cy + r * 0.6), size - 1 - size // 32, size - 1 - size // 32,
             BROWN, max(2, size // 10))
    img.disc(cx, cy, r, BLUE_DARK)
    img.disc(cx, cy, r - max(1.2, s * 1.1), (200, 228, 252))
    img.disc(cx - r * 0.35, cy - r * 0.35, max(0.8, r * 0.22), WHITE)
    return img


def searching_icon():
    img = Image(16, 16, CLEAR)
    magnifier(img, 9.5, 6.5, 5.0, BROWN)
    for k, y in enumerate((4, 7, 10)):
        img.line(0, y, 2 + k % 2, y, ORANGE)
    return img


def radio_dot():
    img = Image(6, 6, CLEAR)
    img.disc(3, 3, 2.9, BLACK)
    return img


def sort_arrow(up):
    img = Image(11, 11)
    for i in range(5):
        y = 3 + i if up else 7 - i
        img.fill(5 - i, y, 5 + i, y, SHADOW)
    return img


# --- file formats ---------------------------------------------------------------------------

def bmp_bytes(img):
    row = (img.width * 3 + 3) & ~3
    body = bytearray()
    for y in reversed(range(img.height)):
        line = bytearray()
        for x in range(img.width):
            r, g, b = img.get(x, y)
            line += bytes((b, g, r))
        body += line + bytes(row - len(line))
    header = struct.pack("<IiiHHIIiiII", 40, img.width, img.height, 1, 24, 0, len(body), 2835,
                         2835, 0, 0)
    return b"BM" + struct.pack("<IHHI", 14 + len(header) + len(body), 0, 0, 54) + header + body


def ico_bytes(images):
    entries = b""
    blobs = b""
    offset = 6 + 16 * len(images)
    for img in images:
        colour = bytearray()
        for y in reversed(range(img.height)):
            for x in range(img.width):
                c = img.get(x, y)
                colour += bytes((0, 0, 0, 0)) if c is CLEAR else bytes((c[2], c[1], c[0], 255))
        mask_row = ((img.width + 31) // 32) * 4
        mask = bytearray()
        for y in reversed(range(img.height)):
            bits = bytearray(mask_row)
            for x in range(img.width):
                if img.get(x, y) is CLEAR:
                    bits[x // 8] |= 0x80 >> (x % 8)
            mask += bits
        header = struct.pack("<IiiHHIIiiII", 40, img.width, img.height * 2, 1, 32, 0,
                             len(colour) + len(mask), 0, 0, 0, 0)
        blob = header + colour + mask
        entries += struct.pack("<BBBBHHII", img.width % 256, img.height % 256, 0, 0, 1, 32,
                               len(blob), offset)
        blobs += blob
        offset += len(blob)
    return struct.pack("<HHH", 0, 1, len(images)) + entries + blobs


def write(name, data):
    with open(os.path.join(OUT, name), "wb") as f:
        f.write(data)


def main():
    os.makedirs(OUT, exist_ok=True)
    write("toolbar.bmp", bmp_bytes(strip(TOOL_BAR)))
    write("toolbar_normal.bmp", bmp_bytes(strip(TOOL_BAR, muted=True)))
    write("toolbar_hot.bmp", bmp_bytes(strip(TOOL_BAR)))
    write("menu_images.bmp", bmp_bytes(strip([draw for _, draw in MENU])))
    write("sort_up.bmp", bmp_bytes(sort_arrow(True)))
    write("sort_down.bmp", bmp_bytes(sort_arrow(False)))
    write("ostrya.ico", ico_bytes([program_icon(16), program_icon(32)]))
    write("searching.ico", ico_bytes([searching_icon()]))
    write("radio_dot.ico", ico_bytes([radio_dot()]))


if __name__ == "__main__":
    main()
