// The engine's own inspector, visible: shown by a second kxhost (a Chromium
// of the engine's age, which can still run it) at the address
// `debug.js --inspector` gives for the first host's page
// (tools/check_page_inspector.sh starts both hosts). Checked through the
// second host's DevTools: the inspector's front-end has started, is
// connected to the page and has its console message; the page refuses a
// second client meanwhile; closing the inspector frees it again.
// Usage: node tools/check_page_inspector.js PAGE_PORT INSPECTOR_PORT
'use strict';
const { DebugRun, check, runChecks, sleep, kPatienceMs } = require('./page_debug_run');

const [pagePort, inspectorPort] = process.argv.slice(2);

async function main() {
  const inspector = new DebugRun(['--port', inspectorPort, '--wait', '60',
                                  '--page', '/devtools/inspector.html', '--no-reload']);
  const attached = await inspector.waitFor(/^debug: attached to .*inspector\.html\?ws=/);
  check('the second host shows the inspector', !!attached, inspector.lines.join(' / '));
  if (!attached)
    return;
  // The front-end starts after its page loads, and has the page's messages
  // once its connection is up.
  const messages = 'WebInspector.multitargetConsoleModel.messages().map(' +
                   'function(m) { return m.messageText; }).join("|")';
  let seen = '';
  const deadline = Date.now() + kPatienceMs;
  while (!seen.includes('waiting for DevTools') && Date.now() < deadline) {
    seen = (await inspector.evaluate(messages)) || '';
    await sleep(250);
  }
  check('its front-end has started',
        (await inspector.evaluate('typeof WebInspector.ConsoleModel')) === '"function"',
        'no WebInspector.ConsoleModel');
  check("the inspector has the page's console message", seen.includes('waiting for DevTools'),
        `its messages: ${seen}`);

  const refused = new DebugRun(['--port', pagePort, '--no-reload']);
  check('the page refuses a second client while the inspector has it',
        (await refused.exitCode()) === 1 &&
            refused.lines.some((line) => /has a client already/.test(line)),
        refused.lines.join(' / '));

  inspector.child.stdin.write('setTimeout(function() { window.close(); }, 0)\n');
  check('the inspector closes', !!(await inspector.waitFor(/^debug: the host closed/)),
        inspector.lines.slice(-3).join(' / '));

  const page = new DebugRun(['--port', pagePort, '--wait', '30', '--no-reload']);
  const free = await page.waitFor(/^debug: attached to /);
  check('the page takes a client again', !!free, page.lines.join(' / '));
  page.child.stdin.write('setTimeout(function() { window.close(); }, 0)\n');
  await page.waitFor(/^debug: the host closed/);
  for (const run of [inspector, refused, page])
    run.end();
}

runChecks(main);
