#!/usr/bin/env python3
"""Draws the program's pictures and writes its loading page and manifest.

Everything under resources/ that is not hand-written comes from here: the
program icon (.ico and the hicolor PNGs), the three title-strip button strips,
the loading page and its spinner GIF, and the Windows application manifest.
The strips, the title strip's icon and the spinner also come at twice the
pixels ("@2x", "16x16@2"), drawn from the same shapes, for scaled screens;
the .ico carries the small icon's sizes of the usual Windows scales.
Standard library only and deterministic, so re-running it reproduces the
checked-in bytes (a test holds us to that).

Usage: make_resources.py [--out DIR]   (default: the resources/ folder)
"""

import argparse
import math
import os
import struct
import sys
import zlib

# Title strip and loading page background, #EDEEF0.
BACKGROUND = (237, 238, 240)


# ---------------------------------------------------------------- raster ---

def hex_colour(text):
    text = text.lstrip('#')
    return tuple(int(text[i:i + 2], 16) for i in (0, 2, 4))


def mix(a, b, t):
    return tuple(x + (y - x) * t for x, y in zip(a, b))


class Canvas:
    """Premultiplied RGBA in floats (0..255 colour, 0..1 alpha)."""

    def __init__(self, width, height, fill=None):
        self.width = width
        self.height = height
        if fill is None:
            self.px = [[0.0, 0.0, 0.0, 0.0] for _ in range(width * height)]
        else:
            self.px = [[fill[0], fill[1], fill[2], 1.0] for _ in range(width * height)]

    def paint(self, sdf, colour, scale=1.0, alpha=1.0, box=None):
        """Composites a shape over the canvas.

        `sdf(x, y)` is a signed distance (negative inside) in design units;
        `scale` turns design units into pixels. Coverage comes from the
        distance at the pixel centre, which anti-aliases every edge without
        supersampling each pixel. `colour` is an RGB tuple or a function of
        (x, y) in design units. `box` (x0, y0, x1, y1, in pixels) limits
        the work to where the shape can be.
        """
        x0, y0, x1, y1 = box if box else (0, 0, self.width, self.height)
        x0, y0 = max(0, int(x0)), max(0, int(y0))
        x1, y1 = min(self.width, int(math.ceil(x1))), min(self.height, int(math.ceil(y1)))
        for py in range(y0, y1):
            for px in range(x0, x1):
                x, y = (px + 0.5) / scale, (py + 0.5) / scale
                cover = 0.5 - sdf(x, y) * scale
                if cover <= 0.0:
                    continue
                a = min(cover, 1.0) * alpha
                c = colour(x, y) if callable(colour) else colour
                p = self.px[py * self.width + px]
                keep = 1.0 - a
                p[0] = c[0] * a + p[0] * keep
                p[1] = c[1] * a + p[1] * keep
                p[2] = c[2] * a + p[2] * keep
                p[3] = a + p[3] * keep

    def rgba(self):
        """Straight 8-bit RGBA rows."""
        rows = []
        for py in range(self.height):
            row = bytearray()
            for px in range(self.width):
                r, g, b, a = self.px[py * self.width + px]
                if a <= 0.0:
                    row += b'\0\0\0\0'
                    continue
                row += bytes(max(0, min(255, int(round(v / a)))) for v in (r, g, b))
                row.append(max(0, min(255, int(round(a * 255)))))
            rows.append(bytes(row))
        return rows


# Signed distance functions (negative inside).

def circle(cx, cy, r):
    return lambda x, y: math.hypot(x - cx, y - cy) - r


def ellipse(cx, cy, rx, ry):
    # Scaled-circle distance: exact on the axes, close enough for soft hills.
    k = min(rx, ry)
    return lambda x, y: (math.hypot((x - cx) / rx, (y - cy) / ry) - 1.0) * k


def rounded_rect(x0, y0, x1, y1, r):
    cx, cy = (x0 + x1) / 2, (y0 + y1) / 2
    hx, hy = (x1 - x0) / 2 - r, (y1 - y0) / 2 - r

    def sdf(x, y):
        qx, qy = abs(x - cx) - hx, abs(y - cy) - hy
        outside = math.hypot(max(qx, 0.0), max(qy, 0.0))
        return outside + min(max(qx, qy), 0.0) - r
    return sdf


