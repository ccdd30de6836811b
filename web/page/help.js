// The Help dialog: every key of the preview and what it does, as the native preview's
// Help > Keys lists them, and what the pointer does on the stage.

export const keyList = [
  ['Space', 'play or pause'],
  ['Left / Right', 'previous / next frame'],
  ['Home / End', 'first / last frame of the clip'],
  ['F', 'fit the clip to the view'],
  ['1', 'zoom to 100 %'],
  ['Ctrl++ / Ctrl+-', 'zoom in / out (or the wheel, about the cursor)'],
  ['A', 'origin axes'],
  ['B', "the clip's bounding box"],
  ['O', 'onion skin: the frames before and after, faint'],
  ['Ctrl+E', 'export the frame as PNG'],
  ['Ctrl+Shift+E', 'export the clip as a sheet PNG'],
  ['?', 'this help'],
  ['Drag', 'pan the view (two fingers pinch to zoom)'],
  ['Double click', 'select the track drawn under the pointer'],
  ['Click (editing)', 'select the part under the pointer; on nothing, none'],
  ['Shift+click (editing)', 'add the part to the selection, or take it away'],
  ['Drag (editing)', 'move the selected parts; on nothing, draw a box that selects the parts it meets'],
  ['Middle drag / Space+drag (editing)', 'pan the view (Space alone plays or pauses)'],
  ['Corner handle (editing)', 'scale; Shift keeps the proportions'],
  ['Edge handle (editing)', 'scale one way; Alt+drag skews'],
  ['Round handle (editing)', 'turn each part about its origin; Shift turns in steps of 15°'],
  ['Escape (editing)', 'select nothing'],
  ['Arrows / Shift+Arrows (editing)', 'move the selected parts by 1 / 10 (on the stage; the timeline takes them itself)'],
  ['Double click (editing)', 'on a part that attaches a listed animation: edit that animation (or Edit attached)'],
  ['Enter (in a field)', 'set it in this frame; empty, it carries the value before'],
  ['Ctrl+Z', 'undo (editing)'],
  ['Ctrl+Shift+Z / Ctrl+Y', 'redo (editing)'],
  ['Ctrl+S', 'save as the file came (editing)'],
  ['Click a cell (timeline)', 'go to its frame and select its track'],
  ['Drag / Shift+click across cells', 'choose a run of frames of several tracks'],
  ['Arrows / Shift+Arrows (timeline)', 'go along the frames and tracks / choose the frames and tracks gone over; Home / End: first / last frame'],
  ['Drag a track\'s name', 'move the track up or down; double-click: rename it'],
  ['Drag a clip range', 'move the clip, or by an end make it longer or shorter; double-click: rename it'],
  ['Ctrl+C / Ctrl+V', 'copy / paste the chosen frames of the chosen tracks (editing)'],
  ['Ctrl+Shift+V', 'paste, inserted before the frames there (editing)'],
  ['K', 'key: every number field of the chosen tracks set in this frame to what it shows (editing)'],
  ['Shift+K', 'clear the key: the frame carries the fields before it (editing)'],
  ['Delete (editing)', 'delete the chosen run of frames'],
];

// Fills the dialog's table once; `open` shows it.
export function helpDialog(dialog, table) {
  table.replaceChildren(...keyList.map(([keys, does]) => {
    const row = document.createElement('tr');
    const key = document.createElement('th');
    key.scope = 'row';
    key.textContent = keys;
    const what = document.createElement('td');
    what.textContent = does;
    row.append(key, what);
    return row;
  }));
  return {
    open: () => { if (!dialog.open) dialog.showModal(); },
  };
}
