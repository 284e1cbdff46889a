#!/usr/bin/env python3
"""Opens the release archive (scripts/package.sh) and checks what a user gets:
the 32-bit DLL of this version, the Russian guide naming it, every picture
the guide shows, and in the guide only notices and log lines that the code
has among its string literals.
  check_release_archive.py DIST_DIR SOURCE_DIR
Prints one line per fault; exit status 1 when there is any."""
import html.parser
import os
import re
import struct
import sys
import zipfile


def read_version(header_path):
    text = open(header_path, encoding='utf-8').read()
    version = re.search(r'^#define SKIMROW_VERSION_TEXT "([^"]+)"', text, re.M).group(1)
    fields = re.search(r'^#define SKIMROW_VERSION_FIELDS (\d+), *(\d+), *(\d+), *(\d+)', text, re.M).groups()
    return version, tuple(int(f) for f in fields)


def code_literals(root):
    """The string literals of the plug-in's sources (the compiler may build
    short strings from immediates, so the DLL's bytes would not do)."""
    literals = []
    for room in ('base', 'text', 'settings', 'sources', 'feed', 'render', 'plugin', 'dialog', 'input', 'entry'):
        for folder, _, files in os.walk(os.path.join(root, room)):
            for name in files:
                if name.endswith(('.cpp', '.h')):
                    code = open(os.path.join(folder, name), encoding='utf-8').read()
                    literals += re.findall(r'(?:u|L)?"((?:[^"\\\n]|\\.)*)"', code)
    return literals


def pe_kind(data):
    """(machine, optional header magic) of a PE file; None when it is not one."""
    if data[:2] != b'MZ' or len(data) < 0x40:
        return None
    pe = struct.unpack_from('<I', data, 0x3C)[0]
    if data[pe:pe + 4] != b'PE\0\0':
        return None
    return struct.unpack_from('<H', data, pe + 4)[0], struct.unpack_from('<H', data, pe + 24)[0]


def fixed_versions(data):
    """File and product version fields of the version resource's VS_FIXEDFILEINFO."""
    at = data.find(struct.pack('<I', 0xFEEF04BD))
    if at < 0:
        return None, None
    file_ms, file_ls, product_ms, product_ls = struct.unpack_from('<IIII', data, at + 8)
    split = lambda ms, ls: (ms >> 16, ms & 0xFFFF, ls >> 16, ls & 0xFFFF)
    return split(file_ms, file_ls), split(product_ms, product_ls)


def string_value(data, key):
    """A StringFileInfo value: the key in UTF-16, padding to 32 bits, the value."""
    at = data.find((key + '\0').encode('utf-16-le'))
    if at < 0:
        return None
    at += 2 * (len(key) + 1)
    at += (-at) % 4
    end = at
    while data[end:end + 2] != b'\0\0':
        end += 2
    return data[at:end].decode('utf-16-le')


class Guide(html.parser.HTMLParser):
    """What the checks read in the guide: its charset, pictures, notices and log texts."""

    def __init__(self):
        super().__init__()
        self.charset = None
        self.pictures = []
        self.notices, self.log_texts = [], []
        self._open = []  # (list to fill, tag) of the element whose text is being read

    def handle_starttag(self, tag, attrs):
        a = dict(attrs)
        if tag == 'meta' and 'charset' in a:
            self.charset = a['charset'].lower()
        if tag == 'img':
            self.pictures.append(a.get('src', ''))
        kind = {'notice': self.notices, 'log': self.log_texts}.get(a.get('class'))
        if kind is not None:
            kind.append('')
            self._open.append((kind, tag))

    def handle_endtag(self, tag):
        if self._open and self._open[-1][1] == tag:
            self._open.pop()

    def handle_data(self, data):
        if self._open:
            kind = self._open[-1][0]
            kind[-1] += data


def check(dist, root):
    version, fields = read_version(os.path.join(root, 'base', 'version.h'))
    folder = f'Mivra_Skimrow-{version}/'
    faults = []
    try:
        archive = zipfile.ZipFile(f'{dist}/Mivra_Skimrow-{version}.zip')
    except OSError as e:
        return [f'no archive for version {version}: {e}']
    names = archive.namelist()
    for name in names:
        if not name.isascii() or not name.startswith(folder):
            faults.append(f'{name!r}: not an ASCII name under {folder}')

    # Every program file in the archive is 32-bit (i386, PE32); the DLL is there.
    dll = folder + 'Mivra_Skimrow.dll'
    if dll not in names:
        return faults + [f'{dll} missing']
    for name in names:
        kind = pe_kind(archive.read(name))
        if kind is not None and kind != (0x14C, 0x10B):
            faults.append(f'{name}: machine {kind[0]:#x}, magic {kind[1]:#x}; the host needs i386 (0x14c, 0x10b)')
    data = archive.read(dll)

    file_version, product_version = fixed_versions(data)
    if file_version != fields or product_version != fields:
        faults.append(f'version resource {file_version} / {product_version}, base/version.h {fields}')
    for key in ('FileVersion', 'ProductVersion'):
        if string_value(data, key) != version:
            faults.append(f'version resource {key} {string_value(data, key)!r}, base/version.h {version!r}')
    if ('Ver.' + version).encode('utf-16-le') not in data:
        faults.append(f'the About box does not say "Ver.{version}"')

    guide_name = folder + 'guide.ru.html'
    if guide_name not in names:
        return faults + [f'{guide_name} missing']
    text = archive.read(guide_name).decode('utf-8')
    guide = Guide()
    guide.feed(text)
    if guide.charset != 'utf-8':
        faults.append(f'guide: <meta charset> is {guide.charset!r}, not utf-8')
    if version not in text or '@VERSION@' in text:
        faults.append(f'guide: does not name version {version}')
    letters = [c for c in text if c.isalpha()]
    if sum('а' <= c.lower() <= 'я' or c in 'ёЁ' for c in letters) < len(letters) // 2:
        faults.append('guide: not in Russian')

    # Pictures: every one shown is in the archive, and nothing else is.
    shown = set()
    for src in guide.pictures:
        if src.startswith('data:image/'):
            continue
        shown.add(folder + src)
        if folder + src not in names:
            faults.append(f'guide: picture {src} not in the archive')
        elif not archive.read(folder + src).startswith(b'\x89PNG\r\n\x1a\n'):
            faults.append(f'guide: picture {src} is not a PNG file')
    for name in names:
        if name not in shown | {dll, guide_name}:
            faults.append(f'{name}: in the archive but not in the guide')

    # What the guide quotes from the band and the log is what the code shows and writes.
    if not guide.notices or not guide.log_texts:
        faults.append('guide: no notices or log lines marked')
    literals = code_literals(root)
    for quoted in guide.notices + guide.log_texts:
        if not any(quoted in literal for literal in literals):
            faults.append(f'guide: "{quoted}" is in no string of the code')
    return faults


def main():
    faults = check(sys.argv[1], sys.argv[2])
    for fault in faults:
        print(fault)
    print('release archive: ' + ('ok' if not faults else f'{len(faults)} faults'))
    return 1 if faults else 0


if __name__ == '__main__':
    sys.exit(main())
