// The handles on the selected parts, as image editors draw them: a box around them with a
// square at each corner and edge (scale; Alt on an edge skews), a round one above the box
// (turn), and inside it the whole (move). Where the box and the pivot sit is the core's (the
// worker's `handles`); this paints them at a fixed size whatever the zoom, says which is under a
// point and what the pointer looks like there. What a drag of one does is the core's too.

const handleColour = 'rgb(255, 120, 0)';
const handleFill = 'rgb(255, 255, 255)';
const handleSide = 8; // a square handle's side, in CSS pixels
const handleReach = 7; // how near a handle the pointer grabs it
const turnHandleOffset = 24; // the turn handle above the box's top edge
const selectBoxColour = 'rgba(40, 110, 220, 0.9)';
const selectBoxFill = 'rgba(40, 110, 220, 0.12)';

// The handles in CSS pixels of the canvas for a handle frame ({corners, pivot} in stage units:
// a part alone boxed as it is turned) seen at `view` ({zoom, pan}).
export function handlePoints(frame, view) {
  const [nw, ne, se, sw] = frame.corners.map(([x, y]) => ({ x: x * view.zoom + view.pan.x, y: y * view.zoom + view.pan.y }));
  const middle = (a, b) => ({ x: (a.x + b.x) / 2, y: (a.y + b.y) / 2 });
  const [n, s, e, w] = [middle(nw, ne), middle(sw, se), middle(ne, se), middle(nw, sw)];
  // The turn handle stands off the north edge, away from the box, however it is turned.
  const out = { x: n.x - s.x, y: n.y - s.y };
  const length = Math.hypot(out.x, out.y);
  const turn = length > 0 ? { x: n.x + (out.x / length) * turnHandleOffset, y: n.y + (out.y / length) * turnHandleOffset }
    : { x: n.x, y: n.y - turnHandleOffset };
  return {
    box: [nw, ne, se, sw],
    pivot: { x: frame.pivot[0] * view.zoom + view.pan.x, y: frame.pivot[1] * view.zoom + view.pan.y },
    handles: { turn, nw, ne, se, sw, n, s, e, w },
  };
}

// Whether `point` is inside the box (its four corners in order, either way round).
function inside(box, point) {
  let sign = 0;
  for (let k = 0; k < 4; k++) {
    const [a, b] = [box[k], box[(k + 1) % 4]];
    const cross = (b.x - a.x) * (point.y - a.y) - (b.y - a.y) * (point.x - a.x);
    if (cross === 0) continue;
    if (sign === 0) sign = Math.sign(cross);
    else if (Math.sign(cross) !== sign) return false;
  }
  return true;
}

// The handle under `point` (CSS pixels): 'turn', a corner or edge ('nw' ... 'w'), 'inside' the
// box, or null. The turn handle first, then corners, then edges, as they are drawn on top.
export function handleAt(frame, view, point) {
  if (!frame) return null;
  const { box, handles } = handlePoints(frame, view);
  for (const [name, at] of Object.entries(handles)) {
    if (Math.abs(point.x - at.x) <= handleReach && Math.abs(point.y - at.y) <= handleReach) return name;
  }
  return inside(box, point) ? 'inside' : null;
}

// What a drag of a handle is: move, turn, scale, or with Alt on an edge, skew.
export function handleDragKind(handle, alt) {
  if (handle === 'inside') return 'move';
  if (handle === 'turn') return 'turn';
  return alt && handle.length === 1 ? 'skew' : 'scale';
}

// The resize cursor nearest a direction on the screen (a handle's way out from the box's middle).
function resizeCursor(dx, dy) {
  if (Math.abs(dx) > 2.4 * Math.abs(dy)) return 'ew-resize';
  if (Math.abs(dy) > 2.4 * Math.abs(dx)) return 'ns-resize';
  return dx * dy > 0 ? 'nwse-resize' : 'nesw-resize';
}

// The cursor over a handle of `frame` seen at `view`: the resize cursors point the way the handle
// pulls, however the box is turned; with Alt an edge skews, along itself.
export function handleCursor(handle, alt, frame, view) {
  if (!handle) return 'default';
  if (handle === 'inside') return 'move';
  if (handle === 'turn') return 'grab';
  const { box, handles } = handlePoints(frame, view);
  const middle = { x: (box[0].x + box[2].x) / 2, y: (box[0].y + box[2].y) / 2 };
  const [dx, dy] = [handles[handle].x - middle.x, handles[handle].y - middle.y];
  return alt && handle.length === 1 ? resizeCursor(-dy, dx) : resizeCursor(dx, dy);
}

// Paints the handles of a frame; the context's transform is reset, `view.ratio` device pixels a
// CSS pixel.
export function drawHandles(context, frame, view) {
  const { box, pivot, handles } = handlePoints(frame, view);
  const r = view.ratio;
  context.save();
  context.strokeStyle = handleColour;
  context.lineWidth = r;
  context.setLineDash([5 * r, 3 * r]);
  context.beginPath();
  box.forEach((corner, k) => (k === 0 ? context.moveTo(corner.x * r, corner.y * r) : context.lineTo(corner.x * r, corner.y * r)));
  context.closePath();
  context.stroke();
  context.setLineDash([]);
  context.beginPath();
  context.moveTo(handles.n.x * r, handles.n.y * r);
  context.lineTo(handles.turn.x * r, handles.turn.y * r);
  context.stroke();
  context.fillStyle = handleFill;
  context.lineWidth = 1.5 * r;
  for (const [name, at] of Object.entries(handles)) {
    context.beginPath();
    if (name === 'turn') context.arc(at.x * r, at.y * r, (handleSide / 2 + 1) * r, 0, 2 * Math.PI);
    else context.rect((at.x - handleSide / 2) * r, (at.y - handleSide / 2) * r, handleSide * r, handleSide * r);
    context.fill();
    context.stroke();
  }
  // The pivot, which turns and scales keep in place.
  context.beginPath();
  context.arc(pivot.x * r, pivot.y * r, 3 * r, 0, 2 * Math.PI);
  context.stroke();
  context.restore();
}

// The box a drag on nothing draws, from `from` to `to` (CSS pixels).
export function drawSelectBox(context, from, to, ratio) {
  const x = Math.min(from.x, to.x) * ratio;
  const y = Math.min(from.y, to.y) * ratio;
  const w = Math.abs(to.x - from.x) * ratio;
  const h = Math.abs(to.y - from.y) * ratio;
  context.save();
  context.fillStyle = selectBoxFill;
  context.fillRect(x, y, w, h);
  context.strokeStyle = selectBoxColour;
  context.lineWidth = ratio;
  context.strokeRect(x, y, w, h);
  context.restore();
}
