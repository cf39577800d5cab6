#include "src/script/window_events.h"

#include "src/script/v8_context_impl.h"

namespace cef_internal {

namespace {

// Where an event keeps its state: a key page script cannot name or list.
const char kStateKey[] = DUK_HIDDEN_SYMBOL("kxEventState");
// The heap stash's slot for the trusted dispatcher the script returns.
const char kDispatcherKey[] = "windowEventDispatcher";

// Called with (window, state key, report); returns dispatchTrusted(type).
// Written for the engine's ES5 with a few ES2015 library functions.
const char kScript[] = R"JS((function (global, key, report) {
'use strict';
var define = Object.defineProperty;
var listeners = Object.create(null);
var attributeEntries = Object.create(null);

function stateOf(value) {
  if (value === null || (typeof value !== 'object' &&
                         typeof value !== 'function'))
    return undefined;
  return value[key];
}
function ownState(event) {
  var s = stateOf(event);
  if (!s) throw new TypeError('Illegal invocation');
  return s;
}
function constructError(name, text) {
  return new TypeError("Failed to construct '" + name + "': " + text);
}
function checkConstruct(self, name, Type, count) {
  if (!(self instanceof Type) || stateOf(self))
    throw constructError(name, "Please use the 'new' operator, this DOM " +
                         "object constructor cannot be called as a function.");
  if (count < 1)
    throw constructError(name, '1 argument required, but only 0 present.');
}
function readInit(init, name) {
  if (init === undefined || init === null) return {};
  if (typeof init !== 'object' && typeof init !== 'function')
    throw constructError(name,
                         "parameter 2 ('eventInitDict') is not an object.");
  return init;
}
function makeState(event, type, init) {
  var s = {type: String(type), bubbles: !!init.bubbles,
           cancelable: !!init.cancelable, target: null, currentTarget: null,
           eventPhase: 0, defaultPrevented: false, stopped: false,
           stoppedNow: false, dispatching: false, trusted: false,
           timeStamp: Date.now(), detail: null};
  define(event, key, {value: s});
  define(event, 'isTrusted', isTrustedProperty);
  return s;
}
// An own property of every event, as in the browser, with one getter for
// all: a getter per event made a closure (and its prototype) per event.
var isTrustedProperty = {get: function () { return ownState(this).trusted; },
                         enumerable: true};
function method(proto, name, fn) {
  define(proto, name, {value: fn, writable: true, configurable: true});
}
function accessor(proto, name) {
  define(proto, name, {get: function () { return ownState(this)[name]; },
                       enumerable: true, configurable: true});
}

function Event(type) {
  checkConstruct(this, 'Event', Event, arguments.length);
  makeState(this, type, readInit(arguments[1], 'Event'));
}
['type', 'target', 'currentTarget', 'eventPhase', 'bubbles', 'cancelable',
 'defaultPrevented', 'timeStamp'].forEach(function (name) {
  accessor(Event.prototype, name);
});
['NONE', 'CAPTURING_PHASE', 'AT_TARGET', 'BUBBLING_PHASE'].forEach(
    function (name, value) {
  define(Event, name, {value: value, enumerable: true});
  define(Event.prototype, name, {value: value, enumerable: true});
});
method(Event.prototype, 'preventDefault', function () {
  var s = ownState(this);
  if (s.cancelable) s.defaultPrevented = true;
});
method(Event.prototype, 'stopPropagation', function () {
  ownState(this).stopped = true;
});
method(Event.prototype, 'stopImmediatePropagation', function () {
  var s = ownState(this);
  s.stopped = s.stoppedNow = true;
});
method(Event.prototype, 'initEvent', function (type, bubbles, cancelable) {
  var s = ownState(this);
  if (s.dispatching) return;
  s.type = String(type);
  s.bubbles = !!bubbles;
  s.cancelable = !!cancelable;
  s.defaultPrevented = s.stopped = s.stoppedNow = false;
});

function CustomEvent(type) {
  checkConstruct(this, 'CustomEvent', CustomEvent, arguments.length);
  var init = readInit(arguments[1], 'CustomEvent');
  var s = makeState(this, type, init);
  if (init.detail !== undefined) s.detail = init.detail;
}
CustomEvent.prototype = Object.create(Event.prototype);
method(CustomEvent.prototype, 'constructor', CustomEvent);
Object.setPrototypeOf(CustomEvent, Event);
accessor(CustomEvent.prototype, 'detail');
method(CustomEvent.prototype, 'initCustomEvent',
       function (type, bubbles, cancelable, detail) {
  var s = ownState(this);
  if (s.dispatching) return;
  Event.prototype.initEvent.call(this, type, bubbles, cancelable);
  s.detail = detail === undefined ? null : detail;
});

function listFor(type, create) {
  var slot = '$' + type;
  if (!listeners[slot] && create) listeners[slot] = [];
  return listeners[slot];
}
function removeEntry(type, entry) {
  var list = listFor(type, false);
  var at = list ? list.indexOf(entry) : -1;
  entry.removed = true;
  if (at >= 0) list.splice(at, 1);
}
function addEventListener(type, callback, capture) {
  if (callback === null || (typeof callback !== 'object' &&
                            typeof callback !== 'function'))
    return;
  type = String(type);
  capture = !!capture;
  var list = listFor(type, true);
  for (var i = 0; i < list.length; ++i) {
    if (!list[i].attribute && list[i].callback === callback &&
        list[i].capture === capture)
      return;
  }
  list.push({callback: callback, capture: capture});
}
function removeEventListener(type, callback, capture) {
  type = String(type);
  capture = !!capture;
  var list = listFor(type, false) || [];
  for (var i = 0; i < list.length; ++i) {
    if (!list[i].attribute && list[i].callback === callback &&
        list[i].capture === capture) {
      removeEntry(type, list[i]);
      return;
    }
  }
}
function invoke(entry, event) {
  var callback = entry.callback;
  if (entry.attribute) {
    if (typeof callback !== 'function') return;
    if (callback.call(global, event) === false) event.preventDefault();
    return;
  }
  if (typeof callback === 'function') {
    callback.call(global, event);
    return;
  }
  var handleEvent = callback.handleEvent;
  if (typeof handleEvent !== 'function')
    throw new TypeError("Failed to execute 'handleEvent' on " +
                        "'EventListener': The provided callback is not " +
                        "callable.");
  handleEvent.call(callback, event);
}
function dispatch(event, trusted) {
  var s = event[key];
  s.dispatching = true;
  s.trusted = trusted;
  s.target = s.currentTarget = global;
  s.eventPhase = 2;
  var entries = (listFor(s.type, false) || []).slice();
  for (var i = 0; i < entries.length && !s.stoppedNow; ++i) {
    if (entries[i].removed) continue;
    try {
      invoke(entries[i], event);
    } catch (thrown) {
      report(thrown);
    }
  }
  s.dispatching = false;
  s.eventPhase = 0;
  s.currentTarget = null;
  s.stopped = s.stoppedNow = false;
  return !s.defaultPrevented;
}
function dispatchEvent(event) {
  var what = "Failed to execute 'dispatchEvent' on 'EventTarget': ";
  if (arguments.length < 1)
    throw new TypeError(what + '1 argument required, but only 0 present.');
  var s = stateOf(event);
  if (!s)
    throw new TypeError(what + "parameter 1 is not of type 'Event'.");
  if (s.dispatching) {
    var busy = new Error(what + 'The event is already being dispatched.');
    busy.name = 'InvalidStateError';
    throw busy;
  }
  return dispatch(event, false);
}
function handlerAttribute(type) {
  define(global, 'on' + type, {
    get: function () {
      var entry = attributeEntries[type];
      return entry ? entry.callback : null;
    },
    set: function (value) {
      if (attributeEntries[type]) {
        removeEntry(type, attributeEntries[type]);
        delete attributeEntries[type];
      }
      if (value === null || (typeof value !== 'object' &&
                             typeof value !== 'function'))
        return;
      attributeEntries[type] = {callback: value, attribute: true};
      listFor(type, true).push(attributeEntries[type]);
    },
    enumerable: true, configurable: true});
}

[['Event', Event], ['CustomEvent', CustomEvent],
 ['addEventListener', addEventListener],
 ['removeEventListener', removeEventListener],
 ['dispatchEvent', dispatchEvent]].forEach(function (pair) {
  method(global, pair[0], pair[1]);
});
handlerAttribute('load');

return function dispatchTrusted(type) {
  return dispatch(new Event(type), true);
};
}))JS";

}  // namespace

