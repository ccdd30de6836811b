// The images of an images folder, by the file's name in lower case without its ending, as the
// core's image-name rule looks them up (IMAGE_REANIM_FOO_BAR finds foo_bar.png or foo_bar.jpg);
// of foo.jpg and foo.png the one later by name wins. The core is told their sizes.

export class ImageLibrary {
  constructor() {
    this.bitmaps = new Map(); // key -> ImageBitmap
    this.folder = '';
    this.problems = []; // a line for each file of the folder that could not be drawn
  }

  // Files of one folder (those below it in subfolders are not its images).
  async load(files, folderName = '') {
    const own = files.filter((file) => !file.webkitRelativePath || file.webkitRelativePath.split('/').length === 2);
    const images = own.filter((file) => /\.(png|jpg)$/i.test(file.name))
      .sort((a, b) => (a.name.toLowerCase() < b.name.toLowerCase() ? -1 : a.name.toLowerCase() > b.name.toLowerCase() ? 1 : 0));
    const bitmaps = new Map();
    const problems = [];
    this.folder = folderName || (files[0]?.webkitRelativePath || '').split('/')[0];
    for (const file of images) {
      try {
        const bitmap = await createImageBitmap(file, { premultiplyAlpha: 'premultiply', colorSpaceConversion: 'none' });
        bitmaps.set(file.name.slice(0, -4).toLowerCase(), bitmap);
      } catch (error) {
        // A file that is no image is as if it were not there: a placeholder stands in, and
        // the problems say which file and why.
        const why = error && error.message ? error.message : String(error);
        problems.push(`${file.webkitRelativePath || (this.folder ? `${this.folder}/${file.name}` : file.name)}: the image can't be drawn: ${why}`);
      }
    }
    for (const bitmap of this.bitmaps.values()) bitmap.close();
    this.bitmaps = bitmaps;
    this.problems = problems;
    return bitmaps.size;
  }

  // The image of a key the core gave.
  image(key) {
    return this.bitmaps.get(key) || null;
  }

  // key -> [width, height], for the core.
  sizes() {
    return new Map([...this.bitmaps].map(([key, bitmap]) => [key, [bitmap.width, bitmap.height]]));
  }
}
