// vpo-identify as a script would use it: rows, JSON and the exit status,
// against the simulator on a pseudo-terminal.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <array>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "instrument_simulator.h"

namespace {

struct CliRun {
  int status = -1;
  std::string out;  // standard output
  std::string err;  // standard error
};

CliRun Identify(const std::string& args) {
  // One file per call: ctest runs the cases of this program side by side.
  std::string errFile = testing::TempDir() + "identify_cli_stderr_XXXXXX";
  const int fd = mkstemp(errFile.data());
  if (fd < 0) return CliRun{};
  close(fd);
  const std::string command = std::string(VPO_IDENTIFY) + " " + args + " 2>" + errFile;
  CliRun run;
  FILE* pipe = popen(command.c_str(), "r");
  if (!pipe) return run;
  std::array<char, 512> buffer{};
  size_t n;
  while ((n = fread(buffer.data(), 1, buffer.size(), pipe)) > 0) run.out.append(buffer.data(), n);
  const int raw = pclose(pipe);
  run.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
  if (FILE* f = fopen(errFile.c_str(), "r")) {
    while ((n = fread(buffer.data(), 1, buffer.size(), f)) > 0) run.err.append(buffer.data(), n);
    fclose(f);
  }
  unlink(errFile.c_str());
  return run;
}

class IdentifyCli : public testing::Test {
 protected:
  void SetUp() override { sim_.SetWord(82, 1234); }
  void Serve(vpo::sim::Mode mode = vpo::sim::Mode::Normal) {
    sim_.SetMode(mode);
    sim_.Start();
  }
  std::string Port() const { return "'" + sim_.Path() + "'"; }

  vpo::sim::InstrumentSimulator sim_;
};

TEST_F(IdentifyCli, PrintsTheThreeRowsOfAnInstrumentOnTheSerialPort) {
  Serve();
  const CliRun run = Identify("--port " + Port());
  EXPECT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(run.out,
            "Модель прибора: ЗЕЛ-ВРТ/1234\n"
            "Номер версии ПО: V10.20\n"
            "Цифровой идентификатор ПО: 365855C93D425F2EAA3A55EEB4813D26\n");
}

TEST_F(IdentifyCli, JsonNamesTheLinkThatFoundIt) {
  sim_.SetWord(82, 65535);
  Serve();
  const CliRun run = Identify("--json --port=" + Port());
  EXPECT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(run.out,
            "{\"found\": true, \"link\": \"serial\", \"model\": \"ЗЕЛ-ВРТ/65535\", \"version\": \"V10.20\", "
            "\"digitalId\": \"365855C93D425F2EAA3A55EEB4813D26\"}\n");
}

TEST_F(IdentifyCli, SilentPortIsNotFound) {
  Serve(vpo::sim::Mode::Silent);
  CliRun run = Identify("--port " + Port());
  EXPECT_EQ(run.status, 1) << run.err;
  EXPECT_EQ(run.out, "Модель прибора:  \nНомер версии ПО:  \nЦифровой идентификатор ПО:  \n");

  run = Identify("--json --port " + Port());
  EXPECT_EQ(run.status, 1);
  EXPECT_EQ(run.out,
            "{\"found\": false, \"link\": null, \"model\": \" \", \"version\": \" \", \"digitalId\": \" \"}\n");
}

TEST_F(IdentifyCli, InstrumentFallingSilentIsAnErrorWithoutRows) {
  Serve(vpo::sim::Mode::MuteAfterProbe);
  const CliRun run = Identify("--port " + Port());
  EXPECT_EQ(run.status, 2);
  EXPECT_EQ(run.out, "");
  EXPECT_NE(run.err.find("перестал отвечать"), std::string::npos) << run.err;
}

TEST(IdentifyCliUsage, BadInputIsAnErrorWithStatus2) {
  struct Case {
    const char* args;
    const char* inError;
  };
  for (const Case& c : {Case{"--port CO", "не меньше 4 символов"}, Case{"--port ''", "не меньше 4 символов"},
                        Case{"--bogus", "unknown option --bogus"}, Case{"--port", "--port needs a value"}}) {
    const CliRun run = Identify(c.args);
    EXPECT_EQ(run.status, 2) << c.args;
    EXPECT_EQ(run.out, "") << c.args;
    EXPECT_NE(run.err.find(c.inError), std::string::npos) << c.args << ": " << run.err;
  }
}

TEST(IdentifyCliUsage, HelpPrintsUsage) {
  const CliRun run = Identify("--help");
  EXPECT_EQ(run.status, 0);
  EXPECT_NE(run.out.find("Usage: vpo-identify [--port TEXT] [--json] [--listing]"), std::string::npos);
}

}  // namespace
