// Times the page in Debian's Chromium, cross-origin isolated (the threaded engine):
//   node bench/page.mjs thumbnails FOLDER       seconds until every thumbnail of the folder shows
//   node bench/page.mjs export CONFIG FILES...  seconds from "generate" on the idle page until
//                                               the zip is made
// With PIXMIRA_PROFILE=1 it also prints, to stderr, the time the page and its workers spent in
// each stage (count and total milliseconds, summed over the workers) and the processor seconds
// the browser's processes took meanwhile (which a loaded machine does not inflate as it does
// the wall-clock figures).
import { readdirSync } from "node:fs";
import { execSync } from "node:child_process";
import { join } from "node:path";
import { openBrowser, openPage } from "../tests/harness.mjs";

const [what, arg, ...rest] = process.argv.slice(2);
// Processor seconds of the browser's processes so far (whole seconds, as ps counts them).
const browserSeconds = () =>
  process.env.PIXMIRA_PROFILE
    ? execSync("ps -eo times=,args=", { encoding: "utf8" }).split("\n").filter((l) => /chrom/.test(l)).reduce((s, l) => s + Number(l.trim().split(/\s+/)[0]), 0)
    : 0;
let cpuStart = 0;
const profile = async (page, label) => {
  if (!process.env.PIXMIRA_PROFILE) return;
  const took = browserSeconds() - cpuStart;
  // A process that ended meanwhile takes its count with it.
  console.error(`${label}: the browser's processes took ${took < 0 ? "? (one ended)" : took} s of processor time`);
  const table = (await page.evaluate(() => window.pixmiraTiming?.table())) ?? {};
  console.error(`${label} stages (count, ms):`);
  for (const [stage, t] of Object.entries(table).sort()) console.error(`  ${stage}: ${t.n} ${t.ms}`);
};
const b = await openBrowser();
try {
  const page = await openPage(b);
  const engine = await page.evaluate(() => document.body.dataset.engine);
  if (engine !== "wasm") console.error(`(the page runs the ${engine} engine, not the WebAssembly one)`);
  if (what === "thumbnails") {
    await page.evaluate(() => window.pixmiraTiming?.clear());
    const files = readdirSync(arg).filter((f) => f.endsWith(".jpg")).sort().map((f) => join(arg, f));
    cpuStart = browserSeconds();
    const start = Date.now();
    await page.setInputFiles("#add-files", files);
    await page.waitForFunction(() => document.body.dataset.thumbsPending === "0", null, { timeout: 600_000, polling: 20 });
    console.log(`web-thumbnails-${files.length}: ${((Date.now() - start) / 1000).toFixed(2)} s`);
    await profile(page, "thumbnails");
  } else if (what === "export") {
    await page.setInputFiles("#import-settings", arg);
    await page.setInputFiles("#add-files", rest);
    // A seller looks at the list before generating: by then the page is idle (thumbnails,
    // preview and the workers' font ready), which is what is timed from.
    await page.waitForFunction(() => document.body.dataset.thumbsPending === "0", null, { timeout: 600_000 });
    await page.waitForFunction(() => document.body.dataset.previewPending === "0" && document.body.dataset.preparing !== "1", null, { timeout: 600_000 });
    await page.selectOption("#target", "zip");
    await page.evaluate(() => window.pixmiraTiming?.clear());
    cpuStart = browserSeconds();
    const start = Date.now();
    const [download] = await Promise.all([page.waitForEvent("download", { timeout: 600_000 }), page.click("#generate")]);
    const seconds = (Date.now() - start) / 1000;
    await download.path();
    console.log(`web-export-${rest.length}-photos-page: ${seconds.toFixed(2)} s`);
    await profile(page, "export");
  }
} finally {
  await b.close();
}
