// The list of files, as a person works with it: one line a file (listrow.js), filtered by name
// (Down from the filter goes to the rows, Escape empties it), sorted by any column (a click on
// its header), one stop for Tab with Up and Down (Home, End, Page Up, Page Down) moving through
// the rows, Enter previewing the row, Space choosing it, Delete removing the chosen files or else
// the row. A click on a row previews it; the boxes choose the files the commands work on.
import { makeRow } from './listrow.js';

const collator = new Intl.Collator(undefined, { numeric: true, sensitivity: 'base' });

// What a column sorts by; a file not read (yet) has no value and goes last either way.
const sortValues = {
  path: (entry) => entry.path,
  form: (entry) => entry.info?.kind || null,
  fps: (entry) => (entry.info?.ok && entry.info.fps !== null ? entry.info.fps : null),
  tracks: (entry) => (entry.info?.ok ? entry.info.tracks.length : null),
  frames: (entry) => (entry.info?.ok ? entry.info.frames : null),
  clips: (entry) => (entry.info?.ok ? entry.info.clips.length : null),
};

function compareValues(a, b) {
  if (typeof a === 'string' || typeof b === 'string') return collator.compare(String(a), String(b));
  return a - b;
}

const pageStep = 10;

export class FileList {
  // `elements`: the table, the filter field, the remove button and where the count is said.
  // `onPreviewGone()`: the file previewed was taken off the list.
  constructor(elements, onPreview, onChosen, onPreviewGone = () => {}) {
    this.el = elements;
    this.body = elements.table.tBodies[0];
    this.onPreview = onPreview;
    this.onChosen = onChosen;
    this.onPreviewGone = onPreviewGone;
    this.entries = []; // in the order they were added
    this.byPath = new Map();
    this.rows = new WeakMap(); // row → entry
    this.shown = []; // the entries on screen, filtered and sorted
    this.current = null; // the row Tab stops on and the keys move
    this.previewedEntry = null;
    this.sort = { key: '', ascending: true };
    this.query = '';
    this.wire();
  }

  wire() {
    const { table, filter, remove } = this.el;
    this.body.addEventListener('click', (event) => {
      const entry = this.entryAt(event.target);
      if (!entry || event.target.matches('input')) return;
      this.setCurrent(entry, false);
      this.previewEntry(entry);
    });
    this.body.addEventListener('change', (event) => {
      const entry = this.entryAt(event.target);
      if (entry) entry.chosen = event.target.checked;
      this.onChosen(this.chosen().length);
    });
    this.body.addEventListener('keydown', (event) => this.key(event));
    table.tHead.addEventListener('click', (event) => {
      const header = event.target.closest('th[data-sort]');
      if (header) this.sortBy(header.dataset.sort);
    });
    filter.addEventListener('input', () => this.filterBy(filter.value));
    // From the filter, Down goes to the rows it left and Escape empties it.
    filter.addEventListener('keydown', (event) => {
      if (event.key === 'ArrowDown' && this.current) this.setCurrent(this.current, true);
      else if (event.key === 'Escape' && filter.value) this.filterBy(filter.value = '');
      else return;
      event.preventDefault();
    });
    remove.addEventListener('click', () => this.remove());
  }

  entryAt(node) {
    const row = node.closest('tr');
    return row ? this.rows.get(row) : undefined;
  }

  key(event) {
    const entry = this.entryAt(event.target);
    if (!entry || event.altKey || event.ctrlKey || event.metaKey) return;
    // A box clicked into has Space of its own.
    if (event.key === ' ' && event.target.matches('input')) return;
    const at = this.shown.indexOf(entry);
    const last = this.shown.length - 1;
    const to = { ArrowDown: at + 1, ArrowUp: at - 1, Home: 0, End: last, PageDown: at + pageStep, PageUp: at - pageStep }[event.key];
    if (to !== undefined) this.setCurrent(this.shown[Math.max(0, Math.min(to, last))], true);
    else if (event.key === 'Enter') this.previewEntry(entry);
    else if (event.key === ' ') this.toggleChosen(entry);
    else if (event.key === 'Delete') this.remove();
    else return;
    // The preview's keys (Home, End, Space) are for the preview, not while the list has them.
    event.preventDefault();
    event.stopPropagation();
  }

  // Adds entries; one already listed under the same path is replaced. Gives the new ones.
  add(entries) {
    const added = [];
    for (const entry of entries) {
      const item = { path: entry.path, file: entry.file, handle: entry.handle || null, info: null, chosen: false, row: null };
      const old = this.byPath.get(entry.path);
      if (old) {
        this.entries[this.entries.indexOf(old)] = item;
        if (this.current === old) this.current = item;
        if (this.previewedEntry === old) this.previewedEntry = item;
      } else {
        this.entries.push(item);
      }
      this.byPath.set(entry.path, item);
      added.push(item);
    }
    this.render();
    return added;
  }

  clear() {
    this.entries = [];
    this.byPath.clear();
    this.current = null;
    if (this.previewedEntry) this.onPreviewGone();
    this.previewedEntry = null;
    this.render();
  }

