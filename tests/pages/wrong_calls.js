// Calls a page author gets wrong, each of which the types must refuse: the
// line's trailing comment names the error the checker must report there.
KXHelper.SetUserOptions([1]);  // error TS2345
KXHelper.SetUserOptions({filter_id: 1});  // error TS2345
KXHelper.GetFilteredVoices('1');  // error TS2345
var count = KXHelper.GetFilteredNum();
var text = KXHelper.GetUserOptions();
/** @type {boolean} */
var sent = KXHelper.SetUserOptions(text);  // error TS2322
/** @type {string} */
var voices = KXHelper.GetFilteredVoices(1);  // error TS2322
addEventListener('kxhelperchange', function(event) {
  if (event.detail.change === 'option')  // error TS2367
    return;
  if (event.detail.change === 'voice')
    count = event.detail.list + event.detail.count;
  count = event.detail.list;  // error TS2339
});
window.cefQuery({request: 'OnLoad', onSuccess: function(answer) {}});
window.cefQuery({request: 'Reload'});  // error TS2322
KXHelperSetOptions([{uic_type: 1, filter_id: 2}]);  // error TS2741
KXHelperSetOptions([{uic_type: 1, filter_id: 2, is_filter: true}], '5');  // error TS2345
KXHelperReady().then(function(value) { count = value; });  // error TS2322
