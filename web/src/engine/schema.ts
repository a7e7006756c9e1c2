// The settings schema's JSON as the engine gives it, in the page's terms. Field names the
// listing may spell differently are taken either way.
import type { SettingCondition, SettingRow } from "../protocol";
import commandSchemaJson from "virtual:pixmira-schema";

type Raw = Record<string, unknown>;
const SITES = ["main", "dialog", "pipeline", "export"] as const;

export function normaliseSchema(json: unknown): SettingRow[] {
  const rows = (Array.isArray(json) ? json : ((json as Raw)?.rows ?? (json as Raw)?.settings ?? [])) as Raw[];
  return rows.map((r) => {
    const d = r.defaults;
    const defaults: SettingRow["defaults"] = {};
    if (Array.isArray(d)) SITES.forEach((s, i) => (defaults[s] = (d[i] as string | null) ?? null));
    else if (d && typeof d === "object") for (const s of SITES) defaults[s] = ((d as Raw)[s] ?? (d as Raw)[s[0].toUpperCase() + s.slice(1)] ?? null) as string | null;
    else if (r.default != null) for (const s of SITES) defaults[s] = String(r.default);
    const type = String(r.type ?? "text").toLowerCase().replace("color", "colour") as SettingRow["type"];
    const when = ((r.when ?? []) as Raw[]).map((c): SettingCondition => ({
      key: String(c.key),
      values: ((c.values ?? (c.value != null ? [c.value] : [])) as unknown[]).map(Number),
      negate: Boolean(c.negate ?? c.not),
    }));
    return {
      key: String(r.key),
      type,
      defaults,
      minimum: (r.minimum ?? r.min) as number | undefined,
      maximum: (r.maximum ?? r.max) as number | undefined,
      emptyAllowed: Boolean(r.emptyAllowed),
      choices: ((r.choices ?? []) as Raw[]).map((c) => ({ value: Number(c.value), caption: String(c.caption ?? ""), english: c.english as string | undefined })),
      caption: r.caption as string | undefined,
      tooltip: r.tooltip as string | undefined,
      english: r.english as string | undefined,
      group: r.group as string | undefined,
      panel: r.panel as string | undefined,
      when,
      family: r.family as string | undefined,
    };
  });
}

// The rows `pixmira-batch --list-settings --json` gave when the page was built, for the
// stand-in engine, which has no table of its own (none when no command was built).
export function commandSchema(): SettingRow[] {
  return normaliseSchema(commandSchemaJson);
}
