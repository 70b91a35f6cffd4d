#!/usr/bin/env python3
"""Draws the Solvane application icon: a violet rounded square with a sun and a UV wave.

Writes packaging/icons/solvane-{48,128,256}.png. Standard library only, so it
runs anywhere the sources do; the PNGs are committed and this is run again
only when the drawing changes.
"""
import math
import os
import struct
import sys
import zlib

SIZES = (48, 128, 256)


def png_bytes(width, height, rgba_rows):
    def chunk(tag, data):
        body = tag + data
        return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body) & 0xFFFFFFFF)

    raw = b"".join(b"\x00" + bytes(row) for row in rgba_rows)
    ihdr = struct.pack(">IIBBBBB", width, height, 8, 6, 0, 0, 0)  # 8-bit RGBA
    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", ihdr)
            + chunk(b"IDAT", zlib.compress(raw, 9)) + chunk(b"IEND", b""))


# Signed distances in unit coordinates (0..1 across the icon); negative inside.
def sd_round_rect(x, y, cx, cy, half, radius):
    qx = abs(x - cx) - half + radius
    qy = abs(y - cy) - half + radius
    outside = math.hypot(max(qx, 0.0), max(qy, 0.0))
    return outside + min(max(qx, qy), 0.0) - radius


def sd_circle(x, y, cx, cy, r):
    return math.hypot(x - cx, y - cy) - r


def sd_capsule(x, y, ax, ay, bx, by, r):
    px, py = x - ax, y - ay
    dx, dy = bx - ax, by - ay
    t = max(0.0, min(1.0, (px * dx + py * dy) / (dx * dx + dy * dy)))
    return math.hypot(px - dx * t, py - dy * t) - r


def sd_wave(x, y, x0, x1, base, amp, periods, r):
    """Distance to a sine stroke between x0 and x1, first-order corrected by the slope."""
    k = 2 * math.pi * periods / (x1 - x0)
    xc = min(max(x, x0), x1)
    # Cosine: flat at both ends, so the round caps join the stroke cleanly.
    fy = base - amp * math.cos(k * (xc - x0))
    slope = amp * k * math.sin(k * (xc - x0))
    d = abs(y - fy) / math.sqrt(1 + slope * slope)
    if xc != x:  # past an end: round cap
        d = math.hypot(x - xc, y - fy)
    return d - r


def mix(a, b, t):
    return tuple(a[i] + (b[i] - a[i]) * t for i in range(len(a)))


SUN_C = (0.50, 0.42)
SUN_R = 0.145
RAYS = 12


def shapes(x, y):
    """Yields (signed distance, rgb) layers bottom to top for one point."""
    bg_top, bg_bottom = (0.22, 0.12, 0.50), (0.46, 0.22, 0.72)
    yield sd_round_rect(x, y, 0.5, 0.5, 0.46, 0.10), mix(bg_top, bg_bottom, y)

    # Soft glow behind the sun, so it reads as light at small sizes.
    glow = max(0.0, 1.0 - math.hypot(x - SUN_C[0], y - SUN_C[1]) / 0.33)
    if glow > 0:
        yield ("glow", glow * 0.35), (1.0, 0.85, 0.45)

    best = 1e9
    for i in range(RAYS):
        a = 2 * math.pi * i / RAYS
        ca, sa = math.cos(a), math.sin(a)
        best = min(best, sd_capsule(x, y,
                                    SUN_C[0] + ca * 0.205, SUN_C[1] + sa * 0.205,
                                    SUN_C[0] + ca * 0.275, SUN_C[1] + sa * 0.275, 0.018))
    yield best, (1.0, 0.78, 0.25)
    yield sd_circle(x, y, SUN_C[0], SUN_C[1], SUN_R), mix((1.0, 0.93, 0.45), (1.0, 0.66, 0.15), (y - 0.28) / 0.29)

    yield sd_wave(x, y, 0.17, 0.83, 0.765, 0.04, 1.5, 0.026), (0.86, 0.78, 1.0)


def render(n):
    rows = []
    for py in range(n):
        row = bytearray()
        for px in range(n):
            x, y = (px + 0.5) / n, (py + 0.5) / n
            r = g = b = a = 0.0  # premultiplied
            clip = None
            for dist, rgb in shapes(x, y):
                if isinstance(dist, tuple):
                    cov = dist[1] * clip
                else:
                    # Coverage from the distance in pixels gives a one-pixel anti-aliased edge.
                    cov = max(0.0, min(1.0, 0.5 - dist * n))
                    if clip is None:
                        clip = cov
                    else:
                        cov *= clip  # everything stays inside the rounded square
                r = rgb[0] * cov + r * (1 - cov)
                g = rgb[1] * cov + g * (1 - cov)
                b = rgb[2] * cov + b * (1 - cov)
                a = cov + a * (1 - cov)
            if a > 0:
                row += bytes((round(min(1.0, r / a) * 255), round(min(1.0, g / a) * 255),
                              round(min(1.0, b / a) * 255), round(a * 255)))
            else:
                row += b"\x00\x00\x00\x00"
        rows.append(row)
    return rows


def main():
    root = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
    out_dir = sys.argv[1] if len(sys.argv) > 1 else os.path.join(root, "packaging", "icons")
    os.makedirs(out_dir, exist_ok=True)
    for n in SIZES:
        path = os.path.join(out_dir, "solvane-%d.png" % n)
        with open(path, "wb") as f:
            f.write(png_bytes(n, n, render(n)))
        print(path)


if __name__ == "__main__":
    main()
