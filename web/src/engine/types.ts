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
  thumbnail(bytes: Uint8Array, name: string, size: number): Promise<Result<Pixels>>;
  preview(bytes: Uint8Array, name: string, angle: number, ini: string, width: number, height: number, prompt: string): Promise<Result<Pixels>>;
  process(bytes: Uint8Array, name: string, angle: number, ini: string): Promise<Result<{ bytes: Uint8Array; name: string }>>;
  gifStart(ini: string): void;
  gifFrame(bytes: Uint8Array, name: string, angle: number): Promise<Skip | undefined>;
  gifFinish(): Result<Uint8Array> & { skips: { index: number; reason: string }[] };
  addFile(name: string, bytes: Uint8Array): string;
  addFont(bytes: Uint8Array): Promise<boolean>;
}
