// The setup the page's browser suites share: a work folder of the suite's own holding the walker
// animation (edit/walk.reanim) and its parts' images (images/), a downloads folder, and the page
// opened on them in Chromium (chromium.mjs); the page's helpers bound to that page, saves read
// back as downloaded, and the native command line's compile of a saved text to hold them to.
import assert from 'node:assert/strict';
import { existsSync, mkdirSync, mkdtempSync, rmSync } from 'node:fs';
import { tmpdir } from 'node:os';
import { join } from 'node:path';
import * as chromium from './chromium.mjs';
import { partImage, textOf, writeFile } from './generate.mjs';
import { haveNative, page as pagePath, root, run } from './native.mjs';

export const shots = join(root, 'build-web/screenshots');

// Three parts apart from each other, neither turned nor scaled, their origins at their images'
// top-left corners, so that where each is drawn is worked out by hand: in frame n the body
// covers [40 + 2n, 80 + 2n] x [50, 110], the arm [150, 164] x [40 + n, 90 + n] and the head
// (carried from frame 0) [45, 81] x [5, 41].
export const bodyAt = (n) => ({ x: 40 + 2 * n, y: 50 });
export const walker = { fps: 12, tracks: [
  { name: 'body', frames: Array.from({ length: 10 }, (_, n) => ({ ...bodyAt(n), ...(n === 0 ? { i: 'IMAGE_REANIM_BODY' } : {}) })) },
  { name: 'arm', frames: Array.from({ length: 10 }, (_, n) => ({ x: 150, y: 40 + n, ...(n === 0 ? { i: 'IMAGE_REANIM_ARM' } : {}) })) },
  { name: 'head', frames: [{ x: 45, y: 5, i: 'IMAGE_REANIM_HEAD' }, ...Array.from({ length: 9 }, () => ({}))] },
] };

// Opaque blocks of a colour each: [name, width, height, colour].
const parts = [['body', 40, 60, [60, 160, 80]], ['arm', 14, 50, [230, 140, 40]], ['head', 36, 36, [250, 210, 90]]];

// The lines of one text not in the other (as many lines in each), with their line numbers.
export function differentLines(before, after) {
  const a = before.toString('utf8').split('\n');
  const b = after.toString('utf8').split('\n');
  assert.equal(a.length, b.length, 'as many lines');
  return a.flatMap((line, n) => (line === b[n] ? [] : [{ line: n + 1, before: line, after: b[n] }]));
}

// A suite's studio, for its before() to open and its after() to close: `walk` is written as
// edit/walk.reanim and `moreParts` beside the walker's images; the suite's own files go under
// `work`.
export function studioFixture(name, { walk = walker, moreParts = [] } = {}) {
  const work = mkdtempSync(join(tmpdir(), `qorutil-${name}-`));
  const downloads = join(work, 'downloads');
  const studio = { work, downloads, browser: undefined, page: undefined };
  // `onRequest` is handed the address of every request the page makes.
  studio.open = async (onRequest) => {
    assert.ok(haveNative(), 'the native qorutil-cli is built (bash scripts/build.sh)');
    assert.ok(existsSync(pagePath), 'the page is built (bash scripts/web.sh)');
    mkdirSync(downloads, { recursive: true });
    mkdirSync(shots, { recursive: true });
    writeFile(join(work, 'edit/walk.reanim'), textOf(walk));
    for (const [part, width, height, colour] of [...parts, ...moreParts]) writeFile(join(work, `images/${part}.png`), partImage(width, height, colour));
    ({ browser: studio.browser, page: studio.page } = await chromium.openPage(work, downloads, onRequest));
    return studio;
  };
  studio.close = async () => {
    await studio.browser?.close();
    rmSync(work, { recursive: true, force: true });
  };
  const onPage = (helper) => (...args) => helper(studio.page, ...args);
  Object.assign(studio, {
    press: onPage(chromium.pressKeys),
    holding: onPage(chromium.holding),
    enter: onPage(chromium.enter),
    drag: onPage(chromium.drag),
    settled: onPage(chromium.editorSettled),
    undoIs: onPage(chromium.undoIs),
    editStep: onPage(chromium.editStep),
    logged: onPage(chromium.logged),
    previewShows: onPage(chromium.previewShows),
    previewRow: onPage(chromium.previewRow),
    addImages: onPage(chromium.addImages),
    openFile: onPage(chromium.openFile),
    studioShown: onPage(chromium.studioShown),
    edit: onPage(chromium.edit),
    stageView: onPage(chromium.stageView),
    reload: onPage(chromium.reload),
    downloaded: (file, timeout) => chromium.takeDownload(downloads, file, timeout),
    // A save by its button ('text' or 'compiled'), as downloaded under `file`.
    async saveAs(form, file) {
      await studio.page.click(`aria/Save as ${form}`);
      return studio.downloaded(file);
    },
    // What qorutil-cli compiles `text` to, saved as `file` in a folder of its own.
    nativeCompile(file, text) {
      const folder = mkdtempSync(join(work, 'native-'));
      writeFile(join(folder, file), text);
      const native = run(folder, 'compile', '-o', '-', file);
      assert.equal(native.status, 0, native.lines.join('\n'));
      return native.stdout;
    },
  });
  return studio;
}
