#!/usr/bin/env python3
"""Generates the built-in load-failure page and the two images it embeds.

Outputs (paths relative to the repository root):
  browser/resources/error_page_background.png
  browser/resources/error_page_icon.png
  browser/error_page_pieces.h
  browser/error_page_pieces_data.cc

The page is kept as a table of pieces whose joined length is fixed, so both
images are padded to exact byte sizes with a tEXt "Comment" chunk. Everything
is deterministic: integer noise from a seeded generator, and geometry that only
uses +, -, *, / and sqrt, which IEEE 754 rounds identically everywhere.

Usage:
  python3 tools/gen_error_page.py           # write all outputs
  python3 tools/gen_error_page.py --check   # fail if outputs are stale
"""

import base64
import os
import random
import struct
import sys
import zlib

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))

BACKGROUND_PATH = "browser/resources/error_page_background.png"
ICON_PATH = "browser/resources/error_page_icon.png"
HEADER_PATH = "browser/error_page_pieces.h"
DATA_PATH = "browser/error_page_pieces_data.cc"

BG_WIDTH, BG_HEIGHT = 651, 377
BG_FILE_SIZE = 89391
BG_BASE64_LEN = 119188
ICON_SIZE = 99
ICON_FILE_SIZE = 4054
ICON_BASE64_LEN = 5408

EXPECTED_PIECES = 1116
EXPECTED_UNITS = 125225

# Film grain on the background; the only knob that moves its compressed size.
# Tuned so the natural PNG sits about 1.4 KB under BG_FILE_SIZE, which leaves
# room for a zlib build that compresses a little worse.
GRAIN_SEED = 20160427
GRAIN_AMPLITUDE = 1
GRAIN_PERCENT = 6
TRACE_SEED = 7321

PNG_SIGNATURE = b"\x89PNG\r\n\x1a\n"
# Length, type and CRC fields plus the keyword and its NUL: an empty tEXt.
PAD_KEYWORD = b"Comment"
PAD_OVERHEAD = 12 + len(PAD_KEYWORD) + 1
PAD_TEXT = b"error page resource, padded to a fixed size. "


# ---------------------------------------------------------------- PNG encode


def png_chunk(kind, data):
  crc = zlib.crc32(kind + data) & 0xFFFFFFFF
  return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", crc)


def _paeth(a, b, c):
  p = a + b - c
  pa, pb, pc = abs(p - a), abs(p - b), abs(p - c)
  if pa <= pb and pa <= pc:
    return a
  return b if pb <= pc else c


def _filter_row(kind, row, prev, bpp):
  out = bytearray(len(row))
  for i, x in enumerate(row):
    a = row[i - bpp] if i >= bpp else 0
    b = prev[i]
    c = prev[i - bpp] if i >= bpp else 0
    if kind == 0:
      pred = 0
    elif kind == 1:
      pred = a
    elif kind == 2:
      pred = b
    elif kind == 3:
      pred = (a + b) >> 1
    else:
      pred = _paeth(a, b, c)
    out[i] = (x - pred) & 0xFF
  return out


def _row_cost(filtered):
  # The usual minimum-sum-of-absolute-differences heuristic.
  return sum(v if v < 128 else 256 - v for v in filtered)


def encode_png(width, height, rgba):
  """rgba: bytes of width*height*4. Returns an RGBA8 PNG, no ancillaries."""
  stride = width * 4
  raw = bytearray()
  prev = bytes(stride)
  for y in range(height):
    row = rgba[y * stride:(y + 1) * stride]
    best = None
    for kind in range(5):
      filtered = _filter_row(kind, row, prev, 4)
      cost = _row_cost(filtered)
      if best is None or cost < best[0]:
        best = (cost, kind, filtered)
    raw.append(best[1])
    raw += best[2]
    prev = row
  ihdr = struct.pack(">IIBBBBB", width, height, 8, 6, 0, 0, 0)
  return (PNG_SIGNATURE + png_chunk(b"IHDR", ihdr) +
          png_chunk(b"IDAT", zlib.compress(bytes(raw), 9)) +
          png_chunk(b"IEND", b""))


