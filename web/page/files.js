// Files into the list: picked one by one (taken whatever their names), picked as a folder or
// dropped (files and folders at any depth). A folder stands for the animation files below it,
// by their names, hidden ones left out, each folder's files in the order of their paths.
import { comparePaths, takenFromFolder } from './paths.js';

// From <input type=file>: single files as they are, a folder's files below its own name.
export function entriesFromInput(input) {
  const files = Array.from(input.files || []);
  const fromFolder = files.some((file) => file.webkitRelativePath);
  const entries = files.map((file) => ({ path: file.webkitRelativePath || file.name, file }));
  if (!fromFolder) return entries;
  return entries.filter((entry) => takenFromFolder(entry.path)).sort((a, b) => comparePaths(a.path, b.path));
}

function fileOf(entry) {
  return new Promise((resolve, reject) => entry.file(resolve, reject));
}

// Every entry of a folder: readEntries gives them in batches until it gives none.
async function childrenOf(folder) {
  const reader = folder.createReader();
  const children = [];
  for (;;) {
    const batch = await new Promise((resolve, reject) => reader.readEntries(resolve, reject));
    if (batch.length === 0) return children;
    children.push(...batch);
  }
}

async function walk(folder, into) {
  for (const child of await childrenOf(folder)) {
    if (child.name.startsWith('.')) continue;
    if (child.isDirectory) await walk(child, into);
    else if (takenFromFolder(child.fullPath.slice(1))) into.push({ path: child.fullPath.slice(1), file: await fileOf(child) });
  }
}

// From a drop: the items' entries, read before the event ends (they go away after it).
export async function entriesFromDrop(dataTransfer) {
  const roots = Array.from(dataTransfer.items || [])
    .filter((item) => item.kind === 'file')
    .map((item) => (item.webkitGetAsEntry ? item.webkitGetAsEntry() : null));
  if (roots.length === 0 || roots.some((root) => !root)) {
    return Array.from(dataTransfer.files || []).map((file) => ({ path: file.name, file }));
  }
  const entries = [];
  for (const root of roots) {
    if (root.isDirectory) {
      const found = [];
      await walk(root, found);
      entries.push(...found.sort((a, b) => comparePaths(a.path, b.path)));
    } else {
      entries.push({ path: root.name, file: await fileOf(root) });
    }
  }
  return entries;
}

// Whether a drop brings a folder (for the images folder, dropped on the preview).
export function dropHasFolder(dataTransfer) {
  return Array.from(dataTransfer.items || []).some((item) => item.webkitGetAsEntry && item.webkitGetAsEntry()?.isDirectory);
}

// The image files directly inside a dropped folder.
export async function imageFilesFromDrop(dataTransfer) {
  const root = Array.from(dataTransfer.items || []).map((item) => item.webkitGetAsEntry && item.webkitGetAsEntry())
    .find((entry) => entry && entry.isDirectory);
  if (!root) return [];
  const files = [];
  for (const child of await childrenOf(root)) {
    if (child.isFile) files.push(await fileOf(child));
  }
  return files;
}
