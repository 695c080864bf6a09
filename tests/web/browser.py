# Driving the web build in a real browser: headless Chromium through the DevTools protocol
# (Page), or Firefox ESR on an Xvfb of its own through WebDriver BiDi (FirefoxPage).
#
# serve() serves a folder on 127.0.0.1; a page opens it in a fresh browser and offers real
# browser input (keys, clicks, drags that may leave the canvas), the canvas's place and
# pixels as shown, the message box, the console's errors and the end that the page reports.
# Coordinates are the page's CSS pixels. Every wait is a bounded poll that raises
# TimeoutError naming what it waited for.

import base64, functools, http.server, io, json, os, re, shutil, signal, subprocess, tempfile
import threading, time, urllib.request

import websocket
from PIL import Image

FLAGS = ["--headless=new", "--no-sandbox", "--use-angle=swiftshader", "--enable-unsafe-swiftshader",
         "--disable-background-networking", "--disable-component-update", "--disable-sync",
         "--no-first-run", "--no-default-browser-check", "--remote-debugging-port=0",
         "--window-size=1280,1024", "--force-device-scale-factor=1"]

# Firefox's preferences: no first-run pages, updates or reports, and no network beyond
# 127.0.0.1 (which no proxy takes): everything else goes to a proxy that is not there.
FIREFOX_PREFS = {
    "browser.shell.checkDefaultBrowser": False, "browser.startup.homepage_override.mstone": "ignore",
    "startup.homepage_welcome_url": "", "browser.aboutwelcome.enabled": False,
    "browser.startup.page": 0, "app.update.disabledForTesting": True,
    "datareporting.policy.dataSubmissionEnabled": False,
    "datareporting.healthreport.uploadEnabled": False, "toolkit.telemetry.enabled": False,
    "network.proxy.type": 1, "network.proxy.http": "127.0.0.1", "network.proxy.http_port": 9,
    "network.proxy.ssl": "127.0.0.1", "network.proxy.ssl_port": 9, "network.dns.disablePrefetch": True,
    "network.trr.mode": 5}


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


def xvfb(width, height):
    # A fresh Xvfb of that size; returns the process and its display name.
    read, write = os.pipe()
    server = subprocess.Popen(["Xvfb", "-displayfd", str(write), "-screen", "0", f"{width}x{height}x24",
                               "-nolisten", "tcp", "-fp", "/nonexistent"], pass_fds=[write],
                              stderr=subprocess.DEVNULL)
    os.close(write)
    # The pipe stays open: Xvfb writes its display again at each reset, and ends if it cannot.
    return server, ":" + os.read(read, 16).decode().strip()


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


def written(path, parse, what):
    # parse(the file's text), polled until the browser has written the file whole.
    def value():
        try:
            with open(path) as f:
                return parse(f.read())
        except (OSError, ValueError, KeyError):
            return None
    return poll(value, 30, what)


class Browser:
    # What both browsers offer, on each one's evaluate(), screenshot(), resize(), key(),
    # mouse() and record() of the events that come; use as a context manager.

    def start(self, command, env=None):
        # Starts the browser with a fresh profile folder (self.profile) holding its log.
        self.log = open(os.path.join(self.profile, "browser.log"), "w+")
        self.errors = []  # console errors, uncaught exceptions and failed loads
        self.socket = None
        self.boxes = 0  # message boxes returned by message_box()
        self.next_id = 0
        self.browser = subprocess.Popen(command, stdin=subprocess.DEVNULL, stdout=self.log,
                                        stderr=self.log, start_new_session=True, env=env)

    def __enter__(self):
        return self

    def __exit__(self, *exc):
        self.close()

    def close(self):
        if self.socket:
            self.socket.close()
        os.killpg(self.browser.pid, signal.SIGKILL)  # the browser and all its processes
        self.browser.wait()
        self.log.close()
        shutil.rmtree(self.profile, ignore_errors=True)

    def call(self, method, **params):
        # Sends a command; returns the answer to it, recording the events that come first.
        self.next_id += 1
        self.socket.send(json.dumps({"id": self.next_id, "method": method, "params": params}))
        while True:
            message = json.loads(self.socket.recv())
            if message.get("id") == self.next_id:
                if "error" in message:
                    raise RuntimeError(f"{method}: {message['error']} {message.get('message', '')}")
                return message["result"]
            self.record(message.get("method"), message.get("params", {}))

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
        png = self.screenshot(c["x"], c["y"], c["width"], c["height"])
        return Image.open(io.BytesIO(base64.b64decode(png))).convert("RGB")

    def wait_for_end(self, timeout=20):
        # Waits until the page says the program has ended; returns the exit status it shows.
        text = poll(lambda: re.search(r"ended with exit status (\d+)|stopped because.*",
                                      self.evaluate("document.getElementById('status').textContent")),
                    timeout, "the end of the program")
        if text.group(1) is None:
            raise AssertionError(f"the page says: {text.group(0)}")
        return int(text.group(1))

    # ---- Input, as the browser gets it from a person ----

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


