// The page end to end in Debian's Chromium, headless, opened from disk: generated files and a
// generated folder tree fed through its file inputs; decompile, compile and check with their
// lines, a single download, a zip and a folder save compared byte for byte with the native
// command line; the preview's canvas and its exported PNGs, WebPs, GIFs and sheet descriptions
// compared with `qorutil-cli render`;
// hostile files with the page still answering; the keys; every button named; and not one
// network request. Screenshots go to build-web/screenshots/.
import { test, before, after } from 'node:test';
import assert from 'node:assert/strict';
import { cpSync, mkdtempSync, readdirSync, readFileSync, rmSync, statSync } from 'node:fs';
import { basename, join } from 'node:path';
import { execFileSync } from 'node:child_process';
import { pathToFileURL } from 'node:url';
import { painted, ready, sleep } from './chromium.mjs';
import { shots, studioFixture } from './fixture.mjs';
import { bombFile, partImage, randomAnimation, textOf, writeFile } from './generate.mjs';
import { cli, compileAll, page as pagePath, root, run } from './native.mjs';

const studio = studioFixture('browser');
const { work, downloaded, press, enter, addImages, previewRow } = studio;
let browser;
let page;
const requests = [];

// The export options, shown as a person shows them: with the Export… button.
async function openExport() {
  if (await page.$eval('#export-toggle', (button) => button.getAttribute('aria-expanded')) !== 'true') await page.click('aria/Export…');
}

function tree(folder) {
  const files = [];
  const walk = (at, prefix) => {
    for (const name of readdirSync(at).sort()) {
      const path = join(at, name);
      if (statSync(path).isDirectory()) walk(path, `${prefix}${name}/`);
      else files.push(`${prefix}${name}`);
    }
  };
  walk(folder, '');
  return files;
}

// The mod folder: compiled files at several depths, a text among them, and what a folder walk
// leaves out (hidden files and folders, other names).
function makeFiles() {
  const compiled = ['mod/anims/zombie/walk', 'mod/anims/zombie/eat', 'mod/anims/plant/pea', 'mod/anims/plant/deep/a/b/c/sun'];
  compiled.forEach((name, n) => writeFile(join(work, `${name}.reanim`), textOf(randomAnimation(10 + n, { tracks: 6 + n, frames: 30 + 10 * n }))));
  compileAll(work, ...compiled.map((name) => `${name}.reanim`));
  for (const name of compiled) rmSync(join(work, `${name}.reanim`));
  writeFile(join(work, 'mod/anims/plant/notes.reanim'), textOf(randomAnimation(20, { tracks: 3, frames: 8 })));
  writeFile(join(work, 'mod/.hidden/skip.reanim.compiled'), 'not read');
  writeFile(join(work, 'mod/anims/.skip.reanim'), 'not read');
  writeFile(join(work, 'mod/readme.txt'), 'not an animation');
  writeFile(join(work, 'texts/a.reanim'), textOf(randomAnimation(30, { tracks: 5, frames: 20 })));
  writeFile(join(work, 'texts/sub/b.reanim'), textOf(randomAnimation(31, { tracks: 9, frames: 70 })));
  // The preview's animation: images only (text and the placeholder's name are drawn by each
  // system's own fonts), turned, skewed, scaled and translucent.
  const parts = [['IMAGE_REANIM_BODY', 40, 60, [60, 160, 80]], ['IMAGE_REANIM_ARM', 14, 50, [230, 140, 40]],
    ['IMAGE_REANIM_HEAD', 36, 36, [250, 210, 90]]];
  for (const [name, width, height, colour] of parts) writeFile(join(work, `pixel/images/${name.slice(13).toLowerCase()}.png`), partImage(width, height, colour));
  const frames = 16;
  const track = (name, image, x, y, swing, extra = () => ({})) => ({
    name,
    frames: Array.from({ length: frames }, (_, n) => ({
      x: x + 3 * Math.sin(n / 2), y, kx: swing * Math.sin(n / 3), ky: swing * Math.sin(n / 3) + (name === 'arm' ? 10 : 0),
      ...(n === 0 ? { i: image } : {}), ...extra(n),
    })),
  });
  const pixel = { fps: 12, tracks: [
    track('body', 'IMAGE_REANIM_BODY', 50, 60, 8, (n) => ({ sx: 1 + n / 40, sy: 1 })),
    track('arm', 'IMAGE_REANIM_ARM', 70, 70, 35, (n) => ({ a: n % 4 === 0 ? 0.5 : 1 })),
    track('head', 'IMAGE_REANIM_HEAD', 52, 20, 12),
  ] };
  // Values as the text carries them, three decimals.
  for (const t of pixel.tracks) for (const f of t.frames) for (const k of ['x', 'y', 'kx', 'ky', 'sx', 'sy', 'a']) if (f[k] !== undefined) f[k] = Math.round(f[k] * 1000) / 1000;
  writeFile(join(work, 'pixel/pixel.reanim'), textOf(pixel));
  // A parent whose tracks attach a child animation (beside it, its name in another case): a
  // clip held on its last frame, the whole child at half its rate, and once; turned, skewed,
  // scaled and translucent, so that matrices and opacity compose.
  const child = { fps: 12, tracks: [
    { name: 'anim_wave', frames: [{ f: -1 }, { f: 0 }, {}, {}, {}, { f: -1 }] },
    { name: 'arm', frames: Array.from({ length: 6 }, (_, n) => ({ x: 4 * n, y: 2, kx: 10 * n, ky: 10 * n, ...(n === 0 ? { i: 'IMAGE_REANIM_ARM' } : {}) })) },
    { name: 'head', frames: [{ x: 20, y: -10, a: 0.7, i: 'IMAGE_REANIM_HEAD' }] },
  ] };
  const attaching = (name, text, x, y, extra = () => ({})) => ({
    name,
    frames: Array.from({ length: 12 }, (_, n) => ({ x: x + n, y, ...(n === 0 ? { text } : {}), ...extra(n) })),
  });
  const parent = { fps: 12, tracks: [
    { name: 'body', frames: [{ x: 40, y: 60, i: 'IMAGE_REANIM_BODY' }] },
    attaching('hand', 'attacher__Child__anim_wave[hold]', 70, 40, (n) => ({ kx: 20, ky: 25, sx: 0.8, sy: 1.2, a: n % 3 === 0 ? 0.6 : 1 })),
    attaching('slow', 'attacher__CHILD[6]', 10, 120, () => ({ kx: -15, ky: -15 })),
    attaching('once', 'attacher__child__anim_wave[once]', 120, 100),
  ] };
  writeFile(join(work, 'attach/parent.reanim'), textOf(parent));
  writeFile(join(work, 'attach/Child.reanim'), textOf(child));
  // Animations that attach another: the parade's walker is beside it (named in another case),
  // the lonely one's is in another folder of the list only (a tree of its own,
  // apart from the drawing test's attach/).
  const attachingWalker = (text) => textOf({ fps: 12, tracks: [{ name: 'walker', frames: [{ x: 10, text }, { x: 20 }] }] });
  writeFile(join(work, 'attaching/zombie/walker.reanim'), textOf(randomAnimation(50, { tracks: 3, frames: 12 })));
  writeFile(join(work, 'attaching/zombie/parade.reanim'), attachingWalker('attacher__Walker__anim_walk[hold]'));
  writeFile(join(work, 'attaching/plant/lonely.reanim'), attachingWalker('attacher__walker'));
  const attached = ['attaching/zombie/walker', 'attaching/zombie/parade', 'attaching/plant/lonely'];
  compileAll(work, ...attached.map((name) => `${name}.reanim`));
  for (const name of attached) rmSync(join(work, `${name}.reanim`));
  writeFile(join(work, 'hostile/truncated.reanim.compiled'), readFileSync(join(work, 'mod/anims/zombie/walk.reanim.compiled')).subarray(0, 60));
  writeFile(join(work, 'hostile/garbage.reanim.compiled'), Buffer.from(Array.from({ length: 5000 }, (_, n) => (n * 7919) & 255)));
  writeFile(join(work, 'hostile/deep.reanim'), `${'<a>'.repeat(20000)}${'</a>'.repeat(20000)}`);
  writeFile(join(work, 'hostile/bomb.reanim.compiled'), bombFile(join(root, 'build-web/testdata/bomb.reanim.compiled')));
}

