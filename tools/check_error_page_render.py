#!/usr/bin/env python3
"""Renders the shipped load-failure page in headless Chromium and checks what a
person would see on the screenshot.

The page text comes from the C++ table in browser/error_page_pieces_data.cc,
so the check covers what the product actually serves. The two PNGs in
browser/resources/ are the reference the screenshot is compared against.

Usage:
  python3 tools/check_error_page_render.py --out artifacts/error_page.png
"""

import argparse
import os
import re
import shutil
import struct
import subprocess
import sys
import tempfile
import time
import zlib

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
TABLE_PATH = "browser/error_page_pieces_data.cc"
BACKGROUND_PATH = "browser/resources/error_page_background.png"
ICON_PATH = "browser/resources/error_page_icon.png"

# The design the page is meant to show, in CSS pixels from the panel's corner.
PANEL_W, PANEL_H = 651, 377
ICON_LEFT, ICON_TOP, ICON_SIZE = 276, 50, 99
# .txt is in flow right after the 99 px .img box (whose own relative offset
# moves only its painting), then shifted down by its relative top: 75px.
TEXT_TOP = ICON_SIZE + 75
TEXT_H = 50
MESSAGE = "\u7f51\u7edc\u52a0\u8f7d\u5931\u8d25\uff0c\u8bf7\u7a0d\u540e\u518d\u8bd5"
FONT_PX = 13 * 4 / 3  # 13pt

# Skia blends in premultiplied 8-bit, so edges of the icon may be off by a
# little; anything larger is a different picture.
PIXEL_TOLERANCE = 3
MIN_MATCH_FRACTION = 0.999

# ---------------------------------------------------------------- PNG


def _paeth(a, b, c):
  p = a + b - c
  pa, pb, pc = abs(p - a), abs(p - b), abs(p - c)
  if pa <= pb and pa <= pc:
    return a
  return b if pb <= pc else c


def _unfilter(kind, row, prev, bpp):
  if kind == 0:
    return row
  if kind == 2:
    return bytearray((x + b) & 0xFF for x, b in zip(row, prev))
  for i in range(len(row)):
    a = row[i - bpp] if i >= bpp else 0
    if kind == 1:
      pred = a
    elif kind == 3:
      pred = (a + prev[i]) >> 1
    elif kind == 4:
      pred = _paeth(a, prev[i], prev[i - bpp] if i >= bpp else 0)
    else:
      raise ValueError("bad PNG filter type %d" % kind)
    row[i] = (row[i] + pred) & 0xFF
  return row


class Image:
  """An 8-bit RGBA raster."""

  def __init__(self, width, height, rgba):
    self.width, self.height, self.rgba = width, height, rgba

  def at(self, x, y):
    i = (y * self.width + x) * 4
    return self.rgba[i:i + 4]


def read_png(path):
  """Decodes a non-interlaced 8-bit RGB or RGBA PNG."""
  with open(path, "rb") as f:
    data = f.read()
  if data[:8] != b"\x89PNG\r\n\x1a\n":
    raise ValueError("%s: not a PNG" % path)
  pos, idat, ihdr = 8, bytearray(), None
  while pos + 12 <= len(data):
    (length,) = struct.unpack(">I", data[pos:pos + 4])
    kind = data[pos + 4:pos + 8]
    body = data[pos + 8:pos + 8 + length]
    (crc,) = struct.unpack(">I", data[pos + 8 + length:pos + 12 + length])
    if len(body) != length or crc != zlib.crc32(kind + body) & 0xFFFFFFFF:
      raise ValueError("%s: damaged %r chunk" % (path, kind))
    if kind == b"IHDR":
      ihdr = struct.unpack(">IIBBBBB", body)
    elif kind == b"IDAT":
      idat += body
    elif kind == b"IEND":
      break
    pos += 12 + length
  if ihdr is None:
    raise ValueError("%s: no IHDR" % path)
  width, height, depth, color, _, _, interlace = ihdr
  if depth != 8 or color not in (2, 6) or interlace:
    raise ValueError("%s: unsupported PNG layout %r" % (path, ihdr))
  bpp = 4 if color == 6 else 3
  stride = width * bpp
  raw = zlib.decompress(bytes(idat))
  if len(raw) != height * (stride + 1):
    raise ValueError("%s: wrong image data length" % path)
  rgba = bytearray(width * height * 4)
  prev = bytearray(stride)
  for y in range(height):
    base = y * (stride + 1)
    row = _unfilter(raw[base], bytearray(raw[base + 1:base + 1 + stride]),
                    prev, bpp)
    out = y * width * 4
    if bpp == 4:
      rgba[out:out + width * 4] = row
    else:
      for ch in range(3):
        rgba[out + ch:out + width * 4:4] = row[ch::3]
      rgba[out + 3:out + width * 4:4] = b"\xff" * width
    prev = row
  return Image(width, height, rgba)


