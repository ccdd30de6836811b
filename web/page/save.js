// Where outputs go: one output downloads under its own name; many go into a folder the user
// picks, keeping their folders below it (where the browser has the File System Access API),
// or into one .zip that keeps them.
import { baseName } from './paths.js';
import { zipOf } from './zip.js';

export function download(blob, name) {
  const link = document.createElement('a');
  link.href = URL.createObjectURL(blob);
  link.download = name;
  document.body.append(link);
  link.click();
  link.remove();
  setTimeout(() => URL.revokeObjectURL(link.href), 60000);
}

export function downloadOne(output) {
  download(new Blob([output.bytes]), baseName(output.path));
}

export function canSaveIntoFolder() {
  return typeof window.showDirectoryPicker === 'function';
}

// Writes every output below the folder picked, making its folders as needed.
export async function saveIntoFolder(outputs) {
  const root = await window.showDirectoryPicker({ mode: 'readwrite' });
  for (const output of outputs) {
    const parts = output.path.split('/');
    let folder = root;
    for (const part of parts.slice(0, -1)) folder = await folder.getDirectoryHandle(part, { create: true });
    const handle = await folder.getFileHandle(parts[parts.length - 1], { create: true });
    const writable = await handle.createWritable();
    await writable.write(output.bytes);
    await writable.close();
  }
  return root.name;
}

export async function downloadZip(outputs, name) {
  download(await zipOf(outputs), name);
}
