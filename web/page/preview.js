// The preview: the canvas with zoom, pan and fit, the playback controls, the timeline and the
// clip chooser, what is shown over the frame (onion skin, axes, the clip's box, the background),
// the track list with its visibility boxes and the selected track's values, and export. The
// keys are the native preview's (help.js lists them).
import { drawFrame, drawSelection, stateOf } from './draw.js';
import { drawAxes, drawBounds } from './guides.js';
import { helpDialog } from './help.js';
import { Timeline } from './timeline.js';
import { Player } from './player.js';
import { Exporter } from './export.js';
import { Selection } from './selection.js';

const minZoom = 0.05;
const maxZoom = 40;
const wheelStep = 1.0015; // zoom factor per wheel unit
const fitMargin = 0.9;
const checkerSide = 12;
const onionOpacity = 0.25;
const backgroundKey = 'qorutil.view.background';
const fieldNames = ['x', 'y', 'kx', 'ky', 'sx', 'sy', 'f', 'a'];

function checkerPattern(context) {
  const tile = new OffscreenCanvas(2 * checkerSide, 2 * checkerSide);
  const paint = tile.getContext('2d');
  paint.fillStyle = 'rgb(250, 250, 250)';
  paint.fillRect(0, 0, 2 * checkerSide, 2 * checkerSide);
  paint.fillStyle = 'rgb(228, 228, 228)';
  paint.fillRect(0, 0, checkerSide, checkerSide);
  paint.fillRect(checkerSide, checkerSide, checkerSide, checkerSide);
  return context.createPattern(tile, 'repeat');
}

// Whether two lists name the same things in the same order (`nameOf` each).
function sameNames(before, after, nameOf) {
  return before.length === after.length && before.every((each, n) => nameOf(each) === nameOf(after[n]));
}

function number(value) {
  return Number.isFinite(value) ? String(Number(value.toPrecision(6))) : String(value);
}

export class Preview {
  constructor(elements, images, say, jobs) {
    this.el = elements;
    this.images = images;
    this.say = say;
    this.jobs = jobs;
    this.animation = null;
    this.scenes = null; // every frame's items, as the core worked them out
    this.selection = null; // the selected track's marks, and for which frame and clip
    this.otherSelections = []; // the outlines of the other selected tracks
    this.overlay = null; // (context, view): what the editor draws over the frame (its handles)
    this.selectionKey = '';
    this.outlineStale = false; // the document changed since the marks were asked for
    this.name = '';
    this.hidden = [];
    this.selected = new Selection(); // the chosen tracks; the track list and the outline follow its primary
    this.selected.onChange(() => this.selectionChanged());
    this.zoom = 1;
    this.pan = { x: 0, y: 0 };
    this.fitted = false; // whether the view is fitted to the clip, and follows the stage's size
    this.pointers = new Map();
    this.context = elements.canvas.getContext('2d');
    this.checkers = checkerPattern(this.context);
    this.timeline = new Timeline({ bar: elements.timeline, run: elements.timelineRun, playhead: elements.playhead,
      clips: elements.clipRanges, field: elements.frameField }, (frame) => this.goToFrame(frame), (index) => this.pickClip(index));
    this.help = helpDialog(elements.helpDialog, elements.helpKeys);
    this.player = new Player(() => this.showFrame(), (playing) => {
      elements.play.textContent = playing ? 'Pause' : 'Play';
      elements.play.setAttribute('aria-label', playing ? 'Pause (Space)' : 'Play (Space)');
    });
    this.exporter = new Exporter(this);
    this.wire();
    new ResizeObserver(() => this.resize()).observe(elements.canvas);
  }

