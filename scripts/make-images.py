#!/usr/bin/env python3
"""Draws the program's indicator images and writes them under resources/.

Standard library only: shapes are signed distance fields, so every edge is
anti-aliased from the exact distance of the pixel centre. The output is the
same on every run; `--check` compares instead of writing (exit 1 on a change).
"""

import math
import os
import struct
import sys
import zlib

ROOT = os.path.normpath(os.path.join(os.path.dirname(os.path.abspath(__file__)), '..', 'resources'))


# ---------------------------------------------------------------- colours

def rgb(hex_text, alpha=1.0):
    v = int(hex_text.lstrip('#'), 16)
    return ((v >> 16) / 255.0, ((v >> 8) & 255) / 255.0, (v & 255) / 255.0, alpha)


def mix(a, b, t):
    return tuple(x + (y - x) * t for x, y in zip(a, b))


def clamp(v, lo=0.0, hi=1.0):
    return lo if v < lo else hi if v > hi else v


def ramp(stops, t):
    """Colour at t along a list of (position, colour) stops."""
    t = clamp(t)
    for (p0, c0), (p1, c1) in zip(stops, stops[1:]):
        if t <= p1:
            return mix(c0, c1, 0.0 if p1 == p0 else (t - p0) / (p1 - p0))
    return stops[-1][1]


def solid(colour):
    return lambda x, y: colour


def vertical(top, bottom, y0, y1):
    return lambda x, y: mix(top, bottom, clamp((y - y0) / (y1 - y0)))


def radial(stops, cx, cy, r):
    return lambda x, y: ramp(stops, math.hypot(x - cx, y - cy) / r)


# ----------------------------------------------------------------- shapes
# Each shape is a function (x, y) -> signed distance in pixels, negative inside.

def circle(cx, cy, r):
    return lambda x, y: math.hypot(x - cx, y - cy) - r


def ellipse(cx, cy, rx, ry):
    # Close enough to the true distance near the edge, which is all the coverage needs.
    return lambda x, y: (math.hypot((x - cx) / rx, (y - cy) / ry) - 1.0) * min(rx, ry)


def rounded_rect(x0, y0, x1, y1, radius):
    cx, cy = (x0 + x1) / 2.0, (y0 + y1) / 2.0
    hw, hh = (x1 - x0) / 2.0 - radius, (y1 - y0) / 2.0 - radius

    def sdf(x, y):
        qx, qy = abs(x - cx) - hw, abs(y - cy) - hh
        outside = math.hypot(max(qx, 0.0), max(qy, 0.0))
        return outside + min(max(qx, qy), 0.0) - radius
    return sdf


def segment_distance(px, py, ax, ay, bx, by):
    dx, dy = bx - ax, by - ay
    t = clamp(((px - ax) * dx + (py - ay) * dy) / (dx * dx + dy * dy))
    return math.hypot(px - ax - t * dx, py - ay - t * dy)


def polyline(points, width):
    """A stroke with round joins and caps."""
    pairs = list(zip(points, points[1:]))

    def sdf(x, y):
        return min(segment_distance(x, y, a[0], a[1], b[0], b[1]) for a, b in pairs) - width / 2.0
    return sdf


# ----------------------------------------------------------------- canvas

class Canvas:
    def __init__(self, width, height):
        self.width, self.height = width, height
        self.pixels = [[0.0, 0.0, 0.0, 0.0] for _ in range(width * height)]  # premultiplied

    def fill(self, shape, paint):
        for y in range(self.height):
            for x in range(self.width):
                px, py = x + 0.5, y + 0.5
                cover = clamp(0.5 - shape(px, py))
                if cover <= 0.0:
                    continue
                r, g, b, a = paint(px, py)
                a *= cover
                dst = self.pixels[y * self.width + x]
                keep = 1.0 - a
                dst[0] = r * a + dst[0] * keep
                dst[1] = g * a + dst[1] * keep
                dst[2] = b * a + dst[2] * keep
                dst[3] = a + dst[3] * keep

    def png(self):
        rows = []
        for y in range(self.height):
            row = bytearray([0])  # filter type: none
            for x in range(self.width):
                r, g, b, a = self.pixels[y * self.width + x]
                if a > 0.0:
                    r, g, b = r / a, g / a, b / a
                row += bytes(int(clamp(v) * 255.0 + 0.5) for v in (r, g, b, a))
            rows.append(bytes(row))

        def chunk(tag, data):
            return (struct.pack('>I', len(data)) + tag + data
                    + struct.pack('>I', zlib.crc32(tag + data) & 0xFFFFFFFF))

        header = struct.pack('>IIBBBBB', self.width, self.height, 8, 6, 0, 0, 0)
        return (b'\x89PNG\r\n\x1a\n' + chunk(b'IHDR', header)
                + chunk(b'IDAT', zlib.compress(b''.join(rows), 9)) + chunk(b'IEND', b''))


