#!/usr/bin/env python3
"""Draws the settings dialog's icons and bitmaps and writes them as .ico and
.bmp files for the resource compiler: make_images.py OUTPUT_DIR.

The tables below are the one place of the pictures' names and ids: beside
the pictures it writes images.h (the ids, for the code and the resource
script) and images.rc (the resource lines that name the files).

Each picture is a 16 x 16 (or 32 x 32) grid of characters; '.' is transparent
in icons and the button face in bitmaps."""
import os
import struct
import sys

COLOURS = {  # character -> (r, g, b)
    'k': (0, 0, 0), 'w': (255, 255, 255), 'g': (0, 150, 0), 'r': (200, 0, 0),
    'b': (0, 60, 200), 'y': (240, 200, 40), 'o': (180, 120, 20), 's': (128, 128, 128),
    'l': (192, 192, 192), 'c': (0, 160, 200), '.': (0, 0, 0),
}

def arrow(direction):
    """A filled arrow pointing up, down, left or right."""
    up = [
        "................",
        ".......kk.......",
        "......kbbk......",
        ".....kbbbbk.....",
        "....kbbbbbbk....",
        "...kbbbbbbbbk...",
        "..kbbbbbbbbbbk..",
        ".kkkkkbbbbkkkkk.",
        ".....kbbbbk.....",
        ".....kbbbbk.....",
        ".....kbbbbk.....",
        ".....kbbbbk.....",
        ".....kbbbbk.....",
        ".....kbbbbk.....",
        ".....kkkkkk.....",
        "................",
    ]
    if direction == 'up':
        return up
    if direction == 'down':
        return up[::-1]
    left = [''.join(up[x][y] for x in range(16)) for y in range(16)]  # transpose
    return left if direction == 'left' else [row[::-1] for row in left]

def corner(vertical, horizontal):
    """An arrow into a corner: a diagonal shaft and a right-angle head."""
    grid = [['.'] * 16 for _ in range(16)]
    for i in range(3, 14):
        grid[i][i] = 'b'
        grid[i][i - 1] = 'b'
        if i + 1 < 16:
            grid[i][i + 1] = 'b'
    for i in range(1, 9):
        grid[1][i] = grid[2][i] = 'b'
        grid[i][1] = grid[i][2] = 'b'
    rows = [''.join(r) for r in grid]
    if vertical == 'bottom':
        rows = rows[::-1]
    if horizontal == 'right':
        rows = [r[::-1] for r in rows]
    return rows

def letter_with_sign(letter, sign):
    x = [
        "k...k", ".k.k.", "..k..", ".k.k.", "k...k",
    ] if letter == 'x' else [
        "k...k", ".k.k.", "..k..", "..k..", "..k..",
    ]
    grid = [['.'] * 16 for _ in range(16)]
    for r, line in enumerate(x):
        for c, ch in enumerate(line):
            if ch == 'k':
                for dy in (0, 1):
                    for dx in (0, 1):
                        grid[2 + r * 2 + dy][1 + c * 2 + dx] = 'k'
    colour = 'g' if sign == '+' else 'r'
    for c in range(10, 16):
        grid[7][c] = grid[8][c] = colour
    if sign == '+':
        for r in range(5, 11):
            grid[r][12] = grid[r][13] = colour
    return [''.join(r) for r in grid]

STOP = ["................"] * 2 + ["..kkkkkkkkkkkk.."] + ["..krrrrrrrrrrk.."] * 10 + ["..kkkkkkkkkkkk.."] + ["................"] * 2

def play():
    rows = []
    for y in range(16):
        if y < 2 or y > 13:
            rows.append('.' * 16)
            continue
        half = min(y - 2, 13 - y)  # widest in the middle
        width = 2 + half * 2
        rows.append('...k' + 'g' * (width - 1) + 'k' + '.' * (16 - 5 - width))
    return [r[:16].ljust(16, '.') for r in rows]

FOLDER = [
    "................",
    "................",
    "..kkkkk.........",
    ".kyyyyyk........",
    ".kyyyyyykkkkkkk.",
    ".kyyyyyyyyyyyyk.",
    ".kyyyyyyyyyyyyk.",
    ".kyyyyyyyyyyyyk.",
    ".kyyyyyyyyyyyyk.",
    ".kyyyyyyyyyyyyk.",
    ".kyyyyyyyyyyyyk.",
    ".kyyyyyyyyyyyyk.",
    ".kkkkkkkkkkkkkk.",
    "................",
    "................",
    "................",
]

SQUARES = [  # two overlapping frames: position
    "................",
    ".kkkkkkkkk......",
    ".k.......k......",
    ".k.......k......",
    ".k.......k......",
    ".k....bbbbbbbbb.",
    ".k....b..k....b.",
    ".k....b..k....b.",
    ".k....b..k....b.",
    ".kkkkkbkkk....b.",
    "......b.......b.",
    "......b.......b.",
    "......b.......b.",
    "......bbbbbbbbb.",
    "................",
    "................",
]

MAGNIFIER = [  # size
    "................",
    "....kkkkk.......",
    "...kcccccck.....",
    "..kcwwccccck....",
    ".kcwccccccck....",
    ".kccccccccck....",
    ".kccccccccck....",
    ".kccccccccck....",
    "..kcccccccck....",
    "...kccccccko....",
    "....kkkkkk.oo...",
    "...........ooo..",
    "............ooo.",
    ".............oo.",
    "................",
    "................",
]

