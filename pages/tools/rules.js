// Two ESLint rules that read the engine's browser data (@mdn/browser-compat-data)
// through the page's types, where the type-aware compat plugin stops short:
// - dom-members: a DOM member is looked up on the receiver's interface and
//   then on each interface it inherits, the first that the data knows the
//   member on deciding (`element.append` is Element's, `list.forEach` is
//   NodeList's); the plugin looks at the receiver's interface alone.
// - listener-options: an object as the third argument of add- or
//   removeEventListener ({once: true}); an engine without the options
//   parameter reads any object as `useCapture = true`.
// Both need the typed parse of @typescript-eslint/parser and do nothing
// without it.
'use strict';
const ts = require('typescript');
const bcd = require('@mdn/browser-compat-data');
const browserslist = require('browserslist');

const schema = [{
  type: 'object',
  properties: { browserslist: { type: 'array', items: { type: 'string' } } },
  additionalProperties: false,
}];

// The oldest Chrome that a browserslist query names; null when it names none.
function chromeTarget(context) {
  const query = (context.options[0] || {}).browserslist || ['Chrome 45'];
  const versions = browserslist(query)
      .filter((entry) => entry.startsWith('chrome '))
      .map((entry) => parseFloat(entry.slice('chrome '.length)));
  return versions.length ? Math.min(...versions) : null;
}

// The first Chrome version that has a feature, from its data entry, without
// prefixes, flags or other names; Infinity when none has it.
function chromeSince(compat) {
  const support = compat && compat.support && compat.support.chrome;
  if (!support)
    return Infinity;
  let since = Infinity;
  for (const statement of Array.isArray(support) ? support : [support]) {
    if (statement.prefix || statement.alternative_name || statement.flags)
      continue;
    const added = statement.version_added;
    if (added === true)
      since = 0;
    else if (typeof added === 'string' && added !== 'preview')
      since = Math.min(since, parseFloat(added.replace('\u2264', '')));
  }
  return since;
}

function sinceText(since) {
  return since === Infinity ? 'no Chrome has it' : `Chrome ${since} has it`;
}

function typedServices(context) {
  const services = context.sourceCode.parserServices;
  return services && services.program && services.esTreeNodeToTSNodeMap ?
      services : null;
}

// True when every declaration of what |tsNode| names is TypeScript's own
// (lib.dom.d.ts and the like), not the page's or a declaration file of its.
function declaredByLibrary(program, tsNode) {
  const symbol = program.getTypeChecker().getSymbolAtLocation(tsNode);
  const declarations = symbol && symbol.getDeclarations();
  return !!declarations && declarations.length > 0 &&
      declarations.every((declaration) =>
          program.isSourceFileDefaultLibrary(declaration.getSourceFile()));
}

// The interfaces of |type| by name, its own first, then those it inherits,
// nearest first.
function interfaceNames(checker, type) {
  const names = [];
  const queue = type.isUnionOrIntersection() ? [...type.types] : [type];
  const seen = new Set();
  while (queue.length) {
    let current = queue.shift();
    if (current.objectFlags & ts.ObjectFlags.Reference && current.target)
      current = current.target;
    if (seen.has(current))
      continue;
    seen.add(current);
    const symbol = current.getSymbol();
    if (!symbol)
      continue;
    names.push(symbol.getName());
    if (current.isClassOrInterface())
      queue.push(...(checker.getBaseTypes(current) || []));
  }
  return names;
}

const domMembers = {
  meta: {
    type: 'problem',
    docs: { description: 'DOM members the target Chrome lacks, inherited ones too' },
    schema,
    messages: { missing: '{{name}} is not in Chrome {{target}} ({{since}})' },
  },
  create(context) {
    const services = typedServices(context);
    const target = chromeTarget(context);
    if (!services || target === null)
      return {};
    const checker = services.program.getTypeChecker();
    return {
      MemberExpression(node) {
        if (node.computed || node.property.type !== 'Identifier')
          return;
        const property = services.esTreeNodeToTSNodeMap.get(node.property);
        if (!declaredByLibrary(services.program, property))
          return;
        const receiver = checker.getTypeAtLocation(
            services.esTreeNodeToTSNodeMap.get(node.object));
        const member = node.property.name;
        const owner = interfaceNames(checker, receiver).find((name) =>
            Object.hasOwn(bcd.api, name) &&
            Object.hasOwn(bcd.api[name], member) && member !== '__compat');
        if (!owner)
          return;
        const since = chromeSince(bcd.api[owner][member].__compat);
        if (since > target) {
          context.report({
            node,
            messageId: 'missing',
            data: { name: `${owner}.${member}`, target, since: sinceText(since) },
          });
        }
      },
    };
  },
};

const kTypeFlagsThatAreNoObject = ts.TypeFlags.BooleanLike |
    ts.TypeFlags.Undefined | ts.TypeFlags.Null | ts.TypeFlags.Void |
    ts.TypeFlags.Any | ts.TypeFlags.Unknown | ts.TypeFlags.Never;

const listenerOptions = {
  meta: {
    type: 'problem',
    docs: { description: 'an options object for event listeners where the target Chrome reads only useCapture' },
    schema,
    messages: {
      object: 'an options object for {{method}} is not in Chrome {{target}} ' +
              '({{since}}; this one reads any object as useCapture = true): ' +
              'pass true, false or nothing',
    },
  },
  create(context) {
    const services = typedServices(context);
    const target = chromeTarget(context);
    if (!services || target === null)
      return {};
    const checker = services.program.getTypeChecker();
    return {
      CallExpression(node) {
        const callee = node.callee.type === 'MemberExpression' ?
            node.callee.property : node.callee;
        if (callee.type !== 'Identifier' || node.arguments.length < 3)
          return;
        const method = callee.name;
        const data = bcd.api.EventTarget[method];
        if (!data || !data.options_parameter)
          return;
        if (!declaredByLibrary(services.program,
                               services.esTreeNodeToTSNodeMap.get(callee)))
          return;
        const third = checker.getTypeAtLocation(
            services.esTreeNodeToTSNodeMap.get(node.arguments[2]));
        const parts = third.isUnion() ? third.types : [third];
        if (parts.every((part) => part.flags & kTypeFlagsThatAreNoObject))
          return;
        const since = chromeSince(data.options_parameter.__compat);
        if (since > target) {
          context.report({
            node: node.arguments[2],
            messageId: 'object',
            data: { method, target, since: sinceText(since) },
          });
        }
      },
    };
  },
};

module.exports = {
  meta: { name: 'kx' },
  rules: { 'dom-members': domMembers, 'listener-options': listenerOptions },
};
