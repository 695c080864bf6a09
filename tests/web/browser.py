# The web build in a fresh real browser, served by serve() on 127.0.0.1: headless Chromium
# through the DevTools protocol (Page), or Firefox ESR on an Xvfb of its own through WebDriver
# BiDi (FirefoxPage). Coordinates are the page's CSS pixels; every wait is a bounded poll that
# raises TimeoutError naming what it waited for.

import base64, contextlib, functools, http.server, io, json, os, pathlib, shutil, signal, subprocess, tempfile
import threading, time, urllib.request

import websocket
from PIL import Image

FLAGS = ["--headless=new", "--no-sandbox", "--use-angle=swiftshader", "--enable-unsafe-swiftshader",
         "--disable-background-networking", "--disable-component-update", "--disable-sync",
         "--remote-debugging-port=0", "--window-size=1280,1024", "--force-device-scale-factor=1"]

# Firefox's preferences: no network beyond 127.0.0.1 (which no proxy takes): everything else
# goes to a proxy that is not there. Its remote agent turns off first-run pages, updates and
# reports by itself.
FIREFOX_PREFS = {
    "network.proxy.type": 1, "network.proxy.http": "127.0.0.1", "network.proxy.http_port": 9,
    "network.proxy.ssl": "127.0.0.1", "network.proxy.ssl_port": 9, "network.dns.disablePrefetch": True,
    "network.trr.mode": 5}


def serve(folder):
    # Serves `folder` on a free port of 127.0.0.1 until shutdown(); the URL is server.url.
    quiet = type("Quiet", (http.server.SimpleHTTPRequestHandler,), {"log_message": lambda *args: None})
    server = http.server.ThreadingHTTPServer(("127.0.0.1", 0), functools.partial(quiet, directory=folder))
    server.url = f"http://127.0.0.1:{server.server_address[1]}/"
    threading.Thread(target=server.serve_forever, daemon=True).start()
    return server


def xvfb(width, height):
    # A fresh Xvfb of that size; returns the process and its display name.
    read, write = os.pipe()
    server = subprocess.Popen(["Xvfb", "-displayfd", str(write), "-screen", "0", f"{width}x{height}x24",
                               "-nolisten", "tcp", "-fp", "/nonexistent"], pass_fds=[write],
                              stderr=subprocess.DEVNULL, start_new_session=True)
    os.close(write)
    # The pipe stays open: Xvfb writes its display again at each reset, and ends if it cannot.
    return server, ":" + os.read(read, 16).decode().strip()


def poll(condition, timeout, what):
    # Returns the first true value of condition() within `timeout` seconds.
    deadline = time.monotonic() + timeout
    while not (value := condition()):
        if time.monotonic() > deadline:
            raise TimeoutError(f"waited {timeout} s for {what}")
        time.sleep(0.05)
    return value


