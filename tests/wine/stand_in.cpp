// The stand-in DLL: two calls whose answers show which one ran.
extern "C" __declspec(dllexport) int StandInSeventy() { return 70; }
extern "C" __declspec(dllexport) int StandInSeventyOne(int x) { return 7100 + x; }
