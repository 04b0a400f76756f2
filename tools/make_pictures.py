#!/usr/bin/python3
"""Draws the program's pictures into resources/pictures/.

The outputs are committed, so a build never needs Python; run this only to change a picture:

    /usr/bin/python3 tools/make_pictures.py        (needs Pillow: Debian package python3-pil)

Everything is drawn from code (no input files), deterministically. Shapes are drawn at a
multiple of the final size and scaled down, which gives clean anti-aliased edges.
"""

import io
import math
import os
import struct
import sys

from PIL import Image, ImageDraw

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
OUT = os.path.join(ROOT, "resources", "pictures")
ICONS = os.path.join(ROOT, "resources", "icons")  # the icon for the desktop's icon theme

# The palette: calm blue-greys.
PAPER = (234, 239, 245)       # window ground
PAPER_LIGHT = (246, 248, 251)
MIST = (214, 224, 235)
STEEL = (143, 167, 194)       # frames and rules
STEEL_DARK = (88, 116, 150)
INK = (52, 84, 122)           # the strongest blue, used sparingly
WHITE = (255, 255, 255)


def mix(a, b, t):
    return tuple(int(round(a[i] + (b[i] - a[i]) * t)) for i in range(len(a)))


def vertical_gradient(size, stops):
    """An RGB image whose rows run through the (position, colour) stops, position 0..1."""
    w, h = size
    img = Image.new("RGB", size)
    px = img.load()
    for y in range(h):
        t = y / max(1, h - 1)
        for (p0, c0), (p1, c1) in zip(stops, stops[1:]):
            if p0 <= t <= p1:
                colour = mix(c0, c1, (t - p0) / max(1e-9, p1 - p0))
                break
        for x in range(w):
            px[x, y] = colour
    return img


def save_jpeg(img, name, quality):
    path = os.path.join(OUT, name)
    # Baseline (not progressive), optimised Huffman tables, 4:2:0 chroma, no metadata.
    img.save(path, "JPEG", quality=quality, optimize=True, progressive=False, subsampling=2)
    return path


def save_gif(img, name, colours):
    """Saves an RGBA picture as GIF with an adaptive palette; fully transparent pixels stay
    transparent, all others become opaque."""
    path = os.path.join(OUT, name)
    rgb = img.convert("RGB")
    pal = rgb.quantize(colors=colours - 1, method=Image.Quantize.MEDIANCUT, dither=Image.Dither.NONE)
    alpha = img.getchannel("A")
    transparent = colours - 1
    if alpha.getextrema()[0] < 128:
        data = pal.load()
        a = alpha.load()
        for y in range(img.height):
            for x in range(img.width):
                if a[x, y] < 128:
                    data[x, y] = transparent
        pal.save(path, "GIF", transparency=transparent, optimize=False)
    else:
        pal.save(path, "GIF", optimize=True)
    return path


def save_png(img, name, folder=OUT):
    path = os.path.join(folder, name)
    img.save(path, "PNG", optimize=True)
    return path


# ---------------------------------------------------------------------------------------------
# Shared background, 612 x 228 JPEG. It is at least as wide as every window that shows it, so
# only its height can run out: the top and bottom rows are exactly the ground colour PAPER and
# the picture may be tiled downwards (or shown once over a PAPER ground) without a seam. Across
# the middle run two soft, lighter ribbons whose waves repeat every 612 pixels, so a sideways
# tiling is seamless too. A faint fixed grain keeps the gentle shading from banding.

def background():
    w, h = 612, 228
    img = Image.new("RGB", (w, h))
    px = img.load()
    ribbons = [  # (centre line, amplitude, waves per width, phase, half width, strength)
        (0.42, 0.16, 1, 0.3, 0.20, 0.85),
        (0.62, 0.12, 2, 2.1, 0.10, 0.55),
    ]
    seed = 12345
    for y in range(h):
        v = y / (h - 1)
        fade = math.sin(math.pi * v) ** 2  # 0 on the top and bottom rows
        for x in range(w):
            u = x / w
            light = 0.0
            for centre, amp, waves, phase, half, strength in ribbons:
                c = centre + amp * math.sin(2 * math.pi * waves * u + phase)
                dist = abs(v - c) / half
                if dist < 1.0:
                    light += strength * (0.5 + 0.5 * math.cos(math.pi * dist))
            light = min(1.0, light) * fade
            colour = mix(PAPER, PAPER_LIGHT, light)
            seed = (seed * 1103515245 + 12345) & 0x7FFFFFFF
            grain = ((seed >> 16) % 3 - 1) * 0.6 * fade
            px[x, y] = tuple(max(0, min(255, int(round(ch + grain)))) for ch in colour)
    return img


