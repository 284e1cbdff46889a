#!/usr/bin/env python3
"""Makes the user's guide's pictures in docs/guide/images/: the ticker over
video (docs/still.png), the settings window and its control groups cut out
of docs/dialog.png (with ffmpeg), and the dialog's button icons as PNG
files, drawn from the same grids as the icons in the DLL
(dialog/res/make_images.py). Run it again after scripts/demo.sh or
scripts/dialog-screenshot.sh has retaken those pictures."""
import os
import shutil
import struct
import subprocess
import sys
import zlib

ROOT = os.path.abspath(os.path.join(os.path.dirname(__file__), '..', '..'))
OUT = os.path.join(ROOT, 'docs', 'guide', 'images')
sys.path.insert(0, os.path.join(ROOT, 'dialog', 'res'))
import make_images  # noqa: E402

# Where the window lies in docs/dialog.png, in pixels, and its client area's
# origin: the template's dialog units are 1.5 pixels each way there.
WINDOW = (39, 107, 690, 515)
CLIENT_ORIGIN = (42, 126)
UNIT = 1.5

# Control groups in dialog units (dialog/res/dialog.rc), a little margin included.
GROUPS = {
    'font': (3, 1, 188, 29),
    'colours': (3, 28, 188, 84),
    'position': (188, 0, 243, 86),
    'strings': (3, 83, 243, 112),
    'file': (3, 111, 243, 141),
    'rss': (3, 140, 243, 204),
    'run': (3, 203, 243, 238),
    'buttons': (0, 239, 247, 256),
    'news': (253, 0, 428, 66),
    'urgent': (253, 64, 428, 132),
    'direction': (253, 130, 428, 160),
    'control': (253, 158, 428, 207),
}

ICONS = {  # file name -> grid
    'up': make_images.arrow('up'), 'down': make_images.arrow('down'),
    'left': make_images.arrow('left'), 'right': make_images.arrow('right'),
    'corner-top-left': make_images.corner('top', 'left'), 'corner-top-right': make_images.corner('top', 'right'),
    'corner-bottom-left': make_images.corner('bottom', 'left'),
    'corner-bottom-right': make_images.corner('bottom', 'right'),
    'x-plus': make_images.letter_with_sign('x', '+'), 'x-minus': make_images.letter_with_sign('x', '-'),
    'y-plus': make_images.letter_with_sign('y', '+'), 'y-minus': make_images.letter_with_sign('y', '-'),
    'play': make_images.play(), 'stop': make_images.STOP, 'folder': make_images.FOLDER,
}
ICON_SCALE = 2


def write_png(path, rows, scale):
    """An RGBA PNG of a character grid; '.' is transparent."""
    w, h = len(rows[0]) * scale, len(rows) * scale
    raw = b''
    for row in rows:
        line = b'\0' + b''.join((bytes(make_images.COLOURS[ch]) + (b'\0' if ch == '.' else b'\xff')) * scale
                                for ch in row)
        raw += line * scale

    def chunk(kind, data):
        return struct.pack('>I', len(data)) + kind + data + struct.pack('>I', zlib.crc32(kind + data))

    with open(path, 'wb') as f:
        f.write(b'\x89PNG\r\n\x1a\n' + chunk(b'IHDR', struct.pack('>IIBBBBB', w, h, 8, 6, 0, 0, 0)) +
                chunk(b'IDAT', zlib.compress(raw, 9)) + chunk(b'IEND', b''))


def crop(name, left, top, right, bottom):
    subprocess.run(['ffmpeg', '-v', 'error', '-y', '-i', os.path.join(ROOT, 'docs', 'dialog.png'),
                    '-vf', f'crop={right - left}:{bottom - top}:{left}:{top}', '-pix_fmt', 'rgb24',
                    os.path.join(OUT, name + '.png')], check=True)


def main():
    os.makedirs(OUT, exist_ok=True)
    shutil.copyfile(os.path.join(ROOT, 'docs', 'still.png'), os.path.join(OUT, 'still.png'))
    crop('dialog', *WINDOW)
    ox, oy = CLIENT_ORIGIN
    for name, (x0, y0, x1, y1) in GROUPS.items():
        crop(name, ox + round(x0 * UNIT), oy + round(y0 * UNIT), ox + round(x1 * UNIT), oy + round(y1 * UNIT))
    for name, rows in ICONS.items():
        write_png(os.path.join(OUT, f'icon-{name}.png'), rows, ICON_SCALE)


if __name__ == '__main__':
    main()
