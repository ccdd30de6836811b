// Debian's Chromium, headless, with the page opened from the disk at 1280 x 720, as a person
// opens it: its profile under `work` (so storage lasts across reloads), downloads into
// `downloads`, every request handed to `onRequest`, and the page ready once its module answers.
import { existsSync, readFileSync, rmSync } from 'node:fs';
import { join } from 'node:path';
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
  await page.waitForFunction(() => document.getElementById('about').textContent !== '', { timeout: 60000 });
  return { browser, page };
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

// A key pressed with modifiers held, as a person does.
export async function pressKeys(page, key, ...modifiers) {
  for (const modifier of modifiers) await page.keyboard.down(modifier);
  await page.keyboard.press(key);
  for (const modifier of modifiers.reverse()) await page.keyboard.up(modifier);
}

// What the worker last sent the editor is drawn: no request of the editor's is under way.
export async function editorSettled(page) {
  await page.evaluate(() => new Promise((resolve) => setTimeout(resolve, 50)));
  await page.waitForFunction(() => !window.qorutil.editor.pumping && window.qorutil.editor.waiting === 0);
  await page.evaluate(() => new Promise((resolve) => requestAnimationFrame(() => requestAnimationFrame(resolve))));
}
