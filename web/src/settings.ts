// The page's settings: the [General] keys of a Config.ini, kept in the browser. The engine
// gets the same text that "导出设置" writes, so a file exported here gives the command the
// same pictures.
import type { SettingCondition, SettingRow } from "./protocol";

const STORAGE_KEY = "pixmira.settings";

// Config.ini text as UTF-8 or, where it is not valid UTF-8, GBK (as the desktop program reads).
export function decodeIni(bytes: Uint8Array): string {
  let b = bytes;
  if (b.length >= 3 && b[0] === 0xef && b[1] === 0xbb && b[2] === 0xbf) b = b.subarray(3);
  try {
    return new TextDecoder("utf-8", { fatal: true }).decode(b);
  } catch {
    return new TextDecoder("gbk").decode(b);
  }
}

// The [General] section's keys (case kept as written, looked up ignoring case). Other
// sections are not the page's.
export function parseIni(text: string): Map<string, string> {
  const out = new Map<string, string>();
  let general = false;
  for (const raw of text.split(/\r\n|\r|\n/)) {
    const line = raw.trim();
    if (line === "" || line.startsWith(";")) continue;
    if (line.startsWith("[") && line.endsWith("]")) {
      general = line.slice(1, -1).trim().toLowerCase() === "general";
      continue;
    }
    if (!general) continue;
    const eq = raw.indexOf("=");
    if (eq < 0) continue;
    const key = raw.slice(0, eq).trim();
    if (key === "") continue;
    for (const k of out.keys()) if (k.toLowerCase() === key.toLowerCase()) out.delete(k);
    out.set(key, raw.slice(eq + 1));
  }
  return out;
}

export function writeIni(values: Map<string, string>): string {
  let s = "[General]\r\n";
  for (const [k, v] of values) s += `${k}=${v}\r\n`;
  return s;
}

export class SettingsStore {
  private values = new Map<string, string>();
  // Values a control shows without the key holding them (a list showing its first item).
  private shown = new Map<string, string>();
  private listeners: (() => void)[] = [];
  constructor(private schema: SettingRow[]) {
    try {
      const saved = localStorage.getItem(STORAGE_KEY);
      if (saved) this.values = parseIni(saved);
    } catch {
      // storage refused (private mode): the settings last as long as the page
    }
  }

  row(key: string): SettingRow | undefined {
    const k = key.toLowerCase();
    return this.schema.find((r) => r.key.toLowerCase() === k);
  }

  // What the window shows for the key: its value, else the window's default.
  get(key: string): string {
    const k = key.toLowerCase();
    for (const [name, v] of this.values) if (name.toLowerCase() === k) return v;
    const r = this.row(key);
    return r ? (r.defaults.main ?? r.defaults.dialog ?? r.defaults.pipeline ?? r.defaults.export ?? "") : "";
  }

  getNumber(key: string): number {
    const n = parseInt(this.get(key), 10);
    return Number.isNaN(n) ? 0 : n;
  }

  set(key: string, value: string) {
    const r = this.row(key);
    const name = r?.key ?? key;
    for (const k of [...this.values.keys()]) if (k.toLowerCase() === name.toLowerCase()) this.values.delete(k);
    this.values.set(name, value);
    this.save();
  }

  replaceAll(values: Map<string, string>) {
    this.values = new Map(values);
    this.save();
  }

  counts(row: SettingRow): boolean {
    return (row.when ?? []).every((c: SettingCondition) => {
      const held = c.values.includes(this.getNumber(c.key));
      return c.negate ? !held : held;
    });
  }

  // The Config.ini the engine reads and "导出设置" writes. A key the page shows with a value
  // that the export would not read when the key is missing (the window and the export have
  // different defaults) is written out, so what is seen is what is made.
  iniText(): string {
    const out = new Map(this.values);
    for (const r of this.schema) {
      const shown = r.defaults.main ?? r.defaults.dialog;
      const read = r.defaults.export ?? r.defaults.pipeline;
      if (shown != null && read != null && shown !== read && ![...out.keys()].some((k) => k.toLowerCase() === r.key.toLowerCase())) out.set(r.key, shown);
    }
    for (const [key, value] of this.shown) {
      for (const k of [...out.keys()]) if (k.toLowerCase() === key.toLowerCase()) out.delete(k);
      out.set(key, value);
    }
    return writeIni(out);
  }

  // The control shows `value` although the key holds something else (or nothing); what is
  // shown is what the engine gets. undefined: the control shows the key's own value.
  setShown(key: string, value: string | undefined) {
    if (value === undefined) this.shown.delete(key);
    else this.shown.set(key, value);
  }

  onChange(f: () => void) {
    this.listeners.push(f);
  }

  private save() {
    try {
      localStorage.setItem(STORAGE_KEY, writeIni(this.values));
    } catch {
      // see the constructor
    }
    for (const f of this.listeners) f();
  }
}
