// The page debugging loop (pages/tools/debug.js) against a TypeScript page in
// a running kxhost (tools/check_page_debug.sh starts both): the page's
// console with its lines mapped to page.ts, an uncaught error with its stack,
// evaluations, a rebuild and reload when page.ts changes, no reload when the
// build fails, and a second attach after the first one quit.
// Usage: node tools/check_page_debug.js PORT PAGE_FOLDER
'use strict';
const fs = require('fs');
const http = require('http');
const path = require('path');
const { spawn } = require('child_process');

const [port, folder] = process.argv.slice(2);
const debugScript = path.join(__dirname, '..', 'pages', 'tools', 'debug.js');
const pageTs = path.join(folder, 'page.ts');
const kPatienceMs = 60000;
let failures = 0;

function check(name, ok, detail) {
  console.log(`${ok ? 'ok' : 'FAIL'} ${name}${ok ? '' : ': ' + detail}`);
  if (!ok)
    ++failures;
}

const sleep = (ms) => new Promise((resolve) => setTimeout(resolve, ms));

// The host takes a while to start under Wine: ask until it lists pages.
async function waitForHost() {
  const deadline = Date.now() + kPatienceMs;
  for (;;) {
    const listed = await new Promise((resolve) => {
      http.get(`http://127.0.0.1:${port}/json`, (response) => {
        let body = '';
        response.on('data', (chunk) => body += chunk);
        response.on('end', () => resolve(body.includes('"page"')));
      }).on('error', () => resolve(false));
    });
    if (listed)
      return;
    if (Date.now() > deadline)
      throw new Error(`no page at DevTools port ${port}`);
    await sleep(250);
  }
}

// debug.js as a page author runs it, its output read line by line.
class DebugRun {
  constructor(args) {
    this.lines = [];
    this.waiters = [];
    this.child = spawn(process.execPath, [debugScript, '--port', port, ...args],
                       { stdio: ['pipe', 'pipe', 'pipe'] });
    let partial = '';
    const take = (chunk) => {
      partial += chunk;
      const complete = partial.split('\n');
      partial = complete.pop();
      for (const line of complete) {
        this.lines.push(line);
        console.log(`  | ${line}`);
      }
      this.waiters = this.waiters.filter((waiter) => !waiter());
    };
    this.child.stdout.setEncoding('utf8').on('data', take);
    this.child.stderr.setEncoding('utf8').on('data', take);
    this.exited = new Promise((resolve) => this.child.on('exit', resolve));
  }
  // The first line from index |from| on that |pattern| matches, with its index;
  // null when none comes within the patience.
  waitFor(pattern, from = 0) {
    return new Promise((resolve) => {
      const look = () => {
        for (let i = from; i < this.lines.length; ++i) {
          const match = pattern.exec(this.lines[i]);
          if (match) {
            resolve({ match, index: i });
            return true;
          }
        }
        return false;
      };
      if (look())
        return;
      this.waiters.push(look);
      setTimeout(() => resolve(null), kPatienceMs);
    });
  }
  // The line after the echo of |expression|: what it evaluated to.
  async evaluate(expression) {
    const from = this.lines.length;
    this.child.stdin.write(`${expression}\n`);
    const echo = await this.waitFor(new RegExp(`^> ${expression.replace(/[^\w ]/g, '\\$&')}$`), from);
    if (!echo)
      return null;
    const answer = await this.waitFor(/^/, echo.index + 1);
    return answer && this.lines[answer.index];
  }
}

function markedLine(marker) {
  return fs.readFileSync(pageTs, 'utf8').split('\n')
      .findIndex((line) => line.includes(marker)) + 1;
}

async function main() {
  await waitForHost();
  const logged = markedLine('logs the version');
  const thrown = markedLine('throws');
  const run = new DebugRun([]);

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
  check('.quit ends the loop', (await Promise.race([run.exited, sleep(kPatienceMs)])) === 0,
        'still running');

  // Attach again: the page is free for a client after the first left.
  const second = new DebugRun(['--no-reload', '--eval', 'document.title']);
  const title = await second.waitFor(/^Debugging loop target$|^"Debugging loop target"$/);
  check('a second run attaches and evaluates --eval', !!title, second.lines.join(' / '));
  second.child.stdin.write('setTimeout(function() { window.close(); }, 0)\n');
  const closed = await second.waitFor(/^debug: the host closed the connection/);
  check('the loop ends when the host closes the page', !!closed &&
        (await Promise.race([second.exited, sleep(kPatienceMs)])) === 0,
        second.lines.slice(-3).join(' / '));
  for (const child of [run.child, second.child])
    if (child.exitCode === null)
      child.kill();
}

main().then(() => process.exit(failures ? 1 : 0), (error) => {
  console.log(`FAIL ${error.message}`);
  process.exit(1);
});
