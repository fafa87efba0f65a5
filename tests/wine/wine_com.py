"""Wine prefix and COM ports for the Windows tests (used by the test scripts
here and by the serial tests of the Windows build).

A COM port is mapped onto a pseudo-terminal through scripts/wine-test map-com,
which writes HKLM\\Software\\Wine\\Ports and restarts the wineserver; nothing
here touches the prefix's dosdevices links.
"""
import contextlib
import os
import pty
import select
import subprocess
import tty


class WinePrefix:
    def __init__(self, wine_test, prefix):
        self.wine_test = wine_test
        self.prefix = prefix

    def _command(self, verb, *args):
        return [self.wine_test, verb, "--prefix", self.prefix, *args]

    def map_com(self, ports):
        """ports: {"COM1": "/dev/pts/N"}; an empty path unmaps the port."""
        args = [f"{name}={path}" for name, path in ports.items()]
        subprocess.run(self._command("map-com", *args), check=True, timeout=60)

    def start(self, program, *args, **popen_args):
        return subprocess.Popen(self._command("run", program, *args), **popen_args)

    def run(self, program, *args, timeout=60):
        return subprocess.run(self._command("run", program, *args), capture_output=True,
                              text=True, timeout=timeout)


@contextlib.contextmanager
def pty_on_com(prefix, port="COM1"):
    """Maps `port` onto a new pseudo-terminal for the block; yields the master
    side. The port is unmapped again afterwards, also when the block fails."""
    master, slave = pty.openpty()
    try:
        tty.setraw(slave)
        prefix.map_com({port: os.ttyname(slave)})
        try:
            yield master
        finally:
            prefix.map_com({port: ""})
    finally:
        os.close(slave)
        os.close(master)


def read_exactly(fd, count, timeout):
    """Reads `count` bytes from fd, or what came before `timeout` seconds ran out."""
    data = b""
    while len(data) < count:
        ready, _, _ = select.select([fd], [], [], timeout)
        if not ready:
            break
        data += os.read(fd, count - len(data))
    return data
