// The WebAssembly module under node against the native command line, on files made here:
// the same output bytes for decompile and compile, the same lines for check, for the refusal
// of a shared output and for every malformed container and refused text of the tables, and the
// same info, the same summary lines, the same files taken from a folder and the same words for
// pictures that can't be drawn. Run by scripts/web-test.sh (node --test).
import { test } from 'node:test';
import assert from 'node:assert/strict';
import { mkdtempSync, rmSync } from 'node:fs';
import { tmpdir } from 'node:os';
import { join } from 'node:path';
import { deflateSync, inflateSync } from 'node:zlib';
import { bombFile, partImage, randomAnimation, textOf, writeFile } from './generate.mjs';
import { compileAll, haveNative, loadModule, read, root, run } from './native.mjs';

const work = mkdtempSync(join(tmpdir(), 'qorutil-module-'));
process.on('exit', () => rmSync(work, { recursive: true, force: true }));

const animations = [
  ['small', randomAnimation(1, { tracks: 2, frames: 4 })],
  ['walker-like', randomAnimation(2, { tracks: 12, frames: 48, images: ['IMAGE_REANIM_LEG', 'IMAGE_REANIM_HEAD'] })],
  ['long', randomAnimation(3, { tracks: 40, frames: 400 })],
  ['no tracks', { fps: 12, tracks: [] }],
  ['odd names', { fps: 30.5, tracks: [{ name: 'a<b>&c', frames: [{ x: 1, i: 'caf\u00e9<i>' }, { text: 'Music & Sound', font: 'Arial' }] }] }],
];
const names = animations.map(([label]) => `anims/${label.replace(/ /g, '_')}.reanim`);

// Made when the file loads, not in a hook: the tables of malformed files below are built from
// these files as the tests are listed, and node 18 (Debian's) runs a top-level before() later.
assert.ok(haveNative(), 'the native qorutil-cli is built (bash scripts/build.sh)');
animations.forEach(([, animation], n) => writeFile(join(work, names[n]), textOf(animation)));
compileAll(work, ...names);
const core = await loadModule();


for (const [n, [label]] of animations.entries()) {
  test(`decompile of "${label}" gives the native text and line`, () => {
    const name = `${names[n]}.compiled`;
    const native = run(work, 'decompile', '-o', '-', name);
    const done = core.decompile(name, read(join(work, name)));
    assert.equal(done.ok, true, done.lines.join('\n'));
    assert.equal(done.output, names[n]);
    assert.deepEqual(Buffer.from(done.bytes), native.stdout);
    assert.deepEqual(done.lines, [`Decompiled ${name} to ${names[n]}`]);
  });

  test(`compile of "${label}" gives the native compiled file`, () => {
    const done = core.compile(names[n], read(join(work, names[n])), true);
    assert.equal(done.ok, true, done.lines.join('\n'));
    assert.equal(done.output, `${names[n]}.compiled`);
    assert.deepEqual(Buffer.from(done.bytes), read(join(work, `${names[n]}.compiled`)));
    assert.deepEqual(done.lines, [`Compiled ${names[n]} to ${names[n]}.compiled`]);
  });

  for (const name of [names[n], `${names[n]}.compiled`]) {
    test(`info of ${name} gives what info --json gives`, () => {
      const native = JSON.parse(run(work, 'info', '--json', name).stdout.toString()).files[0];
      const info = core.info(name, read(join(work, name)));
      assert.equal(info.ok, true, info.error);
      const { path, ...expected } = native;
      assert.equal(path, name);
      assert.deepEqual({ kind: info.kind, fps: info.fps, frames: info.frames, tracks: info.tracks, clips: info.clips,
        attachments: info.attachments }, expected);
    });

    test(`check --strict of ${name} gives the native lines`, () => {
      const native = run(work, 'check', '--strict', name);
      const checked = core.check(name, read(join(work, name)), true, null);
      assert.deepEqual(checked.lines, native.lines);
      assert.equal(checked.outcome === 'same', native.status === 0);
    });

    test(`evaluate of ${name} has the frames and clips info gives`, () => {
      const info = core.info(name, read(join(work, name)));
      const animation = core.evaluate(name, read(join(work, name)));
      assert.equal(animation.ok, true, animation.error);
      assert.equal(animation.frameCount, info.frames);
      assert.deepEqual(animation.clips, info.clips);
      assert.equal(animation.tracks.length, info.tracks.length);
      animation.tracks.forEach((track, t) => {
        assert.equal(track.values.length, 8 * info.tracks[t].frames);
        assert.equal(track.strings.length, 3 * info.tracks[t].frames);
      });
    });
  }
}

