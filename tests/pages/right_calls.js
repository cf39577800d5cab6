// Calls the page guide describes as right, each of which the types must take
// under --strict: arguments it says are ignored, any query request, the
// lists 1 and 2 read straight into JSON.parse, and window.KXHelper tested.
/** @type {KXOption[]} */
var savedOptions = JSON.parse(KXHelper.GetUserOptions('ignored'));
var voiceCount = KXHelper.GetFilteredNum(1, 2);
/** @type {boolean} */
var optionsSent = KXHelper.SetUserOptions(JSON.stringify(savedOptions));
/** @type {string[]} */
var normalVoices = JSON.parse(KXHelper.GetFilteredVoices(1));
/** @type {string[]} */
var hornVoices = JSON.parse(KXHelper.GetFilteredVoices(2));
var someList = KXHelper.GetFilteredVoices(voiceCount);
if (someList !== undefined)
  normalVoices = JSON.parse(someList);
if (window.KXHelper)
  voiceCount = window.KXHelper.GetFilteredNum();
window.cefQuery({request: 'Reload', onFailure: function(code, message) {
  voiceCount = code;
}});
var queryId = window.cefQuery({request: 'OnLoad', onSuccess: function(answer) {
  hornVoices = [answer];
}});
window.cefQueryCancel(queryId);
