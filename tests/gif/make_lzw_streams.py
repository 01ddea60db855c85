#!/usr/bin/env python3
"""Writes hand-built GIF files whose LZW data exercises decoder corners.

Each NAME.gif comes with NAME.idx, the colour indices the data encodes
(width x height bytes, rows top to bottom), so tests can check what a
decoder must produce even where giflib refuses the file.
"""
import struct
import sys
from pathlib import Path


def pattern(width, height, colors, seed):
    # A deterministic mix of runs and noise: runs grow long table chains,
    # noise fills the table quickly.
    out = bytearray()
    state = seed
    for y in range(height):
        for x in range(width):
            state = (state * 1103515245 + 12345) & 0x7FFFFFFF
            if (x // 7 + y // 5) % 3 == 0:
                out.append((x // 7) % colors)
            else:
                out.append((state >> 16) % colors)
    return bytes(out)


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
        self.acc = self.bits = 0
        return bytes(self.out)


def lzw(pixels, min_size, *, clear_when_full=True, extra_clears=0, end_code=True,
        stop_after=None):
    """GIF LZW; clear_when_full=False keeps coding 12-bit codes with a full
    table; extra_clears repeats the leading clear; stop_after ends the data
    (with an end code) after that many pixels."""
    clear = 1 << min_size
    end = clear + 1
    w = BitWriter()
    size = min_size + 1
    table = {}
    free = clear + 2

    def reset():
        nonlocal size, table, free
        size = min_size + 1
        table = {}
        free = clear + 2

    for _ in range(1 + extra_clears):
        w.put(clear, size)
    reset()
    if stop_after is not None:
        pixels = pixels[:stop_after]
    prefix = None
    for p in pixels:
        if prefix is None:
            prefix = (p,)
            continue
        cand = prefix + (p,)
        if cand in table or len(cand) == 1:
            prefix = cand
            continue
        w.put(code_of(prefix, table), size)
        if free < 4096:
            table[cand] = free
            free += 1
            # the decoder widens one code later than the encoder adds
            if free > (1 << size) and size < 12:
                size += 1
        elif clear_when_full:
            w.put(clear, size)
            reset()
        prefix = (p,)
    if prefix is not None:
        w.put(code_of(prefix, table), size)
    if not clear_when_full:
        assert free == 4096, "the pattern must fill the table"
    if end_code:
        if free < 4096 and prefix is not None:
            # the decoder's table grew with the last code: match its width
            if free + 1 > (1 << size) and size < 12:
                size += 1
        w.put(end, size)
    return w.flush()


def code_of(prefix, table):
    return prefix[0] if len(prefix) == 1 else table[prefix]


def sub_blocks(data, block_size, terminator=True):
    out = bytearray()
    for i in range(0, len(data), block_size):
        chunk = data[i:i + block_size]
        out.append(len(chunk))
        out += chunk
    if terminator:
        out.append(0)
    return bytes(out)


def gif(width, height, bits, body, *, trailer=True):
    colors = 1 << bits
    head = b"GIF89a" + struct.pack("<HHBBB", width, height, 0x80 | (bits - 1), 0, 0)
    table = bytearray()
    for i in range(colors):
        table += bytes(((i * 37) & 0xFF, (i * 91) & 0xFF, (i * 151) & 0xFF))
    desc = b"\x2c" + struct.pack("<HHHHB", 0, 0, width, height, 0) + bytes([bits])
    return head + bytes(table) + desc + body + (b"\x3b" if trailer else b"")


def write(outdir, name, width, height, bits, body, pixels, trailer=True):
    (outdir / f"{name}.gif").write_bytes(gif(width, height, bits, body, trailer=trailer))
    (outdir / f"{name}.idx").write_bytes(pixels)


def main():
    outdir = Path(sys.argv[1])
    outdir.mkdir(parents=True, exist_ok=True)

    # 1-byte sub-blocks: every 9- to 12-bit code spans two sub-blocks.
    w, h = 96, 80
    px = pattern(w, h, 256, 7)
    write(outdir, "lzw_1byte_subblocks", w, h, 8, sub_blocks(lzw(px, 8), 1), px)

    # A full table that keeps decoding 12-bit codes without a clear code.
    w, h = 128, 96
    px = pattern(w, h, 256, 11)
    write(outdir, "lzw_full_table_no_clear", w, h, 8,
          sub_blocks(lzw(px, 8, clear_when_full=False), 255), px)

    # Several clear codes in a row at the start.
    w, h = 40, 30
    px = pattern(w, h, 16, 3)
    write(outdir, "lzw_repeated_clears", w, h, 4, sub_blocks(lzw(px, 4, extra_clears=3), 255), px)

    # An end code before all pixels: the rest keeps the fill value 0.
    w, h = 40, 30
    px = pattern(w, h, 16, 5)
    short = px[:500] + bytes(len(px) - 500)
    write(outdir, "lzw_early_end", w, h, 4, sub_blocks(lzw(px, 4, stop_after=500), 255), short)

    # All pixels but no end code; the terminator follows.
    w, h = 40, 30
    px = pattern(w, h, 16, 9)
    write(outdir, "lzw_missing_end", w, h, 4, sub_blocks(lzw(px, 4, end_code=False), 255), px)

    # The data ends without its terminator (and without a trailer).
    w, h = 40, 30
    px = pattern(w, h, 16, 13)
    write(outdir, "lzw_missing_terminator", w, h, 4,
          sub_blocks(lzw(px, 4), 255, terminator=False), px, trailer=False)


if __name__ == "__main__":
    main()
