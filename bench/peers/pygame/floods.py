# 1,000 flood fills of a 100x100 pixel region inside a white border,
# alternately red on black and black on red. pygame has no flood fill: the
# region is the connected component of a colour mask, painted through it.
import os
os.environ.setdefault("SDL_VIDEODRIVER", "dummy")
import pygame
surf = pygame.Surface((640, 512), depth=32)
pygame.draw.rect(surf, (255, 255, 255), (199, 212, 103, 103), 1)
red, black = (200, 0, 0), (0, 0, 0)
for i in range(1, 1001):
    over, colour = (black, red) if i & 1 else (red, black)
    mask = pygame.mask.from_threshold(surf, over, (1, 1, 1, 255))
    region = mask.connected_component((250, 262))
    region.to_surface(surf, setcolor=colour, unsetcolor=None)
