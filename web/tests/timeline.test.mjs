// The studio in Debian's Chromium, headless, at 1280 x 720, driven as a person drives it: by the
// controls' names, the mouse on the per-track timeline and the keys. Files made here are opened,
// frames inserted, a run tweened and made a clip, frames copied into another file, a key set and
// cleared, a track dragged to a new place, a clip range dragged and renamed, a run duplicated and
// deleted; the saves are read back as text and compared with the native command line's compile. The screenshot goes to build-web/screenshots/studio.png.
import { test, before, after } from 'node:test';
import assert from 'node:assert/strict';
import { join } from 'node:path';
import { sleep } from './chromium.mjs';
import { shots, studioFixture } from './fixture.mjs';
import { textOf, writeFile } from './generate.mjs';

// The body moves from x 10 in frame 0 to x 90 in frame 8 with nothing given between.
const empty = (count) => Array.from({ length: count }, () => ({}));
const walk = { fps: 12, tracks: [
  { name: 'body', frames: [{ x: 10, y: 50, i: 'IMAGE_REANIM_BODY' }, ...empty(7), { x: 90 }] },
  { name: 'arm', frames: [{ x: 150, y: 40, i: 'IMAGE_REANIM_ARM' }, ...empty(8)] },
  { name: 'head', frames: [{ x: 45, y: 5, i: 'IMAGE_REANIM_HEAD' }, ...empty(8)] },
] };
const other = { fps: 12, tracks: [{ name: 'leg', frames: [{ x: 0, y: 0, i: 'IMAGE_REANIM_LEG' }, ...empty(5)] }] };

const studio = studioFixture('timeline', { walk, moreParts: [['leg', 12, 40, [90, 120, 220]]] });
const { work, saveAs, nativeCompile, press, holding, drag, settled, undoIs, editStep, logged, previewRow, addImages, edit } = studio;
let page;
before(async () => {
  writeFile(join(work, 'edit/other.reanim'), textOf(other));
  ({ page } = await studio.open());
});
after(() => studio.close());

// The timeline's measures, as tracktimeline.js draws it: a name column, then a column a frame.
const nameWidth = 180;
const rowHeight = 18;
const cellWidth = 12;

// The middle of a cell of the timeline (a track's row, a frame's column), or of a track's name.
async function cell(row, frame) {
  const box = await (await page.$('#track-timeline-scroll')).boundingBox();
  const header = await page.evaluate(() => window.qorutil.studio.timeline.headerHeight());
  const y = box.y + header + row * rowHeight + rowHeight / 2;
  return frame === 'name' ? { x: box.x + 60, y } : { x: box.x + nameWidth + frame * cellWidth + cellWidth / 2, y };
}

// Each frame of a track in a saved text, as its <t> line.
function framesOf(text, name) {
  const track = text.toString('utf8').split('<track>').find((part) => part.includes(`<name>${name}</name>`));
  assert.ok(track, `a track ${name}`);
  return track.split('\n').filter((line) => line.startsWith('<t>'));
}

const chosen = () => page.evaluate(() => ({ tracks: window.qorutil.preview.selected.tracks, frames: window.qorutil.preview.selected.frames }));

// A listed file previewed (a click on its row), then edited. The preview is let finish first (it
// has been shown, nothing is asked of the worker, for half a second): one still under way would
// leave editing when it arrived.
async function open(name) {
  await previewRow(name);
  const shown = (want) => window.qorutil.editor.entry?.path === want && !window.qorutil.editor.active
    && window.qorutil.preview.jobs.pending.size === 0;
  for (let stable = 0, start = Date.now(); stable < 5; await sleep(100)) {
    assert.ok(Date.now() - start < 60000, `${name} is previewed`);
    stable = (await page.evaluate(shown, name)) ? stable + 1 : 0;
  }
  await edit();
}

