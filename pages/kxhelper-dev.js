// KXHelper for a page author working in an ordinary browser, where the
// component is absent: the same argument rules and return values as the
// component's object (docs/pages.md), options pushed back later with
// "kxhelperchange" events, and voice texts synced after the first page's
// load, as the browser process does. A page includes it before its own
// scripts:
//   <script src="kxhelper-dev.js"></script>
// Inside the component it never starts (KXHelper or the engine's cefQuery
// is there), so the same page runs in both.
//
// One browser tab stands for one render process: its pages share the
// options, the voice texts and whether they have synced (kept in the tab's
// sessionStorage), so a reload or a page it navigates to is a later page of
// a synced render process, as in the component.
//
// Page address parameters:
//   ?voices={"normal":["a","b"],"horn":["c"]}   the voice texts the host had
//                                               given (URL-encoded JSON), or
//   ?voices=voices.json                         a JSON file of that shape;
//   &options=[{"uic_type":3,...}]               options the host had stored;
//   &kxhelper=synced    this page is a later one of a render process that
//                       has synced: options and voices are there at once,
//                       IsSynced() is true, no event comes;
//   &kxhelper=refused   the host does not allow this page's origin: no
//                       KXHelper, the component's console line, every query
//                       fails with 403;
//   &kxhelper=fresh     forget the tab's render process: a first page again.
// Not emulated: texts too big for memory.
(function(global) {
  'use strict';

  // Inside the component the engine's query function is there before any
  // page script: a page without KXHelper there is one of an origin the host
  // refuses, and the emulation must not stand in for it.
  if (global.KXHelper || typeof global.cefQuery === 'function')
    return;

  var kMaxOptions = 20;
  var kMaxOptionTextLength = 65536;
  var kMaxVoiceLength = 299;
  var kMaxVoicesPerList = 201;
  var kMaxNesting = 99;
  var kStateKey = 'kxhelper-dev';
  // The browser process's round trip, roughly: later, never at once.
  var kPushDelayMs = 20;

  /**
   * What one render process holds (options, voice texts, their count,
   * whether it has synced), shared by the pages of the tab, and what the
   * browser process stores: the options it answers a first page with.
   * @type {{options: string, voices: string[][], count: number,
   *         synced: boolean, stored: string}}
   */
  var state =
      {options: '', voices: [[], []], count: 0, synced: false, stored: ''};

  function storage() {
    try {
      return global.sessionStorage;
    } catch (error) {
      return null;  // refused to this page: it keeps its own copy
    }
  }

  // False when the tab had no render process yet.
  function loadState() {
    var store = storage();
    var saved = store && store.getItem(kStateKey);
    if (saved)
      state = JSON.parse(saved);
    return !!saved;
  }

  function saveState() {
    var store = storage();
    if (store)
      store.setItem(kStateKey, JSON.stringify(state));
  }

  /** @param {KXHelperChange} detail */
  function announce(detail) {
    global.dispatchEvent(
        new CustomEvent('kxhelperchange', {detail: detail}));
  }

  /** @param {*} value */
  function isInt32(value) {
    return typeof value === 'number' && value % 1 === 0 &&
        value >= -2147483648 && value <= 2147483647;
  }

  /** @param {*} value */
  function isObject(value) {
    return value !== null && typeof value === 'object' &&
        !(value instanceof Array);
  }

  // The end of the number written at |start| of |text|, and whether the
  // component reads it as a whole number: only one written without a
  // fraction or an exponent is (3.0 and 1e2 read as 0 there).
  /** @param {string} text @param {number} start */
  function scanNumber(text, start) {
    var end = start, plain = true;
    while (end < text.length && /[-+0-9.eE]/.test(text.charAt(end))) {
      plain = plain && /[-0-9]/.test(text.charAt(end));
      ++end;
    }
    return {end: end, plain: plain};
  }

  // JSON as the component reads it: comments skipped, one trailing comma
  // before a closing bracket allowed, at most 99 levels deep, a number with
  // a fraction or an exponent kept as no whole number (null here).
  // Undefined when the text is not such JSON.
  /** @param {string} text */
  function parseLenient(text) {
    var out = '', depth = 0;
    for (var i = 0; i < text.length; ++i) {
      var c = text.charAt(i);
      if (c === '"') {
        var end = i + 1;
        while (end < text.length && text.charAt(end) !== '"')
          end += text.charAt(end) === '\\' ? 2 : 1;
        out += text.substring(i, end + 1);
        i = end;
        continue;
      }
      if (c === '-' || (c >= '0' && c <= '9')) {
        var number = scanNumber(text, i);
        var written = text.substring(i, number.end);
        // Checked as JSON on its own, so that a broken number stays broken.
        if (!/^-?(0|[1-9][0-9]*)(\.[0-9]+)?([eE][-+]?[0-9]+)?$/.test(written))
          return undefined;
        out += number.plain ? written : 'null';
        i = number.end - 1;
        continue;
      }
      if (c === '/' && text.charAt(i + 1) === '/') {
        var newline = text.indexOf('\n', i);
        i = newline < 0 ? text.length : newline;
        continue;
      }
      if (c === '/' && text.charAt(i + 1) === '*') {
        var close = text.indexOf('*/', i + 2);
        if (close < 0)
          return undefined;
        i = close + 1;
        continue;
      }
      if (c === '[' || c === '{') {
        if (++depth > kMaxNesting)
          return undefined;
      } else if (c === ']' || c === '}') {
        --depth;
        // The one comma allowed: after a value, right before the bracket.
        var comma = out.search(/,\s*$/);
        if (comma >= 0 && !/[\[{,]\s*$/.test(out.substring(0, comma)))
          out = out.substring(0, comma);
      }
      out += c;
    }
    try {
      return JSON.parse(out);
    } catch (error) {
      return undefined;
    }
  }

  // The options the browser keeps and writes back. Only objects travel to
  // the browser, each at its place: elements after the last object are
  // gone ([null] is no filter at all), one before it empties itself and
  // every element after it. Then the first 20; a field of another type
  // reads as 0 or false; keys in alphabetical order.
  /** @param {Array<*>} list */
  function normalize(list) {
    var end = list.length;
    while (end > 0 && !isObject(list[end - 1]))
      --end;
    /** @type {KXOption[]} */
    var options = [];
    var broken = false;
    for (var i = 0; i < end && i < kMaxOptions; ++i) {
      var element = list[i];
      broken = broken || !isObject(element);
      options.push({
        filter_id:
            !broken && isInt32(element.filter_id) ? element.filter_id : 0,
        is_filter: !broken && element.is_filter === true,
        uic_type: !broken && isInt32(element.uic_type) ? element.uic_type : 0
      });
    }
    return JSON.stringify(options);
  }

  // The text SetUserOptions would send, normalized; undefined when it
  // would refuse it.
  /** @param {string} text */
  function acceptedOptions(text) {
    if (text.length > kMaxOptionTextLength)
      return undefined;
    var value = parseLenient(text);
    return value instanceof Array ? normalize(value) : undefined;
  }

  // This page has sent options: the browser's answer to its render
  // process's first page then repeats the last of them, which reaches the
  // page before the answer does.
  var sentOptions = false;

  /** @param {string} text */
  function pushOptions(text) {
    sentOptions = true;
    state.stored = text;
    saveState();
    setTimeout(function() {
      state.options = text;
      saveState();
      announce({change: 'options'});
    }, kPushDelayMs);
  }

  // The host's texts are cut at 299 units, a character that would be split
  // dropped whole.
  /** @param {string} text */
  function fitVoice(text) {
    var end = Math.min(text.length, kMaxVoiceLength);
    var last = text.charCodeAt(end - 1);
    if (end < text.length && last >= 0xD800 && last <= 0xDBFF)
      --end;
    return text.substring(0, end);
  }

  /** @param {KXVoiceList} list @param {string} text */
  function addVoice(list, text) {
    var voices = state.voices[list - 1];
    voices.push(fitVoice(String(text)));
    if (voices.length > kMaxVoicesPerList)
      voices.shift();
    ++state.count;
  }

  // What the browser resends when a render process asks: the latest 201
  // texts of each list the host had given (it keeps no more).
  /** @param {{normal?: string[], horn?: string[]}} voices */
  function heldByTheBrowser(voices) {
    return [(voices.normal || []).slice(-kMaxVoicesPerList),
            (voices.horn || []).slice(-kMaxVoicesPerList)];
  }

  // The options the host had stored, as the browser writes them; "" for
  // none.
  function seededOptions() {
    var seeded = parameter('options');
    var text = seeded === null ? '' : acceptedOptions(seeded);
    if (text !== undefined)
      return text;
    console.error('kxhelper-dev: ?options= is not a JSON array');
    return '';
  }

  // As the browser answers a render process's first page: the options it
  // stores (an event only when they differ from what the page holds), each
  // voice text with an event, then "synced".
  /** @param {{normal?: string[], horn?: string[]}} voices */
  function sync(voices) {
    if (!sentOptions && state.stored !== state.options) {
      state.options = state.stored;
      saveState();
      announce({change: 'options'});
    }
    var lists = heldByTheBrowser(voices);
    for (var list = 1; list <= 2; ++list) {
      for (var i = 0; i < lists[list - 1].length; ++i) {
        addVoice(/** @type {KXVoiceList} */ (list), lists[list - 1][i]);
        saveState();
        announce({change: 'voice', list: /** @type {KXVoiceList} */ (list),
                  count: state.count});
      }
    }
    state.synced = true;
    saveState();
    announce({change: 'synced', count: state.count});
  }

  // A later page of a render process that has synced: everything is there.
  /**
   * @param {string} options
   * @param {{normal?: string[], horn?: string[]}} voices
   */
  function syncedBefore(options, voices) {
    state = {options: options, voices: [[], []], count: 0, synced: true,
             stored: options};
    var lists = heldByTheBrowser(voices);
    for (var list = 1; list <= 2; ++list) {
      for (var i = 0; i < lists[list - 1].length; ++i)
        addVoice(/** @type {KXVoiceList} */ (list), lists[list - 1][i]);
    }
    saveState();
  }

  /** @param {string} name */
  function parameter(name) {
    var match = new RegExp('[?&]' + name + '=([^&#]*)').exec(location.search);
    return match ? decodeURIComponent(match[1].replace(/\+/g, ' ')) : null;
  }

  // The voices given with ?voices=, to |done|; a file is read at once only
  // when |now| is set.
  /**
   * @param {boolean} now
   * @param {function({normal?: string[], horn?: string[]}): void} done
   */
  function loadVoices(now, done) {
    var given = parameter('voices');
    if (given === null || given.charAt(0) === '{') {
      done(given === null ? {} : JSON.parse(given));
      return;
    }
    var request = new XMLHttpRequest();
    request.onload = function() { done(JSON.parse(request.responseText)); };
    request.onerror = function() {
      console.error('kxhelper-dev: cannot read the voices from ' + given);
      done({});
    };
    request.open('GET', given, !now);
    request.send();
  }

  /**
   * The engine's query function, answering as the browser would.
   * @param {boolean} refused
   */
  function installQuery(refused) {
    var nextQueryId = 1;
    global.cefQuery = function(query) {
      var id = nextQueryId++;
      var any = /** @type {any} */ (query);
      setTimeout(function() {
        if (refused) {
          if (any.onFailure)
            any.onFailure(403, 'Origin not allowed');
        } else if (query.request === 'Onjump') {
          console.log('kxhelper-dev: Onjump: the host would hide this window');
        } else if (query.request === 'OnLoad') {
          if (any.onSuccess)
            any.onSuccess('OnLoad OK');
        } else if (any.onFailure) {
          if (query.request === 'TestOnly')
            any.onFailure(404, 'TestOnly Error');
          else
            any.onFailure(-1, 'The query has been canceled');
        }
      }, kPushDelayMs);
      return id;
    };
    global.cefQueryCancel = function() {};
  }

  var mode = parameter('kxhelper');
  if (mode === 'refused') {
    installQuery(true);
    var origin = location.protocol === 'file:' ?
        'file://' : location.protocol + '//' + location.host;
    console.warn('KXHelper is absent: the host does not allow this page\'s ' +
                 'origin (' + origin + ')');
    return;
  }
  var store = storage();
  if (mode === 'fresh' && store)
    store.removeItem(kStateKey);
  if (mode === 'synced') {
    var options = seededOptions();
    loadVoices(true, function(voices) { syncedBefore(options, voices); });
  } else if (!loadState()) {
    // The host starts: the browser holds what it was given.
    state.stored = seededOptions();
    saveState();
  }
  if (!state.synced) {
    // The browser syncs a render process once its first page has loaded.
    global.addEventListener('load', function() {
      loadVoices(false, function(voices) {
        setTimeout(function() { sync(voices); }, kPushDelayMs);
      });
    });
  }

  /** @type {KXHelperImplementation} */
  var helper = {
    GetUserOptions: function() { return state.options; },
    SetUserOptions: function(text) {
      if (typeof text !== 'string')
        return undefined;
      var options = acceptedOptions(text);
      if (options === undefined)
        return false;
      pushOptions(options);
      return true;
    },
    GetFilteredVoices: function(list) {
      if (typeof list !== 'number' || !isFinite(list) || list % 1 !== 0)
        return undefined;
      return JSON.stringify(list === 1 || list === 2 ? state.voices[list - 1] :
                                                       []);
    },
    GetFilteredNum: function() { return state.count; },
    IsSynced: function() { return state.synced; }
  };
  /** @type {any} */ (global).KXHelper = helper;
  installQuery(false);
  console.log('kxhelper-dev: KXHelper is emulated in this browser');
})(window);
