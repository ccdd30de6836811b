// Builds the page as one file that works from disk as well as from any static server: the
// style sheet and the scripts are put inline, the page's modules joined in the order of their
// imports, and the worker (the WebAssembly module's script and worker.js) kept as text in the
// page, from which the page starts it. The module's WebAssembly (MODULE_SCRIPT with .wasm for
// .js) goes into the worker's text gzipped, in base64, as `coreWasmGzip`: a third of its size
// as it is, which the worker inflates with the browser's own DecompressionStream.
//
//   node web/bundle.mjs PAGE_FOLDER MODULE_SCRIPT OUT.html
//
// The modules keep to a plain form this joiner understands: imports of named bindings from
// './name.js', and `export` only in front of top-level declarations. Two modules declaring the
// same top-level name fail the build.
import { readFileSync, writeFileSync } from 'node:fs';
import { join } from 'node:path';
import { constants, gzipSync } from 'node:zlib';

const [pageFolder, moduleScript, output] = process.argv.slice(2);
if (!output) {
  console.error('usage: node web/bundle.mjs PAGE_FOLDER MODULE_SCRIPT OUT.html');
  process.exit(2);
}

const importPattern = /^import\s*\{[^}]*\}\s*from\s*'(\.\/[\w-]+\.js)';\s*$/gm;
const declarationPattern = /^(?:export\s+)?(?:async\s+)?(?:function\*?|class|const|let|var)\s+([A-Za-z_$][\w$]*)/gm;

// The modules reachable from `entry`, each after those it imports.
function joined(entry) {
  const order = [];
  const seen = new Set();
  const visit = (name) => {
    if (seen.has(name)) return;
    seen.add(name);
    const source = readFileSync(join(pageFolder, name), 'utf8');
    for (const match of source.matchAll(importPattern)) visit(match[1].slice(2));
    order.push({ name, source });
  };
  visit(entry);
  const declared = new Map();
  const parts = order.map(({ name, source }) => {
    if (/^export\s+(default|\{|\*)/m.test(source)) throw new Error(`${name}: only declarations may be exported`);
    const body = source.replace(importPattern, '').replace(/^export\s+/gm, '');
    if (/^\s*import\s/m.test(body)) throw new Error(`${name}: an import this joiner does not understand`);
    for (const match of body.matchAll(declarationPattern)) {
      if (declared.has(match[1])) throw new Error(`${name} and ${declared.get(match[1])} both declare ${match[1]}`);
      declared.set(match[1], name);
    }
    return `// ${name}\n${body}`;
  });
  return parts.join('\n');
}

// Text inside a <script> element must not close it early; in JavaScript "<\/script" reads the same.
function scriptText(text) {
  return text.replace(/<\/script/gi, '<\\/script').replace(/<!--/g, '<\\!--');
}

let html = readFileSync(join(pageFolder, 'index.html'), 'utf8');
const style = readFileSync(join(pageFolder, 'style.css'), 'utf8');
const wasm = gzipSync(readFileSync(moduleScript.replace(/\.js$/, '.wasm')), { level: constants.Z_BEST_COMPRESSION });
const worker = `const coreWasmGzip = '${wasm.toString('base64')}';\n${readFileSync(moduleScript, 'utf8')}\n${joined('worker.js')}`;
const main = joined('main.js');
const replace = (pattern, text) => {
  if (!pattern.test(html)) throw new Error(`index.html has no ${pattern}`);
  html = html.replace(pattern, () => text);
};
replace(/<link rel="stylesheet" href="style.css">/, `<style>\n${style}</style>`);
replace(/<script type="module" src="main.js"><\/script>/,
  `<script type="text/plain" id="worker-source">${scriptText(worker)}</script>\n`
  + `<script type="module">\n${scriptText(main)}\n</script>`);
writeFileSync(output, html);
console.log(`${output}: ${html.length} bytes`);