test('two inputs that would share one output are both refused with the native line', () => {
  const shared = ['clash/a.reanim.compiled', 'clash/a.compiled', 'clash/b.reanim.compiled'];
  for (const name of shared) writeFile(join(work, name), read(join(work, `${names[0]}.compiled`)));
  const native = run(work, 'decompile', ...shared);
  const planned = core.outputs(shared, true);
  const lines = planned.map((item) => item.refusal || `Decompiled ${shared[planned.indexOf(item)]} to ${item.output}`);
  assert.deepEqual([...lines, core.summary('decompile', { done: 1, failed: 2, skipped: 0 }, shared.length)], native.lines);
});

test('a folder lists the files the native walk takes, in its order, and the run ends with its summary', () => {
  const text = read(join(work, names[0]));
  const compiled = read(join(work, `${names[0]}.compiled`));
  const tree = ['walk/b.reanim', 'walk/A.REANIM', 'walk/sub/deep/c.Reanim.COMPILED', 'walk/sub/a.reanim', 'walk/notes.txt',
    'walk/.hidden.reanim', 'walk/.cache/d.reanim', 'walk/sub/reanim', 'walk/B.reanim'];
  for (const path of tree) writeFile(join(work, path), /\.compiled$/i.test(path) ? compiled : text);
  const native = run(work, 'info', '--json', 'walk');
  const listed = JSON.parse(native.stdout.toString()).files.map((file) => file.path);
  assert.deepEqual(Array.from(core.takenFromFolder(tree), (n) => tree[n]), listed);
  assert.equal(native.lines.at(-1), core.summary('info', { done: listed.length, failed: 0 }, listed.length));
  assert.equal(core.summary('info', { done: 1, failed: 0 }, 1), null);
});

