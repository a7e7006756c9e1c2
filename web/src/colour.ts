// Colour text as Config.ini keeps it and as a colour input shows it.

// "$00BBGGRR" or a toolkit name <-> "#rrggbb".
const NAMED: Record<string, string> = {
  clblack: "000000", clmaroon: "000080", clgreen: "008000", clolive: "008080", clnavy: "800000",
  clpurple: "800080", clteal: "808000", clgray: "808080", clsilver: "C0C0C0", clred: "0000FF",
  cllime: "00FF00", clyellow: "00FFFF", clblue: "FF0000", clfuchsia: "FF00FF", claqua: "FFFF00",
  clwhite: "FFFFFF", clmoneygreen: "C0DCC0", clskyblue: "F0CAA6", clcream: "F0FBFF", clmedgray: "A4A0A0",
};
export function colourToHex(value: string): string {
  let bgr = NAMED[value.trim().toLowerCase()];
  if (!bgr && /^\$[0-9a-f]{1,8}$/i.test(value.trim())) bgr = value.trim().slice(1).padStart(6, "0").slice(-6);
  if (!bgr) bgr = "FFFFFF";
  return `#${bgr.slice(4, 6)}${bgr.slice(2, 4)}${bgr.slice(0, 2)}`.toLowerCase();
}
export function hexToColour(hex: string): string {
  const h = hex.replace("#", "").toUpperCase();
  return `$00${h.slice(4, 6)}${h.slice(2, 4)}${h.slice(0, 2)}`;
}
