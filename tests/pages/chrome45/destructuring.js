// Destructuring came in Chrome 49.
var [first, second] = [1, 2];  // flagged: syntax
