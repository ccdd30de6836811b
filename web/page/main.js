// The page: files in, the list read in the worker, the three commands over the chosen files
// with their lines in the log, outputs saved, and the preview of the file clicked.
import { entriesFromInput, entriesFromDrop, imageFilesFromDrop, openDrop } from './files.js';
import { ImageLibrary } from './images.js';
import { startWorker } from './jobs.js';
import { FileList } from './list.js';
import { Preview } from './preview.js';
import { Problems } from './problems.js';
import { Editor } from './editor.js';
import { Studio } from './studio.js';
import { Keeper, offerKept } from './keep.js';
import { blankEntry } from './blank.js';
import { AttachedOpener } from './attached.js';
import { canOpenWithHandles, openWithHandles } from './open.js';
import { baseName } from './paths.js';
import { canSaveIntoFolder, downloadOne, downloadZip, saveIntoFolder } from './save.js';
import { makeSplitter } from './splitter.js';

const $ = (id) => document.getElementById(id);
const jobs = startWorker();
const images = new ImageLibrary();
const log = $('log');
let running = 0; // reads of the list and commands under way
let outputs = [];
let previewRequest = 0;
let animations = []; // the names of the files in the animations folder, if one was picked

let scrolling = 0;

function say(line) {
  const item = document.createElement('div');
  item.textContent = line;
  if (line.startsWith('ERROR:') || line.includes(': warning: ')) item.className = 'error';
  log.append(item);
  // To the last line once a display frame, however many lines come: no layout a line.
  scrolling ||= requestAnimationFrame(() => {
    scrolling = 0;
    log.scrollTop = log.scrollHeight;
  });
}

function progress(done, total, words) {
  $('progress').max = Math.max(total, 1);
  $('progress').value = done;
  $('progress-text').textContent = words || `${done} of ${total} files done`;
}

// The commands wait while the list is read or another command runs.
function setBusy(starting) {
  running += starting ? 1 : -1;
  for (const id of ['decompile', 'compile', 'check', 'clear']) $(id).disabled = running > 0;
}

const problems = new Problems($('problems'));
const preview = new Preview({
  canvas: $('canvas'), name: $('preview-name'), first: $('first'), back: $('back'), play: $('play'), forward: $('forward'),
  last: $('last'), timeline: $('timeline'), frameLabel: $('frame-label'), loop: $('loop'), speed: $('speed'), clip: $('clip'),
  fit: $('fit'), zoomIn: $('zoom-in'), zoomOut: $('zoom-out'), exportFrame: $('export-frame'), exportSheet: $('export-sheet'),
  numbers: $('numbers'), tracks: $('tracks'), values: $('values'),
  timelineRun: $('timeline-run'), playhead: $('playhead'), clipRanges: $('clip-ranges'), frameField: $('frame-field'),
  zoomReadout: $('zoom-readout'), onion: $('onion'), axes: $('axes'), bounds: $('bounds'), background: $('background'),
  backgroundColour: $('background-colour'), help: $('help'), helpDialog: $('help-dialog'), helpKeys: $('help-keys'),
  clipTracks: $('clip-tracks'), clipTracksTitle: $('clip-tracks-title'),
}, images, say, jobs);

let list = null;
const editor = new Editor(preview, jobs, { update: (entry) => list.update(entry) }, {
  toggle: $('edit-toggle'), bar: $('edit-bar'), saveGroup: $('save-group'), undo: $('undo'), redo: $('redo'),
  addTrack: $('add-track'), save: $('save-edit'), saveText: $('save-as-text'),
  saveCompiled: $('save-as-compiled'), inspector: $('inspector'), values: $('values'), panel: document.querySelector('.tracks'),
}, say);

const studio = new Studio(editor, {
  main: document.querySelector('main'), filesToggle: $('files-toggle'), nameDialog: $('name-dialog'),
  timeline: { box: $('track-timeline'), canvas: $('track-timeline-canvas'), scroller: $('track-timeline-scroll'), space: $('track-timeline-space') },
  ownFrames: $('own-frames'), insert: $('insert-frame'), duplicate: $('duplicate-frame'), remove: $('delete-frame'),
  copy: $('copy-frames'), paste: $('paste-frames'), tween: $('tween'), tweenField: $('tween-field'), easing: $('tween-easing'),
  key: $('set-key'), clearKey: $('clear-key'), fps: $('edit-fps'), renameTrack: $('rename-track'), duplicateTrack: $('duplicate-track'),
  deleteTrack: $('delete-track'), makeClip: $('make-clip'), renameClip: $('rename-clip'), deleteClip: $('delete-clip'),
}, say);

// Files changed and not saved outlive the page, with their histories; the worker saves and keeps them as they stand.
const keeper = new Keeper(async (path, form, handle) => {
  const reply = await jobs.request({ op: 'editKeep', path, form, handle }).catch((error) => ({ keptError: error.message }));
  return reply.keptError || null;
}, say);
editor.onChange = (entry, changed, form) => keeper.changed(entry, changed, form);
editor.onSaved = (entry) => keeper.saved(entry);

