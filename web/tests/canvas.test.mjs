// The editor's canvas in Debian's Chromium, headless, at 1280 x 720, driven by the mouse and the
// keys: the handles turn and scale what is selected, Shift-click adds a part, the arrows nudge
// every part selected, a box drawn on nothing selects the parts it meets. Each edit is read back
// from the saved text (only the fields it names change, in that frame) and undone to the bytes
// opened. The screenshots with the handles and with a box being drawn go to build-web/screenshots/
// (handles.png, handles-turned.png, box-select.png).
import { test, before, after } from 'node:test';
import assert from 'node:assert/strict';
import { readFileSync } from 'node:fs';
import { join } from 'node:path';
import { differentLines, shots, studioFixture } from './fixture.mjs';

const studio = studioFixture('canvas');
const { work, saveAs, press, holding, enter, drag, settled, undoIs, openFile, edit, stageView } = studio;
let page;
let original;
let onPage; // where the mouse goes for a point of the stage

// The walker in frame 5: the body covers [50, 90] x [50, 110], the arm [150, 164] x [45, 95] and
// the head [45, 81] x [5, 41]; the view puts the stage's origin at (100, 100) of the canvas.
const frame = 5;
const origin = { x: 100, y: 100 };

before(async () => {
  ({ page } = await studio.open());
  original = readFileSync(join(work, 'edit/walk.reanim'));
  await openFile(join(work, 'edit/walk.reanim'), join(work, 'images'));
  await enter('aria/Frame number', String(frame));
  // The studio's layout settles before the stage is measured: the canvas moves and grows with it.
  await edit();
  onPage = await stageView(origin);
});

after(() => studio.close());

async function saved() {
  await settled();
  return saveAs('text', 'walk.reanim');
}

// Undone, the text saved is the one opened, byte for byte.
async function undoneToOriginal() {
  await page.focus('#canvas');
  await press('z', 'Control');
  await page.waitForFunction(() => document.getElementById('undo').disabled);
  assert.deepEqual(await saved(), original, 'undone, the text comes back byte for byte');
}

// The lines of the saved text that differ from the one opened: [before, after].
const changedLines = (after) => differentLines(original, after).map((change) => [change.before, change.after]);

// The selection's handles once the core placed them around `bounds` ({x, y, w, h}, stage units).
async function handlesAround(bounds) {
  await settled();
  await page.waitForFunction((want) => {
    const frame = window.qorutil.editor.stage.handleFrame;
    return frame && ['x', 'y', 'w', 'h'].every((key) => Math.abs(frame.bounds[key] - want[key]) < 1e-6);
  }, { timeout: 10000 }, bounds);
}

// The body clicked and the arm Shift-clicked: both selected.
async function selectBodyAndArm() {
  await page.keyboard.press('Escape');
  await page.mouse.click(onPage(70, 80).x, onPage(70, 80).y);
  await holding(['Shift'], () => page.mouse.click(onPage(157, 70).x, onPage(157, 70).y));
  await settled();
}

const selectedTracks = () => page.evaluate(() => [...window.qorutil.preview.selected.tracks]);

