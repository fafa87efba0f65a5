// Shows the two ways the Windows tests put a DLL of their own in place of
// the real one:
//  - bound at load time through an import library made from a .def file of
//    ordinals: the calls reach the stand-in's exports at ordinals 70 and 71,
//    whatever their names;
//  - loaded at run time by name: LoadLibraryA finds the stand-in in the
//    program's folder before the system's DLL of that name.
// Prints one line per check; exit status 0 when all hold.
#include <windows.h>

#include <cstdio>

extern "C" int CallSeventy();
extern "C" int CallSeventyOne(int);

int main() {
  int failures = 0;
  const int seventy = CallSeventy();
  const int seventyOne = CallSeventyOne(5);
  std::printf("ordinal 70 -> %d, ordinal 71 -> %d\n", seventy, seventyOne);
  if (seventy != 70 || seventyOne != 7105) ++failures;

  HMODULE hid = LoadLibraryA("hid.dll");
  const bool guid = hid && GetProcAddress(hid, "HidD_GetHidGuid");
  const bool manufacturer = hid && GetProcAddress(hid, "HidD_GetManufacturerString");
  std::printf("hid.dll: loaded %d, HidD_GetHidGuid %d, HidD_GetManufacturerString %d\n", hid != nullptr,
              guid, manufacturer);
  if (!hid || !guid || manufacturer) ++failures;
  if (hid) FreeLibrary(hid);
  return failures == 0 ? 0 : 1;
}
