// The splitter between the list and the preview: dragged, or with Left and Right (Shift for
// larger steps), Home and End, it sets the list's share of the width (the --list-share the
// page's grid reads).
export function makeSplitter(splitter, container, { min = 20, max = 80, start = 50 } = {}) {
  let share = start;
  const apply = (value) => {
    share = Math.round(Math.min(max, Math.max(min, value)));
    container.style.setProperty('--list-share', `${share}%`);
    splitter.setAttribute('aria-valuenow', String(share));
    splitter.setAttribute('aria-valuetext', `list ${share}% of the width`);
  };
  splitter.setAttribute('aria-valuemin', String(min));
  splitter.setAttribute('aria-valuemax', String(max));
  apply(start);
  splitter.addEventListener('keydown', (event) => {
    const step = event.shiftKey ? 10 : 2;
    const to = { ArrowLeft: share - step, ArrowRight: share + step, Home: min, End: max }[event.key];
    if (to === undefined) return;
    // Not the preview's frame keys while the splitter has them.
    event.preventDefault();
    event.stopPropagation();
    apply(to);
  });
  splitter.addEventListener('pointerdown', (event) => {
    event.preventDefault();
    splitter.setPointerCapture(event.pointerId);
    const box = container.getBoundingClientRect(); // read once: a drag only writes
    const move = (moved) => apply((100 * (moved.clientX - box.left)) / box.width);
    const end = () => {
      splitter.removeEventListener('pointermove', move);
      splitter.removeEventListener('pointerup', end);
      splitter.removeEventListener('pointercancel', end);
    };
    splitter.addEventListener('pointermove', move);
    splitter.addEventListener('pointerup', end);
    splitter.addEventListener('pointercancel', end);
  });
}
