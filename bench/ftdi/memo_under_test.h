#pragma once
// The diagnostics memo that the benchmark appends to: the program's own
// TFTest where the GUI library is built, and a bare QPlainTextEdit that
// appends the way a simple memo would.

#include <QPlainTextEdit>
#include <QWidget>

#include <memory>
#include <vector>

#include "links/line_sink.h"

namespace vpo::bench {

class MemoUnderTest {
 public:
  virtual ~MemoUnderTest() = default;
  virtual LineSink& Sink() = 0;
  virtual QPlainTextEdit* Memo() = 0;
  virtual QWidget* Window() = 0;
};

struct MemoKind {
  const char* name;  // as the table shows it
  std::unique_ptr<MemoUnderTest> (*make)();
};

// A bare QPlainTextEdit that appends line by line with appendPlainText.
std::unique_ptr<MemoUnderTest> MakePlainMemo();
// A bare QPlainTextEdit that inserts the listing of a press in one go.
std::unique_ptr<MemoUnderTest> MakeBatchMemo();

// The memos to measure: TFTest first where it is built, then the bare ones
// for comparison.
std::vector<MemoKind> MemosUnderTest();

}  // namespace vpo::bench
