declare module "virtual:pixmira-english" {
  const table: Record<string, string | string[]>;
  export default table;
}
declare module "virtual:pixmira-schema" {
  const json: unknown;
  export default json;
}
