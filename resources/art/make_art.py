#!/usr/bin/env python3
"""Draws the programs' icon and bitmaps.

    make_art.py OUTDIR [--png PREVIEWDIR]

Writes icono.ico, icono_pausa.ico, ojos1.bmp, ojos2.bmp, boca.bmp, opciones.bmp and checkbox.bmp into
OUTDIR (and PNG copies for looking at them into PREVIEWDIR). The output is a
pure function of this source: no fonts, no libraries, no clock.
"""

import os
import struct
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))

from canvas import BLACK, WHITE, Canvas, draw_text_centred, rgba_png  # noqa: E402
import pictures as pic  # noqa: E402

OPTIONS_W, OPTIONS_H = 608, 514
FACE_W, FACE_H = 236, 400
TICK_W, TICK_H = 25, 23
TICK_DX, TICK_DY = 6, 5  # where the tick goes inside a choice's rectangle
ICON_SIZES = (16, 32, 48)

# The clickable rectangles (left, top, right, bottom) of the options window,
# row by row; the window's hit test uses the same numbers.
LAYOUT = [
    [(162, 11, 312, 101), (440, 11, 590, 101)],
    [(162, 122, 278, 169), (318, 122, 434, 169), (475, 122, 591, 169)],
    [(163, 189, 279, 272), (319, 189, 435, 272), (475, 190, 591, 273)],
    [(116, 293, 231, 361), (361, 293, 477, 361), (485, 293, 600, 361)],
    [(116, 382, 231, 451), (361, 382, 477, 451), (485, 382, 600, 451)],
    [(61, 471, 210, 503), (227, 471, 376, 503), (398, 471, 546, 503)],
]
# Rows 3 and 4 show the eyebrows picture, which cannot be chosen, between
# their first and second rectangles.
GREYED_X = (240, 352)

FRAME = (60, 80, 115)
TICK_BLUE = (20, 90, 215)
TICK_INK = (10, 40, 140)
GREY = (175, 175, 175)
ROW_RULE = (215, 220, 228)


def tick_square(c, x, y, color=TICK_BLUE):
    """The empty tick square: a 2-pixel outline, white inside."""
    c.fill_rect(x, y, x + TICK_W - 1, y + TICK_H - 1, WHITE)
    c.frame_rect(x, y, x + TICK_W - 1, y + TICK_H - 1, color, 2)


def choice_frame(c, rect):
    left, top, right, bottom = rect
    c.frame_rect(left, top, right, bottom, FRAME, 2)


def options_picture():
    c = Canvas(OPTIONS_W, OPTIONS_H)
    for y in (111, 179, 282, 371, 461):
        c.fill_rect(8, y, OPTIONS_W - 9, y, ROW_RULE)

    # Row 0: the camera picture as taken, or mirrored.
    pic.webcam(c, 78, 56)
    for k, rect in enumerate(LAYOUT[0]):
        l, t, r, b = rect
        pic.snapshot(c, l + 2, t + 2, r - 2, b - 2, mirrored=(k == 1))
    pic.flip_arrow(c, 376, 56, 38, 11)

    # Row 1: how far the pointer travels.
    c.arrow(28, 160, 132, 160, 3, pic.ARROW, both=True)
    pic.cursor(c, 72, 122, 1.6)
    for rect, length in zip(LAYOUT[1], (18, 36, 56)):
        l, t, r, b = rect
        pic.cursor(c, l + 36, t + 10, 1.35)
        c.arrow(l + 52, t + 24, l + 52 + length, t + 24, 3, pic.ARROW)

    # Row 2: how far the head moves.
    pic.mouse(c, 52, 218, 30, 44)
    c.line(96, 198, 70, 262, 2, pic.INK)
    pic.cursor(c, 100, 226, 1.9)
    for rect, arm in zip(LAYOUT[2], (14, 22, 30)):
        l, t, r, b = rect
        cx, cy = l + 62, t + 44
        for dx, dy in ((1, 0), (-1, 0), (0, 1), (0, -1)):
            c.arrow(cx + dx * 16, cy + dy * 19, cx + dx * (16 + arm), cy + dy * (19 + arm * 0.6),
                    2.6, pic.ARROW, head=8)
        pic.face(c, cx, cy, 13, 16)

    # Rows 3 and 4: the gestures that click, and those that drag.
    pic.mouse(c, 40, 316, 28, 38, left_pressed=True)
    draw_text_centred(c, 56, 350, "CLICK", 2, pic.INK)
    pic.pusher(c, 46, 414)
    for row in (3, 4):
        rects = LAYOUT[row]
        top, bottom = rects[0][1], rects[0][3]
        cy = (top + bottom) / 2 + 8
        l = rects[0][0]
        pic.eye(c, l + 26, cy, True)
        pic.small_arrow(c, l + 44, cy, l + 66)
        pic.eye(c, l + 86, cy, False)
        l = rects[1][0]
        pic.mouth(c, l + 28, cy, False)
        pic.small_arrow(c, l + 48, cy, l + 68)
        pic.mouth(c, l + 88, cy, True)
        l = rects[2][0]
        pic.stopwatch(c, l + 50, top + 46, 15)
        draw_text_centred(c, l + 85, top + 17, "1.5s", 2, pic.INK)
        gl, gr = GREYED_X
        c.frame_rect(gl, top + 3, gr, bottom - 3, (205, 205, 205), 1)
        pic.eyebrows_face(c, (gl + gr) / 2, cy, GREY)

    # Row 5: the buttons.
    pic.button(c, LAYOUT[5][0], "OK")
    pic.button(c, LAYOUT[5][1], "CANCEL")
    pic.button(c, LAYOUT[5][2], "EXIT", with_door=True)

    # Frames and empty tick squares last, so nothing drawn above covers them.
    for row in range(5):
        for rect in LAYOUT[row]:
            choice_frame(c, rect)
            tick_square(c, rect[0] + TICK_DX, rect[1] + TICK_DY)
    return c


