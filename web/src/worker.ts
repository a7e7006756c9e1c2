// One engine per worker; requests are answered in the order they come. A worker named
// "threaded" loads the threaded engine where the page allows it (see pool.ts).
import type { Envelope, Reply, Request } from "./protocol";
import type { Engine, Pixels } from "./engine/types";
import { loadEngine } from "./engine/load";
import { timing, type Spent } from "./timing";

const enginePromise: Promise<Engine> = timing.time("startup", () => loadEngine(self.name === "threaded"));

async function toBitmap(p: Pixels): Promise<ImageBitmap> {
  return createImageBitmap(new ImageData(p.rgba as ImageDataArray, p.width, p.height));
}

async function handle(req: Request, spent: Spent): Promise<[Reply, Transferable[]]> {
  const engine = await timing.time("engine-wait", () => enginePromise, spent);
  const run = <T>(f: () => Promise<T> | T) => timing.time(`engine-${req.op}`, f, spent);
  const bitmapOf = (p: Pixels) => timing.time("bitmap", () => toBitmap(p), spent);
  switch (req.op) {
    case "info":
      return [{ op: "info", info: engine.info() }, []];
    case "thumbnail": {
      const r = await run(() => engine.thumbnail(new Uint8Array(req.bytes), req.name, req.angle, req.width, req.height));
      if ("skip" in r) return [{ op: "thumbnail", skip: r.skip, width: 0, height: 0 }, []];
      const bitmap = await bitmapOf(r.ok);
      return [{ op: "thumbnail", bitmap, width: r.ok.width, height: r.ok.height }, [bitmap]];
    }
    case "preview": {
      const r = await run(() => engine.preview(new Uint8Array(req.bytes), req.name, req.angle, req.ini, req.width, req.height, req.prompt));
      if ("skip" in r) return [{ op: "preview", skip: r.skip }, []];
      const bitmap = await bitmapOf(r.ok);
      return [{ op: "preview", bitmap }, [bitmap]];
    }
    case "process": {
      const r = await run(() => engine.process(new Uint8Array(req.bytes), req.name, req.angle, req.number, req.ini));
      if ("skip" in r) return [{ op: "process", skip: r.skip }, []];
      const jpeg = r.ok.bytes.slice().buffer;
      const more = (r.ok.more ?? []).map((f) => ({ name: f.name, bytes: f.bytes.slice().buffer }));
      return [{ op: "process", jpeg, name: r.ok.name, more }, [jpeg, ...more.map((f) => f.bytes)]];
    }
    case "gifStart":
      engine.gifStart(req.ini);
      return [{ op: "ok" }, []];
    case "gifFrame":
      return [{ op: "gifFrame", skip: await run(() => engine.gifFrame(new Uint8Array(req.bytes), req.name, req.angle)) }, []];
    case "gifFinish": {
      const r = engine.gifFinish();
      if ("skip" in r) return [{ op: "gifFinish", skip: r.skip, skips: r.skips }, []];
      const gif = r.ok.slice().buffer;
      return [{ op: "gifFinish", gif, skips: r.skips }, [gif]];
    }
    case "addFile":
      return [{ op: "addFile", path: engine.addFile(req.name, new Uint8Array(req.bytes)) }, []];
    case "prepare":
      await run(() => engine.prepare(req.ini));
      return [{ op: "ok" }, []];
    case "addFont":
      return [{ op: "addFont", ok: await engine.addFont(new Uint8Array(req.bytes)) }, []];
  }
}

let queue: Promise<void> = Promise.resolve();
self.onmessage = (e: MessageEvent<Envelope<Request>>) => {
  const { id, body, sentAt } = e.data;
  // A request waits while the engine works on earlier ones: the thread takes no message then.
  const received = sentAt !== undefined ? sentAt - performance.timeOrigin : performance.now();
  queue = queue.then(async () => {
    let reply: Reply;
    let transfer: Transferable[] = [];
    const spent: Spent = { queue: performance.now() - received };
    try {
      [reply, transfer] = await handle(body, spent);
    } catch (err) {
      const detail = err instanceof Error ? err.message : String(err);
      reply = { op: "error", code: /memory/i.test(detail) ? "memory" : "engine", detail };
    }
    // Stages outside any request (start-up, the font) ride home on the next reply.
    for (const [stage, t] of timing.totals) spent[stage] = (spent[stage] ?? 0) + t.ms;
    timing.clear();
    (self as unknown as Worker).postMessage({ id, body: reply, spent } satisfies Envelope<Reply>, transfer);
  });
};
