// The picture list as a grid of thumbnails. Only the rows in sight have elements, so a list of
// thousands scrolls as smoothly as a short one.
import { tr } from "./i18n";
import type { Entry, PictureList } from "./list";

export interface Thumb {
  bitmap?: ImageBitmap;
  failed?: boolean;
  angle: number; // the turn it was made at
}

// The window's thumbnail cell, its name in the strip at the bottom.
export const THUMB_W = 124;
export const THUMB_H = 147;
const CELL_W = THUMB_W + 12;
const CELL_H = THUMB_H + 12;
const MOVE_TYPE = "application/x-pixmira-move";

export class Grid {
  readonly element: HTMLDivElement;
  private spacer: HTMLDivElement;
  private marker: HTMLDivElement;
  private cells = new Map<number, HTMLDivElement>(); // entry id -> cell in sight
  private columns = 1;
  private offset = 0; // the columns are centred in the grid
  private dropIndex = -1;
  onVisible: (entries: Entry[]) => void = () => {};
  onFiles: (data: DataTransfer) => void = () => {};

  constructor(private list: PictureList, private thumbs: Map<number, Thumb>) {
    this.element = document.createElement("div");
    this.element.className = "grid";
    this.element.tabIndex = 0;
    this.element.setAttribute("role", "listbox");
    this.element.setAttribute("aria-multiselectable", "true");
    this.element.setAttribute("aria-label", tr("添加图片"));
    this.spacer = document.createElement("div");
    this.spacer.className = "grid-spacer";
    this.marker = document.createElement("div");
    this.marker.className = "drop-marker";
    this.element.append(this.spacer, this.marker);
    this.element.addEventListener("scroll", () => this.render());
    new ResizeObserver(() => this.render()).observe(this.element);
    this.element.addEventListener("keydown", (e) => this.key(e));
    this.element.addEventListener("dragover", (e) => this.dragOver(e));
    this.element.addEventListener("dragleave", () => this.showMarker(-1));
    this.element.addEventListener("drop", (e) => this.drop(e));
    list.onChange(() => this.render(true));
  }

  private indexAt(x: number, y: number): number {
    const r = this.element.getBoundingClientRect();
    const col = Math.min(this.columns, Math.max(0, Math.round((x - r.left - this.offset) / CELL_W)));
    const row = Math.max(0, Math.floor((y - r.top + this.element.scrollTop) / CELL_H));
    return Math.min(this.list.entries.length, row * this.columns + col);
  }

  private showMarker(index: number) {
    this.dropIndex = index;
    if (index < 0) {
      this.marker.style.display = "none";
      return;
    }
    const row = Math.floor(index / this.columns), col = index % this.columns;
    const atEnd = col === 0 && index > 0 && index === this.list.entries.length;
    this.marker.style.display = "block";
    this.marker.style.left = `${this.offset + (atEnd ? this.columns : col) * CELL_W}px`;
    this.marker.style.top = `${(atEnd ? row - 1 : row) * CELL_H}px`;
  }

  private dragOver(e: DragEvent) {
    e.preventDefault();
    const internal = e.dataTransfer?.types.includes(MOVE_TYPE);
    if (e.dataTransfer) e.dataTransfer.dropEffect = internal ? "move" : "copy";
    this.showMarker(internal ? this.indexAt(e.clientX, e.clientY) : -1);
  }

  private drop(e: DragEvent) {
    e.preventDefault();
    const index = this.dropIndex;
    this.showMarker(-1);
    if (!e.dataTransfer) return;
    if (e.dataTransfer.types.includes(MOVE_TYPE)) this.list.move(new Set(this.list.selected), index);
    else this.onFiles(e.dataTransfer);
  }

  private key(e: KeyboardEvent) {
    const l = this.list, n = l.entries.length;
    const ctrl = e.ctrlKey || e.metaKey;
    const k = e.key.toLowerCase();
    if (ctrl && k === "z" && !e.shiftKey) l.undo();
    else if (ctrl && (k === "y" || (k === "z" && e.shiftKey))) l.redo();
    else if (ctrl && k === "a") {
      l.entries.forEach((x) => l.selected.add(x.id));
      l.changed();
    } else if (ctrl && k === "l") l.turn(new Set(l.selected), 1);
    else if (ctrl && k === "r") l.turn(new Set(l.selected), -1);
    else if (e.key === "Delete" || e.key === "Backspace") l.remove(new Set(l.selected));
    else if (n > 0 && ["ArrowLeft", "ArrowRight", "ArrowUp", "ArrowDown", "Home", "End"].includes(e.key)) {
      const step = { ArrowLeft: -1, ArrowRight: 1, ArrowUp: -this.columns, ArrowDown: this.columns, Home: -n, End: n }[e.key]!;
      const to = Math.max(0, Math.min(n - 1, (l.focus < 0 ? 0 : l.focus + step)));
      if (ctrl) {
        l.focus = to;
        l.changed();
      } else l.click(to, false, e.shiftKey);
      this.scrollTo(to);
    } else if (e.key === " " && l.focus >= 0) l.click(l.focus, true, false);
    else return;
    e.preventDefault();
  }

  scrollTo(index: number) {
    const top = Math.floor(index / this.columns) * CELL_H;
    if (top < this.element.scrollTop) this.element.scrollTop = top;
    else if (top + CELL_H > this.element.scrollTop + this.element.clientHeight) this.element.scrollTop = top + CELL_H - this.element.clientHeight;
  }

