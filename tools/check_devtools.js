// A DevTools client against a running kxhost (tools/check_devtools.sh starts
// it): the page list, an evaluation of KXHelper in the page, and the console
// output of the page, through the framework's own remote debugging protocol.
// Usage: node tools/check_devtools.js PORT PAGE_URL VOICE_COUNT
'use strict';
const http = require('http');
const path = require('path');
const WebSocket = require(path.join(__dirname, 'node', 'node_modules', 'ws'));

const [port, pageUrl, voiceCount] = process.argv.slice(2);
const kPatienceMs = 60000;
let failures = 0;

function check(name, ok, detail) {
  console.log(`${ok ? 'ok' : 'FAIL'} ${name}${ok ? '' : ': ' + detail}`);
  if (!ok)
    ++failures;
}

function getJson(url) {
  return new Promise((resolve, reject) => {
    http.get(url, (response) => {
      let body = '';
      response.on('data', (chunk) => body += chunk);
      response.on('end', () => {
        try {
          resolve(JSON.parse(body));
        } catch (error) {
          reject(error);
        }
      });
    }).on('error', reject);
  });
}

const sleep = (ms) => new Promise((resolve) => setTimeout(resolve, ms));

// The host takes a while to start under Wine: ask until it answers.
async function pageList() {
  const deadline = Date.now() + kPatienceMs;
  for (;;) {
    try {
      return await getJson(`http://127.0.0.1:${port}/json`);
    } catch (error) {
      if (Date.now() > deadline)
        throw new Error(`no DevTools on port ${port}: ${error.message}`);
      await sleep(250);
    }
  }
}

class Session {
  constructor(url) {
    this.socket = new WebSocket(url);
    this.nextId = 1;
    this.pending = new Map();
    this.events = [];
    this.listeners = [];
    this.socket.on('message', (data) => this.onMessage(JSON.parse(data)));
  }
  open() {
    return new Promise((resolve, reject) => {
      this.socket.once('open', resolve);
      this.socket.once('error', reject);
    });
  }
  onMessage(message) {
    if (message.id && this.pending.has(message.id)) {
      this.pending.get(message.id)(message);
      this.pending.delete(message.id);
      return;
    }
    this.events.push(message);
    this.listeners.forEach((listener) => listener(message));
  }
  send(method, params = {}) {
    const id = this.nextId++;
    return new Promise((resolve) => {
      this.pending.set(id, resolve);
      this.socket.send(JSON.stringify({id, method, params}));
    });
  }
  // Resolves with the first event, past or future, that |match| accepts.
  waitFor(match) {
    const seen = this.events.find(match);
    if (seen)
      return Promise.resolve(seen);
    return new Promise((resolve) => {
      this.listeners.push((message) => match(message) && resolve(message));
    });
  }
  async evaluate(expression) {
    const reply = await this.send('Runtime.evaluate', {expression,
                                                       returnByValue: true});
    return reply.result && reply.result.result && reply.result.result.value;
  }
}

// The local addresses (hex, as /proc/net shows them) of every socket that
// listens on |port|: the host runs under Wine, so its sockets are Linux's.
function listeningAddresses(port) {
  const fs = require('fs');
  const addresses = [];
  for (const table of ['/proc/net/tcp', '/proc/net/tcp6']) {
    let lines = [];
    try {
      lines = fs.readFileSync(table, 'utf8').trim().split('\n').slice(1);
    } catch (error) {
      continue;
    }
    for (const line of lines) {
      const [, local, , state] = line.trim().split(/\s+/);
      const [address, hexPort] = local.split(':');
      if (state === '0A' && parseInt(hexPort, 16) === port)
        addresses.push(address);
    }
  }
  return addresses;
}

async function main() {
  const pages = await pageList();
  const page = pages.find((target) => target.type === 'page' &&
                                      target.url === pageUrl);
  check('/json lists the main page with its URL', !!page,
        JSON.stringify(pages));
  if (!page)
    return;
  const session = new Session(page.webSocketDebuggerUrl);
  await session.open();
  await session.send('Runtime.enable');
  await session.send('Console.enable');

  // The voice texts reach the page after its load: ask until all are there.
  let count;
  const deadline = Date.now() + kPatienceMs;
  while ((count = await session.evaluate('KXHelper.GetFilteredNum()')) !=
             Number(voiceCount) && Date.now() < deadline)
    await sleep(200);
  check('Runtime.evaluate of KXHelper.GetFilteredNum()',
        count === Number(voiceCount), `got ${count}, want ${voiceCount}`);
  check('Runtime.evaluate of KXHelper.GetFilteredVoices(2)',
        (await session.evaluate('KXHelper.GetFilteredVoices(2)')) === '["h1"]',
        'wrong horn voices');

  // Chromium 45 reports a page's console calls as Console.messageAdded
  // (text: the first argument; parameters: all); later versions as
  // Runtime.consoleAPICalled. Either will do.
  const fromDevTools = (event) =>
      (event.method === 'Console.messageAdded' &&
       event.params.message.text === 'from devtools' &&
       event.params.message.parameters[1].value === 2) ||
      (event.method === 'Runtime.consoleAPICalled' &&
       event.params.args[0].value === 'from devtools');
  const logged = session.waitFor(fromDevTools);
  await session.evaluate("console.log('from devtools', 1 + 1)");
  check('a console.log of the page reaches the client',
        !!(await Promise.race([logged, sleep(kPatienceMs)])),
        JSON.stringify(session.events.slice(-3)));

  const listening = listeningAddresses(Number(port));
  check('DevTools listen on the loopback address only',
        listening.length > 0 &&
            listening.every((address) => address === '0100007F' ||
                                         address === '0'.repeat(31) + '1'),
        `listening on ${JSON.stringify(listening)}`);

  // Done: the page closes itself and the host ends.
  await session.evaluate('window.close()');
  session.socket.close();
}

main().then(() => process.exit(failures ? 1 : 0), (error) => {
  console.log(`FAIL ${error.message}`);
  process.exit(1);
});
