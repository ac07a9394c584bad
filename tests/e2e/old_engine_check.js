// Reads a portal page on stdin and fails (exit 1, one line a fault) where the
// WebBrowser control of Windows XP's IE 8 would not run or draw it: the engine
// mode must be asked for first in the head, every script (inline handlers too)
// must parse as ES3 and call nothing IE 8 lacks, and the layout must not need
// grid or flex boxes.
// usage: node old_engine_check.js ACORN_MODULE_DIR < page.html
'use strict';
const fs = require('fs');
const acorn = require(process.argv[2]);

const html = fs.readFileSync(0, 'utf8');
const faults = [];

// What IE 8 has no such thing as (or not on node lists), by member name.
const missingMembers = new Set([
  'addEventListener', 'removeEventListener', 'classList', 'append', 'prepend', 'remove', 'textContent',
  'forEach', 'map', 'filter', 'reduce', 'some', 'every', 'trim', 'bind', 'keys', 'create', 'isArray', 'now',
  'getElementsByClassName', 'dataset', 'closest', 'matches',
]);
const missingGlobals = new Set(['fetch', 'Promise', 'Symbol', 'Map', 'Set', 'WeakMap', 'requestAnimationFrame']);

const head = /<head[^>]*>\s*(<[^>]*>)/i.exec(html);
if (!head || !/^<meta\s+http-equiv="X-UA-Compatible"\s+content="IE=edge"\s*>$/i.test(head[1]))
  faults.push('the head does not start with the X-UA-Compatible meta: ' + (head ? head[1] : 'no head'));

for (const style of html.matchAll(/<style[^>]*>([\s\S]*?)<\/style>/gi))
  for (const m of style[1].matchAll(/display\s*:\s*(grid|inline-grid|flex|inline-flex)|grid-template[\w-]*/gi))
    faults.push('layout IE 8 does not draw: ' + m[0]);

function walk(node, source, where) {
  if (!node || typeof node.type !== 'string')
    return;
  const at = where + ':' + node.start;
  if (node.type === 'MemberExpression') {
    const name = node.computed ? (node.property.type === 'Literal' ? node.property.value : null) : node.property.name;
    if (missingMembers.has(name))
      faults.push(at + ': .' + name);
  } else if (node.type === 'Identifier' && missingGlobals.has(node.name)) {
    faults.push(at + ': ' + node.name);
  } else if (node.type === 'ArrayExpression' && /,\s*\]$/.test(source.slice(node.start, node.end))) {
    faults.push(at + ': a comma before "]" (IE 8 counts one more element)');
  }
  for (const key of Object.keys(node)) {
    const value = node[key];
    if (Array.isArray(value))
      value.forEach(child => walk(child, source, where));
    else if (value && typeof value === 'object' && key !== 'loc')
      walk(value, source, where);
  }
}

function check(source, where) {
  let program;
  try {
    // "never": IE 8 also refuses reserved words as property names.
    program = acorn.parse(source, {ecmaVersion: 3, allowReserved: 'never', allowReturnOutsideFunction: true});
  } catch (e) {
    faults.push(where + ': not ES3: ' + e.message);
    return;
  }
  walk(program, source, where);
}

let scripts = 0;
for (const m of html.matchAll(/<script[^>]*>([\s\S]*?)<\/script>/gi)) {
  check(m[1], 'script ' + ++scripts);
}
for (const m of html.matchAll(/\son\w+="([^"]*)"/gi))
  check(m[1], 'handler "' + m[1] + '"');
if (scripts === 0)
  faults.push('no script at all');

faults.forEach(f => console.log(f));
process.exit(faults.length ? 1 : 0);
