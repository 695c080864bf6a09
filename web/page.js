// The page around the viewer. It loads the program (paraboloid.js and its
// WebAssembly, paraboloid.wasm), and the program finds here what it uses from
// the page:
//
//   Module.canvas, the element #canvas
//     The program's window. The program sets its size in device pixels, and
//     its CSS size is that over the device pixel ratio; the page places it at
//     (50, 50) from the page's top-left corner.
//
//   paraboloidScreenHeight() -> number
//     The screen's height the program is told, in device pixels: the page's
//     height, or less where the page is narrow (see "Fitting the screen").
//
//   paraboloidWindowShown(shown)
//     The program's window has been made (true) or has gone (false): the
//     page shows its controls meanwhile. Their buttons call the program's
//     Module._PlatformPageKey(character) with the character of their key.
//
//   paraboloidMessageBox(caption, text, isError) -> Promise
//     Shows a modal message box: `caption` on top, `text` below exactly as
//     written (blanks and line breaks kept), one OK button, and a stop icon
//     when `isError` is true. The promise resolves once the box is dismissed
//     with Return or Escape (wherever the focus is) or a click on OK. While it
//     is shown nothing else on the page gets input: no key, pointer or wheel
//     event reaches the program, and Tab keeps the focus in the box. Boxes
//     asked for while one is shown come one after the other. The program
//     waits for the promise through ASYNCIFY, e.g.
//       EM_ASYNC_JS(void, ShowBox, (const char* caption, const char* text, int error), {
//           await paraboloidMessageBox(UTF8ToString(caption), UTF8ToString(text), !!error);
//       });
//
//   document.title
//     The window's title; the program sets it (SDL does when it names its
//     window). The canvas takes it as its accessible name.
//
//   Module.onExit(status), Module.onAbort(what)
//     When the program ends (main returns or exit() is called) the page says
//     so with the exit status and how to start it again; when it stops on an
//     error (or cannot be loaded) the page says that.
//
// The status line above the canvas says what goes on: the loading with its
// progress, a page opened from disk (which cannot load the WebAssembly), a
// file that cannot be fetched or compiled, a lost WebGL context, the end.
// Only Module and the paraboloid... functions are global: the program's
// script has top-level names of its own.
(() => {
"use strict";

const canvas = document.getElementById("canvas");
const statusLine = document.getElementById("status");
const box = document.getElementById("message-box");
const okButton = document.getElementById("message-box-ok");

// ---- The status line ----

let ended = false;  // the line says how the program ended, and keeps saying it

function say(text) {
  if (!ended) statusLine.textContent = text;
}

// Says how the program ended: `message` (text, or an array of texts and
// elements), then (unless `reload` is false) a link that reloads the page.
function showEnd(message, stopped, reload = true) {
  ended = true;
  statusLine.removeAttribute("aria-busy");
  // One piece, which the line centres as it centres plain text.
  const line = document.createElement("span");
  line.append(...[message].flat());
  if (reload) {
    const link = document.createElement("a");
    link.href = "";
    link.textContent = "Reload the page";
    line.append(" ", link, " to start it again.");
  }
  statusLine.replaceChildren(line);
  statusLine.classList.toggle("stopped", stopped);
  canvas.classList.add("ended");
}

function webglOffered() {
  try {
    return Boolean(document.createElement("canvas").getContext("webgl"));
  } catch {
    return false;
  }
}

function paraboloidEnded(status) {
  const noWebgl = status !== 0 && !webglOffered()
    ? " It draws with WebGL, which this browser does not offer (or has turned off)." : "";
  showEnd(`paraboloid has ended with exit status ${status}.${noWebgl}`, status !== 0);
}

function paraboloidStopped(what) {
  showEnd(`paraboloid stopped because of an error: ${what}.`, true);
}

// ---- The message box ----

let dismissBox = null;  // set while a box is shown
let lastBox = Promise.resolve();

function showBox(caption, text, isError) {
  return new Promise((resolve) => {
    document.getElementById("message-box-caption").textContent = caption;
    document.getElementById("message-box-text").textContent = text;
    box.classList.toggle("error", isError);
    box.dataset.shown = Number(box.dataset.shown || 0) + 1;  // how many boxes so far
    dismissBox = () => {
      dismissBox = null;
      box.close();
      resolve();
    };
    box.showModal();
    okButton.focus();
    performance.mark("message box shown");  // for measuring the start-up
  });
}

function paraboloidMessageBox(caption, text, isError) {
  const shown = lastBox.then(() => showBox(String(caption), String(text), Boolean(isError)));
  lastBox = shown;
  return shown;
}

okButton.addEventListener("click", () => dismissBox && dismissBox());
// While a box is shown, its keys are the box's, wherever the focus is: Return
// and Escape dismiss it, Tab stays on its one button, and no key goes further.
for (const type of ["keydown", "keyup", "keypress"]) {
  window.addEventListener(type, (event) => {
    if (!dismissBox) return;
    event.stopPropagation();
    if (type !== "keydown") return;
    if (event.key === "Tab") {
      event.preventDefault();
      okButton.focus();
    } else if (event.key === "Enter" || event.key === "Escape") {
      event.preventDefault();
      dismissBox();
    }
  }, true);
}
// Other close requests (a phone's back gesture) come as the dialog's own
// cancel request.
box.addEventListener("cancel", (event) => {
  event.preventDefault();
  if (dismissBox) dismissBox();
});
// The box is modal: the rest of the page is inert, and pointer input inside
// the box goes no further than the box (the program listens on the document
// and the window too).
for (const type of ["mousedown", "mouseup", "mousemove", "click", "dblclick", "contextmenu", "wheel",
                    "pointerdown", "pointerup", "pointermove", "touchstart", "touchmove", "touchend",
                    "touchcancel"]) {
  box.addEventListener(type, (event) => event.stopPropagation());
}

// ---- Loading ----

// The page loads the WebAssembly itself, to show how much of it has come, and
// hands it to Emscripten (Module.instantiateWasm), compiled as it streams in.
// Browsers fetch nothing for a page opened from disk: it must be served.

function fromServer(response) {
  return `the server answered ${response.status} ${response.statusText}`.trim();
}

function unreachable(error) {
  return `the server could not be reached (${error.message})`;
}

function showProgress(loaded, total) {
  const kB = (bytes) => Math.round(bytes / 1000).toLocaleString("en");
  say(`Loading paraboloid… ${total >= loaded ? `${kB(loaded)} of ${kB(total)}` : kB(loaded)} kB`);
}

// The WebAssembly as it streams in, counted on the status line. Content-Length
// counts the bytes sent, which a compressed transfer makes fewer than those read.
function counted(response) {
  const total = response.headers.get("Content-Encoding") ? 0 : Number(response.headers.get("Content-Length"));
  let loaded = 0;
  const body = response.body.pipeThrough(new TransformStream({
    transform(chunk, controller) {
      loaded += chunk.byteLength;
      showProgress(loaded, total);
      controller.enqueue(chunk);
    },
  }));
  return new Response(body, { headers: { "Content-Type": "application/wasm" } });
}

const wasmFile = "its WebAssembly paraboloid.wasm";

// The compiled WebAssembly (it needs no imports until it is instantiated), or
// an Error that says why there is none.
function compileWasm() {
  return fetch("paraboloid.wasm", { credentials: "same-origin" }).then((response) => {
    if (!response.ok) throw new Error(`${wasmFile} could not be fetched: ${fromServer(response)}`);
    const streamed = counted(response);
    return (WebAssembly.compileStreaming ? WebAssembly.compileStreaming(streamed)
                                         : streamed.arrayBuffer().then(WebAssembly.compile)
    ).catch((error) => {
      throw new Error(error instanceof TypeError ? `${wasmFile} could not be fetched: ${unreachable(error)}`
                                                 : `${wasmFile} could not be compiled: ${error}`);
    });
  }, (error) => {
    throw new Error(`${wasmFile} could not be fetched: ${unreachable(error)}`);
  });
}

// The program's script, and what went wrong with it: it could not be fetched,
// or it could not be run (the window's error event before its load event).
function loadScript() {
  const script = document.createElement("script");
  script.src = "paraboloid.js";
  const failed = (event) => {
    if (event.filename && event.filename.endsWith("/paraboloid.js"))
      paraboloidStopped(`its script paraboloid.js could not be run: ${event.message}`);
  };
  window.addEventListener("error", failed);
  script.addEventListener("load", () => window.removeEventListener("error", failed));
  script.addEventListener("error", () => {
    const file = "its script paraboloid.js could not be fetched";
    fetch(script.src, { method: "HEAD", cache: "no-store" }).then(
      (response) => paraboloidStopped(`${file}: ${response.ok ? "it did not load" : fromServer(response)}`),
      (error) => paraboloidStopped(`${file}: ${unreachable(error)}`));
  });
  document.body.append(script);
}

// ---- The GPU lost and back ----

// The program cancels the loss of its WebGL context, so that the browser may
// give it back, and waits for it; the page says meanwhile why the picture is gone.
canvas.addEventListener("webglcontextlost", () => {
  say("The picture is lost: the browser has taken the graphics away. It comes back by itself.");
});
canvas.addEventListener("webglcontextrestored", () => say(""));

// ---- Screen readers ----

// The canvas is named after the window (the page's title); its description
// (#canvas-description) tells what it shows and how to use it.
function nameCanvas() {
  canvas.setAttribute("aria-label", document.title);
}
new MutationObserver(nameCanvas).observe(document.querySelector("title"),
                                         { childList: true, characterData: true, subtree: true });
nameCanvas();

// ---- Fitting the screen ----

// The program's window is a square 0.8 of the screen's height (truncated to
// whole pixels), placed with a margin of 50 px. Where that square would not
// fit the page's width with the same margin on the right, the program is
// told of a lower screen, whose 0.8 is the side that fits.
const margin = 50;
const windowShare = 0.8;

function paraboloidScreenHeight() {
  const ratio = devicePixelRatio;
  const fits = Math.floor((document.documentElement.clientWidth - 2 * margin) * ratio);
  return Math.min(Math.round(innerHeight * ratio), Math.ceil(fits / windowShare));
}

// ---- Controls ----

// Buttons for what the keys f, p and Escape do, for those without a keyboard;
// they also tell everyone which keys there are. A button sends what its key
// sends and gives the keyboard back to the canvas.
const controls = document.getElementById("controls");

for (const button of controls.querySelectorAll("button")) {
  button.addEventListener("click", () => {
    Module._PlatformPageKey(Number(button.dataset.character));
    canvas.focus({ preventScroll: true });
  });
}

// Beside the canvas where the page leaves room for them, else below it.
function placeControls() {
  if (controls.hidden) return;
  const gap = 16;
  const right = canvas.offsetLeft + canvas.offsetWidth;
  controls.classList.remove("below");
  controls.style.left = `${right + gap}px`;
  controls.style.top = `${canvas.offsetTop}px`;
  if (right + 2 * gap + controls.offsetWidth > document.documentElement.clientWidth) {
    controls.classList.add("below");
    controls.style.left = `${canvas.offsetLeft}px`;
    controls.style.top = `${canvas.offsetTop + canvas.offsetHeight + gap}px`;
  }
}

function paraboloidWindowShown(shown) {
  controls.hidden = !shown;
  placeControls();
}

new ResizeObserver(placeControls).observe(canvas);
window.addEventListener("resize", placeControls);

// ---- The program ----

window.paraboloidMessageBox = paraboloidMessageBox;
window.paraboloidScreenHeight = paraboloidScreenHeight;
window.paraboloidWindowShown = paraboloidWindowShown;

if (location.protocol === "file:") {
  const code = (text) => Object.assign(document.createElement("code"), { textContent: text });
  showEnd(["paraboloid cannot start from a page opened from disk: browsers load its WebAssembly only " +
           "from a web server. Serve this folder over HTTP, e.g. run ", code("python3 -m http.server"),
           " in it and open ", code("http://localhost:8000/"), " (in the source tree, ",
           code("scripts/web.sh --serve"), " builds and serves it)."], true, false);
  return;
}

// The WebAssembly is fetched and compiled at once, and instantiated when the
// program's script asks for it with the imports it gives.
let scriptAsks;
const asked = new Promise((resolve) => { scriptAsks = resolve; });
Promise.all([compileWasm(), asked])
  .then(([module, program]) => WebAssembly.instantiate(module, program.imports).then(
    (instance) => [program, instance, module],
    (error) => { throw new Error(`${wasmFile} does not fit its script paraboloid.js: ${error}`); }))
  .then(([program, instance, module]) => program.receive(instance, module),
        (error) => paraboloidStopped(error.message));

window.Module = {
  canvas,
  instantiateWasm(imports, receive) {
    scriptAsks({ imports, receive });
    return {};  // the exports come later, through receive
  },
  onRuntimeInitialized() {
    say("");
    statusLine.removeAttribute("aria-busy");
  },
  onExit: paraboloidEnded,
  onAbort(what) {
    paraboloidStopped(String(what));
  },
};
statusLine.setAttribute("aria-busy", "true");  // the progress is said once it is done
loadScript();
})();
