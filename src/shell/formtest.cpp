#include "shell/formtest.h"

#include <QPlainTextEdit>
#include <QScrollBar>
#include <QTextCursor>
#include <QTextDocument>

#include <string>

#include "platform/text_codec.h"
#include "shell/window_style.h"
#include "ui_formtest.h"

namespace vpo::shell {

namespace {
// The outer size of the window frame included.
constexpr int kOuterWidth = 517;
constexpr int kOuterHeight = 594;
}  // namespace

TFTest::TFTest(QWidget* parent) : QWidget(parent), ui_(std::make_unique<Ui::TFTest>()) {
  ApplyFormStyle(this);  // first: the memo is created in the form font
  ui_->setupUi(this);
  // Closing only hides the window; it never keeps the program running.
  setAttribute(Qt::WA_DeleteOnClose, false);
  setAttribute(Qt::WA_QuitOnClose, false);
  ui_->Memo2->setFont(font());
}

TFTest::~TFTest() = default;

QPlainTextEdit* TFTest::Memo2() const { return ui_->Memo2; }

void TFTest::AppendLine(std::string_view cp1251Line) { AppendLines({&cp1251Line, 1}); }

void TFTest::AppendLines(std::span<const std::string_view> cp1251Lines) {
  if (cp1251Lines.empty()) return;
  QPlainTextEdit* memo = ui_->Memo2;
  QScrollBar* bar = memo->verticalScrollBar();
  const bool atBottom = bar->value() == bar->maximum();
  // All the lines in one insertion at the end of the document, through a
  // cursor of its own: the operator's cursor and selection stay where they
  // are, and the layout and the scroll bar are updated once per press rather
  // than once per line, however long the memo has grown.
  QString text;
  bool startsNewBlock = !memo->document()->isEmpty();
  for (std::string_view line : cp1251Lines) {
    if (startsNewBlock) text += QChar(u'\n');
    startsNewBlock = true;
    const std::string utf8 = vpo::platform::Cp1251ToUtf8(line);
    text += QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size()));
  }
  QTextCursor cursor(memo->document());
  cursor.movePosition(QTextCursor::End);
  cursor.insertText(text);
  if (atBottom) bar->setValue(bar->maximum());
}

void TFTest::ShowFromHotKey(const QWidget* mainForm) {
  if (isVisible()) return;
  if (!FShownBefore) {
    FShownBefore = true;
    // Frame margins are known only for a window that has been shown: borrow
    // those of the main window, which the window manager decorates alike.
    QMargins frame;
    if (mainForm != nullptr && mainForm->isVisible()) {
      const QRect outer = mainForm->frameGeometry();
      const QRect inner = mainForm->geometry();
      frame = QMargins(inner.left() - outer.left(), inner.top() - outer.top(),
                       outer.right() - inner.right(), outer.bottom() - inner.bottom());
    }
    resize(kOuterWidth - frame.left() - frame.right(), kOuterHeight - frame.top() - frame.bottom());
    if (mainForm != nullptr) {
      const QRect over = mainForm->frameGeometry();
      move(over.left() + (over.width() - kOuterWidth) / 2, over.top() + (over.height() - kOuterHeight) / 2);
    }
  }
  show();
}

}  // namespace vpo::shell
