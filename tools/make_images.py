#!/usr/bin/env python3
# SPDX-License-Identifier: GPL-3.0-or-later
"""Draws the three pictures that the exported web pages show beside them, as GIF files:

  image/MarkHead.gif  268 x 48  the page heading: the bird mark and the name
  image/div.gif       400 x 10  the divider line above and below the list
  image/tabback.gif    24 x 24  the background of the search view's header cell

Run from anywhere: tools/make_images.py [RESOURCES_DIR]  (default: resources/ beside tools/)

Only the Python standard library is used; the GIF writer below (LZW included) is ours.
The pictures use the palette of the program's icons so that pages and program look alike.
"""

import os
import struct
import sys

# --- GIF writer ------------------------------------------------------------------------


def lzw(indices, min_code_size):
    """GIF's variable-length LZW of a list of palette indices, as bytes."""
    clear = 1 << min_code_size
    end = clear + 1
    out = bytearray()
    bits = 0
    nbits = 0

    def emit(code, width):
        nonlocal bits, nbits
        bits |= code << nbits
        nbits += width
        while nbits >= 8:
            out.append(bits & 0xFF)
            bits >>= 8
            nbits -= 8

    def fresh():
        return {(i,): i for i in range(clear)}, end + 1, min_code_size + 1

    table, next_code, width = fresh()
    emit(clear, width)
    prefix = ()
    for index in indices:
        candidate = prefix + (index,)
        if candidate in table:
            prefix = candidate
            continue
        emit(table[prefix], width)
        if next_code < 4096:
            table[candidate] = next_code
            next_code += 1
            # The decoder widens its codes one code later than we add them.
            if next_code > (1 << width) and width < 12:
                width += 1
        else:
            emit(clear, width)
            table, next_code, width = fresh()
        prefix = (index,)
    if prefix:
        emit(table[prefix], width)
    emit(end, width)
    if nbits:
        out.append(bits & 0xFF)
    return bytes(out)


def gif(width, height, pixels):
    """A GIF89a of rows of (r, g, b) pixels; at most 256 distinct colours."""
    palette = []
    lookup = {}
    indices = []
    for row in pixels:
        for colour in row:
            if colour not in lookup:
                lookup[colour] = len(palette)
                palette.append(colour)
            indices.append(lookup[colour])
    if len(palette) > 256:
        raise ValueError("more than 256 colours")
    depth = max(1, (len(palette) - 1).bit_length())
    size = 1 << depth
    palette += [(0, 0, 0)] * (size - len(palette))
    data = bytearray(b"GIF89a")
    data += struct.pack("<HHBBB", width, height, 0x80 | ((depth - 1) << 4) | (depth - 1), 0, 0)
    for r, g, b in palette:
        data += bytes((r, g, b))
    data += b"," + struct.pack("<HHHHB", 0, 0, width, height, 0)
    min_code = max(2, depth)
    data.append(min_code)
    stream = lzw(indices, min_code)
    for i in range(0, len(stream), 255):
        block = stream[i:i + 255]
        data.append(len(block))
        data += block
    data += b"\x00;"
    return bytes(data)


# --- drawing ---------------------------------------------------------------------------

WHITE = (255, 255, 255)
INK = (0x1E, 0x3C, 0x85)       # the darkest blue of the icons
STRIP = (0x7B, 0xAA, 0xFF)     # the main window's left strip
LIGHT = (0xEE, 0xF4, 0xFF)
GREEN = (0x6D, 0xB7, 0x33)
GREEN_DARK = (0x2C, 0x5E, 0x0E)
GOLD = (0xF5, 0xB8, 0x2A)


def mix(a, b, t):
    """The colour a part `t` of the way from a to b, in 16 steps (GIF holds 256 colours)."""
    t = round(min(1.0, max(0.0, t)) * 16) / 16
    return tuple(round(a[i] + (b[i] - a[i]) * t) for i in range(3))


def canvas(w, h, colour):
    return [[colour] * w for _ in range(h)]


