// Paints the core's scene of a frame with Canvas 2D, as the native preview and `qorutil-cli
// render` paint it: each item with its own matrix (setTransform) and opacity, back to front;
// an image at its origin, a translucent 40 by 40 box with a name where an image or an attached
// animation is missing, a text in black. What is drawn, where and in what order is the core's.
import { drawText, fontFor } from './text.js';

const placeholderFill = 'rgba(90, 140, 220, 0.353)'; // alpha 90 of 255
const placeholderLine = 'rgb(40, 70, 150)';
const placeholderNamePixels = 7;
const selectionColour = 'rgb(255, 120, 0)';
const kinds = ['image', 'text', 'placeholder'];

// The track's state in `frame` as the core evaluated it, or null past its last frame (or for a
// track the animation lacks: one of the file shown before, while another is taking its place).
export function stateOf(animation, track, frame) {
  if (!animation.tracks[track]) return null;
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

// The items of a frame of the scenes the worker sent, each as a plain object.
export function itemsOf(scenes, frame) {
  const items = [];
  if (!scenes || frame < 0 || frame + 1 >= scenes.frameStart.length) return items;
  for (let n = scenes.frameStart[frame]; n < scenes.frameStart[frame + 1]; n++) {
    items.push({
      kind: kinds[scenes.kinds[n]],
      matrix: scenes.matrices.subarray(6 * n, 6 * n + 6),
      opacity: scenes.opacities[n],
      width: scenes.sizes[2 * n],
      height: scenes.sizes[2 * n + 1],
      name: scenes.strings[scenes.texts[3 * n]],
      font: scenes.strings[scenes.texts[3 * n + 1]],
      track: scenes.strings[scenes.texts[3 * n + 2]],
      path: scenes.paths.subarray(scenes.pathStart[n], scenes.pathStart[n + 1]),
    });
  }
  return items;
}

// A line of `width` device pixels through points of the current coordinates (x, y pairs, one
// after the other).
function strokeInDevicePixels(context, points, colour, width, closed) {
  const base = context.getTransform();
  context.save();
  context.resetTransform();
  context.strokeStyle = colour;
  context.lineWidth = width;
  context.beginPath();
  for (let n = 0; n + 1 < points.length; n += 2) {
    const x = points[n];
    const y = points[n + 1];
    const atX = base.a * x + base.c * y + base.e;
    const atY = base.b * x + base.d * y + base.f;
    if (n === 0) context.moveTo(atX, atY);
    else context.lineTo(atX, atY);
  }
  if (closed) context.closePath();
  context.stroke();
  context.restore();
}

// Drawn in the item's own coordinates, which the context is set to.
function drawPlaceholder(context, name, side) {
  context.fillStyle = placeholderFill;
  context.fillRect(0, 0, side, side);
  strokeInDevicePixels(context, [0, 0, side, 0, side, side, 0, side], placeholderLine, 1, true);
  context.save();
  context.beginPath();
  context.rect(2, 2, side - 4, side - 4);
  context.clip();
  context.font = fontFor('', placeholderNamePixels);
  context.fillStyle = placeholderLine;
  context.textBaseline = 'top';
  // Wrapped anywhere, as the name need not have spaces.
  let line = '';
  let y = 2;
  for (const character of name) {
    if (line && context.measureText(line + character).width > side - 4) {
      context.fillText(line, 2, y);
      y += placeholderNamePixels + 1;
      line = '';
    }
    line += character;
  }
  if (line) context.fillText(line, 2, y);
  context.restore();
}

// Paints a frame's items in the context's current coordinates (animation units). `hidden`
// marks the tracks the user unticked, by their index at the top. Read from the arrays as they
// are, with nothing made for each item: it runs for every frame drawn, a drag's too.
export function drawFrame(context, scenes, frame, images, hidden = []) {
  if (!scenes || frame < 0 || frame + 1 >= scenes.frameStart.length) return;
  const base = context.getTransform();
  const opacity = context.globalAlpha;
  const { matrices: m, sizes, texts, strings } = scenes;
  for (let n = scenes.frameStart[frame]; n < scenes.frameStart[frame + 1]; n++) {
    if (hidden[scenes.paths[scenes.pathStart[n]]]) continue;
    context.setTransform(base);
    context.transform(m[6 * n], m[6 * n + 1], m[6 * n + 2], m[6 * n + 3], m[6 * n + 4], m[6 * n + 5]);
    context.globalAlpha = opacity * scenes.opacities[n];
    const kind = kinds[scenes.kinds[n]];
    const name = strings[texts[3 * n]];
    if (kind === 'image') {
      const image = images.image(name);
      if (image) context.drawImage(image, 0, 0);
      else drawPlaceholder(context, strings[texts[3 * n + 2]], sizes[2 * n]);
    } else if (kind === 'placeholder') {
      drawPlaceholder(context, name, sizes[2 * n]);
    } else {
      drawText(context, name, strings[texts[3 * n + 1]]);
    }
  }
  context.setTransform(base);
  context.globalAlpha = opacity;
}

// Marks the selected track as the core outlines it: what it covers, the path of its origin over
// the clip and a cross at its origin, with lines of a fixed width whatever the zoom.
export function drawSelection(context, selection) {
  if (!selection) return;
  context.save();
  context.lineCap = 'round';
  context.lineJoin = 'round';
  context.setLineDash([4, 3]);
  strokeInDevicePixels(context, selection.path, selectionColour, 1, false);
  context.setLineDash([]);
  if (selection.outline) strokeInDevicePixels(context, selection.outline, selectionColour, 2, true);
  if (selection.origin) {
    const base = context.getTransform();
    const [x, y] = selection.origin;
    const at = [base.a * x + base.c * y + base.e, base.b * x + base.d * y + base.f];
    context.resetTransform();
    context.strokeStyle = selectionColour;
    context.lineWidth = 2;
    context.beginPath();
    context.moveTo(at[0] - 5, at[1]);
    context.lineTo(at[0] + 5, at[1]);
    context.moveTo(at[0], at[1] - 5);
    context.lineTo(at[0], at[1] + 5);
    context.stroke();
  }
  context.restore();
}