# ---------------------------------------------------------------------------------------------
# Login picture, 299 x 151 JPEG, the whole face of the borderless 300 x 152 login window: a
# framed panel with a band along the top, small marks (a person, a lock) left of the two edit
# boxes at 89,45 and 89,91, and calm ground where the boxes, the buttons (216,45 / 216,91) and
# the label at 16,24 sit.

def person_mark(draw, cx, cy, s, colour):
    draw.ellipse([cx - 4.2 * s, cy - 9.5 * s, cx + 4.2 * s, cy - 1.1 * s], fill=colour)
    draw.pieslice([cx - 8 * s, cy + 0.5 * s, cx + 8 * s, cy + 16.5 * s], 180, 360, fill=colour)


def lock_mark(draw, cx, cy, s, colour, ground):
    draw.rounded_rectangle([cx - 7 * s, cy - 1.5 * s, cx + 7 * s, cy + 9.5 * s], radius=1.6 * s, fill=colour)
    draw.arc([cx - 4.8 * s, cy - 10 * s, cx + 4.8 * s, cy + 0.5 * s], 180, 360, fill=colour, width=int(2.2 * s))
    draw.line([cx - 3.7 * s, cy - 5 * s, cx - 3.7 * s, cy - 1 * s], fill=colour, width=int(2.2 * s))
    draw.line([cx + 3.7 * s, cy - 5 * s, cx + 3.7 * s, cy - 1 * s], fill=colour, width=int(2.2 * s))
    draw.ellipse([cx - 1.6 * s, cy + 2 * s, cx + 1.6 * s, cy + 5.2 * s], fill=ground)
    draw.rectangle([cx - 0.7 * s, cy + 4 * s, cx + 0.7 * s, cy + 7 * s], fill=ground)


def login():
    w, h = 299, 151
    k = 4  # supersampling
    img = vertical_gradient((w * k, h * k), [(0.0, PAPER_LIGHT), (0.55, PAPER), (1.0, MIST)])
    d = ImageDraw.Draw(img)
    band = 16
    # The band along the top: a deeper blue-grey with a light line under it.
    top = vertical_gradient((w * k, band * k), [(0.0, (132, 158, 188)), (1.0, (102, 131, 166))])
    img.paste(top, (0, 0))
    d.rectangle([0, band * k, w * k, band * k + k - 1], fill=(196, 210, 226))
    # A quiet wave across the bottom, below the controls.
    wave = Image.new("L", (w * k, h * k), 0)
    wd = ImageDraw.Draw(wave)
    pts = [(x, (h - 13 + 5 * math.sin((x / k) / 299 * 2 * math.pi * 1.2 + 0.6)) * k) for x in range(0, w * k + 1, k)]
    wd.polygon(pts + [(w * k, h * k), (0, h * k)], fill=255)
    img.paste(Image.new("RGB", img.size, (205, 217, 231)), (0, 0), wave)
    pts2 = [(x, (h - 8 + 4 * math.sin((x / k) / 299 * 2 * math.pi * 0.9 + 2.2)) * k) for x in range(0, w * k + 1, k)]
    wave2 = Image.new("L", (w * k, h * k), 0)
    ImageDraw.Draw(wave2).polygon(pts2 + [(w * k, h * k), (0, h * k)], fill=255)
    img.paste(Image.new("RGB", img.size, (190, 205, 222)), (0, 0), wave2)
    # A faint clock face in the lower left corner, the program's motif.
    cx, cy, r = 24 * k, 122 * k, 34 * k
    faint = (219, 228, 238)
    d.ellipse([cx - r, cy - r, cx + r, cy + r], outline=faint, width=3 * k)
    for i in range(12):
        a = i * math.pi / 6
        r0, r1 = r - (9 if i % 3 == 0 else 7) * k, r - 4 * k
        d.line([cx + r0 * math.sin(a), cy - r0 * math.cos(a), cx + r1 * math.sin(a), cy - r1 * math.cos(a)],
               fill=faint, width=2 * k)
    d.line([cx, cy, cx + 13 * k * math.sin(5.3), cy - 13 * k * math.cos(5.3)], fill=faint, width=3 * k)
    d.line([cx, cy, cx + 20 * k * math.sin(1.05), cy - 20 * k * math.cos(1.05)], fill=faint, width=2 * k)
    # Marks left of the edit boxes (boxes are 23 high at y 45 and 91).
    person_mark(d, 72 * k, (45 + 11.5) * k, k * 0.95, STEEL_DARK)
    lock_mark(d, 72 * k, (91 + 11.5) * k, k * 0.95, STEEL_DARK, PAPER)
    # A thin rule between the two rows, from the marks to the buttons.
    d.rectangle([60 * k, 80 * k, 286 * k, 80 * k + k - 1], fill=(208, 219, 231))
    # Frame: a dark outer line and a light inner line.
    d.rectangle([0, 0, w * k - 1, h * k - 1], outline=STEEL_DARK, width=k)
    d.rectangle([k, (band + 1) * k, w * k - 1 - k, h * k - 1 - k], outline=WHITE, width=k)
    return img.resize((w, h), Image.LANCZOS)


