// The editor as a studio: while editing, the file list gives way (a Files button brings it back)
// and the preview holds the editing bars, the stage with the inspector beside it, the transport
// and the per-track timeline. The edits of the chosen run of frames and tracks (frames inserted,
// duplicated, deleted, copied and pasted, tweened, keyed; tracks and clips made, renamed, moved,
// deleted; the frame rate) are sent to the worker's document through the editor.
import { askName } from './askname.js';
import { TrackTimeline } from './tracktimeline.js';

export class Studio {
  // `el`: {main, filesToggle, nameDialog, timeline: {box, canvas, scroller, space}, and the
  // buttons and fields: ownFrames, insert, duplicate, remove, copy, paste, tween, tweenField,
  // easing, key, clearKey, fps, renameTrack, duplicateTrack, deleteTrack, makeClip, renameClip,
  // deleteClip}.
  constructor(editor, el, say) {
    this.editor = editor;
    this.preview = editor.preview;
    this.el = el;
    this.say = say;
    this.copied = null; // {rows, frames} of what the worker holds copied
    this.marksAsked = 0;
    const { preview } = this;
    this.timeline = new TrackTimeline(el.timeline, preview, {
      goTo: (frame) => preview.goToFrame(frame),
      toggleHidden: (track) => {
        preview.hidden[track] = !preview.hidden[track];
        preview.fillTracks();
        preview.draw();
      },
      moveTrack: (from, to) => this.moveTrack(from, to),
      renameTrack: (track) => this.renameTrack(track),
      moveClip: (clip, first, count) => this.editor.apply({ op: 'moveClip', clip, frame: first, count }),
      renameClip: (clip) => this.renameClip(clip),
    });
    const shown = preview.onFrame;
    preview.onFrame = () => {
      shown();
      if (this.editor.active) this.timeline.follow(preview.player.frame);
    };
    editor.onActive = (active) => this.setActive(active);
    editor.onTook = (reply) => this.took(reply);
    this.wire();
  }

  wire() {
    const { el, editor } = this;
    el.filesToggle.onclick = () => this.showFiles(!el.main.classList.contains('files-shown'));
    el.insert.onclick = () => this.frames('insertFrames');
    el.duplicate.onclick = () => this.frames('duplicateFrames');
    el.remove.onclick = () => this.frames('deleteFrames');
    el.copy.onclick = () => this.copy();
    el.paste.onclick = () => this.paste(false);
    el.tween.onclick = () => this.tween();
    el.key.onclick = () => this.key(false);
    el.clearKey.onclick = () => this.key(true);
    el.fps.onchange = () => {
      const fps = Number(el.fps.value);
      if (Number.isFinite(fps) && fps > 0) editor.apply({ op: 'setFps', value: fps });
      else el.fps.value = String(this.preview.animation ? this.preview.animation.fps : 12);
    };
    el.renameTrack.onclick = () => this.renameTrack(this.preview.selectedTrack);
    el.duplicateTrack.onclick = () => this.track('duplicateTrack');
    el.deleteTrack.onclick = () => this.track('deleteTrack');
    el.makeClip.onclick = () => this.makeClip();
    el.renameClip.onclick = () => this.renameClip(this.chosenClip());
    el.deleteClip.onclick = () => {
      const clip = this.chosenClip();
      if (clip) this.keepingChosen({ op: 'deleteClip', clip });
    };
    window.addEventListener('keydown', (event) => this.keyDown(event), { capture: true });
  }

  // --- The layout

  setActive(active) {
    const { el } = this;
    el.main.classList.toggle('studio', active);
    el.filesToggle.hidden = !active;
    if (!active) this.showFiles(false);
    if (active) this.askMarks();
  }

  showFiles(shown) {
    this.el.main.classList.toggle('files-shown', shown);
    this.el.filesToggle.setAttribute('aria-expanded', String(shown));
  }

  // A reply of the worker: a new drawing lays the timeline out again with the frames' marks.
  took(reply) {
    // A drag's moves change no mark (the timeline asks for them when the drag ends).
    if (!this.editor.active || reply.light) return;
    if (reply.scenes) this.askMarks();
    const animation = this.preview.animation;
    if (animation && document.activeElement !== this.el.fps) this.el.fps.value = String(animation.fps);
    this.timeline.draw();
  }

  async askMarks() {
    const asked = ++this.marksAsked;
    const entry = this.editor.entry;
    if (!entry) return;
    const reply = await this.editor.ask({ op: 'editGivenFrames', path: entry.path }).catch(() => null);
    if (asked !== this.marksAsked || !reply || !reply.marks) return;
    this.timeline.setMarks(reply.marks);
  }

  // --- What is chosen

  // The chosen run of frames, else the frame shown.
  run() {
    const { selected, player } = this.preview;
    return selected.frames || { first: player.frame, count: 1 };
  }

  // The tracks an edit of frames takes: the chosen ones when "own frames" is ticked, else every one.
  frameTracks() {
    if (!this.el.ownFrames.checked) return undefined;
    return this.chosenTracks();
  }

  chosenTracks() {
    const tracks = this.preview.selected.tracks;
    if (tracks.length === 0) this.say('Choose a track first: click its row on the timeline');
    return tracks.length > 0 ? tracks : null;
  }

