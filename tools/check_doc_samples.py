#!/usr/bin/env python3
"""Compiles every C++ sample of a guide, as a Markdown reader finds them.

A sample is a fenced block whose language is cpp (or c++, cc). It is compiled
(syntax and types, no code) after the headers the guide names, first as a
file of its own, then as the body of a function: a guide shows whole
definitions and fragments alike. What a fragment takes from the host around
it (a variable, say) is written in an HTML comment just before the block,
which a reader does not see:

    <!-- sample context: std::string saved_json; -->

Every code block must name its language: an indented block, or a fence
without one, could be C++ that nothing compiles.

Usage: check_doc_samples.py GUIDE.md [--self-test] -- COMPILER [FLAGS...]
  --self-test   GUIDE.md is a fixture: the blocks holding the text
                "REFUSED" must be refused and every other block accepted.
Prints one line per code block and exits 1 when a block is refused (or, in
self-test, when a block is judged otherwise than marked).
"""

import re
import subprocess
import sys
import tempfile
import xml.etree.ElementTree as ET
from pathlib import Path

NS = '{http://commonmark.org/xml/1.0}'
CPP = {'cpp', 'c++', 'cc'}
CONTEXT = re.compile(r'^<!--\s*sample context:(.*?)-->\s*$', re.S)
# Headers a guide names, quoted or in backticks: the component's folders and
# the framework's include/, and Windows' <name.h>.
NAMED_HEADER = re.compile(
    r'[`"]((?:app|browser|store|common|renderer|include)/[\w/.-]+\.h)[`"]')
SYSTEM_HEADER = re.compile(r'<(\w+\.h)>')
# What any host has at hand, beside the headers the guide names.
STANDARD = ['cstdint', 'cstdio', 'memory', 'mutex', 'string', 'thread',
            'vector']


class Block:
  def __init__(self, line, info, text, context):
    self.line = line
    self.info = info
    self.text = text
    self.context = context


def read_blocks(path):
  """Every code block of the guide, in order, with the context before it."""
  xml = subprocess.run(['cmark', '--to', 'xml', '--sourcepos', str(path)],
                       check=True, capture_output=True, text=True).stdout
  blocks = []

  def walk(node):
    previous = None
    for child in node:
      if child.tag == NS + 'code_block':
        line = int(child.get('sourcepos').split(':')[0])
        context = ''
        if previous is not None and previous.tag == NS + 'html_block':
          match = CONTEXT.match(previous.text or '')
          context = match.group(1).strip() if match else ''
        blocks.append(Block(line, (child.get('info') or '').split(' ')[0],
                            child.text or '', context))
      walk(child)
      previous = child

  walk(ET.fromstring(xml))
  return blocks


def prelude(guide_text):
  system = ['windows.h'] + [h for h in SYSTEM_HEADER.findall(guide_text)
                            if h != 'windows.h']
  named = sorted(set(NAMED_HEADER.findall(guide_text)))
  lines = ['#include <%s>' % h for h in dict.fromkeys(system)]
  lines += ['#include <%s>' % h for h in STANDARD]
  lines += ['#include "%s"' % h for h in named]
  return '\n'.join(lines) + '\n'


def compile_errors(compiler, source, work):
  """The compiler's complaints about |source|, or None when it is clean."""
  path = Path(work) / 'sample.cc'
  path.write_text(source)
  result = subprocess.run(compiler + ['-fsyntax-only', '-x', 'c++', str(path)],
                          capture_output=True, text=True)
  return None if result.returncode == 0 else result.stdout + result.stderr


def judge(guide, block, head, compiler, work):
  """None when the block is fine, else why it is refused."""
  if not block.info:
    return ('a code block without a language: fence it and name it '
            '(```cpp is compiled; ```sh, ```cmake, ```text are not)')
  if block.info not in CPP:
    return None
  # A #line keeps the compiler's messages on the guide's own lines: the
  # context on the fence's, the sample from the line after it.
  body = '#line %d "%s"\n%s\n%s' % (block.line, guide, ' '.join(
      block.context.splitlines()), block.text)
  as_file = compile_errors(compiler, head + body, work)
  if as_file is None:
    return None
  in_function = compile_errors(
      compiler, head + 'void GuideSample() {\n' + body + '\n}\n', work)
  if in_function is None:
    return None
  return ('does not compile, as a file:\n%s\n... nor inside a function:\n%s'
          % (as_file, in_function))


def main(argv):
  if '--' not in argv:
    sys.exit(__doc__)
  split = argv.index('--')
  args, compiler = argv[1:split], argv[split + 1:]
  self_test = '--self-test' in args
  guides = [a for a in args if a != '--self-test']
  if len(guides) != 1 or not compiler:
    sys.exit(__doc__)
  guide = Path(guides[0])
  blocks = read_blocks(guide)
  head = prelude(guide.read_text())
  compiled = 0
  wrong = 0
  with tempfile.TemporaryDirectory() as work:
    for block in blocks:
      why = judge(guide, block, head, compiler, work)
      compiled += block.info in CPP and why is None
      name = '%s:%d (%s)' % (guide, block.line, block.info or 'no language')
      if self_test:
        marked = 'REFUSED' in block.text
        if marked != (why is not None):
          wrong += 1
          print('%s: %s' % (name, why or 'accepted, but marked REFUSED'))
        else:
          print('%s: %s as marked' % (name, 'refused' if marked else 'ok'))
      elif why:
        wrong += 1
        print('%s: %s' % (name, why))
      else:
        print('%s: ok' % name)
  if compiled == 0 and not wrong:
    print('%s: no C++ sample compiled' % guide)
    return 1
  print('%s: %d C++ samples compiled, %d blocks %s' %
        (guide, compiled, wrong,
         'judged otherwise than marked' if self_test else 'refused'))
  return 1 if wrong else 0


if __name__ == '__main__':
  sys.exit(main(sys.argv))