# ---------------------------------------------------------------- page


_ESCAPE = re.compile(r"\\(u[0-9A-Fa-f]{4}|U[0-9A-Fa-f]{8}|[\"\\'?])")


def _unescape(literal):
  def repl(m):
    e = m.group(1)
    return chr(int(e[1:], 16)) if e[0] in "uU" else e

  text = _ESCAPE.sub(repl, literal)
  if "\\" in _ESCAPE.sub("", literal):
    raise ValueError("unexpected escape in %r" % literal[:60])
  return text


def load_page(table_path):
  with open(table_path, encoding="ascii") as f:
    src = f.read()
  start = src.index("kErrorPagePieces[] = {")
  body = src[start:src.index("\n};", start)]
  pieces = [_unescape(p) for p in re.findall(r'L"((?:[^"\\]|\\.)*)"', body)]
  declared = int(re.search(r"kErrorPagePieceCount = (\d+);", src).group(1))
  if len(pieces) != declared:
    raise ValueError("table has %d pieces, declares %d" % (len(pieces),
                                                           declared))
  return "".join(pieces), len(pieces)


# ---------------------------------------------------------------- render


def find_chromium(explicit):
  path = explicit or shutil.which("chromium") or shutil.which(
      "chromium-browser")
  if not path or not os.access(path, os.X_OK):
    sys.exit("FAIL: chromium not found (looked for %s); run tools/setup.sh, "
             "which installs Debian's chromium package" %
             (explicit or "chromium on PATH"))
  return path


def require_cjk_font():
  try:
    out = subprocess.run(["fc-list", ":lang=zh", "family"],
                         capture_output=True, text=True, timeout=60).stdout
  except (OSError, subprocess.TimeoutExpired) as e:
    sys.exit("FAIL: cannot list fonts (%s)" % e)
  if not out.strip():
    sys.exit("FAIL: no Chinese font installed, so the message would show as "
             "empty boxes; run tools/setup.sh")
  return out.strip().splitlines()[0]


def render(chromium, page, out_path, width, height):
  with tempfile.TemporaryDirectory(prefix="error_page_") as tmp:
    html = os.path.join(tmp, "error_page.html")
    with open(html, "w", encoding="utf-8") as f:
      f.write(page)
    # Since the old headless mode left the browser binary, plain --headless
    # is the new mode: the screenshot is the viewport at --window-size.
    cmd = [
        chromium, "--headless", "--no-sandbox", "--disable-gpu",
        "--disable-quic", "--no-first-run", "--disable-background-networking",
        "--disable-component-update", "--disable-sync",
        "--user-data-dir=" + os.path.join(tmp, "profile"), "--hide-scrollbars",
        "--window-size=%d,%d" % (width, height), "--screenshot=" + out_path,
        "file://" + html
    ]
    if os.path.exists(out_path):
      os.remove(out_path)
    try:
      proc = subprocess.run(cmd, capture_output=True, text=True, timeout=180)
    except subprocess.TimeoutExpired:
      sys.exit("FAIL: chromium did not finish within 180 s")
    if proc.returncode != 0 or not os.path.exists(out_path):
      sys.exit("FAIL: chromium exited %d without a screenshot:\n%s" %
               (proc.returncode, proc.stderr[-3000:]))