class Browser(contextlib.AbstractContextManager):
    # What both browsers offer, on each one's start(url, ...), evaluate(), screenshot(), key(),
    # mouse() and record() of the events that come; use as a context manager.

    def __init__(self, url, **options):
        self.profile = tempfile.mkdtemp(prefix="paraboloid-browser-")
        self.errors = []  # console errors, uncaught exceptions and failed loads
        self.boxes = self.next_id = 0  # boxes returned by message_box(), commands sent
        self.socket = self.browser = self.display = None
        try:
            self.start(url, **options)
        except BaseException:
            self.close()
            raise

    def launch(self, command, port_file, port, env=None):
        # Runs the browser; returns port(the text of the file it writes in the profile), which
        # is false until that text is whole.
        with open(os.path.join(self.profile, "browser.log"), "w") as log:
            self.browser = subprocess.Popen(command, stdin=subprocess.DEVNULL, stdout=log, stderr=log,
                                            start_new_session=True, env=env)
        path = pathlib.Path(self.profile, port_file)
        return poll(lambda: path.exists() and port(path.read_text()), 30, f"the browser's {port_file}")

    def __exit__(self, *exc):
        self.close()

    def close(self):
        if self.socket:
            self.socket.close()
        for process in filter(None, (self.browser, self.display)):
            os.killpg(process.pid, signal.SIGKILL)  # with all its processes
            process.wait()
        shutil.rmtree(self.profile, ignore_errors=True)

    def call(self, method, **params):
        # Sends a command; returns the answer to it, recording the events that come first.
        self.next_id += 1
        self.socket.send(json.dumps({"id": self.next_id, "method": method, "params": params}))
        while (message := json.loads(self.socket.recv())).get("id") != self.next_id:
            self.record(message.get("method"), message.get("params", {}))
        if "error" in message:
            raise RuntimeError(f"{method}: {message['error']} {message.get('message', '')}")
        return message["result"]

    def wait_for(self, expression, timeout=20):
        return poll(lambda: self.evaluate(expression), timeout, expression)

    def console_errors(self):
        # Every error so far: console.error, uncaught exceptions, failed loads.
        # A rejection nobody handled is reported after its task: give it time to come.
        self.evaluate("new Promise((done) => setTimeout(done, 200))")
        return list(self.errors)

    def message_box(self):
        # The next message box (one not returned before), once shown: caption, text, error or not.
        self.boxes += 1
        return self.wait_for(f"""(() => {{ const box = document.getElementById('message-box'),
            text = (part) => document.getElementById(`message-box-${{part}}`).textContent;
            return box.open && box.dataset.shown == {self.boxes} && {{caption: text('caption'),
                   text: text('text'), error: box.classList.contains('error')}}; }})()""")

    def rect(self):
        # The canvas's place and CSS size on the page (x, y, width, height), its buffer's pixelWidth
        # and pixelHeight.
        return self.evaluate("""(() => { const e = document.getElementById('canvas');
            return {...e.getBoundingClientRect().toJSON(), pixelWidth: e.width, pixelHeight: e.height}; })()""")

    def canvas_pixels(self):
        # The RGB image of the canvas, as the browser shows it.
        c = self.rect()
        png = self.screenshot(c["x"], c["y"], c["width"], c["height"])
        return Image.open(io.BytesIO(base64.b64decode(png))).convert("RGB")

    def drag(self, *points):
        # Presses the left button at the first point, moves through the others with it held
        # (they may lie outside the canvas) and releases it at the last; one point is a click.
        self.mouse("Pressed", *points[0], 1)
        for point in points[1:]:
            self.mouse("Moved", *point, 1)
        self.mouse("Released", *points[-1], 0)


class Page(Browser):
    # One page in its own headless Chromium (WebGL 1 on SwiftShader, or none with webgl=False).

    def start(self, url, webgl=True, screen=None):
        # screen: an emulated screen, Emulation.setDeviceMetricsOverride's width, height,
        # deviceScaleFactor and mobile; a mobile one has touch.
        flags = FLAGS + [f"--user-data-dir={self.profile}"] + ([] if webgl else ["--disable-webgl"])
        port = self.launch(["chromium", *flags, "about:blank"], "DevToolsActivePort",
                           lambda text: "\n" in text and text.split("\n")[0])
        with urllib.request.urlopen(f"http://127.0.0.1:{port}/json/list") as answer:
            target = next(t for t in json.load(answer) if t["type"] == "page")
        self.socket = websocket.create_connection(target["webSocketDebuggerUrl"], suppress_origin=True, timeout=30)
        for domain in ("Runtime", "Log", "Page"):
            self.call(f"{domain}.enable")
        if screen:
            self.call("Emulation.setDeviceMetricsOverride", **screen)
            self.call("Emulation.setTouchEmulationEnabled", enabled=screen["mobile"], maxTouchPoints=5)
        self.call("Page.navigate", url=url)
        self.wait_for(f"location.href === {json.dumps(url)} && document.readyState !== 'loading'")

    def record(self, event, params):
        if event == "Runtime.consoleAPICalled" and params["type"] in ("error", "assert"):
            self.errors.append(" ".join(str(a.get("value", a.get("description", ""))) for a in params["args"]))
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

    def screenshot(self, x, y, width, height):
        # A PNG (base64) of that part of the page.
        return self.call("Page.captureScreenshot", format="png", clip={
            "x": x, "y": y, "width": width, "height": height, "scale": 1})["data"]

    def key(self, key, modifiers=0):
        # Presses and releases a key: "Enter", "Escape", "Tab", "PageDown", "F5" or a letter, with
        # `modifiers` held (DevTools' bits: Alt 1, Ctrl 2, Meta 4, Shift 8; the first three type nothing).
        named = {"Enter": 13, "Escape": 27, "Tab": 9, "PageDown": 34, "F5": 116}
        code, vk = (key, named[key]) if key in named else (f"Key{key.upper()}", ord(key.upper()))
        text = "\r" if key == "Enter" else "" if key in named or modifiers & 7 else key
        for kind in ("keyDown", "keyUp"):
            self.call("Input.dispatchKeyEvent", type=kind, key=key, code=code, windowsVirtualKeyCode=vk,
                      text=text, modifiers=modifiers)

    def mouse(self, kind, x, y, buttons, button="left"):
        # One mouse event: kind "Pressed", "Released" or "Moved" of `button`; buttons: those down
        # after it (left 1, right 2). A move with a button held names it, as the browser's own
        # drags do (pointer capture follows only such moves).
        self.call("Input.dispatchMouseEvent", type=f"mouse{kind}", x=x, y=y, buttons=buttons,
                  button=button if buttons or kind != "Moved" else "none", clickCount=int(kind != "Moved"))

    def touch(self, kind, points):
        # One touch event: kind "Start", "Move", "End" or "Cancel"; points: the fingers down after it
        # (every finger for a cancel).
        self.call("Input.dispatchTouchEvent", type=f"touch{kind}", touchPoints=[dict(x=x, y=y) for x, y in points])

    def swipe(self, points, pause=0.0):
        # A finger down at the first point, moved through the others `pause` seconds apart, lifted at
        # the last; a single point is a tap.
        self.touch("Start", points[:1])
        for point in points[1:]:
            time.sleep(pause)
            self.touch("Move", [point])
        self.touch("End", [])


