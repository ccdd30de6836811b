// The worker's side of editing: one core Editor per file being edited, by its listed name, kept
// while the page lives so that a file left and come back to keeps its edits and its history.
// Each reply carries where the document stands (what undo and redo would do, whether it
// changed) and, after a change, what the preview draws.

const sessions = new Map(); // path -> the module's Editor
let clipboard = null; // frames copied, as the module gives them: they paste into any file

// The module started afresh: the editors it held are gone with it.
export function forgetEditors() {
  sessions.clear();
}

export function editorOf(path) {
  return sessions.get(path) || null;
}

// What an edited file holds now, in its own form, for what attaches it to draw (null if it is not edited).
export function editedBytes(path) {
  const editor = sessions.get(path);
  if (!editor) return null;
  const saved = editor.kind() === 'compiled' ? editor.saveCompiled() : editor.saveText();
  return saved.ok ? saved.bytes : null;
}

// A file restored from the browser's storage (`kept`: the bytes it was first opened from and its
// edits as the core kept them): opened from those bytes with its edits taken up, so that undo
// goes back through them; when they can't be (the page changed since), as it was last kept
// (`bytes`), without its steps.
function reopened(module, message, files) {
  const { original, edits } = message.kept;
  const editor = new module.Editor(message.path, original && original.byteLength ? new Uint8Array(original) : null, files);
  // What a save leaves out of the text it was opened from, said of it as it was opened.
  const dropped = editor.ok() ? editor.droppedOnSave() : [];
  if (editor.ok() && editor.resumeEdits(new Uint8Array(edits))) return { editor, resumed: true, dropped };
  editor.delete();
  const last = new module.Editor(message.path, message.bytes, files);
  return { editor: last, resumed: false, dropped: last.ok() ? last.droppedOnSave() : [] };
}

function standing(editor) {
  return { undoName: editor.undoName(), redoName: editor.redoName(), changed: editor.changed(), kind: editor.kind() };
}

// What a change leaves in the frame shown (`message.light`, when the page says which): its scene,
// what the first selected track's frame gives (`message.track`), which the inspector follows, and
// the selected tracks' marks in it as the page asks for them (`message.outline`: preview.js
// outlineAsk), so that the part and its outline are drawn together.
function lightOf(editor, message, shown) {
  const frame = message.light;
  const given = Number.isInteger(message.track) ? editor.given(message.track, frame) : null;
  const { outline } = message;
  const outlined = outline && outline.frame === frame && outline.tracks.length > 0
    ? { key: outline.key, selections: outline.tracks.map((track, n) => editor.selection(track, frame, outline.first, n === 0 ? outline.frames : 0, shown.sizes)) }
    : null;
  return { frame, scenes: editor.frameScene(frame, shown.sizes), given, outlined };
}

// `shown`: the worker's previewed file ({preview, viewer, sizes, files, path}); the editor becomes
// what it draws from. `redraw(shown)` gives the reply's evaluation and scenes (what changed, where
// the page can mend its own). After a change the frame shown goes first, by `early`, for the page
// to draw at once; the rest of the reply follows. A drag's moves (editDragTo) get the frame alone,
// the rest coming when the drag ends.
export function editing(module, message, shown, redraw, early = () => {}) {
  const { op } = message;
  if (op === 'editStart') {
    let editor = sessions.get(message.path);
    let resumed = null;
    let dropped = null;
    if (!editor) {
      if (message.kept) ({ editor, resumed, dropped } = reopened(module, message, shown.files));
      else editor = new module.Editor(message.path, message.bytes, shown.files);
      if (!editor.ok()) {
        const lines = editor.lines();
        editor.delete();
        return { started: false, lines };
      }
      sessions.set(message.path, editor);
    }
    shown.preview = editor;
    return { started: true, resumed, state: standing(editor), dropped: dropped || editor.droppedOnSave(), ...redraw(shown, true) };
  }
  const editor = sessions.get(message.path);
  if (!editor) return { state: null };
  if (op === 'editCopy') {
    clipboard = editor.copy(message.tracks, message.first, message.count);
    return { state: standing(editor), copied: { rows: clipboard.rows.length, frames: Math.max(0, ...clipboard.rows.map((row) => row.length)) } };
  }
  if (op === 'editGivenFrames') return { marks: editor.givenFrames() };
  if (op === 'editApply' && message.edit.op === 'pasteFrames') message.edit.clipboard = clipboard;
  // A change made: the frame shown first, then every frame's layout.
  const changed = (done) => {
    if (done && Number.isInteger(message.light)) early({ state: standing(editor), light: lightOf(editor, message, shown) });
    return { done, state: standing(editor), ...(done || shown.owed ? redraw(shown) : {}) };
  };
  if (op === 'editApply') return changed(editor.apply(message.edit));
  if (op === 'editUndo') return changed(editor.undo());
  if (op === 'editRedo') return changed(editor.redo());
  if (op === 'editBeginDrag') {
    const { kind, handle, tracks, frame, x, y } = message;
    return { began: editor.beginDrag(kind, handle, tracks, frame, x, y), state: standing(editor) };
  }
  if (op === 'editDragTo') {
    const done = editor.dragTo(message.x, message.y, Boolean(message.constrain));
    return { done, state: standing(editor), light: done ? lightOf(editor, message, shown) : null };
  }
  if (op === 'editEndDrag') {
    editor.endDrag();
    return { done: true, state: standing(editor), ...redraw(shown) };
  }
  if (op === 'editNudge') {
    // A move of the tracks by (dx, dy) as a drag of one move: a step of its own.
    const began = editor.beginDrag('move', 'inside', message.tracks, message.frame, 0, 0);
    const done = began && editor.dragTo(message.dx, message.dy, false);
    editor.endDrag();
    return changed(done);
  }
  if (op === 'editRedraw') return { state: standing(editor), ...redraw(shown, true) };
  if (op === 'editKeep') {
    const saved = message.form === 'compiled' ? editor.saveCompiled() : editor.saveText();
    return { saved, original: editor.original(), edits: editor.keptEdits(), state: standing(editor) };
  }
  if (op === 'editAttached') return { file: editor.attachedFile(message.track, message.frame) };
  if (op === 'editGiven') return { given: editor.given(message.track, message.frame) };
  if (op === 'editSave') {
    const saved = message.form === 'compiled' ? editor.saveCompiled() : editor.saveText();
    if (saved.ok && message.markSaved) editor.markSaved();
    return { saved, state: standing(editor) };
  }
  return { state: standing(editor) };
}
