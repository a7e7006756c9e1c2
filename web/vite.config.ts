import { defineConfig, type Plugin } from "vite";
import { createHash } from "node:crypto";
import { existsSync, readdirSync, readFileSync, statSync, writeFileSync } from "node:fs";
import { join, resolve } from "node:path";
import { fileURLToPath } from "node:url";
// @ts-expect-error plain JavaScript helper shared with the tests
import { readTranslations } from "./translations.mjs";

const here = fileURLToPath(new URL(".", import.meta.url));
const repo = resolve(here, "..");
const engineDir = process.env.PIXMIRA_ENGINE_DIR ?? join(here, "engine", "dist");

function filesUnder(dir: string, prefix = ""): string[] {
  if (!existsSync(dir)) return [];
  return readdirSync(dir).flatMap((name) => {
    const p = join(dir, name);
    return statSync(p).isDirectory() ? filesUnder(p, `${prefix}${name}/`) : [`${prefix}${name}`];
  });
}

// The settings rows of the native command, written by scripts/build-page: only the stand-in
// engine (in the workers) reads them; the real one has its own.
function commandSchema(): Plugin {
  const id = "virtual:pixmira-schema";
  const file = process.env.PIXMIRA_SCHEMA_JSON;
  return {
    name: "pixmira-schema",
    resolveId: (asked) => (asked === id ? "\0" + id : null),
    load(asked) {
      if (asked !== "\0" + id) return null;
      const json = file && existsSync(file) ? readFileSync(file, "utf8").trim() : "";
      return `export default ${json || "[]"};`;
    },
  };
}

// The English words come from the window's translation and the page's own; the icons, the engine and its font
// are copied in; the service worker learns every file to keep for offline use.
function pixmira(): Plugin {
  const virtualId = "virtual:pixmira-english";
  const tsFiles = [join(repo, "ui/translations/pixmira_en.ts"), join(repo, "web/translations/pixmira_web_en.ts")];
  return {
    name: "pixmira",
    resolveId(id) {
      return id === virtualId ? "\0" + virtualId : null;
    },
    load(id) {
      if (id !== "\0" + virtualId) return null;
      for (const f of tsFiles) this.addWatchFile(f);
      const english = Object.assign({}, ...tsFiles.map(readTranslations));
      return `export default ${JSON.stringify(english)};`;
    },
    generateBundle() {
      const icons = ["pixmira-48.png", "pixmira-128.png", "pixmira.svg"];
      for (const icon of icons) {
        this.emitFile({ type: "asset", fileName: `icons/${icon}`, source: readFileSync(join(repo, "data/desktop", icon)) });
      }
      for (const f of filesUnder(engineDir)) {
        if (/\.(js|wasm|data|ttf|ttc|otf)$/.test(f)) this.emitFile({ type: "asset", fileName: `engine/${f}`, source: readFileSync(join(engineDir, f)) });
      }
      const manifest = {
        name: "Pixmira",
        short_name: "Pixmira",
        description: "宝贝图片批量处理",
        start_url: "./",
        scope: "./",
        display: "standalone",
        background_color: "#ffffff",
        theme_color: "#e8452c",
        lang: "zh-CN",
        icons: [
          { src: "icons/pixmira-48.png", sizes: "48x48", type: "image/png" },
          { src: "icons/pixmira-128.png", sizes: "128x128", type: "image/png" },
          { src: "icons/pixmira.svg", sizes: "any", type: "image/svg+xml" },
        ],
      };
      this.emitFile({ type: "asset", fileName: "manifest.webmanifest", source: JSON.stringify(manifest, null, 1) });
    },
    // The service worker is written last, when every file of the page is on disk.
    writeBundle(options) {
      const out = options.dir!;
      const files = filesUnder(out).filter((f) => f !== "sw.js").sort();
      const hash = createHash("sha256");
      for (const f of files) hash.update(f).update(readFileSync(join(out, f)));
      const sw = readFileSync(join(here, "src/sw.js"), "utf8")
        .replace("__VERSION__", hash.digest("hex").slice(0, 16))
        .replace("__FILES__", JSON.stringify(["./", ...files]));
      writeFileSync(join(out, "sw.js"), sw);
    },
  };
}

// The threaded engine needs shared memory, which a browser gives only to a cross-origin
// isolated page: `vite` and `vite preview` send what serve.mjs sends.
const isolation = {
  "Cross-Origin-Opener-Policy": "same-origin",
  "Cross-Origin-Embedder-Policy": "require-corp",
  "Cross-Origin-Resource-Policy": "same-origin",
};

export default defineConfig({
  base: "./",
  plugins: [pixmira()],
  server: { headers: isolation },
  preview: { headers: isolation },
  worker: { format: "es", plugins: () => [commandSchema()] },
  build: { target: "es2022", outDir: "dist", emptyOutDir: true, assetsInlineLimit: 0 },
});
