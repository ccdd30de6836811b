// Editing the previewed file: a thin layer over the core's document in the worker. The page
// sends edits (editwork.js) and draws what comes back; undo and redo are the document's own.
// On the stage (stage.js) parts are selected and dragged; the arrows nudge what is selected. The
// inspector sets the selected tracks' fields in the frame shown.
import { stateOf } from './draw.js';
import { Inspector } from './inspector.js';
import { mend } from './mend.js';
import { baseName } from './paths.js';
import { download } from './save.js';
import { StageGestures } from './stage.js';
import { writeBack } from './writeback.js';

const nudgeSmall = 1;
const nudgeLarge = 10;

// Sets those of `values` (property: value) that `node` does not have already.
function put(node, values) {
  for (const [property, value] of Object.entries(values)) if (node[property] !== value) node[property] = value;
}

// The name a save in `form` gets: the file's own in its own form, else the converters' output name.
function savedName(path, form) {
  const name = baseName(path);
  if (form === 'compiled') return /\.compiled$/i.test(name) ? name : `${name}.compiled`;
  return name.replace(/\.compiled$/i, '');
}

export class Editor {
  // `el`: {toggle, bar, saveGroup, undo, redo, addTrack, save, saveText, saveCompiled, inspector, values, panel}.
  // (The edits of frames, tracks and clips are the studio's: studio.js.)
  constructor(preview, jobs, list, el, say) {
    this.preview = preview;
    this.jobs = jobs;
    this.list = list;
    this.el = el;
    this.say = say;
    this.active = false;
    this.entry = null; // the file shown
    this.state = null; // {undoName, redoName, changed, kind} of the file edited
    this.unsaved = new Set(); // paths of files changed since they were saved
    this.pendingDrag = null;
    this.pumping = null;
    this.waiting = 0; // requests under way, for tests to wait on
    this.onChange = () => {}; // (entry, changed, form): the file's standing after a reply (kept across visits)
    this.onSaved = () => {}; // (entry): saved in its own form
    this.onSelected = () => {}; // (path or null, track, frame): what is selected while editing
    this.onActive = () => {}; // (active): editing began or ended
    this.onTook = () => {}; // (reply): a reply of the worker drawn
    this.inspector = new Inspector(el.inspector, (field, value) => this.setField(field, value));
    this.stage = new StageGestures(this);
    preview.onFrame = () => this.refresh();
    this.wire();
  }

  wire() {
    const { el } = this;
    el.toggle.onclick = () => (this.active ? this.stop() : this.start());
    el.undo.onclick = () => this.undo();
    el.redo.onclick = () => this.redo();
    el.addTrack.onclick = () => {
      const at = this.preview.animation ? this.preview.animation.tracks.length : 0;
      this.apply({ op: 'addTrack', track: at, text: `track${at + 1}` });
    };
    el.save.onclick = () => this.save(this.state ? this.state.kind : 'text', true);
    el.saveText.onclick = () => this.save('text');
    el.saveCompiled.onclick = () => this.save('compiled');
    window.addEventListener('keydown', (event) => this.key(event), { capture: true });
    window.addEventListener('beforeunload', (event) => {
      if (this.unsaved.size === 0) return;
      event.preventDefault();
      event.returnValue = '';
    });
  }

  // --- The mode

  // A file shown in the preview; `editing`: the worker holds edits of it, so it opens in Edit.
  shown(entry, editing) {
    this.entry = entry;
    this.stage.gesture = null;
    if (editing) this.start();
    else this.setActive(false);
  }

  closed() {
    this.entry = null;
    this.setActive(false);
  }

  async start() {
    const entry = this.entry;
    if (!entry || !this.preview.animation) return;
    const reply = await this.jobs.request({ op: 'editStart', path: entry.path, entry: { path: entry.path, file: entry.file },
      kept: entry.kept || null });
    if (reply.resumed !== undefined && reply.resumed !== null) this.resumed(entry, reply.resumed);
    if (entry !== this.entry) return;
    if (!reply.started) {
      for (const line of reply.lines || []) this.say(line);
      return;
    }
    if (reply.dropped && reply.dropped.length) this.say(`${entry.path}: saving it as text leaves out ${reply.dropped.join('; ')}`);
    this.setActive(true);
    this.took(reply);
  }

  stop() {
    this.setActive(false);
  }

  // A restored file's kept edits taken up (its history back, its changed mark the document's
  // own from now on), or not: it stands as it was last kept, changed until saved.
  resumed(entry, history) {
    delete entry.kept;
    if (history) {
      entry.restored = false;
      this.say(`${entry.path}: restored with its undo steps`);
    } else {
      this.say(`warning: ${entry.path}: the undo steps kept of it could not be taken up; it opens as it was last kept, without them`);
    }
  }

