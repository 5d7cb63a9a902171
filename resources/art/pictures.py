"""The pictograms the artwork is built from, each drawn around a given point."""

import math

from canvas import BLACK, WHITE, draw_text_centred

INK = (30, 30, 30)
ARROW = (214, 84, 18)  # the orange of every "how far" arrow
SKIN = (250, 224, 196)
PHOTO = (206, 226, 240)


def cursor(c, x, y, s, fill=WHITE, edge=BLACK):
    """The ordinary pointer arrow with its tip at (x, y), s pixels per unit."""
    shape = [(0, 0), (0, 17), (4, 13), (7, 20), (10, 19), (7, 12), (12, 12)]
    pts = [(x + px * s, y + py * s) for px, py in shape]
    c.polygon(pts, fill)
    c.stroke(pts, max(1.2, s * 1.1), edge, closed=True)


def mouse(c, cx, cy, w, h, left_pressed=False, color=INK):
    """A computer mouse seen from above, with its cable."""
    top = cy - h / 2
    c.ellipse(cx, cy, w / 2, h / 2, WHITE)
    if left_pressed:
        c.polygon([(cx - w / 2 + 2, cy - h * 0.08), (cx, cy - h * 0.08), (cx, top + 1),
                   (cx - w * 0.3, top + h * 0.06), (cx - w * 0.45, top + h * 0.22)], (120, 160, 230))
    c.ellipse(cx, cy, w / 2, h / 2, color, width=2.2)
    c.line(cx, top + 1, cx, cy - h * 0.08, 2, color)
    c.line(cx - w / 2 + 1, cy - h * 0.08, cx + w / 2 - 1, cy - h * 0.08, 2, color)
    c.stroke([(cx, top), (cx + 2, top - 6), (cx - 3, top - 11), (cx + 1, top - 15)], 2, color)


def face(c, cx, cy, rx, ry, color=INK, width=2.0, eyes=True, mouth=True):
    c.ellipse(cx, cy, rx, ry, SKIN)
    c.ellipse(cx, cy, rx, ry, color, width=width)
    if eyes:
        for side in (-1, 1):
            c.ellipse(cx + side * rx * 0.38, cy - ry * 0.15, rx * 0.12, ry * 0.1, color)
    if mouth:
        c.ellipse(cx, cy + ry * 0.3, rx * 0.38, ry * 0.22, color, width=width, start=200, end=340)


def snapshot(c, left, top, right, bottom, mirrored):
    """A photo of the user raising a hand; mirrored swaps left and right."""
    c.fill_rect(left, top, right, bottom, PHOTO)
    w = right - left

    def X(u):  # u in 0..1 across the photo, flipped when mirrored
        return left + (1 - u if mirrored else u) * w

    base = bottom
    # shoulders and body
    c.polygon([(X(0.22), base), (X(0.26), top + 58), (X(0.36), top + 50), (X(0.64), top + 50),
               (X(0.74), top + 58), (X(0.78), base)], (70, 110, 170))
    # the raised arm on the user's side of the photo
    # (the hand stays clear of the tick square in both orientations)
    c.stroke([(X(0.64), top + 56), (X(0.84), top + 42), (X(0.76), top + 18)], 7, (70, 110, 170))
    c.ellipse(X(0.76), top + 14, 5, 6, SKIN)
    c.ellipse(X(0.76), top + 14, 5, 6, INK, width=1.2)
    # head
    face(c, X(0.48), top + 34, 12, 15, width=1.6)
    c.ellipse(X(0.48), top + 22, 12, 6, (90, 60, 40), start=0, end=180)


def webcam(c, cx, cy):
    c.polygon([(cx - 22, cy + 40), (cx + 22, cy + 40), (cx + 12, cy + 30), (cx - 12, cy + 30)], INK)
    c.line(cx, cy + 30, cx, cy + 20, 5, INK)
    c.ellipse(cx, cy - 4, 27, 25, (235, 235, 240))
    c.ellipse(cx, cy - 4, 27, 25, INK, width=2.5)
    c.ellipse(cx, cy - 4, 14, 14, (40, 60, 100))
    c.ellipse(cx, cy - 4, 7, 7, (120, 170, 230))
    c.ellipse(cx - 3, cy - 7, 2.2, 2.2, WHITE)
    c.ellipse(cx + 17, cy - 20, 2.5, 2.5, (220, 40, 40))


def flip_arrow(c, cx, cy, rx, ry):
    """A horizontal ring arrow around a dashed vertical axis: turn the picture over."""
    c.dashed(cx, cy - ry - 26, cx, cy + ry + 26, 2, (90, 90, 90))
    c.ellipse(cx, cy, rx, ry, ARROW, width=3, start=195, end=345)
    c.ellipse(cx, cy, rx, ry, ARROW, width=3, start=20, end=160)
    for sign in (-1, 1):
        # heads at the front ends of the ring, pointing away from each other
        ang = math.radians(200 if sign < 0 else 340)
        tx, ty = cx + rx * math.cos(ang), cy - ry * math.sin(ang)
        c.arrowhead(tx + sign * 3, ty + 2, sign * 0.8, 0.6, 11, ARROW)