def pad_png(png, target):
  """Grows |png| to exactly |target| bytes with a tEXt chunk before IEND."""
  missing = target - len(png)
  if missing < PAD_OVERHEAD:
    raise ValueError("PNG is %d bytes, cannot pad to %d" % (len(png), target))
  text_len = missing - PAD_OVERHEAD
  text = (PAD_TEXT * (text_len // len(PAD_TEXT) + 1))[:text_len]
  iend = png_chunk(b"IEND", b"")
  assert png.endswith(iend)
  padded = (png[:-len(iend)] + png_chunk(b"tEXt", PAD_KEYWORD + b"\0" + text) +
            iend)
  assert len(padded) == target
  return padded


# ---------------------------------------------------------------- PNG decode


def decode_png(png):
  """Fully validates an RGBA8 PNG. Returns (width, height, rgba, chunk_kinds)."""
  assert png[:8] == PNG_SIGNATURE, "bad signature"
  pos, kinds, idat, ihdr = 8, [], b"", None
  while pos < len(png):
    assert pos + 12 <= len(png), "truncated chunk header"
    (length,) = struct.unpack(">I", png[pos:pos + 4])
    kind = png[pos + 4:pos + 8]
    data = png[pos + 8:pos + 8 + length]
    assert len(data) == length, "truncated chunk data"
    (crc,) = struct.unpack(">I", png[pos + 8 + length:pos + 12 + length])
    assert crc == zlib.crc32(kind + data) & 0xFFFFFFFF, "bad CRC in %r" % kind
    kinds.append(kind)
    if kind == b"IHDR":
      ihdr = struct.unpack(">IIBBBBB", data)
    elif kind == b"IDAT":
      idat += data
    elif kind == b"tEXt":
      assert b"\0" in data and 1 <= data.index(b"\0") <= 79, "bad tEXt"
    pos += 12 + length
    if kind == b"IEND":
      break
  assert pos == len(png), "bytes after IEND"
  assert kinds[0] == b"IHDR" and kinds[-1] == b"IEND"
  width, height, depth, color, comp, filt, interlace = ihdr
  assert (depth, color, comp, filt, interlace) == (8, 6, 0, 0, 0)
  stride = width * 4
  raw = zlib.decompress(idat)
  assert len(raw) == height * (stride + 1), "wrong image data length"
  out = bytearray()
  prev = bytearray(stride)
  for y in range(height):
    base = y * (stride + 1)
    kind = raw[base]
    assert kind <= 4, "bad filter type %d" % kind
    row = bytearray(raw[base + 1:base + 1 + stride])
    for i in range(stride):
      a = row[i - 4] if i >= 4 else 0
      b = prev[i]
      c = prev[i - 4] if i >= 4 else 0
      pred = (0, a, b, (a + b) >> 1, _paeth(a, b, c))[kind]
      row[i] = (row[i] + pred) & 0xFF
    out += row
    prev = row
  return width, height, bytes(out), kinds


# ---------------------------------------------------------------- drawing


def _clamp01(v):
  return 0.0 if v < 0.0 else (1.0 if v > 1.0 else v)


def _smoothstep(lo, hi, v):
  t = _clamp01((v - lo) / (hi - lo))
  return t * t * (3.0 - 2.0 * t)


def _segment_distance(px, py, ax, ay, bx, by):
  dx, dy = bx - ax, by - ay
  len2 = dx * dx + dy * dy
  t = 0.0 if len2 == 0 else _clamp01(((px - ax) * dx + (py - ay) * dy) / len2)
  ex, ey = px - (ax + t * dx), py - (ay + t * dy)
  return (ex * ex + ey * ey) ** 0.5


class Coverage:
  """A float mask where shapes combine by maximum coverage."""

  def __init__(self, width, height):
    self.width, self.height = width, height
    self.values = [0.0] * (width * height)

  def _stamp(self, x0, y0, x1, y1, coverage_at):
    for y in range(max(0, int(y0)), min(self.height, int(y1) + 2)):
      for x in range(max(0, int(x0)), min(self.width, int(x1) + 2)):
        c = coverage_at(x + 0.5, y + 0.5)
        i = y * self.width + x
        if c > self.values[i]:
          self.values[i] = c

  def line(self, ax, ay, bx, by, width):
    half = width / 2.0
    pad = half + 1.0
    self._stamp(
        min(ax, bx) - pad, min(ay, by) - pad, max(ax, bx) + pad,
        max(ay, by) + pad, lambda px, py: _clamp01(
            half + 0.5 - _segment_distance(px, py, ax, ay, bx, by)))

  def disc(self, cx, cy, radius):
    self.line(cx, cy, cx, cy, radius * 2.0)

  def ring(self, cx, cy, radius, width):
    half = width / 2.0
    pad = radius + half + 1.0

    def cov(px, py):
      d = ((px - cx)**2 + (py - cy)**2)**0.5
      return _clamp01(half + 0.5 - abs(d - radius))

    self._stamp(cx - pad, cy - pad, cx + pad, cy + pad, cov)


# Eight compass directions; a trace turns by 45 or 90 degrees at each bend.
_DIRS = [(1, 0), (1, 1), (0, 1), (-1, 1), (-1, 0), (-1, -1), (0, -1), (1, -1)]


def _draw_circuit(mask, rng):
  step = 7.0
  for _ in range(34):
    # Seeds cluster in the lower right, where the pattern is meant to live.
    x = BG_WIDTH * (0.55 + 0.45 * rng.random())
    y = BG_HEIGHT * (0.45 + 0.55 * rng.random())
    x, y = round(x / step) * step, round(y / step) * step
    heading = rng.randrange(8)
    mask.ring(x, y, 2.6, 1.1)
    for _ in range(rng.randint(2, 5)):
      dx, dy = _DIRS[heading]
      run = rng.randint(3, 12) * step
      if dx and dy:
        run /= 2**0.5
      nx, ny = x + dx * run, y + dy * run
      mask.line(x, y, nx, ny, 1.2)
      x, y = nx, ny
      heading = (heading + rng.choice((-2, -1, 1, 2))) % 8
    mask.disc(x, y, 2.4)
  # A few short parallel buses give the board its regular look.
  for _ in range(6):
    x = round(BG_WIDTH * (0.55 + 0.4 * rng.random()) / step) * step
    y = round(BG_HEIGHT * (0.55 + 0.4 * rng.random()) / step) * step
    length = rng.randint(6, 14) * step
    for k in range(4):
      oy = y + k * 5.0
      mask.line(x, oy, x + length, oy, 1.0)
      mask.disc(x + length, oy, 1.8)


def make_background():
  mask = Coverage(BG_WIDTH, BG_HEIGHT)
  _draw_circuit(mask, random.Random(TRACE_SEED))
  grain = random.Random(GRAIN_SEED)
  top, bottom = (18, 52, 104), (3, 12, 36)
  trace = (70, 150, 220)
  glow_x, glow_y, glow_r = BG_WIDTH * 0.3, BG_HEIGHT * 0.15, BG_WIDTH * 0.75
  out = bytearray()
  for y in range(BG_HEIGHT):
    v = y / (BG_HEIGHT - 1)
    for x in range(BG_WIDTH):
      u = x / (BG_WIDTH - 1)
      t = _clamp01(0.75 * v + 0.25 * u)
      dist = (((x - glow_x)**2 + (y - glow_y)**2)**0.5) / glow_r
      glow = 0.18 * (1.0 - _smoothstep(0.0, 1.0, dist))
      # The pattern fades in towards the lower right and never gets loud.
      strength = 0.32 * _smoothstep(0.6, 1.5, u + v) * mask.values[
          y * BG_WIDTH + x]
      noise = 0
      if grain.randrange(100) < GRAIN_PERCENT:
        noise = grain.randint(1, GRAIN_AMPLITUDE) * grain.choice((-1, 1))
      for ch in range(3):
        base = top[ch] + (bottom[ch] - top[ch]) * t
        base += (255 - base) * glow * 0.25
        c = base + (trace[ch] - base) * strength + noise
        out.append(max(0, min(255, int(c + 0.5))))
      out.append(255)
  return bytes(out)


def make_icon():
  n = ICON_SIZE
  mask = Coverage(n, n)
  c = n / 2.0
  mask.ring(c, c, 44.0, 6.0)
  mask.line(c, 24.0, c, 58.0, 9.0)
  mask.disc(c, 73.0, 5.5)
  green = (46, 204, 113)
  out = bytearray()
  for a in mask.values:
    alpha = int(a * 255 + 0.5)
    out += bytes(green + (alpha,)) if alpha else b"\0\0\0\0"
  return bytes(out)


# ---------------------------------------------------------------- page


def _chunks(text, size):
  return [text[i:i + size] for i in range(0, len(text), size)]


def build_pieces(background_b64, icon_b64):
  pieces = [
      "<html>",
      '<meta http-equiv="content-type" content="text/html; charset=utf-8" />',
      "<head>",
      "<style>",
      "body {",
      "  margin: auto;",
      "}",
      ".bk {",
      "  position: relative;",
      "  margin: auto;",
      "  width: 651px;",
      "  height: 377px;",
      "  background: url(data:image/png;base64,",
  ]
  pieces += _chunks(background_b64, 120)
  pieces += [
      "  );",
      "}",
      "",
      ".img {",
      "  position: relative;",
      "  left: 276px;",
      "  top: 50px;",
      "  width: 99px;",
      "  height: 99px;",
      "}",
      "",
      ".txt {",
      "  position: relative;",
      "  margin: auto;",
      "  left: 0px;",
      "  top: 75px;",
      "  width: 651px;",
      "  height: 50px;",
      "  text-align: center;",
      "  font-family: \u5fae\u8f6f\u96c5\u9ed1;",
      "  font-size: 13pt;",
      "  color: aqua;",
      "}",
      "</style>",
      "</head>",
      "<body>",
      '<div class="bk">',
      '<div class="img">',
      '<img src="data:image/png;base64,',
  ]
  pieces += _chunks(icon_b64, 76)
  pieces += [
      '">',
      "</div>",
      '<div class="txt">',
      "\u7f51\u7edc\u52a0\u8f7d\u5931\u8d25\uff0c\u8bf7\u7a0d\u540e\u518d\u8bd5",
      "</div>",
      "</div>",
      "</body>",
      "</html>",
  ]
  return pieces


def utf16_units(text):
  return len(text.encode("utf-16-le")) // 2


def cpp_literal(text):
  out = []
  for ch in text:
    if ch in '"\\':
      out.append("\\" + ch)
    elif 0x20 <= ord(ch) < 0x7F:
      out.append(ch)
    elif ord(ch) <= 0xFFFF:
      out.append("\\u%04X" % ord(ch))
    else:
      out.append("\\U%08X" % ord(ch))
  return 'L"' + "".join(out) + '"'


GENERATED_NOTE = ("// Generated by tools/gen_error_page.py. Do not edit by hand;"
                  " change the\n// generator and run it again.\n")


def render_header():
  return (GENERATED_NOTE + "\n"
          "#ifndef BROWSER_ERROR_PAGE_PIECES_H_\n"
          "#define BROWSER_ERROR_PAGE_PIECES_H_\n"
          "\n"
          "#include <cstddef>\n"
          "\n"
          "// The load-failure page, one source line per piece with the line"
          " ends\n"
          "// dropped. Joined in order with nothing between them they form the"
          " whole\n"
          "// document.\n"
          "extern const wchar_t* const kErrorPagePieces[];\n"
          "extern const size_t kErrorPagePieceCount;\n"
          "\n"
          "#endif  // BROWSER_ERROR_PAGE_PIECES_H_\n")


def render_data(pieces):
  lines = [
      GENERATED_NOTE,
      "\n",
      '#include "browser/error_page_pieces.h"\n',
      "\n",
      "// clang-format off\n",
      "const wchar_t* const kErrorPagePieces[] = {\n",
  ]
  lines += ["    %s,\n" % cpp_literal(p) for p in pieces]
  lines += [
      "};\n",
      "// clang-format on\n",
      "\n",
      "const size_t kErrorPagePieceCount = %d;\n" % len(pieces),
      "\n",
      "static_assert(sizeof(kErrorPagePieces) / sizeof(kErrorPagePieces[0]) ==\n",
      "                  kErrorPagePieceCount,\n",
      '              "piece count out of step with the table");\n',
  ]
  text = "".join(lines)
  text.encode("ascii")  # Raises if anything slipped through unescaped.
  return text


# ---------------------------------------------------------------- main


def _build_image(name, width, height, rgba, target, b64_len):
  natural = encode_png(width, height, rgba)
  png = pad_png(natural, target)
  w, h, decoded, kinds = decode_png(png)
  assert (w, h) == (width, height), name
  assert decoded == rgba, "%s does not round-trip" % name
  assert kinds == [b"IHDR", b"IDAT", b"tEXt", b"IEND"], kinds
  b64 = base64.b64encode(png).decode("ascii")
  assert len(png) == target and len(b64) == b64_len, name
  print("%s: natural %d bytes, tEXt padding %d bytes (chunk total), %d base64"
        % (name, len(natural), target - len(natural), len(b64)))
  return png, b64


def generate():
  bg_png, bg_b64 = _build_image("background", BG_WIDTH, BG_HEIGHT,
                                make_background(), BG_FILE_SIZE, BG_BASE64_LEN)
  assert not bg_b64.endswith("=")
  icon_png, icon_b64 = _build_image("icon", ICON_SIZE, ICON_SIZE, make_icon(),
                                    ICON_FILE_SIZE, ICON_BASE64_LEN)
  assert icon_b64.endswith("==") and not icon_b64.endswith("===")

  pieces = build_pieces(bg_b64, icon_b64)
  page = "".join(pieces)
  assert len(pieces) == EXPECTED_PIECES, len(pieces)
  assert utf16_units(page) == EXPECTED_UNITS, utf16_units(page)
  assert page.startswith("<html><meta http-equiv=")
  assert "\n" not in page and "\r" not in page
  print("page: %d pieces, %d UTF-16 code units" %
        (len(pieces), utf16_units(page)))
  return {
      BACKGROUND_PATH: bg_png,
      ICON_PATH: icon_png,
      HEADER_PATH: render_header().encode("ascii"),
      DATA_PATH: render_data(pieces).encode("ascii"),
  }


def main(argv):
  if not __debug__:
    sys.exit("the validation is written as asserts; run without -O")
  check = "--check" in argv[1:]
  outputs = generate()
  stale = []
  for rel, data in sorted(outputs.items()):
    path = os.path.join(ROOT, rel)
    if check:
      try:
        with open(path, "rb") as f:
          if f.read() != data:
            stale.append(rel)
      except OSError:
        stale.append(rel)
      continue
    os.makedirs(os.path.dirname(path), exist_ok=True)
    with open(path, "wb") as f:
      f.write(data)
  if stale:
    print("stale: " + ", ".join(stale), file=sys.stderr)
    return 1
  return 0


if __name__ == "__main__":
  sys.exit(main(sys.argv))
