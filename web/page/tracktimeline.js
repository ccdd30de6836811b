// The editor's timeline: a row a track (its name, its visibility tick, clip tracks marked apart)
// with a mark on each frame the track itself gives something in, the clips as named ranges
// above, and the playhead. Drawn on one canvas over a scroller, so a hundred tracks of thousands
// of frames cost no element a cell. Pointer: a cell goes to its frame and selects its track; a
// drag or Shift-click across cells chooses a run of frames of several tracks; a name dragged up
// or down reorders the track; a clip range's body or ends dragged move it. Keys, while it has
// the focus: the arrows go along the frames and tracks as a click on the cell there would, with
// Shift they choose the run from where they began; Home and End go to the first and last frame.

const nameWidth = 180;
const rowHeight = 18;
const cellWidth = 12;
const laneHeight = 18; // a lane of clip ranges
const rulerHeight = 16;
const tickWidth = 18;
const edge = 4; // how near an end of a clip range a drag takes that end

const colours = {
  ink: '#1b1f24', quiet: '#4a535e', line: '#d5dae0', panel: '#f4f6f8', even: '#ffffff', odd: '#f7f8fa',
  selectedRow: '#e3ecf9', run: '#9dbbe6', past: '#e4e7eb', mark: '#1d5fbf', textMark: '#b35c00', playhead: '#c62828',
  clip: '#cfe0f5', clipChosen: '#1d5fbf', clipTrack: '#6b4fa3', drop: '#1d5fbf',
};

export class TrackTimeline {
  // `el`: {box (the element it fills), canvas, scroller, space}; `actions`: {goTo(frame),
  // toggleHidden(track), moveTrack(from, to), renameTrack(track), moveClip(clip, first, count),
  // renameClip(clip)}.
  constructor(el, preview, actions) {
    this.el = el;
    this.preview = preview;
    this.actions = actions;
    this.marks = []; // a Uint8Array a track: what each frame gives (1 numbers, 2 strings)
    this.clip = null; // the clip range last clicked, by name
    this.gesture = null;
    this.context = el.canvas.getContext('2d');
    el.scroller.addEventListener('scroll', () => this.draw());
    el.scroller.addEventListener('pointerdown', (event) => this.down(event));
    el.scroller.addEventListener('pointermove', (event) => this.move(event));
    el.scroller.addEventListener('pointerup', (event) => this.up(event));
    el.scroller.addEventListener('pointercancel', () => { this.gesture = null; this.draw(); });
    el.scroller.addEventListener('dblclick', (event) => this.doubleClick(event));
    el.scroller.addEventListener('keydown', (event) => this.key(event));
    new ResizeObserver(() => this.resize()).observe(el.box);
    preview.selected.onChange(() => this.draw());
  }

  get animation() {
    return this.preview.animation;
  }

  get tracks() {
    return this.animation ? this.animation.tracks : [];
  }

  get frames() {
    return this.animation ? this.animation.frameCount : 0;
  }

  // The clips with the lane each is drawn in: clips that share frames go on lanes of their own.
  lanes() {
    const taken = [];
    return (this.animation ? this.animation.clips : []).map((clip) => {
      const end = clip.first + clip.frames;
      let lane = taken.findIndex((spans) => spans.every(([first, last]) => end <= first || clip.first >= last));
      if (lane < 0) lane = taken.push([]) - 1;
      taken[lane].push([clip.first, end]);
      return { ...clip, lane };
    });
  }

  headerHeight() {
    const lanes = Math.max(1, ...this.lanes().map((clip) => clip.lane + 1));
    return lanes * laneHeight + rulerHeight;
  }

  setMarks(marks) {
    this.marks = marks || [];
    this.layout();
  }

  // The scroller's content as large as every row and frame; the canvas as large as the box.
  layout() {
    const header = this.headerHeight();
    this.el.space.style.width = `${nameWidth + this.frames * cellWidth + 40}px`;
    this.el.space.style.height = `${header + this.tracks.length * rowHeight + 20}px`;
    this.draw();
  }