def capsule(ax, ay, bx, by, r):
    dx, dy = bx - ax, by - ay
    length2 = dx * dx + dy * dy

    def sdf(x, y):
        t = max(0.0, min(1.0, ((x - ax) * dx + (y - ay) * dy) / length2))
        return math.hypot(x - ax - dx * t, y - ay - dy * t) - r
    return sdf


def union(*shapes):
    return lambda x, y: min(s(x, y) for s in shapes)


def intersect(*shapes):
    return lambda x, y: max(s(x, y) for s in shapes)


def subtract(shape, hole):
    return lambda x, y: max(shape(x, y), -hole(x, y))


# --------------------------------------------------------------- encoders ---

def png(rows, width, height):
    """8-bit RGBA, not interlaced, tagged sRGB."""
    def chunk(kind, data):
        body = kind + data
        return struct.pack('>I', len(data)) + body + struct.pack('>I', zlib.crc32(body) & 0xFFFFFFFF)

    raw = b''.join(b'\0' + row for row in rows)
    return (b'\x89PNG\r\n\x1a\n'
            + chunk(b'IHDR', struct.pack('>IIBBBBB', width, height, 8, 6, 0, 0, 0))
            + chunk(b'sRGB', b'\0')
            + chunk(b'IDAT', zlib.compress(raw, 9))
            + chunk(b'IEND', b''))


