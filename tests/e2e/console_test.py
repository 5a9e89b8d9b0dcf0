#!/usr/bin/env python3
"""End-to-end test of `korvalen --console` in a pseudo-terminal: the start-up transcript and
the interactive shell, typed at as a person would. Usage: console_test.py PATH-TO-KORVALEN"""
import os
import sys
import unittest

from session import PROMPT, Session

KORVALEN = None


class ConsoleTest(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        def prepare(folder):
            with open(os.path.join(folder, "greeting.txt"), "w") as f:
                f.write("hello from the host")

        cls.s = Session(KORVALEN, prepare)
        cls.startup = cls.s.read_until(PROMPT)

    @classmethod
    def tearDownClass(cls):
        cls.s.close()

    def test_startup_transcript_in_order(self):
        expected = [b"start linux...", b"/dev/random bound.\r\n", b"/dev/urandom bound.\r\n"]
        expected += [b"/bin/%s installed.\r\n" % n for n in
                     (b"init", b"sh", b"ls", b"cd", b"pwd", b"cat", b"echo", b"mkdir", b"clear", b"time", b"export")]
        expected += [b"/bin/mount installed.\r\n",
                     b'execute init script: echo "kiv build on May  2 2022"\r\n', b"kiv build on May  2 2022\r\n",
                     b"execute init script: mkdir -p /mnt/hostfs\r\n",
                     b"execute init script: mount -t winfs . /mnt/hostfs\r\n",
                     b"execute init script: cd /mnt/hostfs\r\n",
                     b"execute init script: export GIT_SSL_NO_VERIFY=\r\n",
                     b"execute init script: lvgl &\r\n",
                     b"\x1b[1;37mKIV Linux\r\npath: /bin\r\n", PROMPT]
        at = 0
        for piece in expected:
            found = self.startup.find(piece, at)
            self.assertGreaterEqual(found, 0, "missing or out of order: %r" % piece)
            at = found + len(piece)

    def test_words_quotes_and_expansion(self):
        self.assertIn(b"a b  c\r\n", self.s.run(b"echo a 'b  c'"))
        self.assertIn(b"xy\r\n", self.s.run(b'echo "x${NOT_SET}y"'))
        out = self.s.run(b"echo $")
        self.assertIn(b"fail to parse argument $\r\n", out)
        self.assertIn(b"fail to execute echo\r\n", out)

    def test_assignment_in_front_reaches_only_that_command(self):
        self.assertIn(b"FOO=bar\r\n", self.s.run(b"FOO=bar export"))
        self.assertNotIn(b"FOO=", self.s.run(b"export"))

    def test_host_files_and_directories(self):
        self.assertIn(b"hello from the host\r\n", self.s.run(b"cat /mnt/hostfs/greeting.txt"))
        self.assertIn(b"/mnt/hostfs/\r\n", self.s.run(b"pwd"))
        self.s.run(b"cd ..")
        self.assertIn(b"/mnt/\r\n", self.s.run(b"pwd"))
        self.s.run(b"cd /mnt/hostfs")

    def test_ls_colours_commands_green(self):
        out = self.s.run(b"ls /bin")
        self.assertIn(b"\x1b[1;32mecho  ", out)
        self.assertIn(b"\x1b[1;37m\r\n", out)

    def test_pipe_between_two_commands(self):
        # The second shell reads "pwd" from the pipe, runs it, then meets the end of its
        # input: the line's status is that shell's failure, reported by the outer shell.
        self.s.type(b"echo pwd | sh\r")
        out = self.s.read_until(b"fail to execute echo\r\n" + PROMPT)
        self.assertIn(b"KIV Linux", out)
        self.assertIn(PROMPT + b"/mnt/hostfs/\r\n" + PROMPT, out)

    def test_unknown_command(self):
        out = self.s.run(b"nosuch")
        self.assertIn(b"nosuch not found\r\nfail to execute nosuch\r\n", out)

    def test_backspace_editing(self):
        self.assertIn(b"abc\r\n", self.s.run(b"echo abx\x7fc"))

    def test_history_recall_with_arrow_keys(self):
        self.s.run(b"echo first")
        self.s.run(b"echo second")
        self.s.type(b"\x1b[A")
        self.s.read_until(b"echo second")
        self.s.type(b"\x1b[A")
        self.s.read_until(b"echo first")
        self.assertIn(b"first\r\n", self.s.run(b""))

    def test_background_line_returns_at_once(self):
        out = self.s.run(b"echo in the background &")
        self.assertTrue(out.endswith(PROMPT))
        self.s.type(b"echo after\r")
        self.assertIn(b"after\r\n", self.s.read_until(b"after\r\n"))
        self.s.read_until(PROMPT)


if __name__ == "__main__":
    KORVALEN = os.path.abspath(sys.argv.pop(1))
    unittest.main(verbosity=2)
