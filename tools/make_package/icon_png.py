#!/usr/bin/env python3
"""The product's icon as the package's logo: the largest image of an .ico
file (a palette bitmap with its AND mask, as make_icon writes them) as an
RGBA PNG, the masked pixels transparent.

usage: icon_png.py ICON.ico OUTPUT.png
"""
import struct
import sys
import zlib


def largest_image(icon):
    _, kind, count = struct.unpack_from("<HHH", icon, 0)
    if kind != 1 or count == 0:
        raise SystemExit("icon_png: not an icon file")
    entries = [struct.unpack_from("<BBBBHHII", icon, 6 + 16 * i) for i in range(count)]
    width, _, _, _, _, _, size, offset = max(entries, key=lambda e: e[0] or 256)
    return icon[offset:offset + size]


def pixels(image):
    header_size, width, double_height, _, bits = struct.unpack_from("<IiiHH", image, 0)
    height = double_height // 2
    if bits not in (1, 4, 8):
        raise SystemExit("icon_png: %d-bit images are not handled" % bits)
    colours = struct.unpack_from("<I", image, 32)[0] or (1 << bits)
    palette = [image[header_size + 4 * i:header_size + 4 * i + 3] for i in range(colours)]
    xor_stride = ((width * bits + 31) // 32) * 4
    and_stride = ((width + 31) // 32) * 4
    xor_start = header_size + 4 * colours
    and_start = xor_start + xor_stride * height
    rows = []
    for y in range(height):  # bottom-up in the file
        source = height - 1 - y
        row = bytearray()
        for x in range(width):
            bit = x * bits
            byte = image[xor_start + source * xor_stride + bit // 8]
            index = (byte >> (8 - bits - bit % 8)) & ((1 << bits) - 1)
            masked = image[and_start + source * and_stride + x // 8] >> (7 - x % 8) & 1
            blue, green, red = palette[index]
            row += bytes((red, green, blue, 0 if masked else 255))
        rows.append(bytes(row))
    return width, height, rows


def png(width, height, rows):
    def chunk(kind, data):
        return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data) & 0xFFFFFFFF)
    raw = b"".join(b"\0" + row for row in rows)
    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", width, height, 8, 6, 0, 0, 0)) +
            chunk(b"IDAT", zlib.compress(raw, 9)) + chunk(b"IEND", b""))


def main(argv):
    if len(argv) != 3:
        raise SystemExit(__doc__.split("\n\n")[1])
    with open(argv[1], "rb") as source:
        image = largest_image(source.read())
    with open(argv[2], "wb") as out:
        out.write(png(*pixels(image)))


if __name__ == "__main__":
    main(sys.argv)
