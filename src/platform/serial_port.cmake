# Serial ports: exclusive open, line settings, time-outs, one-byte reads and writes.
if(WIN32)
  target_sources(vpo_platform PRIVATE serial_port.h serial_port_win.cpp)
else()
  target_sources(vpo_platform PRIVATE serial_port.h serial_port_linux.cpp)
endif()
