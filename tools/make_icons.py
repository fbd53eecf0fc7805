#!/usr/bin/env python3
# SPDX-License-Identifier: GPL-3.0-or-later
"""Draws Vireo's pictures as SVG: the tree and list icons, the button-bar pictures, the
side picture, the find, tip and web-search pictures, the lamps of the search status window.

Run from anywhere: tools/make_icons.py [RESOURCES_DIR]  (default: resources/ beside tools/)

Everything is drawn from one palette and one set of shapes so the pictures stay a family:
light from the top left, 2-unit outlines in the darkest tone of each object's colour, and
outlines placed on odd coordinates of the 32-unit grid so that they fall on whole pixels
at 16 and 32 pixels. Only the SVG features Qt's renderer supports are used (paths, basic
shapes, linear and radial gradients, opacity, transforms): no filters, masks or clips.
"""

import math
import os
import shutil
import subprocess
import sys

# The name the desktop knows the program by: its desktop entry, its metadata and its icon.
APP_ID = "example.meridex.Vireo"

# The sizes of the program's icon in the desktop's icon theme, and the picture each is
# rendered from: the small ones from icon_app, whose lines fall on whole pixels there.
APP_ICON_SIZES = {16: "icons/icon_app.svg", 22: "icons/icon_app.svg", 24: "icons/icon_app.svg",
                  32: "icons/icon_app.svg"}
for _size in (48, 64, 128, 256):
    APP_ICON_SIZES[_size] = "hicolor/scalable/apps/%s.svg" % APP_ID

# --- palette ---------------------------------------------------------------------------

STRIP = "#7BAAFF"  # the left strip of the main window, RGB(123,170,255)

GREEN = dict(hi="#E4FBC4", light="#A9DE66", mid="#6DB733", dark="#468A1C", line="#2C5E0E")
BLUE = dict(hi="#EEF4FF", light="#B4CFFF", mid="#7BAAFF", dark="#4B7BDE", line="#1E3C85")
GOLD = dict(hi="#FFF6C9", light="#FFDC6B", mid="#F5B82A", dark="#CC8A10", line="#7A4F05")
RED = dict(hi="#FFC9BE", light="#FF8A74", mid="#E54B35", dark="#B92A1C", line="#6E130B")
METAL = dict(hi="#FFFFFF", light="#E9EDF3", mid="#BCC5D2", dark="#8792A4", line="#3E4758")
PAPER = dict(hi="#FFFFFF", light="#F7F9FC", mid="#E3E9F2", dark="#C2CCDB", line="#55627A")
SLATE = dict(light="#8A96AB", mid="#56627A", dark="#343D4F", line="#1F2633")
GLASS = dict(hi="#FFFFFF", light="#EAF5FF", mid="#BFE0FF", line="#1F2633")

# the bird: a small olive songbird with a grey cap, a white brow and a red eye
BIRD = dict(back="#86A43A", back_dark="#5E7D21", belly="#F7F3D2", cap="#7D8DA3", line="#2A3A12",
            wing="#5B7A1E", wing_bar="#E9F2C0", beak="#4A4F5A", eye="#C8281E", twig="#8A5A2B",
            twig_line="#4D3014")

OUTLINE = 2.0  # outline width in user units (1 px at 16 px, 2 px at 32 and in the 48/64 pictures)


# --- document --------------------------------------------------------------------------

class Doc:
    """One SVG file: gradient definitions with ids unique within the file, and the body."""

    def __init__(self, w, h, title):
        self.w, self.h, self.title = w, h, title
        self.defs = []
        self.body = []
        self.count = 0

    def _id(self):
        self.count += 1
        return "g%d" % self.count

    @staticmethod
    def _stops(stops):
        out = []
        for s in stops:
            off, col = s[0], s[1]
            op = "" if len(s) < 3 else ' stop-opacity="%g"' % s[2]
            out.append('<stop offset="%g" stop-color="%s"%s/>' % (off, col, op))
        return "".join(out)

    def lin(self, x1, y1, x2, y2, stops):
        gid = self._id()
        self.defs.append('<linearGradient id="%s" gradientUnits="userSpaceOnUse" x1="%g" y1="%g" x2="%g" '
                         'y2="%g">%s</linearGradient>' % (gid, x1, y1, x2, y2, self._stops(stops)))
        return "url(#%s)" % gid

    def rad(self, cx, cy, r, stops, fx=None, fy=None):
        gid = self._id()
        fx = cx if fx is None else fx
        fy = cy if fy is None else fy
        self.defs.append('<radialGradient id="%s" gradientUnits="userSpaceOnUse" cx="%g" cy="%g" r="%g" '
                         'fx="%g" fy="%g">%s</radialGradient>' % (gid, cx, cy, r, fx, fy, self._stops(stops)))
        return "url(#%s)" % gid

    def add(self, s):
        self.body.append(s)

    def text(self):
        lines = ['<?xml version="1.0" encoding="UTF-8"?>',
                 '<svg xmlns="http://www.w3.org/2000/svg" version="1.2" baseProfile="tiny" '
                 'width="%d" height="%d" viewBox="0 0 %d %d">' % (self.w, self.h, self.w, self.h),
                 '<title>%s</title>' % self.title]
        if self.defs:
            lines.append("<defs>")
            lines.extend(self.defs)
            lines.append("</defs>")
        lines.extend(self.body)
        lines.append("</svg>")
        return "\n".join(lines) + "\n"