test('a preview composes attached animations found beside it, and frames them as render --sheet does', () => {
  const images = [['IMAGE_REANIM_BODY', 30, 20], ['IMAGE_REANIM_ARM', 10, 40]];
  for (const [name, width, height] of images) writeFile(join(work, `set/images/${name.slice(13).toLowerCase()}.png`), partImage(width, height, [200, 100, 50]));
  const arm = (x) => ({ fps: 12, tracks: [{ name: 'arm', frames: Array.from({ length: 6 }, (_, n) => ({ x: x + 5 * n, y: -20, kx: 15 * n, ky: 15 * n, ...(n === 0 ? { i: 'IMAGE_REANIM_ARM' } : {}) })) }] });
  const parent = { fps: 12, tracks: [
    { name: 'body', frames: Array.from({ length: 10 }, (_, n) => ({ x: n, y: 0, ...(n === 0 ? { i: 'IMAGE_REANIM_BODY' } : {}) })) },
    { name: 'hand', frames: Array.from({ length: 10 }, (_, n) => ({ x: 40, y: 10, kx: 30, ky: 40, sx: 1.5, ...(n === 0 ? { text: 'attacher__Child[6]' } : {}) })) },
    { name: 'lost', frames: [{ text: 'attacher__Nobody' }] },
  ] };
  writeFile(join(work, 'set/parent.reanim'), textOf(parent));
  writeFile(join(work, 'set/Child.reanim'), textOf(arm(0)));
  writeFile(join(work, 'elsewhere/child.reanim'), textOf(arm(500))); // not beside the parent: not taken
  const native = run(work, 'render', 'set/parent.reanim', '--sheet', '--images', 'set/images', '-o', 'set/sheet.png');
  assert.equal(native.status, 0, native.lines.join('\n'));
  const sheet = JSON.parse(read(join(work, 'set/sheet.json')));
  const files = { names: ['elsewhere/child.reanim', 'set/Child.reanim', 'set/parent.reanim'], read: (name) => read(join(work, name)) };
  const preview = new core.Preview('set/parent.reanim', read(join(work, 'set/parent.reanim')), files);
  try {
    const sizes = { images: new Map(images.map(([name, width, height]) => [name.slice(13).toLowerCase(), [width, height]])), measure: () => [0, 0] };
    const scenes = preview.scenes(sizes);
    assert.equal(scenes.frameStart.length, 11);
    const area = preview.clipArea(0, 10, sizes);
    assert.ok(Math.abs(-area.x - sheet.origin.x) < 1e-9 && Math.abs(-area.y - sheet.origin.y) < 1e-9, JSON.stringify([area, sheet.origin]));
    assert.deepEqual([Math.ceil(area.w), Math.ceil(area.h)], [sheet.frames[0].width, sheet.frames[0].height]);
    // Laid out once with the scenes, the areas of the whole and of each clip are clipArea's to the last bit.
    const laidOut = preview.layout(sizes, true);
    const runs = [{ first: 0, frames: laidOut.animation.frameCount }, ...laidOut.animation.clips];
    assert.deepEqual(laidOut.scenes.areas, runs.map((run) => preview.clipArea(run.first, run.frames, sizes)));
    assert.deepEqual(laidOut.scenes.matrices, scenes.matrices);
    assert.deepEqual(scenes.problems, ['no attached animation Nobody: looked for Nobody.reanim.compiled or Nobody.reanim among the files given']);
    // The arm inside the hand is traced to the hand, then to the arm in the child.
    const n = scenes.frameStart[0] + 1;
    assert.deepEqual(Array.from(scenes.paths.subarray(scenes.pathStart[n], scenes.pathStart[n + 1])), [1, 0]);
    const [a, b, c, d, e, f] = scenes.matrices.subarray(6 * n, 6 * n + 6);
    const middle = [a * 5 + c * 20 + e, b * 5 + d * 20 + f];
    assert.deepEqual(Array.from(preview.itemAt(0, middle[0], middle[1], [], sizes)), [1, 0]);
  } finally {
    preview.delete();
  }
});

// A picture too large, or an animation of no frames, is refused in the words render uses.
test('pictures that can\'t be drawn are refused with render\'s lines', () => {
  writeFile(join(work, 'sizes/one.reanim'), textOf({ fps: 12, tracks: [{ name: 'a', frames: Array.from({ length: 10 }, () => ({ x: 1 })) }] }));
  writeFile(join(work, 'sizes/none.reanim'), textOf({ fps: 12, tracks: [] }));
  const cases = [
    // [what, render's arguments, the page's pictures (area, layout, frames), what the page says]
    ['a frame too wide', ['one', '--bounds', '0,0,70000,10', '-o', 'sizes/x.png'], [0, 0, 70000, 10, {}, 1], 'frameProblem'],
    ['a frame of too many pixels', ['one', '--bounds', '-0.5,0,20000,20000', '-o', 'sizes/x.png'], [-0.5, 0, 20000, 20000, {}, 1], 'frameProblem'],
    ['an animation too wide', ['one', '--bounds', '0,0,70000,10', '--animation', 'sizes/x.gif'], [0, 0, 70000, 10, {}, 10], 'animationProblem'],
    ['an animation of no frames', ['none', '--animation', 'sizes/x.webp'], [0, 0, 1, 1, {}, 0], 'animationProblem'],
    ['a sheet of columns too wide', ['one', '--sheet', '--columns', '10', '--padding', '3', '--bounds', '0,0,3300,10', '-o', 'sizes/x.png'],
      [0, 0, 3300, 10, { columns: 10, padding: 3 }, 10], 'sheetProblem'],
    ['a near-square sheet of too many pixels', ['one', '--sheet', '--bounds', '0,0,5000,5000', '-o', 'sizes/x.png'], [0, 0, 5000, 5000, {}, 10], 'sheetProblem'],
  ];
  for (const [what, [file, ...args], [x, y, w, h, layout, frames], problem] of cases) {
    const native = run(work, 'render', `sizes/${file}.reanim`, ...args);
    assert.equal(native.status, 1, what);
    const pictures = core.pictures({ area: { x, y, w, h }, scale: 1 }, layout, frames);
    assert.deepEqual([`ERROR: ${pictures[problem]}`], native.lines, what);
  }
});

