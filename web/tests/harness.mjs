// Debian's Chromium, headless (Playwright gives every launch a fresh profile folder), on the built page served with or without isolation headers.
import { chromium } from "playwright-core";
import { join } from "node:path";
import { fileURLToPath } from "node:url";
import { serve } from "../serve.mjs";

export const webDir = fileURLToPath(new URL("..", import.meta.url));
export const repoDir = join(webDir, "..");

// PIXMIRA_CHROMIUM_ARGS: more switches for the browser, as when profiling (--js-flags=...).
export async function openBrowser({ isolated = true } = {}) {
  // PIXMIRA_PAGE_DIR: another build of the page, as for comparing builds in the benchmark.
  const server = await serve({ root: process.env.PIXMIRA_PAGE_DIR ?? join(webDir, "dist"), port: 0, isolated });
  const browser = await chromium.launch({
    executablePath: process.env.PIXMIRA_CHROMIUM ?? "/usr/bin/chromium",
    headless: true,
    args: ["--headless", "--no-sandbox", "--disable-gpu", "--disable-quic", "--no-first-run", "--disable-background-networking",
      "--disable-component-update", "--disable-sync", ...(process.env.PIXMIRA_CHROMIUM_ARGS ?? "").split(" ").filter(Boolean)],
  });
  const url = `http://127.0.0.1:${server.address().port}/`;
  return {
    browser,
    url,
    async close() {
      await browser.close();
      server.close();
    },
  };
}

// A fresh context (its own storage) in the given language and size.
export async function openPage(b, { locale = "zh-CN", viewport = { width: 1280, height: 900 }, init } = {}) {
  const context = await b.browser.newContext({ locale, viewport, acceptDownloads: true });
  if (init) await context.addInitScript(init);
  const page = await context.newPage();
  const errors = [];
  page.on("pageerror", (e) => errors.push(e));
  await page.goto(b.url);
  await page.waitForSelector("body[data-ready='1']");
  page.errors = errors;
  return page;
}
