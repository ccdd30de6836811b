// Edits that survive the page: each file changed and not saved is kept in the browser's storage
// (IndexedDB) as its save in its own form beside the bytes it was opened from, its edits as the
// core keeps them (its history, so undo goes back through them after a reload) and the handle to
// its file where the page has one (so Save writes back into it). It is written once a change
// settles (and when the page is hidden), not on every move of a drag. A page opened again finds
// them and offers them back; a save in the file's own form, undoing back to it, or Discard,
// forgets them.

import { inStore, openStore } from './keptstore.js';

const settle = 500; // ms after the last change before the file is written

export class Keeper {
  // `keep(path, form, handle)`: has the worker write the file as it stands (its save in `form`, the
  // bytes it was opened from, its edits as the core keeps them) with `handle`; resolves to null
  // once written, else to why not. `say`: a line for the log.
  constructor(keep, say) {
    this.keep = keep;
    this.say = say;
    this.pending = new Map(); // path -> {entry, form}
    this.timer = 0;
    this.writing = Promise.resolve();
    this.db = this.open();
    const hidden = () => this.flush();
    window.addEventListener('pagehide', hidden);
    document.addEventListener('visibilitychange', () => { if (document.visibilityState === 'hidden') hidden(); });
  }

  // The storage, or null when the browser refuses it (said once).
  async open() {
    try {
      return await openStore();
    } catch (error) {
      this.say(`warning: edits are not kept for the next visit: the browser refused its storage (${error.message || error.name})`);
      return null;
    }
  }

  async run(mode, act) {
    const db = await this.db;
    if (!db) return null;
    try {
      return await inStore(db, mode, act);
    } catch (error) {
      this.say(`warning: could not keep edits in the browser's storage: ${error.message || error.name}`);
      return null;
    }
  }

  // The file `entry` stands changed (or not) in `form`: it is written (or forgotten, unchanged)
  // once changes settle.
  changed(entry, changed, form) {
    this.pending.set(entry.path, { entry, form, drop: !changed && !entry.restored });
    clearTimeout(this.timer);
    this.timer = setTimeout(() => this.flush(), settle);
  }

  // Writes what is waiting now; resolves when it is written (tests and a file about to be left wait on it).
  flush() {
    clearTimeout(this.timer);
    const waiting = [...this.pending.values()];
    this.pending.clear();
    this.writing = this.writing.then(async () => {
      for (const { entry, form, drop } of waiting) {
        if (drop) {
          await this.run('readwrite', (store) => store.delete(entry.path));
          continue;
        }
        if (!(await this.db)) continue;
        // Only the browser's own handles can be stored (a stand-in for one in a test cannot).
        const handle = window.FileSystemFileHandle && entry.handle instanceof FileSystemFileHandle ? entry.handle : null;
        const failed = await this.keep(entry.path, form, handle);
        if (failed) this.say(`warning: could not keep edits in the browser's storage: ${failed}`);
      }
    });
    return this.writing;
  }

  // Saved in its own form: nothing of it to offer back.
  saved(entry) {
    this.pending.delete(entry.path);
    this.writing = this.writing.then(() => this.run('readwrite', (store) => store.delete(entry.path)));
    return this.writing;
  }

  // The files kept from before: [{path, form, original, current, edits, handle, time}].
  async kept() {
    return (await this.run('readonly', (store) => store.getAll())) || [];
  }

  discard() {
    this.pending.clear();
    this.writing = this.writing.then(() => this.run('readwrite', (store) => store.clear()));
    return this.writing;
  }
}

// The bar that offers kept files back: `restore(records)` opens them; Discard forgets them.
export async function offerKept(keeper, el, restore, say) {
  const records = await keeper.kept();
  if (records.length === 0) return;
  const count = records.length === 1 ? '1 changed file was' : `${records.length} changed files were`;
  el.text.textContent = `${count} not saved: ${records.map((record) => record.path).join(', ')}`;
  el.bar.hidden = false;
  el.restore.onclick = async () => {
    el.bar.hidden = true;
    await restore(records);
    say(`Restored ${records.map((record) => record.path).join(', ')} with changes not saved`);
  };
  el.discard.onclick = async () => {
    el.bar.hidden = true;
    await keeper.discard();
    say(`Discarded the changes kept of ${records.map((record) => record.path).join(', ')}`);
  };
}