# ---------------------------------------------------------------------------------------------
# Button pictures: GIF 69 x 24 normal and pointer-over, GIF 70 x 25 disabled. Rounded plates
# with a soft vertical gradient; the caption is drawn over them by the program.

def button(size, stops, border, highlight, radius=4):
    w, h = size
    k = 4
    face = vertical_gradient((w * k, h * k), stops).convert("RGBA")
    mask = Image.new("L", (w * k, h * k), 0)
    ImageDraw.Draw(mask).rounded_rectangle([0, 0, w * k - 1, h * k - 1], radius=radius * k, fill=255)
    d = ImageDraw.Draw(face)
    d.rounded_rectangle([k, k, w * k - 1 - k, h * k - 1 - k], radius=(radius - 1) * k, outline=highlight, width=k)
    d.rounded_rectangle([0, 0, w * k - 1, h * k - 1], radius=radius * k, outline=border, width=k)
    face.putalpha(mask)
    # GIF transparency is all or nothing: save_gif keeps the corner pixels that are mostly covered.
    return face.resize((w, h), Image.LANCZOS)


def button_normal():
    return button((69, 24), [(0.0, (250, 252, 254)), (0.5, (228, 236, 245)), (0.52, (217, 228, 239)),
                             (1.0, (203, 217, 232))], STEEL_DARK, (255, 255, 255))


def button_over():
    return button((69, 24), [(0.0, (255, 255, 255)), (0.5, (239, 246, 253)), (0.52, (224, 237, 251)),
                             (1.0, (206, 226, 247))], (62, 110, 170), (255, 255, 255))


def button_disabled():
    w, h = 70, 25
    img = Image.new("RGBA", (w, h), (226, 229, 233, 255))
    d = ImageDraw.Draw(img)
    d.rectangle([0, 0, w - 1, h - 1], outline=(178, 184, 192))
    return img


# ---------------------------------------------------------------------------------------------
# Program icon: a notebook with a ring binding and ruled lines, and a clock over its lower right
# corner. 48 and 32 are scaled from a large drawing; 16 is drawn on its own, simpler, so it stays
# crisp. Written as an .ico of three 32-bit images with alpha (BMP entries with AND masks), and
# for the desktop's icon theme (hicolor) as PNGs of the same three and one of 256 x 256.