def pts(points):
    return " ".join("%g,%g" % (x, y) for x, y in points)


def poly(points, fill="none", stroke="none", width=OUTLINE, extra=""):
    return '<polygon points="%s" fill="%s" stroke="%s" stroke-width="%g" stroke-linejoin="round"%s/>' % (
        pts(points), fill, stroke, width, extra)


def path(d, fill="none", stroke="none", width=OUTLINE, extra=""):
    return '<path d="%s" fill="%s" stroke="%s" stroke-width="%g" stroke-linejoin="round" ' \
           'stroke-linecap="round"%s/>' % (d, fill, stroke, width, extra)


def line(x1, y1, x2, y2, stroke, width=OUTLINE, extra=""):
    return '<line x1="%g" y1="%g" x2="%g" y2="%g" stroke="%s" stroke-width="%g" stroke-linecap="round"%s/>' % (
        x1, y1, x2, y2, stroke, width, extra)


def circle(cx, cy, r, fill="none", stroke="none", width=OUTLINE, extra=""):
    return '<circle cx="%g" cy="%g" r="%g" fill="%s" stroke="%s" stroke-width="%g"%s/>' % (
        cx, cy, r, fill, stroke, width, extra)


def rect(x, y, w, h, rx=0, fill="none", stroke="none", width=OUTLINE, extra=""):
    return '<rect x="%g" y="%g" width="%g" height="%g" rx="%g" ry="%g" fill="%s" stroke="%s" ' \
           'stroke-width="%g"%s/>' % (x, y, w, h, rx, rx, fill, stroke, width, extra)


# --- shapes ----------------------------------------------------------------------------

def cube(doc, x, y, s, d, hue):
    """A box seen from the front right and above: front face s x s at (x, y), depth d."""
    front = [(x, y), (x + s, y), (x + s, y + s), (x, y + s)]
    top = [(x, y), (x + d, y - d), (x + s + d, y - d), (x + s, y)]
    side = [(x + s, y), (x + s + d, y - d), (x + s + d, y + s - d), (x + s, y + s)]
    outline = [(x, y), (x + d, y - d), (x + s + d, y - d), (x + s + d, y + s - d), (x + s, y + s), (x, y + s)]
    doc.add(poly(top, fill=doc.lin(x, y - d, x + s, y, [(0, hue["hi"]), (1, hue["light"])])))
    doc.add(poly(front, fill=doc.lin(x, y, x + s, y + s, [(0, hue["light"]), (0.55, hue["mid"]),
                                                          (1, hue["dark"])])))
    doc.add(poly(side, fill=doc.lin(x + s, y, x + s + d, y + s, [(0, hue["dark"]), (1, hue["line"])])))
    # the lit edge where the top meets the front, and the shaded one where the front meets the side
    doc.add(line(x + 1.5, y + 1.5, x + s - 1, y + 1.5, hue["hi"], 1, ' stroke-opacity="0.9"'))
    doc.add(line(x + 1.5, y + 1.5, x + 1.5, y + s - 1, hue["hi"], 1, ' stroke-opacity="0.6"'))
    doc.add(line(x, y, x + s, y, hue["line"], 1))
    doc.add(line(x + s, y, x + s, y + s, hue["line"], 1))
    doc.add(poly(outline, stroke=hue["line"]))


def magnifier(doc, cx, cy, r, reach):
    """A magnifying glass: lens centred at (cx, cy), handle towards the bottom right."""
    a = math.radians(45)
    hx0, hy0 = cx + (r + 0.5) * math.cos(a), cy + (r + 0.5) * math.sin(a)
    hx1, hy1 = hx0 + reach * math.cos(a), hy0 + reach * math.sin(a)
    doc.add(line(hx0, hy0, hx1, hy1, SLATE["line"], 6))
    doc.add(line(hx0, hy0, hx1, hy1, doc.lin(hx0 - 2, hy0, hx0 + 2, hy0 - 2,
                                             [(0, SLATE["light"]), (1, SLATE["mid"])]), 3.2))
    doc.add(circle(cx, cy, r, fill=doc.rad(cx - r * 0.4, cy - r * 0.4, r * 1.4,
                                           [(0, GLASS["hi"], 0.95), (0.6, GLASS["light"], 0.85),
                                            (1, GLASS["mid"], 0.85)])))
    doc.add(circle(cx, cy, r, stroke=SLATE["line"], width=OUTLINE + 0.5))
    doc.add(circle(cx, cy, r - 1.6, stroke="#FFFFFF", width=0.9, extra=' stroke-opacity="0.8"'))
    # the glint of light on the lens
    g = r * 0.55
    doc.add(path("M%g,%g A%g,%g 0 0 1 %g,%g" % (cx - g, cy, g, g, cx, cy - g), stroke="#FFFFFF",
                 width=1.4, extra=' stroke-opacity="0.95"'))