  resize() {
    const { canvas, scroller } = this.el;
    const ratio = window.devicePixelRatio || 1;
    canvas.width = Math.max(1, Math.round(scroller.clientWidth * ratio));
    canvas.height = Math.max(1, Math.round(scroller.clientHeight * ratio));
    canvas.style.width = `${scroller.clientWidth}px`;
    canvas.style.height = `${scroller.clientHeight}px`;
    this.draw();
  }

  // The playhead kept in view as frames go by.
  follow(frame) {
    const { scroller } = this.el;
    const x = frame * cellWidth;
    const width = scroller.clientWidth - nameWidth;
    if (x < scroller.scrollLeft || x + cellWidth > scroller.scrollLeft + width) {
      scroller.scrollLeft = Math.max(0, x - width / 3);
    }
    this.draw();
  }

  // --- Where the pointer is

  // {area: 'clips' | 'ruler' | 'names' | 'cells' | 'none', frame, row, clip}
  hit(event) {
    const { scroller } = this.el;
    const box = scroller.getBoundingClientRect();
    const x = event.clientX - box.left;
    const y = event.clientY - box.top;
    const header = this.headerHeight();
    const frame = Math.floor((x - nameWidth + scroller.scrollLeft) / cellWidth);
    const row = Math.floor((y - header + scroller.scrollTop) / rowHeight);
    const inFrames = Math.min(Math.max(frame, 0), Math.max(this.frames - 1, 0));
    const inRows = Math.min(Math.max(row, 0), Math.max(this.tracks.length - 1, 0));
    const at = { x, y, frame: inFrames, row: inRows, rawRow: row };
    if (y < header - rulerHeight) {
      const lane = Math.floor(y / laneHeight);
      const left = (clip) => nameWidth + clip.first * cellWidth - scroller.scrollLeft;
      const clip = this.lanes().find((each) => each.lane === lane && x >= left(each) - edge
        && x <= left(each) + each.frames * cellWidth + edge);
      if (clip && x >= nameWidth) {
        const end = x >= left(clip) + clip.frames * cellWidth - edge ? 'end' : x <= left(clip) + edge ? 'start' : 'body';
        return { ...at, area: 'clips', clip, end };
      }
      return { ...at, area: 'none' };
    }
    if (y < header) return x >= nameWidth ? { ...at, area: 'ruler' } : { ...at, area: 'none' };
    if (row < 0 || row >= this.tracks.length) return { ...at, area: 'none' };
    if (x < nameWidth) return { ...at, area: 'names', tick: x < tickWidth };
    return { ...at, area: 'cells' };
  }

  // --- The pointer

  down(event) {
    if (event.button !== 0 || !this.animation) return;
    const at = this.hit(event);
    if (at.area === 'none') return;
    // The scroller's own bar is outside its content box: leave it to scroll.
    if (at.x > this.el.scroller.clientWidth || at.y > this.el.scroller.clientHeight) return;
    event.preventDefault();
    this.el.scroller.focus({ preventScroll: true });
    this.el.scroller.setPointerCapture(event.pointerId);
    const { selected } = this.preview;
    if (at.area === 'ruler') {
      this.gesture = { kind: 'scrub' };
      this.actions.goTo(at.frame);
    } else if (at.area === 'clips') {
      this.clip = at.clip.name;
      this.gesture = { kind: 'clip', clip: at.clip, end: at.end, from: at.frame, to: at.frame };
    } else if (at.area === 'names') {
      if (at.tick && !this.tracks[at.row].marksClip) {
        this.actions.toggleHidden(at.row);
        this.draw();
        return;
      }
      this.gesture = { kind: 'name', from: at.row, to: at.row, shift: event.shiftKey };
    } else if (event.shiftKey && selected.tracks.length > 0) {
      // Shift: from where the run (or the playhead) starts to this cell, over the tracks between.
      const anchor = { frame: selected.frames ? selected.frames.first : this.preview.player.frame, row: selected.primary };
      this.choose(anchor, at);
      this.gesture = { kind: 'cells', anchor };
    } else {
      this.gesture = { kind: 'cells', anchor: { frame: at.frame, row: at.row } };
      selected.set([at.row], null);
      this.actions.goTo(at.frame);
    }
    this.draw();
  }

