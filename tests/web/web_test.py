#!/usr/bin/python3
# The viewer's web page, served on 127.0.0.1, used as a person uses it in headless Chromium and
# in Firefox; its first frame against the native viewer's; what it says when it cannot run.
# Usage: web_test.py SITE NATIVE_VIEWER PROBE_LIBRARY
import os, shutil, subprocess, sys, tempfile, time, unittest

from browser import FirefoxPage, Page, poll, serve, xvfb
from PIL import Image, ImageChops

SITE, NATIVE, PROBE = os.path.abspath(sys.argv[1]), sys.argv[2], sys.argv[3]
NOTICE = " mouse: touch the window image for movement----- "
BACKGROUND, FOG_BACKGROUND = (38, 38, 38), (51, 38, 38)
STATUS = "document.getElementById('status').textContent"
ENDED = "paraboloid has ended with exit status 0. Reload the page to start it again."


def differ(a, b):
    return ImageChops.difference(a, b).getbbox() is not None


def drawn(image):
    # The box around what is not background: left, top, right, bottom.
    return ImageChops.difference(image, Image.new("RGB", image.size, BACKGROUND)).getbbox()


def background(image):
    return sum(p == BACKGROUND for p in image.getdata())


def turning(page, what):
    first, count = page.canvas_pixels(), page.evaluate("frames_")
    poll(lambda: page.evaluate("frames_") > count + 10 and differ(first, page.canvas_pixels()), 15, what)


def middle(page, selector):
    # The middle of the element; a control's is [aria-keyshortcuts=its key].
    return page.evaluate(f"""(() => {{ const r = document.querySelector({selector!r}).getBoundingClientRect();
        return [r.x + r.width / 2, r.y + r.height / 2]; }})()""")


def quiet(page):
    # The picture once no frame has come for 0.3 s.
    page.wait_for("new Promise((done) => { const n = frames_; setTimeout(() => done(frames_ === n), 300); })", 15)
    return page.canvas_pixels()


