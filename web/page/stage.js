// The stage while editing: a click selects the part under the pointer (the core's hit test),
// Shift-click adds or takes one away, a drag on nothing draws a box that selects the parts it meets
// (the core's tracksIn), a drag of a part or of the handles (handles.js) moves, turns, scales or
// skews what is selected as the core works it out, through the editor's drag. The middle button
// or Space held pans as the viewer does (Space alone plays); Escape selects nothing.
import { stateOf } from './draw.js';
import { handleCursor, handleDragKind, drawSelectBox, drawHandles, handleAt } from './handles.js';

export class StageGestures {
  constructor(editor) {
    this.editor = editor;
    this.preview = editor.preview;
    this.gesture = null;
    this.handleFrame = null; // where the selection's handles sit ({bounds, corners, pivot}), as the core said
    this.handlesKey = '';
    this.spaceHeld = false;
    const canvas = this.preview.el.canvas;
    // Before the preview's own handlers (which pan): capture on the canvas runs first.
    canvas.addEventListener('pointerdown', (event) => this.pointerDown(event), { capture: true });
    canvas.addEventListener('pointermove', (event) => this.pointerMove(event), { capture: true });
    canvas.addEventListener('pointerup', (event) => this.pointerUp(event), { capture: true });
    canvas.addEventListener('pointercancel', (event) => this.pointerUp(event), { capture: true });
    window.addEventListener('keyup', (event) => {
      if (event.key !== ' ' || !this.spaceHeld) return;
      this.spaceHeld = false;
      if (this.editor.active && !this.spacePanned) this.preview.player.toggle();
    });
    this.preview.overlay = (context, view) => this.drawOver(context, view);
  }

  // A key the stage takes while editing (the editor's key handler asks first): Space held to pan,
  // Escape to select nothing. True when it took it.
  key(event) {
    if (event.ctrlKey || event.metaKey || event.altKey) return false;
    if (event.key === ' ') {
      // Held, a drag pans; pressed and let go, it plays or pauses as in the viewer.
      event.preventDefault();
      event.stopImmediatePropagation();
      if (!event.repeat && !this.spaceHeld) {
        this.spaceHeld = true;
        this.spacePanned = false;
      }
      return true;
    }
    if (event.key === 'Escape' && this.preview.selected.tracks.length > 0) {
      event.preventDefault();
      event.stopImmediatePropagation();
      this.preview.selected.clear();
      return true;
    }
    return false;
  }

  // A pointer's point on the canvas (CSS pixels). A gesture measures the canvas once, when it
  // starts: read on every move, the page's layout was worked out again each time.
  local(event, gesture = null) {
    if (!gesture) return this.preview.local(event);
    return { x: event.clientX - gesture.box.left, y: event.clientY - gesture.box.top };
  }

  // A point of the canvas (CSS pixels) in stage units.
  stagePoint(at) {
    const { preview } = this;
    return { x: (at.x - preview.pan.x) / preview.zoom, y: (at.y - preview.pan.y) / preview.zoom };
  }

  view() {
    return { zoom: this.preview.zoom, pan: this.preview.pan };
  }

  async pointerDown(event) {
    const { preview } = this;
    // The middle button, or Space held, pans as the viewer does: its own handlers take it.
    if (this.spaceHeld) this.spacePanned = true;
    // A gesture whose button is up already may still wait on the worker: a new one goes ahead.
    if (!this.editor.active || !preview.animation || (this.gesture && !this.gesture.done) || this.spaceHeld) return;
    if (event.button === 1) event.preventDefault(); // no scrolling by the middle button: it pans
    if (event.button !== 0) return;
    event.stopImmediatePropagation();
    preview.el.canvas.setPointerCapture(event.pointerId);
    const box = preview.el.canvas.getBoundingClientRect();
    const at = { x: event.clientX - box.left, y: event.clientY - box.top };
    const gesture = { id: event.pointerId, box, start: at, last: at, mode: 'pending', moved: false, shift: event.shiftKey };
    this.gesture = gesture;
    const frame = preview.player.frame;
    const grabbed = handleAt(this.currentHandles(), this.view(), at);
    if (grabbed && grabbed !== 'inside') {
      this.grab(gesture, handleDragKind(grabbed, event.altKey), grabbed);
      return;
    }
    const reply = await this.editor.jobs.request({ op: 'itemAt', frame, hidden: preview.hidden.map(Boolean), ...this.stagePoint(at) });
    if (this.gesture !== gesture && !gesture.done) return;
    const track = reply.path.length > 0 ? reply.path[0] : -1;
    const drawn = track >= 0 && stateOf(preview.animation, track, frame);
    if (drawn && event.shiftKey) {
      preview.selected.toggle(track);
      gesture.mode = 'none';
    } else if (drawn || grabbed === 'inside') {
      if (drawn && !preview.selected.has(track)) preview.selected.only(track);
      this.grab(gesture, 'move', 'inside');
      return;
    } else {
      gesture.mode = 'box';
    }
    if (gesture.done) this.finish(gesture);
    else preview.draw();
  }

  // A handle or a part held: a drag once the pointer moves, else a click.
  grab(gesture, kind, handle) {
    Object.assign(gesture, { mode: 'grab', kind, handle });
    if (gesture.moved) this.beginDrag(gesture);
    else if (gesture.done) this.finish(gesture);
  }

