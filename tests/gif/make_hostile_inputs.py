#!/usr/bin/env python3
"""Writes small hostile GIF files (each well under 1 KB) that ask the codec
for a lot of work: huge logical screens and frame offsets, frames of the
largest size the pixel limit allows, many tiny or empty frames on a huge
screen, long delays and loop counts.

    make_hostile_inputs.py [OUTDIR]     (default: tests/fixtures/gif/hostile)

The files are committed; tests and the small-input benchmark read them.
"""
import struct
import sys
from pathlib import Path


class BitWriter:
    def __init__(self):
        self.acc = 0
        self.bits = 0
        self.out = bytearray()

    def put(self, code, size):
        self.acc |= code << self.bits
        self.bits += size
        while self.bits >= 8:
            self.out.append(self.acc & 0xFF)
            self.acc >>= 8
            self.bits -= 8

    def flush(self):
        if self.bits:
            self.out.append(self.acc & 0xFF)
        return bytes(self.out)


def sub_blocks(data):
    out = bytearray()
    for i in range(0, len(data), 255):
        chunk = data[i:i + 255]
        out.append(len(chunk))
        out += chunk
    out.append(0)
    return bytes(out)


def lzw_pixels(pixels, min_size=2):
    """Each pixel as a literal code (no table use), then the end code."""
    clear = 1 << min_size
    w = BitWriter()
    size = min_size + 1
    w.put(clear, size)
    free = clear + 2
    for i, p in enumerate(pixels):
        w.put(p, size)
        if i > 0 and free < 4096:
            free += 1
            if free >= (1 << size) and size < 12:
                size += 1
    w.put(clear + 1, size)
    return bytes([min_size]) + sub_blocks(w.flush())


def lzw_run(codes, min_size=2):
    """A run of pixel 1 as long as `codes` codes can make: every code is the
    newest table entry (the previous string plus one more pixel), so the
    pixels grow with the square of the data."""
    clear = 1 << min_size
    w = BitWriter()
    size = min_size + 1
    w.put(clear, size)
    w.put(1, size)
    free = clear + 2
    for _ in range(codes):
        if free >= 4096:
            break
        w.put(free, size)
        free += 1
        if free >= (1 << size) and size < 12:
            size += 1
    w.put(clear + 1, size)
    return bytes([min_size]) + sub_blocks(w.flush())


def header(width, height, colors=4, background=0):
    bits = max(1, (colors - 1).bit_length())
    out = b"GIF89a" + struct.pack("<HHBBB", width, height, 0x80 | (bits - 1), background, 0)
    for i in range(1 << bits):
        out += bytes(((i * 85) & 0xFF, (i * 170) & 0xFF, (255 - i * 85) & 0xFF))
    return out


def gce(disposal=1, delay=0, transparent=None):
    packed = (disposal << 2) | (1 if transparent is not None else 0)
    return b"\x21\xf9\x04" + struct.pack("<BHB", packed, delay, transparent or 0) + b"\x00"


def loop(count):
    return b"\x21\xff\x0bNETSCAPE2.0\x03\x01" + struct.pack("<H", count) + b"\x00"


def frame(left, top, width, height, data, packed=0):
    return b"\x2c" + struct.pack("<HHHHB", left, top, width, height, packed) + data


MIN_DATA = lzw_pixels([1])


def files():
    yield "canvas_offset_4g", (
        # A 1x1 frame far out on a 0 x 0 screen: the whole-image canvas
        # would be 65536 x 65536.
        header(0, 0) + frame(65535, 65535, 1, 1, MIN_DATA) + b"\x3b")
    yield "canvas_zero_height", (
        # The screen's width is kept, its height comes from the frame.
        header(65535, 0) + frame(0, 65534, 1, 1, MIN_DATA) + b"\x3b")
    yield "canvas_wide_frame", (
        # The frame itself fits the pixel limit; at its offset the canvas does not.
        header(0, 0) + frame(4000, 0, 65535, 1000, MIN_DATA) + b"\x3b")
    yield "canvas_corner_pixel", (
        # The largest screen the limit allows, one pixel in its far corner.
        header(8000, 8000) + frame(7999, 7999, 1, 1, MIN_DATA) + b"\x3b")
    yield "frame_huge_tiled", (
        # A frame of 64 million pixels on a 1 x 1 screen: tiling steps by
        # one pixel across the whole target.
        header(1, 1) + frame(0, 0, 8000, 8000, lzw_run(600)) + b"\x3b")
    yield "frame_huge_transparent", (
        header(1, 1) + gce(transparent=0) + frame(0, 0, 8000, 8000, lzw_run(600)) + b"\x3b")
    yield "frame_tall_interlaced", (
        header(1, 1) + gce(transparent=3)
        + frame(0, 0, 1000, 65535, lzw_run(600), packed=0x40) + b"\x3b")
    body = loop(0)
    for i in range(38):
        body += gce(disposal=1 + i % 3, delay=1, transparent=(i % 2) or None)
        body += frame((i * 211) % 8000, (i * 157) % 8000, 1, 1, MIN_DATA)
    yield "screen_huge_tiny_frames", header(8000, 8000) + body + b"\x3b"
    body = frame(0, 0, 1, 1, MIN_DATA)
    for _ in range(100):
        # graphic control blocks without images, each ended by a zero byte
        body += gce(disposal=2, delay=0) + b"\x00"
    yield "screen_huge_empty_frames", header(8000, 8000) + body + b"\x3b"
    body = loop(65535)
    for _ in range(16):
        body += gce(disposal=2, delay=65535) + frame(0, 0, 2000, 2000, MIN_DATA)
    yield "long_delays_big_frames", header(2000, 2000) + body + b"\x3b"
    body = b""
    for i in range(16):
        body += gce(disposal=3, delay=0) + frame(0, 0, 8000, 500, MIN_DATA)
    yield "frames_sum_at_limit", header(8000, 8000) + body + b"\x3b"


def main():
    here = Path(__file__).resolve().parent
    outdir = Path(sys.argv[1]) if len(sys.argv) > 1 else here / ".." / "fixtures" / "gif" / "hostile"
    outdir.mkdir(parents=True, exist_ok=True)
    for name, data in files():
        assert len(data) < 1024, (name, len(data))
        (outdir / f"{name}.gif").write_bytes(data)


if __name__ == "__main__":
    main()