  move(event) {
    const gesture = this.gesture;
    if (!gesture) return;
    const at = this.hit(event);
    if (gesture.kind === 'scrub') this.actions.goTo(at.frame);
    else if (gesture.kind === 'cells') this.choose(gesture.anchor, at);
    else if (gesture.kind === 'name') gesture.to = Math.min(Math.max(at.rawRow, 0), this.tracks.length - 1);
    else if (gesture.kind === 'clip') gesture.to = Math.floor((at.x - nameWidth + this.el.scroller.scrollLeft) / cellWidth);
    this.draw();
  }

  up(event) {
    const gesture = this.gesture;
    if (!gesture) return;
    this.gesture = null;
    if (gesture.kind === 'name') {
      if (gesture.to !== gesture.from) this.actions.moveTrack(gesture.from, gesture.to);
      else if (gesture.shift) this.preview.selected.toggle(gesture.from);
      else this.preview.selected.set([gesture.from], null);
    } else if (gesture.kind === 'clip') {
      const moved = this.movedClip(gesture);
      if (moved.first !== gesture.clip.first || moved.frames !== gesture.clip.frames) {
        this.actions.moveClip(gesture.clip.name, moved.first, moved.frames);
      } else {
        this.actions.goTo(gesture.clip.first);
      }
    }
    this.draw();
    if (event.pointerId !== undefined && this.el.scroller.hasPointerCapture(event.pointerId)) {
      this.el.scroller.releasePointerCapture(event.pointerId);
    }
  }

  doubleClick(event) {
    const at = this.hit(event);
    if (at.area === 'names' && !at.tick) this.actions.renameTrack(at.row);
    else if (at.area === 'clips') this.actions.renameClip(at.clip.name);
  }

  // The run from `anchor` to the cell at `at`, over the tracks between (the anchor's first).
  choose(anchor, at) {
    const first = Math.min(anchor.frame, at.frame);
    const count = Math.abs(anchor.frame - at.frame) + 1;
    const step = at.row >= anchor.row ? 1 : -1;
    const tracks = [];
    for (let row = anchor.row; row !== at.row + step; row += step) tracks.push(row);
    this.preview.selected.set(tracks, { first, count });
  }

  // --- The keys

  key(event) {
    if (!this.animation || this.tracks.length === 0 || event.altKey || event.ctrlKey || event.metaKey) return;
    const { selected, player } = this.preview;
    // Where the keys stand: taken from the selection and the playhead unless the last key left them.
    const standing = () => JSON.stringify([selected.tracks, selected.frames, player.frame]);
    if (!this.keyed || this.keyed.standing !== standing()) {
      const at = { frame: selected.frames ? selected.frames.first : player.frame, row: Math.max(selected.primary, 0) };
      this.keyed = { anchor: at, cursor: at };
    }
    const { cursor } = this.keyed;
    const step = { ArrowLeft: [-1, 0], ArrowRight: [1, 0], ArrowUp: [0, -1], ArrowDown: [0, 1] }[event.key];
    let to;
    if (step) to = { frame: cursor.frame + step[0], row: cursor.row + step[1] };
    else if (event.key === 'Home') to = { frame: 0, row: cursor.row };
    else if (event.key === 'End') to = { frame: this.frames - 1, row: cursor.row };
    else return;
    event.preventDefault();
    event.stopPropagation();
    const within = (value, last) => Math.min(Math.max(value, 0), Math.max(last, 0));
    to = { frame: within(to.frame, this.frames - 1), row: within(to.row, this.tracks.length - 1) };
    if (event.shiftKey) {
      this.choose(this.keyed.anchor, to);
    } else {
      this.keyed.anchor = to;
      selected.set([to.row], null);
      this.actions.goTo(to.frame);
    }
    this.keyed.cursor = to;
    this.keyed.standing = standing();
    this.show(to);
  }

  // The cell at `at` ({frame, row}) scrolled into view.
  show(at) {
    const { scroller } = this.el;
    const y = at.row * rowHeight;
    const height = scroller.clientHeight - this.headerHeight();
    if (y < scroller.scrollTop || y + rowHeight > scroller.scrollTop + height) scroller.scrollTop = Math.max(0, y - height / 3);
    this.follow(at.frame);
  }

