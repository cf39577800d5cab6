// What Chrome 45 has, close to what it lacks: none of it may be flagged.
var paragraphs = document.querySelectorAll('p');
Array.prototype.forEach.call(paragraphs, function(p) {
  p.parentNode && p.parentNode.removeChild(p);
});
[1, 2].forEach(function(n) { document.body.appendChild(document.createTextNode(String(n))); });
var firstParagraph = paragraphs.item(0);
addEventListener('load', function() {}, false);
removeEventListener('load', function() {}, true);
var found45 = [3, 1].indexOf(1) >= 0 && 'ab'.indexOf('a') === 0;
var queryParts = location.search.replace(/^\?/, '').split('&');
var nextValue = Promise.resolve(1).then(function(value) { return value + 1; });
document.body.classList.add('ready');
