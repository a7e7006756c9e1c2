// The page in a real browser: the list, the settings files, the languages, the phone size,
// and the files it makes compared byte for byte with pixmira-batch on the same settings.
import { test, before, after } from "node:test";
import assert from "node:assert/strict";
import { execFileSync } from "node:child_process";
import { existsSync, mkdirSync, mkdtempSync, readFileSync, readdirSync, rmSync, writeFileSync } from "node:fs";
import { tmpdir } from "node:os";
import { join } from "node:path";
import { unzipSync } from "fflate";
import { openBrowser, openPage, repoDir, webDir } from "./harness.mjs";

const SAMPLES = ["bottle.jpg", "cap.jpg", "handbag.jpg", "mug.jpg", "sneaker.jpg", "watch.jpg"].map((f) => join(repoDir, "data/samples", f));
const shots = join(webDir, "test-results");
const batch = process.env.PIXMIRA_BATCH ?? join(repoDir, "build/pixmira-batch");
let b;
let plain;
let work;
// The engine's flavours the page was built with. The threaded one runs where the page is
// cross-origin isolated (its first worker, which makes the GIFs; the others are single-threaded),
// the single-threaded one everywhere else. Without any, the page runs its stand-in.
const flavours = ["mt", "st"].filter((f) => existsSync(join(webDir, "dist/engine", f, "pixmira-engine.js")));

before(async () => {
  mkdirSync(shots, { recursive: true });
  work = mkdtempSync(join(tmpdir(), "pixmira-web-test-"));
  b = await openBrowser();
});
after(async () => {
  await b?.close();
  await plain?.close();
  rmSync(work, { recursive: true, force: true });
});

async function addSamples(page, files = SAMPLES) {
  const before = Number(await page.evaluate(() => document.body.dataset.count));
  await page.setInputFiles("#add-files", files);
  await page.waitForFunction((n) => Number(document.body.dataset.count) > n && document.body.dataset.thumbsPending === "0", before);
}

// Captions in list order.
const names = (page) =>
  page.$$eval(".cell", (cells) => cells.sort((a, b) => a.dataset.index - b.dataset.index).map((c) => c.querySelector(".caption").textContent));

// Sets a key through its control in the effects panel, as a user would.
async function setKey(page, key, value) {
  const c = page.locator(`.panel [data-key="${key}"]:is(input,select,textarea)`).first();
  const kind = await c.evaluate((e) => (e.tagName === "SELECT" ? "select" : e.type));
  if (kind === "checkbox") await c.setChecked(value === "1");
  else if (kind === "radio") await page.check(`.panel [data-field="${key}"] input[value="${value}"]`);
  else if (kind === "select") await c.selectOption(value);
  else await c.fill(value);
}

// The preview shows the latest settings.
const previewSettled = (page) => page.waitForFunction(() => document.body.dataset.previewPending === "0");

async function download(page, click) {
  const [d] = await Promise.all([page.waitForEvent("download"), click()]);
  const path = join(work, d.suggestedFilename());
  await d.saveAs(path);
  return { name: d.suggestedFilename(), bytes: readFileSync(path), path };
}

async function generate(page, target) {
  await page.selectOption("#target", target);
  const done = Number((await page.evaluate(() => document.body.dataset.exportDone)) ?? 0);
  const result = target === "zip" || !(await page.evaluate(() => "showSaveFilePicker" in window))
    ? await download(page, () => page.click("#generate"))
    : (await page.click("#generate"), undefined);
  await page.waitForFunction((n) => Number(document.body.dataset.exportDone ?? 0) > n, done);
  return result;
}

