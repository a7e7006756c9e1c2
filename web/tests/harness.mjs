// Debian's Chromium, headless, on the built page served with or without isolation headers.
import { chromium } from "playwright-core";
import { mkdtempSync, rmSync } from "node:fs";
import { tmpdir } from "node:os";
import { join } from "node:path";
import { fileURLToPath } from "node:url";
import { serve } from "../serve.mjs";

export const webDir = fileURLToPath(new URL("..", import.meta.url));
export const repoDir = join(webDir, "..");

export async function openBrowser({ isolated = true } = {}) {
  const server = await serve({ root: join(webDir, "dist"), port: 0, isolated });
  const profile = mkdtempSync(join(tmpdir(), "pixmira-chromium-"));
  const context = await chromium.launchPersistentContext(profile, {
    executablePath: process.env.PIXMIRA_CHROMIUM ?? "/usr/bin/chromium",
    headless: true,
    acceptDownloads: true,
    args: ["--headless", "--no-sandbox", "--disable-gpu", "--disable-quic", "--no-first-run", "--disable-background-networking",
      "--disable-component-update", "--disable-sync"],
  });
  const url = `http://127.0.0.1:${server.address().port}/`;
  return {
    context,
    url,
    async close() {
      await context.close();
      server.close();
      rmSync(profile, { recursive: true, force: true });
    },
  };
}

export async function openPage(b, { lang = "zh-CN", viewport = { width: 1280, height: 900 }, query = "" } = {}) {
  const page = await b.context.newPage();
  await page.setViewportSize(viewport);
  const errors = [];
  page.on("pageerror", (e) => errors.push(e));
  await page.goto(b.url + (query || (lang.startsWith("en") ? "?lang=en" : "")));
  await page.waitForSelector("body[data-ready='1']");
  page.errors = errors;
  return page;
}
