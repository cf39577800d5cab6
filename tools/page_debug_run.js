// Runs of the page debugging loop (pages/tools/debug.js) for the suite's
// real-framework checks: a run's output read line by line, waits for lines
// with a patience (never a timed assertion), evaluations typed into it.
'use strict';
const path = require('path');
const { spawn } = require('child_process');

const kPatienceMs = 60000;
const debugScript = path.join(__dirname, '..', 'pages', 'tools', 'debug.js');

const sleep = (ms) => new Promise((resolve) => setTimeout(resolve, ms));

// One check's line; returns |ok|, and counts failures for the exit status.
let failures = 0;
function check(name, ok, detail) {
  console.log(`${ok ? 'ok' : 'FAIL'} ${name}${ok ? '' : ': ' + detail}`);
  if (!ok)
    ++failures;
  return ok;
}

// debug.js as a page author runs it, with |args|.
class DebugRun {
  constructor(args) {
    this.lines = [];
    this.waiters = [];
    this.child = spawn(process.execPath, [debugScript, ...args],
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
  // The first line from index |from| on that |pattern| matches, with its
  // index; null when none comes within the patience.
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
    const echo = await this.waitFor(
        new RegExp(`^> ${expression.replace(/[^\w ]/g, '\\$&')}$`), from);
    if (!echo)
      return null;
    const answer = await this.waitFor(/^/, echo.index + 1);
    return answer && this.lines[answer.index];
  }
  // The exit code, or null when it runs past the patience.
  exitCode() {
    return Promise.race([this.exited, sleep(kPatienceMs).then(() => null)]);
  }
  end() {
    if (this.child.exitCode === null)
      this.child.kill();
  }
}

// Runs |main| and exits 0 when every check passed.
function runChecks(main) {
  main().then(() => process.exit(failures ? 1 : 0), (error) => {
    console.log(`FAIL ${error.message}`);
    process.exit(1);
  });
}

module.exports = { DebugRun, check, runChecks, sleep, kPatienceMs };
