// Times the page in Debian's Chromium, cross-origin isolated (the threaded engine):
//   node bench/page.mjs thumbnails FOLDER       seconds until every thumbnail of the folder shows
//   node bench/page.mjs export CONFIG FILES...  seconds from "generate" until the zip is made
import { readdirSync } from "node:fs";
import { join } from "node:path";
import { openBrowser, openPage } from "../tests/harness.mjs";

const [what, arg, ...rest] = process.argv.slice(2);
const b = await openBrowser();
try {
  const page = await openPage(b);
  const engine = await page.evaluate(() => document.body.dataset.engine);
  if (engine !== "wasm") console.error(`(the page runs the ${engine} engine, not the WebAssembly one)`);
  if (what === "thumbnails") {
    const files = readdirSync(arg).filter((f) => f.endsWith(".jpg")).sort().map((f) => join(arg, f));
    const start = Date.now();
    await page.setInputFiles("#add-files", files);
    await page.waitForFunction(() => document.body.dataset.thumbsPending === "0", null, { timeout: 600_000, polling: 20 });
    console.log(`web-thumbnails-${files.length}: ${((Date.now() - start) / 1000).toFixed(2)} s`);
  } else if (what === "export") {
    await page.setInputFiles("#import-settings", arg);
    await page.setInputFiles("#add-files", rest);
    await page.waitForFunction(() => document.body.dataset.thumbsPending === "0", null, { timeout: 600_000 });
    await page.selectOption("#target", "zip");
    const start = Date.now();
    const [download] = await Promise.all([page.waitForEvent("download", { timeout: 600_000 }), page.click("#generate")]);
    const seconds = (Date.now() - start) / 1000;
    await download.path();
    console.log(`web-export-${rest.length}-photos-page: ${seconds.toFixed(2)} s`);
  }
} finally {
  await b.close();
}
