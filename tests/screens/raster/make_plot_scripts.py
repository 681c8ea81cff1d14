#!/usr/bin/env python3
"""Writes the PLOT pixel tests: for each case NAME, NAME.vdu (the VDU bytes
the engine is given, after MODE 8) and NAME.gdi (the same drawing as calls
of the platform's drawing library, for the reference renderer). Render the
.gdi files once with the reference renderer to get NAME.png.

MODE 8 is 640x512 with 16 colours; after MODE the screen is black, the
text background is colour 0 and the graphics window the whole screen.
Each case mirrors in Python how a PLOT maps onto drawing calls, so the
engine's own mapping is checked against an independent transcription."""
import struct, sys, os

PAL = [(0,0,0),(200,0,0),(0,200,0),(200,200,0),(0,0,200),(200,0,200),(0,200,200),(200,200,200),
       (56,56,56),(248,56,56),(56,248,56),(248,248,56),(56,56,248),(248,56,248),(56,248,248),(248,248,248)]
W, H = 640, 512
STYLES = ['PS_SOLID', 'PS_DOT', 'PS_DASH', 'PS_DASHDOT']
ROPS = {0: 'R2_COPYPEN', 1: 'R2_MERGEPEN', 2: 'R2_MASKPEN', 3: 'R2_XORPEN', 4: 'R2_XORPEN'}

class Case:
    def __init__(self):
        self.vdu = bytearray([22, 8])
        self.gdi = ['SIZE %d %d' % (W, H)]
        self.cur = (0, H - 1); self.prev = (0, H - 1)
        self.origin = (0, 0)
        self.fg = (0, 7); self.bg = (0, 0)   # (gcol mix, colour)
        self.textbg = 0
        self.clip = None
    def rgb(self, c): return '%d %d %d' % PAL[c & 15]
    def colour(self, c):
        self.vdu += bytes([17, c])
        if c >= 128: self.textbg = c & 15
    def gcol(self, m, c):
        self.vdu += bytes([18, m, c])
        if m == 4: c |= 127
        if c >= 128: self.bg = (m, c & 15)
        else: self.fg = (m, c & 15)
    def window(self, l, b, r, t):
        self.vdu += bytes([24]) + struct.pack('<hhhh', l, b, r, t)
        ox, oy = self.origin
        self.clip = ((l + ox) >> 1, H - 1 - ((t + oy) >> 1), ((r + ox) >> 1) + 1, H - 1 - ((b + oy) >> 1) + 1)
    def pix(self, k, x, y):
        if k & 4: return ((x + self.origin[0]) >> 1, H - 1 - ((y + self.origin[1]) >> 1))
        return (self.cur[0] + (x >> 1), self.cur[1] - (y >> 1))
    def select(self, k):
        """The drawing state of k & 3: (rop name, colour index) or None."""
        sel = k & 3
        if sel == 0: return None
        if sel == 1: m, c = self.fg
        elif sel == 2: m, c = 3, 15
        else: m, c = self.bg
        if m >= 5: return None
        if m == 4: c = 15
        return ROPS[m], c
    def plot(self, k, x, y):
        self.vdu += bytes([25, k]) + struct.pack('<hh', x, y)
        p0 = self.pix(k, x, y); p1 = self.cur; p2 = self.prev
        self.prev, self.cur = self.cur, p0
        if k >= 208: return
        s = self.select(k)
        g = self.gdi
        if 184 <= k < 192:
            self.block(k, p0, p1, p2); return
        if s is None: return
        rop, c = s
        g.append('ROP2 %s' % rop)
        g.append('CLIP %d %d %d %d' % self.clip if self.clip else 'NOCLIP')
        g.append('BKCOLOR %s' % self.rgb(self.textbg))
        fgc, bgc = self.fg[1], self.bg[1]
        if k < 64:
            g.append('PEN %s %s' % (STYLES[k >> 4], self.rgb(c)))
            g.append('MOVE %d %d' % p1); g.append('LINE %d %d' % p0)
            if not k & 8: g.append('LINE %d %d' % (p0[0] + 1, p0[1] + 1))
            return
        g.append('NULLPEN'); g.append('BRUSH %s' % self.rgb(c))
        grp = k & 0xF8
        if grp == 64: g.append('POLY %d %d %d %d %d %d %d %d' % (p0[0]+1, p0[1], p0[0], p0[1], p0[0], p0[1]+2, p0[0]+1, p0[1]+2))
        elif grp == 80: g.append('POLY %d %d %d %d %d %d' % (p0 + p1 + p2))
        elif grp == 96: g.append('POLY %d %d %d %d %d %d %d %d' % (p1[0], p0[1], p0[0], p0[1], p0[0], p1[1], p1[0], p1[1]))
        elif grp == 112:
            p3 = (p0[0] - p1[0] + p2[0], p0[1] - p1[1] + p2[1])
            g.append('POLY %d %d %d %d %d %d %d %d' % (p2 + p1 + p0 + p3))
        elif grp in (72, 88, 104, 120):
            left = p0[0] if grp in (88, 120) else -32767
            g.append('CLIPAND %d %d %d %d' % (left, p0[1], 32767, p0[1] + 2))
            col, typ = {72: (bgc, 'FLOODFILLSURFACE'), 88: (bgc, 'FLOODFILLBORDER'),
                        104: (fgc, 'FLOODFILLBORDER'), 120: (fgc, 'FLOODFILLSURFACE')}[grp]
            g.append('FLOOD %d %d %s %s' % (p0[0], p0[1], self.rgb(col), typ))
        elif grp == 128: g.append('FLOOD %d %d %s FLOODFILLSURFACE' % (p0[0], p0[1], self.rgb(bgc)))
        elif grp == 136: g.append('FLOOD %d %d %s FLOODFILLBORDER' % (p0[0], p0[1], self.rgb(fgc)))
        elif grp in (144, 152):
            r = radius(p1, p0)
            box = (p1[0] - r, p1[1] - r, p1[0] + r, p1[1] + r)
            if grp == 144:
                g.append('PEN PS_SOLID %s' % self.rgb(c)); g.append('ARC %d %d %d %d 32767 32767 32767 32767' % box)
            else: g.append('ELLIPSE %d %d %d %d' % box)
        elif grp in (160, 168, 176):
            r = radius(p2, p1)
            box = (p2[0] - r, p2[1] - r, p2[0] + r, p2[1] + r)
            if grp == 160:
                g.append('PEN PS_SOLID %s' % self.rgb(c)); g.append('ARC %d %d %d %d %d %d %d %d' % (box + p1 + p0))
            else: g.append('%s %d %d %d %d %d %d %d %d' % (('CHORD' if grp == 168 else 'PIE',) + box + p1 + p0))
        elif grp in (192, 200):
            xs = sorted([p1[0], 2 * p2[0] - p1[0]]); ys = sorted([p0[1], 2 * p2[1] - p0[1]])
            box = (xs[0], ys[0], xs[1], ys[1])
            if grp == 192:
                g.append('PEN PS_SOLID %s' % self.rgb(c)); g.append('ARC %d %d %d %d 32767 32767 32767 32767' % box)
            else: g.append('ELLIPSE %d %d %d %d' % box)
    def block(self, k, p0, p1, p2):
        g = self.gdi
        l, r = sorted([p1[0], p2[0]]); t, b = sorted([p1[1], p2[1]])
        w, h = r - l + 1, b - t + 1
        dl, dt = p0[0], p0[1] - h + 1
        g.append('CLIP %d %d %d %d' % self.clip if self.clip else 'NOCLIP')
        if k & 2:
            # A copy within one surface goes through a second one, as the
            # renderer's blits must not overlap.
            g.append('SURFACE 1'); g.append('BLT %d %d %d %d %d %d SRCCOPY 0' % (l, t, w, h, l, t)); g.append('SURFACE 0')
            g.append('BLT %d %d %d %d %d %d SRCCOPY 1' % (dl, dt, w, h, l, t))
        else:
            g.append('SURFACE 1'); g.append('BLT %d %d %d %d %d %d SRCCOPY 0' % (l, t, w, h, l, t)); g.append('SURFACE 0')
            g.append('FILLRECT %d %d %d %d %s' % (l, t, r + 1, b + 1, self.rgb(self.bg[1])))
            g.append('BLT %d %d %d %d %d %d SRCCOPY 1' % (dl, dt, w, h, l, t))
    def write(self, name):
        open(name + '.vdu', 'wb').write(self.vdu)
        open(name + '.gdi', 'w').write('\n'.join(self.gdi) + '\n')

