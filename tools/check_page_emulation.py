#!/usr/bin/env python3
"""Runs pages in headless Chromium against pages/kxhelper-dev.js, the KXHelper
emulation a page author uses in an ordinary browser.

1. The shared assertions page (tests/pages/assertions/), which kxhost also
   runs on both frameworks: its result lines must be expected.txt's, line for
   line, so the emulation and the component agree.
2. The demo page, pages/options.html: it draws the filters it sent as they
   came back, and the voice texts given with ?voices=.

Usage: python3 tools/check_page_emulation.py
"""

import html
import json
import os
import re
import shutil
import subprocess
import sys
import tempfile
import urllib.parse

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
ASSERTIONS = os.path.join(ROOT, "tests/pages/assertions")
# The voices kxhost is given in the suite's run of the assertions page.
VOICES = {"normal": ["n1", "n2"], "horn": ["h1"]}


def dump_dom(chromium, page, query):
  """The page's document once its timers have run, as Chromium writes it."""
  profile = tempfile.mkdtemp(prefix="kx-chromium-")
  try:
    url = "file://" + page + "?" + urllib.parse.urlencode(query)
    cmd = [chromium, "--headless", "--no-sandbox", "--disable-gpu",
           "--disable-quic", "--no-first-run", "--disable-background-networking",
           "--disable-component-update", "--disable-sync",
           "--user-data-dir=" + profile,
           # Timers run on virtual time: the page's waits cost nothing.
           "--virtual-time-budget=30000", "--dump-dom", url]
    proc = subprocess.run(cmd, capture_output=True, text=True, timeout=180)
    if proc.returncode != 0:
      sys.exit("FAIL: chromium exited %d:\n%s" % (proc.returncode, proc.stderr))
    return proc.stdout
  finally:
    shutil.rmtree(profile, ignore_errors=True)


def element_text(dom, element_id):
  match = re.search(r'<(\w+)[^>]*\bid="%s"[^>]*>(.*?)</\1>' % element_id, dom,
                    re.S)
  return html.unescape(re.sub(r"<[^>]*>", "\n", match.group(2))) if match else None


def check_assertions(chromium):
  dom = dump_dom(chromium, os.path.join(ASSERTIONS, "kxhelper-assertions.html"),
                 {"voices": json.dumps(VOICES)})
  got = (element_text(dom, "results") or "").splitlines()
  with open(os.path.join(ASSERTIONS, "expected.txt"), encoding="utf-8") as f:
    expected = f.read().splitlines()
  if got != expected:
    lines = ["FAIL: the assertions page under the emulation differs from "
             "expected.txt:"]
    lines += ["  got  %s" % line for line in got if line not in expected]
    lines += ["  want %s" % line for line in expected if line not in got]
    return lines
  return []


def check_demo_page(chromium):
  voices = {"normal": ["a normal voice", "another normal voice"],
            "horn": ["a horn voice"]}
  dom = dump_dom(chromium, os.path.join(ROOT, "pages/options.html"),
                 {"voices": json.dumps(voices)})
  rows = re.findall(r"<tr>(.*?)</tr>",
                    re.search(r'id="filters">(.*?)</tbody>', dom, re.S).group(1))
  cells = [re.findall(r"<td[^>]*>(.*?)</td>", row) for row in rows]
  failures = []
  want = [["1", "12", "3", "type 1 + type 2", "on"],
          ["2", "7", "1", "type 1", "off"]]
  if cells != want:
    failures.append("FAIL: the filters table shows %s, want %s" % (cells, want))
  shown = {
      "count": element_text(dom, "count"),
      "normal": [t for t in element_text(dom, "normal").split("\n") if t],
      "horn": [t for t in element_text(dom, "horn").split("\n") if t],
  }
  want_shown = {"count": "3", "normal": voices["normal"], "horn": voices["horn"]}
  if shown != want_shown:
    failures.append("FAIL: the voices show %s, want %s" % (shown, want_shown))
  return failures


def main():
  chromium = shutil.which("chromium") or shutil.which("chromium-browser")
  if not chromium:
    sys.exit("FAIL: chromium not found; tools/setup.sh installs Debian's "
             "chromium package")
  failures = check_assertions(chromium) + check_demo_page(chromium)
  for failure in failures:
    print(failure)
  if failures:
    sys.exit(1)
  print("ok: the emulation passes the assertions page, and the demo page "
        "draws what it was given")


if __name__ == "__main__":
  main()
