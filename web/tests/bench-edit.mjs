// The editor's speed in the module under node, on the largest file it is held to (500 KB
// compiled, 120 tracks; generate.mjs), through the worker's own editing path (editwork.js):
// opening it to its first frame, a drag's move and an inspector's set each with the scene of
// the frame shown (median and 95th percentile), and undoing 1,000 steps.
//
//   node web/tests/bench-edit.mjs     (after scripts/web.sh)
import { performance } from 'node:perf_hooks';
import { editing } from '../page/editwork.js';
import { largeAnimation, textOf } from './generate.mjs';
import { percentile, report } from './goals.mjs';
import { loadModule } from './native.mjs';

const core = await loadModule();
const compiled = core.compile('large.reanim', Buffer.from(textOf(largeAnimation())), false);
if (!compiled.ok) throw new Error(compiled.lines.join('\n'));
const bytes = compiled.bytes;
const path = 'large.reanim.compiled';
const files = { names: [], read: () => null };
const sizes = { images: new Map([['part', [40, 40]], ['arm', [14, 50]], ['head', [36, 36]]]), measure: () => [10, 10] };

// As the worker lays out a file it shows (its evaluation, every frame's scene and the area of
// every clip), after an edit only what changed.
function redraw(shown, whole = false) {
  return shown.preview.layout(sizes, whole);
}

const milliseconds = (work) => {
  const start = performance.now();
  work();
  return performance.now() - start;
};
const median = (values) => percentile(values, 0.5);
const rows = [];

// Opening: the preview of the file to its first frame, as the worker sends it; then Edit.
const opens = [];
const starts = [];
let shown = null;
for (let run = 0; run < 3; run++) {
  opens.push(milliseconds(() => {
    const preview = new core.Preview(path, bytes, files);
    preview.layout(sizes, true);
    preview.opening(sizes);
    if (shown) preview.delete();
    else shown = { preview, viewer: preview, sizes, files, path };
  }));
}
rows.push({ figure: 'open the file to its first frame', goal: '<= 1000 ms', measured: `${median(opens).toFixed(0)} ms`, met: median(opens) <= 1000 });
let started;
starts.push(milliseconds(() => { started = editing(core, { op: 'editStart', path, bytes }, shown, redraw); }));
if (!started.started) throw new Error(started.lines.join('\n'));
rows.push({ figure: 'start editing it', goal: '<= 1000 ms', measured: `${starts[0].toFixed(0)} ms`, met: starts[0] <= 1000 });

// A drag as the stage makes it (editBeginDrag, then editDragTo a move): moves of one part in
// frame 300, each with that frame's scene.
const frame = 300;
const time = (count, message) => Array.from({ length: count }, (_, n) => milliseconds(() => editing(core, message(n), shown, redraw)));
const timed = (figure, times) => {
  const [middle, high] = [median(times), percentile(times, 0.95)];
  rows.push({ figure, goal: 'median <= 2 ms', measured: `${middle.toFixed(2)} (p95 ${high.toFixed(2)}) ms`, met: middle <= 2 });
};
const began = editing(core, { op: 'editBeginDrag', path, kind: 'move', handle: 'inside', tracks: [60], frame, x: 0, y: 0 }, shown, redraw);
if (!began.began) throw new Error('the drag did not begin');
timed('drag move + scene of the frame', time(400, (n) => ({ op: 'editDragTo', path, light: frame, track: 60, x: 10 + n / 10, y: 20 - n / 10 })));
editing(core, { op: 'editEndDrag', path }, shown, redraw);
// A field set as the inspector sets it: until the frame shown is drawn from it (the worker's
// early answer); then until the layout of every frame follows, mended.
const sets = [];
const rests = [];
for (let n = 0; n < 40; n++) {
  const start = performance.now();
  let early = null;
  const reply = editing(core, { op: 'editApply', path, light: frame, track: 2 + n,
    edit: { op: 'setNumber', tracks: [2 + n], frame, count: 1, field: 'x', value: n } }, shown, redraw, () => { early = performance.now() - start; });
  if (!reply.scenes || !reply.scenes.items) throw new Error('a field set was not answered with what it changed');
  sets.push(early);
  rests.push(performance.now() - start);
}
timed('set a field + scene of the frame (first answer)', sets);
rows.push({ figure: '  then every frame, mended (in the worker)', goal: '', measured: `${median(rests).toFixed(0)} ms`, met: true });

// Undo of 1,000 steps, then the frame shown drawn from the document as it is then.
for (let n = 0; n < 1000; n++) {
  shown.preview.apply({ op: 'setNumber', tracks: [2 + (n % 120)], frame: n % 650, count: 1, field: 'y', value: n });
}
const undo = milliseconds(() => {
  for (let n = 0; n < 1000; n++) if (!shown.preview.undo()) throw new Error(`step ${n} did not undo`);
  shown.preview.frameScene(frame, sizes);
});
rows.push({ figure: 'undo 1,000 steps + scene', goal: '<= 100 ms', measured: `${undo.toFixed(1)} ms`, met: undo <= 100 });

report(`The editor in the module under node: ${path}, ${(bytes.length / 1024).toFixed(0)} KB, ${started.animation.tracks.length} tracks, ${started.animation.frameCount} frames`, rows);
