// What Chromium 45, the component's engine, can run, checked before a page
// runs there. Two passes, because a file has one parser per pass:
// - compat (the default export, which editors pick up): the page's scripts
//   with their types (the folder's tsconfig.json), against the engine's
//   browser data: eslint-plugin-compat (globals and built-ins by name),
//   @koddsson/eslint-plugin-tscompat (members by the type they are read
//   from) and ./tools/rules.js (members a type inherits; the listener
//   options object). tools/check.js runs it over the scripts of the
//   tsconfig.json's program.
// - syntax: every script the engine loads, inline ones of .html files too,
//   parsed as ES5. Chromium 45 runs some later syntax (arrow functions, `let`
//   in strict code), but not destructuring, default or rest parameters,
//   spread or async functions, and not `let` in sloppy code: ES5 is the line
//   that is safe to draw. TypeScript pages get ES5 from tsc.
// Modules are found the way require() finds them (NODE_PATH too), so the
// project's suite can run this with its own copy of the tools.
import { createRequire } from 'node:module';
import { pathToFileURL } from 'node:url';

const require = createRequire(import.meta.url);
const importPackage = async (name) =>
  (await import(pathToFileURL(require.resolve(name)).href)).default;

export const targets = ['Chrome 45'];

const compat = require('eslint-plugin-compat');
const html = require('eslint-plugin-html');
const typescriptParser = require('@typescript-eslint/parser');
const tscompat = await importPackage('@koddsson/eslint-plugin-tscompat');
const kx = require('./tools/rules.js');

const chromeRules = {
  'compat/compat': 'error',
  'tscompat/tscompat': ['error', { browserslist: targets }],
  'kx/dom-members': ['error', { browserslist: targets }],
  'kx/listener-options': ['error', { browserslist: targets }],
};

/**
 * The compat pass for the scripts of one TypeScript project (a page folder's
 * tsconfig.json); projectService (no project given) lets an editor find the
 * nearest tsconfig.json of each file.
 * @param {string=} project
 */
export function compatPass(project) {
  return [{
    files: ['**/*.js', '**/*.ts'],
    plugins: { compat, tscompat, kx },
    settings: { browsers: targets, lintAllEsApis: true },
    languageOptions: {
      parser: typescriptParser,
      sourceType: 'script',
      parserOptions: project ? { project } : { projectService: true },
    },
    linterOptions: { reportUnusedDisableDirectives: 'off' },
    rules: chromeRules,
  }];
}

export const syntaxPass = [
  {
    files: ['**/*.js', '**/*.html'],
    languageOptions: { ecmaVersion: 5, sourceType: 'script' },
    linterOptions: { reportUnusedDisableDirectives: 'off' },
  },
  {
    // Inline scripts have no types: the checks by name only.
    files: ['**/*.html'],
    plugins: { html, compat },
    settings: { browsers: targets, lintAllEsApis: true },
    rules: { 'compat/compat': 'error' },
  },
];

// For editors: the compat pass, and the inline scripts of .html files.
export default [
  { ignores: ['node_modules/', 'tools/', '*.config.mjs'] },
  ...compatPass(),
  { ...syntaxPass[0], files: ['**/*.html'] },
  syntaxPass[1],
];
