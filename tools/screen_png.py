#!/usr/bin/env python3
"""Turns a screen dump written by screen_pictures into a PNG picture.

Each cell is drawn with the glyph of a PC console font (a PSF file, as the
Linux console uses) in the sixteen colours of the PC's text screen.

Usage: screen_png.py FONT.psf[.gz] SCREEN_FILE PNG_FILE
"""
import gzip
import struct
import sys
import zlib

# The classic console palette the game sends to 24-bit terminals, by the
# terminal's palette index (red is 1, where the console's red is 4).
PALETTE = [
    (0x00, 0x00, 0x00), (0x80, 0x00, 0x00), (0x00, 0x80, 0x00), (0x80, 0x80, 0x00),
    (0x00, 0x00, 0x80), (0x80, 0x00, 0x80), (0x00, 0x80, 0x80), (0xC0, 0xC0, 0xC0),
    (0x80, 0x80, 0x80), (0xFF, 0x00, 0x00), (0x00, 0xFF, 0x00), (0xFF, 0xFF, 0x00),
    (0x00, 0x00, 0xFF), (0xFF, 0x00, 0xFF), (0x00, 0xFF, 0xFF), (0xFF, 0xFF, 0xFF),
]


class Font:
    """A PSF 1 or 2 console font with its Unicode table."""

    def __init__(self, path):
        opener = gzip.open if path.endswith(".gz") else open
        with opener(path, "rb") as f:
            data = f.read()
        if data[:2] == b"\x36\x04":
            mode, self.height = data[2], data[3]
            self.width, count, start = 8, (512 if mode & 1 else 256), 4
            self.row_bytes = 1
            table = data[start + count * self.height:] if mode & 2 else b""
            self.glyphs = [data[start + i * self.height:start + (i + 1) * self.height] for i in range(count)]
            self.codes = self._psf1_table(table, count)
        elif data[:4] == b"\x72\xb5\x4a\x86":
            _, start, flags, count, size, self.height, self.width = struct.unpack("<7I", data[4:32])
            self.row_bytes = (self.width + 7) // 8
            self.glyphs = [data[start + i * size:start + (i + 1) * size] for i in range(count)]
            table = data[start + count * size:] if flags & 1 else b""
            self.codes = self._psf2_table(table, count)
        else:
            raise SystemExit(f"{path}: not a PSF console font")

    @staticmethod
    def _psf1_table(table, count):
        codes, glyph, i = {}, 0, 0
        while glyph < count and i + 1 < len(table):
            value = table[i] | table[i + 1] << 8
            i += 2
            if value == 0xFFFF:
                glyph += 1
            elif value != 0xFFFE:
                codes.setdefault(value, glyph)
        return codes

    @staticmethod
    def _psf2_table(table, count):
        codes = {}
        for glyph, entry in enumerate(table.split(b"\xff")[:count]):
            for char in entry.split(b"\xfe")[0].decode("utf-8", "replace"):
                codes.setdefault(ord(char), glyph)
        return codes

    def pixel_rows(self, char):
        """The glyph of `char` as rows of booleans; a '?' if the font lacks it."""
        glyph = self.glyphs[self.codes.get(ord(char), self.codes.get(ord("?"), 0))]
        rows = []
        for y in range(self.height):
            bits = int.from_bytes(glyph[y * self.row_bytes:(y + 1) * self.row_bytes], "big")
            top = self.row_bytes * 8 - 1
            rows.append([bool(bits >> (top - x) & 1) for x in range(self.width)])
        return rows


def read_screen(path):
    with open(path, encoding="utf-8") as f:
        lines = f.read().split("\n")
    kind, columns, rows = lines[0].split()
    if kind != "screen":
        raise SystemExit(f"{path}: not a screen dump")
    columns, rows = int(columns), int(rows)
    cells = []
    for y in range(rows):
        text, fg, bg = lines[1 + 3 * y:4 + 3 * y]
        text = text.ljust(columns)
        cells.append([(text[x], int(fg[x], 16), int(bg[x], 16)) for x in range(columns)])
    return cells


def png(width, height, pixels):
    """An indexed-colour PNG of `pixels` (rows of palette indexes)."""
    def chunk(kind, body):
        return struct.pack(">I", len(body)) + kind + body + struct.pack(">I", zlib.crc32(kind + body))
    raw = b"".join(b"\x00" + bytes(row) for row in pixels)
    return (b"\x89PNG\r\n\x1a\n"
            + chunk(b"IHDR", struct.pack(">IIBBBBB", width, height, 4, 3, 0, 0, 0))
            + chunk(b"PLTE", b"".join(bytes(c) for c in PALETTE))
            + chunk(b"IDAT", zlib.compress(_pack_nibbles(raw, width), 9))
            + chunk(b"IEND", b""))


def _pack_nibbles(raw, width):
    """Rows of one byte per pixel (after the filter byte) to 4 bits per pixel."""
    out, stride = bytearray(), width + 1
    for start in range(0, len(raw), stride):
        out.append(0)
        row = raw[start + 1:start + stride] + b"\x00"
        out.extend(row[i] << 4 | row[i + 1] for i in range(0, width, 2))
    return bytes(out)


def render(font, cells):
    height = len(cells) * font.height
    width = len(cells[0]) * font.width
    pixels = [[0] * width for _ in range(height)]
    for cy, row in enumerate(cells):
        for cx, (char, fg, bg) in enumerate(row):
            for gy, bits in enumerate(font.pixel_rows(char)):
                line = pixels[cy * font.height + gy]
                for gx, on in enumerate(bits):
                    line[cx * font.width + gx] = fg if on else bg
    return width, height, pixels


def main():
    if len(sys.argv) != 4:
        raise SystemExit(__doc__.strip())
    font = Font(sys.argv[1])
    width, height, pixels = render(font, read_screen(sys.argv[2]))
    with open(sys.argv[3], "wb") as f:
        f.write(png(width, height, pixels))


if __name__ == "__main__":
    main()