test('the turn handle turned a quarter sets kx and ky of that frame to 90, a corner handle sets sx and sy, Alt on an edge skews kx alone; each undoes to the bytes opened', async () => {
  await page.mouse.click(onPage(70, 80).x, onPage(70, 80).y);
  await handlesAround({ x: 50, y: 50, w: 40, h: 60 });
  assert.deepEqual(await selectedTracks(), [0]);

  // The round handle sits 24 pixels above the middle of the top edge: (70, 26), 20 right of the
  // pivot (the body's origin, 50, 50) and 24 above it; a quarter turn on takes it to 24 right
  // and 20 below. Shift holds the turn to steps of 15 degrees.
  // The inspector follows the drag as it goes.
  await holding(['Shift'], () => drag(onPage(70, 26), onPage(74, 70), { held: async () => {
    await settled();
    assert.deepEqual(await page.$$eval(['#inspect-kx', '#inspect-ky', '#inspect-sx'].join(','), (inputs) => inputs.map((input) => input.value)),
      ['90', '90', '1'], 'the inspector follows the drag');
  } }));
  await undoIs('Undo Turn body');
  // The clip's box follows the document: the body turned a quarter about (50, 50) reaches x -10.
  assert.equal(await page.evaluate(() => window.qorutil.preview.currentFraming().area.x), -10);
  const bodyLine = '<t><x>50.000</x><y>50.000</y></t>';
  assert.deepEqual(changedLines(await saved()), [[bodyLine, '<t><x>50.000</x><y>50.000</y><kx>90.000</kx><ky>90.000</ky></t>']]);
  // Turned, it is boxed as it is: the middle of its own right side, 40 and 30 from its origin,
  // sits at (20, 90). Taken 20 on along its x axis (down the stage), it scales that axis alone.
  await settled();
  await page.waitForFunction(() => {
    const frame = window.qorutil.editor.stage.handleFrame;
    return frame && Math.abs(frame.corners[1][0] - 50) < 1e-6 && Math.abs(frame.corners[1][1] - 90) < 1e-6;
  }, { timeout: 10000 });
  await page.screenshot({ path: join(shots, 'handles-turned.png') });
  await page.mouse.move(onPage(20, 90).x, onPage(20, 90).y);
  assert.equal(await page.$eval('#canvas', (canvas) => canvas.style.cursor), 'ns-resize', 'the cursor points the way the edge pulls');
  await drag(onPage(20, 90), onPage(20, 110));
  await undoIs('Undo Scale body');
  assert.deepEqual(changedLines(await saved()), [[bodyLine, '<t><x>50.000</x><y>50.000</y><kx>90.000</kx><ky>90.000</ky><sx>1.500</sx></t>']]);
  await press('z', 'Control');
  await undoneToOriginal();

  // The bottom-right corner (90, 110), 40 and 60 from the pivot, to (110, 140): half as far
  // again each way.
  await handlesAround({ x: 50, y: 50, w: 40, h: 60 });
  await drag(onPage(90, 110), onPage(110, 140));
  await undoIs('Undo Scale body');
  assert.deepEqual(changedLines(await saved()), [[bodyLine, '<t><x>50.000</x><y>50.000</y><sx>1.500</sx><sy>1.500</sy></t>']]);
  await undoneToOriginal();

  // Alt on the right edge (90, 80), 40 right of the pivot and 30 below, skews: taken to (90, 120)
  // it turns the x axis by 23.4 degrees, 30 in steps of 15; ky, which the frame leaves unset, stays so.
  await handlesAround({ x: 50, y: 50, w: 40, h: 60 });
  await holding(['Alt', 'Shift'], () => drag(onPage(90, 80), onPage(90, 120)));
  await undoIs('Undo Skew body');
  assert.deepEqual(changedLines(await saved()), [[bodyLine, '<t><x>50.000</x><y>50.000</y><kx>30.000</kx></t>']]);
  await undoneToOriginal();
});

