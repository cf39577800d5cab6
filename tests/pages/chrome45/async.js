// Async functions came in Chrome 55.
async function answerLater() {  // flagged: syntax
  return 1;
}
