// One engine per worker; requests are answered in the order they come. A worker named
// "threaded" loads the threaded engine where the page allows it (see pool.ts).
import type { Envelope, Reply, Request } from "./protocol";
import type { Engine, Pixels } from "./engine/types";
import { loadEngine } from "./engine/load";

const enginePromise: Promise<Engine> = loadEngine(self.name === "threaded");

async function toBitmap(p: Pixels): Promise<ImageBitmap> {
  return createImageBitmap(new ImageData(p.rgba as ImageDataArray, p.width, p.height));
}

async function handle(req: Request): Promise<[Reply, Transferable[]]> {
  const engine = await enginePromise;
  switch (req.op) {
    case "info":
      return [{ op: "info", info: engine.info() }, []];
    case "thumbnail": {
      const r = await engine.thumbnail(new Uint8Array(req.bytes), req.name, req.angle, req.width, req.height);
      if ("skip" in r) return [{ op: "thumbnail", skip: r.skip, width: 0, height: 0 }, []];
      const bitmap = await toBitmap(r.ok);
      return [{ op: "thumbnail", bitmap, width: r.ok.width, height: r.ok.height }, [bitmap]];
    }
    case "preview": {
      const r = await engine.preview(new Uint8Array(req.bytes), req.name, req.angle, req.ini, req.width, req.height, req.prompt);
      if ("skip" in r) return [{ op: "preview", skip: r.skip }, []];
      const bitmap = await toBitmap(r.ok);
      return [{ op: "preview", bitmap }, [bitmap]];
    }
    case "process": {
      const r = await engine.process(new Uint8Array(req.bytes), req.name, req.angle, req.number, req.ini);
      if ("skip" in r) return [{ op: "process", skip: r.skip }, []];
      const jpeg = r.ok.bytes.slice().buffer;
      const more = (r.ok.more ?? []).map((f) => ({ name: f.name, bytes: f.bytes.slice().buffer }));
      return [{ op: "process", jpeg, name: r.ok.name, more }, [jpeg, ...more.map((f) => f.bytes)]];
    }
    case "gifStart":
      engine.gifStart(req.ini);
      return [{ op: "ok" }, []];
    case "gifFrame":
      return [{ op: "gifFrame", skip: await engine.gifFrame(new Uint8Array(req.bytes), req.name, req.angle) }, []];
    case "gifFinish": {
      const r = engine.gifFinish();
      if ("skip" in r) return [{ op: "gifFinish", skip: r.skip, skips: r.skips }, []];
      const gif = r.ok.slice().buffer;
      return [{ op: "gifFinish", gif, skips: r.skips }, [gif]];
    }
    case "addFile":
      return [{ op: "addFile", path: engine.addFile(req.name, new Uint8Array(req.bytes)) }, []];
    case "addFont":
      return [{ op: "addFont", ok: await engine.addFont(new Uint8Array(req.bytes)) }, []];
  }
}

let queue: Promise<void> = Promise.resolve();
self.onmessage = (e: MessageEvent<Envelope<Request>>) => {
  const { id, body } = e.data;
  queue = queue.then(async () => {
    let reply: Reply;
    let transfer: Transferable[] = [];
    try {
      [reply, transfer] = await handle(body);
    } catch (err) {
      const detail = err instanceof Error ? err.message : String(err);
      reply = { op: "error", code: /memory/i.test(detail) ? "memory" : "engine", detail };
    }
    (self as unknown as Worker).postMessage({ id, body: reply } satisfies Envelope<Reply>, transfer);
  });
};
