// The messages between the page and an engine worker. The page only sends bytes and settings
// and gets bytes, pixels or reason codes back; every word shown is made on the page.

// A picture the engine could not take, as a code the page words (Pixmira's load reasons).
export interface Skip {
  reason: string; // e.g. "unreadable", "format", "memory"
  detail?: string;
}

export interface SettingChoice {
  value: number;
  caption: string; // Chinese, as the window shows it
  english?: string;
}

// Holds when `key` reads as one of `values` (with negate: as none of them).
export interface SettingCondition {
  key: string;
  values: number[];
  negate?: boolean;
}

// One row of Pixmira's settings schema, as `pixmira-batch --list-settings --json` gives it.
export interface SettingRow {
  key: string;
  type: "bool" | "int" | "choice" | "text" | "colour" | "decimal";
  // The default at each read site; the page is a window, so it shows "main" (or "dialog").
  defaults: { main?: string | null; dialog?: string | null; pipeline?: string | null; export?: string | null };
  minimum?: number;
  maximum?: number;
  emptyAllowed?: boolean;
  choices?: SettingChoice[];
  caption?: string;
  tooltip?: string;
  english?: string;
  group?: string; // "size", "edge", "watermark", "output", "program"
  panel?: string;
  when?: SettingCondition[];
  family?: string;
}

export interface EngineInfo {
  version: string;
  kind: "wasm" | "stub";
  // The WebAssembly build: threaded ("mt") or single-threaded ("st").
  flavour: "mt" | "st" | "stub";
  threads: number;
  // The extensions the engine reads, lower case with the dot, and those a folder scan takes,
  // in the order it takes them.
  extensions: string[];
  folderExtensions: string[];
  schema: SettingRow[];
  frames: string[];
}

// Settings travel as the text of a Config.ini (UTF-8), the same the command reads.
export type Request =
  | { op: "info" }
  | { op: "thumbnail"; bytes: ArrayBuffer; name: string; angle: number; width: number; height: number }
  | { op: "preview"; bytes: ArrayBuffer; name: string; angle: number; ini: string; width: number; height: number; prompt: string }
  | { op: "process"; bytes: ArrayBuffer; name: string; angle: number; number: number; ini: string }
  | { op: "gifStart"; ini: string }
  | { op: "gifFrame"; bytes: ArrayBuffer; name: string; angle: number }
  | { op: "gifFinish" }
  | { op: "addFile"; name: string; bytes: ArrayBuffer } // a watermark picture
  | { op: "addFont"; bytes: ArrayBuffer }
  | { op: "prepare"; ini: string };

export type Reply =
  | { op: "info"; info: EngineInfo }
  | { op: "thumbnail"; bitmap?: ImageBitmap; width: number; height: number; skip?: Skip }
  | { op: "preview"; bitmap?: ImageBitmap; skip?: Skip }
  | { op: "process"; jpeg?: ArrayBuffer; name?: string; more?: { name: string; bytes: ArrayBuffer }[]; skip?: Skip }
  | { op: "gifFrame"; skip?: Skip }
  | { op: "gifFinish"; gif?: ArrayBuffer; skip?: Skip; skips: { index: number; reason: string }[] }
  | { op: "addFile"; path: string }
  | { op: "addFont"; ok: boolean }
  | { op: "ok" }
  | { op: "error"; code: string; detail?: string };

export interface Envelope<T> {
  id: number;
  body: T;
  spent?: Record<string, number>; // a reply's time in the worker, by stage (milliseconds)
  sentAt?: number; // a request's sending, as timeOrigin + now (comparable across threads)
}
