// A second process for the exclusivity tests: exits 0 when it could open the
// port given as its argument, 1 when it could not.
#include "platform/serial_port.h"

int main(int argc, char** argv) {
  if (argc != 2) return 2;
  vpo::platform::SerialPort port;
  return port.Open(argv[1]) ? 0 : 1;
}