  // The entries on screen, in order; the rows made once each and kept.
  render() {
    let shown = this.query ? this.entries.filter((entry) => entry.path.toLowerCase().includes(this.query)) : this.entries.slice();
    const { key, ascending } = this.sort;
    if (key) {
      const value = sortValues[key];
      const keyed = shown.map((entry, order) => ({ entry, order, value: value(entry) }));
      keyed.sort((a, b) => {
        if ((a.value === null) !== (b.value === null)) return a.value === null ? 1 : -1;
        const by = a.value === null ? 0 : compareValues(a.value, b.value);
        return (ascending ? by : -by) || a.order - b.order;
      });
      shown = keyed.map((item) => item.entry);
    }
    this.shown = shown;
    this.body.replaceChildren(...shown.map((entry) => this.rowOf(entry)));
    this.setCurrent(shown.includes(this.current) ? this.current : shown[0] || null, false);
    for (const header of this.el.table.tHead.querySelectorAll('th[data-sort]')) {
      if (header.dataset.sort === key) header.setAttribute('aria-sort', ascending ? 'ascending' : 'descending');
      else header.removeAttribute('aria-sort');
    }
    const total = this.entries.length;
    this.el.count.textContent = this.query ? `${shown.length} of ${total} files` : `${total} file${total === 1 ? '' : 's'}`;
  }

  rowOf(entry) {
    if (!entry.row) {
      entry.row = makeRow(entry);
      this.rows.set(entry.row, entry);
      entry.row.classList.toggle('selected', entry === this.previewedEntry);
      if (entry === this.previewedEntry) entry.row.setAttribute('aria-current', 'true');
      entry.row.tabIndex = entry === this.current ? 0 : -1;
    }
    return entry.row;
  }

  // The entry's row again, once its info has come.
  update(entry) {
    const old = entry.row;
    entry.row = null;
    if (!old || !old.isConnected) return;
    const focused = old.contains(document.activeElement);
    old.replaceWith(this.rowOf(entry));
    if (focused) entry.row.focus();
  }

  // In the order of the column sorted by, with the values come since (the files' info).
  sortAgain() {
    if (this.sort.key) this.render();
  }

  filterBy(text) {
    this.query = text.trim().toLowerCase();
    this.render();
  }

  sortBy(key) {
    this.sort = { key, ascending: this.sort.key === key ? !this.sort.ascending : true };
    this.render();
  }

  setCurrent(entry, focus) {
    if (this.current?.row) this.current.row.tabIndex = -1;
    this.current = entry;
    if (!entry) return;
    const row = this.rowOf(entry);
    row.tabIndex = 0;
    if (focus) {
      row.focus({ preventScroll: true });
      row.scrollIntoView({ block: 'nearest' });
    }
  }

  toggleChosen(entry) {
    entry.chosen = !entry.chosen;
    if (entry.row) entry.row.querySelector('input').checked = entry.chosen;
    this.onChosen(this.chosen().length);
  }

  // Chooses, or not, every file on screen.
  setAllChosen(chosen) {
    for (const entry of this.shown) {
      entry.chosen = chosen;
      if (entry.row) entry.row.querySelector('input').checked = chosen;
    }
    this.onChosen(this.chosen().length);
  }

  // The entries the commands work on: those chosen, or all when none is.
  chosen() {
    const chosen = this.entries.filter((entry) => entry.chosen);
    return chosen.length ? chosen : this.entries;
  }

  // Takes the chosen files off the list, or else the current one; the row after them becomes
  // the current one. Gives those taken off.
  remove() {
    const chosen = this.entries.filter((entry) => entry.chosen);
    const gone = new Set(chosen.length ? chosen : [this.current].filter(Boolean));
    if (gone.size === 0) return [];
    const hadFocus = this.body.contains(document.activeElement);
    const at = this.shown.indexOf(this.current);
    const next = this.shown.slice(at + 1).find((entry) => !gone.has(entry))
      || this.shown.slice(0, Math.max(at, 0)).reverse().find((entry) => !gone.has(entry)) || null;
    this.entries = this.entries.filter((entry) => !gone.has(entry));
    for (const entry of gone) this.byPath.delete(entry.path);
    if (gone.has(this.previewedEntry)) {
      this.previewedEntry = null;
      this.onPreviewGone();
    }
    if (gone.has(this.current)) this.current = next;
    this.render();
    if (this.current) this.setCurrent(this.current, hadFocus);
    this.onChosen(this.chosen().length);
    return [...gone];
  }

  // The place in `entries` of the file previewed; -1 when none is.
  get previewed() {
    return this.entries.indexOf(this.previewedEntry);
  }

  // Shows an entry (by its place in `entries`) in the preview; resolves once it is drawn or
  // has failed.
  preview(index) {
    return this.entries[index] ? this.previewEntry(this.entries[index]) : Promise.resolve();
  }

  previewEntry(entry) {
    const before = this.previewedEntry?.row;
    if (before) {
      before.classList.remove('selected');
      before.removeAttribute('aria-current');
    }
    this.previewedEntry = entry;
    const row = this.rowOf(entry);
    row.classList.add('selected');
    row.setAttribute('aria-current', 'true');
    return this.onPreview(entry);
  }
}
