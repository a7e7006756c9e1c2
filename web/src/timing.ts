// Where the page's time goes, stage by stage: a count and total milliseconds per stage, both on
// the page and in the workers (whose figures ride home on their replies). `node bench/page.mjs
// --profile` prints them; keeping them costs a clock read per stage.
export type Spent = Record<string, number>;

export class Timing {
  readonly totals = new Map<string, { n: number; ms: number }>();
  add(stage: string, ms: number) {
    const t = this.totals.get(stage) ?? { n: 0, ms: 0 };
    t.n++;
    t.ms += ms;
    this.totals.set(stage, t);
  }
  // Runs f and counts its time under stage.
  async time<T>(stage: string, f: () => Promise<T> | T, into?: Spent): Promise<T> {
    const start = performance.now();
    try {
      return await f();
    } finally {
      const ms = performance.now() - start;
      if (into) into[stage] = (into[stage] ?? 0) + ms;
      else this.add(stage, ms);
    }
  }
  merge(spent: Spent | undefined, prefix: string) {
    for (const [stage, ms] of Object.entries(spent ?? {})) this.add(prefix + stage, ms);
  }
  table(): Record<string, { n: number; ms: number }> {
    return Object.fromEntries([...this.totals].map(([k, v]) => [k, { n: v.n, ms: Math.round(v.ms) }]));
  }
  clear() {
    this.totals.clear();
  }
}

export const timing = new Timing();