def page(doc, x, y, w, h, fold, lines_from=None):
    """A sheet of paper with its top right corner folded."""
    outline = [(x, y), (x + w - fold, y), (x + w, y + fold), (x + w, y + h), (x, y + h)]
    doc.add(poly(outline, fill=doc.lin(x, y, x + w, y + h, [(0, PAPER["hi"]), (0.6, PAPER["light"]),
                                                            (1, PAPER["mid"])])))
    doc.add(poly([(x + w - fold, y), (x + w - fold, y + fold), (x + w, y + fold)],
                 fill=doc.lin(x + w - fold, y, x + w, y + fold, [(0, PAPER["mid"]), (1, PAPER["dark"])]),
                 stroke=PAPER["line"], width=1))
    doc.add(poly(outline, stroke=PAPER["line"]))


def ribbon(doc, x, y0, w, y1, notch, width=OUTLINE):
    """A bookmark ribbon hanging from y0 down to y1, its end cut into a swallowtail."""
    shape = [(x, y0), (x + w, y0), (x + w, y1), (x + w / 2, y1 - notch), (x, y1)]
    doc.add(poly(shape, fill=doc.lin(x, y0, x + w, y0, [(0, RED["light"]), (0.5, RED["mid"]),
                                                        (1, RED["dark"])])))
    doc.add(line(x + 0.75 * width, y0 + width / 2, x + 0.75 * width, y1 - 0.75 * width, RED["hi"], width / 2,
                 ' stroke-opacity="0.8"'))
    doc.add(poly(shape, stroke=RED["line"], width=width))


def arrow_down(doc, cx, y0, y1, shaft, head, hue):
    """A thick arrow pointing down, its tip at (cx, y1)."""
    hw, sw = head / 2, shaft / 2
    yh = y1 - head * 0.75
    shape = [(cx - sw, y0), (cx + sw, y0), (cx + sw, yh), (cx + hw, yh), (cx, y1), (cx - hw, yh), (cx - sw, yh)]
    doc.add(poly(shape, fill=doc.lin(cx - hw, y0, cx + hw, y1, [(0, hue["hi"]), (0.35, hue["light"]),
                                                                 (1, hue["dark"])])))
    doc.add(poly(shape, stroke=hue["line"]))


def chevron_arrow(doc, cx, cy, size, up, hue):
    """A compact arrow (head and short shaft) pointing up or down, centred at (cx, cy)."""
    s = size / 2
    sign = -1 if up else 1
    tip = cy + sign * s
    base = cy - sign * s
    shoulder = cy + sign * (s * 0.05)
    shape = [(cx, tip), (cx + s, shoulder), (cx + s * 0.42, shoulder), (cx + s * 0.42, base),
             (cx - s * 0.42, base), (cx - s * 0.42, shoulder), (cx - s, shoulder)]
    doc.add(poly(shape, fill=doc.lin(cx - s, cy - s, cx + s, cy + s, [(0, hue["hi"]), (0.4, hue["light"]),
                                                                       (1, hue["dark"])])))
    doc.add(poly(shape, stroke=hue["line"]))


def globe(doc, cx, cy, r):
    """The web: a blue globe with meridians and parallels, lit from the top left."""
    doc.add(circle(cx, cy, r, fill=doc.rad(cx - r * 0.45, cy - r * 0.45, r * 1.5,
                                           [(0, BLUE["hi"]), (0.45, BLUE["light"]), (0.8, BLUE["mid"]),
                                            (1, BLUE["dark"])])))
    grid = BLUE["line"]
    op = ' stroke-opacity="0.55"'
    doc.add(line(cx - r, cy, cx + r, cy, grid, 1, op))
    doc.add(line(cx, cy - r, cx, cy + r, grid, 1, op))
    doc.add('<ellipse cx="%g" cy="%g" rx="%g" ry="%g" fill="none" stroke="%s" stroke-width="1"%s/>' %
            (cx, cy, r * 0.45, r, grid, op))
    for k in (-0.55, 0.55):
        yy = cy + k * r
        half = r * math.sqrt(1 - k * k)
        doc.add(line(cx - half, yy, cx + half, yy, grid, 1, op))
    doc.add(circle(cx, cy, r, stroke=BLUE["line"]))


