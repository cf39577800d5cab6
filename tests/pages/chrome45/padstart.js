// String.prototype.padStart came in Chrome 57.
var padded = String(7).padStart(3, '0');  // flagged: types compat
