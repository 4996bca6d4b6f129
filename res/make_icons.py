#!/usr/bin/env python3
"""Draws Varnelo's icon groups (resource ids 130 to 146) into res/icons/*.ico.

Each icon holds 16x16, 32x32 and 48x48 images with 32-bit colour and alpha,
drawn here from simple shapes in a 48-unit square and antialiased by 4x4
supersampling. Only the Python standard library is used, and the output is
byte-for-byte repeatable, so the committed .ico files can be checked with
    python3 res/make_icons.py && git diff --exit-code res/icons
The build uses the committed files and never needs Python.
"""

import math
import os
import struct
import sys

SIZES = (16, 32, 48)
UNITS = 48.0
SUPERSAMPLE = 4


# ---------------------------------------------------------------- shapes
# A shape is a function (x, y) -> bool in the 48-unit design square.

def rect(x0, y0, x1, y1, radius=0.0):
    def inside(x, y):
        if x < x0 or x > x1 or y < y0 or y > y1:
            return False
        if radius <= 0:
            return True
        cx = min(max(x, x0 + radius), x1 - radius)
        cy = min(max(y, y0 + radius), y1 - radius)
        return (x - cx) ** 2 + (y - cy) ** 2 <= radius * radius
    return inside


def circle(cx, cy, r):
    return lambda x, y: (x - cx) ** 2 + (y - cy) ** 2 <= r * r


def polygon(points):
    def inside(x, y):
        result = False
        n = len(points)
        for i in range(n):
            xa, ya = points[i]
            xb, yb = points[(i + 1) % n]
            if (ya > y) != (yb > y):
                xc = xa + (y - ya) * (xb - xa) / (yb - ya)
                if x < xc:
                    result = not result
        return result
    return inside


def segment(xa, ya, xb, yb, width):
    half = width / 2.0
    dx, dy = xb - xa, yb - ya
    length2 = dx * dx + dy * dy

    def inside(x, y):
        t = 0.0 if length2 == 0 else ((x - xa) * dx + (y - ya) * dy) / length2
        t = min(max(t, 0.0), 1.0)
        px, py = xa + t * dx, ya + t * dy
        return (x - px) ** 2 + (y - py) ** 2 <= half * half
    return inside


def polyline(points, width, closed=False):
    pairs = list(zip(points, points[1:]))
    if closed:
        pairs.append((points[-1], points[0]))
    parts = [segment(a[0], a[1], b[0], b[1], width) for a, b in pairs]
    return lambda x, y: any(part(x, y) for part in parts)


def minus(shape, hole):
    return lambda x, y: shape(x, y) and not hole(x, y)


def union(*shapes):
    return lambda x, y: any(s(x, y) for s in shapes)


def rgba(hex_colour, alpha=255):
    value = int(hex_colour.lstrip("#"), 16)
    return ((value >> 16) & 255, (value >> 8) & 255, value & 255, alpha)


# ---------------------------------------------------------------- motifs
# Each motif returns a list of (shape, colour) layers painted in order.

INK = rgba("#3a3a3a")


def page(x0=10, y0=4, x1=38, y1=44, fold=10, paper="#ffffff", edge=INK):
    outline = [(x0, y0), (x1 - fold, y0), (x1, y0 + fold), (x1, y1), (x0, y1)]
    corner = [(x1 - fold, y0), (x1 - fold, y0 + fold), (x1, y0 + fold)]
    return [
        (polygon(outline), rgba(paper)),
        (polygon(corner), rgba("#d8d8d8")),
        (polyline(outline, 2.0, closed=True), edge),
        (polyline([(x1 - fold, y0), (x1 - fold, y0 + fold), (x1, y0 + fold)], 1.6), edge),
    ]


def text_lines(x0, x1, ys, colour="#9a9a9a", width=2.4):
    return [(segment(x0, y, x1, y, width), rgba(colour)) for y in ys]


def folder(body="#f2c14e", tab="#d9a21b", edge="#8a6410", y_top=12, alpha=255):
    back = [(4, y_top - 4), (18, y_top - 4), (22, y_top), (44, y_top), (44, 40), (4, 40)]
    return [
        (polygon(back), rgba(tab, alpha)),
        (polyline(back, 2.0, closed=True), rgba(edge, alpha)),
        (rect(4, y_top + 4, 44, 40, 2), rgba(body, alpha)),
        (polyline([(4, y_top + 4), (44, y_top + 4), (44, 40), (4, 40)], 2.0, closed=True),
         rgba(edge, alpha)),
    ]


