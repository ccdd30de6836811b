#!/usr/bin/env python3
"""Draw the 48x48 toolbar and window icons used by QORUtil.

Run this script from anywhere; it writes 37.png, 39.png, 48.png, 50.png,
52.png and 65.png next to itself.  Only the standard library is used, and
the output is byte-for-byte the same on every run.

Every picture is built from a few shape tests (a function telling whether a
point lies inside the shape).  Each pixel is sampled on a 4x4 grid, which
gives smooth, anti-aliased edges.  Shapes are painted back to front with
ordinary "over" compositing onto a transparent canvas.
"""

import math
import os
import struct
import zlib

SIZE = 48
SUB = 4  # samples per pixel along each axis


# ---------------------------------------------------------------------------
# Canvas and painting
# ---------------------------------------------------------------------------

class Canvas:
    """A SIZE x SIZE image held as premultiplied RGBA floats in 0..1."""

    def __init__(self):
        self.px = [[0.0, 0.0, 0.0, 0.0] for _ in range(SIZE * SIZE)]

    def fill(self, inside, colour, alpha=1.0):
        """Paint every point where inside(x, y) is true.

        colour is an (r, g, b) tuple of 0..255 values, or a function of
        (x, y) returning such a tuple (used for gradients).
        """
        offsets = [(i + 0.5) / SUB for i in range(SUB)]
        n = float(SUB * SUB)
        for py in range(SIZE):
            for px in range(SIZE):
                hits = 0
                for oy in offsets:
                    y = py + oy
                    for ox in offsets:
                        if inside(px + ox, y):
                            hits += 1
                if not hits:
                    continue
                a = alpha * hits / n
                if callable(colour):
                    r, g, b = colour(px + 0.5, py + 0.5)
                else:
                    r, g, b = colour
                dst = self.px[py * SIZE + px]
                keep = 1.0 - a
                dst[0] = r / 255.0 * a + dst[0] * keep
                dst[1] = g / 255.0 * a + dst[1] * keep
                dst[2] = b / 255.0 * a + dst[2] * keep
                dst[3] = a + dst[3] * keep

    def png_bytes(self):
        """Encode as an 8-bit RGBA, non-interlaced PNG."""
        raw = bytearray()
        for py in range(SIZE):
            raw.append(0)  # filter type: none
            for px in range(SIZE):
                r, g, b, a = self.px[py * SIZE + px]
                if a <= 0.0:
                    raw += b"\x00\x00\x00\x00"
                    continue
                for c in (r / a, g / a, b / a, a):
                    raw.append(max(0, min(255, int(round(c * 255.0)))))

        def chunk(tag, data):
            body = tag + data
            return (struct.pack(">I", len(data)) + body
                    + struct.pack(">I", zlib.crc32(body) & 0xFFFFFFFF))

        ihdr = struct.pack(">IIBBBBB", SIZE, SIZE, 8, 6, 0, 0, 0)
        return (b"\x89PNG\r\n\x1a\n"
                + chunk(b"IHDR", ihdr)
                + chunk(b"IDAT", zlib.compress(bytes(raw), 9))
                + chunk(b"IEND", b""))


# ---------------------------------------------------------------------------
# Shape tests.  Each returns a function (x, y) -> bool.
# ---------------------------------------------------------------------------

def rounded_rect(x0, y0, x1, y1, radius):
    """Filled rectangle from (x0, y0) to (x1, y1) with rounded corners."""
    cx, cy = (x0 + x1) / 2.0, (y0 + y1) / 2.0
    hx, hy = (x1 - x0) / 2.0 - radius, (y1 - y0) / 2.0 - radius

    def inside(x, y):
        dx = max(abs(x - cx) - hx, 0.0)
        dy = max(abs(y - cy) - hy, 0.0)
        return dx * dx + dy * dy <= radius * radius and \
            abs(x - cx) <= hx + radius and abs(y - cy) <= hy + radius
    return inside


def circle(cx, cy, r):
    """Filled disc."""
    def inside(x, y):
        return (x - cx) ** 2 + (y - cy) ** 2 <= r * r
    return inside


def _angle_in(a, start, span):
    return (a - start) % (2.0 * math.pi) <= span


def ring(cx, cy, r, width, start_deg=0.0, span_deg=360.0):
    """Band of the given width centred on a circle of radius r.

    Angles are in degrees, measured clockwise on screen from the +x axis,
    and the band covers span_deg degrees starting at start_deg.
    """
    r_in, r_out = r - width / 2.0, r + width / 2.0
    start, span = math.radians(start_deg), math.radians(span_deg)
    full = span_deg >= 360.0

    def inside(x, y):
        d2 = (x - cx) ** 2 + (y - cy) ** 2
        if d2 < r_in * r_in or d2 > r_out * r_out:
            return False
        return full or _angle_in(math.atan2(y - cy, x - cx), start, span)
    return inside


