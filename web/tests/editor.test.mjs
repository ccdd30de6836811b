// The page's editor in Debian's Chromium, headless, at 1280 x 720, driven as a person drives it:
// by the controls' names, the mouse and the keys. A generated text is opened, a part selected by
// a click and dragged, and the saves compared with the original text (only the dragged frame's
// x and y differ; after undo, nothing) and with the native command line's compile. The
// screenshot goes to build-web/screenshots/editor.png.
import { test, before, after } from 'node:test';
import assert from 'node:assert/strict';
import { existsSync, mkdirSync, mkdtempSync, readFileSync, rmSync } from 'node:fs';
import { tmpdir } from 'node:os';
import { join } from 'node:path';
import { openPage, sleep, takeDownload, editorSettled, pressKeys } from './chromium.mjs';
import { partImage, textOf, writeFile } from './generate.mjs';
import { haveNative, page as pagePath, root, run } from './native.mjs';

const work = mkdtempSync(join(tmpdir(), 'qorutil-editor-'));
const downloads = join(work, 'downloads');
const shots = join(root, 'build-web/screenshots');
let browser;
let page;

// Three parts apart from each other, neither turned nor scaled, so that where each is drawn is
// worked out here: the body's image covers [x, x + 40] x [y, y + 60].
const frames = 10;
const bodyAt = (n) => ({ x: 40 + 2 * n, y: 50 });
const animation = { fps: 12, tracks: [
  { name: 'body', frames: Array.from({ length: frames }, (_, n) => ({ ...bodyAt(n), ...(n === 0 ? { i: 'IMAGE_REANIM_BODY' } : {}) })) },
  { name: 'arm', frames: Array.from({ length: frames }, (_, n) => ({ x: 150, y: 40 + n, ...(n === 0 ? { i: 'IMAGE_REANIM_ARM' } : {}) })) },
  { name: 'head', frames: [{ x: 45, y: 5, i: 'IMAGE_REANIM_HEAD' }, ...Array.from({ length: frames - 1 }, () => ({}))] },
] };

before(async () => {
  assert.ok(haveNative(), 'the native qorutil-cli is built (bash scripts/build.sh)');
  assert.ok(existsSync(pagePath), 'the page is built (bash scripts/web.sh)');
  mkdirSync(downloads, { recursive: true });
  mkdirSync(shots, { recursive: true });
  writeFile(join(work, 'edit/walk.reanim'), textOf(animation));
  for (const [name, width, height, colour] of [['body', 40, 60, [60, 160, 80]], ['arm', 14, 50, [230, 140, 40]], ['head', 36, 36, [250, 210, 90]]]) {
    writeFile(join(work, `images/${name}.png`), partImage(width, height, colour));
  }
  ({ browser, page } = await openPage(work, downloads));
});

after(async () => {
  await browser?.close();
  rmSync(work, { recursive: true, force: true });
});

const downloaded = (name, timeout) => takeDownload(downloads, name, timeout);

const press = (key, ...modifiers) => pressKeys(page, key, ...modifiers);

const buttonText = (name) => page.$eval(`aria/${name}`, (button) => button.textContent).catch(() => null);

const settled = () => editorSettled(page);

// The lines of one text not in the other, each side, with their line numbers.
function differentLines(before, after) {
  const a = before.toString('utf8').split('\n');
  const b = after.toString('utf8').split('\n');
  assert.equal(a.length, b.length, 'as many lines');
  return a.flatMap((line, n) => (line === b[n] ? [] : [{ line: n + 1, before: line, after: b[n] }]));
}