test("the list: adding, folder rule, removing, turning, moving, undo and redo", async () => {
  const page = await openPage(b);
  const notPicture = join(work, "notes.txt");
  writeFileSync(notPicture, "not a picture");
  await addSamples(page, [...SAMPLES, notPicture]);
  assert.equal(await page.textContent("#count"), "共 6 张图片");
  assert.match(await page.textContent("#notice"), /notes\.txt/);
  assert.equal(await page.locator(".cell.failed").count(), 0);
  assert.equal(await page.isVisible("#hint"), false);

  await page.click(".cell[data-index='0']");
  await page.keyboard.press("Delete");
  assert.deepEqual(await names(page), ["cap.jpg", "handbag.jpg", "mug.jpg", "sneaker.jpg", "watch.jpg"]);
  await page.keyboard.press("Control+z");
  assert.equal((await names(page))[0], "bottle.jpg");
  await page.keyboard.press("Control+y");
  assert.equal((await names(page)).length, 5);
  await page.keyboard.press("Control+z");

  // Two pictures turned at once, one back by undo.
  await page.click(".cell[data-index='1']");
  await page.click(".cell[data-index='2']", { modifiers: ["Shift"] });
  await page.keyboard.press("Control+l");
  await page.keyboard.press("Control+l");
  await page.keyboard.press("Control+r");
  await page.keyboard.press("Control+z");
  const angles = () => page.$$eval(".cell", (c) => c.sort((a, b) => a.dataset.index - b.dataset.index).map((x) => x.dataset.angle));
  assert.deepEqual(await angles(), ["0", "180", "180", "0", "0", "0"]);

  // Both selected pictures dragged before the first.
  await page.dragAndDrop(".cell[data-index='2']", ".cell[data-index='0']", { targetPosition: { x: 2, y: 60 } });
  assert.deepEqual(await names(page), ["cap.jpg", "handbag.jpg", "bottle.jpg", "mug.jpg", "sneaker.jpg", "watch.jpg"]);
  await page.keyboard.press("Control+z");
  assert.equal((await names(page))[0], "bottle.jpg");

  await page.click("#clear");
  assert.equal(await page.textContent("#count"), "共 0 张图片");
  assert.equal(await page.isVisible("#hint"), true);
  await page.click("#undo");
  assert.equal((await names(page)).length, 6);

  // A folder: *.jpg, then *.png ..., names ignoring case, then subfolders; no GIF from
  // folders, no hidden folders.
  const folder = join(work, "shop");
  for (const sub of ["", "sub", ".hidden"]) mkdirSync(join(folder, sub), { recursive: true });
  const jpeg = readFileSync(SAMPLES[0]);
  const png = execFileSync("convert", [SAMPLES[1], "-resize", "40x40", "png:-"]);
  for (const [name, bytes] of [["b.png", png], ["Y.JPG", jpeg], ["a.jpg", jpeg], ["x.gif", jpeg], ["sub/c.jpg", jpeg], [".hidden/d.jpg", jpeg]]) {
    writeFileSync(join(folder, name), bytes);
  }
  await page.click("#clear");
  await page.setInputFiles("#add-folder", folder);
  assert.deepEqual(await names(page), ["a.jpg", "Y.JPG", "b.png", "c.jpg"]);
  assert.deepEqual(page.errors, []);
  await page.context().close();
});

