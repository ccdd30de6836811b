// The native command line, the reference: where it is and what it prints.
import { execFileSync, spawnSync } from 'node:child_process';
import { existsSync, readFileSync } from 'node:fs';
import { fileURLToPath } from 'node:url';
import { join } from 'node:path';

export const root = fileURLToPath(new URL('../..', import.meta.url));
export const cli = process.env.QORUTIL_CLI || join(root, 'build/cli/qorutil-cli');
export const moduleScript = process.env.QORUTIL_WEB_MODULE || join(root, 'build-web/module/qorutil.js');
export const page = process.env.QORUTIL_WEB_PAGE || join(root, 'build-web/qorutil.html');

export function haveNative() {
  return existsSync(cli);
}

// Runs `qorutil-cli ARGS` in `cwd`; its status, stdout and stderr lines.
export function run(cwd, ...args) {
  const result = spawnSync(cli, args, { cwd, timeout: 120000, maxBuffer: 1 << 28 });
  if (result.error) throw result.error;
  const lines = result.stderr.toString('utf8').split('\n').filter((line) => line !== '');
  return { status: result.status, stdout: result.stdout, lines };
}

export function compileAll(cwd, ...paths) {
  execFileSync(cli, ['compile', '-q', ...paths], { cwd, timeout: 120000 });
}

export function read(path) {
  return readFileSync(path);
}

export async function loadModule() {
  const { createRequire } = await import('node:module');
  const require = createRequire(import.meta.url);
  // Handed its WebAssembly, as the page's worker hands it: left to find it, the script would
  // fetch() a file path, which node's fetch refuses.
  return require(moduleScript)({ wasmBinary: readFileSync(moduleScript.replace(/\.js$/, '.wasm')) });
}