def trash_can(doc, ox, oy, k, full):
    """A metal waste bin in a 32-unit design box, placed at (ox, oy) and scaled by k.

    The outlines keep their width whatever the scale, so the large picture matches the
    small ones in weight. A full bin has its lid tipped open over crumpled paper."""
    def P(x, y):
        return (ox + k * x, oy + k * y)

    if full:
        # crumpled sheets rising out of the bin, behind its rim
        doc.add(poly([P(8.5, 12), P(9.5, 7.5), P(12.5, 8.5), P(14, 5.8), P(17.5, 7.2), P(19.5, 5.2),
                      P(22.5, 7.5), P(23.5, 12)],
                     fill=doc.lin(*P(9, 5), *P(23, 12), [(0, PAPER["hi"]), (1, PAPER["dark"])]),
                     stroke=PAPER["line"], width=1.5))
        for a, b in (((12.5, 8.5), (13.5, 11)), ((17.5, 7.2), (16.5, 10.5)), ((19.5, 5.2), (20.5, 9))):
            doc.add(line(*P(*a), *P(*b), PAPER["dark"], 1.2))
    body = [P(7, 11), P(25, 11), P(23.2, 29), P(8.8, 29)]
    doc.add(poly(body, fill=doc.lin(*P(7, 0), *P(25, 0), [(0, METAL["hi"]), (0.35, METAL["light"]),
                                                             (0.75, METAL["mid"]), (1, METAL["dark"])])))
    # ribs pressed into the metal: a shaded groove beside a lit one
    for x in (12, 16, 20):
        x0, y0 = P(x, 14)
        x1, y1 = P(x - (x - 16) * 0.1, 26)
        doc.add(line(x0, y0, x1, y1, METAL["dark"], 1.2))
        doc.add(line(x0 + 1, y0, x1 + 1, y1, METAL["hi"], 1))
    doc.add(poly(body, stroke=METAL["line"]))
    lid = []
    hx, hy = P(12.5, 3)
    lid.append(rect(hx, hy, k * 7, k * 4, rx=k * 1.5, fill=METAL["mid"], stroke=METAL["line"]))
    lx, ly = P(5, 7)
    lid.append(rect(lx, ly, k * 22, k * 4, rx=k * 1,
                    fill=doc.lin(lx, ly, lx, ly + k * 4, [(0, METAL["hi"]), (1, METAL["mid"])]),
                    stroke=METAL["line"]))
    if full:
        # the lid tipped up about its left end
        px, py = P(5, 11)
        doc.add('<g transform="translate(%g,%g) rotate(-12 %g %g)">' % (-k * 1, -k * 1.5, px, py))
        doc.add("\n".join(lid))
        doc.add("</g>")
    else:
        doc.add("\n".join(lid))


def bulb(doc, cx, top, k):
    """A glowing light bulb whose glass top is at `top`, scaled by k (1 = 48-unit picture)."""
    r = 11.5 * k
    cy = top + r
    doc.add(circle(cx, cy, r + 5 * k, fill=doc.rad(cx, cy, r + 5 * k, [(0, "#FFF3A0", 0.9), (0.6, "#FFE25C", 0.5),
                                                                       (1, "#FFE25C", 0)])))
    neck_y = cy + r * 0.78
    base_y = top + 2 * r + 3 * k
    glass = "M%g,%g A%g,%g 0 1 1 %g,%g C%g,%g %g,%g %g,%g L%g,%g C%g,%g %g,%g %g,%g Z" % (
        cx - r * 0.62, neck_y, r, r, cx + r * 0.62, neck_y,
        cx + r * 0.45, neck_y + 2 * k, cx + 4.5 * k, base_y - 3 * k, cx + 4.5 * k, base_y,
        cx - 4.5 * k, base_y,
        cx - 4.5 * k, base_y - 3 * k, cx - r * 0.45, neck_y + 2 * k, cx - r * 0.62, neck_y)
    doc.add(path(glass, fill=doc.rad(cx - r * 0.35, cy - r * 0.4, r * 1.6,
                                     [(0, "#FFFFFF"), (0.3, GOLD["hi"]), (0.75, GOLD["light"]), (1, GOLD["mid"])])))
    # the glowing filament
    doc.add(path("M%g,%g L%g,%g L%g,%g L%g,%g L%g,%g" % (
        cx - 3 * k, base_y - 1 * k, cx - 3 * k, cy + 2 * k, cx - 1 * k, cy - 1 * k, cx + 1 * k, cy + 2 * k,
        cx + 3 * k, cy - 1 * k), stroke=GOLD["dark"], width=1.3))
    doc.add(line(cx + 3 * k, cy - 1 * k, cx + 3 * k, base_y - 1 * k, GOLD["dark"], 1.3))
    doc.add(path(glass, stroke=GOLD["line"]))
    doc.add(path("M%g,%g A%g,%g 0 0 1 %g,%g" % (cx - r * 0.62, cy, r * 0.62, r * 0.62, cx, cy - r * 0.62),
                 stroke="#FFFFFF", width=2, extra=' stroke-opacity="0.9"'))
    # the screw base
    bx, bw = cx - 5.5 * k, 11 * k
    by = base_y
    doc.add(rect(bx, by, bw, 8 * k, rx=2 * k,
                 fill=doc.lin(bx, 0, bx + bw, 0, [(0, METAL["hi"]), (0.4, METAL["mid"]), (1, METAL["dark"])]),
                 stroke=METAL["line"]))
    for i in (1, 2):
        y = by + i * 2.7 * k
        doc.add(line(bx + 1.2, y, bx + bw - 1.2, y, METAL["line"], 1))
    doc.add(path("M%g,%g L%g,%g L%g,%g Z" % (cx - 2.5 * k, by + 8 * k, cx + 2.5 * k, by + 8 * k, cx, by + 10.5 * k),
                 fill=SLATE["mid"], stroke=METAL["line"], width=1.2))


