// Open…: animation files picked where the browser hands the page handles to them (Chromium's
// file picker), so that Save writes back into them; elsewhere the plain file input picks them.

export const canOpenWithHandles = () => typeof window.showOpenFilePicker === 'function';

// The picked files as list entries ({path, file, handle}); none when the picker is closed.
export async function openWithHandles() {
  let handles;
  try {
    handles = await window.showOpenFilePicker({ multiple: true, id: 'animations',
      types: [{ description: 'Animations', accept: { 'application/octet-stream': ['.reanim', '.compiled'] } }] });
  } catch (error) {
    if (error.name === 'AbortError') return [];
    throw error;
  }
  return Promise.all(handles.map(async (handle) => ({ path: handle.name, file: await handle.getFile(), handle })));
}
