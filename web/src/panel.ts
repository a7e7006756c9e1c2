// The effects panel, built from the settings schema: a section per effect group, a control
// per key, shown or greyed by the key's conditions. Every change is stored at once.
import { tr, isEnglish, hasTranslation } from "./i18n";
import type { SettingRow } from "./protocol";
import type { SettingsStore } from "./settings";
import { colourToHex, hexToColour } from "./colour";

const GROUPS = ["size", "edge", "watermark", "output"];
// Line breaks of the watermark text are stored as character code 3.
const LINE_BREAK = "\x03";

function words(source: string | undefined, english: string | undefined): string {
  if (!source) return english && isEnglish ? english : "";
  if (isEnglish && !hasTranslation(source) && english) return english;
  return tr(source);
}

export interface PanelHooks {
  frames: string[];
  // Extra controls beside a key's own (choosing a file the key names).
  decorate?: (row: SettingRow, field: HTMLElement, commit: (value: string) => void) => void;
  // Live changes (a slider moving) as well as committed ones.
  onLive: () => void;
}

export function buildPanel(schema: SettingRow[], store: SettingsStore, hooks: PanelHooks): HTMLElement {
  const root = document.createElement("div");
  root.className = "panel";
  const updaters: (() => void)[] = [];
  let idCount = 0;

  for (const group of GROUPS) {
    const rows = schema.filter((r) => r.group === group && !r.key.startsWith("Window"));
    if (rows.length === 0) continue;
    const section = document.createElement("fieldset");
    section.className = `effect effect-${group}`;
    section.dataset.group = group;
    root.append(section);
    rows.forEach((row, i) => {
      const id = `set-${row.key}-${idCount++}`;
      const field = document.createElement("div");
      field.className = i === 0 && row.type === "bool" ? "field master" : "field";
      field.dataset.field = row.key;
      const label = document.createElement("label");
      label.htmlFor = id;
      label.textContent = words(row.caption, row.english) || row.key;
      if (row.tooltip) field.title = words(row.tooltip, undefined);
      let control: HTMLInputElement | HTMLSelectElement | HTMLTextAreaElement;
      let read: () => void;
      const commit = (v: string) => {
        if (v !== store.get(row.key)) store.set(row.key, v);
        if (row.key === "GifSpeed") store.set("GifSeconds", ["0.50", "1.00", "2.00"][+v] ?? store.get("GifSeconds"));
        hooks.onLive();
      };
      if (row.type === "bool") {
        const box = document.createElement("input");
        box.type = "checkbox";
        box.addEventListener("change", () => commit(box.checked ? "1" : "0"));
        read = () => (box.checked = store.getNumber(row.key) !== 0);
        control = box;
        field.append(box, label);
      } else if (row.type === "choice" && (row.choices ?? []).some((c) => words(c.caption, c.english).length > 16)) {
        // Long choices are a group of round buttons, so no words are cut off on a phone.
        const box = document.createElement("div");
        box.className = "choices";
        box.setAttribute("role", "radiogroup");
        box.setAttribute("aria-labelledby", `${id}-label`);
        label.id = `${id}-label`;
        label.removeAttribute("for");
        const radios = (row.choices ?? []).map((c) => {
          const r = document.createElement("input");
          r.type = "radio";
          r.name = id;
          r.value = String(c.value);
          r.id = `${id}-${c.value}`;
          r.addEventListener("change", () => r.checked && commit(r.value));
          const l = document.createElement("label");
          l.htmlFor = r.id;
          l.textContent = words(c.caption, c.english);
          const line = document.createElement("div");
          line.append(r, l);
          box.append(line);
          return r;
        });
        read = () => radios.forEach((r) => (r.checked = r.value === store.get(row.key)));
        // The group answers for its state; the first button carries the key.
        control = radios[0];
        box.dataset.key = row.key;
        field.append(label, box);
      } else if (row.type === "choice" || (row.key === "FrameName" && hooks.frames.length)) {
        const sel = document.createElement("select");
        const options = row.key === "FrameName" ? hooks.frames.map((f) => ({ value: f, caption: f, english: f })) : (row.choices ?? []).map((c) => ({ ...c, value: String(c.value) }));
        for (const c of options) {
          const o = document.createElement("option");
          o.value = c.value;
          o.textContent = words(c.caption, c.english);
          sel.append(o);
        }
        sel.addEventListener("change", () => commit(sel.value));
        read = () => {
          sel.value = store.get(row.key);
          // A frame name the catalogue lacks shows the first frame, as the window does; that
          // frame is then the one made, not none.
          if (row.key === "FrameName") {
            const known = hooks.frames.some((f) => f.toLowerCase() === store.get(row.key).toLowerCase());
            if (!known) sel.selectedIndex = 0;
            else sel.value = hooks.frames.find((f) => f.toLowerCase() === store.get(row.key).toLowerCase())!;
            store.setShown(row.key, known ? undefined : sel.value);
          }
        };
        control = sel;
        field.append(label, sel);
      } else if (row.type === "int") {
        const num = document.createElement("input");
        num.type = "number";
        num.step = "1";
        if (row.minimum != null) num.min = String(row.minimum);
        if (row.maximum != null) num.max = String(row.maximum);
        const valid = (v: string) => /^-?\d+$/.test(v) && (row.minimum == null || +v >= row.minimum) && (row.maximum == null || +v <= row.maximum);
        num.addEventListener("input", () => {
          num.setAttribute("aria-invalid", String(!valid(num.value)));
          if (valid(num.value)) commit(num.value);
        });
        field.append(label, num);
        control = num;
        // A short range gets a slider, moving the preview as it goes.
        if (row.minimum != null && row.maximum != null && row.maximum - row.minimum <= 1000) {
          const slider = document.createElement("input");
          slider.type = "range";
          slider.min = String(row.minimum);
          slider.max = String(row.maximum);
          slider.setAttribute("aria-label", label.textContent ?? row.key);
          slider.addEventListener("input", () => {
            num.value = slider.value;
            commit(slider.value);
          });
          num.addEventListener("input", () => (slider.value = num.value));
          field.append(slider);
          read = () => (num.value = slider.value = store.get(row.key));
        } else read = () => (num.value = store.get(row.key));
      } else if (row.type === "colour") {
        const c = document.createElement("input");
        c.type = "color";
        c.addEventListener("input", () => commit(hexToColour(c.value)));
        read = () => (c.value = colourToHex(store.get(row.key)));
        control = c;
        field.append(label, c);
      } else if (row.key === "WatermarkText") {
        const t = document.createElement("textarea");
        t.rows = 2;
        t.placeholder = tr("请在此输入水印文字");
        t.addEventListener("input", () => commit(t.value.replace(/\r?\n/g, LINE_BREAK)));
        read = () => (t.value = store.get(row.key).split(LINE_BREAK).join("\n"));
        control = t;
        field.append(label, t);
      } else {
        const t = document.createElement("input");
        t.type = "text";
        if (row.type === "decimal") {
          t.inputMode = "decimal";
          t.pattern = "\\d*\\.?\\d*";
        }
        t.addEventListener("input", () => commit(t.value));
        read = () => (t.value = store.get(row.key));
        control = t;
        field.append(label, t);
      }
      if (control.type !== "radio") control.id = id;
      control.dataset.key = row.key;
      hooks.decorate?.(row, field, commit);
      section.append(field);
      updaters.push(() => {
        if (document.activeElement !== control) read();
        // A condition on a list picks a sub-panel: hidden; on a box: greyed.
        const failed = (row.when ?? []).filter((c) => {
          const held = c.values.includes(store.getNumber(c.key));
          return c.negate ? held : !held;
        });
        const hide = failed.some((c) => store.row(c.key)?.type === "choice");
        field.hidden = hide;
        control.disabled = !hide && failed.length > 0;
        field.classList.toggle("disabled", control.disabled);
        for (const s of field.querySelectorAll("input[type=range], input[type=radio]")) (s as HTMLInputElement).disabled = control.disabled;
      });
    });
  }
  const update = () => updaters.forEach((u) => u());
  store.onChange(update);
  update();
  return root;
}