  wire() {
    const { el, player } = this;
    el.first.onclick = () => player.toFirst();
    el.back.onclick = () => player.step(-1);
    el.play.onclick = () => player.toggle();
    el.forward.onclick = () => player.step(1);
    el.last.onclick = () => player.toLast();
    el.loop.onchange = () => { player.loop = el.loop.checked; };
    el.speed.onchange = () => { player.speed = Number(el.speed.value); };
    el.clip.onchange = () => { this.chooseClip(); this.fit(); };
    el.fit.onclick = () => this.fit();
    el.zoomReadout.onclick = () => this.zoomTo(1);
    for (const box of [el.onion, el.axes, el.bounds]) box.onchange = () => this.draw();
    el.background.onchange = () => this.backgroundChanged();
    el.backgroundColour.oninput = () => { el.background.value = 'colour'; this.backgroundChanged(); };
    this.restoreBackground();
    el.help.onclick = () => this.help.open();
    el.zoomIn.onclick = () => this.zoomBy(1.25, this.centre());
    el.zoomOut.onclick = () => this.zoomBy(0.8, this.centre());
    el.exportFrame.onclick = () => this.exporter.frame();
    el.exportSheet.onclick = () => this.exporter.sheet();
    const canvas = el.canvas;
    canvas.addEventListener('wheel', (event) => {
      event.preventDefault();
      const delta = event.deltaMode === 1 ? event.deltaY * 40 : event.deltaY;
      this.zoomBy(wheelStep ** (-delta * 1.2), this.local(event));
    }, { passive: false });
    canvas.addEventListener('pointerdown', (event) => {
      canvas.setPointerCapture(event.pointerId);
      this.pointers.set(event.pointerId, this.local(event));
    });
    canvas.addEventListener('pointermove', (event) => this.movePointer(event));
    const release = (event) => this.pointers.delete(event.pointerId);
    canvas.addEventListener('pointerup', release);
    canvas.addEventListener('pointercancel', release);
    // A double click selects the track that drew what is under it.
    canvas.addEventListener('dblclick', (event) => this.pick(this.local(event)));
    document.addEventListener('keydown', (event) => this.key(event));
  }

  local(event) {
    const box = this.el.canvas.getBoundingClientRect();
    return { x: event.clientX - box.left, y: event.clientY - box.top };
  }

  centre() {
    return { x: this.el.canvas.clientWidth / 2, y: this.el.canvas.clientHeight / 2 };
  }

  // One pointer pans; two pinch to zoom about their midpoint.
  movePointer(event) {
    if (!this.pointers.has(event.pointerId)) return;
    const before = [...this.pointers.values()];
    const now = this.local(event);
    this.pointers.set(event.pointerId, now);
    const after = [...this.pointers.values()];
    if (after.length === 1) {
      this.pan.x += now.x - before[0].x;
      this.fitted = false;
      this.pan.y += now.y - before[0].y;
      this.draw();
    } else if (after.length === 2) {
      const span = (points) => Math.hypot(points[0].x - points[1].x, points[0].y - points[1].y) || 1;
      const middle = { x: (after[0].x + after[1].x) / 2, y: (after[0].y + after[1].y) / 2 };
      this.zoomBy(span(after) / span(before), middle);
    }
  }

  key(event) {
    const target = event.target;
    if (target.matches('select, textarea, input[type=text], input[type=search], input[type=number], input[type=color]')) return;
    if (target.closest('dialog')) return;
    if (target.closest('#list') && (event.key === ' ' || event.key === 'Enter')) return;
    const control = event.ctrlKey || event.metaKey;
    const act = {
      ' ': () => this.player.toggle(),
      ArrowLeft: () => this.player.step(-1),
      ArrowRight: () => this.player.step(1),
      Home: () => this.player.toFirst(),
      End: () => this.player.toLast(),
      f: () => this.fit(),
      F: () => this.fit(),
      1: () => this.zoomTo(1),
      o: () => this.toggle(this.el.onion),
      O: () => this.toggle(this.el.onion),
      a: () => this.toggle(this.el.axes),
      A: () => this.toggle(this.el.axes),
      b: () => this.toggle(this.el.bounds),
      B: () => this.toggle(this.el.bounds),
    }[event.key];
    if (event.key === '?' && !control && !event.altKey) {
      event.preventDefault();
      this.help.open();
      return;
    }
    if (control && (event.key === 'e' || event.key === 'E')) {
      event.preventDefault();
      if (event.shiftKey) this.exporter.sheet();
      else this.exporter.frame();
    } else if (control && (event.key === '+' || event.key === '=')) {
      event.preventDefault();
      this.zoomBy(1.25, this.centre());
    } else if (control && event.key === '-') {
      event.preventDefault();
      this.zoomBy(0.8, this.centre());
    } else if (act && !control && !event.altKey && this.animation) {
      event.preventDefault();
      act();
    }
  }

