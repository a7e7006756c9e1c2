import "./style.css";
import { isEnglish, tr, trn } from "./i18n";
import { PictureList, type Entry } from "./list";
import { Grid, THUMB_H, THUMB_W, type Thumb } from "./grid";
import { EnginePool } from "./pool";
import type { EngineInfo, SettingRow, Skip } from "./protocol";
import { keepFile, keptFiles, type KeptFile } from "./files";
import { SettingsStore, decodeIni, parseIni } from "./settings";
import { buildPanel } from "./panel";
import { extensionOf, folderOrder, stampedName } from "./names";
import { Cancel, exportGif, exportJpeg, type Outcome, type Progress } from "./export";
import { timing } from "./timing";

const $ = <T extends HTMLElement>(sel: string) => document.querySelector(sel) as T;
// Thumbnails a worker has in hand at once, counting the ones whose file is being read: more
// did not help, as reading the files is what limits them (web/bench/page.mjs shows it).
const THUMBS_PER_WORKER = 2;

// What the engine reports, in words.
const OUTCOME_WORDS: Record<string, string> = {
  "unknown-type": "不是可以读取的图片格式",
  unreadable: "图片无法读取",
  damaged: "图片已损坏",
  "too-large": "图片太大，无法处理",
  "over-memory-limit": "图片太大，无法处理",
  "failed-file": "无法读取或写入文件",
  "failed-frame": "所选的边框无法使用",
  "failed-setting": "设置中的数值无效",
  "failed-picture": "图片无法处理",
  "failed-memory": "内存不足",
  memory: "内存不足",
  "no-frames": "列表中没有一张图片可以读取",
};
function skipWords(s: Skip): string {
  if (s.reason === "failed-setting" && s.detail) {
    const [key, value] = s.detail.split("\x00");
    return tr("设置文件中 %1 的值“%2”无效，请改正后再试。", key, value ?? "");
  }
  if (s.reason === "write") return tr("无法读取或写入文件") + (s.detail ? ` (${s.detail})` : "");
  return tr(OUTCOME_WORDS[s.reason] ?? "未知错误");
}

function download(name: string, blob: Blob) {
  const a = document.createElement("a");
  a.href = URL.createObjectURL(blob);
  a.download = name;
  document.body.append(a);
  a.click();
  a.remove();
  setTimeout(() => URL.revokeObjectURL(a.href), 60_000);
}

function translateStatic() {
  document.documentElement.lang = isEnglish ? "en" : "zh-CN";
  for (const el of document.querySelectorAll<HTMLElement>("[data-tr]")) el.textContent = tr(el.dataset.tr!);
  for (const el of document.querySelectorAll<HTMLElement>("[data-tr-title]")) el.title = tr(el.dataset.trTitle!);
  document.title = tr("Pixmira — 宝贝图片批量处理");
}

