// The list of files: path, form, frame rate, tracks, frames and clips as `info` gives them, or
// the error that stops the file; a box per row chooses it for the commands, a click on the row
// previews it.

export function rateText(fps) {
  return fps === null || fps === undefined ? 'no' : String(Number(fps.toPrecision(6)));
}

function clipsText(clips) {
  return clips.map((clip) => `${clip.name} (from ${clip.first}, ${clip.frames})`).join(', ');
}

export class FileList {
  constructor(table, onPreview, onChosen) {
    this.body = table.tBodies[0];
    this.onPreview = onPreview;
    this.onChosen = onChosen;
    this.entries = [];
    this.previewed = -1;
    this.body.addEventListener('click', (event) => {
      const row = event.target.closest('tr');
      if (!row || event.target.matches('input')) return;
      this.preview(Number(row.dataset.index));
    });
    this.body.addEventListener('keydown', (event) => {
      const row = event.target.closest('tr');
      if (row && (event.key === 'Enter' || event.key === ' ') && !event.target.matches('input')) {
        event.preventDefault();
        this.preview(Number(row.dataset.index));
      }
    });
    this.body.addEventListener('change', () => this.onChosen(this.chosen().length));
  }

  // Adds entries; one already listed under the same path is replaced. Gives the new ones.
  add(entries) {
    const added = [];
    for (const entry of entries) {
      const index = this.entries.findIndex((old) => old.path === entry.path);
      const item = { path: entry.path, file: entry.file, info: null };
      if (index >= 0) this.entries[index] = item;
      else this.entries.push(item);
      added.push(item);
    }
    this.render();
    return added;
  }

  clear() {
    this.entries = [];
    this.previewed = -1;
    this.render();
  }

  render() {
    this.body.replaceChildren(...this.entries.map((entry, index) => this.row(entry, index)));
  }

  row(entry, index) {
    const row = document.createElement('tr');
    row.dataset.index = String(index);
    row.tabIndex = 0;
    row.classList.toggle('selected', index === this.previewed);
    const box = document.createElement('input');
    box.type = 'checkbox';
    box.checked = Boolean(entry.chosen);
    box.setAttribute('aria-label', `Choose ${entry.path}`);
    box.addEventListener('change', () => { entry.chosen = box.checked; });
    const cells = [box, entry.path];
    const info = entry.info;
    if (!info) cells.push('…', '', '', '', 'reading');
    else if (!info.ok) cells.push(info.kind, '', '', '', info.error);
    else cells.push(info.kind, rateText(info.fps), String(info.tracks.length), String(info.frames), clipsText(info.clips));
    cells.forEach((content, n) => {
      const cell = document.createElement('td');
      if (typeof content === 'string') cell.textContent = content;
      else cell.append(content);
      if (n === 1) cell.className = 'path';
      if (n === 6 && info && !info.ok) cell.className = 'error';
      row.append(cell);
    });
    return row;
  }

  update(entry) {
    const index = this.entries.indexOf(entry);
    const old = this.body.rows[index];
    if (old) old.replaceWith(this.row(entry, index));
  }

  setAllChosen(chosen) {
    for (const entry of this.entries) entry.chosen = chosen;
    this.render();
  }

  // The entries the commands work on: those chosen, or all when none is.
  chosen() {
    const chosen = this.entries.filter((entry) => entry.chosen);
    return chosen.length ? chosen : this.entries;
  }

  // Shows an entry in the preview; resolves once it is drawn or has failed.
  preview(index) {
    if (!this.entries[index]) return Promise.resolve();
    const before = this.body.rows[this.previewed];
    if (before) before.classList.remove('selected');
    this.previewed = index;
    this.body.rows[index]?.classList.add('selected');
    return this.onPreview(this.entries[index]);
  }
}
