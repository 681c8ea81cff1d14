# A page of 24 rows of 40 coloured 16x20 cells drawn 1,000 times: each cell
# filled with its background and given its glyph (rendered once, cached).
import os
os.environ.setdefault("SDL_VIDEODRIVER", "dummy")
import pygame
pygame.font.init()
font = pygame.font.Font(None, 20)
COLOURS = [(0, 0, 0), (255, 0, 0), (0, 255, 0), (255, 255, 0), (0, 0, 255), (255, 0, 255), (0, 255, 255),
           (255, 255, 255)]
surf = pygame.Surface((640, 500), depth=32)
glyphs = {}
def glyph(ch, colour):
    key = (ch, colour)
    g = glyphs.get(key)
    if g is None:
        g = glyphs[key] = font.render(ch, False, COLOURS[colour])
    return g
pages = []
for p in range(2):
    rows = []
    for r in range(24):
        colour = 1 + (r + p) % 7
        rows.append((colour, [chr(33 + (r * 7 + c + p * 13) % 94) for c in range(2, 41)]))
    pages.append(rows)
fill, blit = surf.fill, surf.blit
for i in range(1, 1001):
    for r, (colour, chars) in enumerate(pages[i & 1]):
        y = r * 20
        fill((0, 0, 0), (0, y, 16, 20))
        for c, ch in enumerate(chars, 1):
            fill((0, 0, 0), (c * 16, y, 16, 20))
            blit(glyph(ch, colour), (c * 16, y))
