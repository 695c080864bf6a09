#!/usr/bin/python3
# Prints what the web page weighs and how fast it starts, in headless Chromium (or Firefox
# ESR on Xvfb) on this machine: the files as served (plain and gzip -9), then at device scale
# 1, 2 and 3 (Chromium only; the same page, 1280x881 CSS pixels; the canvas's buffer has
# scale x scale times the pixels) loading to the notice, the notice's dismissal to the first
# frame, and the frames a second while it turns (median of 5).
# Usage: bench/web_start.py [--firefox] [SITE]   (default build/web, which scripts/web.sh makes)
import gzip, os, statistics, sys, time

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "tests", "web"))
from browser import FirefoxPage, Page, serve  # noqa: E402

firefox = sys.argv[1:2] == ["--firefox"]
site = (sys.argv[1 + firefox:] or ["build/web"])[0]
plain = packed = 0
for name in sorted(os.listdir(site)):
    data = open(os.path.join(site, name), "rb").read()
    plain, packed = plain + len(data), packed + len(gzip.compress(data, 9))
    print(f"{name:16} {len(data):9,} bytes, {len(gzip.compress(data, 9)):9,} gzipped")
print(f"{'in all':16} {plain:9,} bytes, {packed:9,} gzipped")

server = serve(site)
for scale in (1,) if firefox else (1, 2, 3):
    notice, first, rate = [], [], []
    for run in range(5):
        screen = dict(width=1280, height=881, deviceScaleFactor=scale, mobile=False)
        with (FirefoxPage(server.url) if firefox else Page(server.url, screen=screen)) as page:
            page.message_box()
            notice.append(page.evaluate("performance.getEntriesByName('message box shown')[0].startTime"))
            # Every frame waits for one display refresh: the first such wait ends the first frame.
            page.evaluate("""window.frames_ = 0; window.first_ = 0; const refresh = requestAnimationFrame;
                window.requestAnimationFrame = (f) => (first_ ||= performance.now(), frames_++, refresh(f));""")
            dismissed = page.evaluate("performance.now()")
            page.key("Enter")
            first.append(page.wait_for("first_") - dismissed)
            count = page.evaluate("frames_")
            time.sleep(2)
            rate.append((page.evaluate("frames_") - count) / 2)
            buffer = page.rect()["pixelWidth"]
    print(f"device scale {scale}, canvas buffer {buffer}x{buffer}:")
    for what, values, unit in (("loading to the notice", notice, "ms"),
                               ("notice dismissed to the first frame", first, "ms"),
                               ("frames a second while turning", rate, "")):
        print(f"  {what}: median {statistics.median(values):.0f} {unit} (of {', '.join(f'{v:.0f}' for v in values)})")
server.shutdown()
