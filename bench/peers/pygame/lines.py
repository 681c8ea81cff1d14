# 100,000 short lines in changing colours on a 640x512 surface.
import os
os.environ.setdefault("SDL_VIDEODRIVER", "dummy")
import pygame
from palette import PALETTE
surf = pygame.Surface((640, 512), depth=32)
line = pygame.draw.line
for i in range(1, 100001):
    x = (i * 37) % 1200; y = (i * 91) % 960
    # Graphics units are half pixels, y upwards.
    line(surf, PALETTE[i & 15], (x // 2, 511 - y // 2), ((x + 40) // 2, 511 - (y + 30) // 2))