def ico(entries):
    """entries: (size, rows) pairs; sizes below 256 become 32-bit bitmaps
    (what Windows XP reads), 256 a PNG."""
    images = []
    for size, rows in entries:
        if size >= 256:
            images.append((size, png(rows, size, size)))
            continue
        header = struct.pack('<IiiHHIIiiII', 40, size, size * 2, 1, 32, 0, 0, 0, 0, 0, 0)
        colour = bytearray()
        mask_stride = (size + 31) // 32 * 4
        mask = bytearray()
        for row in reversed(rows):  # bottom-up
            bits = bytearray(mask_stride)
            for x in range(size):
                r, g, b, a = row[4 * x:4 * x + 4]
                colour += bytes((b, g, r, a))
                if a == 0:
                    bits[x // 8] |= 0x80 >> (x % 8)
            mask += bits
        images.append((size, header + bytes(colour) + bytes(mask)))

    out = bytearray(struct.pack('<HHH', 0, 1, len(images)))
    offset = 6 + 16 * len(images)
    for size, data in images:
        side = 0 if size >= 256 else size
        out += struct.pack('<BBBBHHII', side, side, 0, 0, 1, 32, len(data), offset)
        offset += len(data)
    for _, data in images:
        out += data
    return bytes(out)


def lzw(indices, min_code_size):
    """GIF LZW: variable-width codes, LSB first, clear when the table fills."""
    clear, end = 1 << min_code_size, (1 << min_code_size) + 1
    out = bytearray()
    acc = nbits = 0
    size = min_code_size + 1
    next_code = end + 1
    table = {}

    def emit(code):
        nonlocal acc, nbits, size
        acc |= code << nbits
        nbits += size
        while nbits >= 8:
            out.append(acc & 0xFF)
            acc >>= 8
            nbits -= 8
        # The decoder widens its codes once the entry it will add next no
        # longer fits; follow it code for code.
        if next_code >= (1 << size) and size < 12:
            size += 1

    emit(clear)
    prefix = indices[0]
    for value in indices[1:]:
        key = (prefix, value)
        if key in table:
            prefix = table[key]
            continue
        emit(prefix)
        if next_code < 4096:
            table[key] = next_code
            next_code += 1
        else:
            emit(clear)
            table.clear()
            size = min_code_size + 1
            next_code = end + 1
        prefix = value
    emit(prefix)
    emit(end)
    if nbits:
        out.append(acc & 0xFF)
    return bytes(out)


def sub_blocks(data):
    return b''.join(bytes((len(data[i:i + 255]),)) + data[i:i + 255]
                    for i in range(0, len(data), 255)) + b'\0'


def gif(width, height, palette, frames, delay_cs):
    """Animated GIF89a, global palette only, looping forever."""
    bits = max(1, (len(palette) - 1).bit_length())
    table = b''.join(bytes(c) for c in palette) + b'\0\0\0' * ((1 << bits) - len(palette))
    out = bytearray(b'GIF89a')
    out += struct.pack('<HHBBB', width, height, 0x80 | ((bits - 1) << 4) | (bits - 1), 0, 0)
    out += table
    out += b'\x21\xff\x0bNETSCAPE2.0\x03\x01' + struct.pack('<H', 0) + b'\0'
    for frame in frames:
        # Disposal 1: each frame is whole and stays until the next.
        out += b'\x21\xf9\x04' + struct.pack('<BHB', 1 << 2, delay_cs, 0) + b'\0'
        out += b'\x2c' + struct.pack('<HHHHB', 0, 0, width, height, 0)
        code_size = max(2, bits)
        out += bytes((code_size,)) + sub_blocks(lzw(frame, code_size))
    out += b'\x3b'
    return bytes(out)


# --------------------------------------------------------------- drawings ---

SKY_TOP = hex_colour('2F7FD6')
SKY_LOW = hex_colour('A9DAF7')
SUN = hex_colour('FFC53D')
HILL_BACK = hex_colour('72C25B')
HILL_FRONT = hex_colour('2E8B4A')
FRAME = hex_colour('24476B')


def draw_icon(size, scale=1):
    """A framed landscape: sky, sun, two hills. Design space is 0..1.

    `scale` draws the `size` design at that many pixels a pixel: the copy
    for scaled screens keeps the small icon's proportions, not the larger
    icon's thinner frame."""
    pixels = size * scale
    c = Canvas(pixels, pixels)
    # Whole pixels at every size, so the frame's sides stay crisp.
    inset = max(1, round(size / 16)) / size
    border = max(1, round(size * 0.04)) / size
    radius = 0.17
    outer = rounded_rect(inset, inset, 1 - inset, 1 - inset, radius)
    inner = rounded_rect(inset + border, inset + border, 1 - inset - border, 1 - inset - border,
                         radius - border)
    top, bottom = inset + border, 1 - inset - border

    def sky(_, y):
        return mix(SKY_TOP, SKY_LOW, max(0.0, min(1.0, (y - top) / (0.72 * (bottom - top)))))

    c.paint(outer, sky, pixels)
    # Centre on a pixel corner at 16 px so the small sun stays round and crisp.
    c.paint(intersect(circle(11 / 16, 5 / 16, 2 / 16), outer), SUN, pixels)
    c.paint(intersect(ellipse(0.28, 0.98, 0.62, 0.36), outer), HILL_BACK, pixels)
    c.paint(intersect(ellipse(0.86, 1.06, 0.62, 0.40), outer), HILL_FRONT, pixels)
    c.paint(subtract(outer, inner), FRAME, pixels)
    return c.rgba()


FRAME_W, FRAME_H = 21, 26
GLYPH = hex_colour('5B6270')
PLATE_HOVER = hex_colour('D8DBE0')
GLYPH_HOVER = hex_colour('2F3540')
PLATE_DOWN = hex_colour('C0C5CC')
GLYPH_DOWN = hex_colour('1C2129')
CLOSE_HOVER = hex_colour('E0443E')
CLOSE_DOWN = hex_colour('B22F2A')
WHITE = (255, 255, 255)


def gear(cx, cy):
    body = circle(cx, cy, 4.3)
    tooth = rounded_rect(3.2, -1.25, 6.1, 1.25, 0.45)

    def teeth(x, y):
        angle = math.atan2(y - cy, x - cx)
        snapped = round(angle / (math.pi / 4)) * (math.pi / 4)
        cs, sn = math.cos(-snapped), math.sin(-snapped)
        dx, dy = x - cx, y - cy
        return tooth(dx * cs - dy * sn, dx * sn + dy * cs)
    return subtract(union(body, teeth), circle(cx, cy, 1.9))


def minus(cx, cy):
    return rounded_rect(cx - 4.5, cy - 1.0, cx + 4.5, cy + 1.0, 0.3)


def cross(cx, cy):
    d = 3.9
    return union(capsule(cx - d, cy - d, cx + d, cy + d, 0.9),
                 capsule(cx - d, cy + d, cx + d, cy - d, 0.9))


def draw_strip(glyph, close=False, scale=1):
    """Normal, hover and pressed frames side by side, for the #EDEEF0 strip,
    at `scale` pixels a design unit."""
    c = Canvas(FRAME_W * 3 * scale, FRAME_H * scale)
    looks = [(None, GLYPH),
             (CLOSE_HOVER if close else PLATE_HOVER, WHITE if close else GLYPH_HOVER),
             (CLOSE_DOWN if close else PLATE_DOWN, WHITE if close else GLYPH_DOWN)]
    for i, (plate, ink) in enumerate(looks):
        left = i * FRAME_W
        box = (left * scale, 0, (left + FRAME_W) * scale, FRAME_H * scale)
        if plate:
            # One free column each side: neighbouring buttons overlap by one.
            c.paint(rounded_rect(left + 1, 2, left + FRAME_W - 1, FRAME_H - 2, 3), plate, scale, box=box)
        c.paint(glyph(left + FRAME_W / 2, FRAME_H / 2), ink, scale, box=box)
    return c.rgba()


SPIN_W, SPIN_H, SPIN_STEPS = 47, 39, 8
DOT_REST = hex_colour('C7CCD3')
DOT_HEAD = hex_colour('2F6DB5')
# How far each dot behind the head has faded back to rest.
TRAIL = (1.0, 0.55, 0.25)
LEVELS = 15


def spinner(scale=1):
    """Palette and frames: eight dots round a ring, the highlighted one
    moving clockwise a step per frame with a short fading trail, at `scale`
    pixels a design unit (the palette stays the same)."""
    tones = [mix(DOT_REST, DOT_HEAD, t) for t in TRAIL] + [DOT_REST]
    palette = [BACKGROUND]
    for tone in tones:
        for level in range(1, LEVELS + 1):
            palette.append(tuple(int(round(v)) for v in mix(BACKGROUND, tone, level / LEVELS)))
    palette += [BACKGROUND] * (64 - len(palette))

    cx, cy, ring, dot = SPIN_W / 2, SPIN_H / 2, 12.0, 3.1
    width = SPIN_W * scale
    frames = []
    for step in range(SPIN_STEPS):
        pixels = [0] * (width * SPIN_H * scale)
        for i in range(SPIN_STEPS):
            angle = -math.pi / 2 + i * 2 * math.pi / SPIN_STEPS
            dx, dy = cx + ring * math.cos(angle), cy + ring * math.sin(angle)
            behind = (step - i) % SPIN_STEPS
            tone = behind if behind < len(TRAIL) else len(TRAIL)
            shape = circle(dx, dy, dot)
            for py in range(int((dy - dot - 1) * scale), int((dy + dot + 2) * scale)):
                for px in range(int((dx - dot - 1) * scale), int((dx + dot + 2) * scale)):
                    cover = min(1.0, 0.5 - shape((px + 0.5) / scale, (py + 0.5) / scale) * scale)
                    level = int(round(cover * LEVELS))
                    if level > 0:
                        pixels[py * width + px] = 1 + tone * LEVELS + level - 1
        frames.append(pixels)
    return palette, frames


# ------------------------------------------------------------------ texts ---

# The doctype carries no DTD address on purpose: browsers then render in quirks
# mode, where the empty body fills the view and 'center' centres the spinner in
# it; in standards mode the body is a few pixels high and the picture is cut.
LOADING_PAGE = '''\
<!DOCTYPE HTML PUBLIC "-//W3C//DTD HTML 4.01 Transitional//EN">
<html>
<head>
<meta http-equiv="Content-Type" content="text/html; charset=utf-8">
<title>Loading</title>
<style type="text/css">
body{border: 0px; overflow: auto;background: #EDEEF0 url('LoadGif') no-repeat center;}
{scaled}</style>
<script type="text/javascript">
document.onkeydown = function (e) {
  var ev = e || window.event;
  var key = String.fromCharCode(ev.keyCode || ev.which);
  if (ev.ctrlKey && (key == "n" || key == "N")) {
    return false;
  }
  return true;
};
</script>
</head>
<body oncontextmenu="return false" onselectstart="return false">
</body>
</html>
'''

# Both copies also offer the picture at twice the pixels, shown at the same
# size on the page on a scaled screen. WebKit takes an image-set. The Windows
# browser control knows none: from version 9 it reads the resolution query
# and background-size, and older ones skip the rule whole.
SCALED_PICTURE = {
    'gtk': "body{background-image: -webkit-image-set(url('LoadGif') 1x, url('LoadGif@2x') 2x);}\n",
    'win': "@media (min-resolution: 97dpi) {body{background-image: url('LoadGif2x'); "
           "background-size: %dpx %dpx;}}\n" % (SPIN_W, SPIN_H),
}


def loading_page(edition):
    page = LOADING_PAGE.replace('{scaled}', SCALED_PICTURE[edition])
    return '\ufeff'.encode('utf-8') + page.encode('utf-8')


# trustInfo in the asm.v2 namespace: Windows XP SP2 refuses to start programs
# whose manifest uses the later one; Vista and later read both.
# DPI awareness: per monitor (v2 where Windows 10 1703 and later know it,
# else v1 from 8.1), the system's DPI on Vista and 7 ("true" of "true/pm");
# XP reads none of it.
MANIFEST = '''\
<?xml version="1.0" encoding="UTF-8" standalone="yes"?>
<assembly xmlns="urn:schemas-microsoft-com:asm.v1" manifestVersion="1.0">
  <assemblyIdentity type="win32" name="Brisvane.Pictavo" version="1.0.0.0" processorArchitecture="x86"/>
  <description>Pictavo wallpaper client</description>
  <dependency>
    <dependentAssembly>
      <assemblyIdentity type="win32" name="Microsoft.Windows.Common-Controls" version="6.0.0.0"
                        processorArchitecture="x86" publicKeyToken="6595b64144ccf1df" language="*"/>
    </dependentAssembly>
  </dependency>
  <trustInfo xmlns="urn:schemas-microsoft-com:asm.v2">
    <security>
      <requestedPrivileges>
        <requestedExecutionLevel level="asInvoker" uiAccess="false"/>
      </requestedPrivileges>
    </security>
  </trustInfo>
  <application xmlns="urn:schemas-microsoft-com:asm.v3">
    <windowsSettings>
      <dpiAware xmlns="http://schemas.microsoft.com/SMI/2005/WindowsSettings">true/pm</dpiAware>
      <dpiAwareness xmlns="http://schemas.microsoft.com/SMI/2016/WindowsSettings">PerMonitorV2, PerMonitor</dpiAwareness>
    </windowsSettings>
  </application>
  <compatibility xmlns="urn:schemas-microsoft-com:compatibility.v1">
    <application>
      <supportedOS Id="{e2011457-1546-43c5-a5fe-008deee3d3f0}"/>
      <supportedOS Id="{35138b9a-5d96-4fbd-8e2d-a2440225f93a}"/>
      <supportedOS Id="{4a2f28e3-53b9-4441-ba9c-d69d4a4a6e38}"/>
      <supportedOS Id="{1f676c76-80e1-4239-95bb-83d0f6d0da78}"/>
      <supportedOS Id="{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}"/>
    </application>
  </compatibility>
</assembly>
'''

HICOLOR_SIZES = (16, 22, 24, 32, 48, 64, 128, 256)
# 16 x 16 at 100, 125, 150 and 200 %, besides the large icon's sizes.
ICO_SIZES = (16, 20, 24, 32, 48, 256)


def resources():
    """Every generated file, by path relative to resources/."""
    icons = {size: draw_icon(size) for size in sorted(set(HICOLOR_SIZES) | set(ICO_SIZES))}
    files = {'MainIcon.ico': ico([(size, icons[size]) for size in ICO_SIZES])}
    for size in HICOLOR_SIZES:
        files[f'icons/{size}x{size}/pictavo.png'] = png(icons[size], size, size)
    # The title strip's icon for windows drawn at twice the pixels (the
    # hicolor name for a 16 px icon at scale 2).
    files['icons/16x16@2/pictavo.png'] = png(draw_icon(16, 2), 32, 32)
    for scale, suffix in ((1, ''), (2, '@2x')):
        for name, glyph in (('btn_cfg', gear), ('btn_mini', minus), ('btn_close', cross)):
            strip = draw_strip(glyph, close=name == 'btn_close', scale=scale)
            files[f'{name}{suffix}.png'] = png(strip, FRAME_W * 3 * scale, FRAME_H * scale)
        palette, frames = spinner(scale)
        files[f'LoadGif{suffix}.gif'] = gif(SPIN_W * scale, SPIN_H * scale, palette, frames, 10)
    files['Loading.html'] = loading_page('win')
    files['Loading.gtk.html'] = loading_page('gtk')
    files['Pictavo.manifest'] = MANIFEST.encode('utf-8')
    return files


def main():
    here = os.path.dirname(os.path.abspath(__file__))
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument('--out', default=os.path.join(here, '..', 'resources'),
                        help='folder to write into (default: resources/)')
    args = parser.parse_args()
    for path, data in sorted(resources().items()):
        target = os.path.join(args.out, *path.split('/'))
        os.makedirs(os.path.dirname(target), exist_ok=True)
        with open(target, 'wb') as f:
            f.write(data)
    return 0


if __name__ == '__main__':
    sys.exit(main())
