#!/usr/bin/env node
// A debugging loop for a page running in the component (Chromium 45), through
// the engine's remote debugging protocol (1.1): start the host with
// --remote-debugging-port=9222, then
//   node tools/debug.js [--port 9222] [--page TEXT] [--watch FOLDER] [--eval EXPR]...
//   npm run debug -- --port 9222
//   node tools/debug.js --inspector [--port 9222] [--page TEXT]
// - streams the page's console: level, file:line:column and the message,
//   uncaught errors with their stack; lines of a script that has a source
//   map (a TypeScript page's `//# sourceMappingURL=`) are given as lines of
//   its source, the script's own line after it;
// - evaluates each line typed (or each --eval) in the page and prints the
//   result; `.reload` reloads the page, `.quit` ends;
// - reloads the page when a file of its folder changes (the folder of a file:
//   page, or --watch), after `tsc -p` when the folder holds a TypeScript
//   page (a tsconfig.json and .ts files); a failed build reloads nothing.
// --page picks the page whose URL contains TEXT (default: the first page);
// --wait SECONDS waits that long for the host to show one.
// --inspector prints the address of the engine's own inspector for the page
// instead, to show in a second host (a current browser cannot run it).
'use strict';
const fs = require('fs');
const http = require('http');
const path = require('path');
const readline = require('readline');
const { spawnSync } = require('child_process');
const { fileURLToPath } = require('url');

function load(name) {
  try {
    return require(name);
  } catch (error) {
    if (error.code !== 'MODULE_NOT_FOUND')
      throw error;
    console.error(`debug: ${name} is missing: run \`npm install\` in ` +
                  `${path.dirname(__dirname)} once`);
    process.exit(2);
  }
}
const WebSocket = load('ws');
const { SourceMapConsumer } = load('source-map');

function parseArguments(argv) {
  const options = { port: 9222, host: '127.0.0.1', page: '', watch: '',
                    evaluations: [], reload: true, inspector: false,
                    waitSeconds: 0 };
  for (let i = 0; i < argv.length; ++i) {
    const [flag, inline] = argv[i].split(/=(.*)/s);
    const value = () => inline !== undefined ? inline : argv[++i];
    if (flag === '--port') options.port = Number(value());
    else if (flag === '--host') options.host = value();
    else if (flag === '--page') options.page = value();
    else if (flag === '--watch') options.watch = value();
    else if (flag === '--eval') options.evaluations.push(value());
    else if (flag === '--no-reload') options.reload = false;
    else if (flag === '--inspector') options.inspector = true;
    else if (flag === '--wait') options.waitSeconds = Number(value());
    else throw new Error(`unknown argument ${argv[i]} (see the top of ${__filename})`);
  }
  if (!Number.isInteger(options.port) || options.port <= 0 || options.port > 65535)
    throw new Error('--port needs a port number');
  if (!(options.waitSeconds >= 0))
    throw new Error('--wait needs a number of seconds');
  return options;
}

function getJson(url) {
  return new Promise((resolve, reject) => {
    http.get(url, (response) => {
      let body = '';
      response.setEncoding('utf8');
      response.on('data', (chunk) => body += chunk);
      response.on('end', () => {
        try {
          resolve(JSON.parse(body));
        } catch (error) {
          reject(new Error(`${url} gave no JSON`));
        }
      });
    }).on('error', reject);
  });
}

// The local path of a file: URL. A host under Wine gives Windows paths:
// drive Z: is the root of the Linux side, other drives go through winepath.
function localPath(url) {
  if (!url.startsWith('file:'))
    return null;
  if (process.platform === 'win32')
    return fileURLToPath(url);
  const pathname = decodeURIComponent(new URL(url).pathname);
  const drive = /^\/([A-Za-z]):(\/.*)?$/.exec(pathname);
  if (!drive)
    return pathname;
  if (drive[1].toUpperCase() === 'Z')
    return drive[2] || '/';
  const converted = spawnSync('winepath', ['-u', `${drive[1]}:${drive[2] || '/'}`],
                              { encoding: 'utf8' });
  return converted.status === 0 ? converted.stdout.trim() : null;
}

