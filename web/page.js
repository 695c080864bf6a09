// The page around the viewer. The program (paraboloid.js, loaded after this
// script) finds here what it uses from the page:
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
//     with Return, Escape or a click on OK. While it is shown nothing else on
//     the page gets input: no key, pointer or wheel event reaches the program.
//     Boxes asked for while one is shown come one after the other. The
//     program waits for the promise through ASYNCIFY, e.g.
//       EM_ASYNC_JS(void, ShowBox, (const char* caption, const char* text, int error), {
//           await paraboloidMessageBox(UTF8ToString(caption), UTF8ToString(text), !!error);
//       });
//
//   document.title
//     The window's title; the program sets it (SDL does when it names its window).
//
//   Module.onExit(status), Module.onAbort(what)
//     When the program ends (main returns or exit() is called) the page says
//     so with the exit status and how to start it again; when it stops on an
//     error (or cannot be loaded) the page says that.
// Only Module and the paraboloid... functions are global: the program's
// script has top-level names of its own.
(() => {
"use strict";

const canvas = document.getElementById("canvas");
const statusLine = document.getElementById("status");
const box = document.getElementById("message-box");
const okButton = document.getElementById("message-box-ok");

// Writes the status line: `message`, then a link that reloads the page.
function showStatus(message, stopped) {
  statusLine.textContent = message;
  statusLine.classList.toggle("stopped", stopped);
  const reload = document.createElement("a");
  reload.href = "";
  reload.textContent = "Reload the page";
  statusLine.append(" ", reload, " to start it again.");
  canvas.classList.add("ended");
}

function paraboloidEnded(status) {
  showStatus(`paraboloid has ended with exit status ${status}.`, status !== 0);
}

function paraboloidStopped(what) {
  showStatus(`paraboloid stopped because of an error: ${what}.`, true);
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
box.addEventListener("keydown", (event) => {
  if ((event.key === "Enter" || event.key === "Escape") && dismissBox) {
    event.preventDefault();
    dismissBox();
  }
});
// Escape may also come as the dialog's own cancel request.
box.addEventListener("cancel", (event) => {
  event.preventDefault();
  if (dismissBox) dismissBox();
});
// The box is modal: the rest of the page is inert, and input inside the box
// goes no further than the box (the program listens on the document and the
// window too).
for (const type of ["keydown", "keyup", "keypress", "mousedown", "mouseup", "mousemove", "click",
                    "dblclick", "contextmenu", "wheel", "pointerdown", "pointerup", "pointermove",
                    "touchstart", "touchmove", "touchend", "touchcancel"]) {
  box.addEventListener(type, (event) => event.stopPropagation());
}

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

// exit() called while the program waits for a box (through ASYNCIFY) ends it
// by throwing Emscripten's ExitStatus out of the promise that resumed it. The
// page has said what that means (Module.onExit): it is no error.
window.addEventListener("unhandledrejection", (event) => {
  if (event.reason instanceof Object && event.reason.name === "ExitStatus") event.preventDefault();
});

window.paraboloidMessageBox = paraboloidMessageBox;
window.paraboloidStopped = paraboloidStopped;
window.paraboloidScreenHeight = paraboloidScreenHeight;
window.paraboloidWindowShown = paraboloidWindowShown;
window.Module = {
  canvas,
  onRuntimeInitialized() {
    statusLine.textContent = "";
  },
  onExit: paraboloidEnded,
  onAbort(what) {
    paraboloidStopped(String(what));
  },
};
})();
