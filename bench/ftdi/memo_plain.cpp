#include <QTextCursor>
#include <QTextDocument>

#include <span>
#include <string>

#include "memo_under_test.h"
#include "platform/text_codec.h"

namespace vpo::bench {
namespace {

QString FromCp1251(std::string_view line) {
  const std::string utf8 = platform::Cp1251ToUtf8(line);
  return QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size()));
}

// One appendPlainText per line.
class PlainMemo : public MemoUnderTest, public LineSink {
 public:
  LineSink& Sink() override { return *this; }
  QPlainTextEdit* Memo() override { return &memo_; }
  QWidget* Window() override { return &memo_; }
  void AppendLine(std::string_view cp1251Line) override { memo_.appendPlainText(FromCp1251(cp1251Line)); }

 private:
  QPlainTextEdit memo_;
};

// The whole listing of a press in one insertion at the end of the document:
// one layout pass and one scroll-bar update instead of one per line.
class BatchMemo : public PlainMemo {
 public:
  void AppendLines(std::span<const std::string_view> cp1251Lines) override {
    QString text;
    bool first = Memo()->document()->isEmpty();
    for (std::string_view line : cp1251Lines) {
      if (!first) text += QChar(u'\n');
      first = false;
      text += FromCp1251(line);
    }
    QTextCursor cursor(Memo()->document());
    cursor.movePosition(QTextCursor::End);
    cursor.insertText(text);
  }
};

}  // namespace

std::unique_ptr<MemoUnderTest> MakePlainMemo() { return std::make_unique<PlainMemo>(); }
std::unique_ptr<MemoUnderTest> MakeBatchMemo() { return std::make_unique<BatchMemo>(); }

}  // namespace vpo::bench