  // Where a clip being dragged would run: its body moves, an end stretches it (at least a frame).
  movedClip(gesture) {
    const { clip, end } = gesture;
    const by = gesture.to - gesture.from;
    if (end === 'body') return { first: Math.max(0, clip.first + by), frames: clip.frames };
    if (end === 'start') {
      const first = Math.min(Math.max(0, clip.first + by), clip.first + clip.frames - 1);
      return { first, frames: clip.first + clip.frames - first };
    }
    return { first: clip.first, frames: Math.max(1, clip.frames + by) };
  }

  // --- Drawing

  draw() {
    if (this.pending) return;
    this.pending = requestAnimationFrame(() => {
      this.pending = 0;
      this.drawNow();
    });
  }

  drawNow() {
    const { canvas, scroller } = this.el;
    const context = this.context;
    const ratio = canvas.width / Math.max(scroller.clientWidth, 1);
    const width = scroller.clientWidth;
    const height = scroller.clientHeight;
    context.setTransform(ratio, 0, 0, ratio, 0, 0);
    context.fillStyle = colours.even;
    context.fillRect(0, 0, width, height);
    if (!this.animation) return;
    context.font = '12px system-ui, sans-serif';
    context.textBaseline = 'middle';
    const header = this.headerHeight();
    const left = scroller.scrollLeft;
    const top = scroller.scrollTop;
    const firstFrame = Math.max(0, Math.floor(left / cellWidth));
    const lastFrame = Math.min(this.frames - 1, Math.floor((left + width - nameWidth) / cellWidth));
    const firstRow = Math.max(0, Math.floor(top / rowHeight));
    const lastRow = Math.min(this.tracks.length - 1, Math.floor((top + height - header) / rowHeight));
    const xOf = (frame) => nameWidth + frame * cellWidth - left;
    const yOf = (row) => header + row * rowHeight - top;
    const { selected } = this.preview;
    const run = selected.frames;

    // The cells: a row a track, its frames past its end greyed, the chosen run, the marks.
    context.save();
    context.beginPath();
    context.rect(nameWidth, header, width - nameWidth, height - header);
    context.clip();
    for (let row = firstRow; row <= lastRow; row++) {
      const y = yOf(row);
      const chosen = selected.has(row);
      context.fillStyle = chosen ? colours.selectedRow : row % 2 ? colours.odd : colours.even;
      context.fillRect(nameWidth, y, width - nameWidth, rowHeight);
      const marks = this.marks[row] || new Uint8Array(0);
      if (marks.length <= lastFrame) {
        context.fillStyle = colours.past;
        const from = Math.max(marks.length, firstFrame);
        context.fillRect(xOf(from), y, (lastFrame - from + 1) * cellWidth, rowHeight);
      }
      if (run && chosen) {
        context.fillStyle = colours.run;
        context.fillRect(xOf(run.first), y + 1, run.count * cellWidth, rowHeight - 2);
      }
      for (let frame = firstFrame; frame <= Math.min(lastFrame, marks.length - 1); frame++) {
        if (!marks[frame]) continue;
        const cx = xOf(frame) + cellWidth / 2;
        const cy = y + rowHeight / 2;
        context.fillStyle = marks[frame] & 1 ? colours.mark : colours.textMark;
        context.beginPath();
        context.moveTo(cx, cy - 4);
        context.lineTo(cx + 4, cy);
        context.lineTo(cx, cy + 4);
        context.lineTo(cx - 4, cy);
        context.closePath();
        context.fill();
      }
    }
    context.strokeStyle = colours.line;
    context.lineWidth = 1;
    context.beginPath();
    for (let frame = firstFrame; frame <= lastFrame + 1; frame++) {
      if (frame % 5 !== 0) continue;
      context.moveTo(Math.round(xOf(frame)) + 0.5, header);
      context.lineTo(Math.round(xOf(frame)) + 0.5, yOf(lastRow + 1));
    }
    context.stroke();
    context.restore();

    this.drawHeader(context, header, width, firstFrame, lastFrame, xOf);
    this.drawNames(context, header, height, firstRow, lastRow, yOf);

    // The playhead, and where a dragged name would go.
    const frame = this.preview.player.frame;
    const x = xOf(frame) + cellWidth / 2;
    if (x >= nameWidth) {
      context.strokeStyle = colours.playhead;
      context.lineWidth = 2;
      context.beginPath();
      context.moveTo(x, header - rulerHeight);
      context.lineTo(x, height);
      context.stroke();
    }
    const gesture = this.gesture;
    if (gesture && gesture.kind === 'name' && gesture.to !== gesture.from) {
      const y = yOf(gesture.to > gesture.from ? gesture.to + 1 : gesture.to);
      context.fillStyle = colours.drop;
      context.fillRect(0, y - 1, width, 3);
    }
  }

