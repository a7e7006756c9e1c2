// Generating: every entry through the engine workers in list order, written as JPEG files into
// a folder (never replacing one) or one zip, or as one animated GIF.
import { Zip, ZipPassThrough } from "fflate";
import type { Entry } from "./list";
import type { EnginePool } from "./pool";
import type { Reply, Skip } from "./protocol";
import { nameWithoutExt, uniqueName } from "./names";
import { timing } from "./timing";

export type JpegTarget = { kind: "folder"; dir: FileSystemDirectoryHandle } | { kind: "zip"; name: string };
export type GifTarget = { kind: "file"; handle: FileSystemFileHandle; name: string } | { kind: "download"; name: string };

export interface Progress {
  index: number; // entries handled
  total: number;
  current: string; // the entry being made
  secondsLeft?: number;
}

export interface Outcome {
  written: string[];
  skipped: { name: string; skip: Skip }[];
  cancelled: boolean;
  failure?: Skip; // the run stopped: nothing more was written
  failedName?: string; // the picture or file it stopped at
  download?: { name: string; blob: Blob };
}

export class Cancel {
  cancelled = false;
}

async function bytesOf(entry: Entry): Promise<ArrayBuffer | undefined> {
  try {
    return await timing.time("export-read", () => entry.file.arrayBuffer());
  } catch {
    return undefined; // the file went away or cannot be read since it was added
  }
}

function eta(start: number, done: number, total: number): number | undefined {
  if (done === 0) return undefined;
  return ((performance.now() - start) / 1000 / done) * (total - done);
}

async function exists(dir: FileSystemDirectoryHandle, name: string): Promise<boolean> {
  try {
    await dir.getFileHandle(name);
    return true;
  } catch (e) {
    if ((e as DOMException).name === "NotFoundError") return false;
    return true; // a folder of that name, or one we may not look at: not ours to take
  }
}

export async function exportJpeg(pool: EnginePool, entries: Entry[], ini: string, target: JpegTarget, cancel: Cancel, progress: (p: Progress) => void): Promise<Outcome> {
  const out: Outcome = { written: [], skipped: [], cancelled: false };
  const total = entries.length;
  const start = performance.now();
  const taken = new Set<string>();
  const chunks: Uint8Array[] = [];
  let zipError: Error | undefined;
  const zip = target.kind === "zip" ? new Zip((err, data) => (err ? (zipError = err) : chunks.push(data))) : undefined;

  // Up to two pictures per worker in hand; results are taken in list order.
  const inFlight: Promise<Reply | undefined>[] = [];
  const depth = pool.size * 2;
  let next = 0;
  const launch = () => {
    const number = ++next;
    const entry = entries[number - 1];
    inFlight.push(
      bytesOf(entry).then((bytes) =>
        bytes ? pool.leastBusy().call({ op: "process", bytes, name: entry.name, angle: entry.angle, number, ini }, [bytes]) : undefined,
      ),
    );
  };
  let handled = 0;
  for (let i = 0; i < total; i++) {
    while (!cancel.cancelled && next < total && inFlight.length < depth) launch();
    // After a cancel, what is in hand is finished and kept; nothing new starts.
    if (i >= next) break;
    const entry = entries[i];
    progress({ index: i, total, current: entry.name, secondsLeft: eta(start, i, total) });
    const waited = performance.now();
    const reply = await inFlight.shift()!;
    timing.add("export-wait", performance.now() - waited);
    handled = i + 1;
    if (!reply) {
      out.skipped.push({ name: entry.name, skip: { reason: "unreadable" } });
    } else if (reply.op === "error") {
      out.failure = { reason: reply.code, detail: reply.detail };
      break;
    } else if (reply.op === "process" && reply.skip) {
      if (reply.skip.reason.startsWith("failed-")) {
        out.failure = reply.skip;
        out.failedName = entry.name;
        break;
      }
      out.skipped.push({ name: entry.name, skip: reply.skip });
    } else if (reply.op === "process" && reply.jpeg) {
      // A tall picture cut into slices gives several files; every one is written.
      const files = [{ name: reply.name || nameWithoutExt(entry.name) + ".jpg", bytes: reply.jpeg }, ...(reply.more ?? [])];
      try {
        for (const f of files) {
          if (target.kind === "folder") {
            const name = await uniqueName(f.name, (n) => exists(target.dir, n));
            const handle = await target.dir.getFileHandle(name, { create: true });
            const w = await handle.createWritable();
            await w.write(f.bytes);
            await w.close();
            out.written.push(name);
          } else {
            const name = await uniqueName(f.name, (n) => taken.has(n));
            taken.add(name);
            const file = new ZipPassThrough(name);
            file.mtime = new Date();
            zip!.add(file);
            timing.time("zip-add", () => file.push(new Uint8Array(f.bytes), true));
            out.written.push(name);
          }
        }
      } catch (e) {
        out.failure = { reason: "write", detail: (e as Error).message };
        break;
      }
    }
  }
  await Promise.allSettled(inFlight);
  out.cancelled = cancel.cancelled && handled < total && !out.failure;
  if (zip) {
    zip.end();
    if (zipError) out.failure = { reason: "write", detail: zipError.message };
    else if (out.written.length > 0) out.download = { name: target.kind === "zip" ? target.name : "pixmira.zip", blob: new Blob(chunks as BlobPart[], { type: "application/zip" }) };
  }
  progress({ index: handled, total, current: "", secondsLeft: 0 });
  return out;
}

export async function exportGif(pool: EnginePool, entries: Entry[], ini: string, target: GifTarget, cancel: Cancel, progress: (p: Progress) => void): Promise<Outcome> {
  const out: Outcome = { written: [], skipped: [], cancelled: false };
  const worker = pool.worker(0);
  const total = entries.length;
  const start = performance.now();
  const sent: Entry[] = []; // the frames the engine was given, in its order
  await worker.call({ op: "gifStart", ini });
  for (let i = 0; i < total; i++) {
    if (cancel.cancelled) {
      out.cancelled = true;
      return out; // an animation without its end is no file: nothing is written
    }
    const entry = entries[i];
    progress({ index: i, total, current: entry.name, secondsLeft: eta(start, i, total) });
    const bytes = await bytesOf(entry);
    if (!bytes) {
      out.skipped.push({ name: entry.name, skip: { reason: "unreadable" } });
      continue;
    }
    const r = await worker.call({ op: "gifFrame", bytes, name: entry.name, angle: entry.angle }, [bytes]);
    if (r.op === "error") {
      out.failure = { reason: r.code, detail: r.detail };
      return out;
    }
    if (r.op === "gifFrame" && r.skip) out.skipped.push({ name: entry.name, skip: r.skip });
    else sent.push(entry);
  }
  const r = await worker.call({ op: "gifFinish" });
  if (r.op === "gifFinish") for (const s of r.skips) out.skipped.push({ name: sent[s.index]?.name ?? "", skip: { reason: s.reason } });
  if (r.op === "error" || (r.op === "gifFinish" && r.skip)) {
    out.failure = r.op === "error" ? { reason: r.code, detail: r.detail } : (r as { skip: Skip }).skip;
    return out;
  }
  if (r.op !== "gifFinish" || !r.gif) return out;
  if (target.kind === "file") {
    try {
      const w = await target.handle.createWritable();
      await w.write(r.gif);
      await w.close();
    } catch (e) {
      out.failure = { reason: "write", detail: (e as Error).message };
      return out;
    }
  } else out.download = { name: target.name, blob: new Blob([r.gif], { type: "image/gif" }) };
  out.written.push(target.name);
  progress({ index: total, total, current: "", secondsLeft: 0 });
  return out;
}
