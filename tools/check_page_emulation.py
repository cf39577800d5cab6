#!/usr/bin/env python3
"""Runs pages in headless Chromium against pages/kxhelper-dev.js, the KXHelper
emulation a page author uses in an ordinary browser.

1. The shared assertions pages (tests/pages/assertions/), which kxhost also
   runs on both frameworks: their console lines must be expected.txt's, line
   for line, so the emulation and the component agree. The first page goes
   on to the second, a later page of the same render process; the second
   page also runs on its own as the emulation's "synced" case, and the
   refused page as its "refused" case (refused-expected.txt).
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
# The voice texts the host is given for the assertions pages, as report.js
# makes them (kxhost gets the same).
VOICES = {"normal": ["n%d" % i for i in range(1, 206)],
          "horn": ["h1", "x" * 298 + "\U0001F600" + "tail"]}
# The options the first assertions page leaves for the second.
LAST_OPTIONS = '[{"uic_type":2,"filter_id":77,"is_filter":true}]'
# What Chromium writes to its log for each console message of a page.
# Chromium's own note on the window.close() that ends each page in kxhost.
CLOSE_REFUSED = "Scripts may close only the windows that were opened by them."
CONSOLE_LINE = re.compile(r':CONSOLE[^\]]*\] "(.*)", source: ')


def run_page(chromium, page, query):
  """The page's document once its timers have run, as Chromium writes it,
  and the console lines of every page the tab showed, the emulation's own
  notes left out."""
  profile = tempfile.mkdtemp(prefix="kx-chromium-")
  try:
    url = "file://" + page + "?" + urllib.parse.urlencode(query)
    cmd = [chromium, "--headless", "--no-sandbox", "--disable-gpu",
           "--disable-quic", "--no-first-run", "--disable-background-networking",
           "--disable-component-update", "--disable-sync",
           "--user-data-dir=" + profile,
           "--enable-logging=stderr", "--v=0",
           # Timers run on virtual time: the page's waits cost nothing.
           "--virtual-time-budget=30000", "--dump-dom", url]
    proc = subprocess.run(cmd, capture_output=True, text=True, timeout=180)
    if proc.returncode != 0:
      sys.exit("FAIL: chromium exited %d:\n%s" % (proc.returncode, proc.stderr))
    console = [match.group(1) for match in
               map(CONSOLE_LINE.search, proc.stderr.splitlines()) if match]
    return proc.stdout, [line for line in console
                         if not line.startswith("kxhelper-dev:") and
                         line != CLOSE_REFUSED]
  finally:
    shutil.rmtree(profile, ignore_errors=True)


def compare(what, got, expected):
  if got == expected:
    return []
  lines = ["FAIL: %s under the emulation differs from the component's lines:"
           % what]
  lines += ["  got  %s" % line for line in got if line not in expected]
  lines += ["  want %s" % line for line in expected if line not in got]
  if not lines[1:]:
    lines.append("  the same lines in another order: %s" % got)
  return lines


def element_text(dom, element_id):
  match = re.search(r'<(\w+)[^>]*\bid="%s"[^>]*>(.*?)</\1>' % element_id, dom,
                    re.S)
  return html.unescape(re.sub(r"<[^>]*>", "\n", match.group(2))) if match else None


def read_lines(name):
  with open(os.path.join(ASSERTIONS, name), encoding="utf-8") as f:
    return f.read().splitlines()


def check_assertions(chromium):
  expected = read_lines("expected.txt")
  second = expected[next(i for i, line in enumerate(expected)
                         if line.startswith("first page: ")) + 1:]
  voices = json.dumps(VOICES)
  _, first_run = run_page(
      chromium, os.path.join(ASSERTIONS, "kxhelper-assertions.html"),
      {"voices": voices})
  _, synced_run = run_page(
      chromium, os.path.join(ASSERTIONS, "second-page.html"),
      {"kxhelper": "synced", "voices": voices, "options": LAST_OPTIONS})
  _, refused_run = run_page(chromium, os.path.join(ASSERTIONS, "refused.html"),
                            {"kxhelper": "refused"})
  return (compare("the assertions pages", first_run, expected) +
          compare("a later page (kxhelper=synced)", synced_run, second) +
          compare("a refused page (kxhelper=refused)", refused_run,
                  read_lines("refused-expected.txt")))


def check_demo_page(chromium):
  voices = {"normal": ["a normal voice", "another normal voice"],
            "horn": ["a horn voice"]}
  dom, _ = run_page(chromium, os.path.join(ROOT, "pages/options.html"),
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
  print("ok: the emulation passes the assertions pages (first, later and "
        "refused), and the demo page draws what it was given")


if __name__ == "__main__":
  main()
