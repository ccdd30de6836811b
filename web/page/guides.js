// What the view draws over the frame, in device pixels whatever the zoom, as the native preview
// draws it: the origin's axes across the whole canvas and the clip's bounding box, both placed
// by the view's zoom and pan alone; the box is the core's (the clip's area the worker sent).

const axisColour = 'rgb(220, 40, 40)';
const boundsColour = 'rgb(40, 120, 220)';

// `view`: { zoom, pan: {x, y}, ratio } with ratio the device pixels a CSS pixel.
export function drawAxes(context, view, width, height) {
  const x = Math.round((view.pan.x) * view.ratio) + 0.5;
  const y = Math.round((view.pan.y) * view.ratio) + 0.5;
  context.save();
  context.resetTransform();
  context.strokeStyle = axisColour;
  context.lineWidth = 1;
  context.beginPath();
  context.moveTo(0, y);
  context.lineTo(width, y);
  context.moveTo(x, 0);
  context.lineTo(x, height);
  context.stroke();
  context.restore();
}

// `area`: { x, y, w, h, drawn } in animation units; nothing is drawn when the clip draws nothing.
export function drawBounds(context, view, area) {
  if (!area || !area.drawn) return;
  const scale = view.zoom * view.ratio;
  const left = Math.round(area.x * scale + view.pan.x * view.ratio) + 0.5;
  const top = Math.round(area.y * scale + view.pan.y * view.ratio) + 0.5;
  const right = Math.round((area.x + area.w) * scale + view.pan.x * view.ratio) + 0.5;
  const bottom = Math.round((area.y + area.h) * scale + view.pan.y * view.ratio) + 0.5;
  context.save();
  context.resetTransform();
  context.strokeStyle = boundsColour;
  context.lineWidth = 1;
  context.setLineDash([4, 2]);
  context.strokeRect(left, top, right - left, bottom - top);
  context.restore();
}