def window_symbol(doc, x, y, w, h):
    """An application window: blue title bar over a white pane."""
    doc.add(rect(x, y, w, h, rx=2, fill=doc.lin(x, y, x + w, y + h, [(0, PAPER["hi"]), (1, PAPER["mid"])])))
    bar = 6
    doc.add(path("M%g,%g h%g a2,2 0 0 1 2,2 v%g h%g v%g a2,2 0 0 1 2,-2 Z" % (
        x + 2, y, w - 4, bar - 2, -w, -(bar - 2)),
        fill=doc.lin(x, y, x, y + bar, [(0, BLUE["light"]), (1, BLUE["dark"])])))
    doc.add(line(x + 3, y + bar / 2, x + 8, y + bar / 2, "#FFFFFF", 1.4, ' stroke-opacity="0.9"'))
    doc.add(line(x, y + bar, x + w, y + bar, BLUE["line"], 1))
    doc.add(rect(x, y, w, h, rx=2, stroke=BLUE["line"]))


# --- the bird ------------------------------------------------------------------------------

def bird(doc, ox, oy, k, twig=True, outline_px=OUTLINE):
    """The brand bird, drawn in a 100-unit box placed at (ox, oy) and scaled by k.

    Shapes are first drawn as thick strokes in the outline colour and then filled on top,
    so the bird has one clean silhouette outline of `outline_px` whatever its scale."""
    u = 1.0 / k  # one output unit in bird units
    ow = outline_px * 2 * u
    tail = "M32,64 L9,86 L12,90 L10,95 L18,93 L42,74 Z"
    body = '<ellipse cx="47" cy="58" rx="28" ry="20" transform="rotate(-34 47 58)" fill="%s" stroke="%s" ' \
           'stroke-width="%g"/>'
    head = '<circle cx="64" cy="30" r="16.5" fill="%s" stroke="%s" stroke-width="%g"/>'
    beak = "M78,24.5 L95,30.5 L78,36 Z"
    parts = ['<g transform="translate(%g,%g) scale(%g)">' % (ox, oy, k)]
    if twig:
        parts.append(path("M4,93 C30,90 60,92 97,88", stroke=BIRD["twig_line"], width=4 + ow))
        parts.append(path("M80,89.6 L91,79", stroke=BIRD["twig_line"], width=3 + ow))
    # the silhouette outline
    parts.append(path(tail, fill=BIRD["line"], stroke=BIRD["line"], width=ow))
    parts.append(body % (BIRD["line"], BIRD["line"], ow))
    parts.append(head % (BIRD["line"], BIRD["line"], ow))
    parts.append(path(beak, fill=BIRD["line"], stroke=BIRD["line"], width=ow))
    if twig:
        parts.append(path("M4,93 C30,90 60,92 97,88", stroke=BIRD["twig"], width=4))
        parts.append(path("M80,89.6 L91,79", stroke=BIRD["twig"], width=3))
        # the feet gripping the twig
        parts.append(path("M43,76 L41,91 M53,74 L54,90", stroke=BIRD["line"], width=max(3, 1.2 * u)))
    plumage = doc.lin(36, 40, 60, 72,
                      [(0, BIRD["back"]), (0.5, BIRD["back"]), (0.66, "#C3D27E"), (0.8, BIRD["belly"]),
                       (1, BIRD["belly"])])
    parts.append(path(tail, fill=BIRD["back_dark"]))
    parts.append(body % (plumage, "none", 0))
    parts.append(head % (plumage, "none", 0))
    parts.append(path(beak, fill=BIRD["beak"]))
    # the folded wing, reaching back over the tail
    wing = "M55,45 C42,42 27,55 19,79 C33,78 50,71 59,60 C62,54 60,47 55,45 Z"
    wing_fill = doc.lin(30, 46, 56, 72,
                        [(0, BIRD["back"]), (1, BIRD["wing"])])
    parts.append(path(wing, fill=wing_fill, stroke=BIRD["line"], width=max(2, 0.9 * u)))
    parts.append(path("M47,52 C40,57 34,63 30,70", stroke=BIRD["wing_bar"], width=max(2, 0.7 * u),
                      extra=' stroke-opacity="0.8"'))
    # a grey cap, the white brow under it, and the dark line through the eye
    parts.append(path("M47.7,28 A16.5,16.5 0 0 1 80.3,26.5 C71,21.5 56,21.5 47.7,28 Z", fill=BIRD["cap"]))
    parts.append(path("M50,30.5 C58,24.5 70,23.5 79.5,27.5", stroke="#FFFFFF", width=max(3.5, 1.1 * u)))
    parts.append(path("M57,35 L79,32.5", stroke=BIRD["line"], width=max(2.5, 0.9 * u)))
    # the red eye with its glint
    parts.append(circle(68.5, 33.5, max(4, 1.5 * u), fill=BIRD["eye"], stroke=BIRD["line"],
                        width=max(1.5, 0.6 * u)))
    parts.append(circle(69.6, 32.4, max(1.3, 0.5 * u), fill="#FFFFFF"))
    parts.append("</g>")
    doc.add("\n".join(parts))


# --- lettering -----------------------------------------------------------------------------

