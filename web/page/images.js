// The images of an images folder, found by the native preview's rule: an image name such as
// IMAGE_REANIM_FOO_BAR finds foo_bar.png or foo_bar.jpg in the folder itself, in any case; of
// foo.jpg and foo.png the one later by name wins. A name not found draws the placeholder.

const imagePrefix = 'image_reanim_';

export function imageKey(name) {
  const lower = name.toLowerCase();
  return lower.startsWith(imagePrefix) ? lower.slice(imagePrefix.length) : lower;
}

export class ImageLibrary {
  constructor() {
    this.bitmaps = new Map(); // key -> ImageBitmap
    this.folder = '';
  }

  // Files of one folder (those below it in subfolders are not its images).
  async load(files, folderName = '') {
    const own = files.filter((file) => !file.webkitRelativePath || file.webkitRelativePath.split('/').length === 2);
    const images = own.filter((file) => /\.(png|jpg)$/i.test(file.name))
      .sort((a, b) => (a.name.toLowerCase() < b.name.toLowerCase() ? -1 : a.name.toLowerCase() > b.name.toLowerCase() ? 1 : 0));
    const bitmaps = new Map();
    for (const file of images) {
      try {
        const bitmap = await createImageBitmap(file, { premultiplyAlpha: 'premultiply', colorSpaceConversion: 'none' });
        bitmaps.set(file.name.slice(0, -4).toLowerCase(), bitmap);
      } catch {
        // A file that is no image is as if it were not there.
      }
    }
    this.bitmaps = bitmaps;
    this.folder = folderName || (files[0]?.webkitRelativePath || '').split('/')[0];
    return bitmaps.size;
  }

  image(name) {
    return this.bitmaps.get(imageKey(name)) || null;
  }
}