# ---------------------------------------------------------------- checks


def _is_panel_colour(px):
  r, g, b = px[0], px[1], px[2]
  return b > r + 15 and b < 200


def _is_aqua(px):
  r, g, b = px[0], px[1], px[2]
  return r < 110 and g > 150 and b > 150 and abs(g - b) < 50


def _is_icon_green(px):
  r, g, b = px[0], px[1], px[2]
  return g > 150 and r < 110 and b < 150


def _bbox(shot, pred, x0=0, y0=0, x1=None, y1=None):
  x1 = shot.width if x1 is None else x1
  y1 = shot.height if y1 is None else y1
  xs, ys, count = [], [], 0
  for y in range(y0, y1):
    for x in range(x0, x1):
      if pred(shot.at(x, y)):
        xs.append(x)
        ys.append(y)
        count += 1
  if not count:
    return None, 0
  return (min(xs), min(ys), max(xs) + 1, max(ys) + 1), count


def _compare(shot, ox, oy, expected_at, w, h, skip=lambda x, y: False):
  """Counts pixels within tolerance of expected_at(x, y) -> (r, g, b)."""
  total = good = worst = 0
  for y in range(h):
    for x in range(w):
      if skip(x, y):
        continue
      want = expected_at(x, y)
      got = shot.at(ox + x, oy + y)
      diff = max(abs(got[c] - want[c]) for c in range(3))
      worst = max(worst, diff)
      total += 1
      good += diff <= PIXEL_TOLERANCE
  return good, total, worst


class Report:

  def __init__(self):
    self.passed, self.failed = 0, 0

  def check(self, name, ok, detail):
    print("%s %s: %s" % ("PASS" if ok else "FAIL", name, detail))
    if ok:
      self.passed += 1
    else:
      self.failed += 1
    return ok


def check_panel(rep, shot, bg):
  box, _ = _bbox(shot, _is_panel_colour)
  if not rep.check("panel found", box is not None, "by its dark-blue colour"):
    return None
  left, top, right, bottom = box
  w, h = right - left, bottom - top
  rep.check("panel size", (w, h) == (PANEL_W, PANEL_H),
            "%dx%d at (%d,%d), want %dx%d" % (w, h, left, top, PANEL_W,
                                              PANEL_H))
  margin_l, margin_r = left, shot.width - right
  rep.check("panel centred", abs(margin_l - margin_r) <= 1,
            "margins left %d, right %d" % (margin_l, margin_r))
  if (w, h) != (PANEL_W, PANEL_H):
    return None

  def covered(x, y):
    in_icon = (ICON_LEFT <= x < ICON_LEFT + ICON_SIZE and
               ICON_TOP <= y < ICON_TOP + ICON_SIZE)
    return in_icon or TEXT_TOP <= y < TEXT_TOP + TEXT_H

  good, total, worst = _compare(shot, left, top, lambda x, y: bg.at(x, y),
                                PANEL_W, PANEL_H, covered)
  rep.check("panel shows image A", good >= MIN_MATCH_FRACTION * total,
            "%d/%d pixels within %d, worst %d" % (good, total,
                                                  PIXEL_TOLERANCE, worst))
  outside = 0
  for y in range(shot.height):
    for x in range(shot.width):
      if not (left <= x < right and top <= y < bottom):
        outside += bytes(shot.at(x, y)[:3]) != b"\xff\xff\xff"
  rep.check("page around panel blank", outside == 0,
            "%d non-white pixels outside the panel" % outside)
  return left, top


