/* Stand-in hidapi: the entry points the HID backend looks up, over a table
 * of devices that the test sets. Built twice: complete, and without
 * hid_get_manufacturer_string (STAND_IN_NO_MANUFACTURER). */
#include "stand_in_hidapi.h"

#include <stdlib.h>
#include <string.h>

#define EXPORT __attribute__((visibility("default")))

struct hid_device_info {
  char* path;
  unsigned short vendor_id;
  unsigned short product_id;
  wchar_t* serial_number;
  unsigned short release_number;
  wchar_t* manufacturer_string;
  wchar_t* product_string;
  unsigned short usage_page;
  unsigned short usage;
  int interface_number;
  struct hid_device_info* next;
  int bus_type;
};

typedef struct hid_device_ {
  int index;
} hid_device;

enum { kMaxDevices = 16 };
static struct StandInDevice devices[kMaxDevices];
static int deviceCount;
static struct StandInCounters counters;

EXPORT void stand_in_set_devices(const struct StandInDevice* list, int count) {
  if (count > kMaxDevices) count = kMaxDevices;
  if (count < 0) count = 0;
  if (count > 0) memcpy(devices, list, sizeof devices[0] * (size_t)count);
  deviceCount = count;
}

EXPORT struct StandInCounters stand_in_counters(void) { return counters; }

EXPORT int hid_init(void) {
  ++counters.inits;
  return 0;
}

EXPORT int hid_exit(void) {
  ++counters.exits;
  return 0;
}

EXPORT struct hid_device_info* hid_enumerate(unsigned short vendor_id, unsigned short product_id) {
  ++counters.enumerations;
  struct hid_device_info* head = NULL;
  struct hid_device_info** tail = &head;
  for (int i = 0; i < deviceCount; ++i) {
    if ((vendor_id != 0 && vendor_id != devices[i].vendor_id) ||
        (product_id != 0 && product_id != devices[i].product_id))
      continue;
    struct hid_device_info* info = calloc(1, sizeof *info);
    info->path = devices[i].path ? strdup(devices[i].path) : NULL;
    info->vendor_id = devices[i].vendor_id;
    info->product_id = devices[i].product_id;
    *tail = info;
    tail = &info->next;
  }
  return head;
}

EXPORT void hid_free_enumeration(struct hid_device_info* devs) {
  ++counters.frees;
  while (devs != NULL) {
    struct hid_device_info* next = devs->next;
    free(devs->path);
    free(devs);
    devs = next;
  }
}

EXPORT hid_device* hid_open_path(const char* path) {
  ++counters.opens;
  for (int i = 0; i < deviceCount; ++i) {
    if (devices[i].path == NULL || strcmp(devices[i].path, path) != 0) continue;
    if (!devices[i].opens) return NULL;
    hid_device* dev = malloc(sizeof *dev);
    dev->index = i;
    ++counters.openDevices;
    return dev;
  }
  return NULL;
}

EXPORT void hid_close(hid_device* dev) {
  ++counters.closes;
  if (dev == NULL) return;
  --counters.openDevices;
  free(dev);
}

EXPORT int hid_get_serial_number_string(hid_device* dev, wchar_t* string, size_t maxlen) {
  ++counters.serialReads;
  const wchar_t* serial = devices[dev->index].serial;
  if (serial == NULL || maxlen == 0) return -1;
  wcsncpy(string, serial, maxlen);
  string[maxlen - 1] = L'\0';
  return 0;
}

#ifndef STAND_IN_NO_MANUFACTURER
EXPORT int hid_get_manufacturer_string(hid_device* dev, wchar_t* string, size_t maxlen) {
  (void)dev;
  ++counters.manufacturerReads;
  if (maxlen > 0) string[0] = L'\0';
  return 0;
}
#endif
