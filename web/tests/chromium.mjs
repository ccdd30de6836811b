// Debian's Chromium, headless, with the page opened from the disk at 1280 x 720, as a person
// opens it: its profile under `work` (so storage lasts across reloads), downloads into
// `downloads`, every request handed to `onRequest`, and the page ready once its module answers.
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
