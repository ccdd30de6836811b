// The worker: runs the WebAssembly module over the files it is handed, one at a time, and
// posts each file's result and the progress as it goes, so the page never waits on it. A file
// that stops the module (it ran out of memory, say) gets its "ERROR:" line, the module starts
// afresh and the rest of the run goes on.
/* global coreWasmGzip, createQorutil */
import { measureText } from './text.js';
import { editedBytes, editing, editorOf, forgetEditors } from './editwork.js';
import { inStore, openStore } from './keptstore.js';

let instance = null; // the module, as it starts: every request waits on the one start
let wasmBinary = null;

// The module's WebAssembly, which the page carries gzipped (web/bundle.mjs); inflated once, as
// the module may start afresh after a stop.
async function coreBinary() {
  if (!wasmBinary) {
    const packed = Uint8Array.from(atob(coreWasmGzip), (character) => character.charCodeAt(0));
    const stream = new Blob([packed]).stream().pipeThrough(new DecompressionStream('gzip'));
    wasmBinary = new Uint8Array(await new Response(stream).arrayBuffer());
  }
  return wasmBinary;
}

function core() {
  if (!instance) instance = coreBinary().then((binary) => createQorutil({ wasmBinary: binary }));
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
    forgetEditors();
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
  // The command line's own summary line for the same run, from the core, and its words for a
  // run of one file, which has no summary line.
  const module = await core();
  const summary = module.summary(op, totals, entries.length);
  self.postMessage({ id, finished: true, totals, summary, words: module.totalsWords(op, totals) });
}

// The file previewed: the core's Preview over it, the page's other files as its attached
// animations (read here as the core asks for them), and the sizes of the page's images.
let previewed = null;

function pageFiles(entries) {
  const byPath = new Map(entries.map((entry) => [entry.path, entry.file]));
  return {
    names: entries.map((entry) => entry.path),
    // A file being edited is read as it stands, so what attaches it draws the edits.
    read: (path) => {
      const edited = editedBytes(path);
      if (edited) return edited;
      try {
        return new Uint8Array(new FileReaderSync().readAsArrayBuffer(byPath.get(path)));
      } catch {
        return null;
      }
    },
  };
}

function pageSizes(images) {
  return { images: images || new Map(), measure: measureText };
}

// What the page draws a file from (the core's layout: its evaluation, every frame's scene and
// the area every clip's pictures show), for it to paint without asking again. An edited file's
// later layouts may be only what changed (`mended`); `scenes.version` numbers each.
function layoutOf(preview, sizes, whole) {
  const laid = preview.layout(sizes, whole);
  laid.scenes.version = laid.version;
  return laid;
}

// The arrays of a layout, moved to the page rather than copied (a copy held its thread up).
function transferOf({ animation, scenes }) {
  const keys = scenes.items ? ['items', 'kinds', 'matrices', 'opacities', 'sizes', 'texts']
    : ['frameStart', 'kinds', 'matrices', 'opacities', 'sizes', 'texts', 'pathStart', 'paths'];
  const transfer = keys.map((key) => scenes[key].buffer);
  for (const track of animation ? animation.tracks : []) transfer.push(track.values.buffer, track.strings.buffer);
  return transfer;
}

async function preview(message) {
  const { id, entry, entries = [], images } = message;
  const bytes = await bytesOf(entry.file);
  const module = await core();
  try {
    if (previewed) previewed.viewer.delete();
    previewed = null;
    const files = pageFiles(entries);
    const made = new module.Preview(entry.path, bytes, files);
    // A file being edited shows its document as it stands.
    const editor = editorOf(entry.path);
    if (editor) editor.setFiles(files); // what it attaches is read again: it may have been edited meanwhile
    const sizes = pageSizes(images);
    const laid = layoutOf(editor || made, sizes, true);
    if (!laid.animation.ok) {
      made.delete();
      self.postMessage({ id, finished: true, animation: laid.animation });
      return;
    }
    previewed = { preview: editor || made, viewer: made, sizes, files, path: entry.path };
    // Where the file opens: its first clip, else the first frame that draws (the core's rule).
    const opening = previewed.preview.opening(previewed.sizes);
    self.postMessage({ id, finished: true, animation: laid.animation, scenes: laid.scenes, opening, editing: Boolean(editor) }, transferOf(laid));
  } catch (error) {
    instance = null;
    forgetEditors();
    previewed = null;
    self.postMessage({ id, finished: true, animation: { ok: false, error: `ERROR: ${entry.path}: not enough memory to read it` } });
  }
}

