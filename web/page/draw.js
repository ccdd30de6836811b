// Draws what the core evaluated, as the native preview and `qorutil-cli render` draw it: the
// tracks in order, the first at the back, each with its own transform
//   x' = sx cos(kx) u - sy sin(ky) v + x,  y' = sx sin(kx) u + sy cos(ky) v + y
// (degrees, y down), its opacity a, its image's top-left corner at its origin; a translucent
// 40 by 40 box with the track's name where the image is missing; its text in black. Clip
// markers, hidden frames (f below 0) and tracks with a value that is no finite number draw
// nothing.

export const placeholderSide = 40;
const placeholderFill = 'rgba(90, 140, 220, 0.353)'; // alpha 90 of 255
const placeholderLine = 'rgb(40, 70, 150)';
const placeholderNamePixels = 7;
const textPixels = 12;
const selectionColour = 'rgb(255, 120, 0)';
const radiansPerDegree = Math.PI / 180;

// The track's state in `frame`, or null past its last frame.
export function stateOf(animation, track, frame) {
  const { values, strings } = animation.tracks[track];
  if (frame < 0 || frame * 8 >= values.length) return null;
  const v = frame * 8;
  const s = frame * 3;
  return {
    x: values[v], y: values[v + 1], kx: values[v + 2], ky: values[v + 3],
    sx: values[v + 4], sy: values[v + 5], f: values[v + 6], a: values[v + 7],
    image: animation.strings[strings[s]], font: animation.strings[strings[s + 1]], text: animation.strings[strings[s + 2]],
  };
}

export function shown(state) {
  return state.f >= 0;
}

function finite(state) {
  return [state.x, state.y, state.kx, state.ky, state.sx, state.sy].every(Number.isFinite);
}

function drawnState(animation, track, frame) {
  const state = stateOf(animation, track, frame);
  if (!state || animation.tracks[track].marksClip || !shown(state) || !finite(state)) return null;
  return state;
}

// [a, b, c, d, e, f] as Canvas 2D and QTransform both take them.
export function placement(state) {
  const kx = state.kx * radiansPerDegree;
  const ky = state.ky * radiansPerDegree;
  return [state.sx * Math.cos(kx), state.sx * Math.sin(kx), -state.sy * Math.sin(ky), state.sy * Math.cos(ky), state.x, state.y];
}

function fontFor(name, pixels) {
  return name ? `${pixels}px "${name.replace(/["\\]/g, '')}", sans-serif` : `${pixels}px sans-serif`;
}

let measurer = null;
function measureContext() {
  if (!measurer) measurer = new OffscreenCanvas(1, 1).getContext('2d');
  return measurer;
}

function textLines(text) {
  return text.split('\n');
}

function lineHeight(context) {
  const metrics = context.measureText('Mg');
  return Math.ceil(metrics.fontBoundingBoxAscent + metrics.fontBoundingBoxDescent);
}

function textArea(text, font) {
  const context = measureContext();
  context.font = fontFor(font, textPixels);
  const width = Math.max(...textLines(text).map((line) => context.measureText(line).width));
  return { x: 0, y: 0, w: width, h: lineHeight(context) * textLines(text).length };
}

function unite(a, b) {
  if (!a) return b;
  if (!b) return a;
  const x = Math.min(a.x, b.x);
  const y = Math.min(a.y, b.y);
  return { x, y, w: Math.max(a.x + a.w, b.x + b.w) - x, h: Math.max(a.y + a.h, b.y + b.h) - y };
}

function isEmpty(rect) {
  return !rect || !(rect.w > 0) || !(rect.h > 0);
}

// The part of a track's own coordinates it covers: its image (or the placeholder) and text.
export function trackArea(state, images) {
  let area = null;
  if (state.image) {
    const image = images.image(state.image);
    area = image ? { x: 0, y: 0, w: image.width, h: image.height } : { x: 0, y: 0, w: placeholderSide, h: placeholderSide };
  }
  if (state.text) area = unite(area, textArea(state.text, state.font));
  return area;
}

export function mapPoint(m, x, y) {
  return [m[0] * x + m[2] * y + m[4], m[1] * x + m[3] * y + m[5]];
}

function corners(m, rect) {
  return [[rect.x, rect.y], [rect.x + rect.w, rect.y], [rect.x + rect.w, rect.y + rect.h], [rect.x, rect.y + rect.h]]
    .map(([x, y]) => mapPoint(m, x, y));
}

function mapRect(m, rect) {
  const points = corners(m, rect);
  const xs = points.map((p) => p[0]);
  const ys = points.map((p) => p[1]);
  const x = Math.min(...xs);
  const y = Math.min(...ys);
  return { x, y, w: Math.max(...xs) - x, h: Math.max(...ys) - y };
}

export function frameBounds(animation, frame, images) {
  let bounds = null;
  for (let track = 0; track < animation.tracks.length; track++) {
    const state = drawnState(animation, track, frame);
    if (!state) continue;
    const area = trackArea(state, images);
    if (!isEmpty(area)) bounds = unite(bounds, mapRect(placement(state), area));
  }
  return bounds;
}

