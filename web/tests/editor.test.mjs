// The page's editor in Debian's Chromium, headless, at 1280 x 720, driven as a person drives it:
// by the controls' names, the mouse and the keys. A generated text is opened, a part selected by
// a click and dragged, and the saves compared with the original text (only the dragged frame's
// x and y differ; after undo, nothing) and with the native command line's compile. The
// screenshot goes to build-web/screenshots/editor.png.
import { test, before, after } from 'node:test';
import assert from 'node:assert/strict';
import { existsSync, readFileSync } from 'node:fs';
import { join } from 'node:path';
import { sleep } from './chromium.mjs';
import { bodyAt, differentLines, shots, studioFixture, walker } from './fixture.mjs';
import { textOf, writeFile } from './generate.mjs';

const studio = studioFixture('editor');
const { work, downloads, downloaded, saveAs, nativeCompile, press, enter, drag, settled, undoIs, editStep, logged, previewShows, previewRow,
  openFile, studioShown, edit, stageView, reload } = studio;
let page;
before(async () => ({ page } = await studio.open()));
after(() => studio.close());

// Where the mouse goes for the middle of the body in frame n, the stage at zoom 1.
const bodyMiddle = async (n) => (await stageView())(bodyAt(n).x + 20, bodyAt(n).y + 30);

// A drag from `at` by 10 units right and 10 down, in five moves: one step.
const dragBy10 = (at) => drag(at, { x: at.x + 10, y: at.y + 10 }, { steps: 5 });

test('a part clicked and dragged moves by the units dragged in that frame alone; undo gives the file back; saves compile as the command line compiles', async () => {
  const original = readFileSync(join(work, 'edit/walk.reanim'));
  await openFile(join(work, 'edit/walk.reanim'), join(work, 'images'));

  // Frame 5, by the frame field as a person types it.
  await enter('aria/Frame number', '5');
  await page.waitForFunction(() => document.getElementById('frame-label').textContent.startsWith('Frame 5 '));

  await edit();
  assert.equal(await page.$eval('aria/Edit', (button) => button.getAttribute('aria-pressed')), 'true');

  const body = bodyAt(5);
  const at = await bodyMiddle(5);
  await page.mouse.click(at.x, at.y);
  await page.waitForFunction(() => document.querySelector('#tracks li.selected')?.textContent === 'body');
  await settled();
  const field = (name) => page.$eval(`#inspect-${name}`, (input) => [input.value, document.getElementById(`${input.id}-mark`).textContent]);
  assert.deepEqual(await field('x'), [String(body.x), 'set']);
  assert.deepEqual(await field('image'), ['IMAGE_REANIM_BODY', 'carried']);

  await dragBy10(at);
  await undoIs('Undo Move body');
  assert.deepEqual(await field('x'), [String(body.x + 10), 'set']);
  assert.match(await page.$eval('#list tbody tr td.path', (cell) => cell.textContent), /^•walk\.reanim \(changed, not saved\)$/);

  const moved = await saveAs('text', 'walk.reanim');
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
  await undoIs('Undo Move body');

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
  await enter('#inspect-sx', '2');
  await undoIs('Undo Set sx of body');
  await page.waitForFunction(() => document.getElementById('inspect-sx-mark').textContent === 'set');
  assert.deepEqual(await field('sx'), ['2', 'set']);
  await enter('#inspect-x', '');
  await undoIs('Undo Clear x of body');
  await page.waitForFunction((x) => document.getElementById('inspect-x').value === x, {}, String(bodyAt(4).x));
  assert.deepEqual(await field('x'), [String(bodyAt(4).x), 'carried']);

  await editStep('Insert frame');
  const text = await saveAs('text', 'walk.reanim');
  const compiled = await saveAs('compiled', 'walk.reanim.compiled');
  assert.deepEqual(compiled, nativeCompile('walk.reanim', text), 'saved compiled as qorutil-cli compiles the saved text');
  assert.equal((text.toString().match(/<t>/g) || []).length, (original.toString().match(/<t>/g) || []).length + 3, 'a frame more in each track');
});