test('in the studio a frame is inserted, a run tweened and made a clip; the compiled save is the command line\'s compile of the text', async () => {
  await (await page.$('#pick-files')).uploadFile(join(work, 'edit/walk.reanim'), join(work, 'edit/other.reanim'));
  await page.waitForFunction(() => document.querySelectorAll('#list tbody tr').length === 2, { timeout: 60000 });
  await addImages(join(work, 'images'));
  await open('walk.reanim');

  // The list gives way to the studio: everything in the window, the inspector beside the stage.
  assert.equal(await page.$eval('#files-pane', (pane) => getComputedStyle(pane).display), 'none');
  assert.equal(await page.$eval('aria/Files[role="button"]', (button) => button.getAttribute('aria-expanded')), 'false');
  const boxOf = async (selector) => (await page.$(selector)).boundingBox();
  for (const selector of ['#edit-bar', '#studio-bar', '.stage', '#inspector', '#track-timeline', '#save-group']) {
    const box = await boxOf(selector);
    assert.ok(box && box.width > 0 && box.height > 0, `${selector} is shown`);
    assert.ok(box.x >= 0 && box.y >= 0 && box.x + box.width <= 1280 && box.y + box.height <= 720, `${selector} fits the window`);
  }
  const stage = await boxOf('.stage');
  const inspector = await boxOf('#inspector');
  assert.ok(inspector.x >= stage.x + stage.width - 1 && inspector.y < stage.y + stage.height, 'the inspector beside the stage');
  assert.ok((await boxOf('#track-timeline')).height >= 150, 'the timeline has room for rows');
  assert.ok(stage.height >= 200, 'the stage has room');

  // A cell clicked: its frame shown, its track chosen. An empty frame inserted before frame 0.
  const start = await cell(0, 0);
  await page.mouse.click(start.x, start.y);
  assert.deepEqual(await chosen(), { tracks: [0], frames: null });
  await editStep('Insert frame');

  // The body's run from frame 1 (x 10) to frame 9 (x 90) chosen by a drag, and tweened.
  await drag(await cell(0, 1), await cell(0, 9));
  assert.deepEqual(await chosen(), { tracks: [0], frames: { first: 1, count: 9 } });
  await editStep('Tween', 'Tween body');

  // The run made a clip, named in the page's dialog.
  await page.click('aria/Make clip');
  await page.waitForSelector('#name-dialog[open]');
  await page.keyboard.type('wave');
  await page.screenshot({ path: join(shots, 'studio-name.png') });
  await page.keyboard.press('Enter');
  await undoIs('Undo Make clip wave');
  await settled();
  assert.deepEqual(await chosen(), { tracks: [1], frames: { first: 1, count: 9 } }, 'the body still chosen, now below the clip');
  await page.screenshot({ path: join(shots, 'studio.png') });

  const text = await saveAs('text', 'walk.reanim');
  const compiled = await saveAs('compiled', 'walk.reanim.compiled');
  assert.deepEqual(compiled, nativeCompile('walk.reanim', text), 'saved compiled as qorutil-cli compiles the saved text');
  const body = framesOf(text, 'body');
  assert.equal(body.length, 10);
  assert.equal(body[0], '<t></t>', 'the inserted frame gives nothing');
  for (let frame = 2; frame <= 8; frame++) assert.ok(body[frame].startsWith(`<t><x>${(10 * frame).toFixed(3)}</x>`), body[frame]);
  const clip = framesOf(text, 'anim_wave');
  assert.deepEqual([clip[0], clip[1], clip[10] ?? null], ['<t><f>-1.000</f></t>', '<t><f>0.000</f></t>', null]);
});

test('frames copied from one file paste into a track of another', async () => {
  await drag(await cell(1, 2), await cell(1, 4));
  assert.deepEqual(await chosen(), { tracks: [1], frames: { first: 2, count: 3 } });
  await press('c', 'Control');
  await logged('Copied 3 frames of 1 track');

  await open('other.reanim');
  const leg = await cell(0, 0);
  await page.mouse.click(leg.x, leg.y);
  await press('v', 'Control');
  await undoIs('Undo Paste 3 frames');
  const frames = framesOf(await saveAs('text', 'other.reanim'), 'leg');
  assert.equal(frames.length, 6);
  // The first pasted frame gives all the body had by then, so it looks as it did.
  assert.equal(frames[0], '<t><x>20.000</x><y>50.000</y><i>IMAGE_REANIM_BODY</i></t>');
  assert.equal(frames[1], '<t><x>30.000</x></t>');
  assert.equal(frames[2], '<t><x>40.000</x></t>');
  // The frame after keeps its look: the leg's own image and place.
  assert.equal(frames[3], '<t><x>0.000</x><y>0.000</y><i>IMAGE_REANIM_LEG</i></t>');
});