export function clipBounds(animation, clip, images) {
  let bounds = null;
  for (let frame = clip.first; frame < clip.first + clip.frames; frame++) bounds = unite(bounds, frameBounds(animation, frame, images));
  return isEmpty(bounds) ? null : bounds;
}

// A one-pixel line in device pixels around a box of the track's own coordinates.
function outline(context, matrix, rect, colour, width) {
  const base = context.getTransform();
  const points = corners(matrix, rect).map(([x, y]) => [base.a * x + base.c * y + base.e, base.b * x + base.d * y + base.f]);
  context.save();
  context.resetTransform();
  context.strokeStyle = colour;
  context.lineWidth = width;
  context.beginPath();
  points.forEach(([x, y], n) => (n === 0 ? context.moveTo(x, y) : context.lineTo(x, y)));
  context.closePath();
  context.stroke();
  context.restore();
}

const identity = [1, 0, 0, 1, 0, 0];

// Drawn in the track's own coordinates, which the context is set to.
function drawPlaceholder(context, trackName) {
  context.fillStyle = placeholderFill;
  context.fillRect(0, 0, placeholderSide, placeholderSide);
  outline(context, identity, { x: 0, y: 0, w: placeholderSide, h: placeholderSide }, placeholderLine, 1);
  context.save();
  context.beginPath();
  context.rect(2, 2, placeholderSide - 4, placeholderSide - 4);
  context.clip();
  context.font = fontFor('', placeholderNamePixels);
  context.fillStyle = placeholderLine;
  context.textBaseline = 'top';
  // Wrapped anywhere, as the name need not have spaces.
  let line = '';
  let y = 2;
  for (const character of trackName) {
    if (line && context.measureText(line + character).width > placeholderSide - 4) {
      context.fillText(line, 2, y);
      y += placeholderNamePixels + 1;
      line = '';
    }
    line += character;
  }
  if (line) context.fillText(line, 2, y);
  context.restore();
}

function drawText(context, state) {
  context.font = fontFor(state.font, textPixels);
  context.fillStyle = 'black';
  context.textBaseline = 'top';
  const height = lineHeight(context);
  textLines(state.text).forEach((line, n) => context.fillText(line, 0, n * height));
}

// Draws one frame in the context's current coordinates (animation units). `hidden` marks the
// tracks the user unticked.
export function drawFrame(context, animation, frame, images, hidden = []) {
  const base = context.getTransform();
  const opacity = context.globalAlpha;
  for (let track = 0; track < animation.tracks.length; track++) {
    const state = drawnState(animation, track, frame);
    if (!state || hidden[track]) continue;
    const matrix = placement(state);
    context.setTransform(base);
    context.transform(...matrix);
    context.globalAlpha = opacity * Math.min(Math.max(state.a, 0), 1);
    if (state.image) {
      const image = images.image(state.image);
      if (image) context.drawImage(image, 0, 0);
      else drawPlaceholder(context, animation.tracks[track].name);
    }
    if (state.text) drawText(context, state);
  }
  context.setTransform(base);
  context.globalAlpha = opacity;
}

// Marks one track: what it covers in `frame`, the path of its origin over the clip and a cross
// at its origin, with lines of a fixed width whatever the zoom.
export function drawSelection(context, animation, track, frame, clip, images) {
  if (track < 0 || track >= animation.tracks.length) return;
  const base = context.getTransform();
  const device = (x, y) => [base.a * x + base.c * y + base.e, base.b * x + base.d * y + base.f];
  context.save();
  context.resetTransform();
  context.strokeStyle = selectionColour;
  context.lineCap = 'round';
  context.lineJoin = 'round';
  context.lineWidth = 1;
  context.setLineDash([4, 3]);
  context.beginPath();
  let started = false;
  for (let other = clip.first; other < clip.first + clip.frames; other++) {
    const state = stateOf(animation, track, other);
    if (!state || !shown(state) || !finite(state)) continue;
    const [x, y] = device(state.x, state.y);
    if (started) context.lineTo(x, y);
    else context.moveTo(x, y);
    started = true;
  }
  context.stroke();
  context.setLineDash([]);
  context.restore();
  const state = stateOf(animation, track, frame);
  if (!state || !finite(state)) return;
  const matrix = placement(state);
  const area = trackArea(state, images);
  if (area) outline(context, matrix, area, selectionColour, 2);
  const [x, y] = device(...mapPoint(matrix, 0, 0));
  context.save();
  context.resetTransform();
  context.strokeStyle = selectionColour;
  context.lineWidth = 2;
  context.beginPath();
  context.moveTo(x - 5, y);
  context.lineTo(x + 5, y);
  context.moveTo(x, y - 5);
  context.lineTo(x, y + 5);
  context.stroke();
  context.restore();
}
