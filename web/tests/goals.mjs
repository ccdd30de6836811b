// The speed benchmarks' verdict: a table of figure, goal, measured and whether it is met, and
// the process's exit status 1 when any goal is missed (scripts/bench.sh fails on it).
export function percentile(values, fraction) {
  const sorted = [...values].sort((a, b) => a - b);
  return sorted[Math.min(sorted.length - 1, Math.floor(fraction * sorted.length))];
}

// rows: [{figure, goal (text), measured (text), met (boolean)}].
export function report(title, rows) {
  const width = Math.max(...rows.map((row) => row.figure.length), 6);
  console.log(title);
  console.log(`| ${'figure'.padEnd(width)} | goal           | measured           | met |`);
  console.log(`|${'-'.repeat(width + 2)}|----------------|--------------------|-----|`);
  for (const row of rows) {
    console.log(`| ${row.figure.padEnd(width)} | ${row.goal.padEnd(14)} | ${row.measured.padEnd(18)} | ${row.met ? 'yes' : 'no '} |`);
  }
  if (rows.some((row) => !row.met)) process.exitCode = 1;
}