// A valid compiled file and its body, for the malformed shapes.
function compiledSample() {
  const file = read(join(work, `${names[1]}.compiled`));
  return { file, body: inflateSync(file.subarray(8)) };
}

function withWord(bytes, at, word) {
  const copy = Buffer.from(bytes);
  copy.writeUInt32LE(word >>> 0, at);
  return copy;
}

function framed(body, sizeWord = body.length) {
  const header = Buffer.alloc(8);
  header.writeUInt32LE(0xdeadfed4, 0);
  header.writeUInt32LE(sizeWord >>> 0, 4);
  return Buffer.concat([header, deflateSync(body)]);
}

const malformed = () => {
  const { file, body } = compiledSample();
  return [
    ['empty', Buffer.alloc(0)],
    ['3 bytes', file.subarray(0, 3)],
    ['big-endian magic', Buffer.concat([Buffer.from([0xde, 0xad, 0xfe, 0xd4]), file.subarray(4)])],
    ['magic only', file.subarray(0, 4)],
    ['header only', file.subarray(0, 8)],
    ['truncated stream', file.subarray(0, file.length - 5)],
    ['wrong Adler-32', withWord(file, file.length - 4, 0)],
    ['not compressed', Buffer.concat([file.subarray(0, 8), body])],
    ['size word too small', withWord(file, 4, 3)],
    ['size word too large', withWord(file, 4, 0x7fffffff)],
    ['trailing bytes', Buffer.concat([file, Buffer.from('junk')])],
    ['body cut in the track table', framed(body.subarray(0, 30))],
    ['body cut in a name', framed(body.subarray(0, 100))],
    ['huge track count', framed(withWord(body, 8, 0xffffffff))],
    ['huge frame count', framed(withWord(body, 32, 0xffffffff))],
    ['bytes after the last track', framed(Buffer.concat([body, Buffer.from('extra')]))],
  ];
};

for (const [label, bytes] of malformed()) {
  const name = `bad/${label.replace(/ /g, '_')}.reanim.compiled`;
  test(`a compiled file with ${label} gives the native lines`, () => {
    writeFile(join(work, name), bytes);
    const native = run(work, 'decompile', name);
    const done = core.decompile(name, bytes);
    assert.deepEqual(done.lines, native.lines);
    assert.equal(done.ok, native.status === 0);
    const nativeInfo = run(work, 'info', name);
    const info = core.info(name, bytes);
    assert.deepEqual(info.ok ? [] : [info.error], nativeInfo.status === 0 ? [] : nativeInfo.lines);
    assert.deepEqual(core.check(name, bytes, true, null).lines, run(work, 'check', '--strict', name).lines);
  });
}

test('a body that inflates past the limit gives the native line', { timeout: 300000 }, () => {
  const name = 'bad/bomb.reanim.compiled';
  const bytes = bombFile(join(root, 'build-web/testdata/bomb.reanim.compiled'));
  writeFile(join(work, name), bytes);
  assert.deepEqual(core.decompile(name, bytes).lines, run(work, 'decompile', name).lines);
});

