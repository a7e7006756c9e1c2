// The WebAssembly engine's interface (see README.md). Copied beside the built engine.

export type OutcomeCode =
  | "written"
  | "unknown-type"
  | "unreadable"
  | "too-large"
  | "damaged"
  | "over-memory-limit"
  | "failed-file"
  | "failed-frame"
  | "failed-setting"
  | "failed-picture"
  | "failed-memory"
  | "failed-other"
  | "no-frames";

export interface Outcome {
  code: OutcomeCode;
  bytes?: Uint8Array; // JPEG or GIF file
  name?: string; // the output file name pixmira-batch would give
  more?: { bytes: Uint8Array; name: string }[]; // a sliced picture's further files, in order
  badKey?: string; // failed-setting
  badValue?: string;
  needed?: number; // over-memory-limit: bytes the picture would take
}

export interface GifOutcome extends Outcome {
  frames: number;
  skips: { index: number; code: OutcomeCode }[];
}

export interface RgbaPicture {
  width: number;
  height: number;
  rgba: Uint8ClampedArray;
}

export interface Engine {
  frameNames(): string[];
  readSettings(ini: Uint8Array): void;
  readSettingsText(ini: string): void;
  setSetting(key: string, value: string): void;
  settingsText(): string;
  addFile(name: string, bytes: Uint8Array): string;
  addFont(bytes: Uint8Array): boolean;
  fontWanted(): string | null;
  process(bytes: Uint8Array, name: string, angle: number): Outcome;
  // The same for the picture at place `number` (1 = first) of the list, which {n} names.
  processAt(bytes: Uint8Array, name: string, angle: number, number: number): Outcome;
  gifBegin(): void;
  gifAdd(bytes: Uint8Array, name: string, angle: number): number;
  gifFinish(): GifOutcome;
  thumbnail(bytes: Uint8Array, name: string, angle: number, width: number, height: number): RgbaPicture | null;
  preview(bytes: Uint8Array, name: string, angle: number, prompt: string): RgbaPicture | null;
  memoryBudget(): number;
  delete(): void;
}

export interface EngineModule {
  Engine: {
    new (): Engine;
    version(): string;
    schemaJson(): string;
    extensions(): string[];
    folderExtensions(): string[];
    threads(): number;
  };
}

export interface EngineOptions {
  locateFile?(path: string, prefix: string): string;
  mainScriptUrlOrBlob?: string | Blob; // threaded flavour
}

declare global {
  function createPixmiraEngine(options?: EngineOptions): Promise<EngineModule>;
}