def icon_large(size):
    k = 512 // size if size < 512 else 1
    s = size * k
    img = Image.new("RGBA", (s, s), (0, 0, 0, 0))
    d = ImageDraw.Draw(img)
    u = s / 48.0
    # Notebook: page block with a cover edge.
    d.rounded_rectangle([7 * u, 3 * u, 37 * u, 42 * u], radius=3 * u, fill=(70, 104, 146))
    d.rounded_rectangle([9 * u, 4 * u, 37 * u, 40 * u], radius=2.5 * u, fill=(250, 251, 253))
    d.rectangle([12 * u, 4 * u, 13.2 * u, 40 * u], fill=(226, 140, 140))  # margin line
    for i in range(7):
        y = (10 + 4 * i) * u
        d.rectangle([14.5 * u, y, 34 * u, y + 0.9 * u], fill=(168, 190, 215))
    # Ring binding.
    for i in range(6):
        y = (7 + 6 * i) * u
        d.rounded_rectangle([5 * u, y, 11 * u, y + 2.2 * u], radius=1.1 * u, fill=(120, 130, 142))
        d.rounded_rectangle([5.6 * u, y + 0.4 * u, 10.4 * u, y + 1.2 * u], radius=0.4 * u, fill=(205, 212, 220))
    # Clock.
    cx, cy, r = 33 * u, 33 * u, 12.5 * u
    d.ellipse([cx - r - 1 * u, cy - r - 1 * u, cx + r + 1 * u, cy + r + 1 * u], fill=(255, 255, 255, 0))
    d.ellipse([cx - r, cy - r, cx + r, cy + r], fill=(48, 96, 156))
    d.ellipse([cx - r + 2 * u, cy - r + 2 * u, cx + r - 2 * u, cy + r - 2 * u], fill=(252, 253, 255))
    for i in range(12):
        a = i * math.pi / 6
        r0 = r - (4.6 if i % 3 == 0 else 3.6) * u
        r1 = r - 2.7 * u
        d.line([cx + r0 * math.sin(a), cy - r0 * math.cos(a), cx + r1 * math.sin(a), cy - r1 * math.cos(a)],
               fill=(70, 100, 140), width=max(1, int((1.3 if i % 3 == 0 else 0.8) * u)))
    # Hands at ten past ten.
    def hand(angle_deg, length, width):
        a = math.radians(angle_deg)
        d.line([cx, cy, cx + length * math.sin(a), cy - length * math.cos(a)], fill=(40, 56, 80),
               width=int(width * u))
    hand(305, 5.6 * u, 1.8)
    hand(60, 7.6 * u, 1.3)
    d.ellipse([cx - 1.3 * u, cy - 1.3 * u, cx + 1.3 * u, cy + 1.3 * u], fill=(200, 60, 60))
    return img.resize((size, size), Image.LANCZOS)


def icon_small():
    """16 x 16, drawn at 8x with fewer details: notebook edge, three lines, the clock."""
    k = 8
    s = 16 * k
    img = Image.new("RGBA", (s, s), (0, 0, 0, 0))
    d = ImageDraw.Draw(img)
    u = k
    d.rounded_rectangle([1 * u, 0.5 * u, 12.5 * u, 14.5 * u], radius=1.2 * u, fill=(70, 104, 146))
    d.rounded_rectangle([2.5 * u, 1 * u, 12.5 * u, 14 * u], radius=1 * u, fill=(250, 251, 253))
    for i in range(3):
        y = (3.5 + 2.5 * i) * u
        d.rectangle([4 * u, y, 10.5 * u, y + 0.9 * u], fill=(150, 176, 206))
    cx, cy, r = 11 * u, 11 * u, 4.8 * u
    d.ellipse([cx - r, cy - r, cx + r, cy + r], fill=(48, 96, 156))
    d.ellipse([cx - r + 1.1 * u, cy - r + 1.1 * u, cx + r - 1.1 * u, cy + r - 1.1 * u], fill=(252, 253, 255))
    d.line([cx, cy, cx, cy - 2.6 * u], fill=(40, 56, 80), width=int(1.1 * u))
    d.line([cx, cy, cx + 2.0 * u, cy], fill=(40, 56, 80), width=int(1.1 * u))
    return img.resize((16, 16), Image.LANCZOS)


