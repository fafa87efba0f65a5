// Opens a COM port the way the serial link does, sends the bytes given on the
// command line and waits for one byte back, printing it in hex. Used by
// com_port_test.py to show that a port mapped through Wine's registry
// reaches the pseudo-terminal behind it, and that unmapped ports reach nothing.
//
//   com_port_probe PORT [HEXBYTE...]
// Exit status: 0 a byte came back; 1 the reads worked but no byte came within
// about 2 s (a port with a device behind it, but silent); 3 the port did not
// open; 4 a write or read failed (under Wine: a port with nothing behind it).
#include <windows.h>

#include <cstdio>
#include <cstdlib>

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: com_port_probe PORT [HEXBYTE...]\n");
    return 2;
  }
  HANDLE port = CreateFileA(argv[1], GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  if (port == INVALID_HANDLE_VALUE) {
    std::printf("open failed %lu\n", GetLastError());
    return 3;
  }
  DCB dcb{};
  dcb.DCBlength = sizeof dcb;
  GetCommState(port, &dcb);
  dcb.BaudRate = 9600;
  dcb.ByteSize = 8;
  dcb.Parity = NOPARITY;
  dcb.StopBits = ONESTOPBIT;
  SetCommState(port, &dcb);
  COMMTIMEOUTS timeouts{};
  GetCommTimeouts(port, &timeouts);
  timeouts.ReadTotalTimeoutMultiplier = 40;
  SetCommTimeouts(port, &timeouts);

  for (int i = 2; i < argc; ++i) {
    unsigned char byte = static_cast<unsigned char>(std::strtoul(argv[i], nullptr, 16));
    DWORD written = 0;
    if (!WriteFile(port, &byte, 1, &written, nullptr)) {
      std::printf("write failed %lu\n", GetLastError());
      CloseHandle(port);
      return 4;
    }
  }
  int status = 1;
  for (int poll = 0; poll < 50; ++poll) {
    unsigned char byte = 0;
    DWORD read = 0;
    if (!ReadFile(port, &byte, 1, &read, nullptr)) {
      std::printf("read failed %lu\n", GetLastError());
      status = 4;
      break;
    }
    if (read == 1) {
      std::printf("got %02X\n", byte);
      status = 0;
      break;
    }
  }
  if (status == 1) std::printf("no byte\n");
  CloseHandle(port);
  return status;
}
