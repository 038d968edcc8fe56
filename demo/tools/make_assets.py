#!/usr/bin/env python3
"""Builds every file of the demo scenario "星灯りの灯台" (The Star-lit Lighthouse).

Python 3 standard library only. Run from anywhere:

    python3 demo/tools/make_assets.py          # everything (about a minute)
    python3 demo/tools/make_assets.py scenes   # only the scene files

It writes, into demo/:
  * the scene files Opning.dat, Tower.dat, Yoru.dat (CP932, CR LF) from the
    UTF-8 sources demo/tools/*.txt, after checking labels and jumps;
  * the pictures (Windows BMP, 8-bit palette for the big ones, 24-bit for
    the small ones), drawn procedurally;
  * the music umi.mid (a short waltz, format 0) and the sounds chime.wav and
    door.wav.

The output is deterministic: the same script always writes the same bytes.
"""

import math
import os
import random
import re
import struct
import sys
import unicodedata
import wave

HERE = os.path.dirname(os.path.abspath(__file__))
DEMO = os.path.dirname(HERE)

W, H = 486, 295  # size of every background and of the full-screen TK pictures


# ---------------------------------------------------------------------------
# Drawing
# ---------------------------------------------------------------------------

def clamp(v, lo=0.0, hi=1.0):
    return lo if v < lo else hi if v > hi else v


def mix(c1, c2, t):
    return (c1[0] + (c2[0] - c1[0]) * t,
            c1[1] + (c2[1] - c1[1]) * t,
            c1[2] + (c2[2] - c1[2]) * t)


def ramp(stops, t):
    """Colour at t (0..1) along a list of (position, colour) stops."""
    if t <= stops[0][0]:
        return stops[0][1]
    for (p0, c0), (p1, c1) in zip(stops, stops[1:]):
        if t <= p1:
            return mix(c0, c1, (t - p0) / (p1 - p0) if p1 > p0 else 0.0)
    return stops[-1][1]


def smooth(e0, e1, x):
    t = clamp((x - e0) / (e1 - e0))
    return t * t * (3 - 2 * t)


class Canvas:
    """RGB picture in floats, plus the coverage of everything painted (for masks)."""

    def __init__(self, w, h, bg=(0, 0, 0)):
        self.w, self.h = w, h
        n = w * h
        self.r = [float(bg[0])] * n
        self.g = [float(bg[1])] * n
        self.b = [float(bg[2])] * n
        self.cover = [0.0] * n

    def _box(self, box):
        x0, y0, x1, y1 = box
        return (max(0, int(math.floor(x0))), max(0, int(math.floor(y0))),
                min(self.w, int(math.ceil(x1)) + 1), min(self.h, int(math.ceil(y1)) + 1))

    def each(self, box=None):
        x0, y0, x1, y1 = self._box(box) if box else (0, 0, self.w, self.h)
        for y in range(y0, y1):
            for x in range(x0, x1):
                yield x, y, y * self.w + x

    def put(self, i, c, a=1.0):
        if a <= 0.0:
            return
        if a >= 1.0:
            self.r[i], self.g[i], self.b[i] = c
        else:
            self.r[i] += (c[0] - self.r[i]) * a
            self.g[i] += (c[1] - self.g[i]) * a
            self.b[i] += (c[2] - self.b[i]) * a
        if a > self.cover[i]:
            self.cover[i] = a

    def add(self, i, c, a):
        self.r[i] = min(255.0, self.r[i] + c[0] * a)
        self.g[i] = min(255.0, self.g[i] + c[1] * a)
        self.b[i] = min(255.0, self.b[i] + c[2] * a)

    def get(self, x, y):
        i = y * self.w + x
        return (self.r[i], self.g[i], self.b[i])

    def shape(self, sdf, colour, box, alpha=1.0, soft=1.0):
        """Paints the inside of a signed-distance shape with a soft 1-pixel edge.
        colour is an RGB tuple or a function (x, y) -> RGB."""
        fn = colour if callable(colour) else None
        for x, y, i in self.each(box):
            d = sdf(x + 0.5, y + 0.5)
            a = clamp(0.5 - d / soft) * alpha
            if a > 0.0:
                self.put(i, fn(x, y) if fn else colour, a)

    def glow(self, cx, cy, radius, colour, strength=1.0):
        for x, y, i in self.each((cx - radius, cy - radius, cx + radius, cy + radius)):
            d = math.hypot(x + 0.5 - cx, y + 0.5 - cy) / radius
            if d < 1.0:
                self.add(i, colour, strength * (1 - d) ** 2)

    def vgradient(self, stops, box=None, y0=0, y1=None):
        y1 = self.h if y1 is None else y1
        for x, y, i in self.each(box):
            self.put(i, ramp(stops, (y - y0) / float(y1 - y0)))

    def crop(self, x0, y0, w, h):
        c = Canvas(w, h)
        for y in range(h):
            for x in range(w):
                j = (y0 + y) * self.w + x0 + x
                k = y * w + x
                c.r[k], c.g[k], c.b[k] = self.r[j], self.g[j], self.b[j]
        return c


# Signed-distance shapes: negative inside.

def circle(cx, cy, r):
    return lambda x, y: math.hypot(x - cx, y - cy) - r


def ellipse(cx, cy, rx, ry):
    m = min(rx, ry)
    return lambda x, y: (math.hypot((x - cx) / rx, (y - cy) / ry) - 1.0) * m


def rect(x0, y0, x1, y1):
    return lambda x, y: max(x0 - x, x - x1, y0 - y, y - y1)


def capsule(ax, ay, bx, by, r):
    dx, dy = bx - ax, by - ay
    ll = dx * dx + dy * dy or 1.0

    def f(x, y):
        t = clamp(((x - ax) * dx + (y - ay) * dy) / ll)
        return math.hypot(x - ax - dx * t, y - ay - dy * t) - r
    return f


def polygon(pts):
    """Convex polygon, points in either order around it."""
    area = sum(x0 * y1 - x1 * y0 for (x0, y0), (x1, y1) in zip(pts, pts[1:] + pts[:1]))
    sign = 1.0 if area > 0 else -1.0
    edges = []
    for (x0, y0), (x1, y1) in zip(pts, pts[1:] + pts[:1]):
        nx, ny = y1 - y0, -(x1 - x0)  # outward normal when the area is positive
        ln = math.hypot(nx, ny) or 1.0
        edges.append((x0, y0, sign * nx / ln, sign * ny / ln))

    def f(x, y):
        return max((x - ex) * nx + (y - ey) * ny for ex, ey, nx, ny in edges)
    return f


def inter(a, b):
    return lambda x, y: max(a(x, y), b(x, y))


