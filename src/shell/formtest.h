#pragma once
// The diagnostics window FTest (class TFTest): a plain memo,
// hidden at start, shown by hot key 0. The FTDI scan appends its
// listing to Memo2 through the LineSink interface.

#include <QWidget>

#include <memory>
#include <span>
#include <string_view>

#include "links/line_sink.h"

class QPlainTextEdit;

namespace Ui {
class TFTest;
}

namespace vpo::shell {

class TFTest : public QWidget, public vpo::LineSink {
  Q_OBJECT
 public:
  explicit TFTest(QWidget* parent = nullptr);
  ~TFTest() override;

  // LineSink: one Windows-1251 line, appended after everything Memo2 holds
  // (the lines of earlier scans and whatever the operator typed).
  void AppendLine(std::string_view cp1251Line) override;
  // The same for a whole listing, inserted at once.
  void AppendLines(std::span<const std::string_view> cp1251Lines) override;

  // Hot key 0: makes the window visible. If it is visible already, nothing
  // at all happens (no raise, no restore). On its first showing only, it is
  // centred over `mainForm` (poMainFormCenter); later showings keep the
  // place and size it had when it was hidden.
  void ShowFromHotKey(const QWidget* mainForm);

  QPlainTextEdit* Memo2() const;
  Ui::TFTest* ui() const { return ui_.get(); }

 private:
  std::unique_ptr<Ui::TFTest> ui_;
  bool FShownBefore = false;
};

}  // namespace vpo::shell