def radius(a, b):
    d = ((b[0] - a[0]) ** 2 + (b[1] - a[1]) ** 2) & 0xFFFFFFFF
    import math
    return 2 * math.isqrt(d >> 2)

def lines():
    c = Case()
    c.colour(132)   # text background blue: the gaps of dotted lines
    c.gcol(0, 1)
    cx, cy = 320, 150
    for i, (dx, dy) in enumerate([(80,20),(20,80),(-20,80),(-80,20),(-80,-20),(-20,-80),(20,-80),(80,-20),(90,0),(0,90),(-90,0),(0,-90),(50,50),(-50,-50)]):
        c.plot(4, 2 * cx, 2 * (H - 1 - cy))
        c.plot(5 if i % 2 == 0 else 13, 2 * (cx + dx), 2 * (H - 1 - (cy + dy)))
    for j, k in enumerate([21, 37, 53, 29, 45, 61]):
        c.gcol(0, 2 + j)
        c.plot(4, 40, 2 * (H - 1 - (300 + 12 * j)))
        c.plot(k, 600, 2 * (H - 1 - (320 + 12 * j)))
        c.plot(k - 4, 0, -200)   # relative, down
    c.gcol(0, 7)
    c.plot(4, 0, 0); c.plot(5, 1279, 1023)          # corner to corner
    c.plot(4, 0, 100); c.plot(9, 100, 0)            # end point left out
    c.plot(1, 1, 1); c.plot(1, -1, -1)              # halving of odd steps
    # Clipped at each edge of a window.
    c.window(800, 100, 1200, 500)
    c.gcol(0, 3)
    for (x0, y0, x1, y1) in [(700, 300, 1300, 320), (1000, 50, 1020, 560), (780, 90, 1210, 510), (1250, 80, 750, 520)]:
        c.plot(4, x0, y0); c.plot(5, x1, y1)
    c.gcol(0, 14)
    c.plot(4, 700, 200); c.plot(21, 1300, 420)
    return c

