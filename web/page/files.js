// Files into the list: picked one by one (taken whatever their names), picked as a folder or
// dropped (files and folders at any depth). A folder stands for the animation files below it,
// as the command line takes them from a folder: `choose(paths)` asks the core which, in its
// order (the places in `paths` of those it takes).

// From <input type=file>: single files as they are, a folder's files below its own name.
export async function entriesFromInput(input, choose) {
  const files = Array.from(input.files || []);
  const entries = files.map((file) => ({ path: file.webkitRelativePath || file.name, file }));
  if (!files.some((file) => file.webkitRelativePath)) return entries;
  return (await choose(entries.map((entry) => entry.path))).map((n) => entries[n]);
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

// A dropped file or folder as one shape whatever the browser hands over: { name, folder, file()
// or children() }. A file system handle reads in Chromium also when the page is opened from the
// disk, where its entries refuse every read (EncodingError); the entry is for browsers without
// handles.
function fromHandle(handle) {
  if (handle.kind !== 'directory') return { name: handle.name, folder: false, file: () => handle.getFile(), handle };
  return {
    name: handle.name,
    folder: true,
    children: async () => {
      const children = [];
      for await (const child of handle.values()) children.push(fromHandle(child));
      return children;
    },
  };
}

function fromEntry(entry) {
  if (!entry.isDirectory) return { name: entry.name, folder: false, file: () => fileOf(entry) };
  return { name: entry.name, folder: true, children: async () => (await childrenOf(entry)).map(fromEntry) };
}

// A drop's plain file may stand for one gone or unreadable: its first byte read says so now
// rather than when the list reads it.
async function readable(file) {
  await (file.size > 0 ? file.slice(0, 1) : file).arrayBuffer();
  return file;
}

// What a drop brings, asked for while its event lasts (the items are emptied when it ends) and
// opened after: a handle where the browser gives one, else the entry for a folder and the plain
// file the drop carries for a file. What can't be opened at all is { name, refused }.
export async function openDrop(dataTransfer) {
  const taken = Array.from(dataTransfer.items || []).filter((item) => item.kind === 'file').map((item) => {
    const entry = item.webkitGetAsEntry ? item.webkitGetAsEntry() : null;
    const file = item.getAsFile();
    const handle = item.getAsFileSystemHandle ? item.getAsFileSystemHandle().catch(() => null) : null;
    return { entry, file, handle };
  });
  const opened = [];
  for (const { entry, file, handle } of taken) {
    const fromSystem = await handle;
    if (fromSystem) opened.push(fromHandle(fromSystem));
    else if (entry?.isDirectory) opened.push(fromEntry(entry));
    else if (file) opened.push({ name: file.name, folder: false, file: () => readable(file) });
    else if (entry) opened.push(fromEntry(entry));
    else opened.push({ name: '(unnamed item)', folder: false, refused: new Error('the browser gave no file for it') });
  }
  return opened;
}

// Files below a dropped folder, each folder's children before it goes on, by their paths and not
// yet read; whatever the browser refuses to open is noted under its path and the rest is walked on.
async function walk(folder, path, into, refused) {
  let children;
  try {
    children = await folder.children();
  } catch (error) {
    refused.push({ path, folder: true, error });
    return;
  }
  for (const child of children) {
    const below = `${path}/${child.name}`;
    if (child.folder) await walk(child, below, into, refused);
    else into.push({ path: below, node: child });
  }
}

async function read(node, path, into, refused) {
  try {
    if (node.refused) throw node.refused;
    into.push({ path, file: await node.file(), ...(node.handle ? { handle: node.handle } : {}) });
  } catch (error) {
    refused.push({ path, folder: false, error });
  }
}

// The list's entries from opened drop items: files as they are, a folder's animation files below
// its own name, as the folder input gives them; only those are read.
export async function entriesFromDrop(opened, choose) {
  const entries = [];
  const refused = [];
  for (const node of opened) {
    if (node.folder) {
      const found = [];
      await walk(node, node.name, found, refused);
      for (const n of await choose(found.map((each) => each.path))) await read(found[n].node, found[n].path, entries, refused);
    } else {
      await read(node, node.name, entries, refused);
    }
  }
  return { entries, refused };
}

// The files directly inside the first dropped folder (for the images folder, dropped on the preview).
export async function imageFilesFromDrop(opened) {
  const root = opened.find((node) => node.folder);
  const files = [];
  const refused = [];
  if (!root) return { files, refused };
  let children = [];
  try {
    children = await root.children();
  } catch (error) {
    refused.push({ path: root.name, folder: true, error });
  }
  for (const child of children) {
    if (!child.folder) await read(child, `${root.name}/${child.name}`, files, refused);
  }
  return { files: files.map((entry) => entry.file), refused };
}
