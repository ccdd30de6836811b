// Editing the previewed file: a thin layer over the core's document in the worker. The page
// sends edits (editwork.js) and draws what comes back; undo and redo are the document's own.
// On the stage a click selects the part under the pointer (the core's hit test) and a drag moves
// it; the arrows nudge it. The inspector sets the selected track's fields in the frame shown.
import { stateOf } from './draw.js';
import { Inspector } from './inspector.js';
import { baseName } from './paths.js';
import { download } from './save.js';
import { writeBack } from './writeback.js';

const nudgeSmall = 1;
const nudgeLarge = 10;

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
    this.gesture = null;
    this.pendingDrag = null;
    this.pumping = null;
    this.waiting = 0; // requests under way, for tests to wait on
    this.onChange = () => {}; // (entry, changed, form): the file's standing after a reply (kept across visits)
    this.onSaved = () => {}; // (entry): saved in its own form
    this.onActive = () => {}; // (active): editing began or ended
    this.onTook = () => {}; // (reply): a reply of the worker drawn
    this.inspector = new Inspector(el.inspector, (field, value) => this.setField(field, value));
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
    const canvas = this.preview.el.canvas;
    // Before the preview's own handlers (which pan): capture on the canvas runs first.
    canvas.addEventListener('pointerdown', (event) => this.pointerDown(event), { capture: true });
    canvas.addEventListener('pointermove', (event) => this.pointerMove(event), { capture: true });
    canvas.addEventListener('pointerup', (event) => this.pointerUp(event), { capture: true });
    canvas.addEventListener('pointercancel', (event) => this.pointerUp(event), { capture: true });
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
    this.gesture = null;
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
    const reply = await this.jobs.request({ op: 'editStart', path: entry.path, entry: { path: entry.path, file: entry.file } });
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
    this.showState();
    this.refresh();
    this.onActive(active);
  }

  // --- Edits

  async request(op, extra = {}) {
    if (!this.active || !this.entry) return null;
    const entry = this.entry;
    let reply;
    try {
      reply = await this.ask({ op, path: entry.path, ...extra });
    } catch (error) {
      this.say(`ERROR: ${entry.path}: ${error.message}`);
      return null;
    }
    if (entry !== this.entry || !reply.state) return null;
    this.took(reply);
    return reply;
  }

  async ask(message) {
    this.waiting++;
    try {
      return await this.jobs.request(message);
    } finally {
      this.waiting--;
    }
  }

  // A reply's drawing and standing: the preview shows the document as it is now.
  took(reply) {
    if (reply.scenes) this.preview.show(reply.animation, reply.scenes, this.entry.path);
    else if (reply.light) this.preview.setFrameScene(reply.light.frame, reply.light.scenes);
    if (reply.state) {
      this.state = reply.state;
      this.markChanged(this.entry, reply.state.changed);
      this.onChange(this.entry, reply.state.changed, reply.state.kind);
    }
    this.showState();
    this.refresh();
    this.onTook(reply);
  }

  // `light`: a frame, when only its scene is wanted back (a drag's moves).
  apply(edit, seal = false, light = undefined) {
    return this.request('editApply', { edit, seal, light });
  }

  undo() {
    return this.request('editUndo');
  }

  redo() {
    return this.request('editRedo');
  }

  setField(field, value) {
    const track = this.preview.selectedTrack;
    const frame = this.preview.player.frame;
    if (track < 0) return;
    if (['image', 'font', 'text'].includes(field)) this.apply({ op: 'setString', track, frame, field, text: value });
    else this.apply({ op: 'setNumber', tracks: [track], frame, count: 1, field, value });
  }

  // A move of the selected track's x,y to values worked out here, folded with the moves of the same
  // drag into one step; only the latest waits while one is under way.
  moveTo(track, frame, x, y) {
    this.pendingDrag = { op: 'drag', field: 'move', drags: [{ track, frame, first: x, second: y }] };
    if (!this.pumping) this.pumping = this.pump();
    return this.pumping;
  }

  async pump() {
    while (this.pendingDrag) {
      const edit = this.pendingDrag;
      this.pendingDrag = null;
      await this.apply(edit, false, edit.drags[0].frame);
    }
    this.pumping = null;
  }

  // The drag is over: its moves are one step, and the next drag a step of its own; everything
  // is drawn again from the document.
  async seal() {
    while (this.pumping) await this.pumping;
    await this.request('editSeal', { redraw: true });
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
    el.undo.textContent = undo;
    el.undo.disabled = !(state && state.undoName);
    el.undo.title = `${undo} (Ctrl+Z)`;
    el.redo.textContent = redo;
    el.redo.disabled = !(state && state.redoName);
    el.redo.title = `${redo} (Ctrl+Shift+Z or Ctrl+Y)`;
    const form = state ? state.kind : 'text';
    el.save.title = `Save as ${form}, as the file came (Ctrl+S)`;
    el.save.textContent = state && state.changed ? 'Save •' : 'Save';
    el.save.setAttribute('aria-label', state && state.changed ? 'Save (changed since saved)' : 'Save');
  }

  // The inspector for the selected track in the frame shown.
  async refresh() {
    if (!this.active) return;
    const { preview } = this;
    const track = preview.selectedTrack;
    const frame = preview.player.frame;
    if (track < 0 || !preview.animation || !preview.animation.tracks[track]) {
      this.inspector.show(null);
      return;
    }
    const key = `${track}/${frame}/${this.state ? this.state.undoName : ''}/${this.requested = (this.requested || 0) + 1}`;
    this.refreshKey = key;
    const reply = await this.ask({ op: 'editGiven', path: this.entry.path, track, frame }).catch(() => ({ given: null }));
    if (this.refreshKey !== key || !this.active) return;
    this.inspector.show({ name: preview.animation.tracks[track].name, frame, given: reply.given, state: stateOf(preview.animation, track, frame) });
  }

  // --- The stage: click selects, drag moves, a drag on nothing pans

  local(event) {
    return this.preview.local(event);
  }

  async pointerDown(event) {
    const { preview } = this;
    if (!this.active || event.button !== 0 || !preview.animation || this.gesture) return;
    event.stopImmediatePropagation();
    preview.el.canvas.setPointerCapture(event.pointerId);
    const at = this.local(event);
    const gesture = { id: event.pointerId, start: at, last: at, mode: 'pending', moved: false };
    this.gesture = gesture;
    const reply = await this.jobs.request({ op: 'itemAt', frame: preview.player.frame, hidden: preview.hidden.map(Boolean),
      x: (at.x - preview.pan.x) / preview.zoom, y: (at.y - preview.pan.y) / preview.zoom });
    if (this.gesture !== gesture) return;
    const track = reply.path.length > 0 ? reply.path[0] : -1;
    const state = track >= 0 ? stateOf(preview.animation, track, preview.player.frame) : null;
    if (!state) {
      gesture.mode = 'pan';
      this.panBy(gesture.last.x - gesture.start.x, gesture.last.y - gesture.start.y);
      if (gesture.done) this.finish(gesture);
      return;
    }
    if (preview.selectedTrack !== track) preview.select(track);
    Object.assign(gesture, { mode: 'move', track, frame: preview.player.frame, x: state.x, y: state.y, zoom: preview.zoom });
    if (gesture.moved) this.dragTo(gesture);
    if (gesture.done) this.finish(gesture);
  }

  pointerMove(event) {
    const gesture = this.gesture;
    if (!gesture || gesture.id !== event.pointerId) return;
    event.stopImmediatePropagation();
    const now = this.local(event);
    const before = gesture.last;
    gesture.last = now;
    gesture.moved = gesture.moved || Math.hypot(now.x - gesture.start.x, now.y - gesture.start.y) > 0;
    if (gesture.mode === 'pan') this.panBy(now.x - before.x, now.y - before.y);
    else if (gesture.mode === 'move') this.dragTo(gesture);
  }

  pointerUp(event) {
    const gesture = this.gesture;
    if (!gesture || gesture.id !== event.pointerId) return;
    event.stopImmediatePropagation();
    gesture.done = true;
    if (gesture.mode !== 'pending') this.finish(gesture);
  }

  finish(gesture) {
    if (this.gesture === gesture) this.gesture = null;
    if (gesture.mode === 'move' && gesture.moved) this.seal();
    else if (gesture.mode === 'pan' && !gesture.moved) this.preview.select(-1);
  }

  // x,y of a top-level track are in the stage's units: the pointer's way in pixels over the zoom.
  dragTo(gesture) {
    const dx = (gesture.last.x - gesture.start.x) / gesture.zoom;
    const dy = (gesture.last.y - gesture.start.y) / gesture.zoom;
    this.moveTo(gesture.track, gesture.frame, gesture.x + dx, gesture.y + dy);
  }

  panBy(dx, dy) {
    const { preview } = this;
    preview.pan.x += dx;
    preview.pan.y += dy;
    preview.fitted = false;
    preview.draw();
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
    let act = null;
    if (control && !event.altKey && letter === 'z') act = () => (event.shiftKey ? this.redo() : this.undo());
    else if (control && !event.altKey && letter === 'y') act = () => this.redo();
    else if (!control && !event.altKey && event.key.startsWith('Arrow') && this.preview.selectedTrack >= 0) {
      const step = event.shiftKey ? nudgeLarge : nudgeSmall;
      const [dx, dy] = { ArrowLeft: [-step, 0], ArrowRight: [step, 0], ArrowUp: [0, -step], ArrowDown: [0, step] }[event.key];
      act = () => this.nudge(dx, dy);
    }
    if (!act) return;
    event.preventDefault();
    event.stopImmediatePropagation();
    act();
  }

  // Each nudge a step of its own, from where the one before left the track.
  nudge(dx, dy) {
    const { preview } = this;
    this.nudges = (this.nudges || Promise.resolve()).then(() => {
      const track = preview.selectedTrack;
      const frame = preview.player.frame;
      const state = track >= 0 ? stateOf(preview.animation, track, frame) : null;
      if (!state) return null;
      return this.apply({ op: 'drag', field: 'move', drags: [{ track, frame, first: state.x + dx, second: state.y + dy }] }, true);
    });
  }
}