  setActive(active) {
    this.active = active;
    const { el } = this;
    el.toggle.setAttribute('aria-pressed', String(active));
    el.toggle.title = active ? 'Stop editing: the preview is a viewer again' : 'Edit this file: select and move parts, set their fields';
    el.bar.hidden = !active;
    el.saveGroup.hidden = !active;
    el.inspector.hidden = !active;
    el.values.hidden = active;
    el.panel.classList.toggle('editing', active);
    if (!active) this.state = null;
    this.preview.el.canvas.style.cursor = '';
    this.preview.draw(); // with the handles, or without
    this.showState();
    this.refresh();
    this.onActive(active);
  }

  // --- Edits

  // A request about the file edited. A change's reply may come in two: the frame shown drawn
  // first (`light`: the frame, track and outline the page names by default), then the rest.
  async request(op, extra = {}) {
    if (!this.active || !this.entry) return null;
    const entry = this.entry;
    const took = (reply) => {
      if (entry !== this.entry || !reply.state) return false;
      this.took(reply);
      return true;
    };
    let reply;
    try {
      reply = await this.ask({ op, path: entry.path, light: this.preview.player.frame, track: this.preview.selectedTrack,
        outline: this.preview.outlineAsk(), ...extra }, took);
    } catch (error) {
      this.say(`ERROR: ${entry.path}: ${error.message}`);
      return null;
    }
    return took(reply) ? reply : null;
  }

  async ask(message, onItem) {
    this.waiting++;
    try {
      return await this.jobs.request(message, onItem);
    } finally {
      this.waiting--;
    }
  }

  // A reply's drawing and standing: the preview shows the document as it is now. A layout that
  // is what changed mends the preview's own; if that is not the one it changed from, the whole
  // is asked for.
  took(reply) {
    if (reply.scenes || reply.light) this.version = (this.version || 0) + 1;
    if (reply.scenes) {
      const drawn = reply.scenes.items ? mend(this.preview, reply) : reply;
      if (drawn) this.preview.show(drawn.animation, drawn.scenes, this.entry.path);
      else this.request('editRedraw');
    } else if (reply.light) {
      this.preview.setFrameScene(reply.light.frame, reply.light.scenes, reply.light.outlined);
    }
    if (reply.state) {
      this.state = reply.state;
      this.markChanged(this.entry, reply.state.changed);
      this.onChange(this.entry, reply.state.changed, reply.state.kind);
    }
    this.showState();
    // A drag's move or a change's first answer: the inspector follows what it gives, without asking again.
    if (reply.light) this.follow(reply.light.frame, reply.light.given);
    else if (!('light' in reply)) this.refresh();
    this.onTook(reply);
  }

  apply(edit) {
    return this.request('editApply', { edit });
  }

  undo() {
    return this.request('editUndo');
  }

  redo() {
    return this.request('editRedo');
  }

  // A field set (or cleared) in every selected track.
  setField(field, value) {
    const { tracks } = this.preview.selected;
    const frame = this.preview.player.frame;
    if (tracks.length === 0) return;
    if (['image', 'font', 'text'].includes(field)) this.apply({ op: 'setString', tracks, frame, field, text: value });
    else this.apply({ op: 'setNumber', tracks, frame, count: 1, field, value });
  }

  // A drag's pointer at `to` (stage units): only the latest waits while one is under way. The
  // core works out what it gives each track (editwork.js: editDragTo).
  dragPointer(to, constrain) {
    this.pendingDrag = { x: to.x, y: to.y, constrain };
    if (!this.pumping) this.pumping = this.pump();
    return this.pumping;
  }

  async pump() {
    while (this.pendingDrag) {
      const move = this.pendingDrag;
      this.pendingDrag = null;
      await this.request('editDragTo', { ...move, light: this.dragFrame });
    }
    this.pumping = null;
  }

  // The drag is over: its moves are one step, and the next drag a step of its own; everything
  // is drawn again from the document.
  async seal() {
    while (this.pumping) await this.pumping;
    await this.request('editEndDrag');
  }

  // `back`: Save itself, which writes back into the file where the page may (else downloads).
  async save(form, back = false) {
    if (!this.active || !this.entry) return;
    const entry = this.entry;
    const own = this.state && form === this.state.kind;
    const reply = await this.request('editSave', { form, markSaved: own });
    if (!reply) return;
    for (const line of reply.saved.lines) this.say(line);
    if (!reply.saved.ok) return;
    const name = savedName(entry.path, form);
    const wrote = own && back ? await writeBack(entry.handle, reply.saved.bytes) : { done: false, why: '' };
    if (wrote.done) {
      entry.file = await entry.handle.getFile().catch(() => entry.file); // the one read before is stale now
      this.say(`Saved ${entry.path} back to its file`);
    } else {
      if (wrote.why) this.say(`warning: ${entry.path}: could not save back to its file (${wrote.why}); it downloads instead`);
      download(new Blob([reply.saved.bytes]), name);
      this.say(`Saved ${entry.path} as ${name}`);
    }
    if (!own) return;
    entry.restored = false;
    this.markChanged(entry, reply.state.changed);
    this.onSaved(entry);
  }

  // --- What is shown

