// The page around the viewer. The program (paraboloid.js, loaded after this
// script) finds here what it uses from the page:
//
//   Module.canvas, the element #canvas
//     The program's window. The program sets its size (its pixel size is its
//     CSS size); the page places it at (50, 50) from the page's top-left corner.
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
// Only Module, paraboloidMessageBox and paraboloidStopped are global: the
// program's script has top-level names of its own.
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

// ---- The program ----

window.paraboloidMessageBox = paraboloidMessageBox;
window.paraboloidStopped = paraboloidStopped;
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