# ------------------------------------------------------------------- LEDs

def led(lit):
    c = Canvas(28, 28)
    cx = cy = 14.0
    dist = lambda x, y: math.hypot(x - cx, y - cy)
    # Halo: a green glow when lit, a soft drop shadow when not.
    if lit:
        glow = rgb('#3CDC3C')
        c.fill(circle(cx, cy, 13.8), lambda x, y: glow[:3] + (0.5 * clamp((13.8 - dist(x, y)) / 2.6),))
    else:
        c.fill(circle(cx, cy + 0.6, 13.2), lambda x, y: (0.0, 0.0, 0.0, 0.22 * clamp((13.2 - dist(x, y)) / 2.0)))
    # Metal bezel, lit from above, and its recessed inner edge.
    c.fill(circle(cx, cy, 11.8), vertical(rgb('#A9B2BA'), rgb('#3A4147'), 2.2, 25.8))
    c.fill(circle(cx, cy, 10.6), vertical(rgb('#262B30'), rgb('#BCC3C9'), 3.4, 24.6))
    # Lens body, brightest a little above and left of the centre.
    if lit:
        stops = [(0.0, rgb('#EDFFE0')), (0.3, rgb('#86F560')), (0.72, rgb('#2BC12E')), (1.0, rgb('#12801C'))]
    else:
        stops = [(0.0, rgb('#8E949A')), (0.35, rgb('#62686E')), (0.75, rgb('#3E4348')), (1.0, rgb('#2A2E32'))]
    c.fill(circle(cx, cy, 9.6), radial(stops, 12.8, 12.2, 11.2))
    # Specular highlight at the top and a faint reflection at the bottom.
    strength = 0.85 if lit else 0.45
    c.fill(ellipse(cx, 9.4, 6.2, 4.0),
           lambda x, y: (1.0, 1.0, 1.0, strength * clamp((13.4 - y) / 8.0) ** 1.4))
    bottom = rgb('#C8FFB4', 0.35) if lit else rgb('#FFFFFF', 0.10)
    c.fill(ellipse(cx, 20.2, 4.4, 1.8), solid(bottom))
    return c


# -------------------------------------------------------------- indicators

TEXT_DARK = rgb('#4A5A68')
BORDER = rgb('#8B9BA8')
ACCENT = rgb('#00BFFF')
ACCENT_DARK = rgb('#0A8CC8')
DISABLED_BORDER = rgb('#C8D0D7')
DISABLED_FILL = rgb('#F0F3F5')
DISABLED_MARK = rgb('#B3BDC6')
WHITE = rgb('#FFFFFF')


def radio(state):
    c = Canvas(15, 15)
    cx = cy = 7.5
    if state == 'unchecked':
        border, fill = BORDER, vertical(WHITE, rgb('#EDF1F4'), 1.0, 14.0)
    elif state == 'unchecked_hover':
        border, fill = ACCENT, vertical(rgb('#F2FBFF'), rgb('#DDF5FD'), 1.0, 14.0)
    elif state == 'checked':
        border, fill = ACCENT_DARK, vertical(WHITE, rgb('#F2FAFE'), 1.0, 14.0)
    else:  # the two disabled states
        border, fill = DISABLED_BORDER, solid(DISABLED_FILL)
    c.fill(circle(cx, cy, 7.0), solid(border))
    c.fill(circle(cx, cy, 5.9), fill)
    if state == 'checked':
        c.fill(circle(cx, cy, 3.4), vertical(rgb('#2FC8F6'), ACCENT_DARK, 4.1, 10.9))
    elif state == 'checked_disable':
        c.fill(circle(cx, cy, 3.4), solid(DISABLED_MARK))
    return c


