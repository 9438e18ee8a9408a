#!/usr/bin/env python3
"""Does a screenshot show the show's picture? Compares it with the capture tool's frames.

Usage: match_capture.py SHOT.rgb CAPTURE_DIR
SHOT.rgb is the picture area of a screenshot scaled to 320x200, raw 8-bit RGB (ImageMagick
`rgb:` output). CAPTURE_DIR holds frame-NNNNNN.png from k417-capture (stored-deflate PNGs).
Both are reduced to 80x50 by 4x4 averages; the best-matching frame's RMSE (0..1) must be small
and well below the screenshot's distance from a black frame. Exit code 0 when it matches.
"""
import glob
import math
import struct
import sys
import zlib


def reduce(rgb, width, height, factor=4):
    """Box-averages an RGB byte string by factor in both directions."""
    w, h = width // factor, height // factor
    out = [0.0] * (w * h * 3)
    for y in range(height):
        row = rgb[y * width * 3:(y + 1) * width * 3]
        oy = (y // factor) * w * 3
        for x in range(width):
            o = oy + (x // factor) * 3
            i = x * 3
            out[o] += row[i]
            out[o + 1] += row[i + 1]
            out[o + 2] += row[i + 2]
    n = factor * factor * 255.0
    return [v / n for v in out]


def read_capture_png(path):
    """Reads an 8-bit RGB PNG without filters (what k417-capture writes) as (width, height, rgb)."""
    data = open(path, 'rb').read()
    pos, width, height, idat = 8, 0, 0, b''
    while pos < len(data):
        length, kind = struct.unpack('>I4s', data[pos:pos + 8])
        body = data[pos + 8:pos + 8 + length]
        if kind == b'IHDR':
            width, height = struct.unpack('>II', body[:8])
        elif kind == b'IDAT':
            idat += body
        pos += 12 + length
    raw = zlib.decompress(idat)
    stride = 1 + width * 3
    rgb = b''.join(raw[r * stride + 1:(r + 1) * stride] for r in range(height))
    return width, height, rgb


def rmse(a, b):
    return math.sqrt(sum((x - y) ** 2 for x, y in zip(a, b)) / len(a))


def main():
    shot = reduce(open(sys.argv[1], 'rb').read(), 320, 200)
    black = rmse(shot, [0.0] * len(shot))
    best, best_name = 1.0, None
    for path in sorted(glob.glob(sys.argv[2] + '/frame-*.png')):
        w, h, rgb = read_capture_png(path)
        distance = rmse(shot, reduce(rgb, w, h))
        if distance < best:
            best, best_name = distance, path
    ok = best < 0.075 and best < 0.5 * black
    print('best match %s: RMSE %.3f (black frame: %.3f) -> %s' % (best_name, best, black, 'match' if ok else 'NO MATCH'))
    return 0 if ok else 1


if __name__ == '__main__':
    sys.exit(main())