def check_icon(rep, shot, bg, icon, left, top):
  ox, oy = left + ICON_LEFT, top + ICON_TOP
  rep.check("icon decoded size", (icon.width, icon.height) ==
            (ICON_SIZE, ICON_SIZE), "%dx%d" % (icon.width, icon.height))

  def over_panel(x, y):
    fg, back = icon.at(x, y), bg.at(ICON_LEFT + x, ICON_TOP + y)
    a = fg[3] / 255.0
    return [int(fg[c] * a + back[c] * (1 - a) + 0.5) for c in range(3)]

  good, total, worst = _compare(shot, ox, oy, over_panel, ICON_SIZE,
                                ICON_SIZE)
  box, count = _bbox(shot, _is_icon_green, left, top, left + PANEL_W,
                     top + PANEL_H)
  seen = "none"
  if box:
    seen = "green ink %dx%d at panel+(%d,%d)" % (box[2] - box[0], box[3] -
                                                box[1], box[0] - left,
                                                box[1] - top)
  rep.check("icon is image B at panel+(%d,%d)" % (ICON_LEFT, ICON_TOP),
            good >= MIN_MATCH_FRACTION * total,
            "%d/%d pixels within %d, worst %d; %s" % (good, total,
                                                      PIXEL_TOLERANCE, worst,
                                                      seen))


def check_message(rep, shot, left, top):
  box, count = _bbox(shot, _is_aqua, left, top, left + PANEL_W, top + PANEL_H)
  if not rep.check("message ink present", box is not None and count >= 150,
                   "%d aqua pixels" % count):
    return
  x0, y0, x1, y1 = (box[0] - left, box[1] - top, box[2] - left, box[3] - top)
  rep.check("message in its line",
            y0 >= TEXT_TOP and y1 <= TEXT_TOP + TEXT_H,
            "ink rows %d..%d of panel, line %d..%d" %
            (y0, y1, TEXT_TOP, TEXT_TOP + TEXT_H))
  centre = (x0 + x1) / 2.0
  rep.check("message centred", abs(centre - PANEL_W / 2.0) <= 2,
            "ink columns %d..%d, centre %.1f of %.1f" %
            (x0, x1, centre, PANEL_W / 2.0))
  # Full-width glyphs: one em each, less the side bearings of the outer two.
  em_count = (x1 - x0) / FONT_PX
  rep.check("message width", len(MESSAGE) - 1.5 <= em_count <= len(MESSAGE),
            "%d px = %.2f em for %d characters at %.2f px" %
            (x1 - x0, em_count, len(MESSAGE), FONT_PX))
  rep.check("message height", 0.6 * FONT_PX <= y1 - y0 <= 1.3 * FONT_PX,
            "%d px" % (y1 - y0))


def main():
  parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
  parser.add_argument("--out", required=True, help="screenshot path to write")
  parser.add_argument("--root", default=ROOT, help="source tree")
  parser.add_argument("--chromium", help="browser binary (default: on PATH)")
  parser.add_argument("--size", default="1024x600", help="viewport WxH")
  args = parser.parse_args()
  width, height = (int(v) for v in args.size.split("x"))
  started = time.monotonic()

  chromium = find_chromium(args.chromium)
  font = require_cjk_font()
  page, piece_count = load_page(os.path.join(args.root, TABLE_PATH))
  print("page: %d pieces, %d UTF-16 code units; CJK font: %s" %
        (piece_count, len(page.encode("utf-16-le")) // 2, font))
  bg = read_png(os.path.join(args.root, BACKGROUND_PATH))
  icon = read_png(os.path.join(args.root, ICON_PATH))

  os.makedirs(os.path.dirname(os.path.abspath(args.out)), exist_ok=True)
  render(chromium, page, args.out, width, height)
  rendered = time.monotonic()
  shot = read_png(args.out)
  print("screenshot: %s, %dx%d, rendered in %.1f s" %
        (args.out, shot.width, shot.height, rendered - started))

  rep = Report()
  rep.check("viewport", (shot.width, shot.height) == (width, height),
            "%dx%d" % (shot.width, shot.height))
  rep.check("message in page", MESSAGE in page, "text of the .txt line")
  placed = check_panel(rep, shot, bg)
  if placed:
    check_icon(rep, shot, bg, icon, *placed)
    check_message(rep, shot, *placed)
  else:
    rep.check("icon and message", False, "not checked without the panel")
  print("analysed in %.1f s" % (time.monotonic() - rendered))
  print("%d passed, %d failed" % (rep.passed, rep.failed))
  return 1 if rep.failed else 0


if __name__ == "__main__":
  sys.exit(main())