def eye(c, cx, cy, open_, color=INK):
    if open_:
        c.ellipse(cx, cy, 13, 7.5, WHITE)
        c.ellipse(cx, cy, 13, 7.5, color, width=2)
        c.ellipse(cx, cy, 5, 5, (60, 110, 170) if color == INK else color)
        c.ellipse(cx, cy, 2.2, 2.2, color)
    else:
        c.ellipse(cx, cy - 3, 13, 7.5, color, width=2.2, start=190, end=350)
        for dx in (-7, 0, 7):
            c.line(cx + dx, cy + 4, cx + dx * 1.3, cy + 8, 1.6, color)


def mouth(c, cx, cy, open_):
    if open_:
        c.ellipse(cx, cy, 12, 10, (120, 20, 30))
        c.ellipse(cx, cy, 12, 10, INK, width=2.2)
        c.ellipse(cx, cy + 5, 6, 3, (230, 110, 120))
    else:
        c.ellipse(cx, cy - 5, 14, 7, INK, width=2.4, start=200, end=340)


def small_arrow(c, x0, y, x1, color=INK):
    c.arrow(x0, y, x1, y, 2, color, head=6)


def stopwatch(c, cx, cy, r):
    c.line(cx, cy - r - 2, cx, cy - r - 6, 4, INK)
    c.line(cx - 5, cy - r - 7, cx + 5, cy - r - 7, 3, INK)
    c.line(cx + r * 0.7, cy - r * 0.7, cx + r * 0.85, cy - r * 0.85, 3, INK)
    c.ellipse(cx, cy, r, r, WHITE)
    c.ellipse(cx, cy, r, r, INK, width=2.4)
    # a quarter of the dial shaded: the little wait
    c.ellipse(cx, cy, r - 3, r - 3, (250, 200, 160), start=60, end=90)
    c.polygon([(cx, cy), (cx, cy - r + 3), (cx + (r - 3) * math.cos(math.radians(60)),
                                             cy - (r - 3) * math.sin(math.radians(60)))],
              (250, 200, 160))
    c.line(cx, cy, cx + (r - 5) * 0.5, cy - (r - 5) * 0.866, 2, INK)
    c.ellipse(cx, cy, 2, 2, INK)


def eyebrows_face(c, cx, cy, color):
    """Part of a face with both eyebrows raised high above the eyes."""
    for side in (-1, 1):
        c.ellipse(cx + side * 20, cy + 6, 9, 5, color, width=1.8)
        c.ellipse(cx + side * 20, cy + 6, 2.5, 2.5, color)
        c.ellipse(cx + side * 20, cy - 6, 11, 7, color, width=2.6, start=30, end=150)
        c.arrow(cx + side * 36, cy + 2, cx + side * 36, cy - 16, 1.8, color, head=5)


def pusher(c, cx, cy):
    """A stick figure leaning into a box: dragging."""
    c.fill_rect(int(cx + 8), int(cy - 6), int(cx + 34), int(cy + 22), (225, 190, 130))
    c.frame_rect(int(cx + 8), int(cy - 6), int(cx + 34), int(cy + 22), INK, 2)
    c.line(cx + 8, cy - 6, cx + 34, cy + 22, 1, (170, 130, 80))
    c.ellipse(cx - 22, cy - 20, 6, 6, INK)
    c.line(cx - 20, cy - 13, cx - 6, cy + 6, 3, INK)  # leaning body
    c.stroke([(cx - 17, cy - 8), (cx - 4, cy - 4), (cx + 7, cy - 1)], 2.6, INK)
    c.stroke([(cx - 17, cy - 6), (cx - 6, cy + 1), (cx + 7, cy + 4)], 2.6, INK)
    c.stroke([(cx - 6, cy + 6), (cx - 6, cy + 14), (cx - 4, cy + 22)], 2.6, INK)
    c.stroke([(cx - 6, cy + 6), (cx - 18, cy + 14), (cx - 26, cy + 22)], 2.6, INK)
    c.line(cx - 34, cy + 23, cx + 40, cy + 23, 1.5, (120, 120, 120))
    c.arrow(cx + 38, cy + 8, cx + 52, cy + 8, 2.4, ARROW, head=7)


def door(c, left, top, right, bottom):
    c.fill_rect(left, top, right, bottom, (120, 80, 50))
    c.frame_rect(left, top, right, bottom, INK, 1)
    c.polygon([(left + 1, top + 1), (left + (right - left) * 0.62, top + 4),
               (left + (right - left) * 0.62, bottom - 2), (left + 1, bottom - 1)], (200, 150, 95))
    c.ellipse(left + (right - left) * 0.48, (top + bottom) / 2, 1.5, 1.5, INK)


def button(c, rect, label, with_door=False):
    left, top, right, bottom = rect
    c.round_rect(left, top, right, bottom, 6, (222, 228, 238))
    c.round_rect(left, top, right, bottom, 6, (60, 70, 90), width=2)
    cy = (top + bottom + 1) / 2
    if with_door:
        cx = (left + right + 1) / 2 - 14
        draw_text_centred(c, cx, cy, label, 3, INK)
        dl = int(cx + 44)
        door(c, dl, top + 5, dl + 15, bottom - 5)
    else:
        draw_text_centred(c, (left + right + 1) / 2, cy, label, 3, INK)
