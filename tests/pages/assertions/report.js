// What both assertions pages share: the voice texts the host is given for
// them, how a check reports, and the end of a page. Each check prints
// "ok NAME" or "FAIL NAME: got X, want Y"; a page's last line counts its
// checks. The suite compares the lines with expected.txt wherever the pages
// run. Plain ES5: the stand-in runs them.

/** @type {string[]} */
var results = [];
var failed = 0;

// The host's voice texts: more normal ones than the browser keeps (201),
// and a horn text whose cut at 299 units falls inside a surrogate pair.
function givenVoices() {
  /** @type {string[]} */
  var normal = [];
  for (var i = 1; i <= 205; ++i)
    normal.push('n' + i);
  return {normal: normal,
          horn: ['h1', repeat('x', 298) + '\uD83D\uDE00' + 'tail']};
}

// What a render process holds of them once it has synced.
function heldVoices() {
  var given = givenVoices();
  return {normal: given.normal.slice(-201), horn: ['h1', repeat('x', 298)]};
}

// The options the first page leaves behind for the second.
var kLastOptions = [{uic_type: 2, filter_id: 77, is_filter: true}];

/** @param {string} text @param {number} count */
function repeat(text, count) {
  return new Array(count + 1).join(text);
}

/** @param {*} value */
function show(value) {
  return value === undefined ? 'undefined' : JSON.stringify(value);
}

/** @param {string} name @param {*} actual @param {*} expected */
function check(name, actual, expected) {
  var ok = actual === expected;
  var line = ok ? 'ok ' + name :
      'FAIL ' + name + ': got ' + show(actual) + ', want ' + show(expected);
  if (!ok)
    ++failed;
  results.push(line);
  console.log(line);
}

/** @param {number} id @param {boolean} on @param {number} types */
function entry(id, on, types) {
  return '{"filter_id":' + id + ',"is_filter":' + on + ',"uic_type":' +
      types + '}';
}

/** @returns {Promise<void>} the next "options" event */
function nextOptions() {
  return new Promise(function(resolve) {
    addEventListener('kxhelperchange', function listener(event) {
      if (event.detail.change !== 'options')
        return;
      removeEventListener('kxhelperchange', listener);
      resolve();
    });
  });
}

// Prints the page's count, then goes on to |next| or closes the window.
/** @param {string} name @param {string=} next */
function finish(name, next) {
  var summary = name + ': ' + (results.length - failed) + ' passed, ' +
      failed + ' failed';
  console.log(summary);
  if (typeof document.getElementById === 'function') {
    var pre = document.getElementById('results');
    if (pre)
      pre.textContent = results.concat(summary).join('\n');
    document.title = summary;
  }
  if (next)
    location.href = next;
  else
    window.close();
}
