// Saving back into the file a listed file came from, where the browser handed the page a handle
// to it (a drop in Chromium): the user is asked for leave to write first.

// {done} once written; else {done: false, why} (why empty when there is no handle to write to).
export async function writeBack(handle, bytes) {
  if (!handle || typeof handle.createWritable !== 'function') return { done: false, why: '' };
  try {
    const permission = handle.requestPermission ? await handle.requestPermission({ mode: 'readwrite' }) : 'granted';
    if (permission !== 'granted') return { done: false, why: 'the browser was not allowed to write to it' };
    const writable = await handle.createWritable();
    await writable.write(bytes);
    await writable.close();
    return { done: true };
  } catch (error) {
    return { done: false, why: error.message || error.name };
  }
}
