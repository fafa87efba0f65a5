// Times the serial protocol against the instrument simulator and prints
// markdown table rows: what was measured beside the time the line itself
// needs. Options: --rows-only (no table header), --runs N (default 20).
#include <algorithm>
#include <cstdio>

#include "bench_support.h"
#include "instrument_simulator.h"
#include "links/fixed_port_chooser.h"
#include "links/serial_link.h"

using vpo::bench::MedianMs;
using vpo::bench::Row;

int main(int argc, char** argv) {
  vpo::bench::Options options;
  if (!vpo::bench::ParseOptions(argc, argv, options)) return 2;
  const bool header = options.header;
  const int runs = options.runs;

  vpo::sim::InstrumentSimulator sim;
  sim.Start();
  vpo::FixedPortChooser chooser(sim.Path(), -1);
  vpo::SerialLink link(chooser);
  bool ok = true;
  auto probeAndRead = [&] {
    ok = ok && link.ProbeInstrument() == 1 && link.ReadInstrumentWord(82) == 1234;
  };

  if (header) {
    std::printf("| name | measured | reference |\n");
    std::printf("|---|---|---|\n");
  }
  probeAndRead();  // warm-up
  sim.SetLineTiming(true);
  Row("serial: probe + word read, 9600 bit/s line timing (median)", MedianMs(runs, probeAndRead),
      "18.75 ms (18 characters at 9600 bit/s)");
  sim.SetLineTiming(false);
  Row("serial: probe + word read, no line timing (median)", MedianMs(runs, probeAndRead),
      "0 ms of line time");
  sim.SetMode(vpo::sim::Mode::Silent);
  uint32_t answered = 0;
  Row("serial: probe of a silent port (median)",
      MedianMs(std::max(1, runs / 5), [&] { answered += link.ProbeInstrument(); }),
      "440 ms (11 reads x 40 ms)");
  sim.Stop();
  if (!ok || answered != 0) {
    std::fprintf(stderr, "serial bench: the simulator did not answer as expected\n");
    return 1;
  }
  return 0;
}