def union(a, b):
    return lambda x, y: min(a(x, y), b(x, y))


def minus(a, b):
    return lambda x, y: max(a(x, y), -b(x, y))


def noise(x, y, seed=0):
    """Cheap repeatable per-pixel noise in -1..1."""
    n = (x * 374761393 + y * 668265263 + seed * 2147483647) & 0xFFFFFFFF
    n = ((n ^ (n >> 13)) * 1274126177) & 0xFFFFFFFF
    return ((n ^ (n >> 16)) & 0xFFFF) / 32767.5 - 1.0


def stars(cv, count, y_max, seed, bright=1.0):
    rnd = random.Random(seed)
    for _ in range(count):
        x, y = rnd.uniform(2, cv.w - 2), rnd.uniform(2, y_max)
        s = rnd.uniform(0.3, 1.0) * bright
        cv.glow(x, y, 2.2 if s > 0.8 else 1.6, (255, 250, 225), s)


# ---------------------------------------------------------------------------
# The pictures
# ---------------------------------------------------------------------------

HORIZON = 170
LH_X = 425  # lighthouse centre


def draw_lighthouse(cv, lit):
    base, top = 150, 45
    body = polygon([(LH_X - 13, top), (LH_X + 13, top), (LH_X + 20, base), (LH_X - 20, base)])

    def stripes(x, y):
        band = int((y - top) / 21) % 2
        c = (236, 230, 222) if band == 0 else (196, 52, 48)
        shade = 0.72 + 0.28 * clamp(1 - (x - (LH_X - 20)) / 40.0)  # light from the left
        return (c[0] * shade, c[1] * shade, c[2] * shade)
    cv.shape(body, stripes, (LH_X - 21, top, LH_X + 21, base))
    cv.shape(rect(LH_X - 19, top - 3, LH_X + 19, top + 1), (60, 52, 58), (LH_X - 20, top - 4, LH_X + 20, top + 2))
    glass = (255, 226, 130) if lit else (52, 62, 84)
    cv.shape(rect(LH_X - 11, 29, LH_X + 11, top - 3), glass, (LH_X - 12, 28, LH_X + 12, top - 2))
    for bx in (LH_X - 5, LH_X + 5):
        cv.shape(rect(bx - 0.6, 29, bx + 0.6, top - 3), (40, 36, 44), (bx - 2, 28, bx + 2, top))
    cv.shape(polygon([(LH_X, 16), (LH_X + 15, 30), (LH_X - 15, 30)]), (70, 40, 44), (LH_X - 16, 15, LH_X + 16, 31))
    cv.shape(circle(LH_X, 15, 2.5), (70, 40, 44), (LH_X - 4, 11, LH_X + 4, 19))
    cv.shape(rect(LH_X - 5, 132, LH_X + 5, base), (70, 48, 40), (LH_X - 6, 131, LH_X + 6, base))
    cv.shape(circle(LH_X + 3, 142, 1.2), (220, 190, 90), (LH_X, 139, LH_X + 6, 145))
    if lit:
        cv.glow(LH_X, 37, 40, (255, 220, 120), 0.9)
        cv.glow(LH_X, 37, 14, (255, 255, 230), 0.8)