// The animation the selected part attaches, opened for editing: shown and in Edit.
const attached = new AttachedOpener($('edit-attached'), preview, (message) => jobs.request(message), async (path) => {
  const entry = list.entries.find((listed) => listed.path === path);
  if (!entry) return;
  const from = editor.entry ? editor.entry.path : '';
  if (list.previewedEntry !== entry) await list.previewEntry(entry);
  if (editor.entry === entry && !editor.active) await editor.start();
  say(`Editing ${path}, which ${from} attaches`);
});
editor.onSelected = (path, track, frame) => attached.follow(path, track, frame);

// Previews a file in the worker, the other listed files at hand for what it attaches; what
// could not be attached is said once.
async function showPreview(entry) {
  const request = ++previewRequest;
  await keeper.flush(); // the worker saves only the file it shows: the one left is kept first
  const reply = await jobs.request({ op: 'preview', entry: { path: entry.path, file: entry.file },
    entries: list.entries.map(({ path, file }) => ({ path, file })), images: images.sizes() });
  if (request !== previewRequest) return;
  problems.setScene(reply.animation.ok ? reply.scenes.problems : []);
  if (!reply.animation.ok) {
    preview.showFailure(entry.path, reply.animation.error);
    editor.closed();
    return say(reply.animation.error);
  }
  preview.show(reply.animation, reply.scenes, entry.path, reply.opening);
  editor.shown(entry, reply.editing || Boolean(entry.kept)); // a restored file opens in Edit with its history
  for (const problem of reply.scenes.problems) say(`warning: ${problem}`);
}

// New images: the previewed frames again with their sizes; the files that can't be drawn said.
async function imagesChanged() {
  problems.setImages(images.problems);
  for (const problem of images.problems) say(`warning: ${problem}`);
  const reply = await jobs.request({ op: 'rescene', images: images.sizes() });
  if (!reply.scenes) return;
  preview.setScenes(reply.scenes);
  problems.setScene(reply.scenes.problems);
}

list = new FileList({ table: $('list'), filter: $('filter'), remove: $('remove'), count: $('list-count') },
  showPreview, () => {}, () => { previewRequest++; preview.close(); editor.closed(); problems.setScene([]); });
makeSplitter($('splitter'), document.querySelector('main'));
$('log-toggle').onclick = () => {
  const open = log.hidden;
  log.hidden = !open;
  $('log-toggle').setAttribute('aria-expanded', String(open));
};

// Reads the info of new entries in the worker, row by row; previews the first animation when
// nothing is shown yet.
async function addEntries(entries) {
  if (entries.length === 0) return [];
  const added = list.add(entries);
  setBusy(true);
  // The first animation on screen first; the list's details follow.
  if (list.previewed < 0) await list.preview(list.entries.indexOf(added[0]));
  progress(0, added.length, `Reading ${added.length} files…`);
  try {
    const reply = await jobs.request({ op: 'info', entries: added.map(({ path, file }) => ({ path, file })) }, (item) => {
      added[item.index].info = item.result;
      list.update(added[item.index]);
      progress(item.progress.done, item.progress.total);
    });
    progress(added.length, added.length, reply.words);
    list.sortAgain(); // now that the values of the column it is sorted by are known
    for (const entry of added) if (!entry.info.ok) say(entry.info.error);
  } finally {
    setBusy(false);
  }
  return added;
}

// Kept files listed again as they stood, changed until saved, with their handles; each opens
// for editing with its history when shown (the one shown now at once).
async function restoreKept(records) {
  const added = await addEntries(records.map((record) => ({ path: record.path, file: new File([record.current], baseName(record.path)),
    ...(record.handle ? { handle: record.handle } : {}) })));
  added.forEach((entry, n) => {
    const { original, edits } = records[n];
    Object.assign(entry, { restored: true, ...(edits ? { kept: { original, edits } } : {}) });
    editor.markChanged(entry, true);
  });
  if (editor.entry && editor.entry.restored && !editor.active) await editor.start();
}
offerKept(keeper, { bar: $('kept'), text: $('kept-text'), restore: $('kept-restore'), discard: $('kept-discard') }, restoreKept, say);

function offerOutputs(op) {
  $('save').hidden = outputs.length < 2;
  if (outputs.length === 1) downloadOne(outputs[0]);
  if (outputs.length < 2) return;
  $('save-text').textContent = `${outputs.length} outputs:`;
  $('save-folder').hidden = !canSaveIntoFolder();
  $('save-zip').onclick = () => downloadZip(outputs, op === 'decompile' ? 'decompiled.zip' : 'compiled.zip');
  $('save-folder').onclick = async () => {
    try {
      const folder = await saveIntoFolder(outputs);
      say(`Saved ${outputs.length} outputs into ${folder}`);
    } catch (error) {
      if (error.name !== 'AbortError') say(`ERROR: could not save into the folder: ${error.message}`);
    }
  };
}

// The files a command takes: decompile the compiled ones, compile the texts, check all.
function entriesFor(op) {
  const chosen = list.chosen();
  if (op === 'check') return chosen;
  const kind = op === 'decompile' ? 'compiled' : 'text';
  return chosen.filter((entry) => entry.info && entry.info.kind === kind);
}