def open_folder(body="#f7d775", tab="#d9a21b", edge="#8a6410"):
    back = [(4, 8), (18, 8), (22, 12), (40, 12), (40, 40), (4, 40)]
    front = [(12, 20), (46, 20), (38, 40), (4, 40)]
    return [
        (polygon(back), rgba(tab)),
        (polyline(back, 2.0, closed=True), rgba(edge)),
        (rect(9, 15, 35, 30), rgba("#ffffff")),
        (polygon(front), rgba(body)),
        (polyline(front, 2.0, closed=True), rgba(edge)),
    ]


def arrow_right(x0, x1, y, shaft, head, colour):
    return [
        (rect(x0, y - shaft / 2, x1 - head, y + shaft / 2), colour),
        (polygon([(x1 - head - 1, y - head), (x1, y), (x1 - head - 1, y + head)]), colour),
    ]


def icon_app_big():
    orange = rgba("#f08a24")
    return [
        (rect(2, 2, 46, 46, 8), rgba("#1f6f78")),
        (rect(8, 9, 40, 17, 2), rgba("#ffffff")),
        (rect(8, 31, 40, 39, 2), rgba("#ffe7b8")),
        *arrow_right(12, 36, 24, 3.5, 5.5, orange),
    ]


def icon_app_small():
    return [
        (rect(2, 2, 46, 46, 10), rgba("#1f6f78")),
        *arrow_right(8, 40, 24, 10, 14, rgba("#f08a24")),
    ]


def icon_folder_existing():
    return folder()


def icon_folder_missing():
    red = rgba("#d0312d")
    return folder(body="#d8d8d8", tab="#b8b8b8", edge="#7a7a7a", alpha=200) + [
        (segment(26, 24, 42, 40, 5), red),
        (segment(42, 24, 26, 40, 5), red),
    ]


def icon_drive():
    return [
        (rect(3, 14, 45, 36, 4), rgba("#5d6670")),
        (rect(6, 17, 42, 33, 2), rgba("#a9b3bd")),
        (segment(10, 29, 30, 29, 2.5), rgba("#5d6670")),
        (circle(37, 28, 3), rgba("#2fbf4a")),
    ]


def icon_network():
    blue = rgba("#2a64b8")
    return [
        (segment(24, 12, 10, 36, 3), INK),
        (segment(24, 12, 38, 36, 3), INK),
        (segment(10, 36, 38, 36, 3), INK),
        (circle(24, 12, 8), blue),
        (circle(10, 36, 7), blue),
        (circle(38, 36, 7), blue),
        (circle(24, 12, 3), rgba("#ffffff")),
    ]


def icon_subfolder():
    return folder(body="#8cc4f0", tab="#5a9bd4", edge="#2d5f8f")


def icon_file():
    return page() + text_lines(15, 33, (20, 26, 32, 38))


def icon_shortcut():
    blue = rgba("#2a64b8")
    return page() + text_lines(15, 33, (20, 26)) + [
        (rect(4, 26, 24, 46, 2), rgba("#ffffff")),
        (polyline([(4, 26), (24, 26), (24, 46), (4, 46)], 1.6, closed=True), INK),
        (polyline([(9, 41), (9, 34), (16, 34)], 3.0), blue),
        (polygon([(14, 29), (21, 34), (14, 39)]), blue),
    ]


def icon_item_file():
    return page(paper="#fbfbf3") + [
        (rect(11, 5, 28, 12), rgba("#4a8fd6")),
    ] + text_lines(15, 33, (22, 29, 36), colour="#7fa7cf")


def icon_item_folder_open():
    return open_folder()


def icon_item_folder_empty():
    return folder(body="#fff6dc", tab="#f2dfa8", edge="#b08a2a")


def icon_item_folder_closed():
    return [
        (rect(10, 4, 34, 24), rgba("#ffffff")),
        (polyline([(10, 24), (10, 4), (34, 4), (34, 24)], 1.6), INK),
    ] + text_lines(14, 30, (10, 15), width=2.0) + folder(y_top=16)


def icon_check_mark():
    return [
        (polyline([(8, 25), (19, 36), (41, 11)], 8.0), rgba("#1b7a34")),
        (polyline([(8, 25), (19, 36), (41, 11)], 4.5), rgba("#3cc45e")),
    ]


# The outcome marks are drawn to be told apart by shape and symbol alone: a
# triangle with "!", a disc with a tick, a disc with a cross. Each has a dark
# rim so that it stands out on the pale row colours.

def icon_mark_warning():
    corners = [(24, 3), (46, 43), (2, 43)]
    return [
        (polygon(corners), rgba("#f2b705")),
        (polyline(corners, 3.5, closed=True), rgba("#7a5200")),
        (segment(24, 16, 24, 29, 5.5), rgba("#202020")),
        (circle(24, 36.5, 3.2), rgba("#202020")),
    ]


