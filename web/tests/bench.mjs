// The module's speed against the native command line, both in one run on one set: 150
// animations shaped like a game's own and one large one, made here as text and compiled by the
// native program. The native side runs single-threaded (-j 1) over the whole set, its start-up
// included; the module converts the same files in this process, reading included.
//
//   node web/tests/bench.mjs     (after scripts/build.sh and scripts/web.sh)
import { execFileSync } from 'node:child_process';
import { mkdtempSync, readFileSync, rmSync } from 'node:fs';
import { tmpdir } from 'node:os';
import { join } from 'node:path';
import { randomAnimation, textOf, writeFile } from './generate.mjs';
import { cli, loadModule } from './native.mjs';

const work = mkdtempSync(join(tmpdir(), 'qorutil-bench-'));
const names = [];
for (let n = 0; n < 150; n++) {
  const name = `set/anim${String(n).padStart(3, '0')}.reanim`;
  writeFile(join(work, name), textOf(randomAnimation(100 + n, { tracks: 20 + (n % 40), frames: 100 + 5 * (n % 80) })));
  names.push(name);
}
writeFile(join(work, 'set/large.reanim'), textOf(randomAnimation(7, { tracks: 120, frames: 3000 })));
names.push('set/large.reanim');

function seconds(work) {
  const start = process.hrtime.bigint();
  work();
  return Number(process.hrtime.bigint() - start) / 1e9;
}

const native = {
  compile: seconds(() => execFileSync(cli, ['compile', '-q', '-j', '1', 'set'], { cwd: work, stdio: 'pipe' })),
  decompile: seconds(() => execFileSync(cli, ['decompile', '-q', '-j', '1', 'set'], { cwd: work, stdio: 'pipe' })),
};
const core = await loadModule();
const module = {
  compile: seconds(() => names.forEach((name) => core.compile(name, readFileSync(join(work, name)), false))),
  decompile: seconds(() => names.forEach((name) => core.decompile(`${name}.compiled`, readFileSync(join(work, `${name}.compiled`))))),
};
const megabytes = names.reduce((sum, name) => sum + readFileSync(join(work, name)).length, 0) / 2 ** 20;
console.log(`${names.length} files, ${megabytes.toFixed(1)} MiB of text`);
console.log('| conversion | native -j 1 | module under node | ratio | goal     |');
console.log('|------------|------------:|------------------:|------:|----------|');
for (const what of ['decompile', 'compile']) {
  console.log(`| ${what.padEnd(10)} | ${native[what].toFixed(2).padStart(9)} s | ${module[what].toFixed(2).padStart(15)} s | `
    + `${(module[what] / native[what]).toFixed(2).padStart(5)} | at most 2 |`);
}
rmSync(work, { recursive: true, force: true });
