// The module's editor under node against the native command line, on files made here: an
// unchanged document saves as decompile and compile give it, an edit changes exactly the lines
// it names and saves compiled as a compile of its own text, and undo gives the bytes back.
// Run by scripts/web-test.sh (node --test).
import { test } from 'node:test';
import assert from 'node:assert/strict';
import { mkdtempSync, rmSync, writeFileSync } from 'node:fs';
import { tmpdir } from 'node:os';
import { join } from 'node:path';
import { randomAnimation, textOf, writeFile } from './generate.mjs';
import { compileAll, haveNative, loadModule, read, run } from './native.mjs';
import { mend } from '../page/mend.js';

const work = mkdtempSync(join(tmpdir(), 'qorutil-edit-'));
process.on('exit', () => rmSync(work, { recursive: true, force: true }));

assert.ok(haveNative(), 'the native qorutil-cli is built (bash scripts/build.sh)');
const animations = [
  ['small', randomAnimation(11, { tracks: 2, frames: 6 })],
  ['walker-like', randomAnimation(12, { tracks: 12, frames: 48, images: ['IMAGE_REANIM_LEG', 'IMAGE_REANIM_HEAD'] })],
];
const names = animations.map(([label]) => `${label}.reanim`);
animations.forEach(([, animation], n) => writeFile(join(work, names[n]), textOf(animation)));
compileAll(work, ...names);
const core = await loadModule();
const noFiles = { names: [], read: () => null };

const textOfBytes = (bytes) => Buffer.from(bytes).toString('utf8'); // the text form is UTF-8

// What the native command line makes of a text: its compiled bytes.
function nativeCompile(text) {
  const path = join(work, 'saved.reanim');
  writeFileSync(path, text);
  const done = run(work, 'compile', '-o', '-', 'saved.reanim');
  assert.equal(done.status, 0, done.lines.join('\n'));
  return done.stdout;
}

// The lines of `after` that are not those of `before`, and the other way round, past the first
// and last lines they share.
function changedLines(before, after) {
  const a = before.split('\n');
  const b = after.split('\n');
  let head = 0;
  while (head < a.length && head < b.length && a[head] === b[head]) head++;
  let tail = 0;
  while (tail < a.length - head && tail < b.length - head && a[a.length - 1 - tail] === b[b.length - 1 - tail]) tail++;
  return { removed: a.slice(head, a.length - tail), added: b.slice(head, b.length - tail) };
}

const frameLines = (text) => (text.match(/^<t>/gm) || []).length;
const trackCount = (text) => (text.match(/^<track>/gm) || []).length;

function countLines(text) {
  const counts = new Map();
  for (const line of text.split('\n')) counts.set(line, (counts.get(line) || 0) + 1);
  return counts;
}

function open(name) {
  const editor = new core.Editor(name, read(join(work, name)), noFiles);
  assert.equal(editor.ok(), true, editor.lines().join('\n'));
  return editor;
}

const files = names.flatMap((name) => [name, `${name}.compiled`]);

for (const name of files) {
  test(`${name} unchanged saves as decompile and compile give it`, () => {
    const editor = open(name);
    const compiled = `${name.replace(/\.compiled$/, '')}.compiled`;
    assert.equal(editor.kind(), name.endsWith('.compiled') ? 'compiled' : 'text');
    assert.equal(editor.changed(), false);
    assert.deepEqual(Buffer.from(editor.saveText().bytes), run(work, 'decompile', '-o', '-', compiled).stdout);
    assert.deepEqual(Buffer.from(editor.saveCompiled().bytes), read(join(work, compiled)));
    editor.delete();
  });
}

// Frames copied in another file, as the worker keeps them to paste.
const copied = (() => {
  const other = open(`${names[0]}.compiled`);
  const frames = other.copy([2], 0, 3);
  other.delete();
  return frames;
})();
const anyNumber = /<(x|y|kx|ky|sx|sy|f|a)>/;

