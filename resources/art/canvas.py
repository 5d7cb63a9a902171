"""A tiny raster canvas for the program's artwork.

Shapes are predicates on sub-pixel sample points; each pixel of a shape's
bounding box is sampled on a small grid and blended by coverage, which gives
smooth line art without any drawing library. Frames and tick squares use the
crisp pixel operations so that they land on exact pixel coordinates.
"""

import math
import struct
import zlib

SUBSAMPLES = 3  # per axis: 9 samples per pixel is smooth enough for line art

WHITE = (255, 255, 255)
BLACK = (0, 0, 0)


class Canvas:
    def __init__(self, width, height, background=WHITE):
        self.width = width
        self.height = height
        self.pixels = [list(background) for _ in range(width * height)]

    # --- crisp pixel operations -------------------------------------------
    def put(self, x, y, color):
        if 0 <= x < self.width and 0 <= y < self.height:
            self.pixels[y * self.width + x] = list(color)

    def get(self, x, y):
        return tuple(self.pixels[y * self.width + x])

    def fill_rect(self, left, top, right, bottom, color):
        """Fills the pixels left..right, top..bottom inclusive."""
        for y in range(top, bottom + 1):
            for x in range(left, right + 1):
                self.put(x, y, color)

    def frame_rect(self, left, top, right, bottom, color, width=1):
        """Draws a frame whose outer pixels are the given edges."""
        for i in range(width):
            self.fill_rect(left + i, top + i, right - i, top + i, color)
            self.fill_rect(left + i, bottom - i, right - i, bottom - i, color)
            self.fill_rect(left + i, top + i, left + i, bottom - i, color)
            self.fill_rect(right - i, top + i, right - i, bottom - i, color)

    # --- smooth shapes -----------------------------------------------------
    def shape(self, inside, box, color, alpha=1.0):
        """Blends color over every pixel of box by the share of its samples
        for which inside(x, y) holds."""
        x0, y0, x1, y1 = box
        x0 = max(0, int(math.floor(x0)) - 1)
        y0 = max(0, int(math.floor(y0)) - 1)
        x1 = min(self.width - 1, int(math.ceil(x1)) + 1)
        y1 = min(self.height - 1, int(math.ceil(y1)) + 1)
        n = SUBSAMPLES
        offsets = [(i + 0.5) / n for i in range(n)]
        total = n * n
        for py in range(y0, y1 + 1):
            for px in range(x0, x1 + 1):
                hits = 0
                for oy in offsets:
                    for ox in offsets:
                        if inside(px + ox, py + oy):
                            hits += 1
                if hits:
                    a = alpha * hits / total
                    p = self.pixels[py * self.width + px]
                    for c in range(3):
                        p[c] = int(round(p[c] * (1 - a) + color[c] * a))

    def stroke(self, points, width, color, closed=False):
        """A polyline of the given width with round joints and ends."""
        pts = list(points)
        if closed:
            pts.append(pts[0])
        segs = list(zip(pts, pts[1:])) or [(pts[0], pts[0])]
        h = width / 2.0

        def inside(x, y):
            for (ax, ay), (bx, by) in segs:
                if _seg_dist2(x, y, ax, ay, bx, by) <= h * h:
                    return True
            return False

        xs = [p[0] for p in pts]
        ys = [p[1] for p in pts]
        self.shape(inside, (min(xs) - h, min(ys) - h, max(xs) + h, max(ys) + h), color)

    def line(self, x0, y0, x1, y1, width, color):
        self.stroke([(x0, y0), (x1, y1)], width, color)

    def dashed(self, x0, y0, x1, y1, width, color, dash=6, gap=4):
        length = math.hypot(x1 - x0, y1 - y0)
        ux, uy = (x1 - x0) / length, (y1 - y0) / length
        t = 0.0
        while t < length:
            e = min(t + dash, length)
            self.line(x0 + ux * t, y0 + uy * t, x0 + ux * e, y0 + uy * e, width, color)
            t += dash + gap

    def ellipse(self, cx, cy, rx, ry, color, width=None, start=None, end=None):
        """Filled ellipse, or its outline when width is given; start and end
        (degrees, counter-clockwise from +x with y pointing up) keep an arc."""

        def on_arc(x, y):
            if start is None:
                return True
            a = math.degrees(math.atan2(-(y - cy) / ry, (x - cx) / rx)) % 360
            s, e = start % 360, end % 360
            return s <= a <= e if s <= e else a >= s or a <= e

        if width is None:
            def inside(x, y):
                return ((x - cx) / rx) ** 2 + ((y - cy) / ry) ** 2 <= 1.0 and on_arc(x, y)
            pad = 0
        else:
            h = width / 2.0

            def inside(x, y):
                dx, dy = x - cx, y - cy
                outer = (dx / (rx + h)) ** 2 + (dy / (ry + h)) ** 2 <= 1.0
                inner = rx > h and ry > h and (dx / (rx - h)) ** 2 + (dy / (ry - h)) ** 2 < 1.0
                return outer and not inner and on_arc(x, y)
            pad = h
        self.shape(inside, (cx - rx - pad, cy - ry - pad, cx + rx + pad, cy + ry + pad), color)

    def polygon(self, points, color, alpha=1.0):
        pts = list(points)

        def inside(x, y):
            c = False
            j = len(pts) - 1
            for i in range(len(pts)):
                xi, yi = pts[i]
                xj, yj = pts[j]
                if (yi > y) != (yj > y) and x < (xj - xi) * (y - yi) / (yj - yi) + xi:
                    c = not c
                j = i
            return c

        xs = [p[0] for p in pts]
        ys = [p[1] for p in pts]
        self.shape(inside, (min(xs), min(ys), max(xs), max(ys)), color, alpha)

    def round_rect(self, left, top, right, bottom, radius, color, width=None):
        """Rounded rectangle between the given pixel edges, filled or outlined."""
        l, t, r, b = left, top, right + 1, bottom + 1

        def dist_out(x, y):
            qx = max(l + radius - x, 0, x - (r - radius))
            qy = max(t + radius - y, 0, y - (b - radius))
            return math.hypot(qx, qy) - radius

        if width is None:
            def inside(x, y):
                return dist_out(x, y) <= 0
        else:
            def inside(x, y):
                d = dist_out(x, y)
                return -width <= d <= 0
        self.shape(inside, (l, t, r, b), color)

    def arrow(self, x0, y0, x1, y1, width, color, head=None, both=False):
        """A line with a filled arrowhead at (x1, y1), and at (x0, y0) too when both."""
        head = head or width * 3.2
        length = math.hypot(x1 - x0, y1 - y0)
        ux, uy = (x1 - x0) / length, (y1 - y0) / length
        sx, sy = (x0 + ux * head * 0.8, y0 + uy * head * 0.8) if both else (x0, y0)
        self.line(sx, sy, x1 - ux * head * 0.8, y1 - uy * head * 0.8, width, color)
        self.arrowhead(x1, y1, ux, uy, head, color)
        if both:
            self.arrowhead(x0, y0, -ux, -uy, head, color)

    def arrowhead(self, tx, ty, ux, uy, size, color):
        nx, ny = -uy, ux
        bx, by = tx - ux * size, ty - uy * size
        self.polygon([(tx, ty), (bx + nx * size * 0.6, by + ny * size * 0.6),
                      (bx - nx * size * 0.6, by - ny * size * 0.6)], color)

    # --- output ------------------------------------------------------------
    def bmp_bytes(self):
        """A 24-bit bottom-up Windows bitmap file."""
        stride = (self.width * 3 + 3) & ~3
        rows = []
        for y in range(self.height - 1, -1, -1):
            row = bytearray()
            for x in range(self.width):
                r, g, b = self.pixels[y * self.width + x]
                row += bytes((b, g, r))
            row += bytes(stride - len(row))
            rows.append(bytes(row))
        data = b"".join(rows)
        info = struct.pack("<IiiHHIIiiII", 40, self.width, self.height, 1, 24, 0, len(data),
                           2835, 2835, 0, 0)
        head = struct.pack("<2sIHHI", b"BM", 14 + len(info) + len(data), 0, 0, 14 + len(info))
        return head + info + data

    def png_bytes(self):
        raw = bytearray()
        for y in range(self.height):
            raw.append(0)
            for x in range(self.width):
                raw += bytes(self.pixels[y * self.width + x])
        return _png(self.width, self.height, 2, bytes(raw))