def checkbox_picture():
    c = Canvas(TICK_W, TICK_H)
    tick_square(c, 0, 0)
    c.stroke([(5.5, 11.5), (10.5, 17), (20, 5.5)], 3.6, TICK_INK)
    return c


def face_picture(eyes_open, mouth_open=False):
    """The calibration prompt: a face, its eyes open (two ovals) or closed
    (two downward arcs); with mouth_open, the gesture check's wide open
    mouth instead of the smile."""
    c = Canvas(FACE_W, FACE_H)
    cx = FACE_W / 2
    ink, w = BLACK, 3.0
    # neck and shoulders first, so the chin line covers their ends
    c.stroke([(cx - 34, 262), (cx - 36, 320), (cx - 100, 352), (cx - 112, 398)], w, ink)
    c.stroke([(cx + 34, 262), (cx + 36, 320), (cx + 100, 352), (cx + 112, 398)], w, ink)
    c.ellipse(cx, 160, 84, 118, WHITE)
    c.ellipse(cx, 160, 84, 118, ink, width=w)
    for side in (-1, 1):
        ex = cx + side * 36
        c.ellipse(ex, 106, 22, 8, ink, width=2.5, start=25, end=155)  # eyebrow
        if eyes_open:
            c.ellipse(ex, 135, 21, 12, ink, width=w)
            c.ellipse(ex, 135, 6, 6, ink)
        else:
            c.ellipse(ex, 128, 21, 12, ink, width=w, start=195, end=345)
        c.ellipse(cx + side * 86, 160, 8, 20, ink, width=2.5, start=-90 if side > 0 else 90,
                  end=90 if side > 0 else 270)  # ears
    c.stroke([(cx - 2, 142), (cx - 12, 196), (cx + 2, 201), (cx + 10, 197)], w, ink)
    if mouth_open:
        c.ellipse(cx, 234, 24, 22, (120, 20, 30))
        c.ellipse(cx, 234, 24, 22, ink, width=w)
    else:
        c.ellipse(cx, 218, 32, 20, ink, width=w, start=200, end=340)
    return c


