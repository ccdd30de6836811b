// Nothing lost, in Debian's Chromium at 1280 x 720, driven as a person drives it: a file changed
// in three steps and left without saving comes back with its history (every save at every step
// of undo the same as before the reload, and redo too), or, when its kept steps can't be taken
// up, as it was last kept, the log saying so; a file opened with a handle saves back
// into it after a reload; an animation that another attaches is drawn while the other is edited,
// is opened for editing from it, and drawn in it as it was edited. The screenshot of the restored
// file goes to build-web/screenshots/restored.png.
import { test, before, after } from 'node:test';
import assert from 'node:assert/strict';
import { existsSync, readFileSync } from 'node:fs';
import { join } from 'node:path';
import { shots, studioFixture, walker } from './fixture.mjs';
import { textOf, writeFile } from './generate.mjs';
import { run } from './native.mjs';

const studio = studioFixture('keeping');
const { work, downloads, downloaded, saveAs, nativeCompile, press, settled, undoIs, editStep, logged, previewShows, previewRow, addImages, openFile,
  studioShown, edit, stageView, reload } = studio;
let page;

// The parent draws its own body at (0, 0) and, in its "hand" track at (200, 20), the child: one
// part of 40 x 60 at the child's (10, 10).
const child = { fps: 12, tracks: [{ name: 'part', frames: [{ x: 10, y: 10, i: 'IMAGE_REANIM_BODY' }] }] };
const parent = { fps: 12, tracks: [
  { name: 'own', frames: [{ x: 0, y: 0, i: 'IMAGE_REANIM_ARM' }] },
  { name: 'hand', frames: [{ x: 200, y: 20, text: 'attacher__child' }] },
] };

before(async () => {
  writeFile(join(work, 'disk/held.reanim'), textOf(walker));
  writeFile(join(work, 'attach/parent.reanim'), textOf(parent));
  writeFile(join(work, 'attach/child.reanim'), textOf(child));
  ({ page } = await studio.open());
  page.on('dialog', (dialog) => dialog.accept()); // leaving with changes not saved: yes
});

after(() => studio.close());

// The page left, its changes kept, and opened again.
async function loaded() {
  await page.evaluate(() => window.qorutil.keeper.flush());
  await reload();
}

async function restore() {
  await page.waitForFunction(() => !document.getElementById('kept').hidden);
  await page.click('aria/Restore');
  await studioShown();
}

test('a file changed in three steps and left unsaved comes back with its history: undone step by step to the file opened, and redone', async () => {
  const original = readFileSync(join(work, 'edit/walk.reanim'));
  await openFile(join(work, 'edit/walk.reanim'), join(work, 'images'));
  await edit();
  // Each step's compiled save (not the file's own form, so it stays changed), as a person makes them.
  const saves = [nativeCompile('walk.reanim', original)];
  for (const [step, name] of [['Insert frame', 'Insert frame'], ['Duplicate frame', 'Duplicate frame'], ['Add track', 'Add track track4']]) {
    await editStep(step, name);
    saves.push(await saveAs('compiled', 'walk.reanim.compiled'));
  }
  assert.equal(new Set(saves.map(String)).size, 4, 'each step changes the file');

  await loaded();
  await restore();
  await page.screenshot({ path: join(shots, 'restored.png') });
  await logged('walk.reanim: restored with its undo steps');
  assert.equal(await page.$eval('#undo', (button) => button.textContent), 'Undo Add track track4');
  assert.deepEqual(await saveAs('compiled', 'walk.reanim.compiled'), saves[3], 'restored, it saves what it saved before the reload');
  for (const [step, name] of [[2, 'Add track track4'], [1, 'Duplicate frame'], [0, 'Insert frame']]) {
    await page.focus('#canvas');
    await press('z', 'Control');
    await page.waitForFunction((want) => document.getElementById('redo').textContent === `Redo ${want}`, {}, name);
    await settled();
    assert.deepEqual(await saveAs('compiled', 'walk.reanim.compiled'), saves[step], `undone to step ${step}, it saves what it saved then`);
  }
  assert.equal(await page.$eval('#undo', (button) => button.disabled), true, 'nothing before the file as it was opened');
  await press('s', 'Control');
  assert.deepEqual(await downloaded('walk.reanim'), original, 'undone all the way, Save gives the file as it was opened');
  for (const [step, name] of [[1, 'Insert frame'], [2, 'Duplicate frame']]) {
    await editStep(`Redo ${name}`, name);
    assert.deepEqual(await saveAs('compiled', 'walk.reanim.compiled'), saves[step], `redone to step ${step}`);
  }
  await loaded(); // redone past the save: kept again, with its history both ways
  await restore();
  assert.equal(await page.$eval('#redo', (button) => button.textContent), 'Redo Add track track4');
  await editStep('Redo Add track track4', 'Add track track4');
  assert.deepEqual(await saveAs('compiled', 'walk.reanim.compiled'), saves[3]);
  await page.evaluate(() => window.qorutil.keeper.discard());
});

