#!/usr/bin/env python3
"""The real program in a real X server: `korvalen` under Xvfb opens its 900 x 560 window from
the init script's "lvgl &", shows its first screen, and reacts to clicks and typing.
Usage: window_test.py PATH-TO-KORVALEN PATH-TO-X_CLOSE_WINDOW"""
import os
import subprocess
import sys
import tempfile
import time
import unittest

KORVALEN = X_CLOSE = None
# Where the first screen puts its pieces (app/ui.h), in window coordinates.
BUTTON = (60 + 110, 120 + 32)  # where to click
BUTTON_FILL = (60 + 15, 120 + 10)  # a point of the button away from its label
TEXT_LEFT = (340 + 10, 120 + 8, 200, 34)  # x, y, width, height of the typed text's place
SCREEN_RGB, BUTTON_RGB, CHECKED_RGB = (0x20, 0x30, 0x3C), (0x1E, 0x64, 0xC8), (0x28, 0xB4, 0x50)


def wait_for(check, what, timeout=30.0):
    deadline = time.monotonic() + timeout
    while time.monotonic() < deadline:
        result = check()
        if result:
            return result
        time.sleep(0.05)
    raise AssertionError("timed out waiting for " + what)


def near(a, b, tolerance=8):  # RGB565 keeps 5 bits of red and blue
    return all(abs(x - y) <= tolerance for x, y in zip(a, b))


class WindowTest(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        # Xvfb picks a free display and writes its number on its standard output.
        cls.xvfb = subprocess.Popen(["Xvfb", "-displayfd", "1", "-screen", "0", "1280x1024x24", "-nolisten", "tcp"],
                                    stdout=subprocess.PIPE, stderr=subprocess.PIPE)
        number = cls.xvfb.stdout.readline().strip().decode()
        cls.env = dict(os.environ, DISPLAY=":" + number)
        cls.dir = tempfile.TemporaryDirectory()
        # The console shows the program's trace lines: kept in a file for a failure's report.
        cls.log = open(os.path.join(cls.dir.name, "console.log"), "w+b")
        cls.app = subprocess.Popen([KORVALEN, "--console"], cwd=cls.dir.name, env=cls.env, stdin=subprocess.DEVNULL,
                                   stdout=cls.log, stderr=subprocess.STDOUT)
        try:
            cls.wid = wait_for(lambda: cls.xdo("search", "--name", "Korvalen v1.3").split(), "the window")[0]
        except AssertionError:
            cls.log.seek(0)
            said = cls.log.read()[-2000:]
            if cls.xvfb.poll() is not None:
                said += b" (the X server ended: %r)" % cls.xvfb.stderr.read()[-600:]
            cls.tearDownClass()  # not called by unittest when set-up fails
            raise AssertionError("no window; the program said: %r" % said)

    @classmethod
    def tearDownClass(cls):
        if cls.app.poll() is None:
            cls.app.kill()
            cls.app.wait()
        cls.xvfb.terminate()
        cls.xvfb.wait()
        if not cls.log.closed:
            cls.log.close()
            cls.dir.cleanup()

    @classmethod
    def xdo(cls, *args):
        return subprocess.run(["xdotool", *args], env=cls.env, capture_output=True, text=True).stdout

    def shot(self):
        path = os.path.join(self.dir.name, "shot.png")
        for _ in range(5):  # import now and then waits for an X event that never comes
            try:
                subprocess.run(["import", "-window", self.wid, path], env=self.env, check=True, timeout=10)
                return path
            except subprocess.TimeoutExpired:
                continue
        raise AssertionError("no screenshot")

    def pixel(self, x, y, path=None):
        out = subprocess.run(["convert", path or self.shot(), "-crop", "1x1+%d+%d" % (x, y), "-depth", "8",
                              "txt:-"], capture_output=True, text=True, check=True).stdout
        # The last line reads like "0,0: (30,100,200)  #1E64C8  srgb(30,100,200)".
        rgb = out.strip().splitlines()[-1].split("(")[1].split(")")[0]
        return tuple(int(float(v)) for v in rgb.split(",")[:3])

    def dark_pixels(self, box):
        """How many pixels of the box are clearly darker than the white text area."""
        x, y, w, h = box
        out = subprocess.run(["convert", self.shot(), "-crop", "%dx%d+%d+%d" % (w, h, x, y), "-colorspace", "gray",
                              "-threshold", "50%", "-negate", "-format", "%[fx:int(mean*w*h)]", "info:"],
                             capture_output=True, text=True, check=True).stdout
        return int(out)

    def test_1_window_and_first_screen(self):
        self.assertIn("Geometry: 900x560", self.xdo("getwindowgeometry", self.wid))
        path = wait_for(lambda: (lambda p: p if near(self.pixel(*BUTTON_FILL, path=p), BUTTON_RGB) else None)(self.shot()),
                        "the first screen")
        self.assertTrue(near(self.pixel(5, 5, path), SCREEN_RGB))

    # The GUI reads its input devices every 10 ms, as LVGL does: a press shorter than that can
    # pass unseen, so each press is held until the screen shows it was taken, then released.
    def test_2_click_checks_the_button(self):
        self.xdo("mousemove", "--window", self.wid, str(BUTTON[0]), str(BUTTON[1]), "mousedown", "1")
        wait_for(lambda: not near(self.pixel(*BUTTON_FILL), BUTTON_RGB, 2), "the button to look pressed")
        self.xdo("mouseup", "1")
        wait_for(lambda: near(self.pixel(*BUTTON_FILL), CHECKED_RGB), "the button to show its checked state")

    def test_3_typing_goes_to_the_text_area(self):
        self.xdo("windowfocus", self.wid)
        drawn = self.dark_pixels(TEXT_LEFT)
        for key in "korv":
            self.xdo("keydown", "--window", self.wid, key)
            drawn = wait_for(lambda: (lambda now: now if now > drawn + 5 else None)(self.dark_pixels(TEXT_LEFT)),
                             "the letter %s to be drawn" % key)
            self.xdo("keyup", "--window", self.wid, key)

    def test_4_closing_the_window_ends_the_program_with_status_0(self):
        subprocess.run([X_CLOSE, self.wid], env=self.env, check=True)
        self.assertEqual(self.app.wait(timeout=30), 0)


if __name__ == "__main__":
    X_CLOSE = os.path.abspath(sys.argv.pop(2))
    KORVALEN = os.path.abspath(sys.argv.pop(1))
    unittest.main(verbosity=2)
