// Calls a page author gets wrong, each of which the types must refuse: the
// line's trailing comment names the error the checker must report there.
KXHelper.SetUserOptions([1]);  // error TS2345
KXHelper.SetUserOptions({filter_id: 1});  // error TS2345
KXHelper.SetUserOptions();  // error TS2554
KXHelper.GetFilteredVoices('1');  // error TS2769
var count = KXHelper.GetFilteredNum();
var text = KXHelper.GetUserOptions();
/** @type {number} */
var sent = KXHelper.SetUserOptions(text);  // error TS2322
// A list number not known to be 1 or 2 may give undefined (1.5 does).
var list = count % 2 + 1;
JSON.parse(KXHelper.GetFilteredVoices(list));  // error TS2345
JSON.parse(KXHelper.GetFilteredVoices(1.5));  // error TS2345
// window.KXHelper is absent on refused origins and in a plain browser.
count = window.KXHelper.GetFilteredNum();  // error TS18048
addEventListener('kxhelperchange', function(event) {
  if (event.detail.change === 'option')  // error TS2367
    return;
  if (event.detail.change === 'voice')
    count = event.detail.list + event.detail.count;
  count = event.detail.list;  // error TS2339
});
window.cefQuery({request: 'OnLoad', onSuccess: function(answer) {}});
window.cefQuery({request: 7});  // error TS2322
window.cefQuery('OnLoad');  // error TS2345
KXHelperSetOptions([{uic_type: 1, filter_id: 2}]);  // error TS2741
KXHelperSetOptions([{uic_type: 1, filter_id: 2, is_filter: true}], '5');  // error TS2345
KXHelperReady().then(function(value) { count = value; });  // error TS2322
