// Array.prototype.includes came in Chrome 47 (String's was there already).
var found = [1, 2].includes(2);  // flagged: types compat
