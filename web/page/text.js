// Text as the page draws it: the frame's font at 12 pixels (else sans-serif), line by line from
// the top-left corner. Its size is measured here for the core's scene, in the worker as on the
// page.

const textPixels = 12;

export function fontFor(name, pixels = textPixels) {
  return name ? `${pixels}px "${name.replace(/["\\]/g, '')}", sans-serif` : `${pixels}px sans-serif`;
}

export function textLines(text) {
  return text.split('\n');
}

export function lineHeight(context) {
  const metrics = context.measureText('Mg');
  return Math.ceil(metrics.fontBoundingBoxAscent + metrics.fontBoundingBoxDescent);
}

let measurer = null;

// [width, height] of a text in a font, as drawText below draws it.
export function measureText(text, font) {
  if (!measurer) measurer = new OffscreenCanvas(1, 1).getContext('2d');
  measurer.font = fontFor(font);
  const lines = textLines(text);
  return [Math.max(...lines.map((line) => measurer.measureText(line).width)), lineHeight(measurer) * lines.length];
}

export function drawText(context, text, font) {
  context.font = fontFor(font);
  context.fillStyle = 'black';
  context.textBaseline = 'top';
  const height = lineHeight(context);
  textLines(text).forEach((line, n) => context.fillText(line, 0, n * height));
}
