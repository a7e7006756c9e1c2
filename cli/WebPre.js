// pixmira-batch under node: the program sees the real environment (language, home folder),
// not the fixed one emscripten makes up for a browser.
Module["preRun"] = Module["preRun"] || [];
Module["preRun"].push(function () {
  if (typeof process === "object" && process.env) Object.assign(ENV, process.env);
});