  // The background chosen is kept for the next visit, as the native preview keeps it.
  restoreBackground() {
    try {
      const kept = JSON.parse(localStorage.getItem(backgroundKey) || 'null');
      if (kept && /^#[0-9a-f]{6}$/i.test(kept.colour)) {
        this.el.backgroundColour.value = kept.colour;
        this.el.background.value = kept.plain ? 'colour' : 'checkers';
      }
    } catch {
      // Nothing kept, or storage is not allowed: checkers.
    }
  }

  backgroundChanged() {
    try {
      localStorage.setItem(backgroundKey, JSON.stringify({ plain: this.el.background.value === 'colour', colour: this.el.backgroundColour.value }));
    } catch {
      // Storage is not allowed: the choice lasts for this visit.
    }
    this.draw();
  }

  toggle(box) {
    box.checked = !box.checked;
    this.draw();
  }

  resize() {
    const canvas = this.el.canvas;
    const ratio = window.devicePixelRatio || 1;
    canvas.width = Math.max(1, Math.round(canvas.clientWidth * ratio));
    canvas.height = Math.max(1, Math.round(canvas.clientHeight * ratio));
    // A view fitted stays fitted as the stage changes size, as the native preview's does.
    if (this.fitted && this.animation) this.fit();
    else this.draw();
  }

  // Selects the track whose item is topmost under a point of the canvas, as the core traces it.
  async pick(at) {
    if (!this.animation) return;
    const reply = await this.jobs.request({ op: 'itemAt', frame: this.player.frame, hidden: this.hidden.map(Boolean),
      x: (at.x - this.pan.x) / this.zoom, y: (at.y - this.pan.y) / this.zoom });
    this.select(reply.path.length > 0 ? reply.path[0] : -1);
  }

  get selectedTrack() {
    return this.selected.primary;
  }

  select(track) {
    this.selected.only(track);
  }

  selectionChanged() {
    const track = this.selectedTrack;
    for (const item of [...this.el.tracks.children, ...this.el.clipTracks.children]) {
      item.classList.toggle('selected', Number(item.dataset.track) === track);
    }
    this.showFrame();
  }

  // One frame's scene (as the core lays out a frame alone) drawn instead of the one in `scenes`
  // until the next show(): what an edit under way looks like.
  // `outlined`: the selected tracks' marks in it, as outlineAsk() asked for them with the frame.
  setFrameScene(frame, scenes, outlined = null) {
    this.frameOverride = { frame, scenes };
    if (outlined) this.takeSelections(outlined.key, outlined.selections);
    else this.outlineStale = true;
    this.draw();
  }

  // The scenes again, with the sizes of newly picked images.
  setScenes(scenes) {
    this.scenes = scenes;
    this.outlineStale = true;
    this.draw();
  }

