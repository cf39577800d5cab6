// URLSearchParams came in Chrome 49.
var searchParams = new URLSearchParams(location.search);  // flagged: compat