test("settings: a GBK Config.ini in, a UTF-8 one out, kept after a reload", async () => {
  const page = await openPage(b);
  const ini = "[General]\r\nReduceSize=1\r\nReduceSizeType=2\r\nAddWatermark=1\r\nWatermarkType=0\r\nWatermarkText=中文水印\r\n";
  const gbk = execFileSync("iconv", ["-f", "UTF-8", "-t", "GBK"], { input: ini });
  assert.notDeepEqual(gbk, Buffer.from(ini)); // really GBK, not UTF-8
  const file = join(work, "Config.ini");
  writeFileSync(file, gbk);
  await page.setInputFiles("#import-settings", file);
  await page.waitForFunction(() => document.querySelector("#notice").textContent.includes("Config.ini"));
  const text = page.locator('.panel textarea[data-key="WatermarkText"]');
  assert.equal(await text.inputValue(), "中文水印");
  assert.equal(await page.locator('.panel [data-field="ReduceSizeType"] input:checked').inputValue(), "2");
  assert.equal(await page.locator('.panel input[data-key="AddWatermark"]').isChecked(), true);

  const out = await download(page, () => page.click("#export-settings"));
  assert.equal(out.name, "Config.ini");
  const written = new TextDecoder("utf-8", { fatal: true }).decode(out.bytes);
  assert.match(written, /^\[General\]\r\n/);
  assert.match(written, /\r\nWatermarkText=中文水印\r\n/);

  await page.reload();
  await page.waitForSelector("body[data-ready='1']");
  assert.equal(await text.inputValue(), "中文水印");

  // The frame the page shows is the frame made: without a stored FrameType the window shows
  // a frame (the first of the catalogue), so the file says so instead of leaving the export
  // to round corners or add nothing.
  await setKey(page, "AddFrame", "1");
  const shown = await page.evaluate(() => [...document.querySelectorAll('.panel select[data-key="FrameName"] option')].map((o) => o.value)[0]);
  const framed = (await download(page, () => page.click("#export-settings"))).bytes.toString("utf8");
  assert.match(framed, /\r\nFrameType=1\r\n/);
  if (shown) assert.match(framed, new RegExp(`\\r\\nFrameName=${shown}\\r\\n`));
  await page.context().close();
});

test("words: Chinese by default, English for an English browser, nothing cut off on a phone", async () => {
  const zh = await openPage(b, { viewport: { width: 390, height: 844 } });
  await addSamples(zh);
  await effects(zh);
  await previewSettled(zh);
  assert.equal(await zh.textContent("h1"), "Pixmira — 宝贝图片批量处理");
  assert.equal(await zh.textContent("#generate"), "生成图片...");
  await zh.screenshot({ path: join(shots, "phone-zh.png"), fullPage: true });
  // Nothing wider than the screen, no button's words clipped.
  assert.ok((await zh.evaluate(() => document.documentElement.scrollWidth)) <= 390);
  const clipped = await zh.$$eval("button, label, h1, h2, select", (els) =>
    els.filter((e) => e.offsetParent && e.scrollWidth > e.clientWidth + 1 && getComputedStyle(e).overflow !== "visible").map((e) => e.textContent));
  assert.deepEqual(clipped, []);

  const en = await openPage(b, { locale: "en-US" });
  await addSamples(en);
  await effects(en);
  await previewSettled(en);
  assert.equal(await en.textContent("h1"), "Pixmira — product pictures in batches");
  assert.equal(await en.textContent("#count"), "6 pictures");
  assert.equal(await en.textContent("#export-settings"), "Export settings");
  await en.screenshot({ path: join(shots, "desktop-en.png"), fullPage: true });
  const enPhone = await openPage(b, { locale: "en-US", viewport: { width: 390, height: 844 } });
  await addSamples(enPhone);
  await previewSettled(enPhone);
  // With the settings as they come, too, the preview shows the picture.
  assert.equal(await enPhone.textContent("#preview-caption"), "bottle.jpg");
  await enPhone.screenshot({ path: join(shots, "phone-en.png"), fullPage: true });
  const zhDesk = await openPage(b);
  await addSamples(zhDesk);
  await effects(zhDesk);
  await zhDesk.click(".cell[data-index='1']");
  await previewSettled(zhDesk);
  await zhDesk.screenshot({ path: join(shots, "desktop-zh.png"), fullPage: true });
  for (const p of [zh, en, enPhone, zhDesk]) {
    assert.deepEqual(p.errors, []);
    await p.context().close();
  }
});

test("offline: once loaded, the page and its engine come from the browser's store", async () => {
  const page = await openPage(b);
  await page.evaluate(async () => {
    await navigator.serviceWorker.ready;
    if (!navigator.serviceWorker.controller) await new Promise((r) => navigator.serviceWorker.addEventListener("controllerchange", r));
  });
  const kind = await page.evaluate(() => document.body.dataset.engine + " " + document.body.dataset.flavour);
  await page.context().setOffline(true);
  await page.reload();
  await page.waitForSelector("body[data-ready='1']");
  assert.equal(await page.evaluate(() => document.body.dataset.engine + " " + document.body.dataset.flavour), kind);
  await addSamples(page, SAMPLES.slice(0, 2));
  assert.equal(await page.locator(".cell.failed").count(), 0);
  await page.context().close();
});