  // A newly read animation. Another file opens where the core says (`opening`: its first clip,
  // else the first frame that draws), fitted; the same file read again keeps its clip by name.
  show(animation, scenes, name, opening = { clip: -1, frame: 0 }) {
    const fresh = name !== this.name;
    const kept = this.el.clip.selectedIndex > 0 ? this.el.clip.value : '';
    // The same file after an edit mostly has the same tracks and clips: their list and chooser
    // stay as they are then, rather than being made again for every step.
    const before = fresh ? null : this.animation;
    const sameTracks = before && sameNames(before.tracks, animation.tracks, (track) => `${track.marksClip}/${track.name}`);
    const sameClips = before && sameNames(before.clips, animation.clips, (clip) => clip.name);
    this.animation = animation;
    this.scenes = scenes;
    this.frameOverride = null;
    this.outlineStale = true;
    if (fresh) this.selectionKey = '';
    this.name = name;
    this.el.name.textContent = name;
    this.el.name.classList.remove('failed');
    this.el.canvas.setAttribute('aria-label', `Frame of ${name}`);
    if (!sameClips) {
      this.el.clip.replaceChildren(new Option('Whole animation', ''));
      for (const clip of animation.clips) this.el.clip.append(new Option(clip.name, clip.name));
      if (fresh) this.el.clip.selectedIndex = opening.clip + 1;
      else this.el.clip.value = animation.clips.some((clip) => clip.name === kept) ? kept : '';
    }
    if (fresh) {
      this.hidden = [];
      this.selected.clear();
    }
    if (!sameTracks) this.fillTracks();
    this.player.setFramesPerSecond(animation.fps);
    this.timeline.setAnimation(animation.frameCount, animation.clips);
    if (fresh) this.player.frame = opening.frame;
    this.chooseClip();
    if (fresh) this.fit();
  }

  // A clip chosen on the timeline, fitted.
  pickClip(index) {
    this.el.clip.selectedIndex = index + 1;
    this.chooseClip();
    this.fit();
  }

  // A frame of the whole animation; one outside the clip playing leaves the clip.
  goToFrame(frame) {
    if (!this.animation) return;
    const clip = this.currentClip();
    if (frame < clip.first || frame >= clip.first + clip.frames) {
      this.el.clip.value = '';
      this.chooseClip();
    }
    this.player.setFrame(frame);
  }

  // A file that does not read: no picture and no tracks, and the line that says why where its
  // name would be (the line its row in the list gives).
  showFailure(name, error) {
    this.close();
    this.el.name.textContent = error;
    this.el.name.classList.add('failed');
    this.el.canvas.setAttribute('aria-label', `No picture of ${name}: ${error}`);
  }

  // Nothing shown: the file previewed left the list.
  close() {
    this.player.setPlaying(false);
    this.animation = null;
    this.scenes = null;
    this.selectionKey = '';
    this.name = '';
    this.el.name.textContent = '';
    this.el.name.classList.remove('failed');
    this.el.canvas.setAttribute('aria-label', 'No file previewed');
    this.el.clip.replaceChildren(new Option('Whole animation', ''));
    this.el.tracks.replaceChildren();
    this.el.clipTracks.replaceChildren();
    this.el.clipTracksTitle.hidden = true;
    this.el.values.replaceChildren();
    this.timeline.setAnimation(0, []);
    this.player.setRun(0, 0);
    this.draw();
  }

  currentClip() {
    const animation = this.animation;
    const chosen = animation && animation.clips.find((clip) => clip.name === this.el.clip.value && this.el.clip.selectedIndex > 0);
    return chosen || { name: '', first: 0, frames: animation ? animation.frameCount : 0 };
  }

  // How the core frames a picture of the current clip: its area at one pixel a unit.
  currentFraming() {
    const clip = this.currentClip();
    const index = clip.name === '' && this.el.clip.selectedIndex <= 0 ? 0 : this.animation.clips.indexOf(clip) + 1;
    return { area: this.scenes.areas[index], scale: 1 };
  }

  chooseClip() {
    const clip = this.currentClip();
    this.timeline.setRun(clip.first, clip.frames, this.el.clip.selectedIndex - 1);
    this.player.setRun(clip.first, clip.frames);
  }

