// Export of the previewed animation, as `qorutil-cli render` writes it: the frame shown as PNG,
// the clip's sheet (columns, padding, numbers) as PNG with its JSON description, the clip as
// animated WebP or GIF, and every clip at once into a folder or a .zip; each at the scale, over
// the background, within the bounds and (WebP and GIF) at the frame rate asked for. Names,
// sizes, framings, sheet layouts, descriptions and the words of every line (render's own for a
// value it refuses) come from the core; frames are painted here (picture.js) and the animations
// encoded in the worker by the core's encoders.
import { onBackground, renderFrame, renderSheet, pngOf } from './picture.js';
import { canSaveIntoFolder, download, downloadZip, saveIntoFolder } from './save.js';

export class Exporter {
  // `preview`: the Preview whose animation, scenes, clip, frame and hidden tracks are exported.
  constructor(preview) {
    this.preview = preview;
    const control = (id) => document.getElementById(id);
    this.el = {
      columns: control('export-columns'), padding: control('export-padding'), numbers: control('numbers'),
      format: control('export-format'), webp: control('export-webp'), gif: control('export-gif'),
      folder: control('export-all-folder'), zip: control('export-all-zip'),
      bar: control('export-bar'), toggle: control('export-toggle'),
      scale: control('export-scale'), bounds: control('export-bounds'), fps: control('export-fps'),
      backgroundOn: control('export-background-on'), background: control('export-background'),
    };
    // The export options take a row of their own only while asked for; Ctrl+E and Ctrl+Shift+E
    // export without them.
    this.el.toggle.onclick = () => this.showOptions(this.el.bar.hidden);
    this.el.webp.onclick = () => this.animation('webp');
    this.el.gif.onclick = () => this.animation('gif');
    this.el.folder.hidden = !canSaveIntoFolder();
    this.el.folder.onclick = () => this.allClips(true);
    this.el.zip.onclick = () => this.allClips(false);
  }

  showOptions(shown) {
    this.el.bar.hidden = !shown;
    this.el.toggle.setAttribute('aria-expanded', String(shown));
  }

  // What a person asks for; whatever stops it (no memory for the frames, say) is a line.
  frame() { return this.guarded(() => this.exportFrame()); }

  sheet() { return this.guarded(() => this.exportSheet()); }

  animation(format) { return this.guarded(() => this.exportAnimation(format)); }

  allClips(intoFolder) { return this.guarded(() => this.exportAllClips(intoFolder)); }

  async guarded(work) {
    try {
      await work();
    } catch (error) {
      this.say(`ERROR: could not export: ${error && error.message ? error.message : error}`);
    }
  }

  get jobs() { return this.preview.jobs; }

  say(line) { this.preview.say(line); }

  layout() {
    const count = (input) => Math.max(0, Math.floor(Number(input.value)) || 0);
    return { columns: count(this.el.columns), padding: count(this.el.padding), numbers: this.el.numbers.checked };
  }

  // The clips of the animation as --all-clips takes them (the whole animation when it has none),
  // each with the area all its frames draw.
  allClipAreas() {
    const { animation, scenes } = this.preview;
    if (animation.clips.length === 0) return [{ clip: this.wholeClip(), area: scenes.areas[0] }];
    return animation.clips.map((clip, index) => ({ clip, area: scenes.areas[index + 1] }));
  }

  wholeClip() {
    return { name: '', first: 0, frames: this.preview.animation.frameCount };
  }

  // Each of `clips` ({clip, area}) as a run to export, {clip, framing, background, fps}: framed
  // as render frames it under the bar's scale and bounds, at the frame rate asked for (null for
  // the file's); null, with render's line, when it refuses a value.
  async runs(clips) {
    const { el } = this;
    const asked = await this.jobs.request({ op: 'pictureFramings', scale: el.scale.value, bounds: el.bounds.value,
      fps: el.fps.value, areas: clips.map(({ area }) => area) });
    if (asked.refusal) {
      this.say(asked.refusal);
      return null;
    }
    const background = el.backgroundOn.checked ? el.background.value : null;
    return clips.map(({ clip }, index) => ({ clip, framing: asked.framings[index], background, fps: asked.fps }));
  }

  async currentRun() {
    const runs = await this.runs([{ clip: this.preview.currentClip(), area: this.preview.currentFraming().area }]);
    return runs && runs[0];
  }

  async names(clips) {
    return (await this.jobs.request({ op: 'exportNames', path: this.preview.name, clips })).names;
  }

  async pictures(framing, frames, layout = {}) {
    return (await this.jobs.request({ op: 'pictures', framing, layout, frames })).pictures;
  }

  rendered(width, height, name) {
    this.say(`Rendered ${width}x${height} [${name}]`);
  }

