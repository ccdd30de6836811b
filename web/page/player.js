// The playhead: a run of frames (the whole animation or a clip), played at the file's frame
// rate times the speed, a frame per tick of that interval, looping or stopping at the end.

const fallbackFps = 12;
const maxFps = 1000;

export class Player {
  constructor(onFrame, onPlaying) {
    this.onFrame = onFrame;
    this.onPlaying = onPlaying;
    this.first = 0;
    this.count = 0;
    this.frame = 0;
    this.fps = fallbackFps;
    this.speed = 1;
    this.loop = true;
    this.timer = 0;
    this.due = 0;
  }

  get playing() {
    return this.timer !== 0;
  }

  interval() {
    return Math.max(1, Math.round(1000 / (this.fps * this.speed)));
  }

  setFramesPerSecond(fps) {
    this.fps = Number.isFinite(fps) && fps > 0 ? Math.min(fps, maxFps) : fallbackFps;
  }

  setRun(first, count) {
    this.first = Math.max(first, 0);
    this.count = Math.max(count, 0);
    const inside = this.frame >= this.first && this.frame < this.first + this.count;
    if (this.count === 0) this.setPlaying(false);
    this.setFrame(inside ? this.frame : this.first, true);
  }

  setFrame(frame, always = false) {
    const clamped = this.count === 0 ? this.first : Math.min(Math.max(frame, this.first), this.first + this.count - 1);
    const changed = clamped !== this.frame;
    this.frame = clamped;
    if (changed || always) this.onFrame(this.frame);
  }

  step(frames) {
    this.setFrame(this.frame + frames);
  }

  toFirst() {
    this.setFrame(this.first);
  }

  toLast() {
    this.setFrame(this.first + this.count - 1);
  }

  setPlaying(playing) {
    if (playing === this.playing || (playing && this.count === 0)) return;
    if (playing) {
      this.due = performance.now() + this.interval();
      this.timer = requestAnimationFrame((now) => this.tick(now));
    } else {
      cancelAnimationFrame(this.timer);
      this.timer = 0;
    }
    this.onPlaying(playing);
  }

  toggle() {
    this.setPlaying(!this.playing);
  }

  tick(now) {
    this.timer = requestAnimationFrame((later) => this.tick(later));
    if (now < this.due) return;
    // One frame per interval; after a long pause (a hidden tab) it goes on from now.
    this.due = now - this.due > 1000 ? now + this.interval() : this.due + this.interval();
    if (this.frame + 1 < this.first + this.count) this.setFrame(this.frame + 1);
    else if (this.loop) this.setFrame(this.first);
    else this.setPlaying(false);
  }
}