  // The drawn tracks with their boxes (a hidden one greyed), and apart from them the tracks
  // that mark clips, which draw nothing.
  fillTracks() {
    const drawn = [];
    const markers = [];
    this.animation.tracks.forEach((track, index) => {
      const item = document.createElement('li');
      item.dataset.track = String(index);
      item.classList.toggle('selected', index === this.selectedTrack);
      const label = document.createElement('span');
      label.textContent = track.name;
      item.onclick = (event) => {
        if (event.target.matches('input')) return;
        this.select(this.selectedTrack === index ? -1 : index);
      };
      if (track.marksClip) {
        label.title = 'Marks a clip; not drawn';
        item.append(label);
        markers.push(item);
        return;
      }
      const box = document.createElement('input');
      box.type = 'checkbox';
      box.checked = !this.hidden[index];
      box.setAttribute('aria-label', `Show ${track.name || `track ${index}`}`);
      item.classList.toggle('hidden-track', Boolean(this.hidden[index]));
      box.onchange = () => {
        this.hidden[index] = !box.checked;
        item.classList.toggle('hidden-track', !box.checked);
        this.draw();
      };
      item.append(box, label);
      drawn.push(item);
    });
    this.el.tracks.replaceChildren(...drawn);
    this.el.clipTracks.replaceChildren(...markers);
    this.el.clipTracks.hidden = markers.length === 0;
    this.el.clipTracksTitle.hidden = markers.length === 0;
  }

  showFrame() {
    const frame = this.player.frame;
    const clip = this.currentClip();
    this.timeline.setFrame(frame);
    const label = `Frame ${frame} (${clip.frames ? frame - clip.first + 1 : 0}/${clip.frames})`;
    if (this.el.frameLabel.textContent !== label) this.el.frameLabel.textContent = label;
    this.greyHidden(frame);
    this.showValues();
    this.draw();
    if (this.onFrame) this.onFrame();
  }

  // Greys the drawn tracks not shown in the frame (its f below 0, or past the track's end), as
  // the evaluation the core sent says. What is as it was is left alone, so that a selection
  // lays out nothing again.
  greyHidden(frame) {
    for (const item of this.el.tracks.children) {
      const state = stateOf(this.animation, Number(item.dataset.track), frame);
      const hidden = !state || !(state.f >= 0);
      item.classList.toggle('hidden-in-frame', hidden);
      const title = hidden ? 'Hidden in this frame' : '';
      if (item.title !== title) item.title = title;
    }
  }

  showValues() {
    const rows = [];
    const state = this.animation && this.selectedTrack >= 0 ? stateOf(this.animation, this.selectedTrack, this.player.frame) : null;
    const values = fieldNames.map((field) => [field, state ? number(state[field]) : '-']);
    values.push(['image', state ? state.image : '-'], ['font', state ? state.font : '-'], ['text', state ? state.text : '-']);
    for (const [field, value] of values) {
      const term = document.createElement('dt');
      term.textContent = field;
      const description = document.createElement('dd');
      description.textContent = value;
      rows.push(term, description);
    }
    this.el.values.replaceChildren(...rows);
  }

  fit() {
    const area = this.animation && this.currentFraming().area;
    const bounds = area && area.drawn ? area : { x: 0, y: 0, w: 100, h: 100 };
    const width = this.el.canvas.clientWidth;
    const height = this.el.canvas.clientHeight;
    this.zoom = Math.min(Math.max(fitMargin * Math.min(width / bounds.w, height / bounds.h), minZoom), maxZoom);
    this.pan = { x: width / 2 - (bounds.x + bounds.w / 2) * this.zoom, y: height / 2 - (bounds.y + bounds.h / 2) * this.zoom };
    this.fitted = true;
    this.draw();
  }

  zoomBy(factor, fixed) {
    this.zoomAbout(this.zoom * factor, fixed);
  }

  zoomTo(zoom) {
    this.zoomAbout(zoom, this.centre());
  }

  zoomAbout(zoom, fixed) {
    const under = { x: (fixed.x - this.pan.x) / this.zoom, y: (fixed.y - this.pan.y) / this.zoom };
    this.zoom = Math.min(Math.max(zoom, minZoom), maxZoom);
    this.pan = { x: fixed.x - under.x * this.zoom, y: fixed.y - under.y * this.zoom };
    this.fitted = false;
    this.draw();
  }

  // The view as numbers: at zoom z and pan (px, py) the point (x, y) is at (z x + px, z y + py).
  setView(zoom, panX, panY) {
    this.zoom = zoom;
    this.pan = { x: panX, y: panY };
    this.fitted = false;
    this.draw();
  }