def icon_mark_succeeded():
    return [
        (circle(24, 24, 22), rgba("#14692c")),
        (circle(24, 24, 19), rgba("#27a844")),
        (polyline([(12, 25), (20.5, 33.5), (36, 15)], 6.5), rgba("#ffffff")),
    ]


def icon_mark_failed():
    return [
        (circle(24, 24, 22), rgba("#8e1512")),
        (circle(24, 24, 19), rgba("#d8322b")),
        (segment(15, 15, 33, 33, 6.5), rgba("#ffffff")),
        (segment(33, 15, 15, 33, 6.5), rgba("#ffffff")),
    ]


# Resource id, file name (matching res/resource.h), motif.
ICONS = (
    (130, "app_big", icon_app_big),
    (131, "app_small", icon_app_small),
    (132, "folder_existing", icon_folder_existing),
    (133, "folder_missing", icon_folder_missing),
    (134, "drive", icon_drive),
    (135, "network", icon_network),
    (136, "subfolder", icon_subfolder),
    (137, "file", icon_file),
    (138, "shortcut", icon_shortcut),
    (139, "item_file", icon_item_file),
    (140, "item_folder_open", icon_item_folder_open),
    (141, "item_folder_empty", icon_item_folder_empty),
    (142, "item_folder_closed", icon_item_folder_closed),
    (143, "check_mark", icon_check_mark),
    (144, "mark_warning", icon_mark_warning),
    (145, "mark_succeeded", icon_mark_succeeded),
    (146, "mark_failed", icon_mark_failed),
)


# ---------------------------------------------------------------- raster

def render(layers, size):
    """Returns rows top to bottom of (r, g, b, a) with straight alpha."""
    scale = UNITS / size
    step = 1.0 / SUPERSAMPLE
    rows = []
    for py in range(size):
        row = []
        for px in range(size):
            acc = [0.0, 0.0, 0.0, 0.0]  # premultiplied
            for sy in range(SUPERSAMPLE):
                for sx in range(SUPERSAMPLE):
                    x = (px + (sx + 0.5) * step) * scale
                    y = (py + (sy + 0.5) * step) * scale
                    r = g = b = a = 0.0
                    for shape, (cr, cg, cb, ca) in layers:
                        if shape(x, y):
                            k = ca / 255.0
                            r = cr * k + r * (1 - k)
                            g = cg * k + g * (1 - k)
                            b = cb * k + b * (1 - k)
                            a = k + a * (1 - k)
                    acc[0] += r
                    acc[1] += g
                    acc[2] += b
                    acc[3] += a
            n = SUPERSAMPLE * SUPERSAMPLE
            alpha = acc[3] / n
            if alpha <= 0:
                row.append((0, 0, 0, 0))
                continue
            row.append(tuple(min(255, int(round(c / n / alpha))) for c in acc[:3])
                       + (min(255, int(round(alpha * 255))),))
        rows.append(row)
    return rows


def dib(rows):
    """An icon image: BITMAPINFOHEADER, BGRA rows bottom-up, AND mask."""
    size = len(rows)
    header = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 32, 0, 0, 0, 0, 0, 0)
    colour = bytearray()
    mask = bytearray()
    mask_stride = ((size + 31) // 32) * 4
    for row in reversed(rows):
        bits = bytearray(mask_stride)
        for x, (r, g, b, a) in enumerate(row):
            colour += bytes((b, g, r, a))
            if a == 0:
                bits[x // 8] |= 0x80 >> (x % 8)
        mask += bits
    return header + bytes(colour) + bytes(mask)


def ico(images):
    count = len(images)
    out = bytearray(struct.pack("<HHH", 0, 1, count))
    offset = 6 + 16 * count
    for size, data in images:
        dim = 0 if size >= 256 else size
        out += struct.pack("<BBBBHHII", dim, dim, 0, 0, 1, 32, len(data), offset)
        offset += len(data)
    for _, data in images:
        out += data
    return bytes(out)


def main():
    here = os.path.dirname(os.path.abspath(__file__))
    folder_out = os.path.join(here, "icons")
    os.makedirs(folder_out, exist_ok=True)
    for resource_id, name, motif in ICONS:
        layers = motif()
        images = [(size, dib(render(layers, size))) for size in SIZES]
        path = os.path.join(folder_out, "%d_%s.ico" % (resource_id, name))
        with open(path, "wb") as handle:
            handle.write(ico(images))
        print(path, file=sys.stderr)


if __name__ == "__main__":
    main()
