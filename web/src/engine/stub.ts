// A stand-in engine on the browser's own decoders, for working on the page without the
// WebAssembly build. Its pictures are not Pixmira's: only the real engine's bytes count.
import type { EngineInfo } from "../protocol";
import type { Engine, Pixels, Result } from "./types";
import { commandSchema } from "./schema";

async function decode(bytes: Uint8Array, angle: number, maxW: number, maxH: number): Promise<Result<Pixels>> {
  let bmp: ImageBitmap;
  try {
    bmp = await createImageBitmap(new Blob([bytes as BlobPart]));
  } catch {
    return { skip: { reason: "unreadable" } };
  }
  const turned = angle % 180 !== 0;
  const sw = turned ? bmp.height : bmp.width;
  const sh = turned ? bmp.width : bmp.height;
  const scale = Math.min(1, maxW / sw, maxH / sh);
  const w = Math.max(1, Math.round(sw * scale));
  const h = Math.max(1, Math.round(sh * scale));
  const canvas = new OffscreenCanvas(w, h);
  const g = canvas.getContext("2d")!;
  g.fillStyle = "#fff";
  g.fillRect(0, 0, w, h);
  g.translate(w / 2, h / 2);
  g.rotate((-angle * Math.PI) / 180);
  const dw = (turned ? h : w), dh = (turned ? w : h);
  g.drawImage(bmp, -dw / 2, -dh / 2, dw, dh);
  bmp.close();
  return { ok: { rgba: g.getImageData(0, 0, w, h).data, width: w, height: h } };
}

export function makeStubEngine(): Engine {
  let frames = 0;
  return {
    info(): EngineInfo {
      return {
        version: "stub",
        kind: "stub",
        flavour: "stub",
        threads: 1,
        extensions: [".jpg", ".jpeg", ".kvi", ".bmp", ".png", ".gif", ".webp", ".heic", ".heif"],
        folderExtensions: [".jpg", ".bmp", ".png", ".webp", ".heic", ".heif"],
        schema: commandSchema(),
        frames: [],
      };
    },
    thumbnail: (bytes, _name, angle, width, height) => decode(bytes, angle, width, height - 25),
    preview: (bytes, _name, angle, _ini, width, height) => decode(bytes, angle, width, height),
    async process(bytes, name, angle) {
      const r = await decode(bytes, angle, 700, 100000);
      if ("skip" in r) return r;
      const c = new OffscreenCanvas(r.ok.width, r.ok.height);
      c.getContext("2d")!.putImageData(new ImageData(r.ok.rgba as ImageDataArray, r.ok.width, r.ok.height), 0, 0);
      const blob = await c.convertToBlob({ type: "image/jpeg", quality: 0.9 });
      return { ok: { bytes: new Uint8Array(await blob.arrayBuffer()), name: name.replace(/\.[^.]*$/, "") + ".jpg" } };
    },
    gifStart() {
      frames = 0;
    },
    async gifFrame(bytes) {
      const r = await decode(bytes, 0, 16, 16);
      if ("skip" in r) return r.skip;
      frames++;
      return undefined;
    },
    gifFinish() {
      if (frames === 0) return { skip: { reason: "no-frames" }, skips: [] };
      // GIF89a header of a 1 x 1 picture: enough for the page's own flow.
      return { skips: [], ok: new Uint8Array([71, 73, 70, 56, 57, 97, 1, 0, 1, 0, 0, 0, 0, 44, 0, 0, 0, 0, 1, 0, 1, 0, 0, 2, 2, 68, 1, 0, 59]) };
    },
    addFile: (name) => `/user/${name}`,
    addFont: async () => true,
    prepare: async () => {},
  };
}
