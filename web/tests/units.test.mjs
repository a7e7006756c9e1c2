// The page's own rules without a browser: names, the folder rule, Config.ini text, colours and
// the picture list's changes with undo. The TypeScript is compiled once into a scratch folder.
import { test, before, after } from "node:test";
import assert from "node:assert/strict";
import { execFileSync } from "node:child_process";
import { mkdtempSync, rmSync } from "node:fs";
import { tmpdir } from "node:os";
import { join } from "node:path";
import { pathToFileURL } from "node:url";
import { webDir } from "./harness.mjs";

let out, names, settings, colour, list;
before(async () => {
  out = mkdtempSync(join(tmpdir(), "pixmira-web-units-"));
  const sources = ["names", "settings", "colour", "list"].map((m) => join(webDir, "src", `${m}.ts`));
  execFileSync(join(webDir, "node_modules/.bin/tsc"), ["--outDir", out, "--target", "es2022", "--module", "es2022", "--moduleResolution", "bundler", "--skipLibCheck", ...sources]);
  const load = (m) => import(pathToFileURL(join(out, `${m}.js`)).href);
  [names, settings, colour, list] = await Promise.all(["names", "settings", "colour", "list"].map(load));
});
after(() => rmSync(out, { recursive: true, force: true }));

test("output names: free names as they are, taken ones numbered as the command numbers them", async () => {
  const cases = [
    ["a.jpg", [], "a.jpg"],
    ["a.jpg", ["a.jpg"], "a2.jpg"],
    ["a.jpg", ["a.jpg", "a2.jpg", "a3.jpg"], "a4.jpg"],
    ["A.jpg", ["a.jpg"], "A.jpg"], // letter case counts, as on the command's file system
    ["noext", ["noext"], "noext2"],
    ["x.averyveryverylongext", ["x.averyveryverylongext"], "x.averyveryverylongext2"],
  ];
  for (const [wanted, taken, expected] of cases) {
    assert.equal(await names.uniqueName(wanted, (n) => taken.includes(n)), expected, wanted);
  }
  assert.equal(names.nameWithoutExt("shop/photo.final.JPG"), "photo.final");
  assert.equal(names.extensionOf("shop/Photo.JPeG"), ".jpeg");
  assert.equal(names.extensionOf("README"), "");
  assert.equal(names.stampedName(new Date(2026, 0, 2, 3, 4, 5), ".zip"), "pixmira-20260102-030405.zip");
});

test("the folder rule: each extension in turn, names ignoring case, then subfolders, none hidden", () => {
  const paths = ["top/b.png", "top/B.jpg", "top/a.JPG", "top/z/c.jpg", "top/y/.hidden/d.jpg", "top/.git/e.jpg",
    "top/y/f.webp", "top/g.gif", "top/h.jpeg", "top/i.kvi", "top/a.jpg", "top/readme.txt"];
  const order = names.folderOrder(paths.map((p) => ({ path: p, item: p })), [".jpg", ".bmp", ".png", ".webp"]);
  assert.deepEqual(order, ["top/a.JPG", "top/a.jpg", "top/B.jpg", "top/b.png", "top/y/f.webp", "top/z/c.jpg"]);
});

test("Config.ini text: GBK or UTF-8 in, section General only, keys ignoring case", () => {
  const gbk = new Uint8Array(execFileSync("iconv", ["-f", "UTF-8", "-t", "GBK"], { input: "[General]\nWatermarkText=店铺\n" }));
  assert.equal(settings.parseIni(settings.decodeIni(gbk)).get("WatermarkText"), "店铺");
  const bom = new Uint8Array([0xef, 0xbb, 0xbf, ...new TextEncoder().encode("[General]\r\nA=店\r\n")]);
  assert.equal(settings.parseIni(settings.decodeIni(bom)).get("A"), "店");
  const values = settings.parseIni("[Other]\nA=1\n[general]\r\n a = 2\r\n;B=3\rA=4\n=5\nC\nD= x \n");
  assert.deepEqual([...values], [["A", "4"], ["D", " x "]]);
  assert.equal(settings.writeIni(values), "[General]\r\nA=4\r\nD= x \r\n");
});

