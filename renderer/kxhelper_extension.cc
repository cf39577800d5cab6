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
    "(function() {    KXHelper.GetFilteredVoices = function(int) {        "
    "native function GetFilteredVoices(int);"
    "        return GetFilteredVoices(int);"
    "    };})();";
