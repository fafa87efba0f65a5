# The FTDI device list scan.
target_sources(vpo_links PRIVATE ftdi_scan.h ftdi_scan.cpp)