// What the native command line does with a copy of the same files, run where they lie.
function native(...args) {
  const copy = mkdtempSync(join(work, 'native-'));
  for (const name of ['mod', 'texts']) cpSync(join(work, name), join(copy, name), { recursive: true });
  const result = run(copy, ...args);
  return { ...result, folder: copy };
}

async function logLines() {
  return page.$$eval('#log > div', (lines) => lines.map((line) => line.textContent));
}

// Clicks a command and gives the log lines it added, once the page says it is done.
async function command(id) {
  const before = (await logLines()).length;
  await page.click(`#${id}`);
  await page.waitForFunction((button) => !document.getElementById(button).disabled, { timeout: 240000 }, id);
  return (await logLines()).slice(before);
}

async function listedPaths() {
  return page.$$eval('#list tbody tr td.path', (cells) => cells.map((cell) => cell.textContent));
}

async function waitForList(count) {
  await page.waitForFunction((rows) => document.querySelectorAll('#list tbody tr').length === rows
    && !document.getElementById('decompile').disabled, { timeout: 240000 }, count);
}

// Files or folders (under the work folder) picked with an input, #pick-files or #pick-folder, once
// the list has `rows` rows.
async function pick(input, rows, ...paths) {
  await (await page.$(input)).uploadFile(...paths.map((path) => join(work, path)));
  await waitForList(rows);
}

async function clearList() {
  await page.click('#clear');
  await page.evaluate(() => document.getElementById('log').replaceChildren());
}

function unzip(bytes) {
  const folder = mkdtempSync(join(work, 'unzipped-'));
  writeFile(join(folder, 'all.zip'), bytes);
  execFileSync('python3', ['-c', 'import sys, zipfile; z = zipfile.ZipFile(sys.argv[1]); assert z.testzip() is None; z.extractall(sys.argv[2])',
    join(folder, 'all.zip'), join(folder, 'out')]);
  return join(folder, 'out');
}

// How far two pictures differ: pixels whose channels differ by more than `tolerance`.
async function pixelDifference(expectedPng, actual, tolerance = 24) {
  return page.evaluate(async (expected, source, limit) => {
    const decode = async (base64) => createImageBitmap(new Blob([Uint8Array.from(atob(base64), (c) => c.charCodeAt(0))]),
      { premultiplyAlpha: 'premultiply', colorSpaceConversion: 'none' });
    const want = await decode(expected);
    const pixelsOf = (image, checkers) => {
      const canvas = new OffscreenCanvas(image.width, image.height);
      const context = canvas.getContext('2d');
      if (checkers) {
        for (let y = 0; y < image.height; y += 12) {
          for (let x = 0; x < image.width; x += 12) {
            context.fillStyle = ((x + y) / 12) % 2 === 0 ? 'rgb(228, 228, 228)' : 'rgb(250, 250, 250)';
            context.fillRect(x, y, 12, 12);
          }
        }
      }
      context.drawImage(image, 0, 0);
      return context.getImageData(0, 0, image.width, image.height).data;
    };
    let got;
    let width = want.width;
    let height = want.height;
    if (source.canvas) {
      got = document.getElementById('canvas').getContext('2d').getImageData(0, 0, width, height).data;
    } else {
      const image = await decode(source.png);
      if (image.width !== width || image.height !== height) return { size: `${image.width}x${image.height} instead of ${width}x${height}` };
      got = pixelsOf(image, false);
    }
    const reference = pixelsOf(want, source.canvas);
    // A pixel differs when a channel of it (colours weighed by opacity) lies outside the range
    // the other picture has within one pixel of it: so an edge antialiased by one and not by the
    // other, or rounded to the next pixel, does not count.
    const channel = (p, n, c) => (c === 3 ? p[n + 3] : (p[n + c] * p[n + 3]) / 255);
    const near = (a, b, x, y) => {
      const n = (y * width + x) * 4;
      for (let c = 0; c < 4; c++) {
        let low = Infinity;
        let high = -Infinity;
        for (let v = Math.max(y - 1, 0); v <= Math.min(y + 1, height - 1); v++) {
          for (let u = Math.max(x - 1, 0); u <= Math.min(x + 1, width - 1); u++) {
            const value = channel(b, (v * width + u) * 4, c);
            low = Math.min(low, value);
            high = Math.max(high, value);
          }
        }
        const value = channel(a, n, c);
        if (value < low - limit || value > high + limit) return false;
      }
      return true;
    };
    let differing = 0;
    for (let y = 0; y < height; y++) {
      for (let x = 0; x < width; x++) if (!near(reference, got, x, y) || !near(got, reference, x, y)) differing++;
    }
    return { differing, share: differing / (width * height), width, height };
  }, expectedPng.toString('base64'), actual, tolerance);
}

before(async () => {
  makeFiles();
  ({ browser, page } = await studio.open((url) => requests.push(url)));
});

after(() => studio.close());

// What qorutil-cli render draws of `file` with the images of pixel/, written to `png` and read.
function rendered(file, png, ...args) {
  execFileSync(cli, ['render', join(work, file), '--images', join(work, 'pixel/images'), ...args, '-o', png], { stdio: 'pipe' });
  return readFileSync(png);
}

// The canvas, from frame 0 of the file previewed (of `count` frames) stepped by the keys to each
// of `frames`, the view at zoom 1 with the corner of `bounds` at its top-left, against what render
// draws of `file` within those bounds; each share of pixels differing goes to `shares`, and
// `also(frame)` is done at each frame.
async function canvasAsRendered(file, count, frames, bounds, shares, also = async () => {}) {
  const [left, top] = bounds.split(',').map(Number);
  await page.click('#canvas');
  await page.keyboard.press('Home');
  assert.equal(await frameLabel(), `Frame 0 (1/${count})`);
  for (const frame of frames) {
    while ((await frameLabel()) !== `Frame ${frame} (${frame + 1}/${count})`) await page.keyboard.press('ArrowRight');
    await page.evaluate((x, y) => window.qorutil.preview.setView(1, x, y), -left, -top);
    await painted(page);
    const png = join(work, `render-${basename(file)}-${frame}.png`);
    const canvas = await pixelDifference(rendered(file, png, '--frame', String(frame), '--bounds', bounds), { canvas: true });
    shares.push(canvas.share);
    if (canvas.share >= 0.005) await page.screenshot({ path: join(shots, `${basename(file, '.reanim')}-${frame}-page.png`) });
    assert.ok(canvas.share < 0.005, `frame ${frame} on the canvas: ${JSON.stringify(canvas)}`);
    await also(frame);
  }
}

test('a picked folder is listed at any depth, hidden files and other names left out, with what info says', async () => {
  await pick('#pick-folder', 5, 'mod');
  assert.deepEqual(await listedPaths(), ['mod/anims/plant/deep/a/b/c/sun.reanim.compiled', 'mod/anims/plant/notes.reanim',
    'mod/anims/plant/pea.reanim.compiled', 'mod/anims/zombie/eat.reanim.compiled', 'mod/anims/zombie/walk.reanim.compiled']);
  const rows = await page.$$eval('#list tbody tr', (all) => all.map((row) => [...row.cells].slice(1).map((cell) => cell.textContent)));
  const info = JSON.parse(run(work, 'info', '--json', 'mod').stdout.toString()).files;
  assert.deepEqual(rows.map((row) => row.slice(0, 5)),
    info.map((file) => [file.path, file.kind, String(file.fps), String(file.tracks.length), String(file.frames)]));
  await page.screenshot({ path: join(shots, 'list.png') });
});

test('decompile of the folder prints the native lines and its zip holds the native outputs', async () => {
  const lines = await command('decompile');
  const expected = native('decompile', 'mod');
  assert.deepEqual(lines, expected.lines);
  await page.click('#save-zip');
  const folder = unzip(await downloaded('decompiled.zip'));
  const outputs = tree(folder);
  const visible = (name) => !name.split('/').some((part) => part.startsWith('.'));
  assert.deepEqual(outputs, tree(join(expected.folder, 'mod'))
    .filter((name) => visible(name) && name.endsWith('.reanim') && !name.endsWith('notes.reanim')).map((name) => `mod/${name}`));
  for (const name of outputs) assert.deepEqual(readFileSync(join(folder, name)), readFileSync(join(expected.folder, name)), name);
});

