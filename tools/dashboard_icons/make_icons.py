#!/usr/bin/env python3
# Writes the dashboard icons under resources/dashboard/ (24 x 24 line icons).
# Usage: tools/dashboard_icons/make_icons.py resources/dashboard
import math, os, sys
out = sys.argv[1]
C = "#DCDEE2"
HEAD = '<svg xmlns="http://www.w3.org/2000/svg" width="24" height="24" viewBox="0 0 24 24">\n'
def line_icon(body, width=1.75):
    return (HEAD + f'<g fill="none" stroke="{C}" stroke-width="{width}" stroke-linecap="round" stroke-linejoin="round">\n'
            + body + '\n</g>\n</svg>\n')
def star(cx, cy, R, r, n=5):
    pts = []
    for i in range(2*n):
        a = -math.pi/2 + i*math.pi/n
        rad = R if i % 2 == 0 else r
        pts.append(f"{cx+rad*math.cos(a):.2f},{cy+rad*math.sin(a):.2f}")
    return " ".join(pts)
icons = {}
icons['tool_pen'] = line_icon(
    '<path d="M15.5 4.5 L19.5 8.5 L9 19 L4 20 L5 15 Z"/>\n'
    '<path d="M13.5 6.5 L17.5 10.5"/>\n<path d="M5 15 L9 19"/>\n'
    f'<path d="M4 20 L4.5 17.5 L6.5 19.5 Z" fill="{C}"/>')
icons['tool_eraser'] = line_icon(
    '<g transform="rotate(-45 12 11)"><rect x="4" y="7" width="16" height="8" rx="1.5"/>'
    '<path d="M10.5 7 V15"/></g>\n<path d="M12 20.5 H20.5"/>')
icons['tool_fill'] = line_icon(
    '<g transform="rotate(45 10 13)"><path d="M5 9 H15 V16.5 A1.5 1.5 0 0 1 13.5 18 H6.5 A1.5 1.5 0 0 1 5 16.5 Z"/></g>\n'
    '<path d="M6.2 9.8 V6.5 A3.3 3.3 0 0 1 12.8 6.5 V9.5"/>\n'
    f'<path d="M19.5 13.5 C19.5 13.5 17.5 16.3 17.5 17.7 A2 2 0 0 0 21.5 17.7 C21.5 16.3 19.5 13.5 19.5 13.5 Z" fill="{C}" stroke-width="1.2"/>')
icons['tool_eyedrop'] = line_icon(
    '<path d="M14.5 5 A2.5 2.5 0 0 1 18 5 L19 6 A2.5 2.5 0 0 1 19 9.5 L16.5 12 L12 7.5 Z"/>\n'
    '<path d="M11 6.5 L17.5 13"/>\n'
    '<path d="M13.5 9 L6.5 16 L5.5 18.5 L8 17.5 L15 10.5"/>\n<path d="M5.5 18.5 L4 20"/>')
icons['tool_pan'] = line_icon(
    '<path d="M7.5 13 V6.5 A1.5 1.5 0 0 1 10.5 6.5 V11.5"/>\n'
    '<path d="M10.5 11 V4.5 A1.5 1.5 0 0 1 13.5 4.5 V11"/>\n'
    '<path d="M13.5 11 V5.5 A1.5 1.5 0 0 1 16.5 5.5 V11.5"/>\n'
    '<path d="M16.5 11.5 V8 A1.5 1.5 0 0 1 19.5 8 V14.5 A6.5 6.5 0 0 1 13 21 H12 A5.5 5.5 0 0 1 7.6 18.8 L4 14.6 A1.6 1.6 0 0 1 6.4 12.5 L7.5 13.8"/>', 1.6)
icons['tool_selection'] = line_icon(
    '<rect x="4" y="5" width="16" height="14" rx="0.5" stroke-dasharray="3 2.4" stroke-linecap="butt"/>', 1.6)
icons['tool_selectionlasso'] = line_icon(
    '<path d="M8.2 15.2 C4.8 14.4 3 12.3 3 10 C3 6.4 7 3.8 12 3.8 C17 3.8 21 6.4 21 10 C21 13.6 17 16.2 12 16.2 C11.2 16.2 10.4 16.1 9.7 16" stroke-dasharray="2.6 2.1" stroke-linecap="butt"/>\n'
    '<circle cx="8.6" cy="16.4" r="1.6"/>\n<path d="M8 18 C7.4 19.4 8 20.8 9.8 21"/>', 1.6)
icons['shape_line'] = line_icon(
    '<path d="M6 18 L18 6"/>\n'
    f'<circle cx="5.5" cy="18.5" r="1.8" fill="{C}" stroke="none"/>\n<circle cx="18.5" cy="5.5" r="1.8" fill="{C}" stroke="none"/>')
icons['shape_box'] = line_icon('<rect x="4" y="6" width="16" height="12" rx="1"/>')
icons['shape_boxfilled'] = line_icon(f'<rect x="4" y="6" width="16" height="12" rx="1" fill="{C}"/>')
icons['shape_ellipse'] = line_icon('<ellipse cx="12" cy="12" rx="8.5" ry="6.5"/>')
icons['shape_ellipsefilled'] = line_icon(f'<ellipse cx="12" cy="12" rx="8.5" ry="6.5" fill="{C}"/>')
icons['shape_star'] = line_icon(f'<polygon points="{star(12, 12.8, 9, 3.8)}"/>', 1.6)
icons['shape_starfilled'] = line_icon(f'<polygon points="{star(12, 12.8, 9, 3.8)}" fill="{C}"/>', 1.6)
icons['shape_bezierline'] = line_icon(
    '<path d="M4.5 18.5 C7 6, 15 18, 19.5 5.5"/>\n'
    '<path d="M4.5 18.5 L4.5 12" stroke-width="1"/>\n<path d="M19.5 5.5 L19.5 12" stroke-width="1"/>\n'
    f'<circle cx="4.5" cy="11" r="1.3" fill="{C}" stroke="none"/>\n<circle cx="19.5" cy="13" r="1.3" fill="{C}" stroke="none"/>\n'
    f'<rect x="3" y="17" width="3" height="3" fill="{C}" stroke="none"/>\n<rect x="18" y="4" width="3" height="3" fill="{C}" stroke="none"/>')