def _seg_dist2(x, y, ax, ay, bx, by):
    dx, dy = bx - ax, by - ay
    den = dx * dx + dy * dy
    t = 0.0 if den == 0 else max(0.0, min(1.0, ((x - ax) * dx + (y - ay) * dy) / den))
    ex, ey = ax + t * dx - x, ay + t * dy - y
    return ex * ex + ey * ey


def _png(width, height, color_type, raw):
    def chunk(kind, body):
        return (struct.pack(">I", len(body)) + kind + body
                + struct.pack(">I", zlib.crc32(kind + body) & 0xFFFFFFFF))

    ihdr = struct.pack(">IIBBBBB", width, height, 8, color_type, 0, 0, 0)
    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", ihdr) + chunk(b"IDAT", zlib.compress(raw, 9))
            + chunk(b"IEND", b""))


def rgba_png(width, height, rgba_rows):
    raw = b"".join(b"\x00" + bytes(r) for r in rgba_rows)
    return _png(width, height, 6, raw)


# --- a 5x7 font for the few words the pictures carry -----------------------
FONT = {
    "A": ["01110", "10001", "10001", "11111", "10001", "10001", "10001"],
    "C": ["01110", "10001", "10000", "10000", "10000", "10001", "01110"],
    "E": ["11111", "10000", "10000", "11110", "10000", "10000", "11111"],
    "I": ["11111", "00100", "00100", "00100", "00100", "00100", "11111"],
    "K": ["10001", "10010", "10100", "11000", "10100", "10010", "10001"],
    "L": ["10000", "10000", "10000", "10000", "10000", "10000", "11111"],
    "N": ["10001", "11001", "10101", "10011", "10001", "10001", "10001"],
    "O": ["01110", "10001", "10001", "10001", "10001", "10001", "01110"],
    "T": ["11111", "00100", "00100", "00100", "00100", "00100", "00100"],
    "X": ["10001", "10001", "01010", "00100", "01010", "10001", "10001"],
    "1": ["00100", "01100", "00100", "00100", "00100", "00100", "01110"],
    "5": ["11111", "10000", "11110", "00001", "00001", "10001", "01110"],
    ".": ["00000", "00000", "00000", "00000", "00000", "01100", "01100"],
    "s": ["00000", "00000", "01111", "10000", "01110", "00001", "11110"],
    " ": ["00000"] * 7,
}


def text_width(text, scale):
    return len(text) * 6 * scale - scale


def draw_text(canvas, x, y, text, scale, color):
    """Crisp block letters with their top-left corner at (x, y)."""
    for i, ch in enumerate(text):
        rows = FONT[ch]
        for gy, row in enumerate(rows):
            for gx, bit in enumerate(row):
                if bit == "1":
                    px = x + (i * 6 + gx) * scale
                    py = y + gy * scale
                    canvas.fill_rect(px, py, px + scale - 1, py + scale - 1, color)


def draw_text_centred(canvas, cx, cy, text, scale, color):
    draw_text(canvas, int(round(cx - text_width(text, scale) / 2)),
              int(round(cy - 7 * scale / 2)), text, scale, color)
