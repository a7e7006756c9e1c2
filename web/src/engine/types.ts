import type { EngineInfo, Skip } from "../protocol";

export interface Pixels {
  rgba: Uint8ClampedArray;
  width: number;
  height: number;
}

export type Result<T> = { ok: T } | { skip: Skip };

// What a worker needs from an engine: the real WebAssembly one or the stand-in. A skip whose
// reason begins with "failed-" stops a batch, as the command's failures do.
export interface Engine {
  info(): EngineInfo;
  // The list's cell as the window draws it: the turned picture above a strip for its name.
  thumbnail(bytes: Uint8Array, name: string, angle: number, width: number, height: number): Promise<Result<Pixels>>;
  preview(bytes: Uint8Array, name: string, angle: number, ini: string, width: number, height: number, prompt: string): Promise<Result<Pixels>>;
  // The file, and a sliced picture's further files in order.
  // number: the picture's place in the list (1 = first), which a name pattern's {n} shows.
  process(bytes: Uint8Array, name: string, angle: number, number: number, ini: string): Promise<Result<{ bytes: Uint8Array; name: string; more?: { bytes: Uint8Array; name: string }[] }>>;
  gifStart(ini: string): void;
  gifFrame(bytes: Uint8Array, name: string, angle: number): Promise<Skip | undefined>;
  gifFinish(): Result<Uint8Array> & { skips: { index: number; reason: string }[] };
  addFile(name: string, bytes: Uint8Array): string;
  addFont(bytes: Uint8Array): Promise<boolean>;
  // Takes the settings and fetches what they will draw with (the font), so the first picture
  // of a run does not wait for it.
  prepare(ini: string): Promise<void>;
}
