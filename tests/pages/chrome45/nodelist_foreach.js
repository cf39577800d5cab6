// NodeList.forEach came in Chrome 51; arrays had forEach long before.
document.querySelectorAll('p').forEach(function(p) {  // flagged: compat
  p.className = 'seen';
});