  // The frame shown, named by its number from the clip's start.
  async exportFrame() {
    const { preview } = this;
    if (!preview.animation) return;
    const frame = preview.player.frame;
    const run = await this.currentRun();
    if (!run) return;
    const { clip, framing } = run;
    const pictures = await this.pictures(framing, 1);
    const picture = onBackground(renderFrame(preview.scenes, frame, preview.images, framing, pictures, preview.hidden), run.background);
    if (!picture) return this.say(`ERROR: ${pictures.frameProblem}`);
    const [names] = await this.names([{ name: clip.name, frame: frame - clip.first }]);
    download(await pngOf(picture), names.frame);
    this.rendered(picture.width, picture.height, names.frame);
  }

  // A clip's sheet and its description: [{path, bytes}], or none when it can't be drawn.
  async sheetOf(run, names, layout) {
    const { preview } = this;
    const pictures = await this.pictures(run.framing, run.clip.frames, layout);
    const picture = onBackground(renderSheet(preview.scenes, run.clip, preview.images, run.framing, pictures, layout.numbers,
      preview.hidden), run.background);
    if (!picture) {
      this.say(`ERROR: ${pictures.sheetProblem}`);
      return [];
    }
    const size = { width: picture.width, height: picture.height };
    const { text } = await this.jobs.request({ op: 'sheetDescription', clip: run.clip, framing: run.framing, layout, size });
    this.rendered(size.width, size.height, names.png);
    return [{ path: names.png, bytes: new Uint8Array(await (await pngOf(picture)).arrayBuffer()) },
      { path: names.json, bytes: new TextEncoder().encode(text) }];
  }

  async exportSheet() {
    if (!this.preview.animation) return;
    const run = await this.currentRun();
    if (!run) return;
    const [names] = await this.names([{ name: run.clip.name }]);
    for (const output of await this.sheetOf(run, names, this.layout())) download(new Blob([output.bytes]), output.path);
  }

  // A clip as an animated `format` ("webp" or "gif"): [{path, bytes}], or none with the line
  // that says why.
  async animationOf(run, names, format) {
    const { preview } = this;
    const name = names[format];
    const pictures = await this.pictures(run.framing, run.clip.frames);
    if (!pictures.frame || run.clip.frames <= 0) {
      this.say(`ERROR: ${pictures.animationProblem}`);
      return [];
    }
    const { width, height } = pictures.frame;
    const rgba = new Uint8Array(width * height * 4 * run.clip.frames);
    for (let index = 0; index < run.clip.frames; index++) {
      const picture = onBackground(renderFrame(preview.scenes, run.clip.first + index, preview.images, run.framing, pictures,
        preview.hidden), run.background);
      rgba.set(picture.getContext('2d').getImageData(0, 0, width, height).data, index * width * height * 4);
    }
    const encoded = await this.jobs.request({ op: 'encode', rgba: rgba.buffer, width, height, fps: run.fps ?? preview.animation.fps, format });
    if (!encoded.bytes) {
      this.say(`ERROR: could not encode ${name}: ${encoded.why}`);
      return [];
    }
    this.rendered(width, height, name);
    return [{ path: name, bytes: encoded.bytes }];
  }

  async exportAnimation(format) {
    if (!this.preview.animation) return;
    const run = await this.currentRun();
    if (!run) return;
    const [names] = await this.names([{ name: run.clip.name }]);
    for (const output of await this.animationOf(run, names, format)) download(new Blob([output.bytes]), output.path);
  }

  // Every clip in the form chosen, named as --all-clips names them, into a folder picked or a .zip.
  async exportAllClips(intoFolder) {
    const { preview } = this;
    if (!preview.animation) return;
    const format = this.el.format.value;
    const layout = this.layout();
    const runs = await this.runs(this.allClipAreas());
    if (!runs) return;
    const [whole, ...names] = await this.names([{ name: '' }, ...runs.map((run) => ({ name: run.clip.name }))]);
    const outputs = [];
    for (let index = 0; index < runs.length; index++) {
      outputs.push(...(format === 'png' ? await this.sheetOf(runs[index], names[index], layout)
        : await this.animationOf(runs[index], names[index], format)));
    }
    if (outputs.length === 0) return;
    if (intoFolder) {
      try {
        const folder = await saveIntoFolder(outputs);
        this.say(`Saved ${outputs.length} files into ${folder}`);
      } catch (error) {
        if (error.name !== 'AbortError') this.say(`ERROR: could not save into the folder: ${error.message}`);
      }
    } else {
      await downloadZip(outputs, whole.png.replace(/\.png$/, '-clips.zip'));
    }
  }
}
