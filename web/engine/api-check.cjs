// Drives the engine's JavaScript interface under node as the page does, and writes what it
// answers into a folder, for scripts/web-identity to compare with the native command:
//   node api-check.cjs [--cores=N] ENGINE.js SETTINGS.ini FONT OUTDIR PICTURE...
// OUTDIR gets each written JPEG under the engine's name, animation.gif from all pictures, and
// outcomes.txt with one "name code" line per picture. --cores makes the engine see N cores, as
// on a seller's bigger machine: more than the threads it starts with.
"use strict";
const fs = require("fs");
const os = require("os");
const path = require("path");

async function main() {
  const args = process.argv.slice(2);
  const cores = /^--cores=(\d+)$/.exec(args[0] ?? "");
  if (cores) {
    args.shift();
    const one = os.cpus()[0];
    os.cpus = () => Array.from({ length: Number(cores[1]) }, () => one);
  }
  const [enginePath, settingsPath, fontPath, outDir, ...pictures] = args;
  const module = await require(path.resolve(enginePath))();
  const engine = new module.Engine();
  engine.readSettings(fs.readFileSync(settingsPath));
  const family = engine.fontWanted();
  if (family !== null && !engine.addFont(fs.readFileSync(fontPath))) throw new Error("font refused");
  const lines = [];
  engine.gifBegin();
  for (const picture of pictures) {
    const bytes = fs.readFileSync(picture);
    const name = path.basename(picture);
    const out = engine.process(bytes, name, 0);
    lines.push(`${name} ${out.code}`);
    if (out.code === "written") fs.writeFileSync(path.join(outDir, out.name), out.bytes);
    engine.gifAdd(bytes, name, 0);
  }
  const gif = engine.gifFinish();
  lines.push(`animation ${gif.code} ${gif.frames} ${gif.skips.map((s) => s.index + ":" + s.code).join(",")}`);
  if (gif.code === "written") fs.writeFileSync(path.join(outDir, "animation.gif"), gif.bytes);
  const thumb = engine.thumbnail(fs.readFileSync(pictures[0]), path.basename(pictures[0]), 0, 120, 145);
  lines.push(`thumbnail ${thumb ? thumb.width + "x" + thumb.height : "none"}`);
  lines.push(`version ${module.Engine.version()} threads ${module.Engine.threads()}`);
  fs.writeFileSync(path.join(outDir, "outcomes.txt"), lines.join("\n") + "\n");
  engine.delete();
}

main().then(
  () => process.exit(0),
  (e) => {
    console.error(e);
    process.exit(1);
  }
);
