#!/usr/bin/env python3
"""The serial link's Windows backend under Wine, against the Linux simulator
on a pseudo-terminal mapped as COM1: the bytes of a word read, a silent
port's polls, the give-up of a word read whose instrument falls silent, the
line settings that an open leaves alone, a hang-up in the middle of a word
read, and a port with nothing behind it."""
import argparse
import sys
import unittest

from simulator import SimulatedInstrument, fields, run_windows, terminate_on_sigterm
from wine_com import WinePrefix

args = None

# Who sends each byte of one byte read: command and two address bytes, each
# answered, then the data byte, which the host echoes.
BYTE_READ_SENDERS = ["host", "instrument"] * 3 + ["instrument", "host"]


class SerialLinkUnderWine(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.wine = WinePrefix(args.wine_test, args.prefix)

    def instrument(self, *options):
        return SimulatedInstrument(args.simulator, self.wine, "COM1", *options)

    def probe(self, *command, port="COM1", timeout=60):
        status, out, err = run_windows(self.wine, args.probe, port, *command, timeout=timeout)
        self.assertEqual(status, 0, out + err)
        return fields(out), out + err

    def test_word_read_sends_the_exact_bytes(self):
        cases = [
            # word address, value, host bytes
            (82, 1234, [0x03, 0x00, 0xA5, 0x04, 0x03, 0x00, 0xA4, 0xD2]),
            (255, 0x80FF, [0x03, 0x01, 0xFF, 0x80, 0x03, 0x01, 0xFE, 0xFF]),
        ]
        options = []
        for address, value, _ in cases:
            options += ["--word", f"{address}={value}"]
        with self.instrument(*options) as sim:
            results = [self.probe("word", str(address)) for address, _, _ in cases]
        transcript = sim.log
        for (address, value, host_bytes), (result, text) in zip(cases, results):
            with self.subTest(address=address):
                self.assertEqual(result.get("word"), [str(value)], text)
                self.assertEqual(result.get("closed"), ["yes"], text)
                exchange, transcript = transcript[:16], transcript[16:]
                self.assertEqual([sender for sender, _ in exchange], BYTE_READ_SENDERS * 2, sim.stderr)
                self.assertEqual([byte for sender, byte in exchange if sender == "host"], host_bytes,
                                 sim.stderr)
                # The data bytes come 7th and 15th: high byte, then low byte.
                self.assertEqual([exchange[6][1], exchange[14][1]], [value >> 8, value & 0xFF],
                                 sim.stderr)
        self.assertEqual(transcript, [], "nothing after the two word reads")

    def test_silent_port_gives_eleven_timed_polls(self):
        with self.instrument("--mode", "silent") as sim:
            result, text = self.probe("probe")
        self.assertEqual(result.get("probe"), ["0"], text)
        self.assertEqual(result.get("polls"), ["11"], text)
        polls = [line.split() for line in result["poll"]]
        self.assertTrue(all(bytes_read == "0" for _, _, bytes_read in polls), text)
        # Each poll is one read that times out after 40 ms, not one that fails at once.
        self.assertTrue(all(float(ms) >= 20 for _, ms, _ in polls), text)
        elapsed = float(result["elapsed"][0])
        self.assertGreaterEqual(elapsed, 300, text)
        self.assertLess(elapsed, 3000, text)
        self.assertEqual(result.get("closed"), ["yes"], text)
        self.assertEqual(sim.log, [("host", 0x37)], sim.stderr)

    def test_word_read_gives_up_when_the_instrument_falls_silent(self):
        with self.instrument("--mode", "mute-after-probe") as sim:
            result, text = self.probe("mute")
        self.assertEqual(result.get("probe"), ["1"], text)
        self.assertNotIn("word", result, text)
        self.assertIn("error", result, text)
        elapsed = float(result["error"][0].split()[0])
        # The wait for the command's answer runs out after the link's 1 s limit.
        self.assertGreaterEqual(elapsed, 900, text)
        self.assertLess(elapsed, 5000, text)
        self.assertEqual(result.get("closed"), ["yes"], text)
        self.assertEqual(result.get("reopen"), ["yes"], text)
        self.assertEqual(result.get("line"), ["9600 8 0 0"], text)
        self.assertEqual([b for s, b in sim.log if s == "host"], [0x37, 0x03], sim.stderr)

    def test_open_changes_only_the_four_line_fields(self):
        # Another program left 19200 bit/s, two stop bits and RTS/CTS flow
        # control on the port (a pseudo-terminal keeps 8 bits without parity).
        with self.instrument() as sim:
            result, text = self.probe("keep")
        baud, _, _, stop, cts, rts = (result.get("before", [""])[0].split() + [""] * 6)[:6]
        self.assertEqual((baud, stop, cts), ("19200", "2", "1"), text)
        # 9600 8N1; the flow control stays as it was.
        self.assertEqual(result.get("after"), [f"9600 8 0 0 {cts} {rts}"], text)
        self.assertEqual(sim.log, [], sim.stderr)

    def test_open_sets_the_read_multiplier_and_a_write_limit(self):
        # A fresh port has no time-outs: reads get 40 ms a byte, and writes a
        # limit of 1 s so that a line held by flow control cannot block them.
        with self.instrument() as sim:
            result, text = self.probe("timeouts")
        self.assertEqual(result.get("timeouts"), ["0 40 0 0 1000"], text)
        self.assertEqual(sim.log, [], sim.stderr)

    def test_hang_up_in_a_word_read_ends_it_with_the_port_closed(self):
        with self.instrument("--mode", "hangup"):
            result, text = self.probe("word", "82")
        self.assertNotIn("word", result, text)
        self.assertIn("error", result, text)
        self.assertLess(float(result["error"][0].split()[0]), 5000, text)
        self.assertEqual(result.get("closed"), ["yes"], text)

    def test_port_with_nothing_behind_it(self):
        # Under Wine an unmapped port opens, and every read and write on it
        # fails at once (Windows refuses the open): either way nothing waits.
        result, text = self.probe("probe", port="COM2")
        self.assertEqual(result.get("probe"), ["0"], text)
        self.assertEqual(result.get("polls"), ["11"], text)
        self.assertLess(float(result["elapsed"][0]), 1000, text)
        result, text = self.probe("word", "82", port="COM2")
        self.assertIn("error", result, text)
        self.assertLess(float(result["error"][0].split()[0]), 1000, text)
        self.assertEqual(result.get("closed"), ["yes"], text)


if __name__ == "__main__":
    terminate_on_sigterm()
    parser = argparse.ArgumentParser()
    parser.add_argument("--wine-test", required=True)
    parser.add_argument("--prefix", required=True)
    parser.add_argument("--probe", required=True)
    parser.add_argument("--simulator", default="")
    args, rest = parser.parse_known_args()
    unittest.main(argv=[sys.argv[0], *rest], verbosity=2)
