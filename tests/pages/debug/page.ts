// The page of the debugging loop's test (tools/check_page_debug.js), built
// with pages/tsconfig.ts.json: the test edits `pageVersion` and expects the
// page rebuilt and reloaded, and finds the marked lines in what it prints.
const pageVersion: number = 1;

interface PageState {
  version: number;
  voices: number;
}

function report(): PageState {
  const voices = KXHelper.GetFilteredNum();
  console.log(`page version ${pageVersion}`, voices);  // logs the version
  return { version: pageVersion, voices };
}

function failLater(): void {
  throw new Error(`thrown by version ${pageVersion}`);  // throws
}

report();
setTimeout(failLater, 0);