def ico_entry(img):
    """BITMAPINFOHEADER + bottom-up BGRA rows + AND mask (1 bit per pixel, rows padded to 32 bits)."""
    w, h = img.size
    px = img.load()
    header = struct.pack("<IiiHHIIiiII", 40, w, h * 2, 1, 32, 0, 0, 0, 0, 0, 0)
    pixels = bytearray()
    for y in range(h - 1, -1, -1):
        for x in range(w):
            r, g, b, a = px[x, y]
            pixels += bytes((b, g, r, a))
    row_bytes = ((w + 31) // 32) * 4
    mask = bytearray()
    for y in range(h - 1, -1, -1):
        row = bytearray(row_bytes)
        for x in range(w):
            if px[x, y][3] == 0:
                row[x // 8] |= 0x80 >> (x % 8)
        mask += row
    return header + pixels + mask


def save_ico(images, name):
    entries = [ico_entry(im) for im in images]
    out = io.BytesIO()
    out.write(struct.pack("<HHH", 0, 1, len(images)))
    offset = 6 + 16 * len(images)
    for im, data in zip(images, entries):
        w, h = im.size
        out.write(struct.pack("<BBBBHHII", w % 256, h % 256, 0, 0, 1, 32, len(data), offset))
        offset += len(data)
    for data in entries:
        out.write(data)
    path = os.path.join(OUT, name)
    with open(path, "wb") as f:
        f.write(out.getvalue())
    return path


# ---------------------------------------------------------------------------------------------
# List window frame: the window has no border of its own and draws one from these pictures.
# Title strip 600 x 20 (a bold black caption sits on it at 15,2, the close button at 575,3),
# left and right edges 5 x 430 and the bottom edge 589 x 5, and a 16 x 16 close button in two
# states (normal; pointer over or pressed).

FRAME_OUTER = (84, 112, 146)
FRAME_BODY = [(160, 182, 207), (178, 197, 219), (178, 197, 219), (150, 173, 199)]  # outer to inner


def title_strip():
    w, h = 600, 20
    img = vertical_gradient((w, h), [(0.0, (236, 242, 249)), (0.45, (214, 226, 239)), (0.5, (204, 218, 233)),
                                     (1.0, (182, 200, 221))])
    d = ImageDraw.Draw(img)
    d.line([0, 0, w - 1, 0], fill=FRAME_OUTER)
    d.line([0, h - 1, w - 1, h - 1], fill=(137, 160, 188))
    d.line([1, 1, w - 2, 1], fill=WHITE)
    return img


def edge(vertical, length, outer_first):
    cols = [FRAME_OUTER] + FRAME_BODY
    if not outer_first:
        cols = list(reversed(cols))
    if vertical:
        img = Image.new("RGB", (5, length))
        d = ImageDraw.Draw(img)
        for i, c in enumerate(cols):
            d.line([i, 0, i, length - 1], fill=c)
    else:
        img = Image.new("RGB", (length, 5))
        d = ImageDraw.Draw(img)
        for i, c in enumerate(cols):
            d.line([0, i, length - 1, i], fill=c)
    return img


def close_button(active):
    k = 8
    s = 16 * k
    img = Image.new("RGBA", (s, s), (0, 0, 0, 0))
    d = ImageDraw.Draw(img)
    if active:
        d.rounded_rectangle([0, 0, s - 1, s - 1], radius=3 * k, fill=(199, 80, 80), outline=(150, 52, 52),
                            width=k)
        cross = (255, 255, 255)
    else:
        d.rounded_rectangle([0, 0, s - 1, s - 1], radius=3 * k, fill=(236, 242, 249), outline=(112, 137, 168),
                            width=k)
        cross = (62, 88, 122)
    m = 4.6 * k
    d.line([m, m, s - 1 - m, s - 1 - m], fill=cross, width=int(1.9 * k))
    d.line([m, s - 1 - m, s - 1 - m, m], fill=cross, width=int(1.9 * k))
    return img.resize((16, 16), Image.LANCZOS)


def main():
    os.makedirs(OUT, exist_ok=True)
    os.makedirs(ICONS, exist_ok=True)
    written = [
        save_jpeg(background(), "background.jpg", quality=94),
        save_jpeg(login(), "login.jpg", quality=95),
        save_gif(button_normal(), "button_normal.gif", 64),
        save_gif(button_over(), "button_over.gif", 64),
        save_gif(button_disabled(), "button_disabled.gif", 4),
        save_ico([icon_large(48), icon_large(32), icon_small()], "ledrimo.ico"),
        save_png(icon_small(), "ledrimo-16.png", ICONS),
        save_png(icon_large(32), "ledrimo-32.png", ICONS),
        save_png(icon_large(48), "ledrimo-48.png", ICONS),
        save_png(icon_large(256), "ledrimo-256.png", ICONS),
        save_png(title_strip(), "list_title.png"),
        save_png(edge(True, 430, True), "list_edge_left.png"),
        save_png(edge(True, 430, False), "list_edge_right.png"),
        save_png(edge(False, 589, False), "list_edge_bottom.png"),
        save_png(close_button(False), "list_close.png"),
        save_png(close_button(True), "list_close_active.png"),
    ]
    for path in written:
        print("%-28s %6d bytes" % (os.path.relpath(path, ROOT), os.path.getsize(path)))
    return 0


if __name__ == "__main__":
    sys.exit(main())