// The previewed file's scenes again, with the sizes of newly picked images.
async function rescene(message) {
  if (!previewed) return self.postMessage({ id: message.id, finished: true, scenes: null });
  previewed.sizes = pageSizes(message.images);
  const { scenes } = layoutOf(previewed.preview, previewed.sizes, true);
  self.postMessage({ id: message.id, finished: true, scenes }, transferOf({ scenes }));
}

// An edit of the previewed file (editwork.js): what it leaves to draw, mended where it can be.
function redraw(shown, whole = false) {
  const { animation, scenes } = layoutOf(shown.preview, shown.sizes, whole);
  return { animation, scenes };
}

async function edit(message) {
  const module = await core();
  if (!previewed || previewed.path !== message.path) return self.postMessage({ id: message.id, finished: true, state: null });
  const bytes = message.entry ? await bytesOf(message.entry.file) : null;
  // What an edit changed in the frame shown goes first, so that the page draws it at once; the
  // layout of every frame follows, unless another change has come in behind this one meanwhile
  // (a key held down): that one's layout takes this one's in, so the page keeps up with the keys.
  const early = (item) => self.postMessage({ id: message.id, ...item }, transferOf({ scenes: item.light.scenes }));
  let wanted = null; // the layout the edit asks for: {whole}
  const reply = editing(module, { ...message, bytes }, previewed, (shown, whole = false) => {
    wanted = { whole };
    return {};
  }, early);
  if (wanted) {
    const change = changes.has(message.op) && !wanted.whole;
    if (change) await new Promise((resolve) => setTimeout(resolve)); // the messages sent meanwhile counted
    // A layout the page is owed, which the next change gives even if it does nothing.
    previewed.owed = change && changesWaiting > 0;
    if (!previewed.owed) Object.assign(reply, redraw(previewed, wanted.whole));
  }
  if (message.op === 'editKeep' && reply.saved) return keep(message, reply);
  const transfer = reply.scenes ? transferOf(reply) : reply.light ? transferOf({ scenes: reply.light.scenes }) : [];
  if (reply.saved) transfer.push(reply.saved.bytes.buffer);
  self.postMessage({ id: message.id, finished: true, ...reply }, transfer);
}

// A file's record written to the browser's storage here (keptstore.js), where copying its bytes
// in holds nothing up; answered once written, while the next requests go on.
let store = null;
function keep(message, { saved, original, edits }) {
  const record = { path: message.path, form: message.form, original, current: saved.bytes, edits, handle: message.handle || null, time: Date.now() };
  const written = saved.ok ? (store ||= openStore()).then((db) => inStore(db, 'readwrite', (kept) => kept.put(record))) : Promise.resolve();
  written.then(() => null, (error) => error.message || error.name || String(error))
    .then((keptError) => self.postMessage({ id: message.id, finished: true, keptError }));
}

async function selection(message) {
  const { track, frame, first, frames } = message;
  self.postMessage({ id: message.id, finished: true,
    selection: previewed ? previewed.preview.selection(track, frame, first, frames, previewed.sizes) : null });
}

async function itemAt(message) {
  const { frame, x, y, hidden } = message;
  self.postMessage({ id: message.id, finished: true,
    path: previewed ? Array.from(previewed.preview.itemAt(frame, x, y, hidden, previewed.sizes)) : [] });
}

// The tracks a box drawn on the stage meets in a frame, as the core tests it.
async function tracksIn(message) {
  const { frame, box, hidden } = message;
  self.postMessage({ id: message.id, finished: true,
    tracks: previewed ? Array.from(previewed.preview.tracksIn(frame, box.x, box.y, box.w, box.h, hidden, previewed.sizes)) : [] });
}

// Where the selected tracks' handles sit in a frame (the core's handle frame), or null.
async function handles(message) {
  self.postMessage({ id: message.id, finished: true,
    handles: previewed ? previewed.preview.handles(message.tracks, message.frame, previewed.sizes) : null });
}

