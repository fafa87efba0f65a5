// The program's icon resource, linked into a program: MAINICON is there as
// a group icon in Russian (language 1049) and Windows can load it.
#include <windows.h>

#include <cstdio>

int main() {
  HMODULE self = GetModuleHandleA(nullptr);
  HRSRC group = FindResourceExA(self, MAKEINTRESOURCEA(14) /* RT_GROUP_ICON */, "MAINICON",
                                MAKELANGID(LANG_RUSSIAN, SUBLANG_DEFAULT));
  HICON icon = LoadIconA(self, "MAINICON");
  std::printf("group icon in language 1049: %d, icon loads: %d\n", group != nullptr, icon != nullptr);
  return group && icon ? 0 : 1;
}