  // Draws at the next display frame, once however often it is asked for before then.
  draw() {
    if (this.drawing) return;
    this.drawing = requestAnimationFrame(() => {
      this.drawing = 0;
      this.drawNow();
    });
  }

  drawNow() {
    const { context, el } = this;
    const ratio = el.canvas.width / Math.max(el.canvas.clientWidth, 1);
    const percent = `${Math.round(this.zoom * 100)} %`;
    if (el.zoomReadout.textContent !== percent) {
      el.zoomReadout.textContent = percent;
      el.zoomReadout.setAttribute('aria-label', `Zoom ${percent}; to 100 % (1)`);
    }
    context.resetTransform();
    context.globalAlpha = 1;
    context.fillStyle = el.background.value === 'colour' ? el.backgroundColour.value : this.checkers;
    context.fillRect(0, 0, el.canvas.width, el.canvas.height);
    if (!this.animation) return;
    context.imageSmoothingEnabled = this.zoom * ratio !== 1;
    context.setTransform(this.zoom * ratio, 0, 0, this.zoom * ratio, this.pan.x * ratio, this.pan.y * ratio);
    const frame = this.player.frame;
    if (el.onion.checked) {
      const clip = this.currentClip();
      context.globalAlpha = onionOpacity;
      for (const other of [frame - 1, frame + 1]) {
        if (other >= clip.first && other < clip.first + clip.frames) drawFrame(context, this.scenes, other, this.images, this.hidden);
      }
      context.globalAlpha = 1;
    }
    const override = this.frameOverride && this.frameOverride.frame === frame ? this.frameOverride : null;
    if (override) drawFrame(context, override.scenes, 0, this.images, this.hidden);
    else drawFrame(context, this.scenes, frame, this.images, this.hidden);
    if (this.selectedTrack >= 0) {
      drawSelection(context, this.currentSelection());
      for (const other of this.otherSelections) if (other) drawSelection(context, { outline: other.outline, path: [], origin: null });
    }
    context.resetTransform();
    const view = { zoom: this.zoom, pan: this.pan, ratio };
    if (el.bounds.checked) drawBounds(context, view, this.currentFraming().area);
    if (el.axes.checked) drawAxes(context, view, el.canvas.width, el.canvas.height);
    if (this.overlay) this.overlay(context, view);
  }

  // What the selected tracks' marks in the frame shown are asked of the core with: {key, tracks,
  // frame, first, frames}; the key changes when they would.
  outlineAsk() {
    const clip = this.currentClip();
    const { tracks } = this.selected;
    const frame = this.player.frame;
    return { key: `${tracks.join(',')}/${frame}/${clip.first}/${clip.frames}`, tracks, frame, first: clip.first, frames: clip.frames };
  }

  // The selected tracks' marks that came for `key` (the first track's, then the others'), drawn.
  takeSelections(key, selections) {
    this.selectionKey = key;
    this.outlineStale = false;
    [this.selection, ...this.otherSelections] = selections;
    this.draw();
  }

  // The selected track's marks for the frame shown; asked of the core when they are not at hand,
  // and drawn when they come. Those of before stay drawn until then, unless other tracks are
  // selected now. The other selected tracks are outlined alone (otherSelections).
  currentSelection() {
    const ask = this.outlineAsk();
    if (ask.key !== this.selectionKey || this.outlineStale) {
      const sameTracks = this.selectionKey.startsWith(`${ask.tracks.join(',')}/`);
      this.selectionKey = ask.key;
      this.outlineStale = false;
      if (!sameTracks) {
        this.selection = null;
        this.otherSelections = [];
      }
      const asked = ask.tracks.map((track, index) => this.jobs.request({ op: 'selection', track, frame: ask.frame, first: ask.first,
        frames: index === 0 ? ask.frames : 0 }).then((reply) => reply.selection));
      Promise.all(asked).then((selections) => { if (ask.key === this.selectionKey) this.takeSelections(ask.key, selections); });
    }
    return this.selection;
  }
}