  thumbChanged(id: number) {
    const cell = this.cells.get(id);
    const entry = this.list.entries.find((e) => e.id === id);
    if (cell && entry) this.paint(cell, entry);
  }

  render(rebuild = false) {
    const l = this.list;
    this.columns = Math.max(1, Math.floor(this.element.clientWidth / CELL_W));
    this.offset = Math.max(0, Math.floor((this.element.clientWidth - this.columns * CELL_W) / 2));
    const rows = Math.ceil(l.entries.length / this.columns);
    this.spacer.style.height = `${rows * CELL_H}px`;
    const first = Math.max(0, Math.floor(this.element.scrollTop / CELL_H) - 1) * this.columns;
    const last = Math.min(l.entries.length, (Math.ceil((this.element.scrollTop + this.element.clientHeight) / CELL_H) + 1) * this.columns);
    const keep = new Set<number>();
    const visible: Entry[] = [];
    for (let i = first; i < last; i++) {
      const entry = l.entries[i];
      keep.add(entry.id);
      visible.push(entry);
      let cell = this.cells.get(entry.id);
      const fresh = !cell;
      if (!cell) {
        cell = this.makeCell(entry);
        this.cells.set(entry.id, cell);
        this.element.append(cell);
      }
      cell.style.transform = `translate(${this.offset + (i % this.columns) * CELL_W}px, ${Math.floor(i / this.columns) * CELL_H}px)`;
      cell.dataset.index = String(i);
      cell.dataset.angle = String(entry.angle);
      const sel = l.selected.has(entry.id);
      cell.classList.toggle("selected", sel);
      cell.classList.toggle("focused", i === l.focus);
      cell.setAttribute("aria-selected", String(sel));
      if (fresh || rebuild) this.paint(cell, entry);
    }
    for (const [id, cell] of this.cells) {
      if (!keep.has(id)) {
        cell.remove();
        this.cells.delete(id);
      }
    }
    const focused = l.entries[l.focus];
    if (focused) this.element.setAttribute("aria-activedescendant", `entry-${focused.id}`);
    this.onVisible(visible);
  }

  private makeCell(entry: Entry): HTMLDivElement {
    const cell = document.createElement("div");
    cell.className = "cell";
    cell.id = `entry-${entry.id}`;
    cell.setAttribute("role", "option");
    cell.draggable = true;
    const canvas = document.createElement("canvas");
    canvas.width = THUMB_W;
    canvas.height = THUMB_H;
    const caption = document.createElement("div");
    caption.className = "caption";
    caption.textContent = entry.name;
    caption.title = entry.name;
    const bar = document.createElement("div");
    bar.className = "cell-bar";
    const button = (label: string, text: string, act: () => void) => {
      const b = document.createElement("button");
      b.type = "button";
      b.textContent = text;
      b.title = label;
      b.setAttribute("aria-label", label);
      b.tabIndex = -1;
      b.addEventListener("click", (e) => {
        e.stopPropagation();
        act();
      });
      return b;
    };
    // A button acts on the whole selection when its picture belongs to it.
    const targets = () => (this.list.selected.has(entry.id) ? new Set(this.list.selected) : new Set([entry.id]));
    bar.append(
      button(tr("逆时针旋转图片"), "⟲", () => this.list.turn(targets(), 1)),
      button(tr("顺时针旋转图片"), "⟳", () => this.list.turn(targets(), -1)),
      button(tr("从列表中移除图片"), "✕", () => this.list.remove(targets())),
    );
    cell.append(canvas, caption, bar);
    cell.addEventListener("click", (e) => {
      this.list.click(Number(cell.dataset.index), e.ctrlKey || e.metaKey, e.shiftKey);
      this.element.focus({ preventScroll: true });
    });
    cell.addEventListener("dragstart", (e) => {
      if (!this.list.selected.has(entry.id)) this.list.click(Number(cell.dataset.index), false, false);
      e.dataTransfer?.setData(MOVE_TYPE, "1");
      if (e.dataTransfer) e.dataTransfer.effectAllowed = "move";
    });
    return cell;
  }

  private paint(cell: HTMLDivElement, entry: Entry) {
    const canvas = cell.querySelector("canvas")!;
    const g = canvas.getContext("2d")!;
    g.setTransform(1, 0, 0, 1, 0, 0);
    g.clearRect(0, 0, THUMB_W, THUMB_H);
    const t = this.thumbs.get(entry.id);
    cell.classList.toggle("failed", !!t?.failed);
    cell.classList.toggle("loading", !t);
    if (t?.failed) {
      g.fillStyle = "#666";
      g.font = "13px sans-serif";
      g.textAlign = "center";
      g.fillText(tr("图片无法显示"), THUMB_W / 2, THUMB_H / 2);
      return;
    }
    if (!t?.bitmap) return;
    // Until the cell at the new turn comes, the old one is shown turned.
    const turn = (((entry.angle - t.angle) % 360) + 360) % 360;
    g.translate(THUMB_W / 2, THUMB_H / 2);
    g.rotate((-turn * Math.PI) / 180);
    const s = turn % 180 ? Math.min(THUMB_W / t.bitmap.height, THUMB_H / t.bitmap.width) : 1;
    g.drawImage(t.bitmap, (-t.bitmap.width * s) / 2, (-t.bitmap.height * s) / 2, t.bitmap.width * s, t.bitmap.height * s);
  }
}
