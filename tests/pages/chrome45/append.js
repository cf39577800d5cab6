// Element.append came in Chrome 54: the engine has appendChild only.
document.body.append(document.createElement('p'));  // flagged: compat