// Each edit, what it changes in the saved text of the walker-like file (the lines it takes out
// and puts in, as patterns), and the name of its step.
const walker = `${names[1]}.compiled`;
const track = animations[1][1].tracks[3].name;
const edits = [
  { label: 'a field set', edits: [{ op: 'setNumber', tracks: [3], frame: 5, count: 1, field: 'x', value: 123.5 }],
    lines: (change) => change.added.length === 1 && change.removed.length <= 1 && /<x>123\.500<\/x>/.test(change.added[0]),
    step: `Set x of ${track}` },
  { label: 'a drag in three moves', edits: [1, 2, 10].map((d) => ({ op: 'drag', field: 'move', drags: [{ track: 3, frame: 5, first: d, second: -d }] })),
    lines: (change) => change.added.length === 1 && /<x>10\.000<\/x><y>-10\.000<\/y>/.test(change.added[0]),
    step: `Move ${track}` },
  { label: 'an image set', edits: [{ op: 'setString', track: 3, frame: 2, field: 'image', text: 'IMAGE_REANIM_CAF\u00c9' }],
    lines: (change) => change.added.length === 1 && /<i>IMAGE_REANIM_CAF\u00c9<\/i>/.test(change.added[0]),
    step: `Set image of ${track}` },
  { label: 'a frame inserted', edits: [{ op: 'insertFrames', frame: 4, count: 1 }],
    lines: (change, before, after) => {
      const surplus = countLines(after);
      for (const line of before.split('\n')) surplus.set(line, (surplus.get(line) || 0) - 1);
      const left = [...surplus].filter(([, count]) => count !== 0);
      return left.length === 1 && left[0][0] === '<t></t>' && left[0][1] === (before.match(/<track>/g) || []).length;
    },
    step: 'Insert frame' },
  { label: 'a track added', edits: [{ op: 'addTrack', track: 0, text: 'new' }],
    lines: (change) => change.removed.length === 0 && change.added.includes('<name>new</name>'), step: 'Add track new' },
  { label: 'a field cleared', edits: [{ op: 'setNumber', tracks: [3], frame: 0, field: 'x', value: null }],
    lines: (change) => change.added.length === 1 && /<x>/.test(change.removed[0]) && !/<x>/.test(change.added[0]),
    step: `Clear x of ${track}` },
  { label: 'a turn', edits: [{ op: 'drag', field: 'turn', drags: [{ track: 3, frame: 7, first: 45, second: 50 }] }],
    lines: (change) => change.added.length === 1 && /<kx>45\.000<\/kx><ky>50\.000<\/ky>/.test(change.added[0]),
    step: `Turn ${track}` },
  { label: 'a frame duplicated', edits: [{ op: 'duplicateFrame', frame: 4 }],
    lines: (change, before, after) => frameLines(after) === frameLines(before) + trackCount(before), step: 'Duplicate frame' },
  { label: 'two frames deleted', edits: [{ op: 'deleteFrames', frame: 4, count: 2 }],
    lines: (change, before, after) => frameLines(after) === frameLines(before) - 2 * trackCount(before), step: 'Delete 2 frames' },
  { label: 'a tween', edits: [{ op: 'tween', track: 3, frame: 0, to: 7, field: 'x' }],
    lines: (change) => change.added.length > 0 && change.added.every((line) => /<x>/.test(line)), step: `Tween x of ${track}` },
  { label: 'a clip made', edits: [{ op: 'makeClip', text: 'jump', frame: 2, count: 4 }],
    lines: (change) => change.removed.length === 0 && change.added.includes('<name>anim_jump</name>'), step: 'Make clip jump' },
  { label: 'a track renamed', edits: [{ op: 'renameTrack', track: 3, text: 'torso' }],
    lines: (change) => change.removed.length === 1 && change.added[0] === '<name>torso</name>', step: `Rename ${track}` },
  { label: 'a track deleted', edits: [{ op: 'deleteTrack', track: 3 }],
    lines: (change) => change.added.length === 0 && change.removed.includes(`<name>${track}</name>`), step: `Delete ${track}` },
  { label: 'a track moved', edits: [{ op: 'moveTrack', track: 3, to: 0 }],
    lines: (change, before, after) => after.split('\n').filter((line) => line === `<name>${track}</name>`).length === 1
      && after.indexOf(`<name>${track}</name>`) < after.indexOf('<name>anim_'), step: `Move ${track} up` },
  { label: 'a key set', edits: [{ op: 'setKey', tracks: [3], frame: 5 }],
    lines: (change) => change.added.length === 1 && /^<t><x>.*<y>.*<kx>.*<ky>.*<sx>.*<sy>.*<f>.*<a>.*<\/t>$/.test(change.added[0]),
    step: `Set key of ${track}` },
  { label: 'a key cleared', edits: [{ op: 'clearKey', tracks: [3], frame: 0 }],
    lines: (change) => /<x>/.test(change.removed[0]) && !anyNumber.test(change.added[0]), step: `Clear key of ${track}` },
  { label: 'a run duplicated', edits: [{ op: 'duplicateFrames', frame: 4, count: 3 }],
    lines: (change, before, after) => frameLines(after) === frameLines(before) + 3 * trackCount(before), step: 'Duplicate 3 frames' },
  { label: 'frames of one track inserted', edits: [{ op: 'insertFrames', tracks: [3], frame: 4, count: 2 }],
    lines: (change, before, after) => frameLines(after) === frameLines(before) + 2 && change.added.filter((line) => line === '<t></t>').length >= 2,
    step: 'Insert 2 frames' },
  { label: 'frames pasted from another file', edits: [{ op: 'pasteFrames', tracks: [3], frame: 1, clipboard: copied }],
    lines: (change, before, after) => frameLines(after) === frameLines(before) && change.added.length >= 3, step: 'Paste 3 frames' },
  { label: 'a tween of two tracks', edits: [{ op: 'tween', tracks: [3, 4], frame: 0, to: 7, easing: 'easeInOut' }],
    lines: (change) => change.added.length > 0 && change.added.every((line) => line.startsWith('<t>') || line.startsWith('<name>') || line === '</track>' || line === '<track>'),
    step: 'Tween 2 tracks' },
  { label: 'a track duplicated', edits: [{ op: 'duplicateTrack', track: 3 }],
    lines: (change) => change.removed.length === 0 && change.added.includes(`<name>${track}_copy</name>`), step: `Duplicate ${track}` },
  { label: 'a clip moved, by its name', edits: [{ op: 'moveClip', clip: 'walk', frame: 2, count: 5 }],
    lines: (change) => change.added.length > 0 && change.added.every((line) => /^<t>(<f>-?[01]\.000<\/f>)?<\/t>$/.test(line)), step: 'Move clip walk' },
  { label: 'a clip renamed', edits: [{ op: 'renameClip', clip: 'idle', text: 'rest' }],
    lines: (change) => change.removed[0] === '<name>anim_idle</name>' && change.added[0] === '<name>anim_rest</name>', step: 'Rename clip idle' },
  { label: 'a clip deleted', edits: [{ op: 'deleteClip', clip: 'walk' }],
    lines: (change) => change.added.length === 0 && change.removed.includes('<name>anim_walk</name>'), step: 'Delete clip walk' },
  { label: 'the frame rate', edits: [{ op: 'setFps', value: 30 }],
    lines: (change) => change.added.length === 1 && change.added[0] === '<fps>30</fps>', step: 'Change frame rate' },
];

