// What the page guide's KXHelper table and change events promise a page, and
// what kxhelper-ready.js adds, checked from inside a page. Each check prints
// "ok NAME" or "FAIL NAME: got X, want Y"; the last line counts them. The
// suite compares the lines with expected.txt wherever the page runs.
// Plain ES5: the stand-in runs it.

/** @type {string[]} */
var results = [];
var failed = 0;
/** @type {string[]} */
var voiceEvents = [];

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

var helper = KXHelper;
/** @type {any} The same object, for calls of the wrong type on purpose. */
var loose = KXHelper;

/** @param {*} value @returns {any} |value|, past the type checker */
function untyped(value) {
  return value;
}

addEventListener('kxhelperchange', function(event) {
  if (event.detail.change === 'voice')
    voiceEvents.push(event.detail.list + ':' + event.detail.count);
});

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

/** @param {number} id @param {boolean} on @param {number} types */
function entry(id, on, types) {
  return '{"filter_id":' + id + ',"is_filter":' + on + ',"uic_type":' +
      types + '}';
}

function checkRefusals() {
  check('four functions',
        [typeof helper.GetUserOptions, typeof helper.SetUserOptions,
         typeof helper.GetFilteredVoices, typeof helper.GetFilteredNum].join(),
        'function,function,function,function');
  check('no options before a push', helper.GetUserOptions(), '');
  check('GetUserOptions ignores arguments',
        loose.GetUserOptions(5), helper.GetUserOptions());
  check('SetUserOptions of empty text', helper.SetUserOptions(''), false);
  check('SetUserOptions of text not JSON', helper.SetUserOptions('nope'), false);
  check('SetUserOptions of an object text',
        helper.SetUserOptions('{"a":1}'), false);
  check('SetUserOptions of a number text', helper.SetUserOptions('7'), false);
  check('SetUserOptions with two trailing commas',
        helper.SetUserOptions('[{"filter_id":1},,]'), false);
  check('SetUserOptions of an array', loose.SetUserOptions([]),
        undefined);
  check('SetUserOptions of a number', loose.SetUserOptions(7),
        undefined);
  check('SetUserOptions of nothing',
        loose.SetUserOptions(), undefined);
  check('GetFilteredVoices(1.5)', helper.GetFilteredVoices(1.5), undefined);
  check('GetFilteredVoices of a string',
        loose.GetFilteredVoices('1'), undefined);
  check('GetFilteredVoices of nothing',
        loose.GetFilteredVoices(), undefined);
  check('GetFilteredVoices(0)', helper.GetFilteredVoices(0), '[]');
  check('GetFilteredVoices(3)', helper.GetFilteredVoices(3), '[]');
  check('GetFilteredVoices(-1)', helper.GetFilteredVoices(-1), '[]');
  check('GetFilteredNum is a number', typeof helper.GetFilteredNum(), 'number');
  check('GetFilteredNum ignores arguments',
        loose.GetFilteredNum('x'), helper.GetFilteredNum());
}

// One trailing comma is allowed; nothing changes until the push.
function checkFirstPush() {
  var back = nextOptions();
  check('SetUserOptions with a trailing comma',
        helper.SetUserOptions('[{"uic_type":1,"filter_id":1,"is_filter":true},]'),
        true);
  check('options unchanged until the push', helper.GetUserOptions(), '');
  return back.then(function() {
    check('options as the browser writes them', helper.GetUserOptions(),
          '[' + entry(1, true, 1) + ']');
  });
}

function checkFieldRules() {
  return KXHelperSetOptions(untyped([
    {uic_type: 7, filter_id: 5, is_filter: 1},
    {uic_type: '3', filter_id: '9', is_filter: true}, {}
  ])).then(function(options) {
    check('fields of another type read as 0 or false', JSON.stringify(options),
          '[' + entry(5, false, 7) + ',' + entry(0, true, 0) + ',' +
              entry(0, false, 0) + ']');
    check('KXHelperSetOptions resolves with what GetUserOptions holds',
          JSON.stringify(options), helper.GetUserOptions());
    return KXHelperSetOptions(untyped([{filter_id: 1}, 5, {filter_id: 3}]));
  }).then(function(options) {
    check('an element that is not an object empties the rest',
          JSON.stringify(options),
          '[' + entry(1, false, 0) + ',' + entry(0, false, 0) + ',' +
              entry(0, false, 0) + ']');
    /** @type {KXOption[]} */
    var many = [];
    for (var i = 0; i < 25; ++i)
      many.push({uic_type: 1, filter_id: i, is_filter: true});
    return KXHelperSetOptions(many);
  }).then(function(options) {
    check('twenty options at most', options.length, 20);
    check('the twentieth is the last kept', options[19].filter_id, 19);
  });
}

/** @param {string} name @param {*} options @param {string} message */
function checkRefused(name, options, message) {
  return KXHelperSetOptions(options).then(function() {
    check(name, 'resolved', 'rejected');
  }, function(error) {
    check(name, error.message, message);
  });
}

function checkVoices() {
  return KXHelperReady().then(function() {
    check('normal voices', helper.GetFilteredVoices(1), '["n1","n2"]');
    check('horn voices', helper.GetFilteredVoices(2), '["h1"]');
    check('voice count', helper.GetFilteredNum(), 3);
    check('a voice event per text', voiceEvents.join(), '1:1,1:2,2:3');
    return KXHelperReady();
  }).then(function() {
    check('ready again at once', voiceEvents.length, 3);
  });
}

function finish() {
  var summary = 'assertions: ' + (results.length - failed) + ' passed, ' +
      failed + ' failed';
  console.log(summary);
  if (typeof document.getElementById === 'function') {
    var pre = document.getElementById('results');
    if (pre)
      pre.textContent = results.concat(summary).join('\n');
    document.title = summary;
  }
  window.close();
}

checkRefusals();
checkFirstPush()
    .then(checkFieldRules)
    .then(function() {
      return checkRefused('KXHelperSetOptions refused as false', {},
                          'SetUserOptions returned false');
    })
    .then(function() {
      return checkRefused('KXHelperSetOptions refused as undefined',
                          undefined, 'SetUserOptions returned undefined');
    })
    .then(checkVoices)
    .then(null, function(error) {
      check('no error on the way', String(error), '');
    })
    .then(finish);