// Kept edits the page can't take up (say the page changed since they were kept): the file comes
// back as it was last kept, without its steps, and the log says so.
test('kept edits that cannot be taken up give the file as last kept, without its undo steps, and say so', async () => {
  await previewRow('walk.reanim');
  await edit({ unlessEditing: true });
  await editStep('Delete frame');
  const compiled = await saveAs('compiled', 'walk.reanim.compiled');
  await page.evaluate(async () => {
    const { keeper } = window.qorutil;
    await keeper.flush();
    const [record] = (await keeper.kept()).filter((each) => each.path === 'walk.reanim');
    await keeper.run('readwrite', (store) => store.put({ ...record, edits: new Uint8Array([81, 79, 82, 69, 99, 0, 0, 0]) }));
  });
  await loaded();
  await restore();
  await logged('warning: walk.reanim: the undo steps kept of it could not be taken up; it opens as it was last kept, without them');
  assert.deepEqual(await saveAs('compiled', 'walk.reanim.compiled'), compiled, 'it saves what it saved before the reload');
  assert.equal(await page.$eval('#undo', (button) => button.disabled), true);
  assert.match(await page.$eval('#list tbody tr td.path', (cell) => cell.textContent), /^•walk\.reanim/, 'changed until saved');
  await page.evaluate(() => window.qorutil.keeper.discard());
});

// A drop through the browser's own drag and drop hands the page a real handle to the file, which
// the page keeps with the file's edits. A headless browser cannot answer its question for leave to
// write after a reload, so a stand-in answers it and keeps what Save writes.
test('a dropped file kept with its handle saves back into that file after a reload and Restore', async () => {
  const cdp = await page.createCDPSession();
  const data = { items: [], files: [join(work, 'disk/held.reanim')], dragOperationsMask: 1 };
  for (const type of ['dragEnter', 'dragOver', 'drop']) await cdp.send('Input.dispatchDragEvent', { type, x: 300, y: 400, data });
  await page.waitForFunction(() => window.qorutil.list.entries.some((entry) => entry.path === 'held.reanim'));
  await previewRow('held.reanim');
  await edit({ unlessEditing: true });
  await editStep('Insert frame');
  const compiled = await saveAs('compiled', 'held.reanim.compiled');

  await loaded();
  await restore();
  const handle = () => page.evaluate(() => {
    const entry = window.qorutil.list.entries.find((each) => each.path === 'held.reanim');
    return entry && entry.handle instanceof FileSystemFileHandle ? entry.handle.name : null;
  });
  assert.equal(await handle(), 'held.reanim', 'the file is listed again with its handle');
  await page.evaluate(() => {
    window.asked = [];
    FileSystemFileHandle.prototype.requestPermission = async function ask(options) {
      window.asked.push([this.name, options.mode]);
      return 'granted';
    };
    FileSystemFileHandle.prototype.createWritable = async function writable() {
      const parts = [];
      return { write: async (part) => parts.push(part), close: async () => { window.written = [...new Uint8Array(await new Blob(parts).arrayBuffer())]; } };
    };
  });
  await page.focus('#canvas');
  await press('s', 'Control');
  await logged('Saved held.reanim back to its file');
  writeFile(join(work, 'native/held.reanim.compiled'), compiled);
  const text = run(join(work, 'native'), 'decompile', '-o', '-', 'held.reanim.compiled');
  assert.equal(text.status, 0, text.lines.join('\n'));
  assert.deepEqual(Buffer.from(await page.evaluate(() => window.written)), text.stdout, 'the file gets the text of what was kept');
  assert.deepEqual(await page.evaluate(() => window.asked), [['held.reanim', 'readwrite']]);
  assert.equal(existsSync(join(downloads, 'held.reanim')), false, 'nothing downloaded');
});