test('edits change the lines they name, save compiled as a compile of their text, and undo to the bytes', () => {
  for (const { label, edits: sent, lines, step } of edits) {
    const editor = open(walker);
    const original = { text: editor.saveText().bytes, compiled: editor.saveCompiled().bytes };
    for (const edit of sent) assert.equal(editor.apply(edit), true, `${label}: ${JSON.stringify(edit)}`);
    assert.equal(editor.changed(), true, label);
    assert.equal(editor.undoName(), step, label);
    const text = textOfBytes(editor.saveText().bytes);
    const change = changedLines(textOfBytes(original.text), text);
    assert.ok(lines(change, textOfBytes(original.text), text), `${label}: ${JSON.stringify(change).slice(0, 2000)}`);
    assert.deepEqual(Buffer.from(editor.saveCompiled().bytes), nativeCompile(text), label);
    // One step, whatever the number of edits sent: one undo gives the file back.
    assert.equal(editor.undo(), true, label);
    assert.equal(editor.changed(), false, label);
    assert.equal(editor.undoName(), '', label);
    assert.equal(editor.redoName(), step, label);
    assert.deepEqual(editor.saveText().bytes, original.text, label);
    assert.deepEqual(editor.saveCompiled().bytes, original.compiled, label);
    editor.delete();
  }
});

test('each frame a track gives something in is marked, as its line in the saved text reads', () => {
  const editor = open(walker);
  const tracks = textOfBytes(editor.saveText().bytes).split('<track>').slice(1)
    .map((part) => part.split('\n').filter((line) => line.startsWith('<t>')));
  const marks = editor.givenFrames();
  assert.equal(marks.length, tracks.length);
  tracks.forEach((lines, t) => {
    assert.deepEqual([...marks[t]], lines.map((line) => (anyNumber.test(line) ? 1 : 0) | (/<(i|font|text)>/.test(line) ? 2 : 0)), `track ${t}`);
  });
  editor.delete();
});

test('edits that name nothing there change nothing; a file that does not read says why', () => {
  const editor = open(walker);
  for (const edit of [{ op: 'setNumber', tracks: [99], frame: 0, field: 'x', value: 1 }, { op: 'setNumber', tracks: [0], frame: 0, field: 'q', value: 1 },
    { op: 'deleteTrack', track: 99 }, { op: 'drag', field: 'move', drags: [] }, { op: 'nothing' }, { op: 'setFps' }]) {
    assert.equal(editor.apply(edit), false, JSON.stringify(edit));
  }
  assert.equal(editor.changed(), false);
  editor.delete();
  const broken = new core.Editor('broken.reanim.compiled', new Uint8Array([1, 2, 3, 4, 5]), noFiles);
  assert.equal(broken.ok(), false);
  assert.ok(broken.lines().some((line) => line.startsWith('ERROR:')), broken.lines().join('\n'));
  broken.delete();
});

