// File names as the command makes them, and the add-folder rule.

const utf8 = new TextEncoder();

function lowerAscii(s: string): string {
  return s.replace(/[A-Z]/g, (c) => c.toLowerCase());
}

// Letter case ignored (ASCII), then byte order, as a file manager lists them.
export function compareNames(a: string, b: string): number {
  const la = lowerAscii(a), lb = lowerAscii(b);
  if (la !== lb) return compareBytes(la, lb);
  return compareBytes(a, b);
}

function compareBytes(a: string, b: string): number {
  const x = utf8.encode(a), y = utf8.encode(b);
  const n = Math.min(x.length, y.length);
  for (let i = 0; i < n; i++) if (x[i] !== y[i]) return x[i] - y[i];
  return x.length - y.length;
}

// Lower-case extension with its dot, or "".
export function extensionOf(name: string): string {
  const base = name.slice(name.lastIndexOf("/") + 1);
  const dot = base.lastIndexOf(".");
  return dot < 0 ? "" : lowerAscii(base.slice(dot));
}

export function nameWithoutExt(name: string): string {
  const base = name.slice(name.lastIndexOf("/") + 1);
  const dot = base.lastIndexOf(".");
  return dot < 0 ? base : base.slice(0, dot);
}

// A folder's pictures in the order the desktop program adds them: each extension a folder
// scan takes, in its turn, names sorted; then the subfolders the same way. Hidden subfolders
// are not searched. `paths` are relative paths ("top/sub/a.jpg") of every file picked.
export function folderOrder<T>(items: { path: string; item: T }[], folderExtensions: string[]): T[] {
  interface Node { files: { name: string; item: T }[]; subs: Map<string, Node> }
  const root: Node = { files: [], subs: new Map() };
  for (const it of items) {
    const parts = it.path.split("/").filter((p) => p !== "");
    let node = root;
    let hidden = false;
    for (let i = 0; i < parts.length - 1; i++) {
      if (i > 0 && parts[i].startsWith(".")) hidden = true;
      let next = node.subs.get(parts[i]);
      if (!next) node.subs.set(parts[i], (next = { files: [], subs: new Map() }));
      node = next;
    }
    if (!hidden) node.files.push({ name: parts[parts.length - 1], item: it.item });
  }
  const out: T[] = [];
  const walk = (node: Node) => {
    const files = [...node.files].sort((a, b) => compareNames(a.name, b.name));
    for (const ext of folderExtensions) for (const f of files) if (extensionOf(f.name) === ext) out.push(f.item);
    for (const name of [...node.subs.keys()].sort(compareNames)) walk(node.subs.get(name)!);
  };
  // A pick of one folder has that folder as its only top entry; the hidden rule applies below it.
  walk(root);
  return out;
}

// The name itself when free, else base + 2, 3, ... + extension, as the command names files.
export async function uniqueName(wanted: string, taken: (name: string) => Promise<boolean> | boolean): Promise<string> {
  if (!(await taken(wanted))) return wanted;
  const dot = wanted.lastIndexOf(".");
  let base = dot < 0 ? wanted : wanted.slice(0, dot);
  let ext = dot < 0 ? "" : wanted.slice(dot);
  if (utf8.encode(ext).length > 16) {
    base += ext;
    ext = "";
  }
  for (let n = 2; ; n++) {
    const candidate = base + n + ext;
    if (!(await taken(candidate))) return candidate;
  }
}

// pixmira-YYYYMMDD-HHMMSS in local time.
export function stampedName(now: Date, ext: string): string {
  const p = (n: number) => String(n).padStart(2, "0");
  return `pixmira-${now.getFullYear()}${p(now.getMonth() + 1)}${p(now.getDate())}-${p(now.getHours())}${p(now.getMinutes())}${p(now.getSeconds())}${ext}`;
}
