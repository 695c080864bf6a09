#!/usr/bin/python3
# The viewer's web page, served over HTTP on 127.0.0.1, used as a person uses it in headless
# Chromium and in Firefox; its picture against the native viewer's; the page without WebGL.
# Usage: web_test.py SITE NATIVE_VIEWER PROBE_LIBRARY
import os, subprocess, sys, tempfile, time, unittest

from browser import FirefoxPage, Page, poll, serve, xvfb
from PIL import Image, ImageChops

SITE, NATIVE, PROBE = sys.argv[1:4]
NOTICE = " mouse: touch the window image for movement----- "
BACKGROUND, FOG_BACKGROUND = (38, 38, 38), (51, 38, 38)


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
        page.key("Enter")
        page.wait_for("document.getElementById('canvas').width != 300")

    def test_a_session_from_the_notice_to_escape(self):
        for browser in (Page, FirefoxPage):
            with self.subTest(browser.__name__), browser(self.server.url) as page:
                self.session(page)

    def session(self, page):
        self.start(page)
        # A square 0.8 of the page's height, at (50, 50), under the window's title.
        side = int(0.8 * page.evaluate("innerHeight"))
        c = page.rect()
        self.assertEqual((c["x"], c["y"], c["width"], c["height"], c["pixelWidth"], c["pixelHeight"]),
                         (50, 50, side, side, side, side))
        self.assertEqual(page.evaluate("document.title"), "paraboloid velkrin -> p-key")
        x, y = c["x"] + side / 2, c["y"] + side / 2

        def turning(what):
            first, count = page.canvas_pixels(), frames(page)
            poll(lambda: frames(page) > count + 10 and differ(first, page.canvas_pixels()), 15, what)

        # It turns from the start, a click without movement stops it, and a drag out of
        # the canvas, let go there, throws it.
        turning("turning from the start")
        page.click(x, y)
        quiet(page)
        page.drag([(x, y), (x - 100, y), (c["x"] - 40, y), (c["x"] - 30, y + 100)], 0.05)
        turning("turning after a throw")
        page.click(x, y)
        picture = quiet(page)
        self.assertEqual(picture.getpixel((1, 1)), BACKGROUND)

        # f: the fog's background; p: lines, with background between them; each in one
        # frame, and undone by a second press.
        def background(image):
            return sum(p == BACKGROUND for p in image.getdata())
        for key, shows in (("f", lambda image: image.getpixel((1, 1)) == FOG_BACKGROUND),
                           ("p", lambda image: background(image) > 1.1 * background(picture))):
            count = frames(page)
            page.key(key)
            self.assertTrue(shows(quiet(page)), key)
            self.assertEqual(frames(page), count + 1, key)
            page.key(key)
            self.assertFalse(differ(picture, quiet(page)), f"{key} twice")

        # The canvas keeps its size when the browser's window changes.
        page.resize(900, 600)
        quiet(page)
        self.assertEqual((page.rect()["width"], page.rect()["pixelHeight"]), (side, side))

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

    def test_without_webgl_shows_the_error_box_and_ends_with_one(self):
        with Page(self.server.url, webgl=False) as page:
            self.start(page)
            self.assertEqual(page.message_box(),
                             {"caption": "Error", "text": "wglCreateContext failed", "error": True})
            page.key("Enter")
            self.assertEqual(page.wait_for_end(), 1)
            self.assertEqual(page.console_errors(), [])


if __name__ == "__main__":
    unittest.main(argv=sys.argv[:1], verbosity=2)
