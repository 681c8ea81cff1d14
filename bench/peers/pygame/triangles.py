# 20,000 filled triangles about 20 pixels across.
import os
os.environ.setdefault("SDL_VIDEODRIVER", "dummy")
import pygame
from palette import PALETTE
surf = pygame.Surface((640, 512), depth=32)
polygon = pygame.draw.polygon
for i in range(1, 20001):
    x = (i * 37) % 1200; y = (i * 91) % 960
    polygon(surf, PALETTE[i & 15], [(x // 2, 511 - y // 2), ((x + 40) // 2, 511 - (y + 10) // 2),
                                     ((x + 10) // 2, 511 - (y + 40) // 2)])
