#pragma once
// The life of the process once the application object exists:
// FMain is created, then FTest; the message loop runs; FTest is freed, then
// FMain. An exception that escapes these steps is shown in the application's
// exception box and ends them. The result is always 0, the exit status.

#include <functional>

namespace vpo::shell {

class Application;
class TFMain;
class TFTest;

// `beforeLoop` (a test seam; the program passes none) runs after both
// windows exist and the main window is shown, just before the loop.
int RunProgram(Application& app, const std::function<void(TFMain&, TFTest&)>& beforeLoop = {});

}  // namespace vpo::shell
