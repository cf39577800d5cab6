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
    "(function() {    KXHelper.GetUserOptions = function() {        native "
    "function GetUserOptions();"
    "        return GetUserOptions();"
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
    // A list only changes with a voice text, which raises the count: a read
    // with the count unchanged hands out the text read last, and the page
    // loop that reads it again and again never copies the whole list into
    // script each time. After a change, only the texts new since the last
    // read cross from the cache (already quoted), and the list's text is
    // joined here: handing the whole text over would copy it twice on the
    // way. Only strings are kept (a frame refused KXHelper gets undefined),
    // and nothing once the count stops at its ceiling. The array functions
    // are taken before any page script runs: a page that replaces them
    // later changes nothing here.
    "(function() {    var seenCount = [-1, -1, -1];"
    "    var seenText = ['', '', ''];"
    "    var held = [[], [], []];"
    "    var heldUpTo = [0, 0, 0];"
    "    var joined = [null, null, null];"
    "    var call = Function.prototype.call;"
    "    var slice = call.bind(Array.prototype.slice);"
    "    var concat = call.bind(Array.prototype.concat);"
    "    var join = call.bind(Array.prototype.join);"
    "    function joinedList(int) {"
    "        native function GetVoicesSince(int, sequence);"
    "        var since = GetVoicesSince(int, heldUpTo[int]);"
    "        if (typeof since !== 'object' || since === null) return since;"
    // A text in the other list raised the count: this one is as it was.
    "        if (since[0] === heldUpTo[int] && joined[int] !== null)"
    "            return joined[int];"
    "        var size = since[1], fresh = slice(since, 2);"
    "        var kept = held[int];"
    "        if (fresh.length < size) {"
    "            var older = size - fresh.length;"
    "            if (kept.length < older) {"
    "                since = GetVoicesSince(int, 0);"
    "                size = since[1];"
    "                fresh = slice(since, 2);"
    "            } else {"
    "                fresh = concat(slice(kept, kept.length - older), fresh);"
    "            }"
    "        }"
    "        held[int] = fresh;"
    "        heldUpTo[int] = since[0];"
    "        joined[int] = '[' + join(fresh, ',') + ']';"
    "        return joined[int];"
    "    }"
    "    KXHelper.GetFilteredVoices = function(int) {        "
    "native function GetFilteredVoices(int);"
    "        native function GetFilteredNum();"
    "        if (int !== 1 && int !== 2) return GetFilteredVoices(int);"
    "        var count = GetFilteredNum();"
    "        if (count === seenCount[int]) return seenText[int];"
    "        var text = joinedList(int);"
    "        if (typeof text === 'string' && typeof count === 'number' &&"
    "            count < 2147483647) {"
    "            seenCount[int] = count;"
    "            seenText[int] = text;"
    "        }"
    "        return text;"
    "    };})();";