test('a part clicked and dragged moves by the units dragged in that frame alone; undo gives the file back; saves compile as the command line compiles', async () => {
  const original = readFileSync(join(work, 'edit/walk.reanim'));
  await (await page.$('#pick-files')).uploadFile(join(work, 'edit/walk.reanim'));
  await page.waitForFunction(() => document.getElementById('preview-name').textContent === 'walk.reanim', { timeout: 60000 });
  await (await page.$('#pick-images')).uploadFile(join(work, 'images'));
  await page.waitForFunction(() => [...document.querySelectorAll('#log > div')].some((line) => line.textContent.startsWith('Images')));

  // Frame 5, by the frame field as a person types it.
  const frameField = await page.$('aria/Frame number');
  await frameField.click({ clickCount: 3 });
  await page.keyboard.type('5');
  await page.keyboard.press('Enter');
  await page.waitForFunction(() => document.getElementById('frame-label').textContent.startsWith('Frame 5 '));

  await page.click('aria/Edit');
  await page.waitForFunction(() => !document.getElementById('edit-bar').hidden);
  assert.equal(await page.$eval('aria/Edit', (button) => button.getAttribute('aria-pressed')), 'true');

  // At zoom 1, the stage's unit is a pixel: the view puts the origin at (100, 100) of the canvas.
  const origin = { x: 100, y: 100 };
  await page.evaluate(({ x, y }) => window.qorutil.preview.setView(1, x, y), origin);
  const box = await (await page.$('#canvas')).boundingBox();
  const body = bodyAt(5);
  const at = { x: box.x + origin.x + body.x + 20, y: box.y + origin.y + body.y + 30 };
  await page.mouse.click(at.x, at.y);
  await page.waitForFunction(() => document.querySelector('#tracks li.selected')?.textContent === 'body');
  await settled();
  const field = (name) => page.$eval(`#inspect-${name}`, (input) => [input.value, document.getElementById(`${input.id}-mark`).textContent]);
  assert.deepEqual(await field('x'), [String(body.x), 'set']);
  assert.deepEqual(await field('image'), ['IMAGE_REANIM_BODY', 'carried']);

  // Dragged by 10 units right and 10 down, in several moves: one step.
  await page.mouse.move(at.x, at.y);
  await page.mouse.down();
  for (let step = 1; step <= 5; step++) await page.mouse.move(at.x + 2 * step, at.y + 2 * step);
  await page.mouse.up();
  await settled();
  await page.waitForFunction(() => document.getElementById('undo').textContent === 'Undo Move body');
  assert.deepEqual(await field('x'), [String(body.x + 10), 'set']);
  assert.match(await page.$eval('#list tbody tr td.path', (cell) => cell.textContent), /^•walk\.reanim \(changed, not saved\)$/);

  await page.click('aria/Save as text');
  const moved = await downloaded('walk.reanim');
  const bodyFrame5 = 3 + 5 + 1; // <fps>, <track>, <name>, frames 0 to 4, then frame 5
  assert.deepEqual(differentLines(original, moved), [{ line: bodyFrame5,
    before: `<t><x>${body.x.toFixed(3)}</x><y>${body.y.toFixed(3)}</y></t>`,
    after: `<t><x>${(body.x + 10).toFixed(3)}</x><y>${(body.y + 10).toFixed(3)}</y></t>` }]);
  await page.screenshot({ path: join(shots, 'editor.png') });

  await page.focus('#canvas');
  await press('z', 'Control');
  await page.waitForFunction(() => document.getElementById('redo').textContent === 'Redo Move body');
  // Saved as text (its own form) with the move, the file undone differs from what was saved.
  const listed = () => page.$eval('#list tbody tr td.path', (cell) => cell.textContent);
  assert.equal(await listed(), '•walk.reanim (changed, not saved)');
  await press('s', 'Control');
  assert.deepEqual(await downloaded('walk.reanim'), original, 'undone, the text comes back byte for byte');
  await page.waitForFunction(() => document.querySelector('#list tbody tr td.path').textContent === 'walk.reanim');
  await press('y', 'Control');
  await page.waitForFunction(() => document.getElementById('undo').textContent === 'Undo Move body');

  // An arrow nudges the selection by 1, Shift by 10, each a step of its own.
  await press('ArrowLeft');
  await press('ArrowUp', 'Shift');
  await settled();
  await page.waitForFunction(() => document.getElementById('undo').textContent === 'Undo Move body'
    && document.getElementById('inspect-y').value === '50');
  assert.deepEqual(await field('x'), [String(body.x + 9), 'set']);
  await press('z', 'Control');
  await press('z', 'Control');
  await settled();
  await page.waitForFunction(() => document.getElementById('inspect-x').value === '60');

  // The inspector: a value typed sets it in this frame; emptied, the frame carries the one before.
  await page.click('#inspect-sx', { clickCount: 3 });
  await page.keyboard.type('2');
  await page.keyboard.press('Enter');
  await page.waitForFunction(() => document.getElementById('undo').textContent === 'Undo Set sx of body');
  await page.waitForFunction(() => document.getElementById('inspect-sx-mark').textContent === 'set');
  assert.deepEqual(await field('sx'), ['2', 'set']);
  await page.click('#inspect-x', { clickCount: 3 });
  await page.keyboard.press('Backspace');
  await page.keyboard.press('Enter');
  await page.waitForFunction(() => document.getElementById('undo').textContent === 'Undo Clear x of body');
  await page.waitForFunction((x) => document.getElementById('inspect-x').value === x, {}, String(bodyAt(4).x));
  assert.deepEqual(await field('x'), [String(bodyAt(4).x), 'carried']);

  await page.click('aria/Insert frame');
  await page.waitForFunction(() => document.getElementById('undo').textContent === 'Undo Insert frame');
  await page.click('aria/Save as text');
  const text = await downloaded('walk.reanim');
  await page.click('aria/Save as compiled');
  const compiled = await downloaded('walk.reanim.compiled');
  writeFile(join(work, 'saved/walk.reanim'), text);
  const native = run(join(work, 'saved'), 'compile', '-o', '-', 'walk.reanim');
  assert.equal(native.status, 0, native.lines.join('\n'));
  assert.deepEqual(compiled, native.stdout, 'saved compiled as qorutil-cli compiles the saved text');
  assert.equal((text.toString().match(/<t>/g) || []).length, (original.toString().match(/<t>/g) || []).length + 3, 'a frame more in each track');
});

