# Driving the web build in headless Chromium through the DevTools protocol.
#
# serve() serves a folder on 127.0.0.1; Page opens it in a fresh headless
# Chromium (WebGL 1 on SwiftShader, or none with webgl=False) and offers real
# browser input (keys, clicks, drags that may leave the canvas), the canvas's
# place and pixels as shown, the message box, the console's errors and the end
# that the page reports. Coordinates are the page's CSS pixels. Every wait is a
# bounded poll that raises TimeoutError naming what it waited for.

import base64, functools, http.server, io, json, os, re, shutil, signal, subprocess, tempfile
import threading, time, urllib.request

import websocket
from PIL import Image

FLAGS = ["--headless=new", "--no-sandbox", "--use-angle=swiftshader", "--enable-unsafe-swiftshader",
         "--disable-background-networking", "--disable-component-update", "--disable-sync",
         "--no-first-run", "--no-default-browser-check", "--remote-debugging-port=0",
         "--window-size=1280,1024", "--force-device-scale-factor=1"]


def serve(folder):
    # Serves `folder` on a free port of 127.0.0.1 until shutdown(); the URL is server.url.
    class Quiet(http.server.SimpleHTTPRequestHandler):
        def log_message(self, *args):
            pass

    handler = functools.partial(Quiet, directory=folder)
    server = http.server.ThreadingHTTPServer(("127.0.0.1", 0), handler)
    server.url = f"http://127.0.0.1:{server.server_address[1]}/"
    threading.Thread(target=server.serve_forever, daemon=True).start()
    return server


def poll(condition, timeout, what):
    # Returns the first true value of condition() within `timeout` seconds.
    deadline = time.monotonic() + timeout
    while True:
        value = condition()
        if value:
            return value
        if time.monotonic() > deadline:
            raise TimeoutError(f"waited {timeout} s for {what}")
        time.sleep(0.05)


