// The worker: runs the WebAssembly module over the files it is handed, one at a time, and
// posts each file's result and the progress as it goes, so the page never waits on it. A file
// that stops the module (it ran out of memory, say) gets its "ERROR:" line, the module starts
// afresh and the rest of the run goes on.
/* global createQorutil */

let instance = null;

async function core() {
  if (!instance) instance = await createQorutil();
  return instance;
}

async function bytesOf(file) {
  return new Uint8Array(await file.arrayBuffer());
}

// Runs `work` on the module; after a stop, forgets the module and gives `fallback`.
async function guarded(work, fallback) {
  const module = await core();
  try {
    return work(module);
  } catch (error) {
    instance = null;
    return fallback(String(error && error.message ? error.message : error));
  }
}

async function infoOf(entry) {
  const bytes = await bytesOf(entry.file);
  return guarded((module) => module.info(entry.path, bytes),
    () => ({ ok: false, kind: '', error: `ERROR: ${entry.path}: not enough memory to read it` }));
}

async function convertOne(entry, planned, op, strict) {
  if (planned.refusal) return { ok: false, output: '', bytes: null, lines: [planned.refusal], warnings: 0 };
  const bytes = await bytesOf(entry.file);
  return guarded((module) => (op === 'decompile' ? module.decompile(entry.path, bytes) : module.compile(entry.path, bytes, strict)),
    () => ({ ok: false, output: planned.output, bytes: null, warnings: 0,
      lines: [`ERROR: not enough memory to convert ${entry.path}; nothing was written`] }));
}

// `beside`: {listed, animations}, the paths of the list and the names of the animations folder,
// one object for the whole run so the module reads it once.
async function checkOne(entry, strict, beside) {
  const bytes = await bytesOf(entry.file);
  return guarded((module) => module.check(entry.path, bytes, strict, beside),
    () => ({ outcome: 'failed', warnings: 0, lines: [`ERROR: ${entry.path}: not enough memory to check it`] }));
}

async function run(message) {
  const { id, op, entries = [], strict = false, beside = { listed: [], animations: [] } } = message;
  const totals = { done: 0, failed: 0, skipped: 0, different: 0, warnings: 0 };
  const plan = op === 'decompile' || op === 'compile'
    ? (await core()).outputs(entries.map((entry) => entry.path), op === 'decompile') : [];
  for (let index = 0; index < entries.length; index++) {
    const entry = entries[index];
    let result;
    const transfer = [];
    if (op === 'info') {
      result = await infoOf(entry);
      totals[result.ok ? 'done' : 'failed']++;
    } else if (op === 'check') {
      result = await checkOne(entry, strict, beside);
      totals.warnings += result.warnings;
      totals[result.outcome === 'same' ? 'done' : result.outcome]++;
    } else {
      result = await convertOne(entry, plan[index], op, strict);
      totals[result.ok ? 'done' : 'failed']++;
      if (result.bytes) transfer.push(result.bytes.buffer);
    }
    self.postMessage({ id, index, result, progress: { done: index + 1, total: entries.length } }, transfer);
  }
  // The command line's own summary line for the same run, from the core.
  const summary = (await core()).summary(op, totals, entries.length);
  self.postMessage({ id, finished: true, totals, summary });
}

async function evaluate(message) {
  const { id, entry } = message;
  const bytes = await bytesOf(entry.file);
  const animation = await guarded((module) => module.evaluate(entry.path, bytes),
    () => ({ ok: false, error: `ERROR: ${entry.path}: not enough memory to read it` }));
  const transfer = [];
  for (const track of animation.tracks || []) transfer.push(track.values.buffer, track.strings.buffer);
  self.postMessage({ id, finished: true, animation }, transfer);
}

// Answers once the module has loaded, so the page can say it is ready.
async function ready(message) {
  await core();
  self.postMessage({ id: message.id, finished: true });
}

self.onmessage = (event) => {
  const message = event.data;
  const handler = message.op === 'evaluate' ? evaluate : message.op === 'about' ? ready : run;
  handler(message).catch((error) => self.postMessage({ id: message.id, finished: true, failure: String(error) }));
};