# The word "Vireo!" as strokes: each letter is (advance width, path data, dots); the
# baseline is y = 0 and the cap height 24.
LETTERS = [
    (16, "M0,-24 L8,0 L16,-24", []),
    (4, "M2,-15 L2,0", [(2, -21.5)]),
    (11, "M2,-15 L2,0 M2,-8 C2,-13 5.5,-15.5 11,-15.5", []),
    (16, "M1.5,-8 L15,-8 C15,-13 12,-16 8,-16 C3.5,-16 1,-12.5 1,-8 C1,-3 4,0 8.5,0 C11,0 13,-1 14.5,-3", []),
    (16, "M8,-16 C12.5,-16 15.5,-12.5 15.5,-8 C15.5,-3.5 12.5,0 8,0 C3.5,0 0.5,-3.5 0.5,-8 "
         "C0.5,-12.5 3.5,-16 8,-16 Z", []),
    (4, "M2,-24 L2,-8", [(2, -1)]),
]
LETTER_GAP = 5.5
LETTER_WEIGHT = 5.0


def word_width():
    return sum(w for w, _, _ in LETTERS) + LETTER_GAP * (len(LETTERS) - 1)


def word(color, weight, dot_r):
    out = []
    x = 0.0
    for w, d, dots in LETTERS:
        out.append('<g transform="translate(%g,0)">' % x)
        out.append(path(d, stroke=color, width=weight))
        for dx, dy in dots:
            out.append(circle(dx, dy, dot_r, fill=color))
        out.append("</g>")
        x += w + LETTER_GAP
    return "".join(out)


# --- buttons -------------------------------------------------------------------------------

def button_tile(doc, state):
    """The 40 x 40 tile a button's symbol stands on, in one of its three states."""
    if state == "over":
        doc.add(rect(0, 0, 48, 48, fill=doc.rad(24, 24, 24, [(0, "#FFFFFF", 1), (0.7, "#FFF1A6", 0.9),
                                                             (1, "#FFF1A6", 0)])))
        top, bottom, border, lip = "#E2EDFF", "#B2CFFF", "#FFFFFF", "#FFFFFF"
    elif state == "dn":
        top, bottom, border, lip = "#6F9BEE", "#93B8FF", "#2F58B4", "#4A74CC"
    else:
        top, bottom, border, lip = "#C5DBFF", "#96BBFF", "#4F7FDB", "#FFFFFF"
    if state != "dn":
        # a soft shadow under the resting and glowing tile lifts it off the strip
        doc.add(rect(4.5, 5.5, 39, 39, rx=8, fill="#2F58B4", extra=' fill-opacity="0.28"'))
    doc.add(rect(4.5, 4.5, 39, 39, rx=8, fill=doc.lin(0, 4, 0, 44, [(0, top), (1, bottom)])))
    if state == "dn":
        # pressed in: shade along the top and left inner edges
        doc.add(path("M6,40 L6,12 C6,8.5 8.5,6 12,6 L40,6", stroke=lip, width=2, extra=' stroke-opacity="0.8"'))
    else:
        doc.add(path("M6,38 L6,12 C6,8.5 8.5,6 12,6 L38,6", stroke=lip, width=1.2,
                     extra=' stroke-opacity="0.85"'))
    doc.add(rect(4.5, 4.5, 39, 39, rx=8, stroke=border, width=1))


def button_symbol(doc, prefix):
    """The symbol of each button, drawn in the 32-unit box at (8, 8)."""
    if prefix in ("rollup_", "rolldn_"):
        if prefix == "rollup_":
            window_symbol(doc, 11, 13, 26, 24)
            chevron_arrow(doc, 24, 26, 13, True, GOLD)
        else:
            window_symbol(doc, 11, 11, 26, 24)
            chevron_arrow(doc, 24, 25, 13, False, GOLD)
    elif prefix == "web_":
        globe(doc, 22, 22, 11)
        magnifier(doc, 29, 29, 5.5, 5)
    elif prefix == "local_":
        page(doc, 11, 9, 20, 26, 6)
        ribbon(doc, 15, 9, 6, 24, 3)
        for y in (17, 21, 25):
            doc.add(line(23.5, y, 27, y, BLUE["dark"], 1.6, ' stroke-opacity="0.85"'))
        doc.add(line(13.5, 30, 27, 30, BLUE["dark"], 1.6, ' stroke-opacity="0.85"'))
        magnifier(doc, 29, 29, 6.5, 5)
    # browse_ has no symbol: the browser's own icon is drawn over the tile at (8, 8)


def make_button(prefix, state):
    doc = Doc(48, 48, "Vireo button %s%s" % (prefix, state))
    button_tile(doc, state)
    if state == "dn":
        doc.add('<g transform="translate(1,1)">')
        button_symbol(doc, prefix)
        doc.add("</g>")
    else:
        button_symbol(doc, prefix)
    return doc


# --- icons ---------------------------------------------------------------------------------

def icon_greencube():
    doc = Doc(32, 32, "Folder")
    cube(doc, 3, 11, 18, 8, GREEN)
    return doc


def icon_search():
    doc = Doc(32, 32, "Search results")
    cube(doc, 3, 11, 18, 8, GREEN)
    magnifier(doc, 19, 19, 6, 5.5)
    return doc


