// The picture list: entries in export order, the selection, and undo/redo of every change.

export interface Entry {
  id: number;
  file: File;
  name: string;
  angle: number; // 0, 90, 180, 270 counter-clockwise, as the window keeps it
}

interface Snapshot {
  entries: Entry[];
  angles: number[];
}

const UNDO_DEPTH = 100;

export class PictureList {
  entries: Entry[] = [];
  selected = new Set<number>(); // entry ids
  anchor = -1; // index where a Shift selection starts
  focus = -1; // index with the keyboard focus
  private undoStack: Snapshot[] = [];
  private redoStack: Snapshot[] = [];
  private nextId = 1;
  private listeners: (() => void)[] = [];

  onChange(f: () => void) {
    this.listeners.push(f);
  }
  changed() {
    for (const f of this.listeners) f();
  }

  private snapshot(): Snapshot {
    return { entries: [...this.entries], angles: this.entries.map((e) => e.angle) };
  }
  private restore(s: Snapshot) {
    this.entries = s.entries;
    s.entries.forEach((e, i) => (e.angle = s.angles[i]));
    const ids = new Set(this.entries.map((e) => e.id));
    for (const id of [...this.selected]) if (!ids.has(id)) this.selected.delete(id);
    this.focus = Math.min(this.focus, this.entries.length - 1);
  }
  private record() {
    this.undoStack.push(this.snapshot());
    if (this.undoStack.length > UNDO_DEPTH) this.undoStack.shift();
    this.redoStack = [];
  }

  get canUndo() {
    return this.undoStack.length > 0;
  }
  get canRedo() {
    return this.redoStack.length > 0;
  }
  undo() {
    const s = this.undoStack.pop();
    if (!s) return;
    this.redoStack.push(this.snapshot());
    this.restore(s);
    this.changed();
  }
  redo() {
    const s = this.redoStack.pop();
    if (!s) return;
    this.undoStack.push(this.snapshot());
    this.restore(s);
    this.changed();
  }

  // Adding is not undone (as in the window); it joins the end.
  add(files: File[]): Entry[] {
    const added = files.map((file) => ({ id: this.nextId++, file, name: file.name, angle: 0 }));
    this.entries.push(...added);
    this.changed();
    return added;
  }

  selectedIndexes(): number[] {
    return this.entries.flatMap((e, i) => (this.selected.has(e.id) ? [i] : []));
  }

  remove(ids: Set<number>) {
    if (![...ids].some((id) => this.entries.some((e) => e.id === id))) return;
    this.record();
    this.entries = this.entries.filter((e) => !ids.has(e.id));
    for (const id of ids) this.selected.delete(id);
    this.focus = Math.min(this.focus, this.entries.length - 1);
    this.changed();
  }

  clear() {
    if (this.entries.length === 0) return;
    this.record();
    this.entries = [];
    this.selected.clear();
    this.focus = this.anchor = -1;
    this.changed();
  }

  // A quarter turn: +90 counter-clockwise (left), -90 clockwise (right).
  turn(ids: Set<number>, quarter: 1 | -1) {
    const hit = this.entries.filter((e) => ids.has(e.id));
    if (hit.length === 0) return;
    this.record();
    for (const e of hit) e.angle = (((e.angle + 90 * quarter) % 360) + 360) % 360;
    this.changed();
  }

  // Moves the entries to stand, in their order, before the entry now at `before` (the
  // length: at the end).
  move(ids: Set<number>, before: number) {
    const moving = this.entries.filter((e) => ids.has(e.id));
    if (moving.length === 0) return;
    const rest: Entry[] = [];
    let at = 0;
    this.entries.forEach((e, i) => {
      if (i === before) at = rest.length;
      if (!ids.has(e.id)) rest.push(e);
    });
    if (before >= this.entries.length) at = rest.length;
    const next = [...rest.slice(0, at), ...moving, ...rest.slice(at)];
    if (next.every((e, i) => e === this.entries[i])) return;
    this.record();
    this.entries = next;
    this.changed();
  }

  // Click selection: plain, with Ctrl (toggle) or with Shift (range from the anchor).
  click(index: number, ctrl: boolean, shift: boolean) {
    const e = this.entries[index];
    if (!e) return;
    if (shift && this.anchor >= 0) {
      if (!ctrl) this.selected.clear();
      const [a, b] = [Math.min(this.anchor, index), Math.max(this.anchor, index)];
      for (let i = a; i <= b; i++) this.selected.add(this.entries[i].id);
    } else if (ctrl) {
      if (this.selected.has(e.id)) this.selected.delete(e.id);
      else this.selected.add(e.id);
      this.anchor = index;
    } else {
      this.selected.clear();
      this.selected.add(e.id);
      this.anchor = index;
    }
    this.focus = index;
    this.changed();
  }
}
