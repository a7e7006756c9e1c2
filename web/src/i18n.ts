// Pixmira's words: Chinese as written in the program, English from the window's own
// translation file when the browser's language is English.
import english from "virtual:pixmira-english";

const table = english as Record<string, string | string[]>;

function pickEnglish(): boolean {
  const forced = new URLSearchParams(location.search).get("lang");
  if (forced) return forced.startsWith("en");
  return (navigator.language || "").toLowerCase().startsWith("en");
}

export const isEnglish = pickEnglish();

// "生成图片(&G)..." is shown "生成图片..."; the page has no accelerators.
function plain(s: string): string {
  return s.replace(/\(&[A-Za-z]\)/g, "").replace(/&(?=[^&])/g, "");
}

// The text in the page's language; %1, %2 ... take the arguments. A number as the first
// argument picks the English plural form.
export function tr(source: string, ...args: (string | number)[]): string {
  let text = source;
  if (isEnglish) {
    const t = table[source];
    if (Array.isArray(t)) text = t[typeof args[0] === "number" && args[0] === 1 ? 0 : t.length - 1];
    else if (t) text = t;
  }
  text = plain(text);
  return text.replace(/%(\d)/g, (m, n) => (args[+n - 1] !== undefined ? String(args[+n - 1]) : m)).replace(/%n/g, String(args[0] ?? ""));
}

export function hasTranslation(source: string): boolean {
  return source in table;
}

// A text with a count: %n is the count, which also picks the English plural form.
export function trn(source: string, n: number, ...args: (string | number)[]): string {
  let text = source;
  if (isEnglish) {
    const t = table[source];
    if (Array.isArray(t)) text = t[n === 1 ? 0 : t.length - 1];
    else if (t) text = t;
  }
  text = plain(text).replace(/%n/g, String(n));
  return text.replace(/%(\d)/g, (m, i) => (args[+i - 1] !== undefined ? String(args[+i - 1]) : m));
}
