// How long a press spends in the FTDI scan with its listing, against the
// device list in memory: 1,000 devices, and a memo that has already grown to
// 100,000 lines. Prints markdown table rows: name | measured | goal.
#include <QApplication>
#include <QPlainTextEdit>
#include <QString>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include "ftdi_test_support.h"
#include "links/ftdi_scan.h"
#include "memo_under_test.h"

namespace {

using Clock = std::chrono::steady_clock;
using vpo::bench::MemoUnderTest;

constexpr int kRuns = 7;

double Ms(Clock::duration d) { return std::chrono::duration<double, std::milli>(d).count(); }

// Median of kRuns: `setup` is not timed, `run` is.
double MedianMs(const std::function<void()>& setup, const std::function<void()>& run) {
  std::vector<double> times;
  for (int i = 0; i < kRuns; ++i) {
    setup();
    const Clock::time_point start = Clock::now();
    run();
    times.push_back(Ms(Clock::now() - start));
  }
  std::sort(times.begin(), times.end());
  return times[times.size() / 2];
}

vpo::test::FakeFtdiDeviceList DeviceList(int devices) {
  vpo::test::FakeFtdiDeviceList list;
  for (int i = 0; i < devices; ++i) {
    char serial[17];
    std::snprintf(serial, sizeof serial, "FT%06d", i);
    // Every tenth description in Cyrillic, so the codec does some real work;
    // the last device is the instrument.
    const std::string description = i == devices - 1 ? "ZEL-VRT USB"
                                    : i % 10 == 0   ? "\xCF\xF0\xE5\xEE\xE1\xF0\xE0\xE7\xEE\xE2\xE0\xF2\xE5\xEB\xFC USB"
                                                    : "USB Serial Converter";
    list.nodes.push_back(vpo::test::MakeNode(serial, description));
  }
  return list;
}

void Fill(QPlainTextEdit* memo, int lines) {
  QString text;
  text.reserve(lines * 12);
  for (int i = 0; i < lines; ++i) {
    if (i != 0) text += QChar(u'\n');
    text += QStringLiteral("FT%1").arg(i, 6, 10, QChar(u'0'));
  }
  memo->setPlainText(text);
}

void Row(const std::string& name, const std::string& measured, const std::string& goal) {
  std::printf("| %s | %s | %s |\n", name.c_str(), measured.c_str(), goal.c_str());
}

std::string MsText(double ms) {
  char buffer[32];
  std::snprintf(buffer, sizeof buffer, "%.2f ms", ms);
  return buffer;
}

}  // namespace

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);

  vpo::test::FakeFtdiDeviceList thousand = DeviceList(1000);
  vpo::test::FakeFtdiDeviceList one = DeviceList(1);

  // The scan alone, its listing kept in memory.
  {
    vpo::test::VectorSink sink;
    vpo::FtdiLink link(thousand, sink);
    const double ms = MedianMs([&] { sink.lines.clear(); }, [&] { link.ScanFtdiDevices(); });
    Row("FTDI scan, 1,000 devices, listing to memory", MsText(ms), "< 50 ms");
  }

  for (const vpo::bench::MemoKind& kind : vpo::bench::MemosUnderTest()) {
    const std::string name = kind.name;
    std::unique_ptr<MemoUnderTest> memo;
    // The scan with the listing appended to a fresh, hidden memo (as after
    // start-up: the diagnostics window is hidden until its hot key).
    const double emptyMs = MedianMs([&] { memo = kind.make(); },
                                    [&] { vpo::FtdiLink(thousand, memo->Sink()).ScanFtdiDevices(); });
    Row("FTDI scan, 1,000 devices + append to " + name + " (hidden)", MsText(emptyMs), "< 50 ms");

    // The same with the diagnostics window on screen, the repaint included.
    const double shownMs = MedianMs(
        [&] {
          memo = kind.make();
          memo->Window()->show();
          QApplication::processEvents();
        },
        [&] {
          vpo::FtdiLink(thousand, memo->Sink()).ScanFtdiDevices();
          QApplication::processEvents();
        });
    Row("FTDI scan, 1,000 devices + append to " + name + " (shown, repaint included)", MsText(shownMs),
        "< 50 ms");

    // Presses after the memo has grown to 100,000 lines: no slower than the
    // first presses of a run.
    const double fullMs = MedianMs(
        [&] {
          memo = kind.make();
          Fill(memo->Memo(), 100000);
        },
        [&] { vpo::FtdiLink(thousand, memo->Sink()).ScanFtdiDevices(); });
    Row("FTDI press, 1,000 devices, " + name + " already 100,000 lines (hidden)", MsText(fullMs),
        "< 50 ms, about the same as with an empty memo");

    const double fullShownMs = MedianMs(
        [&] {
          memo = kind.make();
          Fill(memo->Memo(), 100000);
          memo->Window()->show();
          QApplication::processEvents();
        },
        [&] {
          vpo::FtdiLink(thousand, memo->Sink()).ScanFtdiDevices();
          QApplication::processEvents();
        });
    Row("FTDI press, 1,000 devices, " + name + " already 100,000 lines (shown, repaint included)", MsText(fullShownMs),
        "< 50 ms");

    // One device, the everyday case: a press on an empty memo and on a full one.
    const double oneEmptyMs = MedianMs([&] { memo = kind.make(); },
                                       [&] { vpo::FtdiLink(one, memo->Sink()).ScanFtdiDevices(); });
    const double oneFullMs = MedianMs(
        [&] {
          memo = kind.make();
          Fill(memo->Memo(), 100000);
        },
        [&] { vpo::FtdiLink(one, memo->Sink()).ScanFtdiDevices(); });
    Row("FTDI press, 1 device, empty " + name, MsText(oneEmptyMs), "< 1 ms");
    Row("FTDI press, 1 device, " + name + " already 100,000 lines", MsText(oneFullMs), "< 1 ms");

    char ratio[32];
    std::snprintf(ratio, sizeof ratio, "%.2f x", fullMs / emptyMs);
    Row("FTDI press, 1,000 devices, " + name + " at 100,000 lines vs empty", ratio, "< 2 x");

    // Twenty presses in a row on one memo, from 100,000 lines on: the last
    // ones must cost what the first ones did.
    memo = kind.make();
    Fill(memo->Memo(), 100000);
    std::vector<double> presses;
    for (int i = 0; i < 20; ++i) {
      const Clock::time_point start = Clock::now();
      vpo::FtdiLink(thousand, memo->Sink()).ScanFtdiDevices();
      presses.push_back(Ms(Clock::now() - start));
    }
    const double first = (presses[0] + presses[1] + presses[2]) / 3;
    const double last = (presses[17] + presses[18] + presses[19]) / 3;
    std::snprintf(ratio, sizeof ratio, "%.2f x", last / first);
    Row("FTDI presses 18-20 vs 1-3 in a row, 1,000 devices each, " + name + " from 100,000 lines", ratio,
        "about 1 x (< 1.3 x)");
  }
  return 0;
}