def icon_import():
    doc = Doc(32, 32, "Imported folder")
    cube(doc, 3, 11, 18, 8, GREEN)
    arrow_down(doc, 22, 5, 29, 4, 12, GOLD)
    return doc


def icon_root():
    doc = Doc(32, 32, "My Bookmarks")
    cube(doc, 3, 11, 18, 8, BLUE)
    ribbon(doc, 9, 11, 7, 25, 3)
    return doc


def icon_bb():
    doc = Doc(32, 32, "Bookmark")
    page(doc, 7, 3, 20, 26, 6)
    ribbon(doc, 11, 3, 6, 19, 3)
    for y in (11, 15, 19):
        doc.add(line(19.5, y, 23, y, BLUE["dark"], 2, ' stroke-opacity="0.8"'))
    doc.add(line(10, 23, 23, 23, BLUE["dark"], 2, ' stroke-opacity="0.8"'))
    return doc


def no_badge(doc, cx, cy, r):
    """A red disc with a white cross: whatever it sits on is no longer there."""
    doc.add(circle(cx, cy, r, fill=doc.rad(cx - r * 0.4, cy - r * 0.4, r * 1.5, [(0, RED["light"]), (0.55, RED["mid"]),
                                                                               (1, RED["dark"])])))
    doc.add(circle(cx, cy, r, stroke=RED["line"], width=1.5))
    d = r * 0.42
    doc.add(line(cx - d, cy - d, cx + d, cy + d, "#FFFFFF", 2.4))
    doc.add(line(cx - d, cy + d, cx + d, cy - d, "#FFFFFF", 2.4))


def icon_deadlink():
    doc = Doc(32, 32, "Dead link")
    page(doc, 5, 3, 20, 26, 6)
    ribbon(doc, 9, 3, 6, 19, 3)
    for y in (11, 15):
        doc.add(line(17.5, y, 21, y, BLUE["dark"], 2, ' stroke-opacity="0.8"'))
    no_badge(doc, 23, 23, 7.5)
    return doc


def icon_trash():
    doc = Doc(32, 32, "Trash")
    trash_can(doc, 0, 0, 1, False)
    return doc


def icon_bigtrash():
    doc = Doc(64, 64, "Empty Trash")
    trash_can(doc, 1.6, 8, 1.9, True)
    return doc


def icon_app():
    doc = Doc(32, 32, "Vireo")
    doc.add(circle(16, 16, 15, fill=doc.rad(11, 10, 20, [(0, BLUE["hi"]), (0.55, BLUE["light"]),
                                                         (1, BLUE["mid"])])))
    doc.add(circle(16, 16, 15, stroke=BLUE["line"], width=1.5))
    bird(doc, 2, 3.5, 0.28, twig=False, outline_px=1.6)
    return doc


def application_icon():
    """The icon the desktop shows for the program (menus, launchers, software centres),
    drawn on a 128-unit grid for 48 pixels and up; smaller sizes use icon_app, which is
    drawn for them. The same disc and bird, with the twig it perches on and the red
    bookmark ribbon hanging behind it."""
    doc = Doc(128, 128, "Vireo")
    cx, cy, r = 64, 64, 58
    # a soft shadow lifts the disc off any background
    doc.add(circle(cx + 1.5, cy + 3, r + 1, fill=doc.rad(cx + 1.5, cy + 3, r + 4, [(0.85, "#1E3C85", 0.35),
                                                                                    (1, "#1E3C85", 0)])))
    doc.add(circle(cx, cy, r, fill=doc.rad(cx - 20, cy - 24, r * 1.45, [(0, BLUE["hi"]), (0.5, BLUE["light"]),
                                                                         (0.85, BLUE["mid"]), (1, BLUE["dark"])])))
    # the sheen of light across the top of the disc
    doc.add(path("M%g,%g A%g,%g 0 0 1 %g,%g" % (cx - r + 9, cy - 6, r - 9, r - 9, cx + 18, cy - r + 12),
                 stroke="#FFFFFF", width=3, extra=' stroke-opacity="0.7"'))
    doc.add(circle(cx, cy, r, stroke=BLUE["line"], width=3.5))
    # the ribbon comes out over the rim, as a bookmark does out of a book
    ribbon(doc, 30, 3.5, 15, 56, 7, width=3)
    bird(doc, 14, 14, 0.92, twig=True, outline_px=2.6)
    return doc


def findlogo():
    doc = Doc(48, 48, "Find Bookmarks")
    page(doc, 5, 3, 28, 38, 8)
    ribbon(doc, 10, 3, 8, 25, 4)
    for y in (13, 18, 23):
        doc.add(line(22, y, 28, y, BLUE["dark"], 2, ' stroke-opacity="0.8"'))
    for y in (29, 34):
        doc.add(line(10, y, 28, y, BLUE["dark"], 2, ' stroke-opacity="0.8"'))
    magnifier(doc, 31, 30, 9, 8)
    return doc


