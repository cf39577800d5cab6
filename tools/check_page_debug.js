// The page debugging loop (pages/tools/debug.js) against a TypeScript page in
// a running kxhost (tools/check_page_debug.sh starts both): the page's
// console with its lines mapped to page.ts, an uncaught error with its stack,
// evaluations, a rebuild and reload when page.ts changes, no reload when the
// build fails, and a second attach after the first one quit.
// With --chromium the page is in a headless Chromium against the emulation,
// which a script cannot close: the last step, the host closing the page, is
// left out.
// Usage: node tools/check_page_debug.js PORT PAGE_FOLDER [--chromium]
'use strict';
const fs = require('fs');
const path = require('path');
const { DebugRun, check, runChecks } = require('./page_debug_run');

const [port, folder, browser] = process.argv.slice(2);
const chromium = browser === '--chromium';
const pageTs = path.join(folder, 'page.ts');

function markedLine(marker) {
  return fs.readFileSync(pageTs, 'utf8').split('\n')
      .findIndex((line) => line.includes(marker)) + 1;
}

async function main() {
  const logged = markedLine('logs the version');
  const thrown = markedLine('throws');
  // The host takes a while to start under Wine.
  const run = new DebugRun(['--port', port, '--wait', '60']);

  const attached = await run.waitFor(/^debug: attached to .*page\.html$/);
  check('attaches to the host page', !!attached, run.lines.slice(-3).join(' / '));
  const watching = await run.waitFor(/^debug: watching .*\(a TypeScript page: tsc first\)$/);
  check('watches the page folder as a TypeScript page', !!watching, run.lines.join(' / '));

  const log = await run.waitFor(
      /^\[log\] page\.ts:(\d+):\d+ \(page\.js:\d+:\d+\) page version 1 \d+$/);
  check('a console.log arrives with its page.ts line', !!log && Number(log.match[1]) === logged,
        log ? `line ${log.match[1]}, want ${logged}` : 'no such line');
  // A message logged before the attach comes again without its column.
  const error = await run.waitFor(
      /^\[error\] page\.ts:(\d+)(:\d+)? \(page\.js:\d+(:\d+)?\) Uncaught Error: thrown by version 1$/);
  check('an earlier uncaught error arrives with its page.ts line',
        !!error && Number(error.match[1]) === thrown,
        error ? `line ${error.match[1]}, want ${thrown}` : 'no such line');

  check('evaluates an expression', (await run.evaluate('pageVersion + 1')) === '2', 'wrong answer');
  check('evaluates to JSON for plain data',
        /^\{"version":1,"voices":\d+\}$/.test(await run.evaluate('report()')), 'wrong answer');
  check('reports what an evaluation throws',
        /^! ReferenceError: noSuchName is not defined/.test(
            await run.evaluate('noSuchName')), 'no ReferenceError');
  check('evaluates KXHelper in the page',
        /^\d+$/.test(await run.evaluate('KXHelper.GetFilteredNum()')), 'not a count');

  // A change of page.ts: rebuilt, reloaded, the new version logs.
  let from = run.lines.length;
  const source = fs.readFileSync(pageTs, 'utf8');
  fs.writeFileSync(pageTs, source.replace('pageVersion: number = 1', 'pageVersion: number = 2'));
  const built = await run.waitFor(/^--- tsc -p .*: built ---$/, from);
  const reloaded = built && await run.waitFor(/^--- reloading \(page\.ts changed\) ---$/, built.index);
  const newLog = reloaded && await run.waitFor(
      /^\[log\] page\.ts:(\d+):\d+ \(page\.js:\d+:\d+\) page version 2 \d+$/, reloaded.index);
  check('a change of page.ts rebuilds, reloads, and the new page logs',
        !!newLog && Number(newLog.match[1]) === logged, run.lines.slice(from).join(' / '));
  const newError = reloaded && await run.waitFor(
      /^\[error\] page\.ts:(\d+):\d+ \(page\.js:\d+:\d+\) Uncaught Error: thrown by version 2$/,
      reloaded.index);
  const stack = newError && await run.waitFor(/^ {4}at failLater page\.ts:(\d+):\d+ /,
                                              newError.index + 1);
  check('an uncaught error arrives with its page.ts line and stack',
        !!stack && Number(newError.match[1]) === thrown && Number(stack.match[1]) === thrown,
        run.lines.slice(from).join(' / '));

  // A type error: nothing written, nothing reloaded, the page keeps version 2.
  from = run.lines.length;
  fs.appendFileSync(pageTs, "const broken: number = 'text';\n");
  const failed = await run.waitFor(/^--- tsc -p .* failed: not reloaded ---$/, from);
  const named = failed && await run.waitFor(/page\.ts\(\d+,\d+\): error TS2322/, failed.index);
  check('a build that fails says why and reloads nothing', !!named,
        run.lines.slice(from).join(' / '));
  check('the page still runs the last good build',
        (await run.evaluate('pageVersion')) === '2' &&
            !run.lines.slice(from).some((line) => line.startsWith('--- reloading')),
        run.lines.slice(from).join(' / '));

  run.child.stdin.write('.quit\n');
  check('.quit ends the loop', (await run.exitCode()) === 0, 'still running');

  // Attach again: the page is free for a client after the first left.
  const second = new DebugRun(['--port', port, '--no-reload', '--eval', 'document.title']);
  const title = await second.waitFor(/^Debugging loop target$|^"Debugging loop target"$/);
  check('a second run attaches and evaluates --eval', !!title, second.lines.join(' / '));
  if (chromium) {
    second.child.stdin.write('.quit\n');
    check('the second run ends', (await second.exitCode()) === 0, 'still running');
    return;
  }
  second.child.stdin.write('setTimeout(function() { window.close(); }, 0)\n');
  const closed = await second.waitFor(/^debug: the host closed the connection/);
  check('the loop ends when the host closes the page',
        !!closed && (await second.exitCode()) === 0, second.lines.slice(-3).join(' / '));
  run.end();
  second.end();
}

runChecks(main);