function readUrl(url) {
  if (url.startsWith('data:')) {
    const comma = url.indexOf(',');
    const meta = url.slice(5, comma);
    const data = url.slice(comma + 1);
    return Promise.resolve(meta.endsWith(';base64') ?
        Buffer.from(data, 'base64').toString('utf8') : decodeURIComponent(data));
  }
  const file = localPath(url);
  if (file)
    return fs.promises.readFile(file, 'utf8');
  if (url.startsWith('http:')) {
    return new Promise((resolve, reject) => {
      http.get(url, (response) => {
        let body = '';
        response.setEncoding('utf8');
        response.on('data', (chunk) => body += chunk);
        response.on('end', () => resolve(body));
      }).on('error', reject);
    });
  }
  return Promise.reject(new Error(`cannot read ${url}`));
}

// One protocol connection: commands with their answers, events to handlers.
class Session {
  constructor(socket) {
    this.socket = socket;
    this.nextId = 1;
    this.pending = new Map();
    this.handlers = new Map();
    socket.on('message', (data) => {
      let message;
      try {
        message = JSON.parse(data);
      } catch (error) {
        return;
      }
      if (message.id !== undefined && this.pending.has(message.id)) {
        const resolve = this.pending.get(message.id);
        this.pending.delete(message.id);
        resolve(message);
      } else if (this.handlers.has(message.method)) {
        this.handlers.get(message.method)(message.params || {});
      }
    });
    socket.on('close', () => {
      for (const resolve of this.pending.values())
        resolve({ error: { message: 'the connection closed' } });
      this.pending.clear();
    });
  }
  on(method, handler) {
    this.handlers.set(method, handler);
  }
  send(method, params = {}) {
    if (this.socket.readyState !== WebSocket.OPEN)
      return Promise.resolve({ error: { message: 'the connection is closed' } });
    const id = this.nextId++;
    return new Promise((resolve) => {
      this.pending.set(id, resolve);
      this.socket.send(JSON.stringify({ id, method, params }));
    });
  }
}

// Source maps of the page's scripts, by script URL, as the engine names them.
class SourceMaps {
  constructor() {
    this.byScript = new Map();
  }
  add(scriptUrl, mapUrl) {
    if (!mapUrl || this.byScript.has(scriptUrl))
      return;
    let absolute;
    try {
      const map = new URL(mapUrl, scriptUrl);
      const script = new URL(scriptUrl);
      // The page names the map: read it only where the script came from
      // (or inline), never some other file or server it points at.
      if (map.protocol !== 'data:' &&
          (map.protocol !== script.protocol || map.host !== script.host))
        return;
      absolute = map.href;
    } catch (error) {
      return;
    }
    this.byScript.set(scriptUrl, readUrl(absolute)
        .then((text) => new SourceMapConsumer(JSON.parse(text), absolute))
        .catch((error) => {
          say(`debug: no source map for ${shortName(scriptUrl)}: ${error.message}`);
          return null;
        }));
  }
  forget() {
    for (const map of this.byScript.values())
      map.then((consumer) => consumer && consumer.destroy());
    this.byScript.clear();
  }
  // "source:line:column (script:line:column)" where the script has a map,
  // else "script:line:column"; |line| and |column| count from 1.
  async place(url, line, column) {
    if (!url)
      return '';
    const own = `${shortName(url)}:${line}${column ? `:${column}` : ''}`;
    const consumer = this.byScript.has(url) ? await this.byScript.get(url) : null;
    if (!consumer || !line)
      return own;
    const original = consumer.originalPositionFor({
      line, column: Math.max(0, (column || 1) - 1),
      bias: SourceMapConsumer.LEAST_UPPER_BOUND });
    if (!original.source)
      return own;
    const at = column ? `:${original.column + 1}` : '';
    return `${shortName(original.source)}:${original.line}${at} (${own})`;
  }
}

