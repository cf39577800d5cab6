// The page guide's code samples, checked as a page author's files are: every
// ```js and ```html sample as a script page, every ```ts sample as a
// TypeScript page, with pages/tools/check.js (types against kxhelper.d.ts
// with --strict, Chromium 45, ES5). A problem is reported at its line of the
// guide. The guide's code is all in fenced blocks of a known language, and it
// has samples of each kind, so the check never passes on nothing.
// Usage: node tools/check_page_samples.js SOURCE_DIR (make setup installs the tools)
'use strict';
const fs = require('fs');
const os = require('os');
const path = require('path');
const { spawnSync } = require('child_process');

const root = path.resolve(process.argv[2] || '.');
const guide = path.relative(process.cwd(), path.join(root, 'docs', 'pages.md'));
const kChecked = { js: 'js', html: 'js', ts: 'ts' };
const kUnchecked = new Set(['sh', 'text', 'json']);
const problems = [];

// The fenced blocks of |text|: language, the guide's line of the first line
// of code, and the code.
function fencedBlocks(text) {
  const blocks = [];
  const lines = text.split('\n');
  for (let i = 0; i < lines.length; ++i) {
    const open = /^```(\S*)\s*$/.exec(lines[i]);
    if (!open)
      continue;
    const start = i + 1;
    let end = start;
    while (end < lines.length && !/^```\s*$/.test(lines[end]))
      ++end;
    if (end === lines.length)
      problems.push(`${guide}:${i + 1}: a code block that never ends`);
    blocks.push({ language: open[1], line: start + 1,
                  code: lines.slice(start, end).join('\n') + '\n' });
    i = end;
  }
  return { blocks, lines };
}

// Indented code blocks (four spaces after a blank line, outside fences) are
// samples that no check would see.
function indentedBlocks(lines) {
  let fenced = false;
  lines.forEach((line, index) => {
    if (/^```/.test(line))
      fenced = !fenced;
    else if (!fenced && /^ {4}\S/.test(line) && index > 0 &&
             lines[index - 1].trim() === '')
      problems.push(`${guide}:${index + 1}: code outside a fenced block ` +
                    '(```js, ```ts, ```html or ```sh)');
  });
}

function main() {
  const { blocks, lines } = fencedBlocks(fs.readFileSync(guide, 'utf8'));
  indentedBlocks(lines);
  const work = fs.mkdtempSync(path.join(os.tmpdir(), 'page-samples-'));
  const origins = new Map();
  const counts = { js: 0, ts: 0 };
  for (const kind of ['js', 'ts']) {
    const folder = path.join(work, kind);
    fs.mkdirSync(folder);
    fs.copyFileSync(path.join(root, 'pages', 'kxhelper.d.ts'),
                    path.join(folder, 'kxhelper.d.ts'));
    fs.copyFileSync(path.join(root, 'tests', 'pages', 'samples', 'prelude.d.ts'),
                    path.join(folder, 'prelude.d.ts'));
    fs.copyFileSync(
        path.join(root, 'pages', kind === 'ts' ? 'tsconfig.ts.json' : 'tsconfig.json'),
        path.join(folder, 'tsconfig.json'));
  }
  blocks.forEach((block, index) => {
    const kind = kChecked[block.language];
    if (!kind) {
      if (!kUnchecked.has(block.language))
        problems.push(`${guide}:${block.line - 1}: a code block of language ` +
                      `"${block.language}": mark it js, ts, html or sh`);
      return;
    }
    ++counts[kind];
    const name = `sample${index + 1}.${block.language}`;
    fs.writeFileSync(path.join(work, kind, name), block.code);
    origins.set(`${kind}/${name}`, block.line);
  });
  if (!counts.js || !counts.ts)
    problems.push(`${guide}: no ${counts.js ? 'ts' : 'js'} samples found`);

  const check = spawnSync(process.execPath,
                          [path.join(root, 'pages', 'tools', 'check.js'), 'js', 'ts'],
                          { cwd: work, encoding: 'utf8',
                            env: { ...process.env,
                                   NODE_PATH: path.join(root, 'tools', 'node', 'node_modules') } });
  for (const line of `${check.stdout}${check.stderr}`.split('\n')) {
    const found = /^(\w+\/sample\d+\.\w+):(\d+):(\d+): (.*)$/.exec(line);
    if (found && origins.has(found[1])) {
      const guideLine = origins.get(found[1]) + Number(found[2]) - 1;
      problems.push(`${guide}:${guideLine}:${found[3]}: ${found[4]}`);
    } else if (line && !/^check: (ok\b|\d+ problem)/.test(line)) {
      problems.push(line);
    }
  }
  if (check.status !== 0 && !problems.length)
    problems.push(`the check ended with status ${check.status}`);
  fs.rmSync(work, { recursive: true, force: true });

  for (const problem of problems)
    console.log(problem);
  console.log(problems.length ?
      `page samples: ${problems.length} problem(s)` :
      `page samples: ok, ${counts.js} script and ${counts.ts} TypeScript samples`);
  return problems.length ? 1 : 0;
}

process.exit(main());