  // A file restored from the browser's storage stands changed until it is saved.
  markChanged(entry, edited) {
    const changed = edited || Boolean(entry.restored);
    if (changed) this.unsaved.add(entry.path);
    else this.unsaved.delete(entry.path);
    if (Boolean(entry.edited) === changed) return;
    entry.edited = changed;
    this.list.update(entry);
  }

  showState() {
    const { el, state } = this;
    const undo = state && state.undoName ? `Undo ${state.undoName}` : 'Undo';
    const redo = state && state.redoName ? `Redo ${state.redoName}` : 'Redo';
    const form = state ? state.kind : 'text';
    // Written only where it differs: every reply of a drag comes here, and a page that changes
    // nothing lays nothing out again.
    put(el.undo, { textContent: undo, disabled: !(state && state.undoName), title: `${undo} (Ctrl+Z)` });
    put(el.redo, { textContent: redo, disabled: !(state && state.redoName), title: `${redo} (Ctrl+Shift+Z or Ctrl+Y)` });
    put(el.save, { title: `Save as ${form}, as the file came (Ctrl+S)`, textContent: state && state.changed ? 'Save •' : 'Save' });
    const label = state && state.changed ? 'Save (changed since saved)' : 'Save';
    if (el.save.getAttribute('aria-label') !== label) el.save.setAttribute('aria-label', label);
  }

  // The inspector for the selected track in the frame shown.
  async refresh() {
    const { preview } = this;
    const track = preview.selectedTrack;
    const frame = preview.player.frame;
    this.onSelected(this.active && this.entry ? this.entry.path : null, track, frame);
    if (!this.active) return;
    if (track < 0 || !preview.animation || !preview.animation.tracks[track]) {
      this.inspector.show(null);
      return;
    }
    const key = `${track}/${frame}/${this.state ? this.state.undoName : ''}/${this.requested = (this.requested || 0) + 1}`;
    this.refreshKey = key;
    this.offerImages();
    const { animation } = preview;
    const reply = await this.ask({ op: 'editGiven', path: this.entry.path, track, frame }).catch(() => ({ given: null }));
    if (this.refreshKey !== key || !this.active || preview.animation !== animation) return; // another file shown meanwhile
    this.inspector.show({ name: preview.animation.tracks[track].name, frame, given: reply.given,
      state: stateOf(preview.animation, track, frame), count: preview.selected.tracks.length });
  }

  // The inspector during a drag: what the first track's frame gives now over what it had.
  follow(frame, given) {
    const { preview } = this;
    const track = preview.selectedTrack;
    if (!given || track < 0 || frame !== preview.player.frame) return;
    this.refreshKey = null; // an answer asked for before the drag is stale
    const state = { ...stateOf(preview.animation, track, frame) };
    for (const [field, value] of Object.entries(given)) if (value !== null) state[field] = value;
    this.inspector.show({ name: preview.animation.tracks[track].name, frame, given, state, count: preview.selected.tracks.length });
  }

  // The images of the images folder, named as frames name them, offered by the image field.
  async offerImages() {
    const keys = [...this.preview.images.sizes().keys()];
    const key = keys.join('\n');
    if (key === this.offeredImages) return;
    this.offeredImages = key;
    const reply = await this.jobs.request({ op: 'imageNames', keys });
    if (this.offeredImages === key) this.inspector.offerImages(reply.names);
  }

  // --- Keys, while editing

  key(event) {
    if (!this.active) return;
    const control = event.ctrlKey || event.metaKey;
    const typing = event.target.matches && event.target.matches('input, select, textarea');
    const letter = event.key.length === 1 ? event.key.toLowerCase() : event.key;
    if (control && !event.altKey && letter === 's') {
      event.preventDefault();
      event.stopImmediatePropagation();
      this.save(this.state ? this.state.kind : 'text', true);
      return;
    }
    if (typing || (event.target.closest && event.target.closest('dialog'))) return;
    if (this.stage.key(event)) return;
    let act = null;
    if (control && !event.altKey && letter === 'z') act = () => (event.shiftKey ? this.redo() : this.undo());
    else if (control && !event.altKey && letter === 'y') act = () => this.redo();
    else if (!control && !event.altKey && event.key.startsWith('Arrow') && this.preview.selectedTrack >= 0
      && !(event.target.closest && event.target.closest('[data-own-arrows]'))) {
      const step = event.shiftKey ? nudgeLarge : nudgeSmall;
      const [dx, dy] = { ArrowLeft: [-step, 0], ArrowRight: [step, 0], ArrowUp: [0, -step], ArrowDown: [0, step] }[event.key];
      act = () => this.nudge(dx, dy);
    }
    if (!act) return;
    event.preventDefault();
    event.stopImmediatePropagation();
    act();
  }

  // Each nudge a step of its own, of every selected track, from where the one before left them
  // (the worker takes them in turn). Sent as they come: with a key held down, the worker draws
  // each and lays every frame out only after the last.
  nudge(dx, dy) {
    const { preview } = this;
    return this.request('editNudge', { tracks: preview.selected.tracks, frame: preview.player.frame, dx, dy });
  }
}
