// Test data made here: animations shaped like a game's own (named tracks, clip markers, most
// fields unset in most frames, values in thousandths), written as reanim text, images as PNG,
// and the folders the tests feed the page. Compiled files are made from these texts by the
// native command line, which is the reference the page is held to.
import { mkdirSync, readFileSync, writeFileSync } from 'node:fs';
import { dirname } from 'node:path';
import { deflateSync } from 'node:zlib';

// A small deterministic generator (mulberry32), so every run makes the same files.
export function random(seed) {
  let state = seed >>> 0;
  const next = () => {
    state = (state + 0x6d2b79f5) >>> 0;
    let t = state;
    t = Math.imul(t ^ (t >>> 15), t | 1);
    t ^= t + Math.imul(t ^ (t >>> 7), t | 61);
    return ((t ^ (t >>> 14)) >>> 0) / 4294967296;
  };
  return { next, int: (below) => Math.floor(next() * below), thousandths: (span) => Math.round((next() * 2 - 1) * span * 1000) / 1000 };
}

const fields = ['x', 'y', 'kx', 'ky', 'sx', 'sy', 'f', 'a'];

function escape(text) {
  return text.replace(/&/g, '&amp;').replace(/</g, '&lt;').replace(/>/g, '&gt;');
}

// { fps, tracks: [{ name, frames: [{ x?, y?, ..., i?, text? }] }] } as the text form.
export function textOf(animation) {
  let text = `<fps>${animation.fps}</fps>\n`;
  for (const track of animation.tracks) {
    text += `<track>\n<name>${escape(track.name)}</name>\n`;
    for (const frame of track.frames) {
      text += '<t>';
      for (const field of fields) if (frame[field] !== undefined) text += `<${field}>${frame[field].toFixed(3)}</${field}>`;
      if (frame.i) text += `<i>${escape(frame.i)}</i>`;
      if (frame.font) text += `<font>${escape(frame.font)}</font>`;
      if (frame.text) text += `<text>${escape(frame.text)}</text>`;
      text += '</t>\n';
    }
    text += '</track>\n';
  }
  return text;
}

function clipMarker(name, frames, first, count) {
  return {
    name: `anim_${name}`,
    frames: Array.from({ length: frames }, (_, n) => {
      const inside = n >= first && n < first + count;
      const before = n - 1 >= first && n - 1 < first + count;
      return n === 0 || inside !== before ? { f: inside ? 0 : -1 } : {};
    }),
  };
}

// An animation of `tracks` image tracks over `frames` frames with two clips; each frame gives
// a field only now and then, as the game's files do.
export function randomAnimation(seed, { tracks = 12, frames = 60, images = ['IMAGE_REANIM_PART'] } = {}) {
  const pick = random(seed);
  const half = Math.floor(frames / 2);
  const animation = { fps: [12, 24, 30, 10.5][pick.int(4)], tracks: [clipMarker('walk', frames, 0, half), clipMarker('idle', frames, half, frames - half)] };
  for (let t = 0; t < tracks; t++) {
    const track = { name: `part_${t}`, frames: [] };
    for (let n = 0; n < frames; n++) {
      const frame = {};
      for (const field of fields) {
        if (n === 0 || pick.next() < 0.15) {
          if (field === 'sx' || field === 'sy') frame[field] = 0.5 + Math.round(pick.next() * 1000) / 1000;
          else if (field === 'a') frame[field] = Math.round(pick.next() * 1000) / 1000;
          else if (field === 'f') frame[field] = pick.next() < 0.1 ? -1 : 0;
          else if (field === 'kx' || field === 'ky') frame[field] = pick.thousandths(60);
          else frame[field] = pick.thousandths(300);
        }
      }
      if (n === 0 || pick.next() < 0.05) frame.i = images[pick.int(images.length)];
      track.frames.push(frame);
    }
    animation.tracks.push(track);
  }
  return animation;
}

export function writeFile(path, bytes) {
  mkdirSync(dirname(path), { recursive: true });
  writeFileSync(path, bytes);
}

const crcTable = Array.from({ length: 256 }, (_, n) => {
  let c = n;
  for (let k = 0; k < 8; k++) c = c & 1 ? 0xedb88320 ^ (c >>> 1) : c >>> 1;
  return c >>> 0;
});

function crc32(bytes) {
  let crc = 0xffffffff;
  for (const byte of bytes) crc = crcTable[(crc ^ byte) & 0xff] ^ (crc >>> 8);
  return (crc ^ 0xffffffff) >>> 0;
}

function chunk(type, data) {
  const out = Buffer.alloc(12 + data.length);
  out.writeUInt32BE(data.length, 0);
  out.write(type, 4, 'latin1');
  data.copy(out, 8);
  out.writeUInt32BE(crc32(out.subarray(4, 8 + data.length)), 8 + data.length);
  return out;
}

// An RGBA PNG of `width` x `height`, pixel (x, y) coloured by `colour(x, y)` -> [r, g, b, a].
export function pngOf(width, height, colour) {
  const rows = Buffer.alloc((width * 4 + 1) * height);
  for (let y = 0; y < height; y++) {
    for (let x = 0; x < width; x++) rows.set(colour(x, y), y * (width * 4 + 1) + 1 + x * 4);
  }
  const header = Buffer.alloc(13);
  header.writeUInt32BE(width, 0);
  header.writeUInt32BE(height, 4);
  header.set([8, 6, 0, 0, 0], 8);
  return Buffer.concat([Buffer.from([137, 80, 78, 71, 13, 10, 26, 10]), chunk('IHDR', header),
    chunk('IDAT', deflateSync(rows)), chunk('IEND', Buffer.alloc(0))]);
}

// Opaque blocks with a darker border, so that a misplaced or mis-turned part shows.
export function partImage(width, height, [r, g, b]) {
  return pngOf(width, height, (x, y) => (x < 2 || y < 2 || x >= width - 2 || y >= height - 2 ? [r >> 1, g >> 1, b >> 1, 255] : [r, g, b, 255]));
}

// A compiled file whose body inflates past the 1 GiB the converters take: made once, kept.
export function bombFile(path) {
  try {
    return readFileSync(path);
  } catch {
    const header = Buffer.alloc(8);
    header.writeUInt32LE(0xdeadfed4, 0);
    header.writeUInt32LE(1 << 30, 4);
    const bytes = Buffer.concat([header, deflateSync(Buffer.alloc((1 << 30) + 4096))]);
    writeFile(path, bytes);
    return bytes;
  }
}

// The largest file the editor's speed is held to: 120 image tracks and two clip markers over
// 650 frames, about 500 KB compiled.
export function largeAnimation() {
  return randomAnimation(7, { tracks: 120, frames: 650, images: ['IMAGE_REANIM_PART', 'IMAGE_REANIM_ARM', 'IMAGE_REANIM_HEAD'] });
}
