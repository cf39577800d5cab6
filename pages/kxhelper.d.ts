// Types of what a page shown by the component finds on `window`: the KXHelper
// object, its change event, the page query function, and the helpers of
// kxhelper-ready.js. A page's own scripts are checked against these with
// `tsc --strict --checkJs` (pages/tsconfig.json); TypeScript pages compile
// with them (pages/tsconfig.ts.json). The calls the page guide calls right
// type-check, and those it says can only fail do not.

/** One filter, as a page sends it and as the browser writes it back. */
interface KXOption {
  /** Bit mask: 1 and 2 are the two filter types (3 = both); other bits travel along. */
  uic_type: number;
  /** A whole number. */
  filter_id: number;
  /** Only `true` counts as on. */
  is_filter: boolean;
}

/** Voice list numbers: 1 the normal voices, 2 the horn voices. */
type KXVoiceList = 1 | 2;

interface KXHelperObject {
  /**
   * The options as JSON text of `KXOption[]`, exactly as the browser last
   * pushed them (compact, keys in alphabetical order); `""` before any push.
   * Arguments are ignored.
   */
  GetUserOptions(...ignored: unknown[]): string;
  /**
   * Sends options to the browser process. `text` is the JSON text of an array
   * of option objects (at most 20 are kept; one trailing comma is allowed).
   * - `true`: on its way; `GetUserOptions()` changes only when the browser
   *   pushes the options back (a `kxhelperchange` event with change "options").
   * - `false`: nothing sent: not JSON, not an array, or too big.
   * Anything but a string (stringify arrays first) gives `undefined`, which is
   * why the types take a string only.
   */
  SetUserOptions(text: string): boolean;
  /**
   * One voice list as JSON text of `string[]`, oldest first: 1 normal, 2 horn.
   */
  GetFilteredVoices(list: KXVoiceList): string;
  /**
   * Any other whole number gives `"[]"`; a number that is not whole (`1.5`)
   * gives `undefined`, so a list number not known to be 1 or 2 gives text
   * to test first.
   */
  GetFilteredVoices(list: number): string | undefined;
  /**
   * How many voice texts this render process has received, both lists
   * together; it only grows. Arguments are ignored.
   */
  GetFilteredNum(...ignored: unknown[]): number;
  /**
   * Whether every voice text the host had given has arrived in this render
   * process. True for every later page of a process that has synced, which
   * gets no second "synced" event. Arguments are ignored.
   */
  IsSynced(...ignored: unknown[]): boolean;
}

/**
 * What the object does with any arguments at all, which an implementation of
 * it (the emulation, kxhelper-dev.js) must do too; pages call it through
 * `KXHelperObject`, which refuses the calls that can only fail.
 */
interface KXHelperImplementation {
  GetUserOptions(...ignored: unknown[]): string;
  SetUserOptions(text?: unknown, ...ignored: unknown[]): boolean | undefined;
  GetFilteredVoices(list?: unknown, ...ignored: unknown[]): string | undefined;
  GetFilteredNum(...ignored: unknown[]): number;
  IsSynced(...ignored: unknown[]): boolean;
}

/** What a `kxhelperchange` event says changed. */
type KXHelperChange =
  | { change: "options" }
  | { change: "voice"; list: KXVoiceList; count: number }
  | { change: "synced"; count: number };

/**
 * A query for the page query function: "OnLoad" succeeds with "OnLoad OK";
 * "TestOnly" fails with 404 "TestOnly Error"; "Onjump" from a main frame
 * hides the page's window and never answers; any other request fails with
 * -1 "The query has been canceled".
 */
interface KXQuery {
  request: string;
  onSuccess?: (response: string) => void;
  onFailure?: (code: number, message: string) => void;
  /** Each query is answered once. */
  persistent?: false;
}

interface Window {
  /**
   * Absent on pages of origins the host does not allow, and in a plain
   * browser: test it (`if (window.KXHelper)`) where a page may run there.
   */
  readonly KXHelper?: KXHelperObject;
  /** Returns the query's id, for `cefQueryCancel`. */
  cefQuery(query: KXQuery): number;
  cefQueryCancel(id: number): void;
}

interface WindowEventMap {
  kxhelperchange: CustomEvent<KXHelperChange>;
}

/**
 * The object itself, on every page the component shows with it. A `const`,
 * not a `var`: a global `var` would also make `window.KXHelper` present,
 * which it is not everywhere.
 */
declare const KXHelper: KXHelperObject;

// kxhelper-ready.js

/**
 * Resolves once the voice texts have arrived: at once when they already had
 * (KXHelper.IsSynced() is true, also on a later page of a synced render
 * process), else with the next "synced" event.
 */
declare var KXHelperReady: () => Promise<void>;

/**
 * Sends `options` and resolves with the options the browser pushes back next,
 * parsed. Rejects when SetUserOptions refuses them (`false` or `undefined`),
 * or when nothing comes back within `timeoutMs` (default 5000).
 */
declare var KXHelperSetOptions: (
  options: KXOption[],
  timeoutMs?: number
) => Promise<KXOption[]>;