class WebPage(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.server = serve(SITE)
        cls.addClassCleanup(cls.server.shutdown)

    def start(self, page, dismiss=None, hold=False):
        box = page.message_box()
        self.assertEqual((box["caption"][:8], box["text"], box["error"]), ("soft by ", NOTICE, False))
        self.assertFalse(page.evaluate("document.getElementById('controls').checkVisibility()"),
                         "the window or its controls came before the notice went")
        # Every frame of the program waits for one display refresh: count those waits, and hold
        # them while held_ is a list (release_() lets them go), from the first with `hold`.
        page.evaluate(f"""window.frames_ = 0; window.held_ = {'[]' if hold else 'null'};
                         const refresh = requestAnimationFrame;
                         window.requestAnimationFrame = (f) => (frames_++, held_ ? held_.push(f) : refresh(f));
                         window.release_ = () => {{ held_.forEach(refresh); held_ = null; }};""")
        # Tab keeps the focus in the notice, and Return closes it wherever the focus is.
        page.key("Tab")
        self.assertEqual(page.evaluate("document.activeElement.id"), "message-box-ok")
        page.evaluate("document.activeElement.blur()")
        (dismiss or (lambda: page.key("Enter")))()
        page.wait_for("document.getElementById('canvas').width != 300")

    def test_a_session_from_the_notice_to_escape(self):
        for browser in (Page, FirefoxPage):
            with self.subTest(browser.__name__), browser(self.server.url) as page:
                self.session(page, chromium=browser is Page)

    def session(self, page, chromium):
        self.start(page)
        c = page.rect()
        if chromium:
            # Screen readers: the canvas has the window's title (the page's) as its name and
            # says how it is used; the status line is a polite live region.
            nodes = {n["role"]["value"]: n for n in page.call("Accessibility.getFullAXTree")["nodes"]}
            self.assertEqual(nodes["application"]["name"]["value"], "paraboloid velkrin -> p-key")
            self.assertRegex(nodes["application"]["description"]["value"], "Drag.*f turns fog.*Escape")
            self.assertIn({"name": "live", "value": {"type": "token", "value": "polite"}},
                          nodes["status"]["properties"])
            # The browser's keys are its own: the program cancels none of them.
            page.evaluate("window.keys_ = []; onkeydown = onkeypress = (e) => keys_.push(e)")
            for key, modifiers in (("Tab", 0), ("PageDown", 0), ("F5", 0), ("l", 2)):
                page.key(key, modifiers)
            self.assertEqual(page.evaluate("keys_.filter((e) => e.defaultPrevented).map((e) => e.key)"), [])
        x, y = c["x"] + c["width"] / 2, c["y"] + c["height"] / 2

        # It turns from the start (frames come to be held). A drag out of the canvas, let go
        # there, throws it, though the press and the release come before the next frame.
        page.wait_for("(held_ ||= []).length")
        page.drag((x, y), (c["x"] - 30, y + 100))
        page.evaluate("release_()")
        turning(page, "turning after a throw within one frame")

        # The GPU lost and back: the page says so meanwhile, and no frame is drawn then (while it
        # turns); once back, a frame comes, and a still picture comes back as it was.
        def lose_and_restore():
            page.evaluate("""window.gl_ = document.getElementById('canvas').getContext('webgl')
                             .getExtension('WEBGL_lose_context'); gl_.loseContext()""")
            self.assertIn("comes back by itself", page.wait_for(STATUS))
            quiet(page)
            page.evaluate("window.lost_ = frames_; gl_.restoreContext()")
            page.wait_for(f"{STATUS} === '' && frames_ > lost_")
        lose_and_restore()

        # A click stops it, though its left release comes while the right button is held: moves
        # then turn nothing.
        for kind, buttons, button in (("Pressed", 1, "left"), ("Pressed", 3, "right"), ("Released", 2, "left")):
            page.mouse(kind, x, y, buttons, button)
        picture = quiet(page)
        for kind, buttons in (("Moved", 2), ("Released", 0)):
            page.mouse(kind, x - 100, y + 100, buttons, "right")
        self.assertFalse(differ(picture, quiet(page)), "moves after a chorded click")
        lose_and_restore()
        self.assertFalse(differ(picture, quiet(page)), "the picture when the GPU is back")

        # f: the fog's background; p: lines, with background between them; each in one
        # frame, and undone by its control, which gives the keyboard back.
        for key, shows in (("f", lambda image: image.getpixel((1, 1)) == FOG_BACKGROUND),
                           ("p", lambda image: background(image) > 1.1 * background(picture))):
            count = page.evaluate("frames_")
            page.key(key)
            self.assertTrue(shows(quiet(page)), key)
            self.assertEqual(page.evaluate("frames_"), count + 1, key)
            if chromium:  # and the page took the key from the browser
                self.assertTrue(page.evaluate(f"keys_.some((e) => e.key === '{key}' && e.defaultPrevented)"))
            page.drag(middle(page, f"[aria-keyshortcuts={key.upper()}]"))  # a click
            self.assertFalse(differ(picture, quiet(page)), f"{key} and its control")
            self.assertEqual(page.evaluate("document.activeElement.id"), "canvas")

        if chromium:
            # When the browser's window and its device pixel ratio change, the canvas keeps its size
            # on the page, and its buffer follows the ratio, drawn whole; the page, its controls now
            # below the canvas, is longer than the window: the wheel over the canvas scrolls it.
            page.call("Emulation.setDeviceMetricsOverride", width=900, height=780,
                      deviceScaleFactor=2, mobile=False)
            sharp = quiet(page)
            self.assertEqual((page.rect()["width"], page.rect()["pixelHeight"]), (c["width"], 2 * c["height"]))
            for edge, doubled in zip(drawn(sharp), drawn(picture)):
                self.assertAlmostEqual(edge, 2 * doubled, delta=3)
            page.call("Input.dispatchMouseEvent", type="mouseWheel", x=x, y=y, deltaX=0, deltaY=100)
            page.wait_for("scrollY > 0")

        page.key("Escape")
        self.assertEqual(page.wait_for(STATUS), ENDED)
        self.assertEqual(page.console_errors(), [])

    def test_a_phone_session_by_touch(self):
        with Page(self.server.url, screen=dict(width=390, height=844, deviceScaleFactor=3, mobile=True)) as page:
            def notice():
                # Laid out at the phone's width, its OK button big enough for a finger, the box clear
                # of the screen's edges.
                self.assertEqual(page.evaluate("""(() => { const ok = document.getElementById('message-box-ok')
                    .getBoundingClientRect(), box = document.getElementById('message-box').getBoundingClientRect();
                    return [innerWidth, ok.width >= 44 && ok.height >= 44, box.left > 0 && box.top > 0 &&
                            box.right < innerWidth && box.bottom < innerHeight]; })()"""), [390, True, True])
                page.swipe([middle(page, "#message-box-ok")])
            self.start(page, notice)
            # The canvas fits the page's width with its margins, at the device's pixels.
            c = page.rect()
            self.assertEqual((c["x"], c["y"], c["width"], c["pixelWidth"]), (50, 50, 290, 870))
            x, y = c["x"] + c["width"] / 2, c["y"] + c["height"] / 2

            # A tap stops it; a flick along the middle throws it about the vertical axis, as the mouse
            # does (its top and bottom edges stay), and a tap stops it again.
            page.swipe([(x, y)])
            still = quiet(page)
            page.swipe([(x, y), (x - 40, y), (x - 80, y)], 0.05)
            turning(page, "turning after a flick")
            page.swipe([(x, y)])
            self.assertEqual(drawn(quiet(page))[1::2], drawn(still)[1::2])
            # A drag down the canvas, the finger then held, leaves it still (no browser took it for a
            # scroll); a touch the browser cancels ends the drag as a lost release does: it is thrown.
            for kind, down in (("Start", 0), ("Move", 40), ("Move", 80)):
                page.touch(kind, [(x, y + down)])
            quiet(page)
            page.touch("Cancel", [])
            turning(page, "turning after a cancelled touch")

            # The controls, below the canvas, by touch: wireframe, fog, and Quit, which ends the program.
            page.swipe([(x, y)])
            picture = quiet(page)
            page.swipe([middle(page, "[aria-keyshortcuts=P]")])
            self.assertGreater(background(quiet(page)), 1.1 * background(picture))
            page.swipe([middle(page, "[aria-keyshortcuts=F]")])
            self.assertEqual(quiet(page).getpixel((1, 1)), FOG_BACKGROUND)
            page.swipe([middle(page, "[aria-keyshortcuts=Escape]")])
            self.assertEqual(page.wait_for(STATUS), ENDED)
            # The controls have gone; nothing, the status line included, is wider than the page.
            self.assertEqual(page.evaluate("""[document.getElementById('controls').checkVisibility(),
                                               document.documentElement.scrollWidth]"""), [False, 390])
            self.assertEqual(page.console_errors(), [])

    def test_the_first_frame_is_the_native_viewers(self):
        # At device scale 1 and 2. The page's display stops after its first frame; the native
        # viewer's first frame, on a screen of the page's device pixels, is read by the probe
        # library (a server without fonts skips the notice).
        for scale in (1, 2):
            screen = dict(width=1280, height=1024, deviceScaleFactor=scale, mobile=False)
            with self.subTest(scale=scale), Page(self.server.url, screen=screen) as page:
                self.start(page, hold=True)
                time.sleep(0.5)
                web, first = page.canvas_pixels(), os.path.join(page.profile, "first.ppm")
                server, display = xvfb(1280 * scale, page.evaluate("innerHeight") * scale)
                viewer = subprocess.Popen([NATIVE], stderr=subprocess.DEVNULL, env=dict(
                    os.environ, DISPLAY=display, LD_PRELOAD=PROBE, PARABOLOID_PROBE_FIRST_FRAME=first))
                try:
                    poll(lambda: os.path.exists(first) and os.path.getsize(first) > 3 * len(web.getdata()),
                         20, "the native viewer's first frame")
                    native = Image.open(first).convert("RGB")
                finally:
                    viewer.kill()
                    server.kill()
                # WebGL on SwiftShader and Mesa's llvmpipe rasterize the same triangles; where their
                # edges pass through a pixel's centre they may give it to either neighbour.
                off = [max(p) for p in ImageChops.difference(web, native).getdata()]
                exact, far = off.count(0) / len(off), sum(v > 2 for v in off) / len(off)
                print(f"first frame {web.size}: {exact:.5f} exact, {far:.5f} more than 2 levels off")
                self.assertTrue(exact >= 0.998 and far <= 0.001, (exact, far))

    def test_what_the_page_says_when_the_program_cannot_run(self):
        bare = self.enterContext(tempfile.TemporaryDirectory())  # the site without its WebAssembly
        shutil.copytree(SITE, bare, ignore=shutil.ignore_patterns("paraboloid.wasm"), dirs_exist_ok=True)
        bare_server = serve(bare)
        self.addCleanup(bare_server.shutdown)
        for what, url, webgl, says, errors in [
            ("opened from disk", f"file://{SITE}/index.html", True,
             "paraboloid cannot start from a page opened from disk: browsers load its WebAssembly only from a "
             "web server. Serve this folder over HTTP, e.g. run python3 -m http.server in it and open "
             "http://localhost:8000/ (in the source tree, scripts/web.sh --serve builds and serves it).", []),
            ("no paraboloid.wasm", bare_server.url, True,
             "paraboloid stopped because of an error: its WebAssembly paraboloid.wasm could not be fetched: "
             "the server answered 404 File not found. Reload the page to start it again.",
             ["Failed to load resource: the server responded with a status of 404 (File not found)"]),
            # The program's own box first, as the program wrote it.
            ("no WebGL", self.server.url, False,
             "paraboloid has ended with exit status 1. It draws with WebGL, which this browser does not "
             "offer (or has turned off). Reload the page to start it again.", []),
        ]:
            with self.subTest(what), Page(url, webgl=webgl) as page:
                if not webgl:
                    self.start(page)
                    self.assertEqual(page.message_box(),
                                     {"caption": "Error", "text": "wglCreateContext failed", "error": True})
                    page.key("Enter")
                self.assertEqual(page.wait_for(f"!{STATUS}.startsWith('Loading') && {STATUS}"), says)
                self.assertEqual(page.console_errors(), errors)


if __name__ == "__main__":
    unittest.main(argv=sys.argv[:1] + sys.argv[4:], verbosity=2)
