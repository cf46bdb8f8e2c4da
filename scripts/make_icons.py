#!/usr/bin/env python3
"""Draws the ZORVEX icons (a blue tile with a yellow Z) as .ico files.

The icons are committed; run this again only to change their look.
The tile colour is also what the end-to-end tests look for to find the
tray icon on the taskbar.
"""
import struct
import sys

TILE = (0x1E, 0x5A, 0xA8)
LETTER = (0xFF, 0xD2, 0x00)
EDGE = (0x0E, 0x2A, 0x58)


def pixel(x, y, size):
    margin = max(1, size // 16)
    inside = margin <= x < size - margin and margin <= y < size - margin
    if not inside:
        return None
    if x in (margin, size - margin - 1) or y in (margin, size - margin - 1):
        return EDGE
    stroke = max(2, size // 8)
    top, bottom = size // 4, size - size // 4 - stroke
    left, right = size // 4, size - size // 4
    if top <= y < top + stroke and left <= x < right:
        return LETTER
    if bottom <= y < bottom + stroke and left <= x < right:
        return LETTER
    if top + stroke <= y < bottom:
        # the diagonal from the top right to the bottom left
        t = (y - (top + stroke)) / max(1, bottom - top - stroke)
        centre = right - stroke / 2 - t * (right - left - stroke)
        if abs(x + 0.5 - centre) <= stroke / 2:
            return LETTER
    return TILE


def image_bytes(size):
    header = struct.pack('<IiiHHIIiiII', 40, size, size * 2, 1, 32, 0, 0, 0, 0, 0, 0)
    xor = bytearray()
    mask_stride = ((size + 31) // 32) * 4
    mask = bytearray()
    for y in reversed(range(size)):
        row_mask = bytearray(mask_stride)
        for x in range(size):
            colour = pixel(x, y, size)
            if colour is None:
                xor += bytes((0, 0, 0, 0))
                row_mask[x // 8] |= 0x80 >> (x % 8)
            else:
                r, g, b = colour
                xor += bytes((b, g, r, 255))
        mask += row_mask
    return header + bytes(xor) + bytes(mask)


def write_icon(path, sizes):
    images = [image_bytes(s) for s in sizes]
    out = bytearray(struct.pack('<HHH', 0, 1, len(sizes)))
    offset = 6 + 16 * len(sizes)
    for size, data in zip(sizes, images):
        out += struct.pack('<BBBBHHII', size % 256, size % 256, 0, 0, 1, 32, len(data), offset)
        offset += len(data)
    for data in images:
        out += data
    with open(path, 'wb') as f:
        f.write(out)


if __name__ == '__main__':
    folder = sys.argv[1] if len(sys.argv) > 1 else 'resources'
    write_icon(f'{folder}/zor_vex.ico', [32, 16])
    write_icon(f'{folder}/zor_vex_small.ico', [16])