function shortName(url) {
  try {
    const parsed = new URL(url);
    return parsed.protocol === 'file:' ? path.basename(parsed.pathname) :
        `${parsed.host}${parsed.pathname}`;
  } catch (error) {
    return url;
  }
}

// Output in arrival order, though placing a line may wait for a source map.
let printing = Promise.resolve();
function say(text) {
  printing = printing.then(() => console.log(text));
}
function sayLater(makeText) {
  const text = Promise.resolve().then(makeText).catch((error) => `debug: ${error.message}`);
  printing = printing.then(() => text).then((line) => console.log(line));
}

// A protocol value as a page author would read it in a console.
function describe(value) {
  if (!value)
    return 'undefined';
  if (value.type === 'string')
    return value.value;
  if (value.type === 'undefined')
    return 'undefined';
  if ('value' in value)
    return JSON.stringify(value.value);
  if (value.unserializableValue)
    return value.unserializableValue;
  return value.description || value.type;
}

async function printConsoleMessage(maps, message) {
  const text = message.parameters && message.parameters.length ?
      message.parameters.map(describe).join(' ') : message.text;
  const frames = (message.stackTrace || []).slice(0, 8);
  sayLater(async () => {
    const where = await maps.place(message.url, message.line, message.column);
    let line = `[${message.level}]${where ? ` ${where}` : ''} ${text}`;
    if (message.source === 'javascript' || message.level === 'error') {
      for (const frame of frames) {
        // The Console domain's call frames count from 1.
        const at = await maps.place(frame.url, frame.lineNumber, frame.columnNumber);
        line += `\n    at ${frame.functionName || '(anonymous)'} ${at}`;
      }
    }
    return line;
  });
}

// Pretty text of what an evaluation gave: JSON for plain data, the engine's
// description for the rest.
async function evaluate(session, expression) {
  const reply = await session.send('Runtime.evaluate', {
    expression, objectGroup: 'debug', includeCommandLineAPI: true });
  if (reply.error)
    return `! ${reply.error.message}`;
  const { result, wasThrown, exceptionDetails } = reply.result;
  // The message, not the engine's own frames of the evaluation.
  if (wasThrown || exceptionDetails)
    return `! ${(result.description || describe(result)).split('\n')[0]}`;
  if (result.type === 'string')
    return JSON.stringify(result.value);
  if (result.type === 'object' && result.objectId && result.subtype !== 'node' &&
      result.subtype !== 'null') {
    const json = await session.send('Runtime.callFunctionOn', {
      objectId: result.objectId, returnByValue: true,
      functionDeclaration: 'function() { try { return JSON.stringify(this); } ' +
                           'catch (e) { return undefined; } }' });
    const text = json.result && json.result.result && json.result.result.value;
    if (typeof text === 'string' && text.length < 4000)
      return text;
  }
  return describe(result);
}

// Files whose change reloads the page: not tsc's output of a .ts beside it,
// nor editors' leftovers.
function watchedChange(folder, name) {
  if (!name || name.startsWith('.') || name.endsWith('~') || name === 'node_modules' ||
      /\.(swp|tmp)$/.test(name))
    return false;
  const output = /^(.*)\.js(\.map)?$/.exec(name);
  return !(output && fs.existsSync(path.join(folder, `${output[1]}.ts`)));
}

function isTypeScriptFolder(folder) {
  return fs.existsSync(path.join(folder, 'tsconfig.json')) &&
      fs.readdirSync(folder).some((name) => /\.ts$/.test(name) && !/\.d\.ts$/.test(name));
}

function build(folder) {
  const tsc = require.resolve('typescript/bin/tsc');
  const result = spawnSync(process.execPath, [tsc, '-p', folder, '--pretty', 'false'],
                           { encoding: 'utf8' });
  return { ok: result.status === 0, output: `${result.stdout}${result.stderr}`.trim() };
}