// What check finds beside a file: the native check looks in the file's folder on disk, the
// module in the list and the animations folder it is given. Here a file attaches one animation
// beside it (named in another case), one in another folder of the list only, one that is
// nowhere (a Latin-1 name) and one the animations folder has; a file at the top of the list
// attaches one that is only in a folder below it.
test('check --strict warns of the attached animations that are not beside a file, as the native check does', () => {
  const folder = join(work, 'attach');
  const attaching = (texts) => textOf({ fps: 12, tracks: [{ name: 'hand', frames: texts.map((text) => ({ x: 1, text })) }] });
  const other = textOf(randomAnimation(40, { tracks: 2, frames: 6 }));
  writeFile(join(folder, 'mod/zombie/arm.reanim'), other);
  writeFile(join(folder, 'mod/plant/hat.reanim'), other);
  writeFile(join(folder, 'mod/zombie/walk.reanim'), attaching(['attacher__ARM__anim_wave[hold]', 'attacher__hat',
    'attacher__hat[12]', 'attacher__caf\u00e9', 'attacher__cap', 'attacher__ARM']));
  writeFile(join(folder, 'top.reanim'), attaching(['attacher__arm', 'attacher__Arm', 'plain text']));
  compileAll(folder, 'mod/zombie/walk.reanim');
  const listed = ['mod/plant/hat.reanim', 'mod/zombie/arm.reanim', 'mod/zombie/walk.reanim', 'mod/zombie/walk.reanim.compiled', 'top.reanim'];
  const files = ['mod/zombie/walk.reanim', 'mod/zombie/walk.reanim.compiled', 'top.reanim'];
  const nativeLines = () => files.flatMap((name) => run(folder, 'check', '--strict', name).lines);
  const moduleLines = (animations) => files.flatMap((name) => core.check(name, read(join(folder, name)), true, { listed, animations }).lines);
  const without = nativeLines();
  assert.ok(without.some((line) => line.endsWith('no cap.reanim.compiled or cap.reanim')), without.join('\n'));
  assert.ok(without.some((line) => line.endsWith('no caf\u00e9.reanim.compiled or caf\u00e9.reanim')), without.join('\n'));
  assert.ok(!without.some((line) => line.includes('arm.reanim.compiled or arm.reanim') && line.startsWith('mod/')));
  assert.deepEqual(moduleLines([]), without);
  // The animations folder's cap counts as beside every file, as a cap beside them does on disk.
  writeFile(join(folder, 'mod/zombie/CAP.reanim.compiled'), 'any bytes');
  writeFile(join(folder, 'CAP.reanim.compiled'), 'any bytes');
  const withCap = nativeLines();
  assert.notDeepEqual(withCap, without);
  assert.deepEqual(moduleLines(['readme.txt', 'CAP.reanim.compiled']), withCap);
});

const refusedTexts = [
  ['an unclosed element', '<fps>12</fps>\n<track>\n<name>a</name>\n'],
  ['text that is no XML', 'hello\n'],
  ['a document type declaration', '<!DOCTYPE r [<!ENTITY e "x">]><fps>12</fps>'],
  ['bytes that are not UTF-8', Buffer.from('<fps>12</fps><track><name>caf\xe9</name></track>', 'latin1')],
  ['UTF-16', Buffer.concat([Buffer.from([0xff, 0xfe]), Buffer.from('<fps>12</fps>', 'utf16le')])],
  ['a NUL character', Buffer.from('<fps>12\0</fps>', 'latin1')],
  ['a name of 256 bytes', `<track>\n<name>${'n'.repeat(256)}</name>\n</track>\n`],
  ['a name outside Latin-1', '<track>\n<name>\u20ac</name>\n</track>\n'],
  ['elements nested 20000 deep', `${'<a>'.repeat(20000)}${'</a>'.repeat(20000)}`],
  ['warnings, strict', '<fps>12</fps>\n<track>\n<name>a</name>\n<t><x>1.2345</x><zz>1</zz></t>\n</track>\n'],
];

