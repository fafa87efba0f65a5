// vpo-analyzer: the GUI entry point. It reads no arguments of its
// own (Qt takes its platform options), no files, no settings, and returns 0
// on every path.
#include "shell/application.h"
#include "shell/program.h"

int main(int argc, char** argv) {
  vpo::shell::Application app(argc, argv);
  return vpo::shell::RunProgram(app);
}