class Page:
    # One page in its own headless Chromium; use as a context manager.

    def __init__(self, url, webgl=True, screen=None):
        # screen: an emulated screen, Emulation.setDeviceMetricsOverride's width, height,
        # deviceScaleFactor and mobile; a mobile one has touch.
        self.profile = tempfile.mkdtemp(prefix="paraboloid-chromium-")
        self.log = open(os.path.join(self.profile, "chromium.log"), "w+")
        flags = FLAGS + [f"--user-data-dir={self.profile}"] + ([] if webgl else ["--disable-webgl"])
        self.browser = subprocess.Popen(["chromium", *flags, "about:blank"], stdin=subprocess.DEVNULL,
                                        stdout=self.log, stderr=self.log, start_new_session=True)
        self.errors = []  # console errors, uncaught exceptions and failed loads
        self.socket = None
        self.boxes = 0  # message boxes returned by message_box()
        try:
            port_file = os.path.join(self.profile, "DevToolsActivePort")

            def port():  # Chromium's DevTools port, once it has written it whole
                if os.path.exists(port_file):
                    with open(port_file) as f:
                        lines = f.read().split("\n")
                    return len(lines) > 1 and lines[0]
            port = poll(port, 20, "Chromium's DevTools port")
            with urllib.request.urlopen(f"http://127.0.0.1:{port}/json/list") as answer:
                target = next(t for t in json.load(answer) if t["type"] == "page")
            self.socket = websocket.create_connection(target["webSocketDebuggerUrl"],
                                                      suppress_origin=True, timeout=30)
            self.next_id = 0
            for domain in ("Runtime", "Log", "Page"):
                self.call(f"{domain}.enable")
            if screen:
                self.call("Emulation.setDeviceMetricsOverride", **screen)
                self.call("Emulation.setTouchEmulationEnabled", enabled=screen["mobile"], maxTouchPoints=5)
            self.call("Page.navigate", url=url)
            self.wait_for(f"location.href === {json.dumps(url)} && document.readyState !== 'loading'")
        except BaseException:
            self.close()
            raise

    def __enter__(self):
        return self

    def __exit__(self, *exc):
        self.close()

    def close(self):
        if self.socket:
            self.socket.close()
        os.killpg(self.browser.pid, signal.SIGKILL)  # Chromium and all its processes
        self.browser.wait()
        self.log.close()
        shutil.rmtree(self.profile, ignore_errors=True)

    # ---- The protocol ----

    def call(self, method, **params):
        # Sends a command and returns its result; events that come first are recorded.
        self.next_id += 1
        self.socket.send(json.dumps({"id": self.next_id, "method": method, "params": params}))
        while True:
            message = json.loads(self.socket.recv())
            if message.get("id") == self.next_id:
                if "error" in message:
                    raise RuntimeError(f"{method}: {message['error']}")
                return message["result"]
            self.record(message.get("method"), message.get("params", {}))

    def record(self, event, params):
        if event == "Runtime.consoleAPICalled":
            text = " ".join(str(a.get("value", a.get("description", ""))) for a in params["args"])
            if params["type"] in ("error", "assert"):
                self.errors.append(text)
        elif event == "Runtime.exceptionThrown":
            details = params["exceptionDetails"]
            self.errors.append(details.get("exception", {}).get("description", details["text"]))
        elif event == "Log.entryAdded" and params["entry"]["level"] == "error":
            self.errors.append(params["entry"]["text"])

    def evaluate(self, expression):
        # The value of a JavaScript expression in the page (promises awaited).
        result = self.call("Runtime.evaluate", expression=expression, returnByValue=True,
                           awaitPromise=True)
        if "exceptionDetails" in result:
            details = result["exceptionDetails"]
            raise RuntimeError(f"{expression}: {details.get('exception', details).get('description')}")
        return result["result"].get("value")

    def wait_for(self, expression, timeout=20):
        # The first true value of the expression within `timeout` seconds.
        return poll(lambda: self.evaluate(expression), timeout, expression)

    def console_errors(self):
        # Every error so far: console.error, uncaught exceptions, failed loads.
        # A rejection nobody handled is reported after its task: give it time to come.
        self.evaluate("new Promise((done) => setTimeout(done, 200))")
        return list(self.errors)

    # ---- What the page shows ----

    def message_box(self, timeout=20):
        # Waits for the next message box (one not returned before); returns its caption, text
        # and whether it is an error box.
        self.boxes += 1
        return self.wait_for(f"""(() => {{ const box = document.getElementById('message-box');
            return box.open && box.dataset.shown == {self.boxes} && {{ caption: document.getElementById('message-box-caption').textContent,
                                 text: document.getElementById('message-box-text').textContent,
                                 error: box.classList.contains('error') }}; }})()""", timeout)

    def rect(self):
        # The canvas's place and CSS size on the page (x, y, width, height) and its size in
        # pixels (pixelWidth, pixelHeight).
        return self.evaluate(f"""(() => {{ const e = document.getElementById('canvas'),
            r = e.getBoundingClientRect(); return {{x: r.x, y: r.y, width: r.width, height: r.height,
            pixelWidth: e.width, pixelHeight: e.height}}; }})()""")

    def canvas_pixels(self):
        # The RGB image of the canvas, as the browser shows it.
        c = self.rect()
        shot = self.call("Page.captureScreenshot", format="png", clip={
            "x": c["x"], "y": c["y"], "width": c["width"], "height": c["height"], "scale": 1})
        return Image.open(io.BytesIO(base64.b64decode(shot["data"]))).convert("RGB")

    def wait_for_end(self, timeout=20):
        # Waits until the page says the program has ended; returns the exit status it shows.
        text = poll(lambda: re.search(r"ended with exit status (\d+)|stopped because.*",
                                      self.evaluate("document.getElementById('status').textContent")),
                    timeout, "the end of the program")
        if text.group(1) is None:
            raise AssertionError(f"the page says: {text.group(0)}")
        return int(text.group(1))

    # ---- Input, as the browser gets it from a person ----

    def key(self, key):
        # Presses and releases a key: "Enter", "Escape" or a character.
        named = {"Enter": ("Enter", 13, "\r"), "Escape": ("Escape", 27, "")}
        code, vk, text = named.get(key) or (f"Key{key.upper()}" if key.isalpha() else "",
                                            ord(key.upper()), key)
        self.call("Input.dispatchKeyEvent", type="keyDown", key=key, code=code,
                  windowsVirtualKeyCode=vk, text=text)
        self.call("Input.dispatchKeyEvent", type="keyUp", key=key, code=code, windowsVirtualKeyCode=vk)

    def mouse(self, kind, x, y, held):
        # One mouse event: kind "Pressed", "Released" or "Moved"; held: the left button is down after it.
        # A move with the button held names it, as the browser's own drags do (pointer capture
        # follows only such moves).
        button = "left" if held or kind != "Moved" else "none"
        self.call("Input.dispatchMouseEvent", type=f"mouse{kind}", x=x, y=y, button=button,
                  buttons=1 if held else 0, clickCount=0 if kind == "Moved" else 1)

    def click(self, x, y):
        self.mouse("Moved", x, y, False)
        self.mouse("Pressed", x, y, True)
        self.mouse("Released", x, y, False)

    def drag(self, points, pause=0.0):
        # Presses the left button at the first point, moves through the others with it held
        # (they may lie outside the canvas), `pause` seconds apart, and releases it at the last.
        self.mouse("Moved", *points[0], False)
        self.mouse("Pressed", *points[0], True)
        for point in points[1:]:
            time.sleep(pause)
            self.mouse("Moved", *point, True)
        self.mouse("Released", *points[-1], False)

    def touch(self, kind, points):
        # One touch event: kind "Start", "Move", "End" or "Cancel"; points: the fingers down after it
        # (every finger for a cancel).
        self.call("Input.dispatchTouchEvent", type=f"touch{kind}",
                  touchPoints=[{"x": x, "y": y} for x, y in points])

    def swipe(self, points, pause=0.0):
        # A finger down at the first point, moved through the others `pause` seconds apart, lifted at
        # the last; a single point is a tap.
        self.touch("Start", points[:1])
        for point in points[1:]:
            time.sleep(pause)
            self.touch("Move", [point])
        self.touch("End", [])