test('K keys every number field as shown, Shift+K clears them, and two undos give the bytes back', async () => {
  const before = await saveAs('text', 'other.reanim');
  const at = await cell(0, 2);
  await page.mouse.click(at.x, at.y);
  await press('k');
  await undoIs('Undo Set key of leg');
  const keyed = framesOf(await saveAs('text', 'other.reanim'), 'leg');
  assert.equal(keyed[2], '<t><x>40.000</x><y>50.000</y><kx>0.000</kx><ky>0.000</ky><sx>1.000</sx><sy>1.000</sy><f>0.000</f><a>1.000</a></t>');
  await press('K', 'Shift');
  await undoIs('Undo Clear key of leg');
  assert.equal(framesOf(await saveAs('text', 'other.reanim'), 'leg')[2], '<t></t>');
  await press('z', 'Control');
  await press('z', 'Control');
  await undoIs('Undo Paste 3 frames');
  assert.deepEqual(await saveAs('text', 'other.reanim'), before);
});

test('a track dragged by its name moves; the studio gives way to the viewer when editing stops', async () => {
  await editStep('Add track', 'Add track track2');
  await drag(await cell(1, 'name'), await cell(0, 'name'));
  await undoIs('Undo Move track2 up');
  await settled();
  assert.deepEqual(await page.evaluate(() => window.qorutil.preview.animation.tracks.map((track) => track.name)), ['track2', 'leg']);
  assert.deepEqual(await chosen(), { tracks: [0], frames: null });
  assert.equal(await page.$$eval('#track-timeline *', (nodes) => nodes.length), 3, 'cells are drawn, not made elements');

  await page.click('aria/Files[role="button"]');
  await page.waitForFunction(() => getComputedStyle(document.getElementById('files-pane')).display !== 'none');
  await page.screenshot({ path: join(shots, 'studio-files.png') });
  await page.click('aria/Edit');
  await page.waitForFunction(() => !document.querySelector('main').classList.contains('studio'));
  assert.equal(await page.$eval('#track-timeline', (box) => getComputedStyle(box).display), 'none');
  assert.notEqual(await page.$eval('.track-lists', (lists) => getComputedStyle(lists).display), 'none');
});

test('the studio\'s controls are named, its keys listed in Help; the timeline goes by the arrows', async () => {
  await edit();
  for (const name of ['Insert frame', 'Duplicate frame', 'Delete frame', 'Copy', 'Paste', 'Tween', 'Key', 'Clear key', 'Make clip',
    'Rename clip', 'Delete clip', 'Rename track', 'Duplicate track', 'Delete track', 'Files']) {
    assert.ok(await page.$(`aria/${name}[role="button"]`), `a button named ${name}`);
  }
  for (const name of ['Frame rate', 'Tween which field', 'Tween easing', 'Chosen tracks only']) assert.ok(await page.$(`aria/${name}`), name);
  await page.click('aria/Help: keys (?)');
  const keys = await page.$$eval('#help-keys th', (cells) => cells.map((each) => each.textContent));
  for (const key of ['Ctrl+C / Ctrl+V', 'Ctrl+Shift+V', 'K', 'Shift+K', 'Delete (editing)', 'Drag / Shift+click across cells',
    'Arrows / Shift+Arrows (timeline)']) {
    assert.ok(keys.includes(key), key);
  }
  await page.keyboard.press('Escape');

  // The timeline takes the arrows from a cell clicked: along the frames and tracks, Shift choosing
  // the frames and tracks gone over, End to the last frame. They move no part.
  const undoing = await page.$eval('#undo', (button) => button.textContent);
  const start = await cell(1, 1);
  await page.mouse.click(start.x, start.y);
  const at = () => page.evaluate(() => window.qorutil.preview.player.frame);
  for (const key of ['ArrowRight', 'ArrowRight', 'ArrowUp']) await press(key);
  assert.deepEqual([await at(), await chosen()], [3, { tracks: [0], frames: null }]);
  for (const key of ['ArrowRight', 'ArrowRight', 'ArrowDown']) await press(key, 'Shift');
  assert.deepEqual([await at(), await chosen()], [3, { tracks: [0, 1], frames: { first: 3, count: 3 } }]);
  await press('End');
  const last = await page.evaluate(() => window.qorutil.preview.animation.frameCount - 1);
  assert.deepEqual([await at(), await chosen()], [last, { tracks: [1], frames: null }]);
  assert.equal(await page.$eval('#undo', (button) => button.textContent), undoing);
});

