// New: the core's blank animation as a file of the list, named untitled.reanim (untitled-2.reanim
// and on when that is listed), saved as text by the worker.

export function untitledName(listed) {
  const taken = new Set(listed);
  for (let n = 1; ; n++) {
    const name = n === 1 ? 'untitled.reanim' : `untitled-${n}.reanim`;
    if (!taken.has(name)) return name;
  }
}

// The entry ({path, file}) of a new blank animation, or null with the reason said.
export async function blankEntry(jobs, listed, say) {
  const path = untitledName(listed);
  const reply = await jobs.request({ op: 'blank', path }).catch((error) => ({ saved: { ok: false, lines: [`ERROR: ${error.message}`] } }));
  for (const line of reply.saved.lines) say(line);
  if (!reply.saved.ok) return null;
  return { path, file: new File([reply.saved.bytes], path) };
}
