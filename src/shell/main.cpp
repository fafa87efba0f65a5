// vpo-analyzer: the GUI entry point. It reads no arguments of its
// own (Qt takes its platform options), no files, no settings, and returns 0
// on every path.
#include "shell/application.h"
#include "shell/font_warmup.h"
#include "shell/program.h"

int main(int argc, char** argv) {
  vpo::shell::FontConfigWarmUp fonts;  // meanwhile Qt connects to the display
  vpo::shell::Application app(argc, argv);
  fonts.Wait();
  return vpo::shell::RunProgram(app);
}
