// What the page guide's KXHelper table and change events promise the first
// page of a render process, and what kxhelper-ready.js adds, checked from
// inside the page; then on to the second page (second-page.js). Helpers and
// the voice texts given: report.js.

/** @type {string[]} */
var voiceEvents = [];

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

// An array text of exactly |length| characters.
/** @param {number} length */
function arrayText(length) {
  return '[' + repeat(' ', length - 2) + ']';
}

function checkRefusals() {
  check('five functions',
        [typeof helper.GetUserOptions, typeof helper.SetUserOptions,
         typeof helper.GetFilteredVoices, typeof helper.GetFilteredNum,
         typeof helper.IsSynced].join(),
        'function,function,function,function,function');
  check('no options before a push', helper.GetUserOptions(), '');
  check('not synced before the first load', helper.IsSynced(), false);
  check('GetUserOptions ignores arguments',
        loose.GetUserOptions(5), helper.GetUserOptions());
  check('SetUserOptions of empty text', helper.SetUserOptions(''), false);
  check('SetUserOptions of text not JSON', helper.SetUserOptions('nope'), false);
  check('SetUserOptions of an object text',
        helper.SetUserOptions('{"a":1}'), false);
  check('SetUserOptions of a number text', helper.SetUserOptions('7'), false);
  check('SetUserOptions with two trailing commas',
        helper.SetUserOptions('[{"filter_id":1},,]'), false);
  check('SetUserOptions of 65,537 characters',
        helper.SetUserOptions(arrayText(65537)), false);
  check('SetUserOptions of an array', loose.SetUserOptions([]),
        undefined);
  check('SetUserOptions of a number', loose.SetUserOptions(7),
        undefined);
  check('SetUserOptions of nothing',
        loose.SetUserOptions(), undefined);
  check('GetFilteredVoices(1.5)', helper.GetFilteredVoices(1.5), undefined);
  check('GetFilteredVoices(NaN)', helper.GetFilteredVoices(NaN), undefined);
  check('GetFilteredVoices(Infinity)',
        helper.GetFilteredVoices(Infinity), undefined);
  check('GetFilteredVoices of a string',
        loose.GetFilteredVoices('1'), undefined);
  check('GetFilteredVoices of nothing',
        loose.GetFilteredVoices(), undefined);
  check('GetFilteredVoices(0)', helper.GetFilteredVoices(0), '[]');
  check('GetFilteredVoices(3)', helper.GetFilteredVoices(3), '[]');
  check('GetFilteredVoices(-1)', helper.GetFilteredVoices(-1), '[]');
  check('GetFilteredVoices(-0)', helper.GetFilteredVoices(-0), '[]');
  check('GetFilteredVoices(2^31)',
        helper.GetFilteredVoices(Math.pow(2, 31)), '[]');
  check('GetFilteredVoices(2^32)',
        helper.GetFilteredVoices(Math.pow(2, 32)), '[]');
  check('GetFilteredVoices(2^40)',
        helper.GetFilteredVoices(Math.pow(2, 40)), '[]');
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

// Sends |text|, which SetUserOptions accepts, and resolves with the options
// that come back.
/** @param {string} text @returns {Promise<string>} */
function roundTrip(text) {
  var back = nextOptions();
  var accepted = helper.SetUserOptions(text);
  if (accepted !== true)
    return Promise.reject(new Error('SetUserOptions returned ' + accepted));
  return back.then(function() { return helper.GetUserOptions(); });
}

// How the browser reads what a page sends: the longest text it takes, the
// numbers it takes as whole ones, the elements that are not objects.
function checkTextRules() {
  return roundTrip(arrayText(65536)).then(function(options) {
    check('SetUserOptions of 65,536 characters', options, '[]');
    return roundTrip('[{"uic_type":1E0,"filter_id":1e2,"is_filter":true},' +
                     '{"uic_type":3.0,"filter_id":-2147483648},' +
                     '{"uic_type":3,"filter_id":2147483648}]');
  }).then(function(options) {
    check('numbers with a fraction or exponent, or past 32 bits, read as 0',
          options, '[' + entry(0, true, 0) + ',' +
              entry(-2147483648, false, 0) + ',' + entry(0, false, 3) + ']');
    return roundTrip('[null]');
  }).then(function(options) {
    check('a lone null is no filter', options, '[]');
    return roundTrip('[[1]]');
  }).then(function(options) {
    check('a lone array is no filter', options, '[]');
    return roundTrip('[{"filter_id":1},5,"x"]');
  }).then(function(options) {
    check('elements after the last object are dropped', options,
          '[' + entry(1, false, 0) + ']');
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
  var held = heldVoices();
  return KXHelperReady().then(function() {
    check('normal voices: the latest 201 the host gave',
          helper.GetFilteredVoices(1), JSON.stringify(held.normal));
    check('horn voices: one cut inside a surrogate pair loses the pair',
          helper.GetFilteredVoices(2), JSON.stringify(held.horn));
    check('voice count', helper.GetFilteredNum(), 203);
    check('a voice event per text',
          voiceEvents[0] + ' ' + voiceEvents[voiceEvents.length - 1] + ' ' +
              voiceEvents.length,
          '1:1 2:203 203');
    check('synced once the voices are in', helper.IsSynced(), true);
    return KXHelperReady();
  }).then(function() {
    check('ready again at once', voiceEvents.length, 203);
    return KXHelperSetOptions(kLastOptions);
  }).then(function(options) {
    check('options for the next page', JSON.stringify(options),
          '[' + entry(77, true, 2) + ']');
  });
}

checkRefusals();
checkFirstPush()
    .then(checkTextRules)
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
    .then(function() { finish('first page', 'second-page.html'); });