test('the editing controls are named, the keys listed in Help', async () => {
  for (const name of ['Undo Insert frame', 'Redo', 'Insert frame', 'Duplicate frame', 'Delete frame', 'Save as text', 'Save as compiled', 'Edit']) {
    assert.notEqual(await buttonText(name), null, `a control named ${name}`);
  }
  for (const field of ['x', 'y', 'kx', 'ky', 'sx', 'sy', 'f', 'a', 'image', 'font', 'text']) {
    assert.equal(await page.$eval(`#inspect-${field}`, (input) => input.labels[0].textContent), field);
  }
  await page.click('aria/Help: keys (?)');
  const keys = await page.$$eval('#help-keys th', (cells) => cells.map((cell) => cell.textContent));
  for (const key of ['Ctrl+Z', 'Ctrl+Shift+Z / Ctrl+Y', 'Ctrl+S', 'Drag (editing)']) assert.ok(keys.includes(key), key);
  await page.keyboard.press('Escape');
});

test('a compiled file saves compiled under its own name; leaving the page with a change unsaved asks first', async () => {
  const compiled = run(join(work, 'edit'), 'compile', '-o', '-', 'walk.reanim').stdout;
  writeFile(join(work, 'edit/run.reanim.compiled'), compiled);
  await (await page.$('#pick-files')).uploadFile(join(work, 'edit/run.reanim.compiled'));
  await page.waitForFunction(() => document.querySelectorAll('#list tbody tr').length === 2);
  await page.$$eval('#list tbody tr td.path', (cells) => cells.find((cell) => cell.textContent === 'run.reanim.compiled').click());
  await page.waitForFunction(() => document.getElementById('preview-name').textContent === 'run.reanim.compiled');
  await page.click('aria/Edit');
  await page.waitForFunction(() => !document.getElementById('edit-bar').hidden);
  await page.focus('#canvas');
  await press('s', 'Control');
  assert.deepEqual(await downloaded('run.reanim.compiled'), compiled);

  await page.click('aria/Duplicate frame');
  await page.waitForFunction(() => document.getElementById('undo').textContent === 'Undo Duplicate frame');
  const asked = new Promise((resolve) => page.once('dialog', async (dialog) => {
    resolve(dialog.type());
    await dialog.dismiss();
  }));
  await page.evaluate(() => setTimeout(() => location.reload(), 0));
  assert.equal(await Promise.race([asked, sleep(10000).then(() => 'no question')]), 'beforeunload');
  assert.equal(await page.$eval('#preview-name', (name) => name.textContent), 'run.reanim.compiled', 'still on the page');
});

