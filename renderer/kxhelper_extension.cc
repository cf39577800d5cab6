#include "renderer/kxhelper_extension.h"

const char kKXHelperExtensionName[] = "v8/KXHelper";

// One line of script; each native declaration binds to
// ClientV8ExtensionHandler::Execute under the function's name.
const char kKXHelperExtensionCode[] =
    "var KXHelper;if (!KXHelper)    KXHelper = {};"
    "(function() {    KXHelper.GetFilteredNum = function() {        native "
    "function GetFilteredNum();"
    "        return GetFilteredNum();"
    "    };})();"
    "(function() {    KXHelper.SetUserOptions = function(obj) {        native "
    "function SetUserOptions(obj);"
    "        return SetUserOptions(obj);"
    "    };})();"
    // Whether every voice text the host had given has arrived in this render
    // process: a later page learns it here, since the "synced" event comes
    // once per process.
    "(function() {    KXHelper.IsSynced = function() {        native "
    "function IsSynced();"
    "        return IsSynced();"
    "    };})();"
    // What a page reads again and again, the option text and the two voice
    // lists, changes only when the browser pushes a change, and the render
    // side then tells the page's script at once, through the function it
    // took from TakeCacheHook before any page script ran: 0 for the options,
    // or a list's number with the new text (quoted), the list's count of
    // texts ever appended and its size. In between, a read hands out the
    // text read last without asking. A list's new text is made from the one
    // held: the dropped texts cut off the front, the new ones put on the
    // end, in one copy. When the texts told do not follow on from those held
    // (the first read, or the hook missing), the list asks the cache for the
    // texts appended since (already quoted, with their lengths). Handing the
    // whole text over each time would copy it twice on the way. A frame
    // refused KXHelper gets undefined. The functions used are taken before
    // any page script runs: a page that replaces them later changes nothing
    // here.
    "(function() {    var told = false, options = null;"
    "    var ask = [true, true, true];"
    "    var pending = [[], [], []];"
    "    var pendingCount = [0, 0, 0];"
    "    var pendingSize = [0, 0, 0];"
    "    var lengths = [[], [], []];"
    "    var heldUpTo = [0, 0, 0];"
    "    var joined = [null, null, null];"
    "    var call = Function.prototype.call;"
    "    var slice = call.bind(Array.prototype.slice);"
    "    var push = call.bind(Array.prototype.push);"
    "    var join = call.bind(Array.prototype.join);"
    "    var split = call.bind(String.prototype.split);"
    "    var indexOf = call.bind(String.prototype.indexOf);"
    "    var substring = call.bind(String.prototype.substring);"
    "    var charCodeAt = call.bind(String.prototype.charCodeAt);"
    "    KXHelper.TakeCacheHook = function() {"
    "        if (told) return null;"
    "        told = true;"
    "        return function(what, quoted, appended, size) {"
    "            if (what === 0) { options = null; return; }"
    "            if (!ask[what] && typeof quoted === 'string' &&"
    "                appended === heldUpTo[what] + pendingCount[what] + 1) {"
    "                push(pending[what], quoted);"
    "                ++pendingCount[what];"
    "                pendingSize[what] = size;"
    // A page that stopped reading keeps no more than the list holds.
    "                if (pending[what].length > 2 * size + 2)"
    "                    pending[what] = slice(pending[what],"
    "                                          pending[what].length - size);"
    "            } else {"
    "                ask[what] = true;"
    "                pending[what] = [];"
    "                pendingCount[what] = 0;"
    "            }"
    "        };"
    "    };"
    "    KXHelper.GetUserOptions = function() {        native "
    "function GetUserOptions();"
    "        if (options !== null) return options;"
    "        var text = GetUserOptions();"
    "        if (told && typeof text === 'string') options = text;"
    "        return text;"
    "    };"
    // The list with |fresh| (their lengths; |body|, them quoted and joined)
    // appended to the texts held, |size| texts kept of |appended| ever.
    "    function remade(int, appended, size, fresh, body) {"
    "        var text = joined[int], held = lengths[int];"
    "        if (appended === heldUpTo[int] && text !== null) return text;"
    "        var older = size - fresh.length;"
    "        if (older > 0 && (held.length < older || text === null)) {"
    "            heldUpTo[int] = 0;"
    "            joined[int] = null;"
    "            ask[int] = true;"
    "            return joinedList(int);"
    "        }"
    "        if (older > 0) {"
    "            var dropped = held.length - older, start = 1;"
    "            for (var i = 0; i < dropped; ++i) start += held[i] + 1;"
    "            body = substring(text, start, text.length - 1) +"
    "                (fresh.length ? ',' + body : '');"
    "            held = slice(held, dropped);"
    "        } else {"
    "            held = [];"
    "        }"
    "        for (var j = 0; j < fresh.length; ++j) push(held, fresh[j]);"
    "        lengths[int] = held;"
    "        heldUpTo[int] = appended;"
    "        joined[int] = '[' + body + ']';"
    // One string now, not pieces that keep the text held before alive.
    "        charCodeAt(joined[int], 0);"
    "        return joined[int];"
    "    }"
    "    function joinedList(int) {"
    "        native function GetVoicesSince(int, sequence);"
    "        var fresh = [], i;"
    "        if (!ask[int]) {"
    "            var texts = pending[int], count = pendingCount[int];"
    "            if (!count) return joined[int];"
    "            pending[int] = [];"
    "            pendingCount[int] = 0;"
    "            if (texts.length > pendingSize[int])"
    "                texts = slice(texts, texts.length - pendingSize[int]);"
    "            for (i = 0; i < texts.length; ++i) push(fresh, texts[i].length);"
    "            return remade(int, heldUpTo[int] + count,"
    "                          pendingSize[int], fresh, join(texts, ','));"
    "        }"
    "        var since = GetVoicesSince(int, heldUpTo[int]);"
    "        if (typeof since !== 'string') return since;"
    "        ask[int] = !told;"
    "        pending[int] = [];"
    "        pendingCount[int] = 0;"
    "        var colon = indexOf(since, ':');"
    "        var head = split(substring(since, 0, colon), ' ');"
    "        for (i = 2; i < head.length; ++i) push(fresh, +head[i]);"
    "        return remade(int, +head[0], +head[1], fresh,"
    "                      substring(since, colon + 1));"
    "    }"
    "    KXHelper.GetFilteredVoices = function(int) {        "
    "native function GetFilteredVoices(int);"
    "        if (int !== 1 && int !== 2) return GetFilteredVoices(int);"
    "        return joinedList(int);"
    "    };})();";
