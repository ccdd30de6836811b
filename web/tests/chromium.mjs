// Debian's Chromium, headless, with the page opened from the disk at 1280 x 720, as a person
// opens it: its profile under `work` (so storage lasts across reloads), downloads into
// `downloads`, every request handed to `onRequest`, and the page ready once its module answers.
// Then what a person does on it that the suites share, each waiting until the page has done it.
import { existsSync, readFileSync, rmSync } from 'node:fs';
import { basename, join } from 'node:path';
import { pathToFileURL } from 'node:url';
import puppeteer from 'puppeteer-core';
import { page as pagePath } from './native.mjs';

const chromium = process.env.CHROMIUM || '/usr/bin/chromium';

export async function openPage(work, downloads, onRequest = () => {}) {
  const browser = await puppeteer.launch({
    executablePath: chromium,
    headless: true,
    userDataDir: join(work, 'profile'),
    protocolTimeout: 300000,
    args: ['--no-sandbox', '--disable-gpu', '--disable-quic', '--no-first-run', '--disable-background-networking',
      '--disable-component-update', '--disable-sync', '--disable-dev-shm-usage'],
  });
  const page = await browser.newPage();
  await page.setViewport({ width: 1280, height: 720, deviceScaleFactor: 1 });
  page.on('request', (request) => onRequest(request.url()));
  page.on('pageerror', (error) => console.error('page error:', error.message));
  const session = await browser.target().createCDPSession();
  await session.send('Browser.setDownloadBehavior', { behavior: 'allow', downloadPath: downloads });
  await page.goto(pathToFileURL(pagePath).href);
  await ready(page);
  return { browser, page };
}

// The page's module answers: it says what it is.
export async function ready(page) {
  await page.waitForFunction(() => document.getElementById('about').textContent !== '', { timeout: 60000 });
}

// The page loaded again, as a person reloads it.
export async function reload(page) {
  await page.reload();
  await ready(page);
}

export const sleep = (ms) => new Promise((resolve) => setTimeout(resolve, ms));

// A file downloaded into `downloads` once it is whole, taken away so that the next of its name
// keeps the name.
export async function takeDownload(downloads, name, timeout = 30000) {
  const path = join(downloads, name);
  for (const start = Date.now(); Date.now() - start < timeout; await sleep(100)) {
    if (existsSync(path) && !existsSync(`${path}.crdownload`)) {
      await sleep(100);
      const bytes = readFileSync(path);
      rmSync(path);
      return bytes;
    }
  }
  throw new Error(`no download ${name}`);
}

// `action` done with keys held (modifiers, Space), as a person holds them.
export async function holding(page, keys, action) {
  for (const key of keys) await page.keyboard.down(key);
  await action();
  for (const key of [...keys].reverse()) await page.keyboard.up(key);
}

// A key pressed with modifiers held.
export function pressKeys(page, key, ...modifiers) {
  return holding(page, modifiers, () => page.keyboard.press(key));
}

// A field's value replaced as a person types it: the old selected, the new typed (or the old
// deleted), Enter.
export async function enter(page, selector, text) {
  await page.click(selector, { clickCount: 3 });
  if (text === '') await page.keyboard.press('Backspace');
  else await page.keyboard.type(text);
  await page.keyboard.press('Enter');
}

// A drag by the left button from one point of the page to another in `steps` moves; `held` is
// what to check before the button is let go. The editor settles after it.
export async function drag(page, from, to, { steps = 6, held = async () => {} } = {}) {
  await page.mouse.move(from.x, from.y);
  await page.mouse.down();
  for (let step = 1; step <= steps; step++) {
    await page.mouse.move(from.x + ((to.x - from.x) * step) / steps, from.y + ((to.y - from.y) * step) / steps);
  }
  await held();
  await page.mouse.up();
  await editorSettled(page);
}

// Two display frames passed: what the page drew before is on the screen.
export function painted(page) {
  return page.evaluate(() => new Promise((resolve) => requestAnimationFrame(() => requestAnimationFrame(resolve))));
}

// What the worker last sent the editor is drawn: no request of the editor's is under way.
export async function editorSettled(page) {
  await page.evaluate(() => new Promise((resolve) => setTimeout(resolve, 50)));
  await page.waitForFunction(() => !window.qorutil.editor.pumping && window.qorutil.editor.waiting === 0);
  await painted(page);
}

// The last step made is the one the Undo button names (its text, "Undo NAME").
export function undoIs(page, text) {
  return page.waitForFunction((want) => document.getElementById('undo').textContent === want, {}, text);
}

// A button of the editor pressed: a step, which the Undo button then names ("Undo NAME", NAME the
// button's own name unless given), drawn.
export async function editStep(page, button, name = button) {
  await page.click(`aria/${button}`);
  await undoIs(page, `Undo ${name}`);
  await editorSettled(page);
}

// The log has a line that reads `line`.
export function logged(page, line) {
  return page.waitForFunction((want) => [...document.querySelectorAll('#log > div')].some((item) => item.textContent === want), {}, line);
}

// The preview shows the file of that name.
export function previewShows(page, name) {
  return page.waitForFunction((want) => document.getElementById('preview-name').textContent === want, { timeout: 60000 }, name);
}

// A listed file (its path, changed or not) clicked, and shown in the preview.
export async function previewRow(page, name) {
  await page.$$eval('#list tbody tr td.path', (cells, want) => cells.find((cell) => [want, `•${want} (changed, not saved)`]
    .includes(cell.textContent)).click(), name);
  await previewShows(page, name);
}

// A folder of parts' images picked with Images…, once the log says what it found in it.
export async function addImages(page, folder) {
  const said = await page.$$eval('#log > div', (lines) => lines.length);
  await (await page.$('#pick-images')).uploadFile(folder);
  await page.waitForFunction((count) => [...document.querySelectorAll('#log > div')].slice(count)
    .some((line) => line.textContent.startsWith('Images')), {}, said);
}

// A file added with Add files… and shown in the preview, with the parts' images of `images`.
export async function openFile(page, path, images) {
  await (await page.$('#pick-files')).uploadFile(path);
  await previewShows(page, basename(path));
  if (images) await addImages(page, images);
}

// The file shown opened in the studio: its edit bar and layout shown, the editor settled.
export async function studioShown(page) {
  await page.waitForFunction(() => !document.getElementById('edit-bar').hidden && document.querySelector('main').classList.contains('studio'));
  await editorSettled(page);
}

// Edit pressed on the file shown (`unlessEditing`: unless it is being edited already).
export async function edit(page, { unlessEditing = false } = {}) {
  if (!unlessEditing || await page.$eval('#edit-bar', (bar) => bar.hidden)) await page.click('aria/Edit');
  await studioShown(page);
}

// The stage at zoom 1 with its origin at `origin` of the canvas, a unit a pixel: where on the
// page the mouse goes for a point (x, y) of the stage.
export async function stageView(page, origin = { x: 100, y: 100 }) {
  await page.evaluate(({ x, y }) => window.qorutil.preview.setView(1, x, y), origin);
  const box = await (await page.$('#canvas')).boundingBox();
  return (x, y) => ({ x: box.x + origin.x + x, y: box.y + origin.y + y });
}
