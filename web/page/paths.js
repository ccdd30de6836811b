// The name of a listed file, from its path ('/' between folders).
export function baseName(path) {
  return path.slice(path.lastIndexOf('/') + 1);
}