// The page left with a change not saved: opened again, it offers the file back as it stood.
test('a change not saved outlives a reload: Restore lists the file changed and saves what it saved before; Discard forgets it', async () => {
  const loaded = async () => {
    await page.reload();
    await page.waitForFunction(() => document.getElementById('about').textContent !== '', { timeout: 60000 });
  };
  const offered = () => page.waitForFunction(() => !document.getElementById('kept').hidden).then(() => page.$eval('#kept-text', (span) => span.textContent));
  const listed = (text) => page.waitForFunction((want) => document.querySelector('#list tbody tr td.path')?.textContent === want, {}, text);
  const leave = (dialog) => dialog.accept();
  page.on('dialog', leave);
  // The test before left run.reanim.compiled changed: it is offered, and discarded here.
  await page.evaluate(() => window.qorutil.keeper.flush());
  await loaded();
  assert.equal(await offered(), '1 changed file was not saved: run.reanim.compiled');
  await page.click('aria/Discard');
  await page.evaluate(() => window.qorutil.keeper.writing);
  assert.equal(await page.$eval('#list tbody', (body) => body.rows.length), 0);
  writeFile(join(work, 'keep/hold.reanim'), textOf(animation));
  const original = readFileSync(join(work, 'keep/hold.reanim'));
  await (await page.$('#pick-files')).uploadFile(join(work, 'keep/hold.reanim'));
  await page.waitForFunction(() => document.getElementById('preview-name').textContent === 'hold.reanim', { timeout: 60000 });
  await (await page.$('#pick-images')).uploadFile(join(work, 'images'));
  await page.waitForFunction(() => [...document.querySelectorAll('#log > div')].some((line) => line.textContent.startsWith('Images')));
  await page.click('aria/Edit');
  await page.waitForFunction(() => !document.getElementById('edit-bar').hidden);
  await page.evaluate(() => window.qorutil.preview.setView(1, 100, 100));
  const box = await (await page.$('#canvas')).boundingBox();
  const at = { x: box.x + 100 + bodyAt(0).x + 20, y: box.y + 100 + bodyAt(0).y + 30 };
  await page.mouse.move(at.x, at.y);
  await page.mouse.down();
  for (let step = 1; step <= 5; step++) await page.mouse.move(at.x + 2 * step, at.y + 2 * step);
  await page.mouse.up();
  await settled();
  await page.waitForFunction(() => document.getElementById('undo').textContent === 'Undo Move body');
  await page.click('aria/Save as compiled'); // not its own form: still not saved
  const compiled = await downloaded('hold.reanim.compiled');
  await page.evaluate(() => window.qorutil.keeper.flush());

  await loaded();
  assert.equal(await offered(), '1 changed file was not saved: hold.reanim');
  await page.screenshot({ path: join(shots, 'kept.png') });
  await page.click('aria/Restore');
  await listed('•hold.reanim (changed, not saved)');
  await page.waitForFunction(() => !document.getElementById('edit-bar').hidden);
  await settled();
  await page.click('aria/Save as compiled');
  assert.deepEqual(await downloaded('hold.reanim.compiled'), compiled, 'restored, it saves what it saved before the reload');
  await page.click('aria/Save as text');
  const text = await downloaded('hold.reanim');
  const moved = differentLines(original, text);
  assert.equal(moved.length, 1, JSON.stringify(moved));
  assert.match(moved[0].after, new RegExp(`<x>${(bodyAt(0).x + 10).toFixed(3)}</x><y>${(bodyAt(0).y + 10).toFixed(3)}</y>`));
  writeFile(join(work, 'kept/hold.reanim'), text);
  const native = run(join(work, 'kept'), 'compile', '-o', '-', 'hold.reanim');
  assert.equal(native.status, 0, native.lines.join('\n'));
  assert.deepEqual(native.stdout, compiled, 'the restored text compiles as the page compiled it before the reload');
  await listed('hold.reanim');

  // Saved in its own form, nothing is offered; changed again and left, it is; discarded, it is not.
  await page.click('aria/Insert frame');
  await page.waitForFunction(() => document.getElementById('undo').textContent === 'Undo Insert frame');
  await settled();
  await page.evaluate(() => window.qorutil.keeper.flush());
  await loaded();
  assert.equal(await offered(), '1 changed file was not saved: hold.reanim');
  await page.click('aria/Discard');
  await page.evaluate(() => window.qorutil.keeper.writing);
  await loaded();
  assert.deepEqual(await page.evaluate(async () => (await window.qorutil.keeper.kept()).length), 0);
  assert.equal(await page.$eval('#kept', (bar) => bar.hidden), true);
  page.off('dialog', leave);
});

