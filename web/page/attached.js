// An attached animation opened for editing itself. While editing, when the selected part's frame
// attaches another animation that the list holds, the button (or a double click on the part on
// the stage) shows that file and opens it in Edit. The file that attaches it, shown again, draws
// it as it stands, edits and all (the worker reads an edited file as it stands).
export class AttachedOpener {
  // `ask(message)`: the worker's reply; `open(path)`: shows the listed file `path` and edits it.
  constructor(button, preview, ask, open) {
    this.button = button;
    this.preview = preview;
    this.ask = ask;
    this.open = open;
    this.file = '';
    this.asked = 0;
    button.onclick = () => this.openFile();
    // After the preview's own double click, which selects the part under the pointer.
    preview.el.canvas.addEventListener('dblclick', async (event) => {
      if (!this.editing) return;
      await preview.pick(preview.local(event));
      await this.follow(this.editing, preview.selectedTrack, preview.player.frame);
      this.openFile();
    });
    this.show();
  }

  // The file edited (`path`, or null when none is) with `track` selected in `frame`.
  async follow(path, track, frame) {
    this.editing = path;
    const asked = ++this.asked;
    const reply = path && track >= 0
      ? await this.ask({ op: 'editAttached', path, track, frame }).catch(() => ({ file: '' })) : { file: '' };
    if (asked !== this.asked) return;
    this.file = reply.file || '';
    this.show();
  }

  show() {
    const { button, file } = this;
    button.disabled = !file;
    button.title = file ? `Edit ${file}, the animation this part attaches (or double-click the part)`
      : 'Edit the animation the selected part attaches, when it attaches one that is listed';
  }

  openFile() {
    if (this.file) this.open(this.file);
  }
}
