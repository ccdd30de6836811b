// The problems of the file previewed, as the native preview's Problems panel lists them: what
// it attaches that could not be found or drawn, and the images that can't be drawn. Shown over
// the foot of the stage when there are any, open the first time they appear; its count in its
// title.
export class Problems {
  constructor(panel) {
    this.panel = panel;
    this.title = panel.querySelector('summary');
    this.list = panel.querySelector('ul');
    this.scene = [];
    this.images = [];
  }

  // Those of the scene shown: none when nothing is.
  setScene(lines) {
    this.scene = lines;
    this.show();
  }

  setImages(lines) {
    this.images = lines;
    this.show();
  }

  show() {
    const lines = [...this.scene, ...this.images.map((line) => `image ${line}`)];
    const wasHidden = this.panel.hidden;
    this.panel.hidden = lines.length === 0;
    if (wasHidden && lines.length > 0) this.panel.open = true;
    this.title.textContent = `Problems (${lines.length})`;
    this.list.replaceChildren(...lines.map((line) => {
      const item = document.createElement('li');
      item.textContent = line;
      return item;
    }));
  }
}
