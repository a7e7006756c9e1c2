declare module "virtual:pixmira-english" {
  const table: Record<string, string | string[]>;
  export default table;
}
