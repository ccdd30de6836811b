// Pictures of frames on a transparent background, as File > Export Frame and Export Clip as
// Sheet make them: they cover the clip's bounding box at 1 pixel per unit, so that all frames
// share one frame of reference; a sheet holds the clip's frames left to right, top to bottom,
// in a near-square grid, with the frame numbers small in the corners when asked.
import { clipBounds, drawFrame } from './draw.js';

const maxPictureSide = 32768;
const maxPicturePixels = 2 ** 28;
const frameNumberPixels = 9;

function fits(width, height) {
  return width >= 1 && height >= 1 && width <= maxPictureSide && height <= maxPictureSide && width * height <= maxPicturePixels;
}

export function clipFraming(animation, clip, images, scale = 1) {
  return { area: clipBounds(animation, clip, images) || { x: 0, y: 0, w: 1, h: 1 }, scale };
}

function pixelSize(framing) {
  const width = Math.ceil(framing.area.w * framing.scale);
  const height = Math.ceil(framing.area.h * framing.scale);
  return fits(width, height) ? { width, height } : null;
}

export function sheetGrid(frames) {
  if (frames <= 0) return null;
  const columns = Math.ceil(Math.sqrt(frames));
  return { columns, rows: Math.ceil(frames / columns) };
}

function frameOnto(context, framing, cornerX = 0, cornerY = 0) {
  context.setTransform(framing.scale, 0, 0, framing.scale, cornerX - framing.area.x * framing.scale,
    cornerY - framing.area.y * framing.scale);
}

// One frame on a new canvas; null when the framing has no pixel size.
export function renderFrame(animation, frame, images, framing, hidden = []) {
  const size = pixelSize(framing);
  if (!size) return null;
  const canvas = new OffscreenCanvas(size.width, size.height);
  const context = canvas.getContext('2d');
  context.imageSmoothingEnabled = framing.scale !== 1;
  frameOnto(context, framing);
  drawFrame(context, animation, frame, images, hidden);
  return canvas;
}

export function renderSheet(animation, clip, images, cell, numbered, hidden = []) {
  const size = pixelSize(cell);
  const grid = sheetGrid(clip.frames);
  if (!size || !grid || !fits(size.width * grid.columns, size.height * grid.rows)) return null;
  const canvas = new OffscreenCanvas(size.width * grid.columns, size.height * grid.rows);
  const context = canvas.getContext('2d');
  context.imageSmoothingEnabled = cell.scale !== 1;
  for (let index = 0; index < clip.frames; index++) {
    const x = (index % grid.columns) * size.width;
    const y = Math.floor(index / grid.columns) * size.height;
    context.save();
    context.beginPath();
    context.rect(x, y, size.width, size.height);
    context.clip();
    frameOnto(context, cell, x, y);
    drawFrame(context, animation, clip.first + index, images, hidden);
    if (numbered) {
      context.resetTransform();
      context.font = `${frameNumberPixels}px sans-serif`;
      context.fillStyle = 'black';
      context.textBaseline = 'top';
      context.fillText(String(clip.first + index), x + 1, y);
    }
    context.restore();
  }
  return canvas;
}

export function pngOf(canvas) {
  return canvas.convertToBlob({ type: 'image/png' });
}