icons['shape_caret'] = (HEAD + f'<path d="M23.5 16.5 V23.5 H16.5 Z" fill="{C}" stroke="#202020" stroke-width="1" stroke-linejoin="round"/>\n</svg>\n')

# Colour-slot markers: a schematic screen, the part the slot recolours drawn
# bold, the rest faint; every line has a dark halo so it reads on any colour.
def haloed(parts):
    under = ''.join(f'<path d="{d}" stroke-width="{w+1.8:.2f}" {extra}/>\n' for d, w, extra, op in parts)
    over = ''.join(f'<path d="{d}" stroke-width="{w}" stroke-opacity="{op}" {extra}/>\n' for d, w, extra, op in parts)
    return (HEAD + '<g fill="none" stroke="#000000" stroke-opacity="0.55" stroke-linejoin="round" stroke-linecap="round">\n' + under + '</g>\n'
            + '<g fill="none" stroke="#FFFFFF" stroke-linejoin="round" stroke-linecap="round">\n' + over + '</g>\n</svg>\n')
def rect(x0, y0, x1, y1):
    return f"M{x0} {y0} H{x1} V{y1} H{x0} Z"
OUT = (2.5, 4.5, 21.5, 19.5)
INN = (6.5, 8, 17.5, 16)
def band_paths(kind):
    o0x, o0y, o1x, o1y = OUT; i0x, i0y, i1x, i1y = INN
    if kind == 'top': return rect(o0x, o0y, o1x, i0y)
    if kind == 'bottom': return rect(o0x, i1y, o1x, o1y)
    if kind == 'sides': return rect(o0x, o0y, i0x, o1y) + ' ' + rect(i1x, o0y, o1x, o1y)
faint = 0.55
def screen(bold_outer=False, bold_inner=False, extra=()):
    parts = [(rect(*OUT), 1.9 if bold_outer else 1.0, '', 1 if bold_outer else faint),
             (rect(*INN), 1.9 if bold_inner else 1.0, '', 1 if bold_inner else faint)]
    return parts + list(extra)
icons['col_bg'] = haloed(screen(bold_inner=True, extra=[("M9 13.5 L11.5 11 L13.5 13 L15 11.5", 1.2, '', 1)]))
icons['col_border'] = haloed(screen(bold_outer=True))
for name, kind in (('col_upperborder', 'top'), ('col_lowerborder', 'bottom'), ('col_sideborders', 'sides')):
    icons[name] = haloed(screen(extra=[(band_paths(kind), 1.9, '', 1)]))
# Sprite colours: a small sprite figure beside a one or two dot count, in the
# border band they belong to.
def sprite(cx, cy, s):
    # a 5 x 4 figure of filled squares, s units each
    rows = ["01110", "11011", "11111", "10101"]
    d = []
    for y, row in enumerate(rows):
        for x, ch in enumerate(row):
            if ch == '1':
                px = cx + (x - 2.5) * s; py = cy + (y - 2) * s
                d.append(f"M{px:.2f} {py:.2f} h{s} v{s} h{-s} Z")
    return ' '.join(d)
DIGITS = {1: "M16.3 {t:.2f} L18 {t0:.2f} V{b:.2f}",
          2: "M15.4 {t1:.2f} A1.9 1.9 0 0 1 19.2 {t1:.2f} C19.2 {m:.2f} 15.4 {m2:.2f} 15.4 {b:.2f} H19.4"}
def sprite_icon(band, count):
    # No inner picture here: the outer frame, the bold border band and, in
    # the rest, the sprite figure with the colour's number.
    o0x, o0y, o1x, o1y = OUT
    band_rect = rect(o0x, o0y, o1x, 8) if band == 'top' else rect(o0x, 16, o1x, o1y)
    top, bottom = (10, 17) if band == 'top' else (7, 14)
    parts = [(rect(*OUT), 1.0, '', faint), (band_rect, 1.9, '', 1)]
    digit = DIGITS[count].format(t=top + 1.3, t0=top, b=bottom, t1=top + 1.9, m=top + 3.6, m2=top + 4.6)
    parts.append((digit, 1.6, '', 1))
    body = sprite(8.8, (top + bottom) / 2 + 0.4, 1.75)
    svg = haloed(parts)
    fig = (f'<path d="{body}" fill="none" stroke="#000000" stroke-opacity="0.6" stroke-width="1.6" stroke-linejoin="round"/>\n'
           f'<path d="{body}" fill="#FFFFFF" stroke="none"/>\n')
    return svg.replace('</svg>\n', fig + '</svg>\n')
icons['col_upperborder_spriteglobal1'] = sprite_icon('top', 1)
icons['col_upperborder_spriteglobal2'] = sprite_icon('top', 2)
icons['col_lowerborder_spriteglobal1'] = sprite_icon('bottom', 1)
icons['col_lowerborder_spriteglobal2'] = sprite_icon('bottom', 2)
os.makedirs(out, exist_ok=True)
for name, svg in icons.items():
    open(os.path.join(out, name + '.svg'), 'w').write(svg)
print(len(icons))
