"""Real PNG pictures for the desktop tests: a colour gradient of any size.

    python3 png.py PATH WIDTH HEIGHT
"""
import struct
import sys
import zlib


def write_png(path, width, height):
    def chunk(kind, data):
        return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data))

    rows = b"".join(
        b"\0" + bytes(v for x in range(width) for v in (x * 255 // width, y * 255 // height, 128))
        for y in range(height))
    header = struct.pack(">IIBBBBB", width, height, 8, 2, 0, 0, 0)
    with open(path, "wb") as f:
        f.write(b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header) + chunk(b"IDAT", zlib.compress(rows)) +
                chunk(b"IEND", b""))


if __name__ == "__main__":
    write_png(sys.argv[1], int(sys.argv[2]), int(sys.argv[3]))
