// Stand-in hid.dll with one call only.
#include <windows.h>

extern "C" __declspec(dllexport) void __stdcall HidD_GetHidGuid(GUID* guid) { *guid = GUID{}; }
