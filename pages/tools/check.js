#!/usr/bin/env node
// Checks page folders before their pages run in the component (Chromium 45):
//   node tools/check.js [FOLDER...]        (default: the current folder)
//   npm run check -- [FOLDER...]
// Each folder has a tsconfig.json: a copy of pages/tsconfig.json for script
// pages (checked, nothing written), or of pages/tsconfig.ts.json for
// TypeScript pages (compiled to ES5 beside their sources, nothing written on
// an error). Three steps, every problem one line
// `file:line:column: step: text (rules)`:
// 1. types: tsc, the scripts against kxhelper.d.ts and the DOM, strictly;
// 2. compat: the compat pass of eslint.config.mjs over the same scripts, with their
//    types: globals, built-ins and members Chrome 45 lacks;
// 3. syntax: its syntax pass, the scripts the engine loads (tsc's output for
//    TypeScript pages) and the inline scripts of the folder's .html files
//    parsed as ES5.
// Exit status 0 when nothing was found, 1 when something was, 2 when a
// folder cannot be checked.
'use strict';
const fs = require('fs');
const path = require('path');
const { pathToFileURL } = require('url');

function load(name) {
  try {
    return require(name);
  } catch (error) {
    if (error.code !== 'MODULE_NOT_FOUND')
      throw error;
    console.error(`check: ${name} is missing: run \`npm install\` in ` +
                  `${path.dirname(__dirname)} once`);
    process.exit(2);
  }
}

const ts = load('typescript');
const { ESLint } = load('eslint');

// Problems by place and step (types, compat, syntax): two rules of a step
// that report the same place (a member two plugins know is missing) make one
// line that names both.
class Report {
  constructor() {
    this.entries = new Map();
  }
  add(step, file, line, column, text, rule) {
    const where = `${path.relative(process.cwd(), file) || file}:${line}:${column}`;
    const key = `${where} ${step}`;
    const entry = this.entries.get(key);
    if (entry) {
      if (rule && !entry.rules.includes(rule))
        entry.rules.push(rule);
      return;
    }
    this.entries.set(key, { file: where.slice(0, where.indexOf(':')), line,
                            column, where, step, text,
                            rules: rule ? [rule] : [] });
  }
  get lines() {
    const entries = [...this.entries.values()].sort((a, b) =>
        a.file.localeCompare(b.file) || a.line - b.line || a.column - b.column);
    return entries.map(({ where, step, text, rules }) =>
        `${where}: ${step}: ${text}${rules.length ? ` (${rules.join(', ')})` : ''}`);
  }
}

function typeCheck(folder, report) {
  const configPath = path.join(folder, 'tsconfig.json');
  if (!fs.existsSync(configPath))
    return null;
  const host = { ...ts.sys, onUnRecoverableConfigFileDiagnostic: () => {} };
  const parsed = ts.getParsedCommandLineOfConfigFile(configPath, {}, host);
  const program = ts.createProgram({
    rootNames: parsed.fileNames,
    options: parsed.options,
    projectReferences: parsed.projectReferences,
  });
  const diagnostics = [...parsed.errors, ...ts.getPreEmitDiagnostics(program)];
  const emitted = parsed.options.noEmit ? null : program.emit();
  if (emitted)
    diagnostics.push(...emitted.diagnostics);
  for (const diagnostic of diagnostics) {
    const text = ts.flattenDiagnosticMessageText(diagnostic.messageText, ' ');
    const rule = `TS${diagnostic.code}`;
    if (diagnostic.file && diagnostic.start !== undefined) {
      const { line, character } =
          diagnostic.file.getLineAndCharacterOfPosition(diagnostic.start);
      report.add('types', diagnostic.file.fileName, line + 1, character + 1,
                 text, rule);
    } else {
      report.add('types', configPath, 1, 1, text, rule);
    }
  }
  // The folder's own scripts; one that the tsconfig.json takes from another
  // folder is linted with that folder.
  const inFolder = (file) => {
    const relative = path.relative(folder, file);
    return !relative.startsWith('..') && !path.isAbsolute(relative);
  };
  const sources = program.getRootFileNames().map((file) => path.resolve(file))
      .filter((file) => !file.endsWith('.d.ts') && inFolder(file) &&
                        !file.split(path.sep).includes('node_modules'));
  // What the engine loads: the scripts themselves, or tsc's output of them.
  let loaded = sources.filter((file) => /\.js$/.test(file));
  const typescriptSources = sources.filter((file) => /\.tsx?$/.test(file));
  if (emitted && !emitted.emitSkipped) {
    for (const file of typescriptSources) {
      loaded.push(...ts.getOutputFileNames(parsed, file, !ts.sys.useCaseSensitiveFileNames)
                      .filter((output) => output.endsWith('.js')));
    }
  }
  loaded = loaded.filter((file) => fs.existsSync(file));
  return { program, sources, loaded };
}

function htmlFiles(folder) {
  const found = [];
  for (const entry of fs.readdirSync(folder, { withFileTypes: true })) {
    const full = path.join(folder, entry.name);
    if (entry.isDirectory() && entry.name !== 'node_modules' &&
        !entry.name.startsWith('.'))
      found.push(...htmlFiles(full));
    else if (entry.isFile() && /\.html?$/i.test(entry.name))
      found.push(full);
  }
  return found;
}

async function lint(step, folder, overrideConfig, files, report) {
  if (!files.length)
    return;
  const eslint = new ESLint({ cwd: folder, overrideConfigFile: true,
                              overrideConfig, errorOnUnmatchedPattern: false });
  for (const result of await eslint.lintFiles(files)) {
    for (const message of result.messages) {
      const text = message.fatal ?
          `not ES5 for the engine: ${message.message}` : message.message;
      report.add(step, result.filePath, message.line || 1,
                 message.column || 1, text, message.ruleId);
    }
  }
}

async function checkFolder(folder, config, report) {
  const checked = typeCheck(folder, report);
  if (!checked) {
    console.error(`check: ${folder} has no tsconfig.json: copy pages/tsconfig.json ` +
                  '(script pages) or pages/tsconfig.ts.json (TypeScript pages) there');
    return false;
  }
  const compat = config.compatPass().map((block) => ({
    ...block,
    languageOptions: {
      ...block.languageOptions,
      parserOptions: { programs: [checked.program] },
    },
  }));
  await lint('compat', folder, compat, checked.sources, report);
  await lint('syntax', folder, config.syntaxPass, [...checked.loaded, ...htmlFiles(folder)],
             report);
  return true;
}

async function main() {
  const folders = process.argv.slice(2);
  if (!folders.length)
    folders.push('.');
  const config = await import(
      pathToFileURL(path.join(__dirname, '..', 'eslint.config.mjs')).href);
  const report = new Report();
  let usable = true;
  for (const folder of folders)
    usable = (await checkFolder(path.resolve(folder), config, report)) && usable;
  for (const line of report.lines)
    console.log(line);
  if (!usable)
    return 2;
  console.log(report.lines.length ?
      `check: ${report.lines.length} problem(s)` :
      `check: ok (${folders.join(', ')}): types, Chrome ${config.targets.join(', ').replace(/^Chrome /, '')}, ES5`);
  return report.lines.length ? 1 : 0;
}

main().then((status) => process.exit(status), (error) => {
  console.error(`check: ${error.stack || error}`);
  process.exit(2);
});
