#!/usr/bin/env python3
"""Every path the package's own texts name is in the package.

Read from the unpacked package itself:
  README.txt                    every path from the package root it names
                                (globs match something; names that begin
                                with my_ are the reader's own, absolute
                                paths and URLs are not the package's)
  docs/host.md                  the table of the package's folders (each
                                file a row names lies in its folder or at
                                the root) and every header it names in
                                quotes (under include/ or the root, the
                                two include paths the package gives)
  docs/*.md                     every relative link
  examples/*/CMakeLists.txt     every <package>/... path its comments name

Usage: check_package_names.py PACKAGE_DIR [--link-only]
  --link-only  the package holds no run-time files of the framework (the
               32-bit one, made to link against): bin/ names other than the
               component's programs are not looked for.
Prints what it checked and each missing name; exits 1 when one is missing.
"""

import re
import sys
from pathlib import Path

PROGRAMS = {'bin/kxsubprocess.exe', 'bin/kxhost.exe'}
README_PATH = re.compile(r'(?<![\w/.:-])([A-Za-z_][\w.*-]*(?:/[\w.*-]*)+)')
TABLE_SECTION = '## Building your own host from the package'
FILE_NAME = re.compile(r'^[\w.*-]+(?:/[\w.*-]+)*/?$')
QUOTED_HEADER = re.compile(r'"((?:[\w-]+/)+[\w.-]+\.h)"')
LINK = re.compile(r'\]\(([^)#\s]+)(?:#[^)]*)?\)')
PACKAGE_PATH = re.compile(r'<package>/([\w./-]+)')


def exists(root, name):
  if any(c in name for c in '*?['):
    return any(root.glob(name.rstrip('/')))
  return (root / name).exists()


def readme_names(root):
  text = (root / 'README.txt').read_text()
  # Commands there run from the package root.
  text = text.replace('$PWD/', ' ')
  names = []
  for name in README_PATH.findall(text):
    name = name.rstrip('.')
    if not name.startswith('my_'):
      names.append(name)
  return names


def table_names(root, guide):
  """The files the guide's table of the package's folders names."""
  section = guide.split(TABLE_SECTION, 1)
  if len(section) < 2:
    return []
  section = section[1].split('\n## ', 1)[0]
  checks = []
  # Only the table headed "folder"; the section's other tables (exit codes)
  # name no paths.
  in_table = False
  for row in section.splitlines():
    cells = [c.strip() for c in row.strip().strip('|').split('|')]
    if not row.startswith('|'):
      in_table = False
      continue
    if cells[0] == 'folder':
      in_table = True
      continue
    if not in_table or len(cells) < 2 or set(cells[0]) <= set('-'):
      continue
    folder = cells[0].strip('`')
    checks.append((folder, None))
    for name in re.findall(r'`([^`]+)`', cells[1]):
      if FILE_NAME.match(name) and ('.' in name or name.endswith('/')):
        inside = folder + name if folder.endswith('/') else name
        checks.append((inside, name))
  return checks


def main(argv):
  args = argv[1:]
  link_only = '--link-only' in args
  args = [a for a in args if a != '--link-only']
  if len(args) != 1:
    sys.exit(__doc__)
  root = Path(args[0])
  arch = 'i686' if (root / 'cmake/mingw-i686.cmake').exists() else 'x86_64'
  missing = []
  checked = 0

  def want(name, where, alternative=None):
    nonlocal checked
    if link_only and name.startswith('bin/') and name not in PROGRAMS:
      return
    checked += 1
    if not exists(root, name) and not (alternative and
                                       exists(root, alternative)):
      missing.append('%s (named in %s)' % (name, where))

  for name in readme_names(root):
    want(name, 'README.txt')

  guide_path = root / 'docs/host.md'
  guide = guide_path.read_text() if guide_path.exists() else ''
  table = table_names(root, guide)
  if not table:
    missing.append('the host guide\'s table of folders (docs/host.md, "%s")'
                   % TABLE_SECTION[3:])
  for name, bare in table:
    # The guide's table is written for the x86-64 package.
    name = name.replace('x86_64', arch)
    want(name, 'the host guide\'s table', bare)
  for header in QUOTED_HEADER.findall(guide):
    want('include/' + header, 'the host guide', header)

  for doc in sorted((root / 'docs').glob('*.md')):
    for target in LINK.findall(doc.read_text()):
      if '://' in target or target.startswith('mailto:'):
        continue
      name = (Path('docs') / target).as_posix()
      # A link out of docs/ is resolved from the package root.
      name = re.sub(r'^docs/\.\./', '', name)
      want(name, 'a link in docs/%s' % doc.name)

  for cmake_file in sorted((root / 'examples').glob('*/CMakeLists.txt')):
    for name in PACKAGE_PATH.findall(cmake_file.read_text()):
      want(name, cmake_file.relative_to(root).as_posix())

  for name in missing:
    print('check_package: %s is missing from the package' % name)
  print('check_package: %d names in README.txt, the guides and the example '
        'checked, %d missing' % (checked, len(missing)))
  return 1 if missing or checked == 0 else 0


if __name__ == '__main__':
  sys.exit(main(sys.argv))