def about_picture():
    """32 x 32: a screen with a ticker band across its bottom."""
    rows = []
    for y in range(32):
        row = ''
        for x in range(32):
            if y in (2, 29) and 1 <= x <= 30 or x in (1, 30) and 2 <= y <= 29:
                row += 'k'
            elif 3 <= y <= 28 and 2 <= x <= 29:
                if 20 <= y <= 25:
                    row += 'w' if (y in (22, 23) and x % 4 != 0) else 'b'
                else:
                    row += 'c' if y < 12 else 'g'
            else:
                row += 'l'
        rows.append(row)
    return rows

def palette_of(pictures):
    chars = sorted({ch for p in pictures for row in p for ch in row} | {'k'})
    return chars

def write_icon(path, rows, bits):
    size = len(rows)
    chars = [c for c in palette_of([rows]) if c != '.']
    index = {c: i for i, c in enumerate(chars)}
    index['.'] = index['k']  # transparent pixels are black in the colour image
    colours = 1 << bits
    assert len(chars) <= colours
    pal = b''.join(struct.pack('<BBBB', *COLOURS[c][::-1], 0) for c in chars) + b'\0' * 4 * (colours - len(chars))
    stride = ((size * bits + 31) // 32) * 4
    xor = b''
    mask_stride = ((size + 31) // 32) * 4
    mask = b''
    for row in rows[::-1]:
        line = 0
        value = 0
        for x, ch in enumerate(row):
            value = (value << bits) | index[ch]
        raw = value.to_bytes(size * bits // 8, 'big')
        xor += raw + b'\0' * (stride - len(raw))
        bitsrow = 0
        for ch in row:
            bitsrow = (bitsrow << 1) | (1 if ch == '.' else 0)
        m = bitsrow.to_bytes(size // 8, 'big')
        mask += m + b'\0' * (mask_stride - len(m))
    header = struct.pack('<IiiHHIIiiII', 40, size, size * 2, 1, bits, 0, len(xor) + len(mask), 0, 0, colours, 0)
    image = header + pal + xor + mask
    directory = struct.pack('<HHH', 0, 1, 1) + struct.pack('<BBBBHHII', size, size, colours % 256, 0, 1, bits,
                                                           len(image), 22)
    with open(path, 'wb') as f:
        f.write(directory + image)

def write_bitmap(path, rows, face=(192, 192, 192)):
    h, w = len(rows), len(rows[0])
    stride = ((w * 3 + 3) // 4) * 4
    pixels = b''
    for row in rows[::-1]:
        line = b''.join(struct.pack('<BBB', *(face if ch == '.' else COLOURS[ch])[::-1]) for ch in row)
        pixels += line + b'\0' * (stride - len(line))
    info = struct.pack('<IiiHHIIiiII', 40, w, h, 1, 24, 0, len(pixels), 2835, 2835, 0, 0)
    with open(path, 'wb') as f:
        f.write(struct.pack('<2sIHHI', b'BM', 14 + 40 + len(pixels), 0, 0, 54) + info + pixels)

ICONS = {  # name: (id, rows, bits per pixel)
    'IDI_STOP': (5010, STOP, 8), 'IDI_PLAY': (5011, play(), 8), 'IDI_FOLDER': (5015, FOLDER, 4),
    'IDI_UP': (5016, arrow('up'), 8), 'IDI_DOWN': (5021, arrow('down'), 8),
    'IDI_LEFT': (5022, arrow('left'), 8), 'IDI_RIGHT': (5023, arrow('right'), 8),
    'IDI_CORNER_TOP_LEFT': (5019, corner('top', 'left'), 8), 'IDI_CORNER_TOP_RIGHT': (5020, corner('top', 'right'), 8),
    'IDI_CORNER_BOTTOM_LEFT': (5024, corner('bottom', 'left'), 8),
    'IDI_CORNER_BOTTOM_RIGHT': (5018, corner('bottom', 'right'), 8),
    'IDI_X_MINUS': (5028, letter_with_sign('x', '-'), 8), 'IDI_X_PLUS': (5026, letter_with_sign('x', '+'), 8),
    'IDI_Y_MINUS': (5025, letter_with_sign('y', '-'), 8), 'IDI_Y_PLUS': (5027, letter_with_sign('y', '+'), 8),
}
BITMAPS = {  # name: (id, rows)
    'IDB_POSITION': (5011, SQUARES), 'IDB_SIZE': (5012, MAGNIFIER), 'IDB_ABOUT': (5013, about_picture()),
}

def write_if_changed(path, text):
    # An unchanged header leaves what includes it up to date.
    try:
        with open(path) as f:
            if f.read() == text:
                return
    except OSError:
        pass
    with open(path, 'w') as f:
        f.write(text)

def main():
    out = sys.argv[1]
    os.makedirs(out, exist_ok=True)
    header = ['// Written by dialog/res/make_images.py: the ids of the dialog\'s pictures.', '#pragma once']
    script = ['// Written by dialog/res/make_images.py: the dialog\'s pictures.']
    for name, (number, rows, bits) in ICONS.items():
        assert len(rows) == 16 and all(len(r) == 16 for r in rows), name
        write_icon(os.path.join(out, f'icon_{number}.ico'), rows, bits)
        header.append(f'#define {name} {number}')
        script.append(f'{name} ICON "icon_{number}.ico"')
    for name, (number, rows) in BITMAPS.items():
        write_bitmap(os.path.join(out, f'bitmap_{number}.bmp'), rows)
        header.append(f'#define {name} {number}')
        script.append(f'{name} BITMAP "bitmap_{number}.bmp"')
    write_if_changed(os.path.join(out, 'images.h'), '\n'.join(header) + '\n')
    write_if_changed(os.path.join(out, 'images.rc'), '\n'.join(script) + '\n')

if __name__ == '__main__':
    main()