  // The core remembers where the tracks stood; the moves already made follow.
  async beginDrag(gesture) {
    const { preview } = this;
    const { kind, handle } = gesture;
    gesture.mode = 'starting';
    this.editor.dragFrame = preview.player.frame;
    this.draggedHandles = kind === 'move' ? this.handleFrame : null;
    const reply = await this.editor.request('editBeginDrag', { kind, handle, tracks: preview.selected.tracks, frame: this.editor.dragFrame,
      ...this.stagePoint(gesture.start) });
    if (this.gesture !== gesture && !gesture.done) return;
    gesture.mode = reply && reply.began ? 'drag' : 'none';
    if (gesture.mode === 'drag' && gesture.moved) this.editor.dragPointer(this.stagePoint(gesture.last), gesture.constrain);
    if (gesture.done) this.finish(gesture);
  }

  pointerMove(event) {
    const gesture = this.gesture;
    if (!gesture || gesture.done || gesture.id !== event.pointerId) {
      this.hover(event);
      return;
    }
    event.stopImmediatePropagation();
    const now = this.local(event, gesture);
    gesture.last = now;
    gesture.constrain = event.shiftKey;
    gesture.moved = gesture.moved || now.x !== gesture.start.x || now.y !== gesture.start.y;
    if (gesture.mode === 'drag') {
      this.editor.dragPointer(this.stagePoint(now), event.shiftKey);
      this.preview.draw();
    } else if (gesture.mode === 'grab' && gesture.moved) {
      this.beginDrag(gesture);
    } else if (gesture.mode === 'box') {
      this.preview.draw();
    }
  }

  // The cursor says what a drag from here does.
  hover(event) {
    if (!this.editor.active || (this.gesture && !this.gesture.done)) return;
    const view = this.view();
    const grabbed = handleAt(this.handleFrame, view, this.local(event));
    this.preview.el.canvas.style.cursor = this.spaceHeld ? 'grab' : handleCursor(grabbed, event.altKey, this.handleFrame, view);
  }

  pointerUp(event) {
    const gesture = this.gesture;
    if (!gesture || gesture.done || gesture.id !== event.pointerId) return;
    event.stopImmediatePropagation();
    gesture.done = true;
    if (gesture.mode !== 'pending' && gesture.mode !== 'starting') this.finish(gesture);
  }

  async finish(gesture) {
    if (this.gesture === gesture) this.gesture = null;
    const { preview } = this;
    if (gesture.mode === 'drag') {
      this.draggedHandles = null;
      if (gesture.moved) await this.editor.seal();
      preview.draw();
    } else if (gesture.mode === 'box') {
      preview.draw();
      if (!gesture.moved) {
        if (!gesture.shift) preview.selected.clear();
        return;
      }
      const from = this.stagePoint(gesture.start);
      const to = this.stagePoint(gesture.last);
      const box = { x: Math.min(from.x, to.x), y: Math.min(from.y, to.y), w: Math.abs(to.x - from.x), h: Math.abs(to.y - from.y) };
      const reply = await this.editor.ask({ op: 'tracksIn', frame: preview.player.frame, box, hidden: preview.hidden.map(Boolean) });
      preview.selected.set(gesture.shift ? [...preview.selected.tracks, ...reply.tracks] : reply.tracks);
    }
  }

  // What the editor draws over the frame: the handles of what is selected (following a move as
  // it goes; hidden while a turn or scale goes), and the box being drawn.
  drawOver(context, view) {
    if (!this.editor.active) return;
    const gesture = this.gesture;
    if (gesture && gesture.mode === 'box' && gesture.moved) drawSelectBox(context, gesture.start, gesture.last, view.ratio);
    const dragging = gesture && (gesture.mode === 'drag' || gesture.mode === 'starting') && gesture.moved;
    if (dragging && this.draggedHandles) {
      const shift = { x: (gesture.last.x - gesture.start.x) / view.zoom, y: (gesture.last.y - gesture.start.y) / view.zoom };
      const frame = this.draggedHandles;
      drawHandles(context, { corners: frame.corners.map(([x, y]) => [x + shift.x, y + shift.y]),
        pivot: [frame.pivot[0] + shift.x, frame.pivot[1] + shift.y] }, view);
    } else if (!dragging && this.currentHandles()) {
      drawHandles(context, this.handleFrame, view);
    }
  }

  // Where the selection's handles sit in the frame shown, asked of the core when the selection,
  // the frame or the document changed; null until it answers, or with nothing selected.
  currentHandles() {
    const { preview } = this;
    const tracks = preview.selected.tracks;
    const key = `${tracks.join(',')}/${preview.player.frame}/${this.editor.version}`;
    if (key === this.handlesKey) return this.handleFrame;
    this.handlesKey = key;
    this.handleFrame = null;
    if (tracks.length === 0) return null;
    this.editor.jobs.request({ op: 'handles', tracks, frame: preview.player.frame }).then((reply) => {
      if (this.handlesKey !== key) return;
      this.handleFrame = reply.handles;
      preview.draw();
    });
    return null;
  }
}
