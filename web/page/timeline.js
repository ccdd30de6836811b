// The timeline row below the stage: the whole animation as a bar with the run playing shaded,
// its clips as named ranges above it (a click chooses one), the playhead, and a field to type
// a frame into. A click or drag on the bar goes to the frame under the pointer.

// Where frame `frame` of `count` starts along the bar, as a share of its width in per cent.
function at(frame, count) {
  return `${(100 * frame) / Math.max(count, 1)}%`;
}

const rangeHeight = 22; // a row of clip ranges, in CSS pixels

function place(element, first, frames, count) {
  element.style.left = at(first, count);
  element.style.width = at(frames, count);
}

export class Timeline {
  // `elements`: { bar, run, playhead, clips, field }; `goTo(frame)` for a frame of the whole
  // animation, `chooseClip(index)` for a clip by its index.
  constructor(elements, goTo, chooseClip) {
    this.el = elements;
    this.goTo = goTo;
    this.chooseClip = chooseClip;
    this.count = 0;
    this.ranges = [];
    this.frame = 0;
    this.typing = false;
    const bar = elements.bar;
    const follow = (event) => {
      const box = bar.getBoundingClientRect();
      if (this.count === 0 || box.width <= 0) return;
      const frame = Math.floor(((event.clientX - box.left) / box.width) * this.count);
      this.goTo(Math.min(Math.max(frame, 0), this.count - 1));
    };
    bar.addEventListener('pointerdown', (event) => {
      bar.setPointerCapture(event.pointerId);
      follow(event);
    });
    bar.addEventListener('pointermove', (event) => {
      if (bar.hasPointerCapture(event.pointerId)) follow(event);
    });
    // While a number is being typed, playback does not overwrite it.
    elements.field.addEventListener('input', () => { this.typing = true; });
    elements.field.addEventListener('blur', () => { this.typing = false; });
    elements.field.addEventListener('change', () => {
      this.typing = false;
      const frame = Number.parseInt(elements.field.value, 10);
      if (Number.isFinite(frame) && this.count > 0) this.goTo(Math.min(Math.max(frame, 0), this.count - 1));
      elements.field.value = String(this.frame);
    });
  }

  // A new animation: `count` frames and its clips ({ name, first, frames }).
  setAnimation(count, clips) {
    this.count = count;
    // Clips that share frames go on rows of their own: each on the first row none of whose clips
    // shares a frame with it.
    const taken = []; // each row's clips, as [first, end)
    const rows = clips.map((clip) => {
      const end = clip.first + clip.frames;
      let row = taken.findIndex((spans) => spans.every(([first, last]) => end <= first || clip.first >= last));
      if (row < 0) row = taken.push([]) - 1;
      taken[row].push([clip.first, end]);
      return row;
    });
    this.el.clips.style.height = `${rangeHeight * Math.max(taken.length, 1)}px`;
    this.el.bar.setAttribute('aria-valuemax', String(Math.max(count - 1, 0)));
    this.el.field.max = String(Math.max(count - 1, 0));
    this.ranges = clips.map((clip, index) => {
      const range = document.createElement('button');
      range.type = 'button';
      range.className = 'clip-range';
      range.textContent = clip.name;
      range.title = `${clip.name}: frames ${clip.first} to ${clip.first + clip.frames - 1}`;
      range.setAttribute('aria-label', `Clip ${clip.name}, frames ${clip.first} to ${clip.first + clip.frames - 1}`);
      place(range, clip.first, clip.frames, count);
      range.style.top = `${rangeHeight * rows[index]}px`;
      range.onclick = () => this.chooseClip(index);
      return range;
    });
    this.el.clips.replaceChildren(...this.ranges);
  }

  // The run playing (the whole animation or a clip), and which clip that is (-1 for none).
  setRun(first, frames, clipIndex) {
    place(this.el.run, first, frames, this.count);
    this.ranges.forEach((range, index) => {
      range.classList.toggle('chosen', index === clipIndex);
      range.setAttribute('aria-pressed', String(index === clipIndex));
    });
  }

  setFrame(frame) {
    this.frame = frame;
    place(this.el.playhead, frame, 1, this.count);
    this.el.bar.setAttribute('aria-valuenow', String(frame));
    this.el.bar.setAttribute('aria-valuetext', `Frame ${frame} of ${this.count}`);
    if (!this.typing) this.el.field.value = String(frame);
  }
}