class Page(Browser):
    # One page in its own headless Chromium (WebGL 1 on SwiftShader, or none with webgl=False).

    def __init__(self, url, webgl=True, screen=None):
        # screen: an emulated screen, Emulation.setDeviceMetricsOverride's width, height,
        # deviceScaleFactor and mobile; a mobile one has touch.
        self.profile = tempfile.mkdtemp(prefix="paraboloid-chromium-")
        flags = FLAGS + [f"--user-data-dir={self.profile}"] + ([] if webgl else ["--disable-webgl"])
        self.start(["chromium", *flags, "about:blank"])
        try:
            port = written(os.path.join(self.profile, "DevToolsActivePort"),
                           lambda text: "\n" in text and text.split("\n")[0], "Chromium's DevTools port")
            with urllib.request.urlopen(f"http://127.0.0.1:{port}/json/list") as answer:
                target = next(t for t in json.load(answer) if t["type"] == "page")
            self.socket = websocket.create_connection(target["webSocketDebuggerUrl"],
                                                      suppress_origin=True, timeout=30)
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

    def screenshot(self, x, y, width, height):
        # A PNG (base64) of that part of the page.
        return self.call("Page.captureScreenshot", format="png", clip={
            "x": x, "y": y, "width": width, "height": height, "scale": 1})["data"]

    def resize(self, width, height):
        # Gives the page that size, as the browser's window would.
        self.call("Emulation.setDeviceMetricsOverride", width=width, height=height,
                  deviceScaleFactor=1, mobile=False)

    def key(self, key, modifiers=0):
        # Presses and releases a key: "Enter", "Escape", "Tab", "PageDown", "F5" or a character,
        # with `modifiers` held (DevTools' bits: Alt 1, Ctrl 2, Meta 4, Shift 8).
        named = {"Enter": (13, "\r"), "Escape": (27, ""), "Tab": (9, ""), "PageDown": (34, ""),
                 "F5": (116, "")}
        code, (vk, text) = (key, named[key]) if key in named else (
            f"Key{key.upper()}" if key.isalpha() else "", (ord(key.upper()), key))
        text = "" if modifiers & 7 else text  # Alt, Ctrl and Meta type nothing
        self.call("Input.dispatchKeyEvent", type="keyDown", key=key, code=code,
                  windowsVirtualKeyCode=vk, text=text, modifiers=modifiers)
        self.call("Input.dispatchKeyEvent", type="keyUp", key=key, code=code, windowsVirtualKeyCode=vk,
                  modifiers=modifiers)

    def mouse(self, kind, x, y, held):
        # One mouse event: kind "Pressed", "Released" or "Moved"; held: the left button is down after it.
        # A move with the button held names it, as the browser's own drags do (pointer capture
        # follows only such moves).
        button = "left" if held or kind != "Moved" else "none"
        self.call("Input.dispatchMouseEvent", type=f"mouse{kind}", x=x, y=y, button=button,
                  buttons=1 if held else 0, clickCount=0 if kind == "Moved" else 1)

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


def remote_value(value):
    # A WebDriver BiDi value as Python's: arrays as lists, objects as dictionaries.
    kind, inner = value["type"], value.get("value")
    if kind == "array":
        return [remote_value(v) for v in inner]
    if kind == "object":
        return {k: remote_value(v) for k, v in inner}
    return inner


class FirefoxPage(Browser):
    # One page in its own Firefox ESR, shown on an Xvfb of its own (WebGL 1 on Mesa).

    def __init__(self, url):
        self.profile = tempfile.mkdtemp(prefix="paraboloid-firefox-")
        with open(os.path.join(self.profile, "user.js"), "w") as prefs:
            prefs.writelines(f"user_pref({json.dumps(k)}, {json.dumps(v)});\n"
                             for k, v in FIREFOX_PREFS.items())
        self.display, name = xvfb(1280, 1024)
        try:
            self.start(["firefox-esr", "--remote-debugging-port=0", "--profile", self.profile,
                        "--no-remote", "about:blank"], dict(os.environ, DISPLAY=name))
            port = written(os.path.join(self.profile, "WebDriverBiDiServer.json"),
                           lambda text: json.loads(text)["ws_port"], "Firefox's WebDriver BiDi port")
            self.socket = websocket.create_connection(f"ws://127.0.0.1:{port}/session",
                                                      suppress_origin=True, timeout=30)
            self.call("session.new", capabilities={})
            self.call("session.subscribe", events=["log.entryAdded"])
            self.context = self.call("browsingContext.getTree")["contexts"][0]["context"]
            self.call("browsingContext.navigate", context=self.context, url=url, wait="interactive")
        except BaseException:
            self.close()
            raise

    def close(self):
        if hasattr(self, "browser"):
            super().close()
        self.display.kill()
        self.display.wait()

    def record(self, event, params):
        if event == "log.entryAdded" and params["level"] == "error":
            self.errors.append(params["text"])

    def evaluate(self, expression):
        result = self.call("script.evaluate", expression=expression, target={"context": self.context},
                           awaitPromise=True, resultOwnership="none")
        if result["type"] == "exception":
            raise RuntimeError(f"{expression}: {result['exceptionDetails']['text']}")
        return remote_value(result["result"])

    def screenshot(self, x, y, width, height):
        return self.call("browsingContext.captureScreenshot", context=self.context, clip={
            "type": "box", "x": x, "y": y, "width": width, "height": height})["data"]

    def resize(self, width, height):
        self.call("browsingContext.setViewport", context=self.context,
                  viewport={"width": width, "height": height})

    def perform(self, source):
        self.call("input.performActions", context=self.context, actions=[source])

    def key(self, key):
        value = {"Enter": "\ue007", "Escape": "\ue00c", "Tab": "\ue004"}.get(key, key)
        self.perform({"type": "key", "id": "keys", "actions": [
            {"type": "keyDown", "value": value}, {"type": "keyUp", "value": value}]})

    def mouse(self, kind, x, y, held):
        # The pointer moves there, then its button goes down or up (which WebDriver keeps).
        actions = [{"type": "pointerMove", "x": round(x), "y": round(y)}]
        if kind != "Moved":
            actions.append({"type": "pointerDown" if kind == "Pressed" else "pointerUp", "button": 0})
        self.perform({"type": "pointer", "id": "mouse", "actions": actions})
