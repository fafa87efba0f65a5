/* Stand-in hid.dll for the Windows backend: the four entry points the link
 * looks up (HidD_GetManufacturerString left out when
 * STAND_IN_NO_MANUFACTURER is defined). The attributes never match, so a
 * search over it passes every device over. */
#include <windows.h>

#define EXPORT __declspec(dllexport)

typedef struct {
  ULONG Size;
  USHORT VendorID;
  USHORT ProductID;
  USHORT VersionNumber;
} StandInAttributes;

/* The HID interface class. */
static const GUID kHidGuid = {0x4D1E55B2, 0xF16F, 0x11CF, {0x88, 0xCB, 0x00, 0x11, 0x11, 0x00, 0x00, 0x30}};

EXPORT void WINAPI HidD_GetHidGuid(GUID* guid) { *guid = kHidGuid; }

EXPORT BOOLEAN WINAPI HidD_GetAttributes(HANDLE device, StandInAttributes* attributes) {
  (void)device;
  if (attributes->Size < 10) return FALSE;
  attributes->VendorID = 0xFFFF;
  attributes->ProductID = 0xFFFF;
  attributes->VersionNumber = 0;
  return TRUE;
}

EXPORT BOOLEAN WINAPI HidD_GetSerialNumberString(HANDLE device, PVOID buffer, ULONG length) {
  (void)device;
  (void)buffer;
  (void)length;
  return FALSE;
}

#ifndef STAND_IN_NO_MANUFACTURER
EXPORT BOOLEAN WINAPI HidD_GetManufacturerString(HANDLE device, PVOID buffer, ULONG length) {
  (void)device;
  (void)buffer;
  (void)length;
  return FALSE;
}
#endif
