// The WebAssembly engine (scripts/build-web puts it under engine/ beside the page): the
// threaded build for a worker that wants threads where the page is cross-origin isolated,
// else the single-threaded one.
import type { EngineInfo, SettingRow } from "../protocol";
import type { Engine, Pixels, Result } from "./types";
import { normaliseSchema } from "./schema";
import { timing } from "../timing";

interface Outcome {
  code: string;
  bytes?: Uint8Array;
  name?: string;
  more?: { name: string; bytes: Uint8Array }[];
  badKey?: string;
  badValue?: string;
}
interface WasmEngine {
  frameNames(): string[];
  readSettingsText(ini: string): void;
  addFile(name: string, bytes: Uint8Array): string;
  addFont(bytes: Uint8Array): boolean;
  fontWanted(): string | null;
  processAt(bytes: Uint8Array, name: string, angle: number, number: number): Outcome;
  gifBegin(): void;
  gifAdd(bytes: Uint8Array, name: string, angle: number): number;
  gifFinish(): Outcome & { frames: number; skips: { index: number; code: string }[] };
  thumbnail(bytes: Uint8Array, name: string, angle: number, width: number, height: number): Pixels | null;
  preview(bytes: Uint8Array, name: string, angle: number, prompt: string): Pixels | null;
}
interface WasmModule {
  Engine: {
    new (): WasmEngine;
    version(): string;
    schemaJson(): string;
    extensions(): string[];
    folderExtensions(): string[];
    threads(): number;
  };
}

// Folder of the engine files: "engine/" beside the page.
export function engineBase(): string {
  return new URL("../engine/", self.location.href).href;
}

// The flavours to try, best first. Threads need shared memory, which only an isolated page
// has; where both would do, a worker that wants none takes the lighter single-threaded one.
export function flavoursToTry(threaded: boolean, isolated: boolean): ("mt" | "st")[] {
  if (!isolated) return ["st"];
  return threaded ? ["mt", "st"] : ["st", "mt"];
}

export async function loadWasmEngine(threaded: boolean): Promise<Engine | undefined> {
  const base = engineBase();
  let flavour: "mt" | "st" = "st";
  let script = "";
  let response: Response | undefined;
  for (const f of flavoursToTry(threaded, self.crossOriginIsolated)) {
    script = `${base}${f}/pixmira-engine.js`;
    response = await timing.time("startup-fetch", () => fetch(script).catch(() => undefined));
    if (response?.ok) {
      flavour = f;
      break;
    }
  }
  if (!response?.ok) return undefined;
  // The engine's script is a classic one that defines createPixmiraEngine.
  const found = response;
  const text = await timing.time("startup-fetch", () => found.text());
  timing.time("startup-eval", () => (0, eval)(text));
  const create = (self as unknown as { createPixmiraEngine: (o: object) => Promise<WasmModule> }).createPixmiraEngine;
  const module = await timing.time("startup-instantiate", () => create({
    locateFile: (path: string) => `${base}${flavour}/${path}`,
    mainScriptUrlOrBlob: script,
  }));
  const engine = await timing.time("startup-engine", () => new module.Engine());
  let ini: string | undefined;
  let bundledFont: Promise<void> | undefined;
  const frameCount = { n: 0 };
  const gifNames: string[] = [];

  const settings = (text: string) => {
    if (text !== ini) {
      engine.readSettingsText(text);
      ini = text;
    }
  };
  // The CJK font is fetched the first time a text watermark is drawn. It is always the
  // first font the engine gets, so it stays the one for families no font has.
  const loadBundledFont = () =>
    (bundledFont ??= timing.time("font-fetch", () => fetch(`${base}fonts/wqy-zenhei.ttc`))
      .then((r) => (r.ok ? r.arrayBuffer() : undefined))
      .then((b) => void (b && engine.addFont(new Uint8Array(b))))
      .catch(() => undefined));
  const font = async () => {
    if (engine.fontWanted() !== null) await loadBundledFont();
  };
  const pixels = (p: Pixels | null): Result<Pixels> => (p ? { ok: { rgba: p.rgba, width: p.width, height: p.height } } : { skip: { reason: "unreadable" } });
  const schema: SettingRow[] = normaliseSchema(JSON.parse(module.Engine.schemaJson()));

  return {
    info(): EngineInfo {
      return {
        version: module.Engine.version(),
        kind: "wasm",
        flavour,
        threads: module.Engine.threads(),
        extensions: [...module.Engine.extensions()],
        folderExtensions: [...module.Engine.folderExtensions()],
        schema,
        frames: [...engine.frameNames()],
      };
    },
    async thumbnail(bytes, name, angle, width, height) {
      return pixels(engine.thumbnail(bytes, name, angle, width, height));
    },
    async preview(bytes, name, angle, text, _w, _h, prompt) {
      settings(text);
      // The preview fails without any font even where no text is drawn (fontWanted says
      // none), so its worker always has the bundled one.
      await loadBundledFont();
      return pixels(engine.preview(bytes, name, angle, prompt));
    },
    async process(bytes, name, angle, number, text) {
      settings(text);
      await font();
      const o = engine.processAt(bytes, name, angle, number);
      if (o.code === "written" && o.bytes) return { ok: { bytes: o.bytes, name: o.name ?? "", more: o.more } };
      return { skip: { reason: o.code, detail: o.badKey ? `${o.badKey}\x00${o.badValue ?? ""}` : undefined } };
    },
    gifStart(text) {
      settings(text);
      engine.gifBegin();
      frameCount.n = 0;
      gifNames.length = 0;
    },
    async gifFrame(bytes, name, angle) {
      await font();
      engine.gifAdd(bytes, name, angle);
      gifNames.push(name);
      return undefined;
    },
    gifFinish() {
      const o = engine.gifFinish();
      const skips = o.skips.map((s) => ({ index: s.index, reason: s.code }));
      if (o.code === "written" && o.bytes) return { ok: o.bytes, skips };
      return { skip: { reason: o.code }, skips };
    },
    addFile(name, bytes) {
      return engine.addFile(name, bytes);
    },
    async prepare(text) {
      settings(text);
      await font();
    },
    async addFont(bytes) {
      await loadBundledFont();
      return engine.addFont(bytes);
    },
  };
}