def icon_picture(size, paused=False):
    """A head with a pointer over it, on a blue rounded square; drawn in
    48 units so that every size has the same picture. Paused, the picture is
    greyed and carries a pause mark (two bars) at its lower right. Returns
    RGBA rows."""
    c = Canvas(size, size, background=(0, 0, 0))
    mask = Canvas(size, size, background=(0, 0, 0))
    s = size / 48.0
    for target, col in ((c, (30, 100, 210)), (mask, WHITE)):
        target.round_rect(0, 0, size - 1, size - 1, 9 * s, col)
    c.ellipse(21 * s, 22 * s, 13 * s, 16 * s, (250, 230, 205))
    c.ellipse(21 * s, 22 * s, 13 * s, 16 * s, (20, 30, 60), width=max(1.0, 2 * s))
    for ex in (16, 26):
        c.ellipse(ex * s, 19 * s, 2.4 * s, 2.4 * s, (20, 30, 60))
    c.ellipse(21 * s, 27 * s, 5.5 * s, 3.5 * s, (20, 30, 60), width=max(1.0, 1.6 * s),
              start=200, end=340)
    pic.cursor(c, 30 * s, 25 * s, 1.1 * s, fill=WHITE, edge=BLACK)
    if paused:
        grey_out(c, size)
        pause_mark(c, s)
    rows = []
    for y in range(size):
        row = []
        for x in range(size):
            r, g, b = c.get(x, y)
            a = mask.get(x, y)[0]
            row.append((r, g, b, a))
        rows.append(row)
    return rows


PAUSE_FILL = (245, 170, 20)


def grey_out(c, size):
    """Every pixel to its grey, lightened: the tracker is resting."""
    for y in range(size):
        for x in range(size):
            r, g, b = c.get(x, y)
            v = int(0.3 * r + 0.59 * g + 0.11 * b)
            v = min(255, 60 + v * 3 // 4)
            c.fill_rect(x, y, x, y, (v, v, v))


def pause_mark(c, s):
    """Two upright bars on a dark disc, bright enough to read at 16 pixels."""
    c.ellipse(35 * s, 35 * s, 12.5 * s, 12.5 * s, (40, 40, 40))
    for left in (29, 37):
        c.fill_rect(round(left * s), round(28 * s), round((left + 5) * s) - 1, round(42 * s) - 1,
                    PAUSE_FILL)


def ico_bytes(images):
    """An icon file with one 32-bit image (colour with alpha plus an empty
    AND mask) per size."""
    blobs = []
    for size, rows in images:
        info = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 32, 0, 0, 0, 0, 0, 0)
        xor = b"".join(bytes(v for (r, g, b, a) in row for v in (b, g, r, a))
                       for row in reversed(rows))
        and_stride = ((size + 31) // 32) * 4
        blobs.append(info + xor + bytes(and_stride * size))
    out = struct.pack("<HHH", 0, 1, len(images))
    offset = 6 + 16 * len(images)
    for (size, _), blob in zip(images, blobs):
        out += struct.pack("<BBBBHHII", size % 256, size % 256, 0, 0, 1, 32, len(blob), offset)
        offset += len(blob)
    return out + b"".join(blobs)


def main(argv):
    if len(argv) < 2:
        print(__doc__)
        return 2
    out = argv[1]
    previews = argv[argv.index("--png") + 1] if "--png" in argv else None
    os.makedirs(out, exist_ok=True)
    pictures = {
        "opciones": options_picture(),
        "checkbox": checkbox_picture(),
        "ojos1": face_picture(True),
        "ojos2": face_picture(False),
        "boca": face_picture(True, mouth_open=True),
    }
    icons = [(size, icon_picture(size)) for size in ICON_SIZES]
    paused_icons = [(size, icon_picture(size, paused=True)) for size in ICON_SIZES]
    for name, canvas in pictures.items():
        with open(os.path.join(out, name + ".bmp"), "wb") as f:
            f.write(canvas.bmp_bytes())
    with open(os.path.join(out, "icono.ico"), "wb") as f:
        f.write(ico_bytes(icons))
    with open(os.path.join(out, "icono_pausa.ico"), "wb") as f:
        f.write(ico_bytes(paused_icons))
    if previews:
        os.makedirs(previews, exist_ok=True)
        for name, canvas in pictures.items():
            with open(os.path.join(previews, name + ".png"), "wb") as f:
                f.write(canvas.png_bytes())
        for name, images in (("icono", icons), ("icono_pausa", paused_icons)):
            for size, rows in images:
                with open(os.path.join(previews, "%s%d.png" % (name, size)), "wb") as f:
                    f.write(rgba_png(size, size,
                                     [bytes(v for p in row for v in p) for row in rows]))
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
