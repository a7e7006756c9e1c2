// Chooses the engine: the WebAssembly build when the page ships one, else the stand-in.
import type { Engine } from "./types";
import { makeStubEngine } from "./stub";
import { loadWasmEngine } from "./wasm";

export async function loadEngine(threaded: boolean): Promise<Engine> {
  return (await loadWasmEngine(threaded)) ?? makeStubEngine();
}