  drawHeader(context, header, width, firstFrame, lastFrame, xOf) {
    context.fillStyle = colours.panel;
    context.fillRect(0, 0, width, header);
    context.save();
    context.beginPath();
    context.rect(nameWidth, 0, width - nameWidth, header);
    context.clip();
    // The ruler: every fifth frame marked longer and numbered.
    const rulerTop = header - rulerHeight;
    context.fillStyle = colours.quiet;
    context.strokeStyle = colours.quiet;
    context.lineWidth = 1;
    context.beginPath();
    for (let frame = firstFrame; frame <= lastFrame; frame++) {
      const x = Math.round(xOf(frame)) + 0.5;
      const long = frame % 5 === 0;
      context.moveTo(x, header);
      context.lineTo(x, header - (long ? 6 : 3));
      if (long) context.fillText(String(frame), x + 2, rulerTop + 6);
    }
    context.stroke();
    // The clips, a dragged one where it would go.
    const gesture = this.gesture;
    for (const clip of this.lanes()) {
      const moved = gesture && gesture.kind === 'clip' && gesture.clip.name === clip.name ? this.movedClip(gesture) : clip;
      const x = xOf(moved.first);
      const y = clip.lane * laneHeight + 2;
      const w = moved.frames * cellWidth;
      const chosen = clip.name === this.clip;
      context.fillStyle = chosen ? colours.clipChosen : colours.clip;
      context.fillRect(x, y, w, laneHeight - 4);
      context.fillStyle = chosen ? '#ffffff' : colours.ink;
      context.save();
      context.beginPath();
      context.rect(x, y, w, laneHeight - 4);
      context.clip();
      context.fillText(clip.name, x + 4, y + (laneHeight - 4) / 2);
      context.restore();
    }
    context.restore();
    context.fillStyle = colours.quiet;
    context.fillText('Clips', 6, laneHeight / 2);
    context.fillText('Frames', 6, rulerTop + rulerHeight / 2);
    context.strokeStyle = colours.line;
    context.beginPath();
    context.moveTo(0, header - 0.5);
    context.lineTo(width, header - 0.5);
    context.stroke();
  }

  drawNames(context, header, height, firstRow, lastRow, yOf) {
    context.save();
    context.beginPath();
    context.rect(0, header, nameWidth, height - header);
    context.clip();
    context.fillStyle = colours.panel;
    context.fillRect(0, header, nameWidth, height - header);
    const { selected } = this.preview;
    for (let row = firstRow; row <= lastRow; row++) {
      const track = this.tracks[row];
      const y = yOf(row);
      if (selected.has(row)) {
        context.fillStyle = colours.selectedRow;
        context.fillRect(0, y, nameWidth, rowHeight);
      }
      const middle = y + rowHeight / 2;
      if (track.marksClip) {
        // A clip track: no tick (it draws nothing), its name in the clips' colour.
        context.fillStyle = colours.clipTrack;
        context.fillText('▸', 5, middle);
      } else {
        context.strokeStyle = colours.quiet;
        context.strokeRect(4.5, middle - 5.5, 11, 11);
        if (!this.preview.hidden[row]) {
          context.beginPath();
          context.moveTo(6.5, middle);
          context.lineTo(9, middle + 3);
          context.lineTo(13.5, middle - 3.5);
          context.stroke();
        }
        context.fillStyle = this.preview.hidden[row] ? colours.quiet : colours.ink;
      }
      context.fillText(track.name || `track ${row}`, tickWidth + 4, middle, nameWidth - tickWidth - 8);
    }
    context.strokeStyle = colours.line;
    context.beginPath();
    context.moveTo(nameWidth - 0.5, header);
    context.lineTo(nameWidth - 0.5, height);
    context.stroke();
    context.restore();
  }
}
