// The demo page's script. Options and voice texts reach the page later, each
// change announced by a "kxhelperchange" event: the page never polls. It
// waits through kxhelper-ready.js's promises and redraws on each event. It
// leaves window.onload alone (it would use addEventListener('load', ...)):
// the browser's own load handler there starts the voice-text sync.
//
// Plain ES5, and the drawing only where there is a document to draw in: the
// suite's stand-in runs this page without one.
/** @type {KXOption[]} */
var wanted = [{uic_type: 3, filter_id: 12, is_filter: true},
              {uic_type: 1, filter_id: 7, is_filter: false}];
var canDraw = typeof document.getElementById === 'function';
var shownVoices = 8, shownEvents = 6;
/** @type {string[]} */
var eventLog = [];
var optionPushes = 0;

/**
 * @param {string} id
 * @returns {HTMLElement} the page's own element, always there
 */
function element(id) {
  return /** @type {HTMLElement} */ (document.getElementById(id));
}

/** @param {string} id @param {string|number} text */
function setText(id, text) {
  if (canDraw)
    element(id).textContent = String(text);
}

/**
 * @param {HTMLTableRowElement} row
 * @param {string|number|undefined} text
 * @param {string=} className
 * @returns {HTMLTableCellElement}
 */
function cell(row, text, className) {
  var td = document.createElement('td');
  td.textContent = String(text);
  if (className)
    td.className = className;
  row.appendChild(td);
  return td;
}

// The two filter types are the low bits of uic_type; other bits travel along.
/** @param {number} uicType */
function typeNames(uicType) {
  var names = [];
  if (uicType & 1)
    names.push('type 1');
  if (uicType & 2)
    names.push('type 2');
  return names.length ? names.join(' + ') : 'none';
}

/**
 * @param {string|undefined} text JSON text of an array
 * @returns {Array<*>} the array, or none when the text holds none
 */
function parseList(text) {
  try {
    var value = JSON.parse(text || '[]');
    return value instanceof Array ? value : [];
  } catch (e) {
    return [];
  }
}

function drawFilters() {
  var text = KXHelper.GetUserOptions();
  setText('pushed', text === '' ? '(nothing yet)' : text);
  drawFilterTable('filters', text);
}

/** @param {string} id @param {string} text the options' JSON text */
function drawFilterTable(id, text) {
  if (!canDraw)
    return;
  var body = element(id), options = parseList(text);
  while (body.firstChild)
    body.removeChild(body.firstChild);
  if (!options.length) {
    var empty = document.createElement('tr');
    cell(empty, text === '' ? 'no options yet' : 'no filters', 'muted')
        .colSpan = 5;
    body.appendChild(empty);
  }
  for (var i = 0; i < options.length; ++i) {
    var option = options[i] || {}, row = document.createElement('tr');
    cell(row, i + 1, 'num');
    cell(row, option.filter_id, 'num');
    cell(row, option.uic_type, 'num');
    cell(row, typeNames(option.uic_type));
    cell(row, option.is_filter ? 'on' : 'off', option.is_filter ? 'on' : 'off');
    body.appendChild(row);
  }
}

/** @param {string} id @param {KXVoiceList} list */
function drawVoiceList(id, list) {
  var texts = parseList(KXHelper.GetFilteredVoices(list));
  setText(id + '-count', texts.length);
  if (!canDraw)
    return;
  var ol = /** @type {HTMLOListElement} */ (element(id));
  var first = Math.max(0, texts.length - shownVoices);
  while (ol.firstChild)
    ol.removeChild(ol.firstChild);
  ol.start = first + 1;
  if (!texts.length) {
    var none = document.createElement('li');
    none.textContent = 'none yet';
    none.className = 'muted';
    ol.appendChild(none);
  }
  for (var i = first; i < texts.length; ++i) {
    var li = document.createElement('li');
    li.textContent = texts[i];
    ol.appendChild(li);
  }
}

function drawVoices() {
  setText('count', KXHelper.GetFilteredNum());
  drawVoiceList('normal', 1);
  drawVoiceList('horn', 2);
}

/** @param {KXHelperChange} detail */
function describe(detail) {
  if (detail.change === 'options')
    return 'options #' + optionPushes;
  if (detail.change === 'voice')
    return 'voice (list ' + detail.list + ', count ' + detail.count + ')';
  return detail.change + ' (count ' + detail.count + ')';
}

/** @param {KXHelperChange} detail */
function logEvent(detail) {
  eventLog.push(describe(detail));
  var shown = eventLog.slice(-shownEvents).join(' \u2192 ');
  setText('events', (eventLog.length > shownEvents ? '\u2026 ' : '') + shown);
}

drawFilters();
drawVoices();
setText('sent', JSON.stringify(wanted));
console.log('options before: "' + KXHelper.GetUserOptions() + '"');
// The user's saved filters, which the host seeded, are in place once the
// sync is done (a render process asks for them first): show them before the
// page changes anything.
var optionsBack = KXHelperReady().then(function() {
  drawFilterTable('saved-filters', KXHelper.GetUserOptions());
  var back = KXHelperSetOptions(wanted);
  // Nothing a page does changes its own copy at once.
  console.log('options right after: "' + KXHelper.GetUserOptions() + '"');
  return back;
}).then(
    /** @param {KXOption[]} options */
    function(options) {
      console.log('SetUserOptions returned true');
      setText('sent-result', 'came back with ' + options.length + ' filters');
    },
    /** @param {Error} error */
    function(error) {
      console.log(error.message);
      setText('sent-result', error.message);
    });

addEventListener('kxhelperchange', function(event) {
  // "options": the browser saved them; "synced": every voice text the host
  // had given is here; "voice": one more arrived.
  var detail = event.detail;
  if (detail.change === 'options') {
    ++optionPushes;
    drawFilters();
  } else {
    drawVoices();
  }
  logEvent(detail);
});

// The page reports once both have happened, whichever came first.
Promise.all([optionsBack, KXHelperReady()]).then(function() {
  setText('status', 'Options came back and every voice text has arrived.');
  report();
});

function report() {
  console.log('options now: ' + KXHelper.GetUserOptions());
  console.log('normal voices: ' + KXHelper.GetFilteredVoices(1));
  console.log('horn voices: ' + KXHelper.GetFilteredVoices(2));
  console.log('voice count: ' + KXHelper.GetFilteredNum());
  var loose = /** @type {any} */ (KXHelper);
  console.log('bad calls: ' + loose.GetFilteredVoices('1') + ' ' +
              KXHelper.GetFilteredVoices(1.5) + ' ' +
              KXHelper.SetUserOptions('not json'));
  window.close();
}
