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
    // script each time. Only strings are kept (a frame refused KXHelper gets
    // undefined), and nothing once the count stops at its ceiling.
    "(function() {    var seenCount = [-1, -1, -1];"
    "    var seenText = ['', '', ''];"
    "    KXHelper.GetFilteredVoices = function(int) {        "
    "native function GetFilteredVoices(int);"
    "        native function GetFilteredNum();"
    "        if (int !== 1 && int !== 2) return GetFilteredVoices(int);"
    "        var count = GetFilteredNum();"
    "        if (count === seenCount[int]) return seenText[int];"
    "        var text = GetFilteredVoices(int);"
    "        if (typeof text === 'string' && typeof count === 'number' &&"
    "            count < 2147483647) {"
    "            seenCount[int] = count;"
    "            seenText[int] = text;"
    "        }"
    "        return text;"
    "    };})();";
