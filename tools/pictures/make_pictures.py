#!/usr/bin/env python3
"""Writes the bitmaps of the dialog libraries from their text description.

Usage: make_pictures.py DESCRIPTION OUTDIR RCFILE

Every picture of the description becomes OUTDIR/<id>.bmp, an 8-bit (or, when asked, 1-bit or
24-bit) Windows bitmap with a colour table of the colours it uses, and RCFILE lists them as
BITMAP resources of neutral language. The same description always gives the same bytes.

The description, one statement a line, '#' starts a comment:

  colour NAME RRGGBB            a named colour
  shape NAME x,y x,y ...        a named polygon, used as @NAME where points are expected
  define NAME ... end           a named group of drawing commands
  picture ID WxH [BACK] [bits=1|8|24] ... end
                                a picture, filled with BACK (white when not given)

Drawing commands (C is a colour name or #RRGGBB; coordinates in pixels from the top left):

  fill C                        the whole picture
  rect C x y w h                filled rectangle
  frame C x y w h               one-pixel outline of a rectangle
  line C x,y x,y ...            one-pixel polyline
  poly C POINTS                 filled polygon (pixel centres inside, non-zero winding),
                                then its outline in the same colour
  outline C POINTS              one-pixel closed outline
  ellipse C x y w h             filled ellipse inside the rectangle
  ring C x y w h                one-pixel ellipse outline
  text C x y SCALE WORD         upper-case letters, digits and - + . / in a 5 x 7 font
  vgrad C1 C2 x y w h STEPS     rectangle shaded from C1 at the top to C2 at the bottom
  pixelate N x y w h            coarsens a rectangle into blocks of N x N pixels, each of the
                                colour at its centre
  use NAME [dx dy]              the commands of a group, moved by dx, dy
  damage FIELD VALUE            after writing, replace a header field (size, width, height,
                                planes, bitcount, clrused, sizeimage) by VALUE
  cut N                         after writing, drop the last N bytes
"""
import os
import struct
import sys

FONT = {
    'A': ".###.#...##...#######...##...##...#", 'B': "####.#...#####.#...##...##...#####.",
    'C': ".###.#...##....#....#....#...#.###.", 'D': "####.#...##...##...##...##...#####.",
    'E': "######....####.#....#....#....#####", 'F': "######....####.#....#....#....#....",
    'G': ".###.#...##....#.####...##...#.###.", 'H': "#...##...#######...##...##...##...#",
    'I': ".###...#....#....#....#....#...###.", 'J': "..###...#....#....#....##...#.###..",
    'K': "#...##..#.###..#.#..#..#.#...##...#", 'L': "#....#....#....#....#....#....#####",
    'M': "#...###.###.#.##...##...##...##...#", 'N': "#...###..##.#.##..###...##...##...#",
    'O': ".###.#...##...##...##...##...#.###.", 'P': "####.#...##...#####.#....#....#....",
    'Q': ".###.#...##...##...##.#.##..#..##.#", 'R': "####.#...##...#####.#.#..#..#.#...#",
    'S': ".#####....#.....###.....#....######", 'T': "#####..#....#....#....#....#....#..",
    'U': "#...##...##...##...##...##...#.###.", 'V': "#...##...##...##...##...#.#.#..#..",
    'W': "#...##...##...##.#.##.#.##.#.#.#.#.", 'X': "#...##...#.#.#..#..#.#.#...##...#",
    'Y': "#...##...#.#.#..#....#....#....#..", 'Z': "#####....#...#...#...#...#....#####",
    '0': ".###.#...##..###.#.###..##...#.###.", '1': "..#...##....#....#....#....#...###.",
    '2': ".###.#...#....#...#...#...#...#####", '3': "#####...#...#.....#....##...#.###.",
    '4': "...#...##..#.#.#..#.#####...#....#.", '5': "######....####.....#....##...#.###.",
    '6': "..##..#...#....####.#...##...#.###.", '7': "#####....#...#...#....#....#....#..",
    '8': ".###.#...##...#.###.#...##...#.###.", '9': ".###.#...##...#.####....#...#..##..",
    '-': "...............###...............", '+': "......#....#..#####..#....#.......",
    '.': "..............................##...", '/': "....#....#...#...#...#...#....#....",
    ' ': "...................................",
}