def draw_cliff(cv, night):
    rock = polygon([(350, 240), (372, 165), (398, 146), (470, 140), (486, 150), (486, 260)])
    dark = (38, 34, 52) if night else (74, 56, 70)
    light = (64, 58, 84) if night else (126, 92, 96)

    def tex(x, y):
        t = clamp((x - 350) / 136.0)
        c = mix(light, dark, t * 0.8)
        n = noise(x // 3, y // 3, 7) * 8
        return (c[0] + n, c[1] + n, c[2] + n)
    cv.shape(rock, tex, (348, 138, 486, 262))
    grass = (40, 70, 52) if night else (88, 120, 70)
    cv.shape(polygon([(384, 150), (400, 142), (470, 137), (486, 146), (486, 152), (384, 154)]), grass,
             (382, 134, 486, 156))


def beach(night=False, beam=None):
    cv = Canvas(W, H)
    if night:
        sky = [(0, (8, 10, 34)), (0.55, (22, 30, 78)), (1, (50, 60, 120))]
    else:
        sky = [(0, (34, 32, 86)), (0.35, (98, 62, 128)), (0.7, (214, 110, 108)), (1, (252, 176, 96))]
    cv.vgradient(sky, (0, 0, W - 1, HORIZON), 0, HORIZON)
    stars(cv, 90 if night else 22, 150 if night else 60, 11 if night else 5, 1.0 if night else 0.7)
    if night:
        cv.shape(circle(90, 48, 15), (250, 246, 220), (70, 30, 110, 66))
        cv.shape(circle(96, 44, 13), (18, 22, 60), (80, 28, 112, 60), alpha=0.95)
        cv.glow(90, 48, 40, (120, 130, 190), 0.25)
    else:
        sun_x = 180
        cv.glow(sun_x, HORIZON, 120, (255, 170, 90), 0.35)
        cv.shape(inter(circle(sun_x, HORIZON + 4, 28), rect(0, 0, W, HORIZON)), (255, 232, 170),
                 (sun_x - 30, HORIZON - 26, sun_x + 30, HORIZON))
        for (cx, cy, rx, ry) in ((90, 70, 60, 6), (150, 60, 45, 5), (300, 95, 70, 7), (330, 88, 40, 5)):
            cv.shape(ellipse(cx, cy, rx, ry), (240, 150, 140), (cx - rx - 2, cy - ry - 2, cx + rx + 2, cy + ry + 2),
                     alpha=0.55, soft=3.0)

    # sea
    sea_top = (70, 66, 130) if not night else (18, 26, 64)
    sea_bot = (40, 44, 100) if not night else (8, 12, 36)
    for x, y, i in cv.each((0, HORIZON, W - 1, H - 1)):
        t = (y - HORIZON) / 70.0
        c = mix(sea_top, sea_bot, clamp(t))
        wave_ = math.sin(x * 0.09 + y * 1.7) * math.sin(x * 0.021 - y * 0.5)
        if not night:
            glint = clamp(1 - abs(x - 180) / (30 + (y - HORIZON) * 1.2)) * (0.5 + 0.5 * wave_)
            c = mix(c, (255, 196, 120), glint * 0.8)
        else:
            glint = clamp(1 - abs(x - 90) / (12 + (y - HORIZON) * 0.6)) * (0.5 + 0.5 * wave_)
            c = mix(c, (200, 210, 240), glint * 0.5)
        k = 1 + 0.06 * wave_
        cv.put(i, (c[0] * k, c[1] * k, c[2] * k))

    # sand with a wavy shore and a line of foam
    def shore(x):
        return 226 + 5 * math.sin(x * 0.035) + 2 * math.sin(x * 0.11 + 1)
    sand_hi = (226, 196, 150) if not night else (70, 70, 100)
    sand_lo = (190, 150, 112) if not night else (44, 44, 70)
    for x, y, i in cv.each((0, 215, W - 1, H - 1)):
        s = shore(x)
        if y + 0.5 > s - 1.5 and y + 0.5 < s + 1.0:
            cv.put(i, (250, 244, 236) if not night else (150, 160, 200), 0.75)
        elif y + 0.5 >= s + 1.0:
            c = mix(sand_hi, sand_lo, clamp((y - s) / 60.0))
            n = noise(x, y, 3) * 6
            cv.put(i, (c[0] + n, c[1] + n, c[2] + n))
    draw_cliff(cv, night)
    draw_lighthouse(cv, night)

    if night:  # the ship on its way home
        hull = polygon([(150, 164), (196, 164), (190, 171), (156, 171)])
        cv.shape(hull, (10, 12, 26), (148, 162, 198, 173))
        cv.shape(rect(166, 155, 182, 164), (14, 16, 32), (164, 153, 184, 165))
        cv.shape(rect(172, 146, 175, 155), (14, 16, 32), (170, 144, 177, 156))
        for lx in (169, 176, 181):
            cv.glow(lx, 159, 3.5, (255, 220, 140), 0.9)
        cv.glow(173.5, 145, 4, (255, 120, 100), 0.9)

    # a few shells and pebbles
    for (px, py, col) in ((60, 270, (240, 220, 226)), (330, 282, (210, 200, 190)), (205, 262, (236, 210, 200))):
        cv.shape(ellipse(px, py, 3.5, 2.2), col if not night else mix(col, (60, 60, 90), 0.6),
                 (px - 5, py - 4, px + 5, py + 4))

    if beam is not None:
        draw_beam(cv, beam)
    return cv


def draw_beam(cv, angle_deg):
    """Additive light beam from the lantern; angle 180 points left, 0 right."""
    ox, oy = LH_X, 37
    a = math.radians(angle_deg)
    dx, dy = math.cos(a), -math.sin(a)
    for x, y, i in cv.each((150, 0, W - 1, 100)):
        vx, vy = x + 0.5 - ox, y + 0.5 - oy
        along = vx * dx + vy * dy
        if along <= 0:
            continue
        across = abs(-vx * dy + vy * dx)
        width = 4 + along * 0.16
        k = (1 - smooth(width * 0.55, width, across)) * (0.75 - 0.45 * clamp(along / 420.0))
        k *= smooth(150, 240, x) * (1 - smooth(70, 100, y))  # fade out before the picture's edges
        if k > 0:
            cv.add(i, (255, 236, 170), k * 0.55)
    cv.glow(ox, oy, 26, (255, 250, 220), 0.9)


def akari():
    """The girl Akari, standing, drawn on black for the masked (mode 1) GP."""
    cw, ch = 70, 170
    cv = Canvas(cw, ch)
    skin = (250, 214, 186)
    hair = (72, 40, 36)
    dress = (58, 96, 170)
    cx = 35
    # long hair behind
    cv.shape(union(ellipse(cx, 34, 17, 20), rect(cx - 15, 30, cx + 15, 62)), hair, (cx - 19, 12, cx + 19, 64))
    # legs and shoes
    for lx in (cx - 7, cx + 7):
        cv.shape(capsule(lx, 118, lx, 156, 3.6), skin, (lx - 5, 114, lx + 5, 161))
        cv.shape(ellipse(lx + (1 if lx > cx else -1), 160, 6, 3.5), (150, 40, 44), (lx - 8, 155, lx + 8, 165))
    # dress
    cv.shape(polygon([(cx - 11, 56), (cx + 11, 56), (cx + 25, 124), (cx - 25, 124)]), dress,
             (cx - 26, 54, cx + 26, 126))
    cv.shape(polygon([(cx - 25, 118), (cx + 25, 118), (cx + 26, 126), (cx - 26, 126)]), (236, 236, 244),
             (cx - 27, 116, cx + 27, 127))
    # collar and ribbon
    cv.shape(polygon([(cx - 10, 54), (cx + 10, 54), (cx, 66)]), (240, 240, 248), (cx - 11, 52, cx + 11, 67))
    cv.shape(union(polygon([(cx, 60), (cx - 7, 56), (cx - 7, 65)]), polygon([(cx, 60), (cx + 7, 65), (cx + 7, 56)])),
             (210, 50, 60), (cx - 8, 54, cx + 8, 66))
    # arms: the left one waving
    cv.shape(capsule(cx - 12, 60, cx - 18, 96, 3.6), dress, (cx - 23, 55, cx - 7, 101))
    cv.shape(circle(cx - 19, 99, 3.6), skin, (cx - 24, 94, cx - 14, 104))
    cv.shape(capsule(cx + 12, 60, cx + 24, 38, 3.6), dress, (cx + 7, 33, cx + 29, 65))
    cv.shape(circle(cx + 25, 34, 3.8), skin, (cx + 20, 29, cx + 30, 39))
    # neck and head
    cv.shape(rect(cx - 3, 44, cx + 3, 56), skin, (cx - 4, 43, cx + 4, 57))
    cv.shape(ellipse(cx, 33, 12, 14), skin, (cx - 13, 18, cx + 13, 48))
    # fringe
    cv.shape(inter(ellipse(cx, 28, 14, 13), rect(cx - 16, 10, cx + 16, 27)), hair, (cx - 15, 14, cx + 15, 28))
    cv.shape(inter(ellipse(cx - 3, 30, 7, 6), rect(cx - 12, 22, cx + 3, 30)), hair, (cx - 11, 23, cx + 4, 31))
    # eyes and cheeks
    for ex in (cx - 5, cx + 5):
        cv.shape(ellipse(ex, 35, 1.5, 2.2), (40, 30, 40), (ex - 3, 32, ex + 3, 38))
        cv.shape(circle(ex + (-1 if ex < cx else 1), 40, 2.2), (250, 170, 170), (ex - 4, 37, ex + 4, 43), alpha=0.6)
    cv.shape(capsule(cx - 2, 42.5, cx + 2, 42.5, 0.6), (180, 80, 80), (cx - 4, 41, cx + 4, 44))
    # straw hat
    cv.shape(ellipse(cx, 19, 22, 5), (236, 206, 120), (cx - 24, 13, cx + 24, 25))
    cv.shape(inter(ellipse(cx, 19, 12, 11), rect(cx - 13, 6, cx + 13, 19)), (240, 214, 132), (cx - 13, 7, cx + 13, 20))
    cv.shape(rect(cx - 12, 15, cx + 12, 18), (210, 60, 70), (cx - 13, 14, cx + 13, 19))
    return cv


def bottle():
    cv = Canvas(28, 18)
    glass = lambda x, y: mix((70, 160, 110), (150, 220, 170), clamp((12 - y) / 10.0))
    cv.shape(union(ellipse(11, 9, 10, 6.5), capsule(17, 9, 25, 9, 2.6)), glass, (0, 1, 28, 17))
    cv.shape(rect(5, 7, 14, 11), (246, 238, 214), (4, 6, 15, 12), alpha=0.85)
    cv.shape(rect(24, 7, 27, 11), (150, 104, 60), (23, 6, 28, 12))
    cv.shape(capsule(5, 5, 13, 4.5, 0.8), (235, 255, 240), (3, 2, 15, 7), alpha=0.9)
    return cv


def mask_of(cv):
    """Mask for the masked GP: black where anything was painted, white elsewhere."""
    m = Canvas(cv.w, cv.h, (255, 255, 255))
    for i in range(cv.w * cv.h):
        if cv.cover[i] > 0.0:
            m.r[i] = m.g[i] = m.b[i] = 0.0
    return m


def face():
    """Akari's face picture for the message window (96 x 128)."""
    cv = Canvas(96, 128)
    cv.vgradient([(0, (250, 230, 200)), (1, (246, 184, 150))])
    for x, y, i in cv.each():
        if (x // 8 + y // 8) % 2 == 0:
            cv.put(i, (255, 255, 255), 0.12)
    skin = (252, 218, 192)
    hair = (72, 40, 36)
    cx = 48
    cv.shape(union(ellipse(cx, 62, 40, 44), rect(cx - 38, 60, cx + 38, 128)), hair, (4, 14, 92, 128))
    cv.shape(polygon([(cx - 30, 112), (cx + 30, 112), (cx + 44, 128), (cx - 44, 128)]), (58, 96, 170),
             (2, 110, 94, 128))
    cv.shape(polygon([(cx - 16, 110), (cx + 16, 110), (cx, 126)]), (240, 240, 248), (cx - 17, 108, cx + 17, 127))
    cv.shape(rect(cx - 8, 92, cx + 8, 114), skin, (cx - 9, 90, cx + 9, 115))
    cv.shape(ellipse(cx, 70, 30, 34), skin, (cx - 32, 34, cx + 32, 106))
    cv.shape(inter(ellipse(cx, 58, 33, 30), rect(0, 20, 96, 56)), hair, (12, 24, 84, 57))
    cv.shape(inter(ellipse(cx - 8, 60, 14, 12), rect(cx - 30, 50, cx + 2, 62)), hair, (cx - 24, 48, cx + 4, 63))
    cv.shape(inter(ellipse(cx + 14, 58, 12, 10), rect(cx, 50, cx + 30, 60)), hair, (cx, 47, cx + 28, 61))
    for ex in (cx - 12, cx + 12):
        cv.shape(ellipse(ex, 74, 5, 7), (60, 36, 40), (ex - 6, 66, ex + 6, 82))
        cv.shape(ellipse(ex, 76, 3.2, 4.6), (110, 70, 60), (ex - 4, 71, ex + 4, 82))
        cv.shape(circle(ex + 1.5, 71.5, 1.6), (255, 255, 255), (ex - 1, 69, ex + 4, 74))
        cv.shape(ellipse(ex + (-3 if ex < cx else 3), 86, 6, 3.5), (250, 160, 160), (ex - 10, 81, ex + 10, 91),
                 alpha=0.55, soft=2.0)
    cv.shape(inter(ellipse(cx, 90, 6, 4), rect(cx - 7, 90, cx + 7, 95)), (200, 80, 90), (cx - 7, 88, cx + 7, 95))
    cv.shape(ellipse(cx, 30, 46, 9), (236, 206, 120), (0, 20, 96, 40))
    cv.shape(inter(ellipse(cx, 30, 28, 24), rect(0, 0, 96, 30)), (240, 214, 132), (18, 4, 78, 31))
    cv.shape(rect(cx - 27, 22, cx + 27, 28), (210, 60, 70), (cx - 28, 21, cx + 28, 29))
    return cv


# --- inside the lighthouse -------------------------------------------------

LAMP_BOX = (193, 85, 100, 120)  # x, y, w, h of the picture that lights the lamp
BOX_BOX = (370, 134, 80, 54)    # x, y, w, h of the picture of the opened box


def tower(lit=False, box_open=False):
    cv = Canvas(W, H)
    # curved wall: horizontal shading, vertical planks
    for x, y, i in cv.each((0, 0, W - 1, 231)):
        t = abs(x - 243) / 243.0
        c = mix((150, 112, 82), (70, 48, 40), t ** 1.4)
        if x % 38 < 2:
            c = mix(c, (50, 34, 28), 0.6)
        c = mix(c, (40, 28, 26), clamp((y - 150) / 200.0) * 0.4)
        n = noise(x, y // 2, 5) * 4
        cv.put(i, (c[0] + n, c[1] + n, c[2] + n))
    # floor boards
    for x, y, i in cv.each((0, 231, W - 1, H - 1)):
        c = mix((126, 86, 56), (86, 56, 40), (y - 231) / 64.0)
        if (y - 231) % 14 == 0:
            c = mix(c, (50, 32, 24), 0.7)
        n = noise(x // 6, y, 9) * 6
        cv.put(i, (c[0] + n, c[1] + n, c[2] + n))
    cv.shape(rect(0, 228, W, 233), (60, 40, 30), (0, 226, W - 1, 234))
    # round-topped window showing the evening sea
    win = union(circle(95, 95, 55), rect(40, 95, 150, 170))
    cv.shape(union(circle(95, 95, 61), rect(34, 95, 156, 176)), (90, 64, 50), (32, 32, 158, 178))

    def view(x, y):
        if y < 138:
            return ramp([(0, (40, 36, 96)), (0.6, (150, 80, 130)), (1, (246, 150, 100))], (y - 40) / 98.0)
        k = 0.5 + 0.5 * math.sin(x * 0.4 + y * 1.3)
        return mix((60, 56, 120), (90, 80, 140), k * 0.5)
    cv.shape(win, view, (38, 38, 152, 172))
    rnd = random.Random(21)
    for _ in range(9):
        sx, sy = rnd.uniform(55, 135), rnd.uniform(50, 100)
        if math.hypot(sx - 95, sy - 95) < 50:
            cv.glow(sx, sy, 1.8, (255, 250, 220), 0.8)
    cv.shape(rect(93, 40, 97, 170), (90, 64, 50), (92, 38, 98, 171))
    cv.shape(rect(40, 116, 150, 119), (90, 64, 50), (39, 114, 151, 120))
    cv.shape(rect(30, 172, 160, 180), (110, 80, 60), (28, 170, 162, 182))
    # shelf and box on the right
    cv.shape(rect(368, 186, 452, 253), (0, 0, 0), (366, 184, 454, 255), alpha=0.25)
    cv.shape(rect(364, 182, 452, 187), (96, 66, 46), (362, 180, 454, 189))
    cv.shape(rect(370, 187, 374, 258), (80, 54, 40), (368, 185, 376, 259))
    cv.shape(rect(442, 187, 446, 258), (80, 54, 40), (440, 185, 448, 259))
    draw_box(cv, box_open)
    # ladder on the right edge
    for lx in (458, 482):
        cv.shape(rect(lx, 60, lx + 3, 295), (92, 62, 40), (lx - 1, 58, lx + 5, 295))
    for ly in range(72, 290, 22):
        cv.shape(rect(458, ly, 485, ly + 3), (110, 76, 50), (456, ly - 1, 486, ly + 5))
    # oil can on the floor
    can = union(polygon([(310, 248), (344, 248), (348, 276), (306, 276)]), ellipse(327, 248, 17, 4))
    cv.shape(can, lambda x, y: mix((150, 156, 164), (90, 94, 104), clamp((x - 306) / 42.0)), (304, 242, 350, 278))
    cv.shape(capsule(344, 256, 360, 240, 2.2), (120, 124, 134), (340, 236, 364, 260))
    cv.shape(capsule(314, 246, 318, 236, 1.6), (110, 114, 124), (310, 232, 322, 250))
    cv.shape(capsule(318, 236, 336, 236, 1.6), (110, 114, 124), (314, 232, 340, 240))
    cv.shape(capsule(336, 236, 340, 246, 1.6), (110, 114, 124), (332, 232, 344, 250))
    # the great lamp: pedestal, lens, brass frame
    cv.shape(polygon([(225, 190), (261, 190), (272, 262), (214, 262)]), lambda x, y: mix((96, 84, 70), (60, 52, 46),
             clamp((x - 214) / 58.0)), (212, 188, 274, 264))
    cv.shape(rect(205, 258, 281, 266), (70, 60, 52), (203, 256, 283, 268))
    lens = ellipse(243, 140, 42, 52)
    if lit:
        cv.glow(243, 140, 49, (255, 200, 110), 0.6)

        def lens_col(x, y):
            d = math.hypot((x - 243) / 42.0, (y - 140) / 52.0)
            return mix((255, 252, 220), (250, 190, 90), clamp(d))
    else:
        def lens_col(x, y):
            return mix((150, 170, 186), (84, 100, 120), clamp((x - 201) / 84.0))
    cv.shape(lens, lens_col, (199, 86, 287, 194))
    for k in range(-3, 4):  # the rings of the lens
        yy = 140 + k * 13
        cv.shape(inter(lens, rect(199, yy - 0.7, 287, yy + 0.7)), (255, 240, 200) if lit else (60, 74, 92),
                 (199, yy - 2, 287, yy + 2), alpha=0.8)
    cv.shape(minus(ellipse(243, 140, 45, 55), lens), (176, 140, 70), (196, 83, 290, 197))
    cv.shape(rect(239, 86, 247, 194), (170, 134, 64), (237, 84, 249, 196), alpha=0.85)
    cv.shape(polygon([(228, 86), (258, 86), (250, 76), (236, 76)]), (176, 140, 70), (226, 74, 260, 88))
    if lit:
        cv.glow(243, 140, 30, (255, 255, 235), 0.9)
    return cv


def draw_box(cv, opened):
    x0, y0 = 376, 150
    wood = lambda x, y: mix((170, 110, 60), (120, 74, 40), clamp((x - x0) / 66.0))
    cv.shape(rect(x0, y0 + 8, x0 + 66, y0 + 32), wood, (x0 - 1, y0 + 6, x0 + 67, y0 + 34))
    cv.shape(rect(x0, y0 + 19, x0 + 66, y0 + 21), (96, 60, 34), (x0 - 1, y0 + 18, x0 + 67, y0 + 22))
    if opened:
        cv.shape(rect(x0 + 2, y0 + 8, x0 + 64, y0 + 13), (60, 36, 24), (x0 + 1, y0 + 7, x0 + 65, y0 + 14))
        cv.shape(polygon([(x0 - 2, y0 - 12), (x0 + 64, y0 - 12), (x0 + 66, y0 + 8), (x0, y0 + 8)]), wood,
                 (x0 - 3, y0 - 14, x0 + 68, y0 + 10))
        cv.shape(rect(x0 + 22, y0 + 4, x0 + 40, y0 + 10), (200, 60, 50), (x0 + 20, y0 + 2, x0 + 42, y0 + 12))
        cv.shape(rect(x0 + 24, y0 + 5, x0 + 38, y0 + 8), (250, 230, 180), (x0 + 22, y0 + 3, x0 + 40, y0 + 10))
    else:
        cv.shape(rect(x0 - 2, y0 + 2, x0 + 68, y0 + 9), (150, 96, 52), (x0 - 3, y0, x0 + 69, y0 + 11))
        cv.shape(rect(x0 + 30, y0 + 8, x0 + 36, y0 + 14), (210, 180, 80), (x0 + 29, y0 + 7, x0 + 37, y0 + 15))


def title():
    """Full-size card of the title and of the end; the white panel takes the PT text."""
    cv = Canvas(W, H)
    cv.vgradient([(0, (10, 12, 40)), (0.6, (34, 40, 100)), (1, (90, 70, 130))])
    stars(cv, 120, 290, 33)
    # a lighthouse silhouette on the right, with a soft beam
    cv.shape(polygon([(418, 150), (432, 150), (440, 295), (410, 295)]), (16, 16, 36), (408, 148, 442, 295))
    cv.shape(rect(414, 136, 436, 150), (16, 16, 36), (412, 134, 438, 152))
    cv.glow(425, 143, 50, (255, 230, 150), 0.8)
    for x, y, i in cv.each((0, 60, 425, 230)):
        vx, vy = 425 - x, y - 143
        if vx <= 0:
            continue
        w = 3 + vx * 0.14
        k = 1 - smooth(w * 0.4, w, abs(vy + vx * 0.05))
        if k > 0:
            cv.add(i, (255, 236, 170), k * 0.28)
    cv.shape(polygon([(0, 262), (140, 248), (300, 258), (486, 246), (486, 295), (0, 295)]), (12, 12, 30),
             (0, 244, W - 1, H - 1))
    # the white panel
    cv.shape(rect(100, 96, 386, 190), (230, 214, 170), (96, 92, 390, 194))
    cv.shape(rect(104, 100, 382, 186), (255, 255, 255), (102, 98, 384, 188))
    return cv


def window_view():
    """Full-size view from the window of the lamp room (TK picture)."""
    cv = Canvas(W, H)
    cv.vgradient([(0, (28, 26, 80)), (0.45, (120, 70, 130)), (0.62, (240, 140, 100)), (0.62001, (80, 70, 130)),
                  (1, (24, 28, 70))])
    stars(cv, 40, 110, 44)
    cv.glow(300, 182, 70, (255, 160, 90), 0.45)
    for x, y, i in cv.each((0, 183, W - 1, H - 1)):
        k = math.sin(x * 0.07 + y * 0.9) * math.sin(x * 0.013 + y * 0.3)
        glint = clamp(1 - abs(x - 300) / (20 + (y - 183) * 1.5)) * (0.5 + 0.5 * k)
        c = mix((cv.r[i], cv.g[i], cv.b[i]), (255, 190, 120), glint * 0.7)
        cv.put(i, (c[0] * (1 + 0.05 * k), c[1] * (1 + 0.05 * k), c[2] * (1 + 0.05 * k)))
    # the ship far away with its lights
    cv.shape(polygon([(120, 178), (150, 178), (146, 183), (124, 183)]), (20, 18, 40), (118, 176, 152, 185))
    cv.shape(rect(130, 171, 140, 178), (20, 18, 40), (128, 169, 142, 179))
    cv.glow(133, 174, 3, (255, 230, 150), 0.9)
    cv.glow(138, 174, 3, (255, 230, 150), 0.9)
    # window frame
    frame = (70, 50, 40)
    for x, y, i in cv.each():
        inside = math.hypot(x - 243, (y - 120) * 1.0) < 230 and y > 12 or (y > 120 and 20 < x < 466)
        if not inside:
            cv.put(i, frame)
    cv.shape(rect(239, 0, 247, H), frame, (237, 0, 249, H - 1))
    cv.shape(rect(0, 150, W, 157), frame, (0, 148, W - 1, 159))
    cv.shape(rect(0, 272, W, H), (96, 70, 52), (0, 270, W - 1, H - 1))
    return cv


# ---------------------------------------------------------------------------
# BMP writing
# ---------------------------------------------------------------------------

def to_bytes(cv):
    out = []
    for i in range(cv.w * cv.h):
        out.append((int(clamp(cv.r[i], 0, 255) + 0.5), int(clamp(cv.g[i], 0, 255) + 0.5),
                    int(clamp(cv.b[i], 0, 255) + 0.5)))
    return out


def bmp_header(w, h, bpp, data_size, palette_entries):
    off = 14 + 40 + 4 * palette_entries
    fh = struct.pack('<2sIHHI', b'BM', off + data_size, 0, 0, off)
    ih = struct.pack('<IiiHHIIiiII', 40, w, h, 1, bpp, 0, data_size, 2835, 2835, palette_entries, 0)
    return fh + ih


def write_bmp24(path, cv):
    px = to_bytes(cv)
    stride = (cv.w * 3 + 3) & ~3
    rows = []
    for y in range(cv.h - 1, -1, -1):
        row = bytearray()
        for x in range(cv.w):
            r, g, b = px[y * cv.w + x]
            row += bytes((b, g, r))
        row += b'\0' * (stride - len(row))
        rows.append(bytes(row))
    data = b''.join(rows)
    with open(path, 'wb') as f:
        f.write(bmp_header(cv.w, cv.h, 24, len(data), 0) + data)


def median_cut(hist, n):
    """hist: {bucket (r5, g5, b5): [count, sum_r, sum_g, sum_b]} -> list of n RGB."""
    boxes = [list(hist.items())]
    while len(boxes) < n:
        best, best_score = None, -1
        for bi, box in enumerate(boxes):
            if len(box) < 2:
                continue
            score = 0
            for ch in range(3):
                vals = [k[ch] for k, _ in box]
                score = max(score, (max(vals) - min(vals)))
            score *= math.log(2 + sum(v[0] for _, v in box))
            if score > best_score:
                best, best_score = bi, score
        if best is None:
            break
        box = boxes.pop(best)
        ranges = [max(k[c] for k, _ in box) - min(k[c] for k, _ in box) for c in range(3)]
        ch = ranges.index(max(ranges))
        box.sort(key=lambda kv: kv[0][ch])
        total = sum(v[0] for _, v in box)
        acc, cut = 0, 1
        for j, (_, v) in enumerate(box):
            acc += v[0]
            if acc >= total / 2:
                cut = max(1, min(len(box) - 1, j + 1))
                break
        boxes += [box[:cut], box[cut:]]
    pal = []
    for box in boxes:
        c = sum(v[0] for _, v in box)
        pal.append(tuple(int(sum(v[k] for _, v in box) / c + 0.5) for k in (1, 2, 3)))
    return pal


def write_bmp8(path, cv):
    """8-bit palette bitmap; pure black and pure white are kept exact."""
    px = to_bytes(cv)
    hist = {}
    for (r, g, b) in px:
        if (r, g, b) in ((0, 0, 0), (255, 255, 255)):
            continue
        k = (r >> 2, g >> 2, b >> 2)
        v = hist.get(k)
        if v is None:
            hist[k] = [1, r, g, b]
        else:
            v[0] += 1
            v[1] += r
            v[2] += g
            v[3] += b
    pal = [(0, 0, 0), (255, 255, 255)] + median_cut(hist, 254)
    pal += [(0, 0, 0)] * (256 - len(pal))
    index = {}

    def nearest(k):
        r, g, b = hist[k][1] / hist[k][0], hist[k][2] / hist[k][0], hist[k][3] / hist[k][0]
        best, bd = 0, 1e18
        for j, (pr, pg, pb) in enumerate(pal[2:], 2):
            d = (pr - r) ** 2 * 3 + (pg - g) ** 2 * 4 + (pb - b) ** 2 * 2
            if d < bd:
                best, bd = j, d
        return best
    stride = (cv.w + 3) & ~3
    data = bytearray()
    for y in range(cv.h - 1, -1, -1):
        row = bytearray()
        for x in range(cv.w):
            c = px[y * cv.w + x]
            if c == (0, 0, 0):
                row.append(0)
            elif c == (255, 255, 255):
                row.append(1)
            else:
                k = (c[0] >> 2, c[1] >> 2, c[2] >> 2)
                j = index.get(k)
                if j is None:
                    j = index[k] = nearest(k)
                row.append(j)
        row += b'\0' * (stride - len(row))
        data += row
    palette = b''.join(bytes((b, g, r, 0)) for (r, g, b) in pal)
    with open(path, 'wb') as f:
        f.write(bmp_header(cv.w, cv.h, 8, len(data), 256) + palette + bytes(data))
    # the picture as it was stored, for patches drawn over it
    q = Canvas(cv.w, cv.h)
    for y in range(cv.h):
        row = data[(cv.h - 1 - y) * stride:]
        for x in range(cv.w):
            q.r[y * cv.w + x], q.g[y * cv.w + x], q.b[y * cv.w + x] = pal[row[x]]
    return q


def patch(render, stored, changed, x0, y0, w, h):
    """Part of a changed render for an opaque GP over a stored 8-bit background:
    pixels the change did not touch take the stored colours, so no seam shows."""
    c = changed.crop(x0, y0, w, h)
    for y in range(h):
        for x in range(w):
            j = (y0 + y) * render.w + x0 + x
            k = y * w + x
            if (abs(render.r[j] - changed.r[j]) + abs(render.g[j] - changed.g[j])
                    + abs(render.b[j] - changed.b[j])) < 1.5:
                c.r[k], c.g[k], c.b[k] = stored.r[j], stored.g[j], stored.b[j]
    return c


def write_mask(path, cv):
    """Two-colour 8-bit mask: palette 0 black, 1 white."""
    stride = (cv.w + 3) & ~3
    data = bytearray()
    for y in range(cv.h - 1, -1, -1):
        row = bytearray(1 if cv.r[y * cv.w + x] > 127 else 0 for x in range(cv.w))
        row += b'\0' * (stride - len(row))
        data += row
    palette = bytes((0, 0, 0, 0, 255, 255, 255, 0))
    with open(path, 'wb') as f:
        f.write(bmp_header(cv.w, cv.h, 8, len(data), 2) + palette + bytes(data))


# ---------------------------------------------------------------------------
# Music and sound
# ---------------------------------------------------------------------------

def varlen(n):
    out = [n & 0x7F]
    n >>= 7
    while n:
        out.append((n & 0x7F) | 0x80)
        n >>= 7
    return bytes(reversed(out))


def note_num(name):
    names = {'C': 0, 'D': 2, 'E': 4, 'F': 5, 'G': 7, 'A': 9, 'B': 11}
    return 12 * (int(name[-1]) + 1) + names[name[0]] + (1 if '#' in name else 0)


def make_midi(path):
    tpq = 480
    # a gentle waltz in C, sixteen bars of 3/4
    melody = [
        ('E5', 1), ('G5', 1), ('C6', 1), ('B5', 1.5), ('A5', .5), ('E5', 1), ('F5', 1), ('A5', 1), ('C6', 1),
        ('B5', 2), ('G5', 1), ('C6', 1), ('B5', 1), ('G5', 1), ('G5', 1.5), ('E5', .5), ('B4', 1),
        ('A5', 1), ('C6', 1), ('A5', 1), ('G5', 3),
        ('A5', 1), ('C6', 1), ('E6', 1), ('D6', 1.5), ('C6', .5), ('A5', 1), ('G5', 1), ('E5', 1), ('G5', 1),
        ('D5', 1), ('G5', 1), ('B5', 1), ('C6', 1), ('A5', 1), ('F5', 1), ('D6', 1), ('B5', 1), ('G5', 1),
        ('E6', 1), ('D6', 1), ('C6', 1), ('C6', 3),
    ]
    chords = ['C', 'Am', 'F', 'G', 'C', 'Em', 'F', 'G', 'Am', 'F', 'C', 'G', 'F', 'G', 'C', 'C']
    tones = {'C': ('C3', 'E4', 'G4', 'C5'), 'Am': ('A2', 'E4', 'A4', 'C5'), 'F': ('F2', 'F4', 'A4', 'C5'),
             'G': ('G2', 'D4', 'G4', 'B4'), 'Em': ('E2', 'E4', 'G4', 'B4')}
    ev = []  # (tick, order, bytes)
    t = 0
    for n, beats in melody:
        d = int(beats * tpq)
        ev.append((t, 1, bytes((0x90, note_num(n), 84))))
        ev.append((t + d - 30, 0, bytes((0x80, note_num(n), 0))))
        t += d
    assert t == 16 * 3 * tpq, t
    for bar, ch in enumerate(chords):
        t0 = bar * 3 * tpq
        bass, *upper = tones[ch]
        ev.append((t0, 1, bytes((0x92, note_num(bass), 70))))
        ev.append((t0 + 3 * tpq - 20, 0, bytes((0x82, note_num(bass), 0))))
        for n in upper:
            ev.append((t0, 1, bytes((0x91, note_num(n), 40))))
            ev.append((t0 + 3 * tpq - 10, 0, bytes((0x81, note_num(n), 0))))
        for k, n in enumerate(upper[1:] + upper[:1]):  # a soft harp arpeggio on beats 2 and 3
            if k:
                tt = t0 + k * tpq
                ev.append((tt, 1, bytes((0x93, note_num(n) + 12, 46))))
                ev.append((tt + tpq - 20, 0, bytes((0x83, note_num(n) + 12, 0))))
    ev.sort(key=lambda e: (e[0], e[1]))
    trk = bytearray()
    trk += varlen(0) + b'\xff\x51\x03' + (612245).to_bytes(3, 'big')  # 98 beats a minute
    trk += varlen(0) + b'\xff\x58\x04\x03\x02\x18\x08'
    for chn, prog in ((0, 10), (1, 48), (2, 32), (3, 46)):  # music box, strings, bass, harp
        trk += varlen(0) + bytes((0xC0 | chn, prog))
    trk += varlen(0) + bytes((0xB1, 7, 70))
    last = 0
    for tick, _, data in ev:
        trk += varlen(tick - last) + data
        last = tick
    trk += varlen(tpq) + b'\xff\x2f\x00'
    with open(path, 'wb') as f:
        f.write(b'MThd' + struct.pack('>IHHH', 6, 0, 1, tpq))
        f.write(b'MTrk' + struct.pack('>I', len(trk)) + bytes(trk))


def write_wav(path, samples, rate=22050):
    with wave.open(path, 'wb') as w:
        w.setnchannels(1)
        w.setsampwidth(2)
        w.setframerate(rate)
        w.writeframes(b''.join(struct.pack('<h', int(clamp(s, -1, 1) * 30000)) for s in samples))


def chime():
    rate, n = 22050, int(22050 * 0.9)
    out = []
    for i in range(n):
        t = i / rate
        s = 0.0
        for (start, f, amp) in ((0.0, 1318.5, 0.5), (0.11, 1975.5, 0.42), (0.22, 2637.0, 0.3)):
            if t >= start:
                u = t - start
                env = math.exp(-u * 5.5) * min(1.0, u * 400)
                s += amp * env * (math.sin(2 * math.pi * f * u) + 0.25 * math.sin(2 * math.pi * f * 2.76 * u))
        out.append(s * 0.8)
    return out


def door():
    rate, n = 22050, int(22050 * 0.55)
    rnd = random.Random(9)
    out, lp, phase = [], 0.0, 0.0
    for i in range(n):
        t = i / rate
        # a creak: a slow buzzing tone sliding down
        f = 260 - 120 * t + 12 * math.sin(t * 40)
        phase += f / rate
        creak = ((phase % 1.0) * 2 - 1) * 0.22 * math.sin(math.pi * clamp(t / 0.4))
        # then the thump of the door
        u = t - 0.38
        thump = 0.0
        if u > 0:
            lp += (rnd.uniform(-1, 1) - lp) * 0.08
            thump = (0.8 * math.sin(2 * math.pi * 70 * u) + lp * 1.5) * math.exp(-u * 22)
        out.append(creak + thump)
    return out


# ---------------------------------------------------------------------------
# Scene files
# ---------------------------------------------------------------------------

COMMAND_WORDS = {'JR', 'JS', 'CP', 'MP', 'WP', 'MW', 'FW', 'FS', 'SS', 'SR', 'TI', 'IS', 'IT', 'IM', 'IC', 'OS',
                 'GP', 'GC', 'PT', 'DN', 'DV', 'UN', 'UV', 'TK', 'EG', 'CW', 'IN', 'DE'}


def field(line, n):
    """Field n of a line the way the player reads it."""
    if ',' not in line and n > 0:
        return ''
    parts = line.split(',')
    if n < len(parts) - 1:
        return parts[n]
    return parts[-1]


def check_scene(name, lines):
    """Catches the usual slips: bad header, missing labels, labels that run as commands."""
    errors = []
    i = 1
    objects = []
    while lines[i] != ';':
        rect_line, words = lines[i], lines[i + 1]
        for k in range(4):
            int(field(rect_line, k))
        w = [field(words, k) for k in range(6)]
        if ',' in words and words.count(',') != 5:
            errors.append('%s: words line %r needs exactly five commas' % (name, words))
        if int(field(rect_line, 0)) != -1:  # Left -1: a slot kept for a later UN
            objects.append(w)
        i += 2
    body = lines[i + 1:]
    labels = {}
    for j, ln in enumerate(body):
        if ln.startswith('.') and len(ln) > 1 and ln[1:3].upper() not in COMMAND_WORDS:
            labels.setdefault(ln[1:].lower(), j)
    if 'start' not in labels:
        errors.append('%s: no .Start label' % name)
    if body[-1] != ';':
        errors.append('%s: the last line is never run; end the file with a spare ";"' % name)

    for ln in body:  # a line wider than the message box wraps untidily
        if ln.startswith('.') or ln == ';':
            continue
        t = re.sub(r'/\*\s*\d\s*\*/', 'ＡＢＣＤ', ln)  # room for a name of four characters
        width = sum(1.0 if unicodedata.east_asian_width(c) in 'WFA' else 0.5 for c in t)
        if width > 24:
            errors.append('%s: text line too wide for the message box: %s' % (name, ln))

    def need(label, where):
        if label.lower() not in labels:
            errors.append('%s: %s jumps to missing label %r' % (name, where, label))
    for j, ln in enumerate(body):
        if not ln.startswith('.'):
            continue
        word = ln[1:3].upper()
        if word in ('JR',):
            need(field(ln, 1), ln)
            tgt = labels.get(field(ln, 1).lower())
            if tgt is not None and tgt + 1 < len(body) and not body[tgt + 1].startswith('.--'):
                errors.append('%s: JR skips the line after %r; put a ".--" note there' % (name, field(ln, 1)))
        elif word == 'SR':
            need(field(ln, 1), ln)
        elif word in ('IS', 'IC', 'IT'):
            need(field(ln, 3), ln)
        elif word == 'IM':
            k = int(field(ln, 2))
            need(field(ln, 3), ln)
            for t in range(1, k + 1):
                need(body[j + t], 'IM table line')
    for w in objects:
        if not w[0]:
            continue
        verbs = [v for v in w[1:] if v]
        if verbs:
            for v in verbs:
                need(w[0] + v, 'object %s' % w[0])
        else:
            need(w[0], 'object %s' % w[0])
    return errors


def make_scenes():
    errors = []
    for name in ('Opning', 'Tower', 'Yoru'):
        with open(os.path.join(HERE, name + '.txt'), encoding='utf-8') as f:
            lines = f.read().splitlines()
        # strip the editing notes that start with "#" at the beginning of a line
        lines = [ln for ln in lines if not ln.startswith('#')]
        errors += check_scene(name, lines)
        data = ('\r\n'.join(lines) + '\r\n').encode('cp932')
        with open(os.path.join(DEMO, name + '.dat'), 'wb') as f:
            f.write(data)
    if errors:
        sys.exit('\n'.join(errors))


# ---------------------------------------------------------------------------

def main():
    out = lambda n: os.path.join(DEMO, n)
    make_scenes()
    if sys.argv[1:] == ['scenes']:  # only the .dat files, for quick text edits
        return
    a = akari()
    write_bmp24(out('Akari.bmp'), a)
    write_mask(out('AkariB.bmp'), mask_of(a))
    b = bottle()
    write_bmp24(out('Bottle.bmp'), b)
    write_mask(out('BottleB.bmp'), mask_of(b))
    write_bmp24(out('Kao.BMP'), face())
    write_bmp8(out('Beach.BMP'), beach())
    night = beach(night=True)
    stored = write_bmp8(out('Yoru.BMP'), night)
    for pic, angle in (('Beam1', 170), ('Beam2', 190)):
        write_bmp24(out(pic + '.bmp'), patch(night, stored, beach(night=True, beam=angle), 150, 0, 336, 100))
    room = tower()
    stored = write_bmp8(out('Tower.BMP'), room)
    write_bmp8(out('Heya.bmp'), room)
    write_bmp24(out('LampOn.bmp'), patch(room, stored, tower(lit=True), *LAMP_BOX))
    write_bmp24(out('BoxOpen.bmp'), patch(room, stored, tower(box_open=True), *BOX_BOX))
    write_bmp8(out('Title.bmp'), title())
    write_bmp8(out('Mado.bmp'), window_view())
    make_midi(out('umi.mid'))
    write_wav(out('chime.wav'), chime())
    write_wav(out('door.wav'), door())


if __name__ == '__main__':
    main()
