// Where edits are kept between visits: the browser's IndexedDB, a record a file by its path
// ({path, form, original, current, edits, handle, time}). The page reads and forgets records; the
// worker writes them, so that copying a file's bytes into storage never holds up the page.

const dbName = 'qorutil-kept';
const storeName = 'documents';

export function promised(request) {
  return new Promise((resolve, reject) => {
    request.onsuccess = () => resolve(request.result);
    request.onerror = () => reject(request.error);
  });
}

// The storage; throws when the browser refuses it.
export async function openStore() {
  if (!self.indexedDB) throw new Error('there is no IndexedDB here');
  const request = indexedDB.open(dbName, 1);
  request.onupgradeneeded = () => request.result.createObjectStore(storeName, { keyPath: 'path' });
  return promised(request);
}

// What `act(store)` asks of the store, once a change it makes is written.
export async function inStore(db, mode, act) {
  const transaction = db.transaction(storeName, mode);
  const written = mode === 'readwrite'
    ? new Promise((resolve, reject) => { transaction.oncomplete = resolve; transaction.onerror = () => reject(transaction.error); })
    : null;
  const result = await promised(act(transaction.objectStore(storeName)));
  await written;
  return result;
}
