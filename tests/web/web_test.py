#!/usr/bin/python3
# The viewer's web page, served over HTTP on 127.0.0.1, used as a person uses it in headless
# Chromium and in Firefox; its picture against the native viewer's; what it says when it
# cannot run.
# Usage: web_test.py SITE NATIVE_VIEWER PROBE_LIBRARY
import os, shutil, subprocess, sys, tempfile, time, unittest

from browser import FirefoxPage, Page, poll, serve, xvfb
from PIL import Image, ImageChops

SITE, NATIVE, PROBE = os.path.abspath(sys.argv[1]), sys.argv[2], sys.argv[3]
NOTICE = " mouse: touch the window image for movement----- "
BACKGROUND, FOG_BACKGROUND = (38, 38, 38), (51, 38, 38)
STATUS = "document.getElementById('status').textContent"


def differ(a, b):
    return ImageChops.difference(a, b).getbbox() is not None


def frames(page):
    return page.evaluate("frames_")


def quiet(page):
    # The picture once no frame has come for 0.3 s.
    def settled():
        before = frames(page)
        time.sleep(0.3)
        return frames(page) == before
    poll(settled, 15, "the frames to stop")
    return page.canvas_pixels()


class WebPage(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.server = serve(SITE)

    @classmethod
    def tearDownClass(cls):
        cls.server.shutdown()

    def start(self, page):
        box = page.message_box()
        self.assertEqual((box["caption"][:8], box["text"], box["error"]), ("soft by ", NOTICE, False))
        self.assertEqual(page.rect()["pixelWidth"], 300, "the window came before the notice went")
        # Every frame of the program waits for one display refresh: count those waits.
        page.evaluate("""window.frames_ = 0; const refresh = requestAnimationFrame;
                         window.requestAnimationFrame = (f) => (frames_++, refresh(f));""")
        # Tab keeps the focus in the notice, and Return closes it wherever the focus is.
        page.key("Tab")
        self.assertEqual(page.evaluate("document.activeElement.id"), "message-box-ok")
        page.evaluate("document.activeElement.blur()")
        page.key("Enter")
        page.wait_for("document.getElementById('canvas').width != 300")

    def test_a_session_from_the_notice_to_escape(self):
        for browser in (Page, FirefoxPage):
            with self.subTest(browser.__name__), browser(self.server.url) as page:
                self.session(page, chromium=browser is Page)

    def session(self, page, chromium):
        self.start(page)
        # A square 0.8 of the page's height, at (50, 50).
        side = int(0.8 * page.evaluate("innerHeight"))
        c = page.rect()
        self.assertEqual((c["x"], c["y"], c["width"], c["height"], c["pixelWidth"], c["pixelHeight"]),
                         (50, 50, side, side, side, side))
        if chromium:
            # Screen readers: the canvas has the window's title (the page's) as its name and
            # says how it is used; the status line is a polite live region.
            nodes = {n["role"]["value"]: n for n in page.call("Accessibility.getFullAXTree")["nodes"]}
            self.assertEqual(nodes["application"]["name"]["value"], "paraboloid velkrin -> p-key")
            self.assertRegex(nodes["application"]["description"]["value"], "Drag.*f turns fog.*Escape")
            self.assertIn({"name": "live", "value": {"type": "token", "value": "polite"}},
                          nodes["status"]["properties"])
        x, y = c["x"] + side / 2, c["y"] + side / 2

        def turning(what):
            first, count = page.canvas_pixels(), frames(page)
            poll(lambda: frames(page) > count + 10 and differ(first, page.canvas_pixels()), 15, what)

        # It turns from the start, a click without movement stops it, and a drag out of
        # the canvas, let go there, throws it.
        turning("turning from the start")
        # The browser's keys are its own; the program's letters are the program's (below).
        page.evaluate("""window.keys_ = [];
            for (const type of ['keydown', 'keypress']) addEventListener(type, (e) => keys_.push(e));""")

        def cancelled(key, modifiers=0):
            page.evaluate("keys_ = []")
            page.key(key, modifiers) if modifiers else page.key(key)
            return page.evaluate("keys_.some((e) => e.defaultPrevented)")
        if chromium:
            self.assertEqual([k for k, ctrl in (("Tab", 0), ("PageDown", 0), ("F5", 0), ("l", 2))
                              if cancelled(k, ctrl)], [])
        page.click(x, y)
        quiet(page)
        page.drag([(x, y), (x - 100, y), (c["x"] - 40, y), (c["x"] - 30, y + 100)], 0.05)
        turning("turning after a throw")

        # The GPU lost and back: the page says so meanwhile, and no frame is drawn then;
        # once back, a frame comes: it turns on, and a still picture comes back as it was.
        def lose_and_restore(while_lost):
            page.evaluate("""window.gl_ = document.getElementById('canvas').getContext('webgl')
                             .getExtension('WEBGL_lose_context'); gl_.loseContext()""")
            self.assertIn("comes back by itself", page.wait_for(STATUS))
            while_lost()
            count = frames(page)
            page.evaluate("gl_.restoreContext()")
            page.wait_for(f"{STATUS} === '' && frames_ > {count}")
        lose_and_restore(lambda: quiet(page))
        turning("turning when the GPU is back")
        page.click(x, y)
        picture = quiet(page)
        lose_and_restore(lambda: None)
        self.assertFalse(differ(picture, quiet(page)), "the picture when the GPU is back")

        # f: the fog's background; p: lines, with background between them; each in one
        # frame, and undone by a second press.
        def background(image):
            return sum(p == BACKGROUND for p in image.getdata())
        for key, shows in (("f", lambda image: image.getpixel((1, 1)) == FOG_BACKGROUND),
                           ("p", lambda image: background(image) > 1.1 * background(picture))):
            count = frames(page)
            self.assertTrue(cancelled(key), key)
            self.assertTrue(shows(quiet(page)), key)
            self.assertEqual(frames(page), count + 1, key)
            page.key(key)
            self.assertFalse(differ(picture, quiet(page)), f"{key} twice")

        # The canvas keeps its size when the browser's window changes.
        page.resize(900, 600)
        quiet(page)
        self.assertEqual((page.rect()["width"], page.rect()["pixelHeight"]), (side, side))
        if chromium:
            # The page is now longer than the window: the wheel over the canvas scrolls it.
            page.call("Input.dispatchMouseEvent", type="mouseWheel", x=x, y=y, deltaX=0, deltaY=100)
            page.wait_for("scrollY > 0")

        page.key("Escape")
        self.assertEqual(page.wait_for_end(), 0)
        self.assertEqual(page.console_errors(), [])

    def test_the_first_frame_is_the_native_viewers(self):
        # The page's display stops after its first frame; the native viewer's first frame, at
        # the same size, is read by the probe library (a server without fonts skips the notice).
        with Page(self.server.url) as page:
            page.message_box()
            height = page.evaluate("innerHeight")
            page.evaluate("window.requestAnimationFrame = () => 0")
            page.key("Enter")
            page.wait_for("document.getElementById('canvas').width != 300")
            time.sleep(0.5)
            web = page.canvas_pixels()
        server, display = xvfb(1280, height)
        with tempfile.TemporaryDirectory() as folder:
            first = os.path.join(folder, "first.ppm")
            env = dict(os.environ, DISPLAY=display, LD_PRELOAD=PROBE, PARABOLOID_PROBE_FIRST_FRAME=first)
            viewer = subprocess.Popen([NATIVE], env=env, stderr=subprocess.DEVNULL)
            try:
                size = 3 * web.size[0] * web.size[1]
                poll(lambda: os.path.exists(first) and os.path.getsize(first) > size, 20,
                     "the native viewer's first frame")
                native = Image.open(first).convert("RGB")
            finally:
                viewer.kill()
                server.kill()
        self.assertEqual(native.size, web.size)
        # WebGL on SwiftShader and Mesa's llvmpipe rasterize the same triangles; where their
        # edges pass through a pixel's centre they may give it to either neighbour.
        off = [max(p) for p in ImageChops.difference(web, native).getdata()]
        exact, far = off.count(0) / len(off), sum(v > 2 for v in off) / len(off)
        print(f"first frame {web.size}: {exact:.5f} exact, {far:.5f} more than 2 levels off")
        self.assertTrue(exact >= 0.998 and far <= 0.001, (exact, far))

    def test_what_the_page_says_when_the_program_cannot_run(self):
        bare = tempfile.mkdtemp()  # the site without its WebAssembly
        for name in set(os.listdir(SITE)) - {"paraboloid.wasm"}:
            os.symlink(os.path.join(SITE, name), os.path.join(bare, name))
        bare_server = serve(bare)
        self.addCleanup(shutil.rmtree, bare)
        self.addCleanup(bare_server.shutdown)
        for what, url, webgl, says, errors in [
            ("opened from disk", f"file://{SITE}/index.html", True,
             "paraboloid cannot start from a page opened from disk: browsers load its WebAssembly only "
             "from a web server. Serve this folder over HTTP, e.g. run python3 -m http.server in it and "
             "open http://localhost:8000/ (in the source tree, scripts/web.sh --serve builds and serves it).",
             []),
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
    unittest.main(argv=sys.argv[:1], verbosity=2)