for (const [label, text] of refusedTexts) {
  const name = `bad/${label.replace(/[ ,]+/g, '_')}.reanim`;
  test(`a text with ${label} gives the native lines`, () => {
    const bytes = Buffer.from(text);
    writeFile(join(work, name), bytes);
    const native = run(work, 'compile', '--strict', name);
    const done = core.compile(name, bytes, true);
    assert.deepEqual(done.lines, native.lines);
    assert.equal(done.ok, native.status === 0);
    assert.deepEqual(core.check(name, bytes, true, null).lines, run(work, 'check', '--strict', name).lines);
  });
}

// One file, one verdict: info, the evaluation the preview draws and the native info and render
// read a file in the same form (by its name where it says, else by its content), so a file that
// fails says the same line everywhere, and one that reads has the same frames.
{
  const noise = Buffer.from(Array.from({ length: 300 }, (_, n) => (n * 7919 + 13) & 255));
  const text = read(join(work, names[0]));
  const compiled = read(join(work, `${names[0]}.compiled`));
  const verdicts = [
    ['an empty compiled file', 'verdict/empty.reanim.compiled', Buffer.alloc(0)],
    ['an empty text', 'verdict/empty.reanim', Buffer.alloc(0)],
    ['random bytes named compiled', 'verdict/noise.reanim.compiled', noise],
    ['random bytes named text', 'verdict/noise.reanim', noise],
    ['a text named compiled', 'verdict/text.reanim.compiled', text],
    ['a compiled file named text', 'verdict/compiled.reanim', compiled],
    ['a compiled file with another name', 'verdict/compiled.bin', compiled],
    ['a text with another name', 'verdict/text.bin', text],
  ];
  test('a file gets one verdict: info, the preview and the native info and render agree, for each of a table of files', () => {
    const files = { names: [], read: () => null };
    for (const [label, name, bytes] of verdicts) {
      writeFile(join(work, name), bytes);
      const native = run(work, 'info', name);
      const rendered = run(work, 'render', name, '-o', `${name}.png`);
      const info = core.info(name, bytes);
      const evaluated = core.evaluate(name, bytes);
      const preview = new core.Preview(name, bytes, files);
      const previewed = preview.evaluated();
      preview.delete();
      assert.equal(info.ok, native.status === 0, `${label}: ${native.lines.join('\n')}`);
      // An animation of no frames has no frame to render: render refuses it for that alone.
      if (info.frames > 0) assert.equal(rendered.status, 0, `${label}: ${rendered.lines.join('\n')}`);
      for (const animation of [evaluated, previewed]) {
        assert.equal(animation.ok, info.ok, label);
        assert.equal(animation.error, info.error, label);
        if (info.ok) assert.equal(animation.frameCount, info.frames, label);
      }
      if (!info.ok) {
        assert.deepEqual([info.error], native.lines.filter((line) => line.startsWith('ERROR:')), label);
        assert.ok(rendered.lines.some((line) => line.endsWith(info.error.slice(`ERROR: ${name}: `.length))), `${label}: ${rendered.lines}`);
      }
    }
  });
}

test('a run of one file has no summary line, but its totals in the same words for the status', () => {
  const name = 'single/broken.reanim';
  writeFile(join(work, name), '<fps>12</fps>\n<track>\n<name>a</name>\n');
  const native = run(work, 'compile', name);
  const done = core.compile(name, read(join(work, name)), false);
  assert.equal(done.ok, false);
  const totals = { done: 0, failed: 1, skipped: 0 };
  assert.equal(core.summary('compile', totals, 1), null);
  assert.deepEqual(native.lines, done.lines); // no summary line natively either
  assert.equal(core.totalsWords('compile', totals), '0 converted, 1 failed, 0 skipped');
  // The words are the summary line's: a run of two says them as its last line.
  const twice = run(work, 'compile', name, names[0]);
  assert.equal(twice.lines.at(-1), core.totalsWords('compile', { done: 1, failed: 1, skipped: 0 }));
});