# A 5 x 7 pixel alphabet, enough for the name.
GLYPHS = {
    "V": ["10001", "10001", "10001", "10001", "01010", "01010", "00100"],
    "I": ["11111", "00100", "00100", "00100", "00100", "00100", "11111"],
    "R": ["11110", "10001", "10001", "11110", "10100", "10010", "10001"],
    "E": ["11111", "10000", "10000", "11110", "10000", "10000", "11111"],
    "O": ["01110", "10001", "10001", "10001", "10001", "10001", "01110"],
}


def text(img, x, y, word, scale, colour, shadow=None):
    for ch in word:
        glyph = GLYPHS[ch]
        for gy, row in enumerate(glyph):
            for gx, bit in enumerate(row):
                if bit != "1":
                    continue
                for dy in range(scale):
                    for dx in range(scale):
                        px, py = x + gx * scale + dx, y + gy * scale + dy
                        if shadow and 0 <= py + 1 < len(img) and 0 <= px + 1 < len(img[0]):
                            if img[py + 1][px + 1] != colour:
                                img[py + 1][px + 1] = shadow
                        img[py][px] = colour
        x += 6 * scale


def bird(img, cx, cy):
    """The mark: a small round green bird on a gold bookmark ribbon."""
    # Ribbon: a gold strip with a notch at the bottom.
    for y in range(cy - 18, cy + 19):
        for x in range(cx - 7, cx + 8):
            notch = y > cy + 10 and abs(x - cx) < (y - (cy + 10))
            if not notch:
                img[y][x] = GOLD
    # Body and head, with a darker outline.
    for y in range(cy - 16, cy + 12):
        for x in range(cx - 16, cx + 16):
            body = ((x - cx) / 11.0) ** 2 + ((y - cy - 2) / 8.0) ** 2
            head = ((x - cx - 8) / 6.0) ** 2 + ((y - cy - 8 + 14) / 6.0) ** 2
            d = min(body, head)
            if d <= 1.0:
                img[y][x] = GREEN_DARK if d > 0.72 else mix(GREEN, (0xE4, 0xFB, 0xC4), max(0.0, (cy - y) / 24.0))
    # Eye and beak.
    img[cy - 7][cx + 10] = INK
    img[cy - 7][cx + 9] = INK
    for i in range(4):
        img[cy - 6 + i // 2][cx + 14 + i % 2] = GOLD


def mark_head():
    w, h = 268, 48
    img = [[mix(WHITE, LIGHT, y / (h - 1)) for _ in range(w)] for y in range(h)]
    for x in range(w):  # a rule along the bottom, fading out to the right
        t = x / (w - 1)
        img[h - 3][x] = mix(STRIP, WHITE, t)
        img[h - 2][x] = mix(INK, WHITE, t)
    bird(img, 26, 22)
    text(img, 56, 10, "VIREO", 4, INK, shadow=STRIP)
    return w, h, img


def divider():
    w, h = 400, 10
    img = canvas(w, h, WHITE)
    for x in range(w):
        edge = min(x, w - 1 - x) / 60.0
        t = min(1.0, edge)
        img[4][x] = mix(WHITE, STRIP, t)
        img[5][x] = mix(WHITE, INK, t)
    return w, h, img


def tab_back():
    w, h = 24, 24
    img = [[mix(LIGHT, STRIP, y / (h - 1)) for _ in range(w)] for y in range(h)]
    for x in range(w):
        img[0][x] = WHITE
        img[h - 1][x] = INK
    return w, h, img


def main():
    here = os.path.dirname(os.path.abspath(__file__))
    resources = sys.argv[1] if len(sys.argv) > 1 else os.path.join(here, "..", "resources")
    out = os.path.join(resources, "image")
    os.makedirs(out, exist_ok=True)
    for name, draw in (("MarkHead.gif", mark_head), ("div.gif", divider), ("tabback.gif", tab_back)):
        w, h, img = draw()
        with open(os.path.join(out, name), "wb") as f:
            f.write(gif(w, h, img))
        print(os.path.join(out, name))


if __name__ == "__main__":
    main()
