#!/usr/bin/env python3
"""Converts the window capture Kestrel.bmp (24-bit, uncompressed) to a PNG.

    python3 scripts/bmp2png.py Kestrel.bmp docs/window.png

Uses only the standard library (struct and zlib), so it runs wherever
Python 3 does.
"""
import struct
import sys
import zlib


def read_bmp(path):
    with open(path, "rb") as f:
        data = f.read()
    if data[:2] != b"BM":
        raise ValueError(f"{path} is not a BMP file")
    offset = struct.unpack_from("<I", data, 10)[0]
    width, height, planes, bits, compression = struct.unpack_from("<iiHHI", data, 18)
    if bits != 24 or compression != 0:
        raise ValueError(f"{path}: only uncompressed 24-bit bitmaps are read")
    bottom_up = height > 0
    height = abs(height)
    stride = (3 * width + 3) // 4 * 4
    if len(data) < offset + stride * height:
        raise ValueError(f"{path} is cut short")
    rows = []
    for y in range(height):
        stored = height - 1 - y if bottom_up else y
        start = offset + stored * stride
        bgr = data[start : start + 3 * width]
        rgb = bytearray(3 * width)
        rgb[0::3] = bgr[2::3]
        rgb[1::3] = bgr[1::3]
        rgb[2::3] = bgr[0::3]
        rows.append(bytes(rgb))
    return width, height, rows


def chunk(kind, body):
    return (
        struct.pack(">I", len(body))
        + kind
        + body
        + struct.pack(">I", zlib.crc32(kind + body) & 0xFFFFFFFF)
    )


def write_png(path, width, height, rows):
    raw = b"".join(b"\x00" + row for row in rows)  # filter type 0 on every row
    header = struct.pack(">IIBBBBB", width, height, 8, 2, 0, 0, 0)  # 8-bit RGB
    with open(path, "wb") as f:
        f.write(b"\x89PNG\r\n\x1a\n")
        f.write(chunk(b"IHDR", header))
        f.write(chunk(b"IDAT", zlib.compress(raw, 9)))
        f.write(chunk(b"IEND", b""))


def main(argv):
    if len(argv) != 3:
        sys.stderr.write("usage: bmp2png.py INPUT.bmp OUTPUT.png\n")
        return 64
    width, height, rows = read_bmp(argv[1])
    write_png(argv[2], width, height, rows)
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