async function runCommand(op) {
  if (running > 0) return;
  const entries = entriesFor(op);
  outputs = [];
  $('save').hidden = true;
  if (entries.length === 0) {
    say(op === 'check' ? 'No files to check' : `No ${op === 'decompile' ? '.compiled' : '.reanim'} files to ${op}`);
    return;
  }
  setBusy(true);
  progress(0, entries.length);
  const strict = $('strict').checked;
  try {
    // What check finds beside a file: the list's files in its folder and the animations folder's.
    const beside = { listed: list.entries.map((entry) => entry.path), animations };
    const reply = await jobs.request({ op, strict, beside, entries: entries.map(({ path, file }) => ({ path, file })) }, (item) => {
      for (const line of item.result.lines) say(line);
      if (item.result.ok && item.result.bytes) outputs.push({ path: item.result.output, bytes: item.result.bytes });
      progress(item.progress.done, item.progress.total);
    });
    if (reply.summary) say(reply.summary);
    progress(entries.length, entries.length, reply.words);
    if (op !== 'check') offerOutputs(op);
  } catch (error) {
    say(`ERROR: ${error.message}`);
  } finally {
    setBusy(false);
  }
}

// Which of a folder's files (by their paths) the command line would take, in its order: the core says.
async function takenFromFolder(paths) {
  return (await jobs.request({ op: 'fromFolder', paths })).taken;
}

const pickEntries = async (event) => {
  const entries = await entriesFromInput(event.target, takenFromFolder);
  event.target.value = '';
  addEntries(entries);
};
$('pick-files').onchange = pickEntries;
// Open…: with handles where the browser gives them (Save writes back), else as Add files… does.
$('open').onclick = async () => {
  if (!canOpenWithHandles()) return $('pick-files').click();
  try {
    addEntries(await openWithHandles());
  } catch (error) {
    say(`ERROR: the browser would not open the files: ${error.message || error.name}`);
  }
};
$('pick-folder').onchange = pickEntries;
$('pick-images').onchange = async (event) => {
  const files = Array.from(event.target.files || []);
  event.target.value = '';
  const found = await images.load(files);
  await imagesChanged();
  say(`Images from ${images.folder}: ${found} found`);
};
// The animations folder's own files (not those in its subfolders), as `--animations DIR` looks.
$('pick-animations').onchange = async (event) => {
  const files = Array.from(event.target.files || []).filter((file) => file.webkitRelativePath.split('/').length === 2);
  event.target.value = '';
  animations = files.map((file) => file.name);
  const folder = files.length ? files[0].webkitRelativePath.split('/')[0] : '';
  say(`Animations from ${folder}: ${(await takenFromFolder(animations)).length} found`);
};
// New: a blank animation listed, shown and opened for editing.
$('new').onclick = async () => {
  const entry = await blankEntry(jobs, list.entries.map((listed) => listed.path), say);
  if (!entry) return;
  const [added] = await addEntries([entry]);
  if (list.previewedEntry !== added) await list.previewEntry(added);
  if (editor.entry === added && !editor.active) await editor.start();
  say(`New animation ${entry.path}`);
};
$('clear').onclick = () => { list.clear(); outputs = []; $('save').hidden = true; };
$('choose-all').onchange = (event) => list.setAllChosen(event.target.checked);
$('decompile').onclick = () => runCommand('decompile');
$('compile').onclick = () => runCommand('compile');
$('check').onclick = () => runCommand('check');

// Drops anywhere add files and folders; a folder dropped on the preview is its images folder.
let dragDepth = 0;
document.addEventListener('dragenter', (event) => { event.preventDefault(); dragDepth++; $('drop-hint').hidden = false; });
document.addEventListener('dragleave', () => { if (--dragDepth <= 0) { dragDepth = 0; $('drop-hint').hidden = true; } });
document.addEventListener('dragover', (event) => event.preventDefault());
// What the browser would not let the page read of a drop, one line each.
function sayRefused(refused) {
  for (const { path, folder, error } of refused) {
    say(`ERROR: ${path}: the browser refused to read this dropped ${folder ? 'folder' : 'file'} (${error.name});`
      + ` add it with ${folder ? 'Add folder…' : 'Add files…'} instead`);
  }
}

document.addEventListener('drop', async (event) => {
  event.preventDefault();
  dragDepth = 0;
  $('drop-hint').hidden = true;
  const onStage = Boolean(event.target.closest('.stage'));
  const opened = await openDrop(event.dataTransfer);
  if (onStage && opened.some((node) => node.folder)) {
    const { files, refused } = await imageFilesFromDrop(opened);
    sayRefused(refused);
    const found = await images.load(files);
    await imagesChanged();
    say(`Images: ${found} found`);
    return;
  }
  const { entries, refused } = await entriesFromDrop(opened, takenFromFolder);
  sayRefused(refused);
  addEntries(entries);
});

jobs.request({ op: 'about' }).then(() => {
  $('about').textContent = 'Runs in this browser; nothing is uploaded';
});

// For scripts and tests: the preview's view and playhead.
window.qorutil = { preview, list, editor, keeper, studio };
