// The page's side of the worker: one request at a time is enough for a person's clicks, but
// several may be in flight (a preview while a list is read); each has its own id.

export class Jobs {
  constructor(worker) {
    this.worker = worker;
    this.next = 1;
    this.pending = new Map();
    worker.onmessage = (event) => this.receive(event.data);
    worker.onerror = (event) => {
      for (const job of this.pending.values()) job.reject(new Error(event.message || 'the worker stopped'));
      this.pending.clear();
    };
  }

  // Resolves with the last message; `onItem` sees each file's result as it comes.
  request(message, onItem = () => {}) {
    const id = this.next++;
    return new Promise((resolve, reject) => {
      this.pending.set(id, { resolve, reject, onItem });
      this.worker.postMessage({ ...message, id });
    });
  }

  receive(message) {
    const job = this.pending.get(message.id);
    if (!job) return;
    if (!message.finished) {
      job.onItem(message);
      return;
    }
    this.pending.delete(message.id);
    if (message.failure) job.reject(new Error(message.failure));
    else job.resolve(message);
  }
}

// The worker is built into the page as text, so that it starts from a file on disk too.
export function startWorker() {
  const source = document.getElementById('worker-source').textContent;
  const url = URL.createObjectURL(new Blob([source], { type: 'text/javascript' }));
  return new Jobs(new Worker(url));
}
