#!/usr/bin/env python3
"""A COM port mapped through Wine's registry reaches the pseudo-terminal
behind it; every other COM port of the test prefix reaches nothing, even on a
machine with real serial ports, and map-com refuses anything but a
pseudo-terminal."""
import argparse
import glob
import os
import subprocess
import sys
import unittest

from wine_com import WinePrefix, pty_on_com, read_exactly

args = None


class ComPortMapping(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.wine = WinePrefix(args.wine_test, args.prefix)

    def probe(self, port, *send):
        return self.wine.run(args.probe, port, *send)

    def test_bytes_go_both_ways_through_the_mapped_port(self):
        with pty_on_com(self.wine, "COM1") as master:
            probe = self.wine.start(args.probe, "COM1", "5A", "00",
                                    stdout=subprocess.PIPE, text=True)
            try:
                self.assertEqual(read_exactly(master, 2, timeout=30), b"\x5a\x00")
                os.write(master, b"\xa5")
                out, _ = probe.communicate(timeout=30)
            finally:
                if probe.poll() is None:
                    probe.kill()
            self.assertEqual(probe.returncode, 0, out)
            self.assertIn("got A5", out)

    def test_a_silent_mapped_port_gives_no_byte(self):
        with pty_on_com(self.wine, "COM1"):
            result = self.probe("COM1")
        self.assertEqual(result.returncode, 1, result.stdout + result.stderr)

    def test_unmapped_ports_reach_nothing(self):
        # Wine would give COM ports without a registry value to /dev/ttyS*,
        # /dev/ttyUSB* and /dev/ttyACM*; COM256 is the slot it would use first.
        # A port with a device behind it lets reads time out (status 1); one
        # that reaches nothing fails to open (3) or fails every read (4).
        for port in ["COM1", "COM2", "COM3", "COM9", r"\\.\COM10", r"\\.\COM30", r"\\.\COM256"]:
            with self.subTest(port=port):
                result = self.probe(port, "5A")
                self.assertIn(result.returncode, (3, 4), result.stdout + result.stderr)
        subprocess.run([args.wine_test, "check", "--prefix", args.prefix], check=True)

    def test_map_com_refuses_what_is_not_a_pseudo_terminal(self):
        for path in ["/dev/null", *sorted(glob.glob("/dev/ttyS*"))[:1], "/nonexistent"]:
            with self.subTest(path=path):
                refused = subprocess.run(
                    [args.wine_test, "map-com", "--prefix", args.prefix, f"COM1={path}"],
                    capture_output=True, text=True, timeout=60)
                self.assertNotEqual(refused.returncode, 0)
                self.assertIn("not a pseudo-terminal", refused.stderr)
        self.assertIn(self.probe("COM1").returncode, (3, 4))


if __name__ == "__main__":
    parser = argparse.ArgumentParser()
    parser.add_argument("--wine-test", required=True)
    parser.add_argument("--prefix", required=True)
    parser.add_argument("--probe", required=True)
    args, rest = parser.parse_known_args()
    unittest.main(argv=[sys.argv[0], *rest], verbosity=2)
