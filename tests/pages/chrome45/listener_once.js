// Listener options came in Chrome 49: before, any object meant capture.
addEventListener('load', function() {}, {once: true});  // flagged: compat
/** @type {AddEventListenerOptions} */
var options = {passive: true};
document.addEventListener('touchstart', function() {}, options);  // flagged: compat