test('saving into a folder keeps the tree and the native bytes', async () => {
  // The folder picker is a dialog a headless browser can't show: a folder in memory stands in.
  await page.evaluate(() => {
    window.savedFiles = {};
    const folder = (path) => ({
      name: path || 'picked',
      getDirectoryHandle: async (name) => folder(`${path}${name}/`),
      getFileHandle: async (name) => ({
        createWritable: async () => {
          const parts = [];
          return { write: async (bytes) => parts.push(...bytes), close: async () => { window.savedFiles[path + name] = parts; } };
        },
      }),
    });
    window.showDirectoryPicker = async () => folder('');
  });
  await page.click('#save-folder');
  await page.waitForFunction(() => Object.keys(window.savedFiles).length === 4, { timeout: 30000 });
  const saved = await page.evaluate(() => window.savedFiles);
  const expected = native('decompile', 'mod');
  for (const [name, bytes] of Object.entries(saved)) assert.deepEqual(Buffer.from(bytes), readFileSync(join(expected.folder, name)), name);
});

test('compile of a second folder takes its texts and the first folder\'s, with the native lines and bytes', async () => {
  await pick('#pick-folder', 7, 'texts');
  const lines = await command('compile');
  const expected = native('compile', 'mod', 'texts');
  assert.deepEqual(lines, expected.lines);
  await page.click('#save-zip');
  const folder = unzip(await downloaded('compiled.zip'));
  for (const name of tree(folder)) assert.deepEqual(readFileSync(join(folder, name)), readFileSync(join(expected.folder, name)), name);
  assert.equal(tree(folder).length, 3);
});

test('check --strict of the list prints the native lines', async () => {
  await page.click('#strict');
  await page.click('#strict');
  assert.equal(await page.$eval('#strict', (box) => box.checked), true);
  assert.deepEqual(await command('check'), native('check', '--strict', 'mod', 'texts').lines);
});

test('check --strict of animations that attach others warns of those not beside them, as the native check does', async () => {
  await clearList();
  await pick('#pick-folder', 3, 'attaching');
  const expected = run(work, 'check', '--strict', 'attaching').lines;
  assert.ok(expected.includes('attaching/plant/lonely.reanim.compiled: warning: attached animation not beside it: '
    + 'no walker.reanim.compiled or walker.reanim'), expected.join('\n'));
  assert.ok(expected.includes('attaching/zombie/parade.reanim.compiled: comes back the same'), expected.join('\n'));
  assert.deepEqual(await command('check'), expected);
  // With the zombie folder as the animations folder, the walker is beside every file, as a copy
  // of it beside the lonely one is for the native check.
  await (await page.$('#pick-animations')).uploadFile(join(work, 'attaching/zombie'));
  const copy = mkdtempSync(join(work, 'native-'));
  cpSync(join(work, 'attaching'), join(copy, 'attaching'), { recursive: true });
  cpSync(join(work, 'attaching/zombie/walker.reanim.compiled'), join(copy, 'attaching/plant/walker.reanim.compiled'));
  const found = run(copy, 'check', '--strict', 'attaching/plant/lonely.reanim.compiled', 'attaching/zombie').lines;
  assert.ok(found.every((line) => !line.includes(': warning: ')), found.join('\n'));
  assert.deepEqual((await command('check')).filter((line) => !line.startsWith('Animations from')), found);
});

test('one output downloads under its own name with the native bytes', async () => {
  await clearList();
  await pick('#pick-files', 1, 'mod/anims/zombie/walk.reanim.compiled');
  const lines = await command('decompile');
  const expected = run(work, 'decompile', '-o', '-', 'mod/anims/zombie/walk.reanim.compiled');
  assert.deepEqual(lines, ['Decompiled walk.reanim.compiled to walk.reanim']);
  assert.deepEqual(await downloaded('walk.reanim'), expected.stdout);
});

test('the preview draws the frames render draws, on the canvas and in its exports', async (t) => {
  const shares = [];
  await clearList();
  await pick('#pick-files', 1, 'pixel/pixel.reanim');
  await addImages(join(work, 'pixel/images'));
  await canvasAsRendered('pixel/pixel.reanim', 16, [0, 3, 8, 15], '-20,-30,200,200', shares, async (frame) => {
    await press('e', 'Control');
    const exported = await downloaded(`pixel-frame${frame}.png`);
    const png = rendered('pixel/pixel.reanim', join(work, `render-${frame}.png`), '--frame', String(frame));
    const picture = await pixelDifference(png, { png: exported.toString('base64') });
    shares.push(picture.share);
    if (picture.share >= 0.005) {
      writeFile(join(shots, `frame${frame}-page.png`), exported);
      writeFile(join(shots, `frame${frame}-render.png`), png);
    }
    assert.ok(picture.share < 0.005, `frame ${frame} exported: ${JSON.stringify(picture)}`);
  });
  await openExport();
  await page.click('aria/Sheet PNG');
  const sheet = rendered('pixel/pixel.reanim', join(work, 'render-sheet.png'), '--sheet');
  const difference = await pixelDifference(sheet, { png: (await downloaded('pixel.png')).toString('base64') });
  assert.ok(difference.share < 0.005, `sheet: ${JSON.stringify(difference)}`);
  t.diagnostic(`pixels differing beyond antialiased edges: at most ${(100 * Math.max(...shares, difference.share)).toFixed(2)} %`);
  await page.click('#fit');
  await page.screenshot({ path: join(shots, 'preview.png') });
});