class FirefoxPage(Browser):
    # One page in its own Firefox ESR, shown on an Xvfb of its own (WebGL 1 on Mesa).

    def start(self, url):
        with open(os.path.join(self.profile, "user.js"), "w") as prefs:
            prefs.writelines(f"user_pref({json.dumps(k)}, {json.dumps(v)});\n" for k, v in FIREFOX_PREFS.items())
        self.display, name = xvfb(1280, 1024)
        port = self.launch(["firefox-esr", "--remote-debugging-port=0", "--profile", self.profile,
                            "--no-remote", "about:blank"], "WebDriverBiDiServer.json",
                           lambda text: text.endswith("}") and json.loads(text)["ws_port"],
                           dict(os.environ, DISPLAY=name))
        self.socket = websocket.create_connection(f"ws://127.0.0.1:{port}/session",
                                                  suppress_origin=True, timeout=30)
        self.call("session.new", capabilities={})
        self.call("session.subscribe", events=["log.entryAdded"])
        self.context = self.call("browsingContext.getTree")["contexts"][0]["context"]
        self.call("browsingContext.navigate", context=self.context, url=url, wait="interactive")

    def record(self, event, params):
        if event == "log.entryAdded" and params["level"] == "error":
            self.errors.append(params["text"])

    def evaluate(self, expression):
        # Its value comes as JSON, which WebDriver BiDi's own values are not.
        result = self.call("script.evaluate", target={"context": self.context}, awaitPromise=True,
                           expression=f"(async () => JSON.stringify(await eval({json.dumps(expression)})))()")
        if result["type"] == "exception":
            raise RuntimeError(f"{expression}: {result['exceptionDetails']['text']}")
        return json.loads(result["result"].get("value", "null"))

    def screenshot(self, x, y, width, height):
        return self.call("browsingContext.captureScreenshot", context=self.context, clip={
            "type": "box", "x": x, "y": y, "width": width, "height": height})["data"]

    def perform(self, source):
        self.call("input.performActions", context=self.context, actions=[source])

    def key(self, key):
        value = {"Enter": "\ue007", "Escape": "\ue00c", "Tab": "\ue004"}.get(key, key)
        self.perform({"type": "key", "id": "keys", "actions": [
            {"type": "keyDown", "value": value}, {"type": "keyUp", "value": value}]})

    def mouse(self, kind, x, y, buttons, button="left"):
        # The pointer moves there, then `button` goes down or up (WebDriver keeps which are down).
        actions = [{"type": "pointerMove", "x": round(x), "y": round(y)}]
        if kind != "Moved":
            actions.append({"type": "pointerDown" if kind == "Pressed" else "pointerUp",
                            "button": {"left": 0, "right": 2}[button]})
        self.perform({"type": "pointer", "id": "mouse", "actions": actions})
