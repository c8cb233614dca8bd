#!/usr/bin/env python3
"""Draws the About box's animated lantern and writes it as a GIF (no libraries needed).

Usage: make-about-picture.py OUTPUT.gif
"""
import math
import struct
import sys

W, H, FRAMES = 64, 64, 8

PALETTE = [
    (255, 255, 255),  # 0 background (transparent)
    (40, 40, 48),     # 1 outline
    (90, 90, 104),    # 2 metal
    (150, 150, 166),  # 3 metal light
    (255, 248, 200),  # 4 glow 1
    (255, 236, 150),  # 5 glow 2
    (255, 214, 90),   # 6 flame outer
    (255, 170, 40),   # 7 flame mid
    (240, 110, 20),   # 8 flame core
    (255, 255, 235),  # 9 flame heart
    (200, 225, 240),  # 10 glass
    (120, 70, 30),    # 11 wick
    (0, 0, 0), (0, 0, 0), (0, 0, 0), (0, 0, 0),
]


def frame(n):
    px = [[0] * W for _ in range(H)]
    cx = W // 2
    phase = 2 * math.pi * n / FRAMES
    # glow behind the glass, breathing with the flame
    glow = 22 + 2.5 * math.sin(phase)
    for y in range(H):
        for x in range(W):
            d = math.hypot(x - cx, (y - 36) * 1.1)
            if d < glow * 0.72:
                px[y][x] = 5
            elif d < glow:
                px[y][x] = 4
    # glass body
    for y in range(22, 50):
        for x in range(cx - 12, cx + 13):
            edge = abs(x - cx) == 12
            px[y][x] = 1 if edge else (10 if px[y][x] == 0 else px[y][x])
    # flame: a teardrop that sways and stretches
    sway = 1.6 * math.sin(phase)
    height = 15 + 2 * math.sin(phase * 3 + 1)
    base = 45
    for y in range(H):
        for x in range(W):
            t = (base - y) / height  # 0 at the wick, 1 at the tip
            if 0 <= t <= 1:
                half = 6.5 * math.sin(math.pi * (t ** 0.75)) * (1 - 0.25 * t)
                off = x - (cx + sway * t * t)
                if abs(off) <= half:
                    r = abs(off) / max(half, 0.01)
                    if t < 0.45 and r < 0.35:
                        px[y][x] = 9
                    elif r < 0.55 and t < 0.75:
                        px[y][x] = 8 if t > 0.3 else 7
                    elif r < 0.8:
                        px[y][x] = 7
                    else:
                        px[y][x] = 6
    for y in range(45, 49):
        px[y][cx] = 11
    # base and cap of the frame
    for y, half, colour in [(50, 15, 1), (51, 15, 2), (52, 15, 3), (53, 15, 2), (54, 14, 1),
                            (21, 14, 1), (20, 14, 2), (19, 12, 3), (18, 10, 2), (17, 8, 1)]:
        for x in range(cx - half, cx + half + 1):
            px[y][x] = colour
    # handle ring
    for a in range(0, 180, 3):
        x = int(round(cx + 7 * math.cos(math.radians(a))))
        y = int(round(16 - 7 * math.sin(math.radians(a))))
        px[y][x] = 1
        px[y + 1][x] = 2
    # bars of the cage
    for x in (cx - 6, cx + 6):
        for y in range(22, 50):
            px[y][x] = 2
    return px


def lzw(pixels, min_size=4):
    clear, end = 1 << min_size, (1 << min_size) + 1
    table = {bytes([i]): i for i in range(clear)}
    size, nxt = min_size + 1, end + 1
    out, acc, bits = bytearray(), 0, 0

    def emit(code):
        nonlocal acc, bits
        acc |= code << bits
        bits += size
        while bits >= 8:
            out.append(acc & 0xFF)
            acc >>= 8
            bits -= 8

    emit(clear)
    cur = b""
    for p in pixels:
        nxt_s = cur + bytes([p])
        if nxt_s in table:
            cur = nxt_s
            continue
        emit(table[cur])
        if nxt < 4096:
            table[nxt_s] = nxt
            nxt += 1
            if nxt > (1 << size) and size < 12:
                size += 1
        else:
            emit(clear)
            table = {bytes([i]): i for i in range(clear)}
            size, nxt = min_size + 1, end + 1
        cur = bytes([p])
    emit(table[cur])
    emit(end)
    if bits:
        out.append(acc & 0xFF)
    return bytes(out)


def blocks(data):
    out = bytearray()
    for i in range(0, len(data), 255):
        chunk = data[i:i + 255]
        out.append(len(chunk))
        out += chunk
    out.append(0)
    return bytes(out)


def main(path):
    gif = bytearray(b"GIF89a")
    gif += struct.pack("<HHBBB", W, H, 0xF3, 0, 0)  # global table of 16 colours
    for r, g, b in PALETTE:
        gif += bytes([r, g, b])
    gif += b"\x21\xFF\x0BNETSCAPE2.0\x03\x01\x00\x00\x00"  # loop for ever
    for n in range(FRAMES):
        gif += b"\x21\xF9\x04" + struct.pack("<BHBB", 0x09, 12, 0, 0)  # 120 ms, transparent 0
        gif += b"\x2C" + struct.pack("<HHHHB", 0, 0, W, H, 0)
        gif.append(4)
        gif += blocks(lzw([p for row in frame(n) for p in row]))
    gif += b"\x3B"
    with open(path, "wb") as f:
        f.write(gif)


if __name__ == "__main__":
    main(sys.argv[1])