// The names frames give to draw the images of these keys of the images folder.
async function imageNames(message) {
  const module = await core();
  self.postMessage({ id: message.id, finished: true, names: message.keys.map((key) => module.imageNameOf(key)) });
}

// The sizes and sheet cells of a framing's pictures, as the core lays them out.
async function pictures(message) {
  const { framing, layout = {}, frames } = message;
  const module = await core();
  self.postMessage({ id: message.id, finished: true, pictures: module.pictures(framing, layout, frames) });
}

// What the command line names the exports of `path`'s clips: for each of `clips` ({name,
// frame?}), its frame PNG (at `frame`, counted from the clip's start), sheet PNG and its JSON,
// and its WebP and GIF.
async function exportNames(message) {
  const module = await core();
  const names = message.clips.map((clip) => {
    const sheet = module.clipFileName(message.path, clip.name, 'png');
    return {
      frame: module.frameFileName(message.path, clip.name, clip.frame || 0),
      png: sheet,
      json: module.sheetDescriptionPath(sheet),
      webp: module.clipFileName(message.path, clip.name, 'webp'),
      gif: module.clipFileName(message.path, clip.name, 'gif'),
    };
  });
  self.postMessage({ id: message.id, finished: true, names });
}

async function sheetDescription(message) {
  const { clip, framing, layout, size } = message;
  const module = await core();
  self.postMessage({ id: message.id, finished: true, text: module.sheetDescription(clip, framing, layout, size) });
}

// The Export bar's scale, bounds and frame rate read as render reads them, and the framing of
// each of `areas` under them (or render's line refusing a value).
async function pictureFramings(message) {
  const { scale, bounds, fps, areas } = message;
  const module = await core();
  self.postMessage({ id: message.id, finished: true, ...module.pictureFramings(scale, bounds, fps, areas) });
}

// Frames the page painted ({rgba: one buffer of all frames, width, height}) encoded by the
// core's encoders as `format` ("webp" or "gif") at `fps`.
async function encode(message) {
  const { rgba, width, height, fps, format } = message;
  const reply = await guarded((module) => module.encodeAnimation(new Uint8Array(rgba), width, height, fps, format),
    () => ({ bytes: null, why: 'there is not enough memory' }));
  self.postMessage({ id: message.id, finished: true, ...reply }, reply.bytes ? [reply.bytes.buffer] : []);
}

// Of a folder's files by their paths, those the command line takes from a folder, in its order.
async function fromFolder(message) {
  self.postMessage({ id: message.id, finished: true, taken: (await core()).takenFromFolder(message.paths) });
}

// The core's blank animation named `path`, saved as text (New).
async function blank(message) {
  const editor = new (await core()).Editor(message.path, null, pageFiles([]));
  const saved = editor.saveText();
  editor.delete();
  self.postMessage({ id: message.id, finished: true, saved }, saved.ok ? [saved.bytes.buffer] : []);
}

// Answers once the module has loaded, so the page can say it is ready.
async function ready(message) {
  await core();
  self.postMessage({ id: message.id, finished: true });
}

// The previewed file's requests in the order they came: new images after a preview apply to it.
let previewQueue = Promise.resolve();
// The edits that change the document, and how many of them wait in the queue.
const changes = new Set(['editApply', 'editUndo', 'editRedo', 'editNudge', 'editEndDrag']);
let changesWaiting = 0;

self.onmessage = (event) => {
  const message = event.data;
  const queued = message.op.startsWith('edit') ? edit : { preview, rescene, selection, itemAt, tracksIn, handles }[message.op];
  const handler = queued || { pictures, pictureFramings, exportNames, sheetDescription, encode, fromFolder, blank, imageNames, about: ready }[message.op] || run;
  const fail = (error) => self.postMessage({ id: message.id, finished: true, failure: String(error) });
  const change = changes.has(message.op);
  if (change) changesWaiting++;
  if (queued) {
    previewQueue = previewQueue.then(() => {
      if (change) changesWaiting--;
      return handler(message);
    }).catch(fail);
  }
  else handler(message).catch(fail);
};