test("a folder picked for the output: existing files are never replaced", async () => {
  // The browser's private file system stands in for the folder picker.
  const page = await openPage(b, {
    init: () => {
      window.showDirectoryPicker = async () => {
        const root = await navigator.storage.getDirectory();
        return root.getDirectoryHandle("out", { create: true });
      };
    },
  });
  await page.evaluate(async () => {
    const dir = await window.showDirectoryPicker();
    const w = await (await dir.getFileHandle("cap.jpg", { create: true })).createWritable();
    await w.write("keep me");
    await w.close();
  });
  await addSamples(page, [SAMPLES[1], SAMPLES[0], SAMPLES[1]]);
  await generate(page, "folder");
  const files = await page.evaluate(async () => {
    const dir = await window.showDirectoryPicker();
    const out = {};
    for await (const [name, h] of dir.entries()) out[name] = (await (await h.getFile()).arrayBuffer()).byteLength;
    return out;
  });
  assert.deepEqual(Object.keys(files).sort(), ["bottle.jpg", "cap.jpg", "cap2.jpg", "cap3.jpg"]);
  assert.equal(files["cap.jpg"], "keep me".length);
  assert.match(await page.textContent("#progress-summary"), /3 个文件全部导出完毕/);
  await page.context().close();
});

test("cancel: what is in hand is finished and kept, nothing new starts", async () => {
  const page = await openPage(b);
  await addSamples(page, [...SAMPLES, ...SAMPLES]);
  await setKey(page, "ReduceSize", "1");
  await page.selectOption("#target", "zip");
  const [zip] = await Promise.all([
    page.waitForEvent("download"),
    page.evaluate(() => {
      document.querySelector("#generate").click();
      document.querySelector("#cancel").click();
    }),
  ]);
  const files = Object.keys(unzipSync(new Uint8Array(readFileSync(await zip.path()))));
  assert.ok(files.length > 0 && files.length < 12, `${files.length} files`);
  const summary = await page.textContent("#progress-summary");
  assert.match(summary, new RegExp(`导出了 ${files.length} 个文件。`));
  assert.match(summary, /已取消，已完成的文件已保留。/);
  await page.context().close();
});

// Byte identity needs the WebAssembly engine and the native command. The page is served
// with the isolation headers for the threaded flavour and without them for the other.
async function realEngine(t, flavour) {
  if (!flavour) return t.skip("the page has no WebAssembly engine (scripts/build-web makes it)"), undefined;
  if (!existsSync(batch)) return t.skip(`no ${batch}`), undefined;
  const page = await openPage(flavour === "st" ? (plain ??= await openBrowser({ isolated: false })) : b);
  assert.equal(await page.evaluate(() => document.body.dataset.engine + " " + document.body.dataset.flavour), `wasm ${flavour}`);
  return page;
}
const identityRuns = flavours.length ? flavours : [undefined];

function runBatch(args) {
  execFileSync(batch, args, { stdio: ["ignore", "pipe", "pipe"], env: { ...process.env, LANG: "C.UTF-8" } });
}

async function effects(page) {
  await setKey(page, "ReduceSize", "1");
  await setKey(page, "ReduceSizeType", "2");
  await setKey(page, "AddFrame", "1");
  await setKey(page, "FrameType", "0");
  await setKey(page, "CornerType", "0");
  await setKey(page, "AddWatermark", "1");
  await setKey(page, "WatermarkType", "0");
  await setKey(page, "WatermarkText", "Pixmira 水印");
  // Named, because an empty name means the system's default font natively and the page's own
  // font in the browser; this one is the page's and, installed, the command's.
  await setKey(page, "WatermarkFontName", "WenQuanYi Zen Hei");
}