HEADER_FIELDS = {  # name: (offset inside BITMAPINFOHEADER, struct format)
    'size': (0, '<I'), 'width': (4, '<i'), 'height': (8, '<i'), 'planes': (12, '<H'),
    'bitcount': (14, '<H'), 'clrused': (32, '<I'), 'sizeimage': (20, '<I'),
}


class DescriptionError(Exception):
    pass


def is_colour_literal(word):
    return len(word) == 7 and word[0] == '#' and all(ch in '0123456789abcdefABCDEF' for ch in word[1:])


def parse_colour(text, colours):
    if is_colour_literal(text):
        return int(text[1:3], 16), int(text[3:5], 16), int(text[5:7], 16)
    if text in colours:
        return colours[text]
    raise DescriptionError(f"unknown colour {text!r}")


class Canvas:
    def __init__(self, width, height, background):
        self.width, self.height = width, height
        self.pixels = [[background] * width for _ in range(height)]

    def plot(self, x, y, c):
        if 0 <= x < self.width and 0 <= y < self.height:
            self.pixels[y][x] = c

    def rect(self, c, x, y, w, h):
        for yy in range(y, y + h):
            for xx in range(x, x + w):
                self.plot(xx, yy, c)

    def line(self, c, x0, y0, x1, y1):
        dx, dy = abs(x1 - x0), -abs(y1 - y0)
        sx, sy = (1 if x0 < x1 else -1), (1 if y0 < y1 else -1)
        err = dx + dy
        while True:
            self.plot(x0, y0, c)
            if x0 == x1 and y0 == y1:
                return
            e2 = 2 * err
            if e2 >= dy:
                err += dy
                x0 += sx
            if e2 <= dx:
                err += dx
                y0 += sy

    def polyline(self, c, pts, closed):
        seq = pts + [pts[0]] if closed and len(pts) > 1 else pts
        if len(seq) == 1:
            self.plot(seq[0][0], seq[0][1], c)
        for (x0, y0), (x1, y1) in zip(seq, seq[1:]):
            self.line(c, x0, y0, x1, y1)

    def polygon(self, c, pts):
        if len(pts) >= 3:
            for y in range(self.height):
                yc = y + 0.5
                crossings = []
                for (x0, y0), (x1, y1) in zip(pts, pts[1:] + pts[:1]):
                    if (y0 <= yc < y1) or (y1 <= yc < y0):
                        xc = x0 + (yc - y0) * (x1 - x0) / (y1 - y0)
                        crossings.append((xc, 1 if y1 > y0 else -1))
                crossings.sort()
                winding = 0
                for i, (xc, d) in enumerate(crossings):
                    winding += d
                    if winding != 0 and i + 1 < len(crossings):
                        left, right = xc, crossings[i + 1][0]
                        for x in range(max(0, int(left + 0.5)), min(self.width, int(right + 0.5))):
                            if left <= x + 0.5 < right:
                                self.plot(x, y, c)
        self.polyline(c, pts, True)

    def ellipse(self, c, x, y, w, h, filled):
        cx, cy, rx, ry = x + w / 2, y + h / 2, w / 2, h / 2
        if rx <= 0 or ry <= 0:
            return
        inside = [[((xx + 0.5 - cx) / rx) ** 2 + ((yy + 0.5 - cy) / ry) ** 2 <= 1.0
                   for xx in range(x, x + w)] for yy in range(y, y + h)]
        for j in range(h):
            for i in range(w):
                if not inside[j][i]:
                    continue
                edge = i in (0, w - 1) or j in (0, h - 1) or not (
                    inside[j][i - 1] and inside[j][i + 1] and inside[j - 1][i] and inside[j + 1][i])
                if filled or edge:
                    self.plot(x + i, y + j, c)

    def pixelate(self, n, x, y, w, h):
        if n < 1:
            raise DescriptionError("block size below 1")
        for by in range(y, y + h, n):
            for bx in range(x, x + w, n):
                cx, cy = min(bx + n // 2, x + w - 1), min(by + n // 2, y + h - 1)
                if 0 <= cx < self.width and 0 <= cy < self.height:
                    c = self.pixels[cy][cx]
                    self.rect(c, bx, by, min(n, x + w - bx), min(n, y + h - by))

    def text(self, c, x, y, scale, word):
        for n, ch in enumerate(word):
            glyph = FONT.get(ch)
            if glyph is None:
                raise DescriptionError(f"no glyph for {ch!r}")
            glyph = glyph.ljust(35, '.')
            for row in range(7):
                for col in range(5):
                    if glyph[row * 5 + col] == '#':
                        self.rect(c, x + (n * 6 + col) * scale, y + row * scale, scale, scale)


def parse_points(args, shapes):
    pts = []
    for a in args:
        if a.startswith('@'):
            if a[1:] not in shapes:
                raise DescriptionError(f"unknown shape {a}")
            pts.extend(shapes[a[1:]])
        else:
            x, y = a.split(',')
            pts.append((int(x), int(y)))
    return pts


def moved(pts, dx, dy):
    return [(x + dx, y + dy) for x, y in pts]


class Picture:
    def __init__(self, ident, width, height, background, bits):
        self.ident, self.bits = ident, bits
        self.canvas = Canvas(width, height, background)
        self.damage, self.cut = [], 0


def run(commands, pic, colours, shapes, groups, dx=0, dy=0, depth=0):
    if depth > 16:
        raise DescriptionError("groups nested too deeply")
    cv = pic.canvas
    for lineno, words in commands:
        try:
            op, args = words[0], words[1:]
            num = lambda i: int(args[i])
            if op == 'use':
                ox, oy = (num(1), num(2)) if len(args) >= 3 else (0, 0)
                if args[0] not in groups:
                    raise DescriptionError(f"unknown group {args[0]!r}")
                run(groups[args[0]], pic, colours, shapes, groups, dx + ox, dy + oy, depth + 1)
            elif op == 'damage':
                if args[0] not in HEADER_FIELDS:
                    raise DescriptionError(f"unknown header field {args[0]!r}")
                pic.damage.append((args[0], int(args[1], 0)))
            elif op == 'cut':
                pic.cut = num(0)
            elif op == 'pixelate':
                cv.pixelate(num(0), num(1) + dx, num(2) + dy, num(3), num(4))
            else:
                c = parse_colour(args[0], colours)
                if op == 'fill':
                    cv.rect(c, 0, 0, cv.width, cv.height)
                elif op in ('rect', 'frame', 'ellipse', 'ring'):
                    x, y, w, h = num(1) + dx, num(2) + dy, num(3), num(4)
                    if op == 'rect':
                        cv.rect(c, x, y, w, h)
                    elif op == 'frame':
                        cv.polyline(c, [(x, y), (x + w - 1, y), (x + w - 1, y + h - 1), (x, y + h - 1)], True)
                    else:
                        cv.ellipse(c, x, y, w, h, op == 'ellipse')
                elif op == 'line':
                    cv.polyline(c, moved(parse_points(args[1:], shapes), dx, dy), False)
                elif op == 'poly':
                    cv.polygon(c, moved(parse_points(args[1:], shapes), dx, dy))
                elif op == 'outline':
                    cv.polyline(c, moved(parse_points(args[1:], shapes), dx, dy), True)
                elif op == 'text':
                    cv.text(c, num(1) + dx, num(2) + dy, num(3), ' '.join(args[4:]))
                elif op == 'vgrad':
                    c2 = parse_colour(args[1], colours)
                    x, y, w, h, steps = num(2) + dx, num(3) + dy, num(4), num(5), max(1, num(6))
                    for row in range(h):
                        k = min(steps - 1, row * steps // h)
                        t = k / (steps - 1) if steps > 1 else 0
                        mix = tuple(int(round(a + (b - a) * t)) for a, b in zip(c, c2))
                        cv.rect(mix, x, y + row, w, 1)
                else:
                    raise DescriptionError(f"unknown command {op!r}")
        except (IndexError, ValueError) as e:
            raise DescriptionError(f"line {lineno}: bad arguments ({e})")
        except DescriptionError as e:
            raise DescriptionError(f"line {lineno}: {e}")


def parse(path):
    colours, shapes, groups, pictures = {}, {}, {}, []
    block, block_kind, block_name, block_head = None, None, None, None
    with open(path, encoding='utf-8') as f:
        for lineno, raw in enumerate(f, 1):
            words = []
            for w in raw.split():
                if w.startswith('#') and not is_colour_literal(w):
                    break
                words.append(w)
            if not words:
                continue
            if block is not None:
                if words == ['end']:
                    if block_kind == 'define':
                        groups[block_name] = block
                    else:
                        pictures.append((block_head, block))
                    block = None
                else:
                    block.append((lineno, words))
                continue
            op = words[0]
            if op == 'colour':
                colours[words[1]] = parse_colour('#' + words[2], {})
            elif op == 'shape':
                shapes[words[1]] = parse_points(words[2:], shapes)
            elif op == 'define':
                block, block_kind, block_name = [], 'define', words[1]
            elif op == 'picture':
                block, block_kind, block_head = [], 'picture', (lineno, words[1:])
            else:
                raise DescriptionError(f"{path}:{lineno}: unknown statement {op!r}")
    if block is not None:
        raise DescriptionError(f"{path}: a block has no end")
    return colours, shapes, groups, pictures


def bitmap_bytes(pic):
    cv = pic.canvas
    used = []
    seen = {}
    for row in cv.pixels:
        for c in row:
            if c not in seen:
                seen[c] = len(used)
                used.append(c)
    bits = pic.bits
    if bits == 8 and len(used) > 256 or bits == 1 and len(used) > 2:
        raise DescriptionError(f"picture {pic.ident}: {len(used)} colours do not fit {bits} bits")
    table = b''
    if bits != 24:
        count = len(used) if bits == 8 else 2
        table = b''.join(struct.pack('<BBBB', b, g, r, 0) for r, g, b in (used + [(0, 0, 0)] * 2)[:count])
    stride = (cv.width * bits + 31) // 32 * 4
    rows = []
    for row in reversed(cv.pixels):
        if bits == 24:
            data = b''.join(struct.pack('<BBB', b, g, r) for r, g, b in row)
        elif bits == 8:
            data = bytes(seen[c] for c in row)
        else:
            data = bytearray((cv.width + 7) // 8)
            for x, c in enumerate(row):
                if seen[c]:
                    data[x // 8] |= 0x80 >> (x % 8)
            data = bytes(data)
        rows.append(data.ljust(stride, b'\0'))
    pixels = b''.join(rows)
    clr_used = len(used) if bits == 8 else 0
    header = bytearray(struct.pack('<IiiHHIIiiII', 40, cv.width, cv.height, 1, bits, 0, len(pixels),
                                   2835, 2835, clr_used, 0))
    for field, value in pic.damage:
        off, fmt = HEADER_FIELDS[field]
        size = struct.calcsize(fmt)
        header[off:off + size] = struct.pack(fmt, value & ((1 << (8 * size)) - 1) if fmt[1].isupper() else value)
    body = bytes(header) + table + pixels
    if pic.cut:
        body = body[:-pic.cut]
    filehdr = b'BM' + struct.pack('<IHHI', 14 + len(body), 0, 0, 14 + 40 + len(table))
    return filehdr + body


def main(argv):
    if len(argv) != 4:
        sys.stderr.write(__doc__)
        return 2
    description, outdir, rcfile = argv[1:]
    try:
        colours, shapes, groups, pictures = parse(description)
        os.makedirs(outdir, exist_ok=True)
        lines = ['// Written by tools/pictures/make_pictures.py from ' + os.path.basename(description) +
                 '; do not edit.', 'LANGUAGE 0, 0', '']
        idents = set()
        for (lineno, head), commands in pictures:
            ident = int(head[0])
            if ident in idents:
                raise DescriptionError(f"{description}:{lineno}: picture {ident} twice")
            idents.add(ident)
            w, h = (int(v) for v in head[1].split('x'))
            options = [o for o in head[2:] if '=' in o]
            back = [o for o in head[2:] if '=' not in o]
            bits = 8
            for o in options:
                k, v = o.split('=')
                if k != 'bits' or v not in ('1', '8', '24'):
                    raise DescriptionError(f"{description}:{lineno}: bad option {o!r}")
                bits = int(v)
            pic = Picture(ident, w, h, parse_colour(back[0], colours) if back else (255, 255, 255), bits)
            run(commands, pic, colours, shapes, groups)
            name = f'{ident}.bmp'
            data = bitmap_bytes(pic)
            path = os.path.join(outdir, name)
            old = open(path, 'rb').read() if os.path.exists(path) else None
            if old != data:
                with open(path, 'wb') as f:
                    f.write(data)
            lines.append(f'{ident} BITMAP "{os.path.abspath(path)}"'.replace('\\', '/'))
        text = '\n'.join(lines) + '\n'
        with open(rcfile, 'w', encoding='ascii', newline='\n') as f:
            f.write(text)
    except (DescriptionError, OSError) as e:
        sys.stderr.write(f"make_pictures: {e}\n")
        return 1
    return 0


if __name__ == '__main__':
    sys.exit(main(sys.argv))