def segment(x0, y0, x1, y1, width, round_caps=True):
    """Thick straight line; with round_caps it is a capsule."""
    dx, dy = x1 - x0, y1 - y0
    length2 = dx * dx + dy * dy
    half = width / 2.0

    def inside(x, y):
        t = ((x - x0) * dx + (y - y0) * dy) / length2
        if not round_caps and (t < 0.0 or t > 1.0):
            return False
        t = max(0.0, min(1.0, t))
        ex, ey = x - (x0 + t * dx), y - (y0 + t * dy)
        return ex * ex + ey * ey <= half * half
    return inside


def polygon(points):
    """Filled polygon (even-odd rule)."""
    pts = list(points)

    def inside(x, y):
        result = False
        j = len(pts) - 1
        for i in range(len(pts)):
            xi, yi = pts[i]
            xj, yj = pts[j]
            if (yi > y) != (yj > y):
                if x < (xj - xi) * (y - yi) / (yj - yi) + xi:
                    result = not result
            j = i
        return result
    return inside


def hexagon_points(cx, cy, r):
    """Corners of a regular hexagon with a point at the top."""
    return [(cx + r * math.cos(math.radians(-90 + 60 * k)),
             cy + r * math.sin(math.radians(-90 + 60 * k))) for k in range(6)]


def union(*shapes):
    def inside(x, y):
        return any(s(x, y) for s in shapes)
    return inside


def intersect(*shapes):
    def inside(x, y):
        return all(s(x, y) for s in shapes)
    return inside


def subtract(shape, hole):
    def inside(x, y):
        return shape(x, y) and not hole(x, y)
    return inside


def vertical_gradient(top, bottom, y0, y1):
    """Colour function blending from top (at y0) to bottom (at y1)."""
    def colour(x, y):
        t = max(0.0, min(1.0, (y - y0) / float(y1 - y0)))
        return tuple(a + (b - a) * t for a, b in zip(top, bottom))
    return colour


def radial_gradient(inner, outer, cx, cy, r):
    """Colour function blending from inner (at cx, cy) to outer (at r)."""
    def colour(x, y):
        t = min(1.0, math.hypot(x - cx, y - cy) / r)
        return tuple(a + (b - a) * t for a, b in zip(inner, outer))
    return colour


# ---------------------------------------------------------------------------
# Palette
# ---------------------------------------------------------------------------

GREEN_LIGHT = (120, 205, 95)
GREEN = (55, 160, 55)
GREEN_DARK = (25, 95, 30)
BLUE_LIGHT = (110, 170, 240)
BLUE = (40, 105, 205)
BLUE_DARK = (20, 55, 125)
STEEL_LIGHT = (215, 220, 225)
STEEL_DARK = (95, 105, 115)
YELLOW = (250, 205, 20)
BLACK = (25, 25, 25)
WHITE = (255, 255, 255)


# ---------------------------------------------------------------------------
# Pictures
# ---------------------------------------------------------------------------

# Padlock body geometry, shared by the closed and open variants.
BODY = (8.0, 23.0, 40.0, 46.0)
BODY_RADIUS = 4.0
SHACKLE_R = 8.5      # radius of the shackle's centre line
SHACKLE_W = 5.0      # thickness of the shackle bar


def shackle(cx, top_y, left_bottom, right_bottom, width):
    """Padlock shackle: a half ring on top of two legs.

    top_y is the centre of the half ring; each leg runs straight down from
    there to the given y.  A leg ending above the body gets a rounded end.
    """
    def leg(x, bottom):
        return segment(x, top_y, x, bottom, width,
                       round_caps=bottom < BODY[1])
    return union(ring(cx, top_y, SHACKLE_R, width, 180.0, 180.0),
                 leg(cx - SHACKLE_R, left_bottom),
                 leg(cx + SHACKLE_R, right_bottom))


def draw_shackle(canvas, cx, top_y, left_bottom, right_bottom):
    canvas.fill(shackle(cx, top_y, left_bottom, right_bottom, SHACKLE_W + 2.0),
                STEEL_DARK)
    canvas.fill(shackle(cx, top_y, left_bottom, right_bottom, SHACKLE_W),
                vertical_gradient(STEEL_LIGHT, (150, 160, 170),
                                  top_y - SHACKLE_R, BODY[1]))


