// A later page of the render process the first page synced (it navigated
// here): everything is there at once, KXHelper says it has synced, and no
// second sync comes. In an ordinary browser the same page runs on its own
// with ?kxhelper=synced and the first page's options and voices.

/** @type {string[]} */
var heard = [];
addEventListener('kxhelperchange', function(event) {
  heard.push(event.detail.change);
});

var held = heldVoices();
check('a later page holds the options at once', KXHelper.GetUserOptions(),
      '[' + entry(77, true, 2) + ']');
check('a later page holds the voices at once',
      [KXHelper.GetFilteredVoices(1), KXHelper.GetFilteredVoices(2)].join(),
      [JSON.stringify(held.normal), JSON.stringify(held.horn)].join());
check('a later page keeps the count', KXHelper.GetFilteredNum(), 203);
check('a later page is synced', KXHelper.IsSynced(), true);
KXHelperReady()
    .then(function() {
      check('ready at once on a later page', heard.join(), '');
      return KXHelperSetOptions([{uic_type: 1, filter_id: 78, is_filter: false}]);
    })
    .then(function(options) {
      check('options still come back', JSON.stringify(options),
            '[' + entry(78, false, 1) + ']');
      check('no second sync', heard.join(), 'options');
    })
    .then(null, function(error) {
      check('no error on the way', String(error), '');
    })
    .then(function() { finish('second page'); });
