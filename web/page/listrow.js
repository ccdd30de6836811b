// One row of the file list, one line high: the box that chooses the file, its path (the folders
// shortened with an ellipsis where the column is narrow, the whole path in the tooltip and in
// the text read out), its form, frame rate, tracks and frames as `info` gives them, and its
// clips as a count with their names on hover; or the error that stops the file.

export function rateText(fps) {
  return fps === null || fps === undefined ? 'no' : String(Number(fps.toPrecision(6)));
}

function clipsText(clips) {
  return clips.map((clip) => `${clip.name} (from ${clip.first}, ${clip.frames})`).join(', ');
}

function cell(text, className) {
  const td = document.createElement('td');
  td.setAttribute('role', 'cell');
  td.textContent = text;
  if (className) td.className = className;
  return td;
}

// The path as its folders and its name, each in a span of its own: the folders give way first.
function pathCell(path) {
  const td = document.createElement('td');
  td.setAttribute('role', 'cell');
  td.className = 'path';
  td.title = path;
  const slash = path.lastIndexOf('/') + 1;
  const line = document.createElement('div');
  line.className = 'line';
  if (slash > 0) {
    // Shortened from its start: the folders nearest the file stay in sight.
    const folder = document.createElement('span');
    folder.className = 'folder';
    const folders = document.createElement('span');
    folders.textContent = path.slice(0, slash);
    folder.append(folders);
    line.append(folder);
  }
  const name = document.createElement('span');
  name.className = 'name';
  name.textContent = path.slice(slash);
  line.append(name);
  td.append(line);
  return td;
}

// The clips as a count; their names in the tooltip and, unseen, in the text read out.
function clipsCell(clips) {
  const td = cell(clips.length === 0 ? 'none' : `${clips.length} clip${clips.length === 1 ? '' : 's'}`, 'clips');
  if (clips.length) {
    const names = clipsText(clips);
    td.title = names;
    const spoken = document.createElement('span');
    spoken.className = 'sr-only';
    spoken.textContent = `: ${names}`;
    td.append(spoken);
  }
  return td;
}

export function makeRow(entry) {
  const row = document.createElement('tr');
  row.setAttribute('role', 'row');
  row.tabIndex = -1;
  const box = document.createElement('input');
  box.type = 'checkbox';
  box.tabIndex = -1; // the row is the list's one stop; Space chooses it
  box.checked = Boolean(entry.chosen);
  box.setAttribute('aria-label', `Choose ${entry.path}`);
  const chosen = document.createElement('td');
  chosen.setAttribute('role', 'cell');
  chosen.append(box);
  const path = pathCell(entry.path);
  if (entry.edited) {
    // Changed in the editor since it was last saved.
    row.classList.add('edited');
    const mark = document.createElement('span');
    mark.className = 'edited-mark';
    mark.textContent = '•';
    mark.setAttribute('aria-hidden', 'true');
    const spoken = document.createElement('span');
    spoken.className = 'sr-only';
    spoken.textContent = ' (changed, not saved)';
    path.firstChild.prepend(mark);
    path.firstChild.append(spoken);
    path.title = `${entry.path} (changed, not saved)`;
  }
  row.append(chosen, path);
  const info = entry.info;
  if (!info) {
    row.append(cell('…'), cell(''), cell(''), cell(''), cell('reading', 'clips'));
  } else if (!info.ok) {
    row.classList.add('failed');
    const error = cell(info.error, 'error');
    error.title = info.error;
    row.append(cell(info.kind), cell(''), cell(''), cell(''), error);
  } else {
    row.append(cell(info.kind), cell(rateText(info.fps), 'number'), cell(String(info.tracks.length), 'number'),
      cell(String(info.frames), 'number'), clipsCell(info.clips));
  }
  return row;
}
