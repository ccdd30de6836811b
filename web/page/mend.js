// The page's copy of an edited file's layout brought up to a later one the worker sent as what
// changed (the core's layout, `mended`): the items drawn differently written over the copy in
// place, and the changed tracks' evaluation put in. After a drag or a field set that is a little
// data instead of every frame again, and no new arrays for the page to make and let go.

// `held`: {animation, scenes} as the preview has them; `change`: {animation, scenes} as the worker
// sent them. The layout to show, or null when the change is not to the version held (the whole
// layout must be asked for then).
export function mend(held, change) {
  const { scenes } = held;
  const patch = change.scenes;
  if (!scenes || !held.animation || scenes.version !== patch.version - 1) return null;
  const { items } = patch;
  for (let n = 0; n < items.length; n++) {
    const item = items[n];
    scenes.kinds[item] = patch.kinds[n];
    scenes.opacities[item] = patch.opacities[n];
    for (let k = 0; k < 6; k++) scenes.matrices[6 * item + k] = patch.matrices[6 * n + k];
    for (let k = 0; k < 2; k++) scenes.sizes[2 * item + k] = patch.sizes[2 * n + k];
    for (let k = 0; k < 3; k++) scenes.texts[3 * item + k] = patch.texts[3 * n + k];
  }
  scenes.strings = patch.strings;
  scenes.problems = patch.problems;
  scenes.areas = patch.areas;
  scenes.version = patch.version;
  const { changedTracks, tracks: changed, ...rest } = change.animation;
  const tracks = held.animation.tracks.slice();
  changedTracks.forEach((track, n) => { tracks[track] = changed[n]; });
  return { animation: { ...rest, tracks }, scenes };
}