// The colour of the canvas at (x, y) of its own pixels.
const canvasPixel = (x, y) => page.evaluate(({ x: at, y: down }) => [...document.getElementById('canvas').getContext('2d').getImageData(at, down, 1, 1).data].slice(0, 3), { x, y });
const green = (rgb) => Math.abs(rgb[0] - 60) < 30 && Math.abs(rgb[1] - 160) < 30 && Math.abs(rgb[2] - 80) < 30;

test('an attached animation is drawn while the file attaching it is edited, opens for editing from it, and is drawn there as edited', async () => {
  for (const name of ['parent.reanim', 'child.reanim']) {
    await (await page.$('#pick-files')).uploadFile(join(work, 'attach', name));
    await page.waitForFunction((want) => window.qorutil.list.entries.some((entry) => entry.path === want && entry.info), {}, name);
  }
  await addImages(join(work, 'images'));
  await previewRow('parent.reanim');
  await edit();
  // At zoom 1 with the origin at (100, 100) of the canvas, the child's part (40 x 60 at its own
  // (10, 10)) lies at the hand's (200, 20) plus that.
  const view = async () => {
    const onPage = await stageView();
    await settled();
    return onPage;
  };
  let onPage = await view();
  assert.ok(green(await canvasPixel(100 + 215, 100 + 60)), 'the attached part is drawn where the hand puts it');
  await page.mouse.click(onPage(215, 60).x, onPage(215, 60).y);
  await page.waitForFunction(() => document.querySelector('#tracks li.selected')?.textContent === 'hand');
  await page.waitForFunction(() => !document.getElementById('edit-attached').disabled);
  await page.screenshot({ path: join(shots, 'attached.png') });
  await page.click('aria/Edit attached animation');
  await previewShows('child.reanim');
  await studioShown();
  await logged('Editing child.reanim, which parent.reanim attaches');

  // The child's part moved 30 to the right, by the keys.
  onPage = await view();
  await page.mouse.click(onPage(30, 40).x, onPage(30, 40).y);
  await page.waitForFunction(() => document.querySelector('#tracks li.selected')?.textContent === 'part');
  await page.focus('#canvas');
  for (let n = 0; n < 3; n++) await press('ArrowRight', 'Shift');
  await page.waitForFunction(() => document.getElementById('inspect-x')?.value === '40');
  await settled();

  await previewRow('parent.reanim');
  await studioShown();
  onPage = await view();
  assert.ok(green(await canvasPixel(100 + 275, 100 + 60)), 'the part is drawn where the child now puts it');
  assert.ok(!green(await canvasPixel(100 + 215, 100 + 60)), 'and no longer where it was');
  // A double click on the part opens the child again.
  await page.mouse.click(onPage(275, 60).x, onPage(275, 60).y, { clickCount: 2 });
  await previewShows('child.reanim');
  await studioShown();
});

// Chromium's picker can't be answered in a headless browser: a stand-in for it hands over a
// stand-in handle to a file. Without a picker, Open… is the file input Add files… is.
test('Open… lists the files the picker hands over with their handles; without a picker it opens the file input', async () => {
  await page.evaluate((text) => {
    window.picked = [];
    const handle = { kind: 'file', name: 'picked.reanim', standIn: true, getFile: async () => new File([text], 'picked.reanim') };
    window.showOpenFilePicker = async (options) => {
      window.picked.push(options.types[0].accept);
      return [handle];
    };
  }, textOf(walker));
  await page.click('aria/Open…');
  await page.waitForFunction(() => window.qorutil.list.entries.some((entry) => entry.path === 'picked.reanim' && entry.info?.ok
    && entry.handle?.standIn));
  assert.deepEqual(await page.evaluate(() => window.picked), [{ 'application/octet-stream': ['.reanim', '.compiled'] }]);

  await page.evaluate(() => { window.showOpenFilePicker = undefined; });
  const [chooser] = await Promise.all([page.waitForFileChooser(), page.click('aria/Open…')]);
  assert.equal(chooser.isMultiple(), true);
  await chooser.accept([join(work, 'edit/walk.reanim')]);
  await page.waitForFunction(() => window.qorutil.list.entries.some((entry) => entry.path === 'walk.reanim' && entry.info && !entry.handle));
});