test('the scene drawn follows an edit: the frame alone as in every frame, the track moved by the drag', () => {
  const editor = open(walker);
  const sizes = { images: new Map(), measure: () => [10, 10] };
  const frame = 5;
  const itemsOf = (scenes, at) => {
    const list = [];
    for (let item = scenes.frameStart[at]; item < scenes.frameStart[at + 1]; item++) list.push([...scenes.matrices.slice(item * 6, item * 6 + 6)]);
    return list;
  };
  const before = editor.frameScene(frame, sizes);
  assert.deepEqual(itemsOf(before, 0), itemsOf(editor.scenes(sizes), frame));
  const evaluated = editor.evaluated();
  const [x, y] = evaluated.tracks[3].values.slice(frame * 8, frame * 8 + 2);
  assert.equal(editor.apply({ op: 'drag', field: 'move', drags: [{ track: 3, frame, first: x + 10, second: y + 10 }] }), true);
  const after = editor.frameScene(frame, sizes);
  assert.deepEqual(itemsOf(after, 0), itemsOf(editor.scenes(sizes), frame));
  const moved = itemsOf(after, 0).map((m, n) => [m[4] - itemsOf(before, 0)[n][4], m[5] - itemsOf(before, 0)[n][5]]);
  assert.ok(moved.some(([dx, dy]) => Math.abs(dx - 10) < 1e-3 && Math.abs(dy - 10) < 1e-3), JSON.stringify(moved));
  assert.deepEqual([...editor.evaluated().tracks[3].values.slice(frame * 8, frame * 8 + 2)], [x + 10, y + 10].map(Math.fround));
  editor.delete();
});

// What the page draws from, to compare: the layout's arrays and evaluation as plain values.
const drawnOf = ({ animation, scenes }) => ({
  animation: { ...animation, changedTracks: undefined },
  scenes: Object.fromEntries(['frameStart', 'kinds', 'matrices', 'opacities', 'sizes', 'texts', 'pathStart', 'paths', 'strings', 'areas']
    .map((key) => [key, Array.from(scenes[key])])),
});

test('after each edit the page mends its layout to what the whole layout would be; a change of values alone is sent as one', () => {
  const sizes = { images: new Map([['leg', [20, 30]]]), measure: () => [10, 10] };
  for (const { label, edits: sent } of edits) {
    const editor = open(walker);
    let held = editor.layout(sizes, true);
    const runs = [{ first: 0, frames: held.animation.frameCount }, ...held.animation.clips];
    assert.ok(runs.length > 1, 'the walker has clips');
    assert.deepEqual(held.scenes.areas, runs.map((run) => editor.clipArea(run.first, run.frames, sizes)), label);
    held.scenes.version = held.version;
    for (const edit of sent) {
      assert.equal(editor.apply(edit), true, label);
      const change = editor.layout(sizes, false);
      change.scenes.version = change.version;
      const drawn = change.mended ? mend(held, change) : change;
      assert.ok(drawn, `${label}: mended from the version held`);
      if (/field set|drag/.test(label)) assert.equal(change.mended, true, label);
      held = drawn;
      const whole = editor.layout(sizes, true);
      assert.deepEqual(drawnOf(held), drawnOf(whole), label);
      whole.scenes.version = whole.version;
      held = whole;
    }
    // A change made after one the page did not take is refused: the whole is asked for then.
    assert.equal(editor.apply({ op: 'setNumber', tracks: [3], frame: 5, count: 1, field: 'y', value: 7 }), true, label);
    editor.layout(sizes, false);
    assert.equal(editor.apply({ op: 'setNumber', tracks: [3], frame: 5, count: 1, field: 'y', value: 8 }), true, label);
    const stale = editor.layout(sizes, false);
    stale.scenes.version = stale.version;
    assert.equal(stale.mended, true, label);
    assert.equal(mend(held, stale), null, label);
    editor.delete();
  }
});

test('a blank document saves as an empty animation at 12 frames a second, then takes tracks', () => {
  const editor = new core.Editor('new.reanim', null, noFiles);
  assert.equal(editor.ok(), true);
  assert.equal(textOfBytes(editor.saveText().bytes), '<fps>12</fps>\n');
  assert.equal(editor.apply({ op: 'addTrack', track: 0, text: 'first' }), true);
  assert.equal(textOfBytes(editor.saveText().bytes), '<fps>12</fps>\n<track>\n<name>first</name>\n</track>\n');
  editor.delete();
});
