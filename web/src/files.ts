// Files the settings name (the watermark picture) and fonts the user adds, kept in the
// browser so they are there after a reload, and handed to every engine worker.
const DB = "pixmira";
const STORE = "files";

function open(): Promise<IDBDatabase> {
  return new Promise((resolve, reject) => {
    const req = indexedDB.open(DB, 1);
    req.onupgradeneeded = () => req.result.createObjectStore(STORE);
    req.onsuccess = () => resolve(req.result);
    req.onerror = () => reject(req.error);
  });
}

export interface KeptFile {
  kind: "picture" | "font";
  name: string;
  bytes: ArrayBuffer;
}

export async function keepFile(f: KeptFile): Promise<void> {
  try {
    const db = await open();
    await new Promise<void>((resolve, reject) => {
      const tx = db.transaction(STORE, "readwrite");
      tx.objectStore(STORE).put(f, `${f.kind}/${f.name}`);
      tx.oncomplete = () => resolve();
      tx.onerror = () => reject(tx.error);
    });
    db.close();
  } catch {
    // not kept (private mode): it serves this visit only
  }
}

export async function keptFiles(): Promise<KeptFile[]> {
  try {
    const db = await open();
    const all = await new Promise<KeptFile[]>((resolve, reject) => {
      const req = db.transaction(STORE).objectStore(STORE).getAll();
      req.onsuccess = () => resolve(req.result as KeptFile[]);
      req.onerror = () => reject(req.error);
    });
    db.close();
    return all;
  } catch {
    return [];
  }
}