test('the keys play, pause, step and go to the ends', async () => {
  await page.keyboard.press('End');
  assert.equal(await frameLabel(), 'Frame 15 (16/16)');
  await page.keyboard.press('ArrowLeft');
  assert.equal(await frameLabel(), 'Frame 14 (15/16)');
  await page.keyboard.press('Space');
  assert.equal(await page.$eval('#play', (button) => button.textContent), 'Pause');
  await sleep(400);
  await page.keyboard.press('Space');
  assert.equal(await page.$eval('#play', (button) => button.textContent), 'Play');
  assert.notEqual(await frameLabel(), 'Frame 14 (15/16)');
  await page.select('#clip', 'walk');
  await page.keyboard.press('Home');
  assert.match(await frameLabel(), /^Frame 0 \(1\//);
});

// An animated picture's frames as Chromium decodes them: each frame's size, how long it shows
// (microseconds) and its pixels as PNG.
async function framesOf(bytes, type) {
  return page.evaluate(async (base64, kind) => {
    const decoder = new ImageDecoder({ data: Uint8Array.from(atob(base64), (c) => c.charCodeAt(0)), type: kind });
    await decoder.tracks.ready;
    await decoder.completed;
    const frames = [];
    for (let index = 0; index < decoder.tracks.selectedTrack.frameCount; index++) {
      const { image } = await decoder.decode({ frameIndex: index });
      const canvas = new OffscreenCanvas(image.displayWidth, image.displayHeight);
      canvas.getContext('2d').drawImage(image, 0, 0);
      const png = new Uint8Array(await (await canvas.convertToBlob({ type: 'image/png' })).arrayBuffer());
      let text = '';
      for (let at = 0; at < png.length; at += 0x8000) text += String.fromCharCode(...png.subarray(at, at + 0x8000));
      frames.push({ width: image.displayWidth, height: image.displayHeight, duration: image.duration, png: btoa(text) });
      image.close();
    }
    decoder.close();
    return frames;
  }, bytes.toString('base64'), type);
}

// The page's animation against render's of the same clip: as many frames, of the same size and
// timing, each within the antialiasing tolerance of the PNG comparison (GIF's: its palette is
// chosen from each system's own pixels, so a colour may land one palette step away).
async function assertSameAnimation(t, expected, actual, type, what) {
  const want = await framesOf(expected, type);
  const got = await framesOf(actual, type);
  assert.ok(want.length > 1, `${what}: render wrote ${want.length} frames`);
  const shape = (frames) => frames.map(({ width, height, duration }) => ({ width, height, duration }));
  assert.deepEqual(shape(got), shape(want), `${what}: frame sizes and times`);
  let worst = 0;
  for (let index = 0; index < want.length; index++) {
    const difference = await pixelDifference(Buffer.from(want[index].png, 'base64'), { png: got[index].png }, type === 'image/gif' ? 40 : 24);
    worst = Math.max(worst, difference.share);
    if (difference.share >= 0.01) {
      writeFile(join(shots, `${what}-${index}-render.png`), Buffer.from(want[index].png, 'base64'));
      writeFile(join(shots, `${what}-${index}-page.png`), Buffer.from(got[index].png, 'base64'));
    }
    assert.ok(difference.share < 0.01, `${what} frame ${index}: ${JSON.stringify(difference)}`);
  }
  t.diagnostic(`${what}: ${want.length} frames, pixels differing beyond antialiased edges: at most ${(100 * worst).toFixed(2)} %`);
}

// A field's text replaced by `value` as typed.
async function typeInto(id, value) {
  await page.click(`#${id}`);
  await page.keyboard.down('Control');
  await page.keyboard.press('a');
  await page.keyboard.up('Control');
  await page.keyboard.press('Backspace');
  if (value) await page.type(`#${id}`, value);
  assert.equal(await page.$eval(`#${id}`, (input) => input.value), value, id);
}

// The Export bar's picture options as a person sets them: scale, bounds and frame rate typed
// (empty for none), the background ticked and its colour picked, or not ticked (null).
async function setPictureOptions({ scale = '1', bounds = '', fps = '', background = null }) {
  for (const [id, value] of [['export-scale', scale], ['export-bounds', bounds], ['export-fps', fps]]) await typeInto(id, value);
  if (await page.$eval('#export-background-on', (box) => box.checked) !== (background !== null)) await page.click('#export-background-on');
  if (background) {
    await page.$eval('#export-background', (input, colour) => {
      input.value = colour;
      input.dispatchEvent(new Event('input', { bubbles: true }));
    }, background);
  }
}

// Sheet descriptions alike: render's, the origin to the last bit or so (the module's sine and
// cosine are not the C library's).
function assertSameDescription(gotPath, wantPath, what) {
  const [got, want] = [gotPath, wantPath].map((path) => JSON.parse(readFileSync(path, 'utf8')));
  for (const axis of ['x', 'y']) assert.ok(Math.abs(got.origin[axis] - want.origin[axis]) < 1e-9, `${what}: ${JSON.stringify([got.origin, want.origin])}`);
  assert.deepEqual({ ...got, origin: want.origin }, want, what);
}

async function assertSamePicture(expected, actual, what) {
  const difference = await pixelDifference(expected, { png: actual.toString('base64') });
  if (!(difference.share < 0.005)) {
    writeFile(join(shots, `${what}-render.png`), expected);
    writeFile(join(shots, `${what}-page.png`), actual);
  }
  assert.ok(difference.share < 0.005, `${what}: ${JSON.stringify(difference)}`);
}

test('every export under each set of picture options is render\'s with the same options: frame, sheet and description, WebP, GIF, all clips; a value render refuses is refused in its words', async (t) => {
  // The drawing test's animation with two clips, overlapping, and its images.
  const idle = '<track>\n<name>anim_idle</name>\n<t><f>0</f></t>\n' + '<t></t>\n'.repeat(7) + '<t><f>-1</f></t>\n</track>\n';
  const wave = '<track>\n<name>anim_wave</name>\n<t><f>-1</f></t>\n' + '<t></t>\n'.repeat(5) + '<t><f>0</f></t>\n' + '<t></t>\n'.repeat(9) + '</track>\n';
  writeFile(join(work, 'pixel/Clips.reanim'), readFileSync(join(work, 'pixel/pixel.reanim'), 'utf8').replace(/(<\/fps>\n)/, `$1${idle}${wave}`));
  await clearList();
  await pick('#pick-files', 1, 'pixel/Clips.reanim');
  await addImages(join(work, 'pixel/images'));
  await page.waitForFunction(() => document.getElementById('clip').options.length === 3);
  await page.select('#clip', 'wave');
  await page.click('#canvas');
  await page.keyboard.press('Home');
  for (let step = 0; step < 2; step++) await page.keyboard.press('ArrowRight');
  const render = (...args) => run(work, 'render', join(work, 'pixel/Clips.reanim'), '--images', join(work, 'pixel/images'), '-q', ...args);
  const written = (...args) => {
    const result = render(...args);
    assert.equal(result.status, 0, result.lines.join('\n'));
  };
  await openExport();
  // Each set as typed on the page and as render's arguments; `all`, what every clip is exported
  // as (sheets numbered, whose digits each system's fonts draw, are held to their descriptions).
  const optionSets = [
    { name: 'plain', options: {}, args: [], all: { format: 'gif' } },
    { name: 'scale2-colour', options: { scale: '2', background: '#3366cc' }, args: ['--scale', '2', '--background', '#3366cc'],
      all: { format: 'png', columns: '3', padding: '2' } },
    { name: 'bounds-fps', options: { scale: '1.5', bounds: '-10,-20,90,70', fps: '5', background: '#ffee88' },
      args: ['--scale', '1.5', '--bounds', '-10,-20,90,70', '--fps', '5', '--background', '#ffee88'],
      all: { format: 'webp', columns: '2', numbers: true } },
    { name: 'refused-scale', options: { scale: '0' }, args: ['--scale', '0'] },
    { name: 'refused-bounds', options: { bounds: '10,10,0,5' }, args: ['--bounds', '10,10,0,5'] },
    { name: 'refused-fps', options: { fps: '1001' }, args: ['--fps', '1001'] },
  ];
  for (const { name, options, args, all } of optionSets) {
    await setPictureOptions(options);
    const out = (file) => join(work, `render-${name}-${file}`);
    if (!all) {
      // Refused by render with a usage error; the page says its first line and writes nothing.
      const refused = render('--clip', 'wave', '-o', out('x.png'), ...args);
      assert.equal(refused.status, 2, name);
      await page.evaluate(() => document.getElementById('log').replaceChildren());
      for (const button of ['Frame PNG', 'Sheet PNG', 'Export the clip as animated WebP']) await page.click(`aria/${button}`);
      await page.waitForFunction(() => document.querySelectorAll('#log > div').length >= 3);
      assert.deepEqual(await logLines(), Array(3).fill(refused.lines[0]), name);
      continue;
    }
    // The sheet layout, for the clip's sheet and every clip's.
    const { format, columns = '0', padding = '0', numbers = false } = all;
    for (const [id, value] of [['export-columns', columns], ['export-padding', padding]]) await typeInto(id, value);
    if (await page.$eval('#numbers', (box) => box.checked) !== numbers) await page.click('#numbers');
    const layout = [...(columns !== '0' ? ['--columns', columns] : []), '--padding', padding, ...(numbers ? ['--numbers'] : [])];
    await page.click('aria/Frame PNG');
    written('--clip', 'wave', '--frame', '2', '-o', out('frame.png'), ...args);
    await assertSamePicture(readFileSync(out('frame.png')), await downloaded('clips-wave-frame2.png'), `${name}-frame`);
    await page.click('aria/Sheet PNG');
    written('--clip', 'wave', '--sheet', '-o', out('sheet.png'), ...layout, ...args);
    const sheet = await downloaded('clips-wave.png');
    if (!numbers) await assertSamePicture(readFileSync(out('sheet.png')), sheet, `${name}-sheet`);
    writeFile(join(work, `page-${name}-sheet.json`), await downloaded('clips-wave.json'));
    assertSameDescription(join(work, `page-${name}-sheet.json`), out('sheet.json'), `${name}-sheet.json`);
    for (const [suffix, type] of [['webp', 'image/webp'], ['gif', 'image/gif']]) {
      await page.click(`#export-${suffix}`);
      written('--clip', 'wave', '--animation', out(`wave.${suffix}`), ...args);
      await assertSameAnimation(t, readFileSync(out(`wave.${suffix}`)), await downloaded(`clips-wave.${suffix}`), type, `${name}-wave.${suffix}`);
    }
    // Every clip at once into a .zip, named as --all-clips names them.
    await page.select('#export-format', format);
    await page.click('#export-all-zip');
    const zipped = unzip(await downloaded('clips-clips.zip'));
    written('--all-clips', out('all'), '--format', format, ...layout, ...args);
    assert.deepEqual(tree(zipped), tree(out('all')), name);
    for (const file of tree(zipped)) {
      const [got, want] = [join(zipped, file), join(out('all'), file)];
      if (file.endsWith('.json')) assertSameDescription(got, want, `${name}-all-${file}`);
      else if (format === 'png' && !numbers) await assertSamePicture(readFileSync(want), readFileSync(got), `${name}-all-${file}`);
      else if (format !== 'png') await assertSameAnimation(t, readFileSync(want), readFileSync(got), `image/${format}`, `${name}-all-${file}`);
    }
    if (name === 'scale2-colour') await page.screenshot({ path: join(shots, 'export.png') });
  }
  await setPictureOptions({});
});

test('attached animations are drawn as render draws them, composed into their tracks', async (t) => {
  await clearList();
  await pick('#pick-files', 2, 'attach/parent.reanim', 'attach/Child.reanim');
  await previewRow('parent.reanim');
  await addImages(join(work, 'pixel/images'));
  const shares = [];
  await canvasAsRendered('attach/parent.reanim', 12, [0, 2, 5, 9], '-20,-40,220,220', shares);
  await press('e', 'Control');
  const exported = await downloaded('parent-frame9.png');
  const png = rendered('attach/parent.reanim', join(work, 'attach-export.png'), '--frame', '9');
  const picture = await pixelDifference(png, { png: exported.toString('base64') });
  shares.push(picture.share);
  assert.ok(picture.share < 0.005, `frame 9 exported: ${JSON.stringify(picture)}`);
  t.diagnostic(`pixels differing beyond antialiased edges: at most ${(100 * Math.max(...shares)).toFixed(2)} %`);
  await page.click('#fit');
  await page.screenshot({ path: join(shots, 'attached.png') });
});

// The canvas's pixels, to compare before and after.
async function canvasPixels() {
  await painted(page);
  return page.evaluate(() => {
    const canvas = document.getElementById('canvas');
    return Array.from(canvas.getContext('2d').getImageData(0, 0, canvas.width, canvas.height).data);
  });
}

// Pixels of the canvas within `tolerance` of a colour.
function pixelsNear(pixels, [r, g, b], tolerance = 12) {
  let count = 0;
  for (let n = 0; n < pixels.length; n += 4) {
    if (Math.abs(pixels[n] - r) <= tolerance && Math.abs(pixels[n + 1] - g) <= tolerance && Math.abs(pixels[n + 2] - b) <= tolerance) count++;
  }
  return count;
}

function differing(a, b) {
  let count = 0;
  for (let n = 0; n < a.length; n += 4) if (a[n] !== b[n] || a[n + 1] !== b[n + 1] || a[n + 2] !== b[n + 2]) count++;
  return count;
}

const frameLabel = () => page.$eval('#frame-label', (label) => label.textContent);
const green = [60, 160, 80]; // the body of pixel/images

// Files for the view: one whose first frames draw nothing, one with clips (the first in track
// order starts later than the second), the images in other colours with one undecodable.
function makeViewFiles() {
  const body = (frames, shownFrom) => ({ name: 'body', frames: Array.from({ length: frames }, (_, n) => ({
    x: 20 + 4 * n, y: 10, ...(n === 0 ? { i: 'IMAGE_REANIM_BODY' } : {}), ...(n === 0 && shownFrom > 0 ? { f: -1 } : {}),
    ...(n === shownFrom && shownFrom > 0 ? { f: 0 } : {}) })) });
  writeFile(join(work, 'view/late.reanim'), textOf({ fps: 12, tracks: [body(10, 4)] }));
  const marker = (name, first, count) => ({ name, frames: Array.from({ length: 10 }, (_, n) => (
    n === 0 ? { f: first === 0 ? 0 : -1 } : n === first ? { f: 0 } : n === first + count ? { f: -1 } : {})) });
  writeFile(join(work, 'view/clipped.reanim'), textOf({ fps: 12,
    tracks: [marker('anim_idle', 5, 5), body(10, 0), marker('anim_walk', 0, 5), marker('anim_wave', 3, 4)] }));
  writeFile(join(work, 'view/images/body.png'), partImage(40, 60, [200, 40, 200]));
  writeFile(join(work, 'view/images/arm.png'), partImage(14, 50, [40, 40, 220]));
  writeFile(join(work, 'view/images/head.png'), Buffer.from('not a picture at all'));
}

test('a file opens on its first clip, else its first frame that draws, fitted; the frame does not carry over', async () => {
  makeViewFiles();
  await clearList();
  await pick('#pick-files', 3, 'pixel/pixel.reanim', 'view/late.reanim', 'view/clipped.reanim');
  await addImages(join(work, 'pixel/images'));
  await previewRow('pixel.reanim');
  await page.click('#canvas');
  for (let n = 0; n < 8; n++) await page.keyboard.press('ArrowRight');
  assert.equal(await frameLabel(), 'Frame 8 (9/16)');
  await previewRow('late.reanim');
  assert.equal(await frameLabel(), 'Frame 4 (5/10)');
  assert.ok(pixelsNear(await canvasPixels(), green) > 500, 'the body is on the canvas');
  const greyed = () => page.$eval('#tracks li', (item) => item.classList.contains('hidden-in-frame'));
  assert.equal(await greyed(), false);
  await page.keyboard.press('Home');
  assert.equal(await greyed(), true, 'the body is hidden in frame 0');
  await previewRow('clipped.reanim');
  assert.equal(await page.$eval('#clip', (chooser) => chooser.value), 'idle');
  assert.equal(await frameLabel(), 'Frame 5 (1/5)');
  // Clips sharing frames lie on rows of their own: wave (3 to 6) below idle (5 to 9) and walk (0 to 4).
  assert.deepEqual(await page.$$eval('#clip-ranges button', (ranges) => ranges.map((range) => [range.textContent, range.offsetTop > 0])),
    [['idle', false], ['walk', false], ['wave', true]]);
  assert.deepEqual(await page.$$eval('#clip-tracks li', (items) => items.map((item) => item.textContent)), ['anim_idle', 'anim_walk', 'anim_wave']);
  assert.deepEqual(await page.$$eval('#tracks li', (items) => items.map((item) => item.textContent)), ['body']);
  await page.screenshot({ path: join(shots, 'opening.png') });
  // A clip chosen on the timeline plays from its start, fitted; a frame typed outside it leaves it.
  await page.evaluate(() => window.qorutil.preview.setView(0.123, 0, 0));
  await page.click('#clip-ranges button:nth-child(2)');
  assert.equal(await page.$eval('#clip', (chooser) => chooser.value), 'walk');
  assert.equal(await frameLabel(), 'Frame 0 (1/5)');
  assert.notEqual(await page.evaluate(() => window.qorutil.preview.zoom), 0.123);
  await enter('#frame-field', '7');
  assert.equal(await frameLabel(), 'Frame 7 (8/10)');
  assert.equal(await page.$eval('#clip', (chooser) => chooser.value), '');
  // A click on the bar goes to the frame under it: a quarter of the way along ten frames is frame 2.
  const bar = await (await page.$('#timeline')).boundingBox();
  await page.mouse.click(bar.x + bar.width / 4, bar.y + bar.height / 2);
  assert.equal(await frameLabel(), 'Frame 2 (3/10)');
  assert.equal(await page.$eval('#frame-field', (field) => field.value), '2');
});

test('the view keys and controls change the picture: O, A, B, 1, the frame field, the background, hidden tracks; ? lists the keys', async () => {
  await previewRow('pixel.reanim');
  await page.click('#canvas');
  await page.keyboard.press('f');
  // A fitted view follows the stage's size.
  const zoom = () => page.$eval('#zoom-readout', (readout) => readout.textContent);
  const fittedZoom = await zoom();
  await page.setViewport({ width: 1000, height: 720, deviceScaleFactor: 1 });
  await page.waitForFunction((before) => document.getElementById('zoom-readout').textContent !== before, {}, fittedZoom);
  await page.setViewport({ width: 1280, height: 720, deviceScaleFactor: 1 });
  await page.waitForFunction((before) => document.getElementById('zoom-readout').textContent === before, {}, fittedZoom);
  const fitted = await canvasPixels();
  for (const [key, box] of [['o', 'onion'], ['a', 'axes'], ['b', 'bounds']]) {
    await page.keyboard.press(key);
    assert.equal(await page.$eval(`#${box}`, (input) => input.checked), true, key);
    const shown = await canvasPixels();
    assert.ok(differing(fitted, shown) > 50, `${key} changes the picture`);
    if (key === 'a') assert.ok(pixelsNear(shown, [220, 40, 40], 2) > 200, 'the axes are drawn');
    if (key === 'b') assert.ok(pixelsNear(shown, [40, 120, 220], 2) > 100, 'the box is drawn');
    await page.keyboard.press(key.toUpperCase());
    assert.deepEqual(await canvasPixels(), fitted, `${key} again takes it away`);
  }
  assert.notEqual(await page.$eval('#zoom-readout', (readout) => readout.textContent), '100 %');
  await page.keyboard.press('1');
  assert.equal(await page.$eval('#zoom-readout', (readout) => readout.textContent), '100 %');
  const atOne = await canvasPixels();
  assert.ok(differing(fitted, atOne) > 500, '1 zooms');
  await enter('#frame-field', '12');
  assert.equal(await frameLabel(), 'Frame 12 (13/16)');
  assert.ok(differing(atOne, await canvasPixels()) > 50, 'frame 12 is another picture');
  await page.select('#background', 'colour');
  const plain = await canvasPixels();
  assert.equal(pixelsNear(plain, [228, 228, 228], 0), 0, 'no checkers left');
  // The page opened again keeps the background.
  const again = await browser.newPage();
  await again.goto(pathToFileURL(pagePath).href);
  await ready(again);
  assert.equal(await again.$eval('#background', (chooser) => chooser.value), 'colour');
  await again.close();
  await page.select('#background', 'checkers');
  const greens = pixelsNear(await canvasPixels(), green);
  await page.click('#tracks li:first-child input');
  assert.equal(await page.$eval('#tracks li:first-child', (item) => item.classList.contains('hidden-track')), true);
  assert.ok(pixelsNear(await canvasPixels(), green) < greens / 4, 'the hidden body is not drawn');
  await page.click('#tracks li:first-child input');
  await page.click('#canvas');
  await page.keyboard.press('?');
  assert.equal(await page.$eval('#help-dialog', (dialog) => dialog.open), true);
  const keys = await page.$$eval('#help-keys th', (cells) => cells.map((cell) => cell.textContent));
  for (const key of ['Space', 'F', '1', 'A', 'B', 'O', 'Ctrl+E', '?']) assert.ok(keys.includes(key), key);
  await page.screenshot({ path: join(shots, 'help.png') });
  await page.keyboard.press('Escape');
  assert.equal(await page.$eval('#help-dialog', (dialog) => dialog.open), false);
});

test('another images folder redraws the picture at once; an image that can\'t be drawn is named with why', async () => {
  await previewRow('pixel.reanim');
  await page.click('#canvas');
  await page.keyboard.press('f');
  const before = await canvasPixels();
  assert.ok(pixelsNear(before, green) > 500);
  const said = (await logLines()).length;
  await addImages(join(work, 'view/images'));
  const after = await canvasPixels();
  assert.equal(pixelsNear(after, green), 0, 'the old body is gone');
  assert.ok(pixelsNear(after, [200, 40, 200]) > 500, 'the new body is drawn');
  assert.ok(pixelsNear(after, [40, 70, 150], 16) > 20, 'a placeholder stands in for the head');
  const lines = (await logLines()).slice(said);
  assert.ok(lines.some((line) => /^warning: images\/head\.png: the image can't be drawn: .+/.test(line)), lines.join('\n'));
  // The Problems panel over the stage names it too, as the native preview's does.
  assert.equal(await page.$eval('#problems summary', (title) => title.textContent), 'Problems (1)');
  assert.match(await page.$eval('#problems li', (item) => item.textContent), /^image images\/head\.png: the image can't be drawn: .+/);
  await page.keyboard.press('o');
  await page.keyboard.press('a');
  await page.keyboard.press('b');
  await page.screenshot({ path: join(shots, 'viewer.png') });
  for (const key of ['o', 'a', 'b']) await page.keyboard.press(key);
});

test('hostile files give their ERROR lines and the page goes on answering', { timeout: 600000 }, async () => {
  await clearList();
  const names = ['truncated.reanim.compiled', 'garbage.reanim.compiled', 'deep.reanim', 'bomb.reanim.compiled'];
  await (await page.$('#pick-files')).uploadFile(...names.map((name) => join(work, 'hostile', name)));
  // While the worker reads them, the page answers at once.
  const started = Date.now();
  await page.evaluate(() => document.getElementById('loop').click());
  assert.ok(Date.now() - started < 1000);
  await waitForList(4);
  const lines = await command('check');
  const expected = run(join(work, 'hostile'), 'check', '--strict', ...names).lines;
  assert.deepEqual(lines, expected);
  for (const name of names) assert.ok(lines.some((line) => line.startsWith(`ERROR: ${name}`)), name);
  assert.ok(lines.filter((line) => line.startsWith('ERROR:')).length >= 3, lines.join('\n'));
  await page.screenshot({ path: join(shots, 'hostile.png') });
});

test('files and folders dropped on the page opened from disk are listed as picked; what the browser refuses is a line', async () => {
  await clearList();
  const errors = [];
  const onError = (error) => errors.push(error.message);
  page.on('pageerror', onError);
  // Dragged in from outside through the browser's own input, as a person drops them.
  const drop = async (on, ...paths) => {
    const box = await (await page.$(on)).boundingBox();
    const at = { x: box.x + box.width / 2, y: box.y + box.height / 2 };
    const data = { items: [], files: paths.map((path) => join(work, path)), dragOperationsMask: 1 };
    await page.mouse.dragEnter(at, data);
    await page.mouse.dragOver(at, data);
    await page.mouse.drop(at, data);
  };
  await drop('#log', 'texts/a.reanim', 'mod/anims/zombie/walk.reanim.compiled', 'mod', 'moved-away.reanim');
  await waitForList(7);
  assert.deepEqual(await listedPaths(), ['a.reanim', 'walk.reanim.compiled', 'mod/anims/plant/deep/a/b/c/sun.reanim.compiled',
    'mod/anims/plant/notes.reanim', 'mod/anims/plant/pea.reanim.compiled', 'mod/anims/zombie/eat.reanim.compiled',
    'mod/anims/zombie/walk.reanim.compiled']);
  assert.deepEqual(await logLines(), ['ERROR: moved-away.reanim: the browser refused to read this dropped file (NotFoundError);'
    + ' add it with Add files… instead']);
  await drop('#canvas', 'pixel/images');
  await page.waitForFunction(() => [...document.querySelectorAll('#log > div')].some((line) => line.textContent.startsWith('Images')));
  assert.equal((await logLines()).at(-1), 'Images: 3 found');
  page.off('pageerror', onError);
  assert.deepEqual(errors, []);
});

test('every button and box is named in the accessibility tree, and nothing was fetched', async () => {
  const snapshot = await page.accessibility.snapshot({ interestingOnly: false });
  const unnamed = [];
  const visit = (node) => {
    if (['button', 'checkbox', 'combobox', 'slider'].includes(node.role) && !node.name?.trim()) unnamed.push(node.role);
    for (const child of node.children || []) visit(child);
  };
  visit(snapshot);
  assert.deepEqual(unnamed, []);
  const network = requests.filter((url) => !/^(file|blob|data):/.test(url));
  assert.deepEqual(network, []);
});

test('the first frame of a dropped 500 KB animation is on screen within a second', async (t) => {
  await clearList();
  writeFile(join(work, 'large/large.reanim'), textOf(randomAnimation(40, { tracks: 60, frames: 1400 })));
  compileAll(work, 'large/large.reanim');
  const file = join(work, 'large/large.reanim.compiled');
  const size = statSync(file).size;
  assert.ok(size > 450000 && size < 700000, `${size} bytes`);
  const input = await page.$('#pick-files');
  const started = Date.now();
  await input.uploadFile(file);
  await page.waitForFunction(() => document.getElementById('preview-name').textContent === 'large.reanim.compiled', { polling: 'raf' });
  await painted(page);
  const took = Date.now() - started;
  t.diagnostic(`${size} bytes: first frame on screen after ${took} ms`);
  assert.ok(took < 1000, `${took} ms`);
  await waitForList(1);
});

test('the page at 1280 x 720 with a mod and a composed scene in the preview, for the README', async () => {
  await clearList();
  await pick('#pick-folder', 5, 'mod');
  await command('decompile');
  await pick('#pick-files', 8, 'attach/parent.reanim', 'attach/Child.reanim', 'pixel/pixel.reanim');
  await addImages(join(work, 'pixel/images'));
  await previewRow('parent.reanim');
  await page.click('#canvas');
  for (let n = 0; n < 2; n++) await page.keyboard.press('ArrowRight');
  await page.click('#tracks li:nth-child(2)');
  if (await page.$eval('#export-toggle', (button) => button.getAttribute('aria-expanded')) === 'true') await page.click('aria/Export…');
  await page.evaluate(() => window.qorutil.preview.fit());
  await sleep(300);
  await page.screenshot({ path: join(shots, 'page.png') });
});

// A mod of 143 files (the size of a game's animation folder): long names in deep folders, both
// forms, frames from 4 to 43, so that every column sorts differently from the order added.
function makeMod143() {
  const made = [];
  for (let n = 0; n < 143; n++) {
    const frames = 4 + ((n * 17) % 40);
    const path = `many/characters_and_plants/set_${n % 5}/animations/Zombie_${n}_walking.reanim`;
    writeFile(join(work, path), textOf(randomAnimation(100 + n, { tracks: 2 + (n % 4), frames })));
    made.push({ path, frames });
  }
  const compiled = made.filter((_, n) => n % 3 === 0);
  compileAll(work, ...compiled.map((file) => file.path));
  for (const file of compiled) {
    rmSync(join(work, file.path));
    file.path += '.compiled';
  }
  return made;
}

// The rows' geometry as a person sees it: how tall each is, how many lie wholly inside the
// list's scrolled area below its header, and whether each file name is shown whole.
async function rowGeometry() {
  return page.evaluate(() => {
    const wrap = document.querySelector('.table-wrap').getBoundingClientRect();
    const header = document.querySelector('#list thead').getBoundingClientRect();
    const rows = [...document.querySelectorAll('#list tbody tr')];
    const lineHeight = parseFloat(getComputedStyle(rows[0].cells[1]).lineHeight);
    return {
      lineHeight,
      heights: rows.map((row) => row.getBoundingClientRect().height),
      visible: rows.filter((row) => {
        const box = row.getBoundingClientRect();
        return box.top >= header.bottom - 1 && box.bottom <= wrap.bottom + 1;
      }).length,
      namesWhole: rows.every((row) => {
        const name = row.querySelector('td.path .name');
        return name.scrollWidth <= name.clientWidth;
      }),
      titles: rows.every((row) => row.cells[1].title === row.cells[1].textContent),
    };
  });
}

const focusedRowPath = () => page.evaluate(() => document.activeElement.closest('#list tbody tr')?.cells[1].title ?? null);

let mod143;

test('143 files at 1280 x 720: 20 rows and more on screen, one line each, the names whole, the list one Tab stop', async () => {
  await clearList();
  mod143 = makeMod143();
  await pick('#pick-folder', 143, 'many');
  const shown = await rowGeometry();
  assert.ok(shown.visible >= 20, `${shown.visible} rows on screen`);
  assert.ok(Math.max(...shown.heights) < 2 * shown.lineHeight, `rows ${Math.min(...shown.heights)} to ${Math.max(...shown.heights)} px high`);
  assert.ok(shown.namesWhole, 'a file name is cut');
  assert.ok(shown.titles, 'the tooltip of a path is not the whole path');
  assert.deepEqual([...await listedPaths()].sort(), mod143.map((file) => file.path).sort());
  assert.equal(await page.$eval('#list-count', (count) => count.textContent), '143 files');
  await page.screenshot({ path: join(shots, 'list-143.png') });
  // From the filter field through the list: the sort headers and one row, then out of the list.
  await page.focus('#filter');
  const stops = [];
  for (let n = 0; n < 40; n++) {
    await page.keyboard.press('Tab');
    const where = await page.evaluate(() => {
      const at = document.activeElement;
      return at.closest('#list') ? (at.closest('tbody') ? 'row' : 'header') : at.id || at.tagName;
    });
    if (where === 'log') break;
    stops.push(where);
  }
  const inList = stops.filter((stop) => stop === 'row' || stop === 'header');
  assert.deepEqual(inList, [...Array(6).fill('header'), 'row'], stops.join(' '));
  // The log collapses and the list takes its room.
  await page.click('aria/Log[role="button"]');
  assert.equal(await page.$eval('aria/Log[role="button"]', (button) => button.getAttribute('aria-expanded')), 'false');
  assert.ok((await rowGeometry()).visible > shown.visible);
  await page.click('aria/Log[role="button"]');
  // The splitter moves by keys: the list a tenth of the width wider.
  const width = () => page.$eval('section.files', (section) => section.getBoundingClientRect().width);
  const before = await width();
  await page.focus('aria/Width of the list beside the preview');
  for (let n = 0; n < 5; n++) await page.keyboard.press('ArrowRight');
  assert.equal(Math.round((await width()) - before), 128);
  await page.keyboard.press('Home');
  assert.equal(await page.$eval('#splitter', (splitter) => splitter.getAttribute('aria-valuenow')), '20');
  await page.keyboard.down('Shift');
  for (let n = 0; n < 3; n++) await page.keyboard.press('ArrowRight');
  await page.keyboard.up('Shift');
  assert.equal(Math.round(await width()), Math.round(before));
});

test('the list by keys: filter by name, sort by a column, Up and Down, Enter previews, Space chooses, Delete removes', async () => {
  // Filter: those whose path has the words, in the order listed.
  await page.focus('aria/Filter the files by name');
  await page.keyboard.type('zombie_1');
  const wanted = mod143.map((file) => file.path).filter((path) => path.includes('Zombie_1'));
  assert.equal(wanted.length, 54); // 1, 10 to 19 and 100 to 142
  await page.waitForFunction((count) => document.querySelectorAll('#list tbody tr').length === count, {}, wanted.length);
  assert.deepEqual([...await listedPaths()].sort(), [...wanted].sort());
  assert.equal(await page.$eval('#list-count', (count) => count.textContent), `${wanted.length} of 143 files`);
  await page.keyboard.press('ArrowDown');
  assert.equal(await focusedRowPath(), (await listedPaths())[0]);
  await page.focus('#filter');
  await page.keyboard.press('Escape');
  await waitForList(143);
  // Sort by frames: ascending, then descending, the frames as the files were made.
  const framesOf = new Map(mod143.map((file) => [file.path, file.frames]));
  const byFrames = [...framesOf.values()].sort((a, b) => a - b);
  const framesColumn = () => page.$$eval('#list tbody tr', (rows) => rows.map((row) => Number(row.cells[5].textContent)));
  await page.click('aria/Frames');
  assert.equal(await page.$eval('th[data-sort=frames]', (th) => th.getAttribute('aria-sort')), 'ascending');
  assert.deepEqual(await framesColumn(), byFrames);
  assert.deepEqual((await listedPaths()).map((path) => framesOf.get(path)), byFrames);
  await page.keyboard.press('Enter');
  assert.equal(await page.$eval('th[data-sort=frames]', (th) => th.getAttribute('aria-sort')), 'descending');
  assert.deepEqual(await framesColumn(), [...byFrames].reverse());
  // Sort by path, by keys, with the numbers in names in their order.
  await page.focus('th[data-sort=path] button');
  await page.keyboard.press('Enter');
  const byPath = mod143.map((file) => file.path).sort(new Intl.Collator(undefined, { numeric: true, sensitivity: 'base' }).compare);
  assert.deepEqual(await listedPaths(), byPath);
  assert.equal(await page.$$eval('th[aria-sort]', (headers) => headers.length), 1);
  // Tab past the other headers to the rows; Down three times, Enter previews that file; End, Home; the preview's own
  // Home and End are not taken while the list has the keys.
  for (let n = 0; n < 6; n++) await page.keyboard.press('Tab');
  assert.equal(await focusedRowPath(), wanted.sort()[0]); // the row Down took it to from the filter, kept
  await page.keyboard.press('Home');
  assert.equal(await focusedRowPath(), byPath[0]);
  for (let n = 0; n < 3; n++) await page.keyboard.press('ArrowDown');
  await page.keyboard.press('ArrowUp');
  await page.keyboard.press('ArrowDown');
  assert.equal(await focusedRowPath(), byPath[3]);
  await page.keyboard.press('Enter');
  await page.waitForFunction((path) => document.getElementById('preview-name').textContent === path, {}, byPath[3]);
  await page.keyboard.press('ArrowRight'); // not the list's: the preview steps a frame
  const label = await frameLabel();
  await page.keyboard.press('End');
  assert.equal(await focusedRowPath(), byPath[142]);
  await page.keyboard.press('PageUp');
  assert.equal(await focusedRowPath(), byPath[132]);
  await page.keyboard.press('Home');
  assert.equal(await focusedRowPath(), byPath[0]);
  assert.equal(await frameLabel(), label);
  // Delete removes the row; the next one takes its place and the keys.
  await page.keyboard.press('ArrowDown');
  await page.keyboard.press('Delete');
  assert.deepEqual(await listedPaths(), byPath.filter((_, n) => n !== 1));
  assert.equal(await focusedRowPath(), byPath[2]);
  // Space chooses rows; the Remove button takes the chosen ones off.
  await page.keyboard.press('Space');
  await page.keyboard.press('ArrowDown');
  await page.keyboard.press('ArrowDown');
  await page.keyboard.press('Space');
  assert.deepEqual(await page.$$eval('#list tbody input:checked', (boxes) => boxes.map((box) => box.getAttribute('aria-label'))),
    [`Choose ${byPath[2]}`, `Choose ${byPath[4]}`]);
  await page.click('aria/Remove');
  assert.deepEqual(await listedPaths(), byPath.filter((_, n) => ![1, 2, 4].includes(n)));
  assert.equal(await page.$eval('#list-count', (count) => count.textContent), '140 files');
  await page.screenshot({ path: join(shots, 'list-sorted.png') });
  // The file previewed taken off: its picture goes with it.
  await page.click(`aria/Choose ${byPath[3]}`);
  await page.click('aria/Remove');
  await page.waitForFunction(() => document.getElementById('preview-name').textContent === '');
  assert.equal(await page.$eval('#canvas', (canvas) => canvas.getAttribute('aria-label')), 'No file previewed');
});

test('an empty file and random bytes, by either name: the row, the preview and the native info say the same error; the canvas is cleared', async () => {
  await clearList();
  writeFile(join(work, 'bad/empty.reanim.compiled'), Buffer.alloc(0));
  writeFile(join(work, 'bad/noise.reanim.compiled'), Buffer.from(Array.from({ length: 3000 }, (_, n) => (n * 7919 + 5) & 255)));
  writeFile(join(work, 'bad/noise.reanim'), readFileSync(join(work, 'bad/noise.reanim.compiled')));
  const bad = ['empty.reanim.compiled', 'noise.reanim.compiled', 'noise.reanim'];
  await pick('#pick-files', 4, 'pixel/pixel.reanim', ...bad.map((name) => `bad/${name}`));
  // The canvas's colours: the checkers alone are two.
  const colours = () => page.evaluate(() => {
    const canvas = document.getElementById('canvas');
    const pixels = canvas.getContext('2d').getImageData(0, 0, canvas.width, canvas.height).data;
    const seen = new Set();
    for (let n = 0; n < pixels.length; n += 4) seen.add((pixels[n] << 16) | (pixels[n + 1] << 8) | pixels[n + 2]);
    return seen.size;
  });
  await page.waitForFunction(() => document.getElementById('preview-name').textContent === 'pixel.reanim');
  await painted(page);
  assert.ok(await colours() > 2, 'the animation is drawn');
  for (const name of bad) {
    const expected = run(join(work, 'bad'), 'info', name).lines.filter((line) => line.startsWith('ERROR:'));
    assert.equal(expected.length, 1, name);
    const path = `#list tbody td.path[title="${name}"]`;
    assert.equal(await page.$eval(path, (cell) => cell.closest('tr').querySelector('td.error').textContent), expected[0]);
    await page.click(path);
    await page.waitForFunction((line) => document.getElementById('preview-name').textContent === line, {}, expected[0]);
    await painted(page);
    assert.equal(await colours(), 2, name);
    assert.equal(await page.$eval('#canvas', (canvas) => canvas.getAttribute('aria-label')), `No picture of ${name}: ${expected[0]}`);
    assert.equal(await page.$eval('#frame-label', (label) => label.textContent), 'Frame 0 (0/0)');
    await page.click('#list tbody td.path[title="pixel.reanim"]');
    await page.waitForFunction(() => document.getElementById('preview-name').textContent === 'pixel.reanim');
    await painted(page);
    assert.ok(await colours() > 2, 'the animation is drawn again');
  }
  await page.click('#list tbody td.path[title="noise.reanim.compiled"]');
  await page.waitForFunction(() => document.getElementById('preview-name').classList.contains('failed'));
  await page.screenshot({ path: join(shots, 'failed-file.png') });
});

test('the status after a run says what happened: a failed compile of one file, and a run of several', async () => {
  await clearList();
  writeFile(join(work, 'broken/broken.reanim'), '<fps>12</fps>\n<track>\n<name>a</name>\n');
  await pick('#pick-files', 1, 'broken/broken.reanim');
  const lines = await command('compile');
  assert.deepEqual(lines, run(join(work, 'broken'), 'compile', 'broken.reanim').lines);
  assert.equal(await page.$eval('#progress-text', (status) => status.textContent), '0 converted, 1 failed, 0 skipped');
  await pick('#pick-files', 2, 'texts/a.reanim');
  await command('compile');
  const copy = mkdtempSync(join(work, 'native-'));
  cpSync(join(work, 'broken/broken.reanim'), join(copy, 'broken.reanim'));
  cpSync(join(work, 'texts/a.reanim'), join(copy, 'a.reanim'));
  assert.equal(await page.$eval('#progress-text', (status) => status.textContent), run(copy, 'compile', 'broken.reanim', 'a.reanim').lines.at(-1));
});

test('with 1,000 files the list is read, sorted and filtered without stalling the page', { timeout: 300000 }, async (t) => {
  await clearList();
  for (let n = 0; n < 1000; n++) {
    writeFile(join(work, `thousand/folder_${n % 20}/file_${n}.reanim`), textOf(randomAnimation(n, { tracks: 1, frames: 3 + (n % 9) })));
  }
  const started = Date.now();
  await pick('#pick-folder', 1000, 'thousand');
  await page.waitForFunction(() => document.getElementById('progress-text').textContent === '1000 read, 0 failed', { timeout: 240000 });
  const read = Date.now() - started;
  const timed = (action) => page.evaluate(async (what) => {
    const begun = performance.now();
    if (what === 'sort') document.querySelector('th[data-sort=frames] button').click();
    else {
      const filter = document.getElementById('filter');
      filter.value = what;
      filter.dispatchEvent(new Event('input'));
    }
    document.body.getBoundingClientRect(); // the layout it causes, counted
    return performance.now() - begun;
  }, action);
  const times = { sort: await timed('sort'), filter: await timed('file_9'), all: await timed('') };
  t.diagnostic(`1000 files read in ${read} ms; sorted in ${times.sort.toFixed(0)} ms, filtered in ${times.filter.toFixed(0)} ms,`
    + ` shown again in ${times.all.toFixed(0)} ms`);
  for (const [what, ms] of Object.entries(times)) assert.ok(ms < 250, `${what}: ${ms} ms`);
  assert.ok(read < 60000, `${read} ms`);
  await clearList();
});
