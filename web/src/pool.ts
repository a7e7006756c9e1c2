// Engine workers: requests go to the worker with the fewest in hand; each answers in order.
import type { EngineInfo, Envelope, Reply, Request } from "./protocol";
import { timing } from "./timing";

class EngineWorker {
  private worker: Worker;
  private pending = new Map<number, (r: Reply) => void>();
  private sent = new Map<number, { op: string; at: number }>();
  private nextId = 1;
  constructor(threaded: boolean) {
    // The options must stay literal for the bundler to find the worker.
    this.worker = threaded
      ? new Worker(new URL("./worker.ts", import.meta.url), { type: "module", name: "threaded" })
      : new Worker(new URL("./worker.ts", import.meta.url), { type: "module" });
    this.worker.onmessage = (e: MessageEvent<Envelope<Reply>>) => {
      const done = this.pending.get(e.data.id);
      this.pending.delete(e.data.id);
      const sent = this.sent.get(e.data.id);
      this.sent.delete(e.data.id);
      if (sent) timing.add(`call-${sent.op}`, performance.now() - sent.at);
      timing.merge(e.data.spent, "worker-");
      done?.(e.data.body);
    };
    this.worker.onerror = (e) => {
      // A worker that failed to start answers every request with an error.
      for (const done of this.pending.values()) done({ op: "error", code: "engine", detail: e.message });
      this.pending.clear();
      this.sent.clear();
    };
  }
  get busy() {
    return this.pending.size;
  }
  call(req: Request, transfer: Transferable[] = []): Promise<Reply> {
    const id = this.nextId++;
    return new Promise((resolve) => {
      this.pending.set(id, resolve);
      this.sent.set(id, { op: req.op, at: performance.now() });
      const sentAt = performance.timeOrigin + performance.now();
      this.worker.postMessage({ id, body: req, sentAt } satisfies Envelope<Request>, transfer);
    });
  }
}

// Each worker has an engine of its own; one threaded engine starts a worker per thread with
// it, all kept for the page's life. So only the first worker asks for threads, for the one
// job that uses them: an animated GIF, whose pictures and frames are made in parallel when
// it is finished (export.ts gives it to worker 0). Pictures and thumbnails go to every
// worker, one per call, and gain nothing from threads.
export class EnginePool {
  private workers: EngineWorker[];
  constructor(count: number, { threadedFirst = false } = {}) {
    this.workers = Array.from({ length: Math.max(1, count) }, (_, i) => new EngineWorker(threadedFirst && i === 0));
  }
  get size() {
    return this.workers.length;
  }
  worker(i: number): EngineWorker {
    return this.workers[i % this.workers.length];
  }
  leastBusy(): EngineWorker {
    return this.workers.reduce((a, b) => (b.busy < a.busy ? b : a));
  }
  // Every worker gets the request (fonts and watermark pictures each engine needs).
  broadcast(make: () => [Request, Transferable[]]): Promise<Reply[]> {
    return Promise.all(this.workers.map((w) => w.call(...make())));
  }
  // The first worker's engine (the threaded one where there is one).
  async info(): Promise<EngineInfo> {
    const r = await this.workers[0].call({ op: "info" });
    if (r.op !== "info") throw new Error(r.op === "error" ? r.detail ?? r.code : "no engine");
    return r.info;
  }
}

export type { EngineWorker };