test('Shift-click adds a part, a number typed in the inspector and an arrow change both; a box drawn on nothing selects the parts it meets; Escape selects none', async () => {
  await selectBodyAndArm();
  assert.deepEqual(await selectedTracks(), [0, 1]);
  await page.waitForFunction(() => /2 selected/.test(document.querySelector('.inspector-title').textContent));
  // A number typed in the inspector is set in both.
  await enter('#inspect-y', '7');
  await page.waitForFunction(() => document.getElementById('undo').textContent.startsWith('Undo Set y'));
  assert.deepEqual(changedLines(await saved()), [
    ['<t><x>50.000</x><y>50.000</y></t>', '<t><x>50.000</x><y>7.000</y></t>'],
    ['<t><x>150.000</x><y>45.000</y></t>', '<t><x>150.000</x><y>7.000</y></t>'],
  ]);
  await undoneToOriginal();

  await page.focus('#canvas');
  await page.keyboard.press('ArrowRight');
  await page.waitForFunction(() => document.getElementById('undo').textContent.startsWith('Undo Move'));
  assert.deepEqual(changedLines(await saved()), [
    ['<t><x>50.000</x><y>50.000</y></t>', '<t><x>51.000</x><y>50.000</y></t>'],
    ['<t><x>150.000</x><y>45.000</y></t>', '<t><x>151.000</x><y>45.000</y></t>'],
  ]);
  await undoneToOriginal();

  await page.keyboard.press('Escape');
  await settled();
  assert.deepEqual(await selectedTracks(), []);
  // From (20, 0), where nothing is drawn, to (120, 120): the body and the head, not the arm.
  await drag(onPage(20, 0), onPage(120, 120), { held: async () => {
    await settled();
    await page.screenshot({ path: join(shots, 'box-select.png') });
  } });
  await page.waitForFunction(() => window.qorutil.preview.selected.tracks.length > 0);
  assert.deepEqual(await selectedTracks(), [0, 2]);
  await handlesAround({ x: 45, y: 5, w: 45, h: 105 });
  await page.screenshot({ path: join(shots, 'handles.png') });
});

test('the image field offers the images folder by the names frames give them, and sets the one chosen in every part selected', async () => {
  await selectBodyAndArm();
  await page.waitForFunction(() => document.querySelectorAll('#inspect-image-choices option').length === 3);
  assert.deepEqual(await page.$$eval('#inspect-image-choices option', (options) => options.map((option) => option.value)),
    ['IMAGE_REANIM_ARM', 'IMAGE_REANIM_BODY', 'IMAGE_REANIM_HEAD']);
  assert.equal(await page.$eval('#inspect-image', (input) => input.list.id), 'inspect-image-choices');
  await enter('#inspect-image', 'IMAGE_REANIM_HEAD');
  await undoIs('Undo Set image of 2 tracks');
  assert.deepEqual(changedLines(await saved()), [
    ['<t><x>50.000</x><y>50.000</y></t>', '<t><x>50.000</x><y>50.000</y><i>IMAGE_REANIM_HEAD</i></t>'],
    ['<t><x>150.000</x><y>45.000</y></t>', '<t><x>150.000</x><y>45.000</y><i>IMAGE_REANIM_HEAD</i></t>'],
  ]);
  await undoneToOriginal();
});

test('while editing the middle button and Space+drag pan the view and change nothing; Space alone still plays', async () => {
  await page.keyboard.press('Escape');
  await page.mouse.click(onPage(70, 80).x, onPage(70, 80).y);
  await settled();
  const pan = () => page.evaluate(() => ({ ...window.qorutil.preview.pan }));
  const start = onPage(70, 80); // on the body: a drag there with the left button alone would move it
  await page.mouse.move(start.x, start.y);
  await page.mouse.down({ button: 'middle' });
  await page.mouse.move(start.x + 30, start.y + 20, { steps: 3 });
  await page.mouse.up({ button: 'middle' });
  assert.deepEqual(await pan(), { x: origin.x + 30, y: origin.y + 20 });
  await page.focus('#canvas');
  await page.keyboard.down(' ');
  await page.mouse.move(start.x + 30, start.y + 20);
  await page.mouse.down();
  await page.mouse.move(start.x, start.y, { steps: 3 });
  await page.mouse.up();
  await page.keyboard.up(' ');
  await settled();
  assert.deepEqual(await pan(), origin);
  assert.equal(await page.$eval('#undo', (button) => button.disabled), true, 'nothing edited');
  assert.deepEqual(await selectedTracks(), [0]);
  assert.equal(await page.evaluate(() => window.qorutil.preview.player.playing), false);
  await page.keyboard.press(' ');
  assert.equal(await page.evaluate(() => window.qorutil.preview.player.playing), true);
  await page.keyboard.press(' ');
  assert.equal(await page.evaluate(() => window.qorutil.preview.player.playing), false);
  assert.deepEqual(changedLines(await saved()), []);
});
