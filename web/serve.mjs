// Serves web/dist on 127.0.0.1 with the headers that make the page cross-origin isolated
// (the threaded engine needs them). Usage: node serve.mjs [PORT] [--plain] [--quiet]
// --plain leaves the isolation headers out (the single-threaded engine then runs).
import { createServer } from "node:http";
import { readFile, stat } from "node:fs/promises";
import { extname, join, normalize, resolve } from "node:path";
import { fileURLToPath } from "node:url";

const TYPES = {
  ".html": "text/html; charset=utf-8", ".js": "text/javascript; charset=utf-8", ".mjs": "text/javascript; charset=utf-8",
  ".css": "text/css; charset=utf-8", ".wasm": "application/wasm", ".json": "application/json",
  ".webmanifest": "application/manifest+json", ".png": "image/png", ".svg": "image/svg+xml",
  ".ttf": "font/ttf", ".ttc": "font/collection", ".otf": "font/otf", ".ico": "image/x-icon",
};

export function serve({ root, port = 8080, isolated = true, host = "127.0.0.1" }) {
  const base = resolve(root);
  const server = createServer(async (req, res) => {
    const headers = { "Cache-Control": "no-cache", "X-Content-Type-Options": "nosniff" };
    if (isolated) {
      headers["Cross-Origin-Opener-Policy"] = "same-origin";
      headers["Cross-Origin-Embedder-Policy"] = "require-corp";
      headers["Cross-Origin-Resource-Policy"] = "same-origin";
    }
    try {
      let path = decodeURIComponent(new URL(req.url ?? "/", "http://x").pathname);
      const file = normalize(join(base, path));
      if (!file.startsWith(base)) throw Object.assign(new Error("outside"), { code: "ENOENT" });
      let target = file;
      if ((await stat(target)).isDirectory()) target = join(target, "index.html");
      const body = await readFile(target);
      res.writeHead(200, { ...headers, "Content-Type": TYPES[extname(target)] ?? "application/octet-stream" });
      res.end(req.method === "HEAD" ? undefined : body);
    } catch {
      res.writeHead(404, { ...headers, "Content-Type": "text/plain" });
      res.end("not found");
    }
  });
  return new Promise((ok, fail) => {
    server.once("error", fail);
    server.listen(port, host, () => ok(server));
  });
}

if (process.argv[1] && resolve(process.argv[1]) === fileURLToPath(import.meta.url)) {
  const args = process.argv.slice(2);
  const port = Number(args.find((a) => /^\d+$/.test(a)) ?? 8080);
  const isolated = !args.includes("--plain");
  const server = await serve({ root: join(fileURLToPath(new URL(".", import.meta.url)), "dist"), port, isolated });
  const p = server.address().port;
  console.log(`Pixmira: http://127.0.0.1:${p}/${isolated ? "" : " (without cross-origin isolation: single-threaded engine)"}`);
}
