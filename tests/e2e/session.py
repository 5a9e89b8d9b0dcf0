"""A korvalen program on a pseudo-terminal, for the end-to-end tests."""
import os
import pty
import select
import signal
import tempfile
import time

PROMPT = b">>>"


class Session:
    """The program on a pseudo-terminal, started in a folder holding a host file."""

    def __init__(self, korvalen, prepare=None):
        """Starts `korvalen --console` in a new folder; `prepare(folder)` fills it first."""
        self.dir = tempfile.TemporaryDirectory()
        if prepare:
            prepare(self.dir.name)
        self.pid, self.fd = pty.fork()
        if self.pid == 0:
            os.chdir(self.dir.name)
            # The GUI gets SDL's headless driver: without a display its "no window" line would
            # land at an unpredictable place in the console transcript.
            os.environ["SDL_VIDEODRIVER"] = "offscreen"
            os.execv(korvalen, [korvalen, "--console"])
        self.out = b""

    def read_until(self, marker, timeout=20.0):
        """Everything up to and including the next `marker`, waiting at most `timeout` s."""
        deadline = time.monotonic() + timeout
        while marker not in self.out:
            left = deadline - time.monotonic()
            if left <= 0:
                raise AssertionError("no %r in %r" % (marker, self.out[-400:]))
            ready, _, _ = select.select([self.fd], [], [], left)
            if ready:
                try:
                    chunk = os.read(self.fd, 4096)
                except OSError:
                    chunk = b""
                if not chunk:
                    raise AssertionError("program ended; output %r" % self.out[-400:])
                self.out += chunk
        head, _, self.out = self.out.partition(marker)
        return head + marker

    def type(self, keys):
        os.write(self.fd, keys)

    def run(self, line):
        """Types a line and returns what appeared up to the next prompt."""
        self.type(line + b"\r")
        return self.read_until(PROMPT)

    def stop(self):
        """Ends the program; the folder stays until close()."""
        if self.pid:
            os.kill(self.pid, signal.SIGTERM)
            os.waitpid(self.pid, 0)
            os.close(self.fd)
            self.pid = 0

    def close(self):
        self.stop()
        self.dir.cleanup()
