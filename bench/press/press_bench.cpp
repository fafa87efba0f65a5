// A press of "Инициализация" in the real main window, from the click to the
// result in the grid (repaint included), with the simulator on a
// pseudo-terminal typed into the port box. The FTDI list is empty and the
// HID library missing, so the serial link alone decides. Prints markdown
// table rows: name | measured | reference.
// Options: --rows-only (no table header), --runs N (default 20).
#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

#include <algorithm>
#include <cstdio>
#include <memory>

#include "bench_support.h"
#include "ftdi_test_support.h"
#include "instrument_simulator.h"
#include "shell/application.h"
#include "shell/formmain.h"
#include "shell/formtest.h"

using vpo::bench::MedianMs;
using vpo::bench::Row;

int main(int argc, char** argv) {
  vpo::bench::Options options;
  if (!vpo::bench::ParseOptions(argc, argv, options)) return 2;
  const bool header = options.header;
  const int runs = options.runs;
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  vpo::shell::Application app(argc, argv);
  bool failed = false;
  app.SetExceptionPresenter([&](const QString&, const QString& text) {
    std::fprintf(stderr, "press bench: %s\n", qPrintable(text));
    failed = true;
  });

  vpo::sim::InstrumentSimulator sim;
  sim.Start();
  vpo::shell::LinkOptions links;
  links.ftdiList = std::make_unique<vpo::test::FakeFtdiDeviceList>();
  links.hidLibrary = "libvpo-no-such-hidapi.so.0";
  vpo::shell::TFMain fmain(nullptr, std::move(links));
  vpo::shell::TFTest ftest;
  fmain.SetTestForm(&ftest);
  fmain.show();
  QApplication::processEvents();

  QLineEdit* edit = fmain.ComboBoxCOM()->lineEdit();
  edit->setFocus();
  edit->selectAll();
  QTest::keyClicks(edit, QString::fromStdString(sim.Path()));
  if (fmain.PortText() != sim.Path()) {
    // Never press while the box names a real port.
    std::fprintf(stderr, "press bench: the port box holds '%s'\n", fmain.PortText().c_str());
    return 1;
  }

  const QString found = QStringLiteral("ЗЕЛ-ВРТ/1234");
  const QString blank = QStringLiteral(" ");
  QString expected = found;
  auto press = [&] {
    QTest::mouseClick(fmain.ButtonInit(), Qt::LeftButton);
    QApplication::processEvents();  // the grid repaints with the result
    if (fmain.CellText(1, 0) != expected) failed = true;
  };

  if (header) {
    std::printf("| name | measured | reference |\n");
    std::printf("|---|---|---|\n");
  }
  press();  // warm-up
  sim.SetLineTiming(true);
  Row("window: press to result, simulator with 9600 bit/s line timing (median)", MedianMs(runs, press),
      "18.75 ms (line-time floor: 18 characters at 9600 bit/s)");
  sim.SetLineTiming(false);
  Row("window: press to result, simulator without line timing (median)", MedianMs(runs, press),
      "18.75 ms (line-time floor of a real line)");
  sim.SetMode(vpo::sim::Mode::Silent);
  expected = blank;
  Row("window: press that finds nothing, silent port (median)", MedianMs(std::max(1, runs / 5), press),
      "440 ms (11 reads x 40 ms)");
  sim.Stop();
  fmain.SetTestForm(nullptr);
  if (failed) {
    std::fprintf(stderr, "press bench: a press did not show what the simulator holds\n");
    return 1;
  }
  return 0;
}