function watchFolder(folder, onChange) {
  let pending = null;
  const changed = new Set();
  const watcher = fs.watch(folder, (event, name) => {
    if (!watchedChange(folder, name && name.toString()))
      return;
    changed.add(name.toString());
    // An editor's save is often several writes: one reload for them all.
    clearTimeout(pending);
    pending = setTimeout(() => {
      // A file that is gone again was an editor's or a tool's temporary one.
      const names = [...changed].filter((changedName) =>
          fs.existsSync(path.join(folder, changedName)));
      changed.clear();
      if (names.length)
        onChange(names);
    }, 150);
  });
  return watcher;
}

async function findPage(options) {
  const base = `http://${options.host}:${options.port}`;
  let targets;
  try {
    targets = await getJson(`${base}/json`);
  } catch (error) {
    throw new Error(`no host with DevTools at ${base} (${error.message}): start it ` +
                    `with --remote-debugging-port=${options.port}`);
  }
  const pages = targets.filter((target) => target.type === 'page' &&
                                           target.url.includes(options.page));
  if (!pages.length)
    throw new Error(`no page${options.page ? ` with "${options.page}" in its URL` : ''} ` +
                    `at ${base}: ${targets.map((target) => target.url).join(', ') || 'none'}`);
  return pages[0];
}

// The page, asked for until it is there when --wait gives the host time to
// start.
async function choosePage(options) {
  const deadline = Date.now() + options.waitSeconds * 1000;
  for (;;) {
    try {
      return await findPage(options);
    } catch (error) {
      if (Date.now() >= deadline)
        throw error;
      await new Promise((resolve) => setTimeout(resolve, 250));
    }
  }
}

// True for the engine's protocol, 1.1, whose console is the Console domain.
async function isEngineProtocol(options) {
  try {
    const version = await getJson(`http://${options.host}:${options.port}/json/version`);
    return !version['Protocol-Version'] || version['Protocol-Version'] === '1.1';
  } catch (error) {
    return true;
  }
}

// The engine's own inspector for the page, served by the host: it runs in a
// Chromium of its age (a second host showing it), not in a current one.
function printInspector(options, page) {
  const base = `http://${options.host}:${options.port}`;
  const front = page.devtoolsFrontendUrl || '';
  console.log(front.startsWith('http') ? front : `${base}${front}`);
}