test("the settings given to the engine: what the panel shows is what is made", () => {
  const schema = [
    { key: "FrameType", type: "choice", defaults: { main: "1", dialog: "1", pipeline: "0", export: null } },
    { key: "GifSeconds", type: "decimal", defaults: { main: "1.00", export: "1.1" } },
    { key: "ReduceSize", type: "bool", defaults: { main: "1", pipeline: "1" } },
    { key: "FrameName", type: "text", defaults: { main: "", pipeline: "" } },
  ];
  const store = new settings.SettingsStore(schema);
  assert.equal(store.get("frametype"), "1");
  assert.equal(store.iniText(), "[General]\r\nFrameType=1\r\nGifSeconds=1.00\r\n");
  store.set("frameType", "0");
  store.setShown("FrameName", "shadow");
  assert.equal(store.iniText(), "[General]\r\nFrameType=0\r\nGifSeconds=1.00\r\nFrameName=shadow\r\n");
  store.setShown("FrameName", undefined);
  assert.ok(!store.iniText().includes("FrameName"));
});

test("colours: Config.ini's blue-green-red text and names to the colour input and back", () => {
  for (const [text, hex] of [["$FFFFFF", "#ffffff"], ["$000000FF", "#ff0000"], ["$00BBGGRR".replace("BBGGRR", "102030"), "#302010"], ["clRed", "#ff0000"], ["clskyblue", "#a6caf0"], ["nonsense", "#ffffff"]]) {
    assert.equal(colour.colourToHex(text), hex, text);
  }
  assert.equal(colour.hexToColour("#302010"), "$00102030");
});

test("the list: moves, turns, removals and clearing all undo and redo in order", () => {
  const l = new list.PictureList();
  const files = ["a", "b", "c", "d", "e"].map((n) => ({ name: `${n}.jpg` }));
  l.add(files);
  const order = () => l.entries.map((e) => e.name[0]).join("");
  const ids = (s) => new Set(l.entries.filter((e) => s.includes(e.name[0])).map((e) => e.id));
  const moves = [
    ["bd", 0, "bdace"],
    ["bd", 5, "acebd"],
    ["ae", 2, "baecd"],
    ["c", 2, "abcde"], // onto its own place: nothing changes, nothing to undo
    ["c", 3, "abcde"],
  ];
  for (const [sel, before, expected] of moves) {
    const undoable = l.canUndo;
    l.move(ids(sel), before);
    assert.equal(order(), expected, `${sel} before ${before}`);
    if (expected === "abcde") assert.equal(l.canUndo, undoable);
    while (l.canUndo) l.undo();
    assert.equal(order(), "abcde");
  }
  l.turn(ids("ab"), 1);
  l.turn(ids("a"), 1);
  l.turn(ids("b"), -1);
  l.turn(ids("b"), -1);
  assert.deepEqual(l.entries.map((e) => e.angle), [180, 270, 0, 0, 0]);
  l.remove(ids("bc"));
  l.clear();
  assert.equal(order(), "");
  l.undo();
  l.undo();
  assert.equal(order(), "abcde");
  assert.deepEqual(l.entries.map((e) => e.angle), [180, 270, 0, 0, 0]);
  l.undo();
  assert.deepEqual(l.entries.map((e) => e.angle), [180, 0, 0, 0, 0]);
  l.redo();
  assert.deepEqual(l.entries.map((e) => e.angle), [180, 270, 0, 0, 0]);
  // Only the last 100 changes are kept.
  for (let i = 0; i < 150; i++) l.turn(ids("e"), 1);
  let undone = 0;
  while (l.canUndo) (l.undo(), undone++);
  assert.equal(undone, 100);
});