def tiplogo():
    doc = Doc(48, 48, "Tip of the day")
    # rays of light around the bulb
    for ang in (-150, -115, -65, -30, 180, 0):
        a = math.radians(ang)
        cx, cy = 24, 20
        doc.add(line(cx + 15 * math.cos(a), cy + 15 * math.sin(a), cx + 20 * math.cos(a), cy + 20 * math.sin(a),
                     GOLD["dark"], 2))
    bulb(doc, 24, 8, 1)
    return doc


def vireo_side():
    doc = Doc(48, 240, "Vireo!")
    doc.add(rect(0, 0, 48, 240, fill=STRIP))
    bird(doc, 3, 8, 0.42, twig=True, outline_px=1.6)
    # the word, reading upwards from the bottom, with a shadow to the bottom right
    scale = 1.18
    length = word_width() * scale
    baseline_x = 37.5
    bottom = 232
    start_y = bottom - (bottom - 62 - length) / 2
    def placed(inner):
        return '<g transform="translate(%g,%g) rotate(-90) scale(%g)">%s</g>' % (baseline_x, start_y, scale, inner)
    doc.add('<g transform="translate(1.6,1.6)" opacity="0.55">%s</g>' %
            placed(word(BLUE["line"], LETTER_WEIGHT + 1.6, 3.8)))
    doc.add(placed(word(BLUE["line"], LETTER_WEIGHT + 2.4, 4.2)))
    doc.add(placed(word("#FFFFFF", LETTER_WEIGHT, 3.0)))
    return doc


def status_lamp(state):
    """A round lamp of the search status rows, 16 units: lit green, dark, amber or red."""
    hue = {"on": GREEN, "warning": GOLD, "error": RED}.get(state)
    doc = Doc(16, 16, "Status " + state)
    if hue is None:
        # an unlit lamp: grey glass without a glow, so lit lamps stand out in a row
        doc.add(circle(8, 8, 6, fill=doc.rad(6, 6, 8, [(0, METAL["light"]), (1, METAL["dark"])]),
                       stroke=METAL["line"], width=1))
        return doc
    doc.add(circle(8, 8, 6, fill=doc.rad(6, 5.5, 8, [(0, hue["hi"]), (0.45, hue["light"]), (1, hue["dark"])]),
                   stroke=hue["line"], width=1))
    doc.add(circle(6.3, 5.8, 1.8, fill="#FFFFFF", extra=' fill-opacity="0.8"'))
    return doc


def searchlogo():
    doc = Doc(48, 48, "Search the Web")
    globe(doc, 20, 20, 15)
    magnifier(doc, 31, 31, 8, 8)
    return doc


# --- output --------------------------------------------------------------------------------

def main():
    here = os.path.dirname(os.path.abspath(__file__))
    res = sys.argv[1] if len(sys.argv) > 1 else os.path.join(here, "..", "resources")
    files = {
        "icons/icon_greencube.svg": icon_greencube(),
        "icons/icon_BB.svg": icon_bb(),
        "icons/icon_deadlink.svg": icon_deadlink(),
        "icons/icon_search.svg": icon_search(),
        "icons/icon_root.svg": icon_root(),
        "icons/icon_import.svg": icon_import(),
        "icons/icon_trash.svg": icon_trash(),
        "icons/icon_app.svg": icon_app(),
        "icons/icon_bigtrash.svg": icon_bigtrash(),
        "icons/vireo_side.svg": vireo_side(),
        "icons/findlogo.svg": findlogo(),
        "icons/tiplogo.svg": tiplogo(),
        "icons/searchlogo.svg": searchlogo(),
    }
    for state in ("on", "off", "warning", "error"):
        files["icons/status_%s.svg" % state] = status_lamp(state)
    for prefix in ("rollup_", "rolldn_", "browse_", "web_", "local_"):
        for state in ("up", "dn", "over"):
            files["buttons/%s%s.svg" % (prefix, state)] = make_button(prefix, state)
    files[os.path.join("hicolor", "scalable", "apps", APP_ID + ".svg")] = application_icon()
    for rel, doc in sorted(files.items()):
        target = os.path.join(res, rel)
        os.makedirs(os.path.dirname(target), exist_ok=True)
        with open(target, "w", encoding="utf-8", newline="\n") as f:
            f.write(doc.text())
    print("wrote %d pictures under %s" % (len(files), os.path.normpath(res)))
    render_app_icons(res)


def render_app_icons(res):
    """The desktop wants the program's icon as PNG files of fixed sizes too: rendered
    from the SVG files above with librsvg, the renderer most desktops use for icons."""
    tool = shutil.which("rsvg-convert")
    if not tool:
        sys.exit("make_icons.py: rsvg-convert is needed for the PNG icons (apt-get install librsvg2-bin)")
    for size, source in sorted(APP_ICON_SIZES.items()):
        target = os.path.join(res, "hicolor", "%dx%d" % (size, size), "apps", APP_ID + ".png")
        os.makedirs(os.path.dirname(target), exist_ok=True)
        subprocess.run([tool, "--width", str(size), "--height", str(size), "--format", "png",
                        "--output", target, os.path.join(res, source)], check=True)
    print("rendered %d PNG icons under %s" % (len(APP_ICON_SIZES), os.path.join(os.path.normpath(res), "hicolor")))


if __name__ == "__main__":
    main()