for (const flavour of identityRuns) {
  test(`JPEG files in a zip, byte for byte as pixmira-batch writes them (${flavour ?? "no engine"})`, async (t) => {
    const page = await realEngine(t, flavour);
    if (!page) return;
    await addSamples(page, [...SAMPLES, SAMPLES[0]]);
    await effects(page);
    const ini = await download(page, () => page.click("#export-settings"));
    const zip = await generate(page, "zip");
    assert.match(zip.name, /^pixmira-\d{8}-\d{6}\.zip$/);
    const files = unzipSync(new Uint8Array(zip.bytes));

    const out = join(work, `native-jpeg-${flavour}`);
    mkdirSync(out);
    runBatch(["--config", ini.path, "--out", out, ...SAMPLES, SAMPLES[0]]);
    const native = readdirSync(out).sort();
    assert.deepEqual(Object.keys(files).sort(), native);
    assert.ok(native.includes("bottle2.jpg"));
    for (const name of native) assert.ok(Buffer.from(files[name]).equals(readFileSync(join(out, name))), `${name} differs`);
    await page.context().close();
  });
}

for (const flavour of identityRuns) {
  test(`the animated GIF, byte for byte as pixmira-batch writes it (${flavour ?? "no engine"})`, async (t) => {
    const page = await realEngine(t, flavour);
    if (!page) return;
    await addSamples(page);
    await effects(page);
    await setKey(page, "OutputGif", "1");
    await setKey(page, "GifSpeed", "0");
    const ini = await download(page, () => page.click("#export-settings"));
    const gif = await generate(page, "zip");
    assert.match(gif.name, /^pixmira-\d{8}-\d{6}\.gif$/);
    const native = join(work, `native-${flavour}.gif`);
    runBatch(["--config", ini.path, "--gif", native, ...SAMPLES]);
    assert.ok(gif.bytes.equals(readFileSync(native)), "the GIF differs");
    await page.context().close();
  });
}

for (const flavour of identityRuns) {
  test(`a GBK Config.ini from the desktop gives the page the command's bytes, every slice (${flavour ?? "no engine"})`, async (t) => {
    const page = await realEngine(t, flavour);
    if (!page) return;
    // As a Windows seller's file: GBK, CRLF, the font by its Chinese family name; tall pictures
    // cut into slices, each of which must reach the zip; names numbered by place in the list.
    const ini = "[General]\r\nReduceSize=1\r\nReduceSizeType=1\r\nAddWatermark=1\r\nWatermarkType=0\r\n" +
      "WatermarkText=正品保证·小店\r\nWatermarkFontName=文泉驿正黑\r\nWatermarkFontSize=16\r\nWatermarkPos=4\r\n" +
      "SliceHeight=400\r\nOutputNamePattern={n:2}-{name}\r\n";
    const file = join(work, "gbk-Config.ini");
    writeFileSync(file, execFileSync("iconv", ["-f", "UTF-8", "-t", "GBK"], { input: ini }));
    await page.setInputFiles("#import-settings", file);
    await page.waitForFunction(() => document.querySelector("#notice").textContent.includes("gbk-Config.ini"));
    await addSamples(page, SAMPLES.slice(0, 3));
    const files = unzipSync(new Uint8Array((await generate(page, "zip")).bytes));
    const out = join(work, `native-gbk-${flavour}`);
    mkdirSync(out);
    runBatch(["--config", file, "--out", out, ...SAMPLES.slice(0, 3)]);
    const native = readdirSync(out).sort();
    assert.ok(native.length > 3 && native[0].startsWith("01-"), native.join(" "));
    assert.deepEqual(Object.keys(files).sort(), native);
    for (const name of native) assert.ok(Buffer.from(files[name]).equals(readFileSync(join(out, name))), `${name} differs`);
    assert.match(await page.textContent("#progress-summary"), new RegExp(`${native.length} 个文件全部导出完毕`));
    await page.context().close();
  });
}
