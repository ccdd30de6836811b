// Pictures of frames on a transparent background or a colour, as File > Export Frame and Export
// Clip as Sheet make them: they cover the area the core frames (the clip's, or the bounds asked
// for) at the scale asked for, so that all frames share one frame of reference; a sheet holds
// the clip's frames in the cells the core lays out, with the frame numbers small in the corners
// when asked. Sizes and places come from the core (`pictures`); this paints.
import { drawFrame } from './draw.js';

const frameNumberPixels = 9;

function frameOnto(context, framing, cornerX = 0, cornerY = 0) {
  context.setTransform(framing.scale, 0, 0, framing.scale, cornerX - framing.area.x * framing.scale,
    cornerY - framing.area.y * framing.scale);
}

// One frame on a new canvas of the core's size; null when the framing has none.
export function renderFrame(scenes, frame, images, framing, pictures, hidden = []) {
  const size = pictures.frame;
  if (!size) return null;
  const canvas = new OffscreenCanvas(size.width, size.height);
  const context = canvas.getContext('2d');
  context.imageSmoothingEnabled = framing.scale !== 1;
  frameOnto(context, framing);
  drawFrame(context, scenes, frame, images, hidden);
  return canvas;
}

export function renderSheet(scenes, clip, images, framing, pictures, numbered, hidden = []) {
  const sheet = pictures.sheet;
  if (!sheet) return null;
  const canvas = new OffscreenCanvas(sheet.width, sheet.height);
  const context = canvas.getContext('2d');
  context.imageSmoothingEnabled = framing.scale !== 1;
  sheet.cells.forEach((cell, index) => {
    context.save();
    context.beginPath();
    context.rect(cell.x, cell.y, cell.width, cell.height);
    context.clip();
    frameOnto(context, framing, cell.x, cell.y);
    drawFrame(context, scenes, clip.first + index, images, hidden);
    if (numbered) {
      context.resetTransform();
      context.font = `${frameNumberPixels}px sans-serif`;
      context.fillStyle = 'black';
      context.textBaseline = 'top';
      context.fillText(String(cell.number), cell.x + 1, cell.y);
    }
    context.restore();
  });
  return canvas;
}

// The picture over a colour (a CSS colour; none when null), as render's --background lays it
// under the whole picture, a sheet's padding too.
export function onBackground(picture, background) {
  if (!picture || !background) return picture;
  const filled = new OffscreenCanvas(picture.width, picture.height);
  const context = filled.getContext('2d');
  context.fillStyle = background;
  context.fillRect(0, 0, picture.width, picture.height);
  context.drawImage(picture, 0, 0);
  return filled;
}

export function pngOf(canvas) {
  return canvas.convertToBlob({ type: 'image/png' });
}