  // The clip last clicked on the timeline, else the one playing; null when none.
  chosenClip() {
    const clips = this.preview.animation ? this.preview.animation.clips : [];
    const clicked = this.timeline.clip;
    if (clips.some((clip) => clip.name === clicked)) return clicked;
    const playing = this.preview.currentClip().name;
    if (playing) return playing;
    this.say('Choose a clip first: click its range above the timeline');
    return null;
  }

  // --- Edits

  frames(op) {
    const tracks = this.frameTracks();
    if (tracks === null) return null;
    const { first, count } = this.run();
    return this.editor.apply({ op, frame: first, count, ...(tracks ? { tracks } : {}) });
  }

  async copy() {
    const tracks = this.chosenTracks();
    if (!tracks) return;
    const { first, count } = this.run();
    const reply = await this.editor.request('editCopy', { tracks, first, count });
    if (!reply || !reply.copied) return;
    this.copied = reply.copied;
    this.say(`Copied ${reply.copied.frames} frame${reply.copied.frames === 1 ? '' : 's'} of ${tracks.length} track${tracks.length === 1 ? '' : 's'}`);
  }

  // Into the chosen tracks (or, when fewer are chosen than were copied, those from the first
  // chosen on) at the start of the run or the frame shown; `insert`: before the frames there.
  paste(insert) {
    if (!this.copied) {
      this.say('Nothing copied yet: choose frames and Copy (Ctrl+C)');
      return null;
    }
    const chosen = this.chosenTracks();
    if (!chosen) return null;
    const rows = this.copied.rows;
    const tracks = chosen.length === rows ? chosen : Array.from({ length: rows }, (_, n) => chosen[0] + n);
    return this.editor.apply({ op: 'pasteFrames', tracks, frame: this.run().first, insert });
  }

  tween() {
    const tracks = this.chosenTracks();
    const run = this.preview.selected.frames;
    if (!tracks) return null;
    if (!run || run.count < 3) {
      this.say('Choose a run of at least three frames to tween: drag across the timeline');
      return null;
    }
    return this.editor.apply({ op: 'tween', tracks, frame: run.first, to: run.first + run.count - 1,
      field: this.el.tweenField.value, easing: this.el.easing.value });
  }

  key(clear) {
    const tracks = this.chosenTracks();
    if (!tracks) return null;
    return this.editor.apply({ op: clear ? 'clearKey' : 'setKey', tracks, frame: this.preview.player.frame });
  }

  track(op) {
    const track = this.preview.selectedTrack;
    if (track < 0) return this.chosenTracks();
    return this.keepingChosen({ op, track });
  }

  // An edit that adds, takes away or reorders tracks, after which the tracks chosen are still
  // chosen where they now stand (found by name).
  async keepingChosen(edit) {
    const { selected } = this.preview;
    const names = selected.tracks.map((track) => this.preview.animation.tracks[track].name);
    const reply = await this.editor.apply(edit);
    if (!reply || !reply.done || !this.preview.animation) return reply;
    const tracks = this.preview.animation.tracks;
    selected.set(names.map((name) => tracks.findIndex((track) => track.name === name)), selected.frames);
    return reply;
  }

  async moveTrack(from, to) {
    const reply = await this.editor.apply({ op: 'moveTrack', track: from, to });
    if (reply && reply.done) this.preview.selected.set([to], this.preview.selected.frames);
  }

  async renameTrack(track) {
    const animation = this.preview.animation;
    if (!animation || !animation.tracks[track]) return this.chosenTracks();
    const name = await askName(this.el.nameDialog, 'The track\'s new name', animation.tracks[track].name);
    if (name !== null) await this.editor.apply({ op: 'renameTrack', track, text: name });
    return null;
  }

  async makeClip() {
    const run = this.preview.selected.frames;
    if (!run) {
      this.say('Choose the clip\'s frames first: drag across the timeline');
      return;
    }
    const last = run.first + run.count - 1;
    const name = await askName(this.el.nameDialog, `A clip of frames ${run.first} to ${last}: its name`, 'clip');
    if (name !== null) await this.keepingChosen({ op: 'makeClip', text: name, frame: run.first, count: run.count });
  }

  async renameClip(clip) {
    if (!clip) return;
    const name = await askName(this.el.nameDialog, `Clip ${clip}: its new name`, clip);
    if (name === null) return;
    const reply = await this.editor.apply({ op: 'renameClip', clip, text: name });
    if (reply && reply.done && this.timeline.clip === clip) this.timeline.clip = name;
  }

  // --- Keys, while editing

  keyDown(event) {
    if (!this.editor.active) return;
    const target = event.target;
    if ((target.matches && target.matches('input, select, textarea')) || (target.closest && target.closest('dialog'))) return;
    const control = event.ctrlKey || event.metaKey;
    const letter = event.key.length === 1 ? event.key.toLowerCase() : event.key;
    let act = null;
    if (control && !event.altKey && letter === 'c') act = () => this.copy();
    else if (control && !event.altKey && letter === 'v') act = () => this.paste(event.shiftKey);
    else if (!control && !event.altKey && letter === 'k') act = () => this.key(event.shiftKey);
    else if (!control && !event.altKey && event.key === 'Delete' && this.preview.selected.frames) act = () => this.frames('deleteFrames');
    if (!act) return;
    event.preventDefault();
    event.stopImmediatePropagation();
    act();
  }
}