test('the editing controls are named, the keys listed in Help', async () => {
  // The frame buttons are the studio's (timeline.test.mjs).
  for (const name of ['Undo Insert frame', 'Redo', 'Save as text', 'Save as compiled', 'Edit']) {
    assert.ok(await page.$(`aria/${name}[role="button"]`), `a button named ${name}`);
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
  const compiled = nativeCompile('walk.reanim', textOf(walker));
  writeFile(join(work, 'edit/run.reanim.compiled'), compiled);
  await (await page.$('#pick-files')).uploadFile(join(work, 'edit/run.reanim.compiled'));
  await page.waitForFunction(() => document.querySelectorAll('#list tbody tr').length === 2);
  await previewRow('run.reanim.compiled');
  await edit();
  await page.focus('#canvas');
  await press('s', 'Control');
  assert.deepEqual(await downloaded('run.reanim.compiled'), compiled);

  await editStep('Duplicate frame');
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
  const offered = () => page.waitForFunction(() => !document.getElementById('kept').hidden).then(() => page.$eval('#kept-text', (span) => span.textContent));
  const listed = (text) => page.waitForFunction((want) => document.querySelector('#list tbody tr td.path')?.textContent === want, {}, text);
  const leave = (dialog) => dialog.accept();
  page.on('dialog', leave);
  // The test before left run.reanim.compiled changed: it is offered, and discarded here.
  await page.evaluate(() => window.qorutil.keeper.flush());
  await reload();
  assert.equal(await offered(), '1 changed file was not saved: run.reanim.compiled');
  await page.click('aria/Discard');
  await page.evaluate(() => window.qorutil.keeper.writing);
  assert.equal(await page.$eval('#list tbody', (body) => body.rows.length), 0);
  writeFile(join(work, 'keep/hold.reanim'), textOf(walker));
  const original = readFileSync(join(work, 'keep/hold.reanim'));
  await openFile(join(work, 'keep/hold.reanim'), join(work, 'images'));
  await edit();
  await dragBy10(await bodyMiddle(0));
  await undoIs('Undo Move body');
  const compiled = await saveAs('compiled', 'hold.reanim.compiled'); // not its own form: still not saved
  await page.evaluate(() => window.qorutil.keeper.flush());

  await reload();
  assert.equal(await offered(), '1 changed file was not saved: hold.reanim');
  await page.screenshot({ path: join(shots, 'kept.png') });
  await page.click('aria/Restore');
  await listed('•hold.reanim (changed, not saved)');
  await studioShown();
  assert.deepEqual(await saveAs('compiled', 'hold.reanim.compiled'), compiled, 'restored, it saves what it saved before the reload');
  const text = await saveAs('text', 'hold.reanim');
  const moved = differentLines(original, text);
  assert.equal(moved.length, 1, JSON.stringify(moved));
  assert.match(moved[0].after, new RegExp(`<x>${(bodyAt(0).x + 10).toFixed(3)}</x><y>${(bodyAt(0).y + 10).toFixed(3)}</y>`));
  assert.deepEqual(nativeCompile('hold.reanim', text), compiled, 'the restored text compiles as the page compiled it before the reload');
  await listed('hold.reanim');

  // Saved in its own form, nothing is offered; changed again and left, it is; discarded, it is not.
  await editStep('Insert frame');
  await page.evaluate(() => window.qorutil.keeper.flush());
  await reload();
  assert.equal(await offered(), '1 changed file was not saved: hold.reanim');
  await page.click('aria/Discard');
  await page.evaluate(() => window.qorutil.keeper.writing);
  await reload();
  assert.deepEqual(await page.evaluate(async () => (await window.qorutil.keeper.kept()).length), 0);
  assert.equal(await page.$eval('#kept', (bar) => bar.hidden), true);
  page.off('dialog', leave);
});

test('New opens a blank animation for editing; with a track added it saves a text the command line compiles as the page does', async () => {
  await page.click('aria/New');
  await previewShows('untitled.reanim');
  await studioShown();
  await page.click('aria/Add track');
  await page.waitForFunction(() => !document.getElementById('undo').disabled);
  await settled();
  const text = await saveAs('text', 'untitled.reanim');
  assert.match(text.toString(), /<track>\s*<name>track1<\/name>/);
  assert.deepEqual(await saveAs('compiled', 'untitled.reanim.compiled'), nativeCompile('untitled.reanim', text));
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
  }, textOf(walker));
  const row = (name) => page.waitForFunction((want) => [...document.querySelectorAll('#list tbody tr td.path')].some((cell) => cell.textContent === want), {}, name);
  await row('back.reanim');
  await previewRow('back.reanim');
  await edit({ unlessEditing: true });

  await editStep('Insert frame');
  const text = await saveAs('text', 'back.reanim');
  assert.notDeepEqual(text, Buffer.from(textOf(walker)));
  await page.focus('#canvas');
  await press('s', 'Control');
  await logged('Saved back.reanim back to its file');
  assert.deepEqual(Buffer.from(await page.evaluate(() => window.onDisk())), text, 'the file holds what Save as text gives');
  await row('back.reanim'); // saved: the changed mark is gone
  assert.equal(existsSync(join(downloads, 'back.reanim')), false, 'nothing downloaded');

  // Refused leave to write: the save downloads, the file stays as it was.
  await page.evaluate(() => { window.leave = 'denied'; });
  await editStep('Duplicate frame');
  await press('s', 'Control');
  const refused = await downloaded('back.reanim');
  await logged('warning: back.reanim: could not save back to its file (the browser was not allowed to write to it); it downloads instead');
  assert.deepEqual(Buffer.from(await page.evaluate(() => window.onDisk())), text);
  assert.notDeepEqual(refused, text);
  assert.deepEqual(await page.evaluate(() => window.asked), ['readwrite', 'readwrite']);
});
