# 20,000 filled circles of radius 10 pixels.
import os
os.environ.setdefault("SDL_VIDEODRIVER", "dummy")
import pygame
from palette import PALETTE
surf = pygame.Surface((640, 512), depth=32)
circle = pygame.draw.circle
for i in range(1, 20001):
    circle(surf, PALETTE[i & 15], (((i * 37) % 1280) // 2, 511 - ((i * 91) % 1024) // 2), 10)