test('a clip range dragged moves the clip and double-clicked renames it; a chosen run duplicates, and Delete deletes it', async () => {
  const frameCount = () => page.evaluate(() => window.qorutil.preview.animation.frameCount);
  const clips = () => page.evaluate(() => window.qorutil.preview.animation.clips.map(({ name, first, frames }) => ({ name, first, frames })));
  await drag(await cell(1, 1), await cell(1, 2));
  await page.click('aria/Make clip');
  await page.waitForSelector('#name-dialog[open]');
  await page.keyboard.type('step');
  await page.keyboard.press('Enter');
  await undoIs('Undo Make clip step');
  await settled();
  assert.deepEqual(await clips(), [{ name: 'step', first: 1, frames: 2 }]);

  // The range's body dragged two frames on; then double-clicked.
  const box = await (await page.$('#track-timeline-scroll')).boundingBox();
  const range = { x: box.x + nameWidth + 2 * cellWidth, y: box.y + 9 };
  await drag(range, { x: range.x + 2 * cellWidth, y: range.y });
  await undoIs('Undo Move clip step');
  await settled();
  assert.deepEqual(await clips(), [{ name: 'step', first: 3, frames: 2 }]);
  await page.mouse.click(range.x + 2 * cellWidth, range.y, { clickCount: 2 });
  await page.waitForSelector('#name-dialog[open]');
  await page.keyboard.type('stride');
  await page.keyboard.press('Enter');
  await undoIs('Undo Rename clip step');
  await settled();
  assert.deepEqual(await clips(), [{ name: 'stride', first: 3, frames: 2 }]);

  await drag(await cell(2, 1), await cell(2, 2));
  assert.deepEqual(await chosen(), { tracks: [2], frames: { first: 1, count: 2 } });
  await editStep('Duplicate frame', 'Duplicate 2 frames');
  assert.equal(await frameCount(), 8);
  await page.focus('#track-timeline-scroll');
  await press('Delete');
  await undoIs('Undo Delete 2 frames');
  assert.equal(await frameCount(), 6);
});

test('a hundred tracks of a thousand frames scroll on the timeline, and a cell far down and along is chosen where it is drawn', async () => {
  const big = { fps: 12, tracks: Array.from({ length: 100 }, (_, t) => ({ name: `part_${t}`,
    frames: Array.from({ length: 1000 }, (_, n) => (n === 0 ? { x: t, y: 0, i: 'IMAGE_REANIM_ARM' } : n % 50 === 0 ? { x: t + n / 10 } : {})) })) };
  writeFile(join(work, 'edit/big.reanim'), textOf(big));
  await (await page.$('#pick-files')).uploadFile(join(work, 'edit/big.reanim'));
  await page.waitForFunction(() => [...document.querySelectorAll('#list tbody tr td.path')].some((cell) => cell.textContent === 'big.reanim'));
  await open('big.reanim');
  await page.waitForFunction(() => window.qorutil.studio.timeline.marks.length === 100, { timeout: 60000 });

  const scroller = await page.$('#track-timeline-scroll');
  const box = await scroller.boundingBox();
  await page.mouse.move(box.x + box.width / 2, box.y + box.height / 2);
  const atEnd = () => scroller.evaluate((element) => element.scrollTop + element.clientHeight >= element.scrollHeight - 1
    && element.scrollLeft + element.clientWidth >= element.scrollWidth - 1);
  for (let n = 0; n < 400 && !(await atEnd()); n++) await page.mouse.wheel({ deltaX: 800, deltaY: 800 });
  assert.ok(await atEnd(), 'the wheel scrolls to the last row and frame');
  const { top, left, width, height } = await scroller.evaluate((element) => ({ top: element.scrollTop, left: element.scrollLeft,
    width: element.clientWidth, height: element.clientHeight }));
  const header = await page.evaluate(() => window.qorutil.studio.timeline.headerHeight());
  // The last row and the last frame are in view; a click on them chooses them.
  const at = { x: box.x + nameWidth + 999 * cellWidth - left + cellWidth / 2, y: box.y + header + 99 * rowHeight - top + rowHeight / 2 };
  assert.ok(at.x < box.x + width && at.y < box.y + height, 'the last cell is in view');
  await page.mouse.click(at.x, at.y);
  assert.deepEqual(await chosen(), { tracks: [99], frames: null });
  await page.waitForFunction(() => window.qorutil.preview.player.frame === 999);
  // Shift-click: the run from there to here, over the tracks between.
  await holding(['Shift'], () => page.mouse.click(at.x - 4 * cellWidth, at.y - 2 * rowHeight));
  assert.deepEqual(await chosen(), { tracks: [99, 98, 97], frames: { first: 995, count: 5 } });
  assert.equal(await page.$$eval('#track-timeline *', (nodes) => nodes.length), 3);
  await page.screenshot({ path: join(shots, 'studio-scrolled.png') });
});
