// Types of what a page shown by the component finds on `window`: the KXHelper
// object, its change event, the page query function, and the helpers of
// kxhelper-ready.js. A page's own scripts are checked against these with
// `tsc --strict --checkJs` (pages/tsconfig.json).

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
  GetUserOptions(): string;
  /**
   * Sends options to the browser process. `text` is the JSON text of an array
   * of option objects (at most 20 are kept; one trailing comma is allowed).
   * - `true`: on its way; `GetUserOptions()` changes only when the browser
   *   pushes the options back (a `kxhelperchange` event with change "options").
   * - `false`: nothing sent: not JSON, not an array, or too big.
   * - `undefined`: `text` is not a string (stringify arrays first) or missing.
   */
  SetUserOptions(text: string): boolean | undefined;
  /**
   * One voice list as JSON text of `string[]`, oldest first: 1 normal, 2 horn.
   * Any other whole number gives `"[]"`; a number that is not whole, a string
   * or nothing gives `undefined`.
   */
  GetFilteredVoices(list: number): string | undefined;
  /**
   * How many voice texts this render process has received, both lists
   * together; it only grows. Arguments are ignored.
   */
  GetFilteredNum(): number;
  /**
   * Whether every voice text the host had given has arrived in this render
   * process. True for every later page of a process that has synced, which
   * gets no second "synced" event. Arguments are ignored.
   */
  IsSynced(): boolean;
}

/** What a `kxhelperchange` event says changed. */
type KXHelperChange =
  | { change: "options" }
  | { change: "voice"; list: KXVoiceList; count: number }
  | { change: "synced"; count: number };

/** Code and text of a failed query: 404 "TestOnly Error", -1 "The query has been canceled". */
type KXQueryFailure = (code: number, message: string) => void;

/**
 * The page query function. "OnLoad" succeeds with "OnLoad OK"; "TestOnly"
 * fails with 404 "TestOnly Error"; "Onjump" from a main frame hides the page's
 * window and never answers; anything else fails with -1.
 */
type KXQuery =
  | {
      request: "OnLoad";
      onSuccess?: (response: "OnLoad OK") => void;
      onFailure?: KXQueryFailure;
      persistent?: false;
    }
  | {
      request: "TestOnly";
      onSuccess?: (response: string) => void;
      onFailure?: KXQueryFailure;
      persistent?: false;
    }
  | { request: "Onjump"; persistent?: false };

interface Window {
  /** Absent on pages of origins the host does not allow, and in a plain browser. */
  readonly KXHelper?: KXHelperObject;
  /** Returns the query's id, for `cefQueryCancel`. */
  cefQuery(query: KXQuery): number;
  cefQueryCancel(id: number): void;
}

interface WindowEventMap {
  kxhelperchange: CustomEvent<KXHelperChange>;
}

/** Present on every page that the component shows with its script object. */
declare var KXHelper: KXHelperObject;

// kxhelper-ready.js

/**
 * Resolves once the voice texts have arrived: at once when they already had
 * (some were there when the helper loaded, or a "synced" event was seen).
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
