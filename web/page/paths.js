// Paths of listed files: relative, '/' between folders, compared folder by folder as the
// command line sorts the files it finds.

export function comparePaths(a, b) {
  const left = a.split('/');
  const right = b.split('/');
  for (let n = 0; n < Math.min(left.length, right.length); n++) {
    if (left[n] !== right[n]) return left[n] < right[n] ? -1 : 1;
  }
  return left.length - right.length;
}

// What a folder holds for the list: animation files by their names, in any case, and nothing
// hidden (a name starting with a dot, or inside such a folder). The core's folder walk
// (core/files/folderwalk.h, namerules.h) in the page's words: the module tests hold the two
// to the same files in the same order.
export function takenFromFolder(path) {
  const parts = path.split('/');
  if (parts.some((part) => part.startsWith('.'))) return false;
  const name = parts[parts.length - 1].toLowerCase();
  return name.endsWith('.compiled') || name.endsWith('.reanim');
}

export function baseName(path) {
  return path.slice(path.lastIndexOf('/') + 1);
}
