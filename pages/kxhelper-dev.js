// KXHelper for a page author working in an ordinary browser, where the
// component is absent: the same argument rules and return values as the
// component's object (docs/pages.md), options pushed back later with
// "kxhelperchange" events, and voice texts synced after the page's load, as
// the browser process does. A page loads it only when window.KXHelper is
// absent:
//   <script>if (!window.KXHelper)
//     document.write('<script src="kxhelper-dev.js"><\/script>');</script>
// Page address parameters:
//   ?voices={"normal":["a","b"],"horn":["c"]}   the voice texts (URL-encoded
//                                               JSON), or
//   ?voices=voices.json                         a JSON file of that shape;
//   &options=[{"uic_type":3,...}]               options the host had stored.
// Not emulated: a number written with a fraction ("3.0") or beyond 32 bits
// reads as 0 there but as its value here; texts too big for memory.
(function(global) {
  'use strict';

  // Inside the component the engine's query function is there before any
  // page script: a page without KXHelper there is one of an origin the host
  // refuses, and the emulation must not stand in for it.
  if (global.KXHelper || typeof global.cefQuery === 'function')
    return;

  var kMaxOptions = 20;
  var kMaxVoiceLength = 299;
  var kMaxVoicesPerList = 201;
  var kMaxNesting = 99;
  // The browser process's round trip, roughly: later, never at once.
  var kPushDelayMs = 20;

  var optionsText = '';
  /** @type {string[][]} */
  var voiceLists = [[], []];
  var voiceCount = 0;
  var synced = false;

  /** @param {*} value */
  function isInt32(value) {
    return typeof value === 'number' && value % 1 === 0 &&
        value >= -2147483648 && value <= 2147483647;
  }

  /** @param {KXHelperChange} detail */
  function announce(detail) {
    global.dispatchEvent(
        new CustomEvent('kxhelperchange', {detail: detail}));
  }

  // JSON as the component reads it: comments skipped, one trailing comma
  // before a closing bracket allowed, at most 99 levels deep. Undefined when
  // the text is not such JSON.
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

  // The options the browser keeps and writes back: the first 20 elements;
  // one that is not an object empties itself and the rest; a field of
  // another type reads as 0 or false; keys in alphabetical order.
  /** @param {Array<*>} list */
  function normalize(list) {
    /** @type {KXOption[]} */
    var options = [];
    var broken = false;
    for (var i = 0; i < list.length && i < kMaxOptions; ++i) {
      var element = list[i];
      broken = broken || element === null || typeof element !== 'object' ||
          element instanceof Array;
      options.push({
        filter_id:
            !broken && isInt32(element.filter_id) ? element.filter_id : 0,
        is_filter: !broken && element.is_filter === true,
        uic_type: !broken && isInt32(element.uic_type) ? element.uic_type : 0
      });
    }
    return JSON.stringify(options);
  }

  /** @param {string} text */
  function pushOptions(text) {
    setTimeout(function() {
      optionsText = text;
      announce({change: 'options'});
    }, kPushDelayMs);
  }

  /** @param {KXVoiceList} list @param {string} text */
  function addVoice(list, text) {
    var voices = voiceLists[list - 1];
    if (voices.length === kMaxVoicesPerList)
      voices.shift();
    voices.push(String(text).substring(0, kMaxVoiceLength));
    announce({change: 'voice', list: list, count: ++voiceCount});
  }

  /** @param {{normal?: string[], horn?: string[]}} voices */
  function syncVoices(voices) {
    var normal = voices.normal || [], horn = voices.horn || [];
    for (var i = 0; i < normal.length; ++i)
      addVoice(1, normal[i]);
    for (var j = 0; j < horn.length; ++j)
      addVoice(2, horn[j]);
    synced = true;
    announce({change: 'synced', count: voiceCount});
  }

  /** @param {string} name */
  function parameter(name) {
    var match = new RegExp('[?&]' + name + '=([^&#]*)').exec(location.search);
    return match ? decodeURIComponent(match[1].replace(/\+/g, ' ')) : null;
  }

  /** @param {function({normal?: string[], horn?: string[]}): void} done */
  function loadVoices(done) {
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
    request.open('GET', given);
    request.send();
  }

  /** @type {KXHelperObject} */
  var helper = {
    GetUserOptions: function() { return optionsText; },
    SetUserOptions: function(text) {
      if (typeof text !== 'string')
        return undefined;
      var value = parseLenient(text);
      if (!(value instanceof Array))
        return false;
      pushOptions(normalize(value));
      return true;
    },
    GetFilteredVoices: function(list) {
      if (!isInt32(list))
        return undefined;
      return JSON.stringify(list === 1 || list === 2 ? voiceLists[list - 1] :
                                                       []);
    },
    GetFilteredNum: function() { return voiceCount; },
    IsSynced: function() { return synced; }
  };
  /** @type {any} */ (global).KXHelper = helper;

  var nextQueryId = 1;
  global.cefQuery = function(query) {
    var id = nextQueryId++;
    setTimeout(function() {
      if (query.request === 'Onjump') {
        console.log('kxhelper-dev: Onjump: the host would hide this window');
        return;
      }
      var any = /** @type {any} */ (query);
      if (query.request === 'OnLoad' && any.onSuccess)
        any.onSuccess('OnLoad OK');
      else if (query.request === 'TestOnly' && any.onFailure)
        any.onFailure(404, 'TestOnly Error');
      else if (any.onFailure && query.request !== 'OnLoad' &&
               query.request !== 'TestOnly')
        any.onFailure(-1, 'The query has been canceled');
    }, kPushDelayMs);
    return id;
  };
  global.cefQueryCancel = function() {};

  var seeded = parameter('options');
  if (seeded !== null && helper.SetUserOptions(seeded) !== true)
    console.error('kxhelper-dev: ?options= is not a JSON array');
  // The browser syncs a render process's voice texts once its first page
  // has loaded.
  global.addEventListener('load', function() {
    loadVoices(function(voices) {
      setTimeout(function() { syncVoices(voices); }, kPushDelayMs);
    });
  });
  console.log('kxhelper-dev: KXHelper is emulated in this browser');
})(window);
