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

function standing(editor) {
  return { undoName: editor.undoName(), redoName: editor.redoName(), changed: editor.changed(), kind: editor.kind() };
}

// `shown`: the worker's previewed file ({preview, viewer, animation, sizes, files, path}); the
// editor becomes what it draws from. `redraw(shown)` gives the reply's evaluation and scenes;
// an edit sent with `light` (a frame: a drag's moves) gets that frame's scene alone, the rest
// coming when the drag is sealed.
export function editing(module, message, shown, redraw) {
  const { op } = message;
  if (op === 'editStart') {
    let editor = sessions.get(message.path);
    if (!editor) {
      editor = new module.Editor(message.path, message.bytes, shown.files);
      if (!editor.ok()) {
        const lines = editor.lines();
        editor.delete();
        return { started: false, lines };
      }
      sessions.set(message.path, editor);
    }
    shown.preview = editor;
    return { started: true, state: standing(editor), dropped: editor.droppedOnSave(), ...redraw(shown) };
  }
  const editor = sessions.get(message.path);
  if (!editor) return { state: null };
  if (op === 'editCopy') {
    clipboard = editor.copy(message.tracks, message.first, message.count);
    return { state: standing(editor), copied: { rows: clipboard.rows.length, frames: Math.max(0, ...clipboard.rows.map((row) => row.length)) } };
  }
  if (op === 'editGivenFrames') return { marks: editor.givenFrames() };
  if (op === 'editApply' && message.edit.op === 'pasteFrames') message.edit.clipboard = clipboard;
  if (op === 'editApply' || op === 'editUndo' || op === 'editRedo') {
    const done = op === 'editApply' ? editor.apply(message.edit) : op === 'editUndo' ? editor.undo() : editor.redo();
    if (message.seal) editor.sealStep();
    if (done && Number.isInteger(message.light)) {
      return { done, state: standing(editor), light: { frame: message.light, scenes: editor.frameScene(message.light, shown.sizes) } };
    }
    return { done, state: standing(editor), ...(done ? redraw(shown) : {}) };
  }
  if (op === 'editSeal') {
    editor.sealStep();
    return { state: standing(editor), ...(message.redraw ? redraw(shown) : {}) };
  }
  if (op === 'editGiven') return { given: editor.given(message.track, message.frame) };
  if (op === 'editSave') {
    const saved = message.form === 'compiled' ? editor.saveCompiled() : editor.saveText();
    if (saved.ok && message.markSaved) editor.markSaved();
    return { saved, state: standing(editor) };
  }
  return { state: standing(editor) };
}