test('New opens a blank animation for editing; with a track added it saves a text the command line compiles as the page does', async () => {
  await page.click('aria/New');
  await page.waitForFunction(() => document.getElementById('preview-name').textContent === 'untitled.reanim', { timeout: 60000 });
  await page.waitForFunction(() => !document.getElementById('edit-bar').hidden);
  await page.click('aria/Add track');
  await page.waitForFunction(() => !document.getElementById('undo').disabled);
  await settled();
  await page.click('aria/Save as text');
  const text = await downloaded('untitled.reanim');
  assert.match(text.toString(), /<track>\s*<name>track1<\/name>/);
  await page.click('aria/Save as compiled');
  const compiled = await downloaded('untitled.reanim.compiled');
  writeFile(join(work, 'new/untitled.reanim'), text);
  const native = run(join(work, 'new'), 'compile', '-o', '-', 'untitled.reanim');
  assert.equal(native.status, 0, native.lines.join('\n'));
  assert.deepEqual(compiled, native.stdout);
});

// A drop in Chromium hands the page a handle to the file. A headless browser gets no drop from
// outside, and a page opened from the disk has no storage of its own to take handles from, so a
// handle made here stands in for the disk: it holds the file's bytes, answers the question for
// leave to write as `window.leave` says, and keeps what is written.
test('Save writes back into a dropped file the page got a handle for, once allowed; else it downloads; Save as text downloads', async () => {
  await page.evaluate((text) => {
    let bytes = new TextEncoder().encode(text);
    window.leave = 'granted';
    window.asked = [];
    const handle = { kind: 'file', name: 'back.reanim',
      getFile: async () => new File([bytes], 'back.reanim'),
      requestPermission: async (options) => { window.asked.push(options.mode); return window.leave; },
      createWritable: async () => {
        const parts = [];
        return { write: async (part) => parts.push(part), close: async () => { bytes = new Uint8Array(await new Blob(parts).arrayBuffer()); } };
      } };
    window.onDisk = async () => [...bytes];
    handle.getFile().then((file) => {
      const drop = new Event('drop', { bubbles: true, cancelable: true });
      Object.defineProperty(drop, 'dataTransfer', { value: { items: [{ kind: 'file', webkitGetAsEntry: () => null,
        getAsFile: () => file, getAsFileSystemHandle: async () => handle }] } });
      document.getElementById('list').dispatchEvent(drop);
    });
  }, textOf(animation));
  const row = (name) => page.waitForFunction((want) => [...document.querySelectorAll('#list tbody tr td.path')].some((cell) => cell.textContent === want), {}, name);
  await row('back.reanim');
  await page.$$eval('#list tbody tr td.path', (cells) => cells.find((cell) => cell.textContent === 'back.reanim').click());
  await page.waitForFunction(() => document.getElementById('preview-name').textContent === 'back.reanim');
  if (await page.$eval('#edit-bar', (bar) => bar.hidden)) await page.click('aria/Edit');
  await page.waitForFunction(() => !document.getElementById('edit-bar').hidden);
  const logged = (line) => page.waitForFunction((want) => [...document.querySelectorAll('#log > div')].some((item) => item.textContent === want), {}, line);
  const change = async (name) => {
    await page.click(`aria/${name}`);
    await page.waitForFunction((want) => document.getElementById('undo').textContent === `Undo ${want}`, {}, name);
    await settled();
  };

  await change('Insert frame');
  await page.click('aria/Save as text');
  const text = await downloaded('back.reanim');
  assert.notDeepEqual(text, Buffer.from(textOf(animation)));
  await page.focus('#canvas');
  await press('s', 'Control');
  await logged('Saved back.reanim back to its file');
  assert.deepEqual(Buffer.from(await page.evaluate(() => window.onDisk())), text, 'the file holds what Save as text gives');
  await row('back.reanim'); // saved: the changed mark is gone
  assert.equal(existsSync(join(downloads, 'back.reanim')), false, 'nothing downloaded');

  // Refused leave to write: the save downloads, the file stays as it was.
  await page.evaluate(() => { window.leave = 'denied'; });
  await change('Duplicate frame');
  await press('s', 'Control');
  const refused = await downloaded('back.reanim');
  await logged('warning: back.reanim: could not save back to its file (the browser was not allowed to write to it); it downloads instead');
  assert.deepEqual(Buffer.from(await page.evaluate(() => window.onDisk())), text);
  assert.notDeepEqual(refused, text);
  assert.deepEqual(await page.evaluate(() => window.asked), ['readwrite', 'readwrite']);
});