async function start() {
  translateStatic();
  const workers = Math.max(1, Math.min(4, navigator.hardwareConcurrency || 2));
  const pool = new EnginePool(workers, { threadedFirst: true });
  const previewPool = new EnginePool(1);
  let info: EngineInfo;
  try {
    info = await pool.info();
  } catch (e) {
    $("#status").textContent = tr("未知错误") + ": " + (e as Error).message;
    return;
  }
  document.body.dataset.engine = info.kind;
  document.body.dataset.flavour = info.flavour;
  const store = new SettingsStore(info.schema);
  const list = new PictureList();
  const thumbs = new Map<number, Thumb>();
  const grid = new Grid(list, thumbs);
  $("#grid-place").replaceWith(grid.element);

  // Thumbnails: the ones in sight first, a few per worker at a time; a turned picture's cell is
  // made again at its new turn.
  const waiting: Entry[] = [];
  const inHand = new Map<number, number>(); // entry id -> the turn being made
  let thumbsInHand = 0;
  const thumbWanted = (e: Entry) => {
    const t = thumbs.get(e.id);
    return !(t && (t.failed || t.angle === e.angle)) && inHand.get(e.id) !== e.angle;
  };
  const setThumb = (id: number, t: Thumb) => {
    thumbs.get(id)?.bitmap?.close();
    thumbs.set(id, t);
  };
  const pumpThumbs = () => {
    while (thumbsInHand < pool.size * THUMBS_PER_WORKER && waiting.length) {
      const entry = waiting.shift()!;
      if (!thumbWanted(entry)) continue;
      const angle = entry.angle;
      thumbsInHand++;
      inHand.set(entry.id, angle);
      timing
        .time("thumb-read", () => entry.file.arrayBuffer())
        .then((bytes) => pool.leastBusy().call({ op: "thumbnail", bytes, name: entry.name, angle, width: THUMB_W, height: THUMB_H }, [bytes]))
        .then((r) => setThumb(entry.id, r.op === "thumbnail" && r.bitmap ? { bitmap: r.bitmap, angle } : { failed: true, angle }))
        .catch(() => setThumb(entry.id, { failed: true, angle }))
        .finally(() => {
          if (inHand.get(entry.id) === angle) inHand.delete(entry.id);
          thumbsInHand--;
          const painted = performance.now();
          grid.thumbChanged(entry.id);
          timing.add("thumb-paint", performance.now() - painted);
          document.body.dataset.thumbsPending = String(waiting.length + thumbsInHand);
          pumpThumbs();
          prepareWhenIdle();
        });
    }
  };
  // While nothing else is asked of them, the workers take the current settings and fetch the
  // font they draw with, so a run's first pictures do not wait for it (it is large).
  let preparedFor = "";
  let prepareTimer: ReturnType<typeof setTimeout> | undefined;
  const prepareWhenIdle = () => {
    if (thumbsInHand > 0 || waiting.length > 0 || document.body.dataset.exporting === "1") return;
    const ini = store.iniText();
    if (ini === preparedFor) return;
    preparedFor = ini;
    document.body.dataset.preparing = "1";
    pool.broadcast(() => [{ op: "prepare", ini }, []]).then(() => {
      if (preparedFor === ini) document.body.dataset.preparing = "0";
    });
  };
  grid.onVisible = (visible) => {
    const need = visible.filter(thumbWanted);
    if (need.length === 0) return;
    const ids = new Set(need.map((e) => e.id));
    const rest = waiting.filter((e) => !ids.has(e.id));
    waiting.length = 0;
    waiting.push(...need, ...rest);
    pumpThumbs();
  };

  // Adding pictures: single files of any extension the engine reads; folders by the
  // desktop program's folder rule.
  const notice = (text: string) => ($("#notice").textContent = text);
  const addFiles = (files: File[]) => {
    const ok = files.filter((f) => info.extensions.includes(extensionOf(f.name)));
    const refused = files.filter((f) => !ok.includes(f));
    notice(refused.length ? tr("以下文件不是可以读取的图片，没有加入：%1", refused.map((f) => f.name).join("、")) : "");
    const added = list.add(ok);
    waiting.push(...added);
    document.body.dataset.thumbsPending = String(waiting.length + thumbsInHand);
    pumpThumbs();
  };
  const addFolder = (items: { path: string; item: File }[]) => addFiles(folderOrder(items, info.folderExtensions));

  const fileInput = $<HTMLInputElement>("#add-files");
  fileInput.accept = info.extensions.join(",");
  fileInput.addEventListener("change", () => {
    addFiles([...(fileInput.files ?? [])]);
    fileInput.value = "";
  });
  const folderInput = $<HTMLInputElement>("#add-folder");
  folderInput.addEventListener("change", () => {
    addFolder([...(folderInput.files ?? [])].map((f) => ({ path: f.webkitRelativePath || f.name, item: f })));
    folderInput.value = "";
  });
  grid.onFiles = async (data) => {
    const loose: File[] = [];
    const folders: { path: string; item: File }[][] = [];
    const entries = [...data.items].map((i) => i.webkitGetAsEntry?.()).filter((e): e is FileSystemEntry => !!e);
    for (const entry of entries) {
      if (entry.isDirectory) folders.push(await readTree(entry as FileSystemDirectoryEntry, entry.name));
      else loose.push(await new Promise<File>((res, rej) => (entry as FileSystemFileEntry).file(res, rej)));
    }
    if (entries.length === 0) loose.push(...data.files);
    addFiles(loose);
    for (const f of folders) addFolder(f);
  };
  document.addEventListener("dragover", (e) => e.preventDefault());
  document.addEventListener("drop", (e) => {
    e.preventDefault();
    if (e.dataTransfer && !grid.element.contains(e.target as Node)) grid.onFiles(e.dataTransfer);
  });

  $("#clear").addEventListener("click", () => list.clear());
  $("#undo").addEventListener("click", () => list.undo());
  $("#redo").addEventListener("click", () => list.redo());
  const updateListState = () => {
    $("#count").textContent = trn("共 %n 张图片", list.entries.length);
    document.body.dataset.count = String(list.entries.length);
    $("#hint").hidden = list.entries.length > 0;
    $<HTMLButtonElement>("#undo").disabled = !list.canUndo;
    $<HTMLButtonElement>("#redo").disabled = !list.canRedo;
    $<HTMLButtonElement>("#clear").disabled = list.entries.length === 0;
  };
  list.onChange(updateListState);
  updateListState();
  document.addEventListener("keydown", (e) => {
    const ctrl = e.ctrlKey || e.metaKey;
    if (!ctrl) return;
    const k = e.key.toLowerCase();
    if (k === "o" && !e.shiftKey) (e.preventDefault(), fileInput.click());
    else if (k === "o" && e.shiftKey) (e.preventDefault(), folderInput.click());
    else if (k === "g") (e.preventDefault(), generate());
  });

  // Preview of the selected picture (else the first); the latest change wins.
  const previewCanvas = $<HTMLCanvasElement>("#preview");
  let previewWanted = 0, previewShown = 0, previewRunning = false;
  const previewEntry = () => list.entries.find((e) => list.selected.has(e.id)) ?? list.entries[0];
  const runPreview = async () => {
    previewRunning = true;
    while (previewShown < previewWanted) {
      const ticket = previewWanted;
      const entry = previewEntry();
      const caption = $("#preview-caption");
      if (!entry) {
        previewCanvas.getContext("2d")!.clearRect(0, 0, previewCanvas.width, previewCanvas.height);
        caption.textContent = tr("您尚未导入任何图片。");
        previewShown = ticket;
        continue;
      }
      caption.textContent = tr("正在生成预览...");
      const box = previewCanvas.parentElement!.getBoundingClientRect();
      const scale = window.devicePixelRatio || 1;
      const w = Math.max(64, Math.round(box.width * scale)), h = Math.max(64, Math.round(Math.min(box.width, 480) * scale));
      let r;
      try {
        const bytes = await entry.file.arrayBuffer();
        r = await previewPool.worker(0).call({ op: "preview", bytes, name: entry.name, angle: entry.angle, ini: store.iniText(), width: w, height: h, prompt: tr("请在此输入水印文字") }, [bytes]);
      } catch {
        r = undefined;
      }
      if (ticket !== previewWanted) continue; // a newer change is waiting: this one is stale
      previewShown = ticket;
      if (r?.op === "preview" && r.bitmap) {
        previewCanvas.width = r.bitmap.width;
        previewCanvas.height = r.bitmap.height;
        previewCanvas.style.aspectRatio = `${r.bitmap.width} / ${r.bitmap.height}`;
        previewCanvas.getContext("2d")!.drawImage(r.bitmap, 0, 0);
        r.bitmap.close();
        caption.textContent = entry.name;
      } else caption.textContent = r?.op === "preview" && r.skip ? skipWords(r.skip) : r?.op === "error" && r.code === "memory" ? tr("内存不足，无法生成预览。") : tr("图片无法显示");
      document.body.dataset.previewDone = String(previewShown);
    }
    previewRunning = false;
    document.body.dataset.previewPending = "0";
  };
  const requestPreview = () => {
    previewWanted++;
    document.body.dataset.previewPending = "1";
    if (!previewRunning) runPreview();
  };
  let lastPreviewKey = "";
  list.onChange(() => {
    const e = previewEntry();
    const key = e ? `${e.id}:${e.angle}` : "";
    if (key !== lastPreviewKey) {
      lastPreviewKey = key;
      requestPreview();
    }
  });

  // The watermark picture and the user's fonts: every engine gets them, the browser keeps them.
  const allPools = [pool, previewPool];
  const giveFile = async (f: KeptFile): Promise<string> => {
    let path = "";
    for (const p of allPools) {
      const replies = await p.broadcast(() => [f.kind === "font" ? { op: "addFont", bytes: f.bytes.slice(0) } : { op: "addFile", name: f.name, bytes: f.bytes.slice(0) }, []]);
      for (const r of replies) if (r.op === "addFile") path = r.path;
    }
    return path;
  };
  for (const f of await keptFiles()) await giveFile(f);
  const pickFile = (accept: string, then: (f: File) => void) => {
    const input = document.createElement("input");
    input.type = "file";
    input.accept = accept;
    input.className = "visually-hidden";
    input.addEventListener("change", () => input.files?.[0] && then(input.files[0]));
    return input;
  };
  const decorate = (row: SettingRow, field: HTMLElement, commit: (v: string) => void) => {
    const button = (text: string, input: HTMLInputElement) => {
      const b = document.createElement("button");
      b.type = "button";
      b.textContent = text;
      b.addEventListener("click", () => input.click());
      field.append(b, input);
      return b;
    };
    if (row.key === "WatermarkImage") {
      const input = pickFile(info.extensions.join(","), async (file) => {
        const kept: KeptFile = { kind: "picture", name: file.name, bytes: await file.arrayBuffer() };
        await keepFile(kept);
        commit(await giveFile(kept));
      });
      button(tr("选择图片(&L)..."), input).dataset.pick = row.key;
    } else if (row.key === "WatermarkFontName") {
      const input = pickFile(".ttf,.otf,.ttc", async (file) => {
        const kept: KeptFile = { kind: "font", name: file.name, bytes: await file.arrayBuffer() };
        await keepFile(kept);
        await giveFile(kept);
        requestPreview();
      });
      button(tr("添加字体文件..."), input).dataset.pick = row.key;
    }
  };
  const panel = buildPanel(info.schema, store, { frames: info.frames, onLive: requestPreview, decorate });
  $("#panel-place").replaceWith(panel);
  requestPreview();
  // A slider's every step need not reach the workers: the settings they take are the last ones.
  store.onChange(() => {
    clearTimeout(prepareTimer);
    prepareTimer = setTimeout(prepareWhenIdle, 300);
  });
  prepareWhenIdle();

  // Settings files.
  const importInput = $<HTMLInputElement>("#import-settings");
  importInput.addEventListener("change", async () => {
    const f = importInput.files?.[0];
    importInput.value = "";
    if (!f) return;
    try {
      store.replaceAll(parseIni(decodeIni(new Uint8Array(await f.arrayBuffer()))));
      notice(tr("已导入设置：%1", f.name));
    } catch {
      notice(tr("无法读取设置文件 %1", f.name));
    }
    requestPreview();
  });
  $("#export-settings").addEventListener("click", () => download("Config.ini", new Blob([store.iniText()], { type: "text/plain;charset=utf-8" })));

  // Generating.
  const canPickFolder = "showDirectoryPicker" in window;
  const targetSelect = $<HTMLSelectElement>("#target");
  if (!canPickFolder) targetSelect.querySelector<HTMLOptionElement>("option[value=folder]")!.remove();
  const dialog = $<HTMLDialogElement>("#progress");
  let cancel = new Cancel();
  $("#cancel").addEventListener("click", () => (cancel.cancelled = true));
  $("#close-progress").addEventListener("click", () => dialog.close());
  // Escape during a run asks to cancel; the window closes when the run has ended.
  dialog.addEventListener("cancel", (e) => {
    if (document.body.dataset.exporting === "1") {
      e.preventDefault();
      cancel.cancelled = true;
    }
  });

  const showProgress = (p: Progress) => {
    $<HTMLProgressElement>("#progress-bar").max = p.total;
    $<HTMLProgressElement>("#progress-bar").value = p.index;
    $("#progress-line").textContent = p.current ? trn("正在导出第 %1 个文件，总共 %n 个文件。", p.total, p.index + 1) : "";
    $("#progress-file").textContent = p.current;
    $("#progress-left").textContent = p.secondsLeft != null && p.current ? tr("剩余时间：%1", formatSeconds(p.secondsLeft)) : "";
  };

  const generate = async () => {
    if (dialog.open) return;
    if (list.entries.length === 0) return alert(tr("您尚未添加需要处理的图片。请在左侧“添加图片”框内进行添加。"));
    const anyEffect = ["ReduceSize", "AddFrame", "AddWatermark", "OutputGif"].some((k) => store.getNumber(k) !== 0);
    if (!anyEffect) return alert(tr("您尚未选择图片生成的效果。请在右侧“图片生成”框内选择需要的效果，可一种或多种效果组合。"));
    const gif = store.getNumber("OutputGif") !== 0;
    const entries = [...list.entries];
    const ini = store.iniText();
    const toFolder = targetSelect.value === "folder";
    let outcome: Outcome;
    cancel = new Cancel();
    const begin = () => {
      $("#progress-summary").replaceChildren();
      $<HTMLButtonElement>("#cancel").hidden = false;
      $<HTMLButtonElement>("#close-progress").hidden = true;
      document.body.dataset.exporting = "1";
      dialog.showModal();
    };
    try {
      if (gif) {
        const name = stampedName(new Date(), ".gif");
        let target: Parameters<typeof exportGif>[3] = { kind: "download", name };
        if (toFolder && "showSaveFilePicker" in window) {
          const handle = await (window as unknown as { showSaveFilePicker: (o: object) => Promise<FileSystemFileHandle> }).showSaveFilePicker({ suggestedName: name, types: [{ description: "GIF", accept: { "image/gif": [".gif"] } }] });
          target = { kind: "file", handle, name: handle.name };
        }
        begin();
        outcome = await exportGif(pool, entries, ini, target, cancel, showProgress);
      } else {
        let target: Parameters<typeof exportJpeg>[3] = { kind: "zip", name: stampedName(new Date(), ".zip") };
        if (toFolder) {
          const dir = await (window as unknown as { showDirectoryPicker: (o: object) => Promise<FileSystemDirectoryHandle> }).showDirectoryPicker({ mode: "readwrite", id: "pixmira-out" });
          target = { kind: "folder", dir };
        }
        begin();
        outcome = await exportJpeg(pool, entries, ini, target, cancel, showProgress);
      }
    } catch (e) {
      if ((e as DOMException).name === "AbortError") return; // the picker was closed
      throw e;
    }
    if (outcome.download) download(outcome.download.name, outcome.download.blob);
    finish(outcome, entries.length, gif);
  };
  $("#generate").addEventListener("click", () => generate());

  const finish = (o: Outcome, total: number, gif: boolean) => {
    const summary = $("#progress-summary");
    const line = (text: string, cls = "") => {
      const p = document.createElement("p");
      p.textContent = text;
      p.className = cls;
      summary.append(p);
      return p;
    };
    $("#progress-line").textContent = "";
    $("#progress-file").textContent = "";
    $("#progress-left").textContent = "";
    if (o.failure) line(tr("导出 %1 时出错：%2", o.failedName ?? o.download?.name ?? "", skipWords(o.failure)), "error");
    else if (gif) line(o.written.length ? o.written[0] : "", "written");
    else if (o.written.length >= total && o.skipped.length === 0 && !o.cancelled) line(trn("%n 个文件全部导出完毕。", o.written.length), "written");
    else line(trn("导出了 %n 个文件。", o.written.length), "written");
    if (o.cancelled) line(tr("已取消，已完成的文件已保留。"));
    if (o.written.length && !gif) {
      const ul = document.createElement("ul");
      ul.className = "written-list";
      for (const n of o.written) {
        const li = document.createElement("li");
        li.textContent = n;
        ul.append(li);
      }
      summary.append(ul);
    }
    for (const s of o.skipped) line(tr("跳过 %1：%2", s.name, skipWords(s.skip)), "skipped");
    $<HTMLButtonElement>("#cancel").hidden = true;
    $<HTMLButtonElement>("#close-progress").hidden = false;
    $<HTMLButtonElement>("#close-progress").focus();
    document.body.dataset.exporting = "0";
    document.body.dataset.exportDone = String(Number(document.body.dataset.exportDone ?? 0) + 1);
  };

  // Install as an app where the browser offers it.
  let installPrompt: (Event & { prompt: () => Promise<void> }) | undefined;
  window.addEventListener("beforeinstallprompt", (e) => {
    e.preventDefault();
    installPrompt = e as typeof installPrompt;
    $("#install").hidden = false;
  });
  $("#install").addEventListener("click", () => installPrompt?.prompt());
  if ("serviceWorker" in navigator && !import.meta.env.DEV) navigator.serviceWorker.register("./sw.js").catch(() => {});
  // The benchmark reads where the time went.
  (window as unknown as { pixmiraTiming: typeof timing }).pixmiraTiming = timing;
  document.body.dataset.ready = "1";
}

function formatSeconds(s: number): string {
  const t = Math.max(0, Math.round(s));
  return t >= 60 ? `${Math.floor(t / 60)}:${String(t % 60).padStart(2, "0")}` : `${t} s`;
}

// Every file below a dropped folder, with its path from the folder.
async function readTree(dir: FileSystemDirectoryEntry, path: string): Promise<{ path: string; item: File }[]> {
  const out: { path: string; item: File }[] = [];
  const reader = dir.createReader();
  for (;;) {
    const batch = await new Promise<FileSystemEntry[]>((res, rej) => reader.readEntries(res, rej));
    if (batch.length === 0) break;
    for (const e of batch) {
      const p = `${path}/${e.name}`;
      if (e.isDirectory) {
        if (!e.name.startsWith(".")) out.push(...(await readTree(e as FileSystemDirectoryEntry, p)));
      } else out.push({ path: p, item: await new Promise<File>((res, rej) => (e as FileSystemFileEntry).file(res, rej)) });
    }
  }
  return out;
}

start();
