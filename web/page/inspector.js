// The inspector: the selected track's fields in the frame shown, each in a labelled input that
// says whether this frame sets it or carries it forward from the frames before. Enter (or
// leaving a changed field) sets it; an empty field clears it, so it carries again; Escape puts
// back what was there. With several tracks selected it shows the first one's and says how many
// are selected; a value typed is set in each. The image field offers the images folder's
// images by the names frames give them.

const numberFields = ['x', 'y', 'kx', 'ky', 'sx', 'sy', 'f', 'a'];
const stringFields = ['image', 'font', 'text'];

function shownNumber(value) {
  return Number.isFinite(value) ? String(Number(value.toPrecision(6))) : String(value);
}

export class Inspector {
  // `onSet(field, value)`: a number, null to clear, or for image/font/text a string ('' clears).
  constructor(form, onSet) {
    this.form = form;
    this.onSet = onSet;
    this.inputs = new Map();
    this.marks = new Map();
    const title = document.createElement('p');
    title.className = 'inspector-title';
    this.title = title;
    const grid = document.createElement('div');
    grid.className = 'inspector-grid';
    for (const field of [...numberFields, ...stringFields]) {
      const id = `inspect-${field}`;
      const label = document.createElement('label');
      label.htmlFor = id;
      label.textContent = field;
      const input = document.createElement('input');
      input.id = id;
      input.type = 'text';
      input.autocomplete = 'off';
      input.spellcheck = false;
      if (numberFields.includes(field)) input.inputMode = 'decimal';
      if (field === 'image') {
        this.images = document.createElement('datalist');
        this.images.id = `${id}-choices`;
        input.setAttribute('list', this.images.id);
      }
      const mark = document.createElement('span');
      mark.id = `${id}-mark`;
      mark.className = 'mark';
      input.setAttribute('aria-describedby', mark.id);
      input.addEventListener('keydown', (event) => {
        if (event.key === 'Enter') {
          event.preventDefault();
          this.commit(field);
        } else if (event.key === 'Escape') {
          event.preventDefault();
          input.value = input.dataset.shown || '';
          input.setCustomValidity('');
        }
      });
      input.addEventListener('blur', () => this.commit(field));
      this.inputs.set(field, input);
      this.marks.set(field, mark);
      grid.append(label, input, mark);
    }
    form.addEventListener('submit', (event) => event.preventDefault());
    form.replaceChildren(title, grid, this.images);
    this.show(null);
  }

  commit(field) {
    const input = this.inputs.get(field);
    if (input.disabled || input.value === input.dataset.shown) return;
    const typed = input.value.trim();
    // What was typed is now what the field shows, until the document's answer replaces it.
    input.dataset.shown = input.value;
    if (stringFields.includes(field)) {
      this.onSet(field, typed);
      return;
    }
    const value = typed === '' ? null : Number(typed);
    if (value !== null && !Number.isFinite(value)) {
      input.dataset.shown = '';
      input.setCustomValidity('A number, or nothing to carry the value before');
      input.reportValidity();
      return;
    }
    input.setCustomValidity('');
    this.onSet(field, value);
  }

  // The names the image field offers (IMAGE_REANIM_...).
  offerImages(names) {
    this.images.replaceChildren(...names.map((name) => new Option(name, name)));
  }

  // `shown`: {name, frame, given, state, count}: what the frame itself gives (null where it carries)
  // and the values it has, carried ones included, and how many tracks are selected; null when none is.
  show(shown) {
    // Only what differs is written: a page that changes nothing lays nothing out again.
    const several = shown && shown.count > 1 ? ` (${shown.count} selected: a value set here is set in each)` : '';
    const title = shown ? `${shown.name || 'Track'}, frame ${shown.frame}${several}` : 'Select a part to edit it';
    if (this.title.textContent !== title) this.title.textContent = title;
    for (const [field, input] of this.inputs) {
      const mark = this.marks.get(field);
      const given = shown && shown.given ? shown.given[field] : null;
      const set = given !== null && given !== undefined;
      let text = '';
      if (shown && shown.state) {
        const value = shown.state[field];
        text = numberFields.includes(field) ? shownNumber(value) : value || '';
      }
      if ((document.activeElement !== input || input.value === input.dataset.shown) && input.value !== text) input.value = text;
      if (input.dataset.shown !== text) input.dataset.shown = text;
      if (input.disabled !== (!shown || !shown.given)) input.disabled = !shown || !shown.given;
      input.classList.toggle('carried', !set);
      const says = !shown ? '' : set ? 'set' : 'carried';
      if (mark.textContent !== says) mark.textContent = says;
      const why = set ? 'This frame sets it' : 'Carried from the frames before; type a value to set it here';
      if (mark.title !== why) mark.title = why;
    }
  }
}
