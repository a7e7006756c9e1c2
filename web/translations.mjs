// Reads Qt's .ts translation into { source: translation } for the page. Plural forms come as
// an array [one, other].
import { readFileSync } from "node:fs";

function unescape(s) {
  return s
    .replace(/&#x([0-9a-f]+);/gi, (_, h) => String.fromCodePoint(parseInt(h, 16)))
    .replace(/&#(\d+);/g, (_, d) => String.fromCodePoint(parseInt(d, 10)))
    .replace(/&lt;/g, "<").replace(/&gt;/g, ">").replace(/&quot;/g, '"').replace(/&apos;/g, "'")
    .replace(/&amp;/g, "&");
}

export function readTranslations(path) {
  const xml = readFileSync(path, "utf8");
  const out = {};
  for (const m of xml.matchAll(/<message\b[^>]*>([\s\S]*?)<\/message>/g)) {
    const body = m[1];
    const src = body.match(/<source>([\s\S]*?)<\/source>/);
    const tr = body.match(/<translation\b([^>]*)>([\s\S]*?)<\/translation>|<translation\b[^>]*\/>/);
    if (!src || !tr || tr[2] === undefined) continue;
    if (/type="(unfinished|vanished|obsolete)"/.test(tr[1] ?? "") && tr[2].trim() === "") continue;
    const forms = [...tr[2].matchAll(/<numerusform>([\s\S]*?)<\/numerusform>/g)].map((f) => unescape(f[1]));
    out[unescape(src[1])] = forms.length ? forms : unescape(tr[2]);
  }
  return out;
}
