#!/usr/bin/env python3
"""vpo-identify.exe under Wine, end to end: the FTDI list of the stand-in
ftd2xx.dll (found through WINEPATH), the simulator on a pseudo-terminal
mapped as COM1, and Wine's own hid.dll with no devices."""
import argparse
import json
import os
import sys
import unittest

from simulator import SimulatedInstrument, run_windows, terminate_on_sigterm
from wine_com import WinePrefix

args = None

ROWS = ["Модель прибора: ЗЕЛ-ВРТ/1234",
        "Номер версии ПО: V10.20",
        "Цифровой идентификатор ПО: 365855C93D425F2EAA3A55EEB4813D26"]
# One identification over the serial link: the probe and its answer, then a
# word read of 16 bytes.
SERIAL_BYTES_PER_RUN = 2 + 16


class IdentifyUnderWine(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.wine = WinePrefix(args.wine_test, args.prefix)

    def identify(self, *options, ftdi_devices=""):
        env = dict(os.environ)
        env["WINEPATH"] = "Z:" + args.ftd2xx_dir.replace("/", "\\")
        env["VPO_FTD2XX_DEVICES"] = ftdi_devices
        return run_windows(self.wine, args.identify, *options, env=env)

    def test_instrument_on_com1(self):
        with SimulatedInstrument(args.simulator, self.wine, "COM1") as sim:
            status, out, err = self.identify("--port", "COM1")
            json_status, json_out, json_err = self.identify("--port", "COM1", "--json")
            ftdi_status, ftdi_out, ftdi_err = self.identify(
                "--port", "COM1", "--listing", ftdi_devices="dev=FT01|Converter A;dev=5678|ZEL-VRT USB")

        with self.subTest("rows"):
            self.assertEqual(status, 0, out + err)
            self.assertEqual(out.splitlines(), ROWS, err)
        with self.subTest("json"):
            self.assertEqual(json_status, 0, json_out + json_err)
            self.assertEqual(json.loads(json_out), {
                "found": True, "link": "serial", "model": "ЗЕЛ-ВРТ/1234", "version": "V10.20",
                "digitalId": "365855C93D425F2EAA3A55EEB4813D26"})
        with self.subTest("the FTDI list comes first"):
            self.assertEqual(ftdi_status, 0, ftdi_out + ftdi_err)
            self.assertEqual(ftdi_out.splitlines()[0], "Модель прибора: ЗЕЛ-ВРТ/5678", ftdi_err)
            self.assertEqual(ftdi_err.splitlines(), ["0", "FT01", "Converter A", "1", "5678", "ZEL-VRT USB"])
        # Two identifications over the serial link; the FTDI one sent nothing.
        self.assertEqual(len(sim.log), 2 * SERIAL_BYTES_PER_RUN, sim.stderr)
        self.assertEqual(sim.log[0], ("host", 0x37), sim.stderr)

    def test_nothing_found(self):
        with SimulatedInstrument(args.simulator, self.wine, "COM1", "--mode", "silent"):
            status, out, err = self.identify("--port", "COM1", "--json")
        self.assertEqual(status, 1, out + err)
        self.assertEqual(json.loads(out), {"found": False, "link": None, "model": " ", "version": " ",
                                           "digitalId": " "})


if __name__ == "__main__":
    terminate_on_sigterm()
    parser = argparse.ArgumentParser()
    parser.add_argument("--wine-test", required=True)
    parser.add_argument("--prefix", required=True)
    parser.add_argument("--identify", required=True)
    parser.add_argument("--ftd2xx-dir", required=True)
    parser.add_argument("--simulator", default="")
    args, rest = parser.parse_known_args()
    unittest.main(argv=[sys.argv[0], *rest], verbosity=2)
