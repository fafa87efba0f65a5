/* A stand-in for hidapi's hidraw library, built by the tests and loaded by
 * name through the real Linux backend. Its devices and its counters are set
 * and read through the stand_in_* calls. */
#ifndef VPO_TESTS_HID_STAND_IN_HIDAPI_H
#define VPO_TESTS_HID_STAND_IN_HIDAPI_H

#include <wchar.h>

#ifdef __cplusplus
extern "C" {
#endif

struct StandInDevice {
  const char* path; /* NULL: the enumeration reports no path */
  unsigned short vendor_id;
  unsigned short product_id;
  const wchar_t* serial; /* NULL: the serial string cannot be read */
  int opens;             /* 0: hid_open_path fails */
};

struct StandInCounters {
  int inits;
  int exits;
  int enumerations;
  int frees;
  int opens;
  int closes;
  int serialReads;
  int manufacturerReads;
  int openDevices;
};

typedef void (*StandInSetDevicesFn)(const struct StandInDevice* devices, int count);
typedef struct StandInCounters (*StandInCountersFn)(void);

#ifdef __cplusplus
}
#endif

#endif
