// Chrome 45 has `let` in strict code only.
let count = 1;  // flagged: syntax
