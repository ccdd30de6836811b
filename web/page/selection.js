// What the person has chosen: tracks (the first chosen is the one the inspector, the track list
// and the outline follow) and, on the editor's timeline, a run of frames. Whatever chooses sets
// it; whatever shows a choice listens to it.
export class Selection {
  constructor() {
    this.tracks = [];
    this.frames = null; // {first, count}, or null when no run of frames is chosen
    this.listeners = [];
  }

  get primary() {
    return this.tracks.length > 0 ? this.tracks[0] : -1;
  }

  has(track) {
    return this.tracks.includes(track);
  }

  onChange(listener) {
    this.listeners.push(listener);
  }

  // These tracks, the first of them the primary; a track named twice or below 0 counts once or not.
  set(tracks, frames = this.frames) {
    const kept = [];
    for (const track of tracks) if (track >= 0 && !kept.includes(track)) kept.push(track);
    const same = kept.length === this.tracks.length && kept.every((track, index) => track === this.tracks[index])
      && sameRun(frames, this.frames);
    this.tracks = kept;
    this.frames = frames;
    if (!same) for (const listener of this.listeners) listener(this);
  }

  // Just `track` (nothing for -1).
  only(track) {
    this.set(track >= 0 ? [track] : []);
  }

  // A Shift-click: the track joins the selection, or leaves it.
  toggle(track) {
    this.set(this.has(track) ? this.tracks.filter((other) => other !== track) : [...this.tracks, track]);
  }

  setFrames(frames) {
    this.set(this.tracks, frames);
  }

  clear() {
    this.set([], null);
  }
}

function sameRun(a, b) {
  return a === b || (a !== null && b !== null && a.first === b.first && a.count === b.count);
}