// static
void WindowEvents::Install(duk_context* ctx) {
  duk_idx_t base = duk_get_top(ctx);
  if (duk_peval_lstring(ctx, kScript, sizeof(kScript) - 1) == 0) {
    duk_push_global_object(ctx);
    duk_push_string(ctx, kStateKey);
    duk_push_c_function(ctx, Report, 1);
    if (duk_pcall(ctx, 3) == DUK_EXEC_SUCCESS && duk_is_function(ctx, -1)) {
      duk_push_heap_stash(ctx);
      duk_dup(ctx, -2);
      duk_put_prop_string(ctx, -2, kDispatcherKey);
    }
  }
  duk_set_top(ctx, base);
}

// static
void WindowEvents::DispatchTrusted(V8ContextImpl* context, const char* type) {
  if (!context->IsValid())
    return;
  V8ContextImpl::RunScope scope(context);
  duk_context* ctx = context->heap();
  duk_idx_t base = duk_get_top(ctx);
  duk_push_heap_stash(ctx);
  duk_get_prop_string(ctx, -1, kDispatcherKey);
  if (duk_is_function(ctx, -1)) {
    duk_push_global_object(ctx);
    duk_push_string(ctx, type);
    context->CallAndReport(1);
  }
  duk_set_top(ctx, base);
}

// static
duk_ret_t WindowEvents::Report(duk_context* ctx) {
  V8ContextImpl::FromDuk(ctx)->ReportThrown(0, CefString(), CefString());
  return 0;
}

}  // namespace cef_internal