TICK = [(3.1, 6.6), (5.4, 8.9), (9.9, 4.0)]
DASH = [(3.6, 6.5), (9.4, 6.5)]


def check(state):
    c = Canvas(13, 13)
    outer = rounded_rect(0.5, 0.5, 12.5, 12.5, 2.5)
    inner = rounded_rect(1.5, 1.5, 11.5, 11.5, 1.6)
    marked = state.startswith('checked') or state.startswith('indeterminate')
    mark = TICK if state.startswith('checked') else DASH
    if state.endswith('disable'):
        c.fill(outer, solid(DISABLED_MARK if marked else DISABLED_BORDER))
        c.fill(inner, solid(DISABLED_BORDER if marked else DISABLED_FILL))
        if marked:
            c.fill(polyline(mark, 1.9), solid(rgb('#F7F9FA')))
    elif marked:
        c.fill(outer, solid(ACCENT_DARK))
        c.fill(inner, vertical(rgb('#26C2F3'), rgb('#0A96D2'), 1.5, 11.5))
        c.fill(polyline(mark, 1.9), solid(WHITE))
    elif state == 'unchecked_hover':
        c.fill(outer, solid(ACCENT))
        c.fill(inner, vertical(rgb('#F2FBFF'), rgb('#DDF5FD'), 1.5, 11.5))
    else:
        c.fill(outer, solid(BORDER))
        c.fill(inner, vertical(WHITE, rgb('#EDF1F4'), 1.5, 11.5))
    return c


# ------------------------------------------------------------------ arrows

CHEVRONS = {
    'down': [(2.2, 3.6), (5.0, 6.4), (7.8, 3.6)],
    'up': [(2.2, 6.4), (5.0, 3.6), (7.8, 6.4)],
    'left': [(6.4, 2.2), (3.6, 5.0), (6.4, 7.8)],
    'right': [(3.6, 2.2), (6.4, 5.0), (3.6, 7.8)],
}


def arrow(direction, enabled=True):
    c = Canvas(10, 10)
    c.fill(polyline(CHEVRONS[direction], 1.6), solid(TEXT_DARK if enabled else DISABLED_MARK))
    return c


# ------------------------------------------------------------------- main

def images():
    out = {
        'image/led_on.png': led(True),
        'image/led_off.png': led(False),
    }
    for state in ('unchecked', 'unchecked_hover', 'unchecked_disable', 'checked', 'checked_disable'):
        out['qss/psblack/radiobutton_%s.png' % state] = radio(state)
    for state in ('unchecked', 'unchecked_hover', 'unchecked_disable', 'checked', 'checked_disable',
                  'indeterminate', 'indeterminate_disable'):
        out['qss/psblack/checkbox_%s.png' % state] = check(state)
    for direction in CHEVRONS:
        out['qss/psblack/arrow_%s.png' % direction] = arrow(direction)
    for direction in ('down', 'up'):
        out['qss/psblack/arrow_%s_disable.png' % direction] = arrow(direction, enabled=False)
    return out


def main(argv):
    check_only = '--check' in argv[1:]
    stale = []
    for name, canvas in sorted(images().items()):
        path = os.path.join(ROOT, name)
        data = canvas.png()
        try:
            with open(path, 'rb') as f:
                same = f.read() == data
        except OSError:
            same = False
        if same:
            continue
        stale.append(name)
        if not check_only:
            os.makedirs(os.path.dirname(path), exist_ok=True)
            with open(path, 'wb') as f:
                f.write(data)
    for name in stale:
        print(('out of date: ' if check_only else 'wrote ') + name)
    return 1 if check_only and stale else 0


if __name__ == '__main__':
    sys.exit(main(sys.argv))