def shapes():
    c = Case()
    c.gcol(0, 2)
    # Two triangles and a parallelogram sharing edges, drawn with EOR.
    c.gcol(3, 5)
    c.plot(4, 100, 900); c.plot(4, 300, 980); c.plot(85, 160, 700); c.plot(85, 380, 760)
    c.plot(4, 400, 900); c.plot(4, 560, 960); c.plot(117, 500, 700)
    # Rectangles and points.
    c.gcol(0, 3)
    c.plot(4, 700, 900); c.plot(101, 800, 800)
    c.plot(4, 820, 800); c.plot(101, 0, 0)
    c.plot(69, 900, 900); c.plot(69, 903, 903); c.plot(71, 906, 906)
    # Circles of radius 0, 2, 4, 10, 50 (outline and filled) and ellipses.
    c.gcol(0, 6)
    x = 100
    for r in [0, 1, 4, 5, 8, 9, 20, 101]:
        c.plot(4, x, 500); c.plot(145, r, 0)
        c.plot(4, x, 260); c.plot(153, r, 0)
        x += max(2 * r, 30) + 20
    c.gcol(0, 9)
    # The narrowest ellipse is 8 pixels wide: the reference renderer leaves
    # the end rows of a filled 4 or 6 pixel wide, 90 pixel tall ellipse
    # undefined (they showed spans left over from earlier shapes).
    for i, (a, b) in enumerate([(40, 20), (20, 40), (6, 6), (100, 30), (8, 90)]):
        cx = 140 + 200 * i
        c.plot(4, cx, 120); c.plot(0, a, 0); c.plot(193, -a, b)
        c.plot(4, cx + 100, 120); c.plot(0, a, 0); c.plot(201, -a, b)
    return c

def arcs():
    c = Case()
    c.gcol(0, 11)
    # Arcs, chords and sectors: centre, start point, end point.
    specs = [((0, 0), (60, 0), (0, 60)), ((0, 0), (60, 10), (-60, 10)), ((0, 0), (0, -60), (60, 0)),
             ((0, 0), (-50, -30), (50, -30)), ((0, 0), (30, 50), (30, -50)), ((0, 0), (-60, 0), (-60, -1))]
    for row, k in enumerate([165, 173, 181]):
        for i, (ce, s, e) in enumerate(specs):
            cx, cy = 120 + 200 * i, 850 - 320 * row
            c.plot(4, cx, cy); c.plot(4, cx + s[0], cy + s[1]); c.plot(k, cx + e[0], cy + e[1])
    return c

def fills():
    c = Case()
    # Closed outlines, then flood fills of both kinds.
    c.gcol(0, 7)
    for (x0, y0, x1, y1) in [(100, 100, 500, 100), (500, 100, 500, 500), (500, 500, 100, 500), (100, 500, 100, 100),
                             (300, 100, 300, 400)]:
        c.plot(4, x0, y0); c.plot(5, x1, y1)
    c.gcol(0, 1); c.plot(133, 200, 300)                    # while background
    c.gcol(0, 7); c.gcol(0, 2); c.plot(4, 700, 100); c.plot(5, 1100, 500); c.plot(5, 700, 900); c.plot(5, 700, 100)
    c.plot(141, 750, 450)                                  # until foreground
    # Horizontal fills.
    c.gcol(0, 4); c.plot(4, 120, 700); c.plot(5, 600, 700)
    c.gcol(0, 3); c.plot(77, 300, 720)
    c.gcol(0, 4); c.plot(93, 200, 740)
    c.gcol(0, 4); c.plot(4, 100, 760); c.plot(5, 400, 760); c.plot(109, 250, 760)
    c.plot(125, 150, 700)
    # Each mix over stripes, and EOR twice.
    for i in range(8):
        c.gcol(0, i + 8); c.plot(4, 700 + 60 * i, 600); c.plot(101, 700 + 60 * i + 50, 1000)
    for j, m in enumerate([0, 1, 2, 3, 4]):
        c.gcol(m, 6); c.plot(4, 680, 980 - 70 * j); c.plot(101, 1200, 940 - 70 * j)
    c.gcol(3, 13)
    for _ in range(2):
        c.plot(4, 680, 640); c.plot(101, 1200, 610)
    # Block copy and move overlapping themselves.
    c.gcol(0, 128 + 1)
    c.plot(4, 100, 800); c.plot(4, 300, 1000); c.plot(190, 160, 900)
    c.plot(4, 700, 120); c.plot(4, 900, 300); c.plot(189, 760, 200)
    return c

if __name__ == '__main__':
    os.chdir(os.path.dirname(os.path.abspath(__file__)))
    for name, f in [('plot-lines', lines), ('plot-shapes', shapes), ('plot-arcs', arcs), ('plot-fills', fills)]:
        f().write(name)