def draw_lock_body(canvas):
    x0, y0, x1, y1 = BODY
    outer = rounded_rect(x0, y0, x1, y1, BODY_RADIUS)
    inner = rounded_rect(x0 + 1.5, y0 + 1.5, x1 - 1.5, y1 - 1.5,
                         BODY_RADIUS - 1.5)
    canvas.fill(outer, GREEN_DARK)
    canvas.fill(inner, vertical_gradient(GREEN_LIGHT, GREEN, y0, y1))

    # Hazard band along the foot of the body: diagonal yellow/black stripes.
    band_top = y1 - 9.0
    period = 6.0

    def black_stripe(x, y):
        return ((x + y) % period) < period / 2.0

    band = intersect(inner, lambda x, y: y >= band_top)
    canvas.fill(band, YELLOW)
    canvas.fill(intersect(band, black_stripe), BLACK)
    canvas.fill(intersect(outer, lambda x, y: band_top - 1.0 <= y < band_top),
                GREEN_DARK)

    # Keyhole above the band.
    kx, ky = (x0 + x1) / 2.0, y0 + 6.0
    keyhole = union(circle(kx, ky, 2.4),
                    polygon([(kx - 1.1, ky), (kx + 1.1, ky),
                             (kx + 1.8, ky + 5.0), (kx - 1.8, ky + 5.0)]))
    canvas.fill(keyhole, GREEN_DARK)


def padlock_closed():
    c = Canvas()
    cx = (BODY[0] + BODY[2]) / 2.0
    draw_shackle(c, cx, 16.0, BODY[1] + 3.0, BODY[1] + 3.0)
    draw_lock_body(c)
    return c


def padlock_open():
    c = Canvas()
    # Lifted and swung right: the right leg is still in the body, the left
    # one hangs free above it.
    cx = (BODY[0] + BODY[2]) / 2.0 + 4.0
    top_y = 12.0
    draw_shackle(c, cx, top_y, top_y + 4.0, BODY[1] + 3.0)
    draw_lock_body(c)
    return c


def refresh_arrows():
    c = Canvas()
    cx = cy = 24.0
    r, w = 14.0, 5.5
    head_len, head_half = 9.0, 6.5

    def arrow(start_deg, span_deg):
        # A band along the circle, then a triangular head whose base sits
        # across the band's end and whose tip lies further along the circle.
        end = math.radians(start_deg + span_deg)
        arc = ring(cx, cy, r, w, start_deg, span_deg + 0.5)
        nx, ny = math.cos(end), math.sin(end)
        bx, by = cx + r * nx, cy + r * ny
        tip = end + head_len / r
        head = polygon([
            (bx + nx * head_half, by + ny * head_half),
            (cx + r * math.cos(tip), cy + r * math.sin(tip)),
            (bx - nx * head_half, by - ny * head_half),
        ])
        return union(arc, head)

    arrows = [arrow(195.0, 120.0), arrow(15.0, 120.0)]

    def grown(shape, d):
        # Cheap outline: the shape tested at a few offsets around the point.
        offs = [(d * math.cos(k * math.pi / 4), d * math.sin(k * math.pi / 4))
                for k in range(8)]
        return lambda x, y: shape(x, y) or any(shape(x + ox, y + oy)
                                               for ox, oy in offs)

    for a in arrows:
        c.fill(grown(a, 1.1), GREEN_DARK)
    for a in arrows:
        c.fill(a, radial_gradient(GREEN_LIGHT, GREEN, 16.0, 14.0, 30.0))
    return c


def hexagon(light, mid, dark):
    c = Canvas()
    cx = cy = 24.0
    c.fill(polygon(hexagon_points(cx, cy, 22.0)), dark)
    c.fill(polygon(hexagon_points(cx, cy, 19.8)),
           vertical_gradient(light, mid, 4.0, 44.0))
    # Soft sheen across the upper half.
    sheen = intersect(polygon(hexagon_points(cx, cy, 17.0)),
                      lambda x, y: y < cy - 2.0)
    c.fill(sheen, WHITE, alpha=0.18)
    return c


def info_button():
    c = Canvas()
    cx = cy = 24.0
    c.fill(circle(cx, cy, 22.5), BLUE_DARK)
    c.fill(circle(cx, cy, 20.8), radial_gradient(BLUE_LIGHT, BLUE,
                                                 cx - 6.0, cy - 8.0, 28.0))
    # Lowercase "i": a dot over a stem with a small foot.
    c.fill(circle(cx, 13.5, 3.3), WHITE)
    stem = union(rounded_rect(cx - 3.0, 19.0, cx + 3.0, 35.0, 1.2),
                 rounded_rect(cx - 6.0, 19.0, cx, 22.0, 1.0),
                 rounded_rect(cx - 6.0, 32.5, cx + 6.0, 35.5, 1.2))
    c.fill(stem, WHITE)
    return c


ICONS = {
    "37.png": padlock_closed,
    "39.png": padlock_open,
    "48.png": refresh_arrows,
    "50.png": lambda: hexagon(GREEN_LIGHT, GREEN, GREEN_DARK),
    "52.png": lambda: hexagon(BLUE_LIGHT, BLUE, BLUE_DARK),
    "65.png": info_button,
}


def main():
    here = os.path.dirname(os.path.abspath(__file__))
    for name, draw in ICONS.items():
        with open(os.path.join(here, name), "wb") as f:
            f.write(draw().png_bytes())


if __name__ == "__main__":
    main()