async function main() {
  const options = parseArguments(process.argv.slice(2));
  const page = await choosePage(options);
  if (options.inspector) {
    printInspector(options, page);
    return;
  }
  if (!page.webSocketDebuggerUrl)
    throw new Error(`${page.url} has a client already (an open inspector?): close it first`);
  const socket = new WebSocket(page.webSocketDebuggerUrl, { perMessageDeflate: false });
  await new Promise((resolve, reject) => {
    socket.once('open', resolve);
    socket.once('error', reject);
  });
  const session = new Session(socket);
  const maps = new SourceMaps();
  let quitting = false;

  const scriptUrls = new Map();
  session.on('Debugger.scriptParsed', (script) => {
    scriptUrls.set(script.scriptId, script.url);
    maps.add(script.url, script.sourceMapURL);
  });
  // The loop never stops the page: a `debugger;` statement or an exception
  // pause is reported and resumed.
  session.on('Debugger.paused', (pause) => {
    const location = pause.callFrames && pause.callFrames[0] &&
        pause.callFrames[0].location;
    // The Debugger domain's locations count from 0.
    sayLater(async () => `[paused] ${location ? await maps.place(
        scriptUrls.get(location.scriptId), location.lineNumber + 1,
        (location.columnNumber || 0) + 1) : ''} (${pause.reason}): resumed`);
    session.send('Debugger.resume');
  });
  // The engine's protocol (1.1) reports console calls and uncaught errors in
  // the Console domain, with places counted from 1; later ones (a current
  // Chromium, where the emulation runs) in the Runtime domain, counted from
  // 0, and the Console domain only repeats them.
  session.on('Console.messageAdded', ({ message }) => printConsoleMessage(maps, message));
  session.on('Console.messageRepeatCountUpdated', ({ count }) => say(`  (repeated ${count} times)`));
  const fromZero = (frames) => (frames || []).map((frame) => ({
    ...frame, lineNumber: frame.lineNumber + 1, columnNumber: frame.columnNumber + 1 }));
  session.on('Runtime.consoleAPICalled', (call) => {
    const frames = fromZero(call.stackTrace && call.stackTrace.callFrames);
    printConsoleMessage(maps, {
      level: call.type, parameters: call.args, source: 'console-api',
      url: frames[0] && frames[0].url, line: frames[0] && frames[0].lineNumber,
      column: frames[0] && frames[0].columnNumber });
  });
  session.on('Runtime.exceptionThrown', ({ exceptionDetails: details }) => {
    const description = details.exception && details.exception.description;
    printConsoleMessage(maps, {
      level: 'error', source: 'javascript',
      text: description ? `Uncaught ${description.split('\n')[0]}` : details.text,
      url: details.url, line: details.lineNumber + 1, column: details.columnNumber + 1,
      stackTrace: fromZero(details.stackTrace && details.stackTrace.callFrames) });
  });
  session.on('Page.loadEventFired', () => say('--- page loaded ---'));
  socket.on('close', () => {
    if (!quitting) {
      say('debug: the host closed the connection (the page or the host ended)');
      printing.then(() => process.exit(0));
    }
  });

  // The scripts first, so that the messages sent again on enabling find
  // their source maps.
  await session.send('Page.enable');
  await session.send('Debugger.enable');
  await session.send('Debugger.setPauseOnExceptions', { state: 'none' });
  await session.send('Debugger.setSkipAllPauses', { skipped: true });
  say(`debug: attached to ${page.title || '(untitled)'} ${page.url}`);
  await session.send('Runtime.enable');
  if (await isEngineProtocol(options))
    await session.send('Console.enable');

  const reload = async (why) => {
    maps.forget();
    say(`--- reloading (${why}) ---`);
    await session.send('Page.reload', { ignoreCache: true });
  };

  const folder = options.watch ? path.resolve(options.watch) :
      (localPath(page.url) ? path.dirname(localPath(page.url)) : '');
  let watcher = null;
  if (options.reload && folder && fs.existsSync(folder)) {
    const typescript = isTypeScriptFolder(folder);
    watcher = watchFolder(folder, async (names) => {
      if (typescript && names.some((name) => /\.ts$/.test(name))) {
        const built = build(folder);
        if (!built.ok) {
          say(`--- tsc -p ${folder} failed: not reloaded ---\n${built.output}`);
          return;
        }
        say(`--- tsc -p ${folder}: built ---`);
      }
      await reload(`${names.join(', ')} changed`);
    });
    say(`debug: watching ${folder}${typescript ? ' (a TypeScript page: tsc first)' : ''}`);
  } else if (options.reload) {
    say('debug: not watching: the page is not a file, and no --watch FOLDER');
  }

  for (const expression of options.evaluations)
    say(`> ${expression}\n${await evaluate(session, expression)}`);

  // Typed lines are evaluated; .quit, or the end of typed input, detaches and
  // leaves the page running. Input that is not typed (a pipe) may end without
  // ending the loop: then the console streams until the host ends.
  const input = readline.createInterface({ input: process.stdin, terminal: false });
  if (process.stdin.isTTY)
    say('debug: type an expression to evaluate it in the page; .reload, .quit');
  let quit = false;
  for await (const line of input) {
    const expression = line.trim();
    if (expression === '.quit') {
      quit = true;
      break;
    }
    if (expression === '.reload')
      await reload('asked');
    else if (expression)
      say(`> ${expression}\n${await evaluate(session, expression)}`);
  }
  if (quit || process.stdin.isTTY) {
    quitting = true;
    if (watcher)
      watcher.close();
    input.close();
    await printing;
    socket.close();
  }
}

main().catch((error) => {
  console.error(`debug: ${error.message}`);
  process.exit(1);
});
