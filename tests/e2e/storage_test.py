#!/usr/bin/env python3
"""End-to-end test of the dongle's disk from the console: a dongle-like disk image made with
mkfs.fat and mtools is mounted with `mount -t fatfs`, read, written and updated through the
shell, then checked with mtools and fsck.fat. Usage: storage_test.py PATH-TO-KORVALEN"""
import os
import subprocess
import sys
import unittest

from session import PROMPT, Session

KORVALEN = None
PART = "@@1M"  # the partition starts at LBA 2048


def make_disk(folder):
    img = os.path.join(folder, "disk.img")
    with open(img, "wb") as f:
        f.truncate(32 * 1024 * 1024)
        entry = bytes([0, 0, 0, 0, 0x0E, 0, 0, 0]) + (2048).to_bytes(4, "little") + (65536 - 2048).to_bytes(4, "little")
        f.seek(446)
        f.write(entry)
        f.seek(510)
        f.write(b"\x55\xaa")
    subprocess.run(["mkfs.fat", "-F", "16", "-n", "KORVALEN", "-s", "4", "-h", "2048", "--offset", "2048", img],
                   check=True, capture_output=True)
    files = {"version.txt": b"Version:1.2.3\r\n", "PSN Config.txt": b"PSNID : old-value-that-is-long\r\n",
             "update.bin": b"\xff" * 40000}
    for name, data in files.items():
        path = os.path.join(folder, name)
        with open(path, "wb") as f:
            f.write(data)
        subprocess.run(["mcopy", "-i", img + PART, path, "::/" + name], check=True)
        os.remove(path)
    with open(os.path.join(folder, "fw.bin"), "wb") as f:
        f.write(bytes(range(256)) * 100)  # 25600 bytes: two chunks


def mtype(folder, name):
    return subprocess.run(["mtype", "-i", os.path.join(folder, "disk.img") + PART, "::/" + name],
                          check=True, capture_output=True).stdout


class StorageTest(unittest.TestCase):
    def test_mount_read_write_update(self):
        s = Session(KORVALEN, make_disk)
        try:
            s.read_until(PROMPT)
            self.assertTrue(s.run(b"mount -t fatfs /mnt/hostfs/disk.img /scsi").startswith(b"mount"))
            out = s.run(b"mount -t fatfs -b 512 /mnt/hostfs/disk.img /scsi")
            self.assertNotIn(b"fail", out)
            self.assertIn(b"\x1b[1;34mKORVALEN  ", s.run(b"ls /scsi"))
            self.assertIn(b"Version:1.2.3\r\n", s.run(b'cat "/scsi/KORVALEN/version.txt"'))
            self.assertNotIn(b"format", s.run(b'write "/scsi/KORVALEN/PSN Config.txt" "PSNID : new"'))
            out = s.run(b'update /mnt/hostfs/fw.bin "/scsi/KORVALEN/update.bin"')
            self.assertIn(b".\r\nupdate done\r\n", out)
            # On the console the progress trace lines show between the dots: 0, then two chunks.
            self.assertIn(b"current: 0\r\n", out)
            self.assertIn(b"current: 16384\r\n.", out)
            self.assertIn(b"current: 25600\r\n.", out)
            self.assertIn(b"fail to open /nope.bin", s.run(b'update /nope.bin "/scsi/KORVALEN/update.bin"'))
            s.stop()
            # Written straight through to the image: nothing needed flushing.
            self.assertEqual(mtype(s.dir.name, "PSN Config.txt"), b"PSNID : new-value-that-is-long\r\n")
            self.assertEqual(mtype(s.dir.name, "update.bin"), bytes(range(256)) * 100 + b"\xff" * (40000 - 25600))
            part = os.path.join(s.dir.name, "part.img")
            with open(os.path.join(s.dir.name, "disk.img"), "rb") as src, open(part, "wb") as dst:
                src.seek(1024 * 1024)
                dst.write(src.read())
            check = subprocess.run(["fsck.fat", "-n", part], capture_output=True, text=True)
            self.assertEqual(check.returncode, 0, check.stdout + check.stderr)
        finally:
            s.close()


if __name__ == "__main__":
    KORVALEN = os.path.abspath(sys.argv.pop(1))
    unittest.main(verbosity=2)
