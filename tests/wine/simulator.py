"""The Linux instrument simulator on a pseudo-terminal, mapped as a COM port of
the Wine test prefix, for the Windows programs under test.

    with SimulatedInstrument(sim_path, wine, "COM1", "--mode", "silent") as sim:
        result = wine.run(program, "COM1", ...)
    sim.log  # [("host", 0x03), ("instrument", 0x06), ...]

The simulator and the Windows programs started here die with the harness,
even when ctest kills it: they get SIGTERM from the kernel when their parent
goes (PR_SET_PDEATHSIG). The port is unmapped again on every way out.
"""
import ctypes
import os
import re
import select
import signal
import subprocess
import tempfile

_PR_SET_PDEATHSIG = 1
_libc = ctypes.CDLL(None, use_errno=True)


def die_with_parent():
    """preexec_fn: the child gets SIGTERM when the harness ends."""
    _libc.prctl(_PR_SET_PDEATHSIG, signal.SIGTERM, 0, 0, 0)


def terminate_on_sigterm():
    """Turns SIGTERM into SystemExit, so `finally` blocks (unmapping the port,
    stopping the simulator) run when ctest ends the harness."""
    signal.signal(signal.SIGTERM, lambda *_: (_ for _ in ()).throw(SystemExit(143)))


_LOG_LINE = re.compile(r"^\s*[0-9.]+ ms\s+(host|instrument) -> (?:host|instrument)\s+0x([0-9A-Fa-f]{2})\s*$")


def parse_log(text):
    """The simulator's --log lines as [(sender, byte)], sender "host" or "instrument"."""
    log = []
    for line in text.splitlines():
        match = _LOG_LINE.match(line)
        if match:
            log.append((match.group(1), int(match.group(2), 16)))
    return log


class SimulatedInstrument:
    def __init__(self, simulator, wine, port, *options):
        if not simulator or not os.access(simulator, os.X_OK):
            raise RuntimeError(
                f"the Linux simulator {simulator!r} is missing: build it first "
                "(cmake --preset ci && cmake --build --preset ci --target vpo-instrument-sim) "
                "or configure the Windows build with -DVPO_HOST_SIMULATOR=PATH")
        self.simulator = simulator
        self.wine = wine
        self.port = port
        self.options = options
        self.process = None
        self.path = None
        self.log = []
        self.stderr = ""
        self._err = None
        self._mapped = False

    def __enter__(self):
        self._err = tempfile.TemporaryFile()
        try:
            self.process = subprocess.Popen(
                [self.simulator, "--log", *self.options], stdout=subprocess.PIPE,
                stderr=self._err, preexec_fn=die_with_parent)
            self.path = self._first_line(timeout=10)
            self.wine.map_com({self.port: self.path})
            self._mapped = True
        except BaseException:
            self._stop()
            raise
        return self

    def __exit__(self, *exc):
        self._stop()
        return False

    def _first_line(self, timeout):
        out = self.process.stdout.fileno()
        data = b""
        while b"\n" not in data:
            ready, _, _ = select.select([out], [], [], timeout)
            chunk = os.read(out, 256) if ready else b""
            if not chunk:
                raise RuntimeError(f"the simulator printed no device path (got {data!r})")
            data += chunk
        return data.split(b"\n", 1)[0].decode().strip()

    def _stop(self):
        try:
            if self._mapped:
                self._mapped = False
                self.wine.map_com({self.port: ""})
        finally:
            if self.process is not None:
                if self.process.poll() is None:
                    self.process.terminate()
                    try:
                        self.process.wait(timeout=5)
                    except subprocess.TimeoutExpired:
                        self.process.kill()
                        self.process.wait()
                self.process.stdout.close()
            if self._err is not None:
                self._err.seek(0)
                self.stderr = self._err.read().decode(errors="replace")
                self._err.close()
                self._err = None
                self.log = parse_log(self.stderr)


def run_windows(wine, program, *args, timeout=60, env=None):
    """Runs a Windows program through `wine-test run`; returns
    (status, stdout, stderr) as text. A program still running after `timeout`
    seconds is ended (SIGTERM, which wine-test passes on to it) and the test
    fails; it also ends with the harness."""
    process = subprocess.Popen(
        [wine.wine_test, "run", "--prefix", wine.prefix, program, *args],
        stdout=subprocess.PIPE, stderr=subprocess.PIPE, env=env, preexec_fn=die_with_parent)
    try:
        out, err = process.communicate(timeout=timeout)
    except subprocess.TimeoutExpired:
        process.terminate()
        try:
            out, err = process.communicate(timeout=10)
        except subprocess.TimeoutExpired:
            process.kill()
            out, err = process.communicate()
        raise AssertionError(
            f"{os.path.basename(program)} {' '.join(args)} did not end within {timeout} s; "
            f"output so far: {out.decode(errors='replace')!r} {err.decode(errors='replace')!r}")
    except BaseException:
        process.terminate()
        process.wait()
        raise
    return process.returncode, out.decode(errors="replace"), err.decode(errors="replace")


def fields(output):
    """Lines "key value..." as {key: [rest, ...]}, in order."""
    result = {}
    for line in output.splitlines():
        key, _, rest = line.partition(" ")
        result.setdefault(key, []).append(rest)
    return result
