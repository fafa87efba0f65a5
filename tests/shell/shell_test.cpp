// The application shell under Qt's offscreen platform: the settings of the
// two windows, the handlers, the start-up and shutdown paths and
// the one exception display. The hot keys themselves need an X
// server: hotkeys_x11_test.sh.
#include <QComboBox>
#include <QCompleter>
#include <QElapsedTimer>
#include <QHeaderView>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QScrollBar>
#include <QTableWidget>
#include <QTest>
#include <QTimer>

#include <memory>
#include <optional>
#include <stdexcept>
#include <utility>
#include <vector>

#include "links/errors.h"
#include "shell/application.h"
#include "shell/formmain.h"
#include "shell/formtest.h"
#include "shell/program.h"
#include "shell/window_style.h"

using vpo::shell::Application;
using vpo::shell::TFMain;
using vpo::shell::TFTest;

namespace {

struct Shown {
  QString caption;
  QString text;
};

// Throws whatever it is told to from its event handler.
class Thrower : public QObject {
 public:
  std::function<void()> action;
  bool event(QEvent* e) override {
    if (e->type() == QEvent::User && action) action();
    return QObject::event(e);
  }
};

QPoint Centre2(const QRect& r) { return QPoint(2 * r.left() + r.width(), 2 * r.top() + r.height()); }

// Same centre within `slack` pixels.
bool CentresMatch(const QRect& a, const QRect& b, int slack = 1) {
  const QPoint d = Centre2(a) - Centre2(b);
  return std::abs(d.x()) <= 2 * slack && std::abs(d.y()) <= 2 * slack;
}

}  // namespace

class ShellTest : public QObject {
  Q_OBJECT

 private:
  std::unique_ptr<TFMain> fmain;
  std::unique_ptr<TFTest> ftest;
  std::vector<Shown> shown;

  Application* app() { return static_cast<Application*>(QCoreApplication::instance()); }

  void ShowMain() {
    fmain->show();
    fmain->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(fmain.get()));
  }

 private slots:
  void init() {
    shown.clear();
    app()->SetExceptionPresenter([this](const QString& c, const QString& t) { shown.push_back({c, t}); });
    fmain = std::make_unique<TFMain>();
    ftest = std::make_unique<TFTest>();
    fmain->SetTestForm(ftest.get());
  }

  void cleanup() {
    if (fmain) fmain->SetTestForm(nullptr);
    ftest.reset();
    fmain.reset();
    QVERIFY2(shown.empty(), "an unexpected exception box");
  }

  void mainWindowSettings() {
    QCOMPARE(fmain->objectName(), QStringLiteral("FMain"));
    QCOMPARE(fmain->windowTitle(), QStringLiteral("ЗЕЛ Анализатор ВПО v1.0"));
    QCOMPARE(vpo::shell::ApplicationTitle(), fmain->windowTitle());
    QCOMPARE(fmain->size(), QSize(389, 93));
    QCOMPARE(fmain->minimumSize(), QSize(389, 93));
    QCOMPARE(fmain->maximumSize(), QSize(389, 93));
    const Qt::WindowFlags flags = fmain->windowFlags();
    QVERIFY(flags & Qt::WindowMinimizeButtonHint);
    QVERIFY(!(flags & Qt::WindowMaximizeButtonHint));
    QVERIFY(flags & Qt::WindowSystemMenuHint);
    QVERIFY(!fmain->isVisible());
    QCOMPARE(fmain->font().pixelSize(), 11);
    QCOMPARE(fmain->backgroundRole(), QPalette::Button);
    QVERIFY(!fmain->windowIcon().isNull());
    QVERIFY(fmain->windowIcon().availableSizes().contains(QSize(255, 255)));
    QCOMPARE(fmain->ComboBoxCOM()->geometry(), QRect(4, 4, 69, 21));
    QCOMPARE(fmain->ButtonInit()->geometry(), QRect(76, 4, 309, 20));
    QCOMPARE(fmain->ButtonInit()->text(), QStringLiteral("Инициализация"));
    QCOMPARE(fmain->StringGridInfo()->geometry(), QRect(4, 28, 381, 61));
    QCOMPARE(fmain->StringGridInfo()->objectName(), QStringLiteral("StringGridInfo"));
    QCOMPARE(fmain->ButtonInit()->objectName(), QStringLiteral("ButtonInit"));
    QCOMPARE(fmain->ComboBoxCOM()->objectName(), QStringLiteral("ComboBoxCOM"));
    // Offscreen has no global hot keys; the window works all the same.
    QVERIFY(!fmain->HotKeyRegistered(vpo::shell::kHotKeyShowTest));
    QVERIFY(!fmain->HotKeyRegistered(vpo::shell::kHotKeyAltEnter));
  }

  void mainWindowCentredOnScreenAtFirstShow() {
    ShowMain();
    const QRect screen = fmain->screen()->availableGeometry();
    // The frame is not known before the first showing: centred within it.
    const QMargins frame(fmain->geometry().left() - fmain->frameGeometry().left(),
                         fmain->geometry().top() - fmain->frameGeometry().top(), 0, 0);
    QVERIFY2(CentresMatch(fmain->frameGeometry(), screen, 1 + std::max(frame.left(), frame.top())),
             qPrintable(QStringLiteral("frame %1,%2 %3x%4 on screen %5x%6")
                            .arg(fmain->frameGeometry().x()).arg(fmain->frameGeometry().y())
                            .arg(fmain->frameGeometry().width()).arg(fmain->frameGeometry().height())
                            .arg(screen.width()).arg(screen.height())));
  }

  void gridLabelsAndEmptyValueCells() {
    QTableWidget* grid = fmain->StringGridInfo();
    QCOMPARE(grid->columnCount(), 2);
    QCOMPARE(grid->rowCount(), 3);
    QCOMPARE(fmain->CellText(0, 0), QStringLiteral("Модель прибора"));
    QCOMPARE(fmain->CellText(0, 1), QStringLiteral("Номер версии ПО"));
    QCOMPARE(fmain->CellText(0, 2), QStringLiteral("Цифровой идентификатор ПО"));
    for (int row = 0; row < 3; ++row) {
      // No text at all: not even an empty string, let alone a blank.
      QVERIFY(fmain->CellText(1, row).isNull());
      const QTableWidgetItem* item = grid->item(row, 1);
      QVERIFY(item == nullptr || item->text().isNull());
    }
    QCOMPARE(grid->columnWidth(0), 160);
    QCOMPARE(grid->columnWidth(1), 214);
    for (int row = 0; row < 3; ++row) QCOMPARE(grid->rowHeight(row), 18);
    QVERIFY(grid->horizontalHeader()->isHidden());
    QVERIFY(grid->verticalHeader()->isHidden());
    QCOMPARE(grid->editTriggers(), QAbstractItemView::NoEditTriggers);
    QCOMPARE(grid->selectionMode(), QAbstractItemView::SingleSelection);
    QCOMPARE(grid->selectionBehavior(), QAbstractItemView::SelectItems);
    QVERIFY(!grid->tabKeyNavigation());
    QCOMPARE(grid->frameShadow(), QFrame::Sunken);
    QVERIFY(grid->frameShape() != QFrame::NoFrame);
    // The label column: fixed colour, never selectable.
    for (int row = 0; row < 3; ++row) {
      const QTableWidgetItem* label = grid->item(row, 0);
      QVERIFY(!(label->flags() & Qt::ItemIsSelectable));
      QVERIFY(!(label->flags() & Qt::ItemIsEditable));
      QCOMPARE(label->background().color(), grid->palette().button().color());
    }
    // No selection and no current cell after FormCreate.
    QVERIFY(grid->selectionModel()->selectedIndexes().isEmpty());
    QVERIFY(!grid->currentIndex().isValid());
  }

  void gridShowsNoScrollBars() {
    ShowMain();
    QTableWidget* grid = fmain->StringGridInfo();
    QVERIFY(!grid->horizontalScrollBar()->isVisible());
    QVERIFY(!grid->verticalScrollBar()->isVisible());
    QVERIFY(grid->viewport()->width() >= 160 + 214);
    QVERIFY(grid->viewport()->height() >= 3 * 18);
  }

  void tabOrderGridButtonCombo() {
    ShowMain();
    QCOMPARE(QApplication::focusWidget(), fmain->StringGridInfo());
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    QCOMPARE(QApplication::focusWidget(), fmain->ButtonInit());
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    QWidget* focus = QApplication::focusWidget();
    QVERIFY(focus == fmain->ComboBoxCOM() || focus == fmain->ComboBoxCOM()->lineEdit());
  }

  void comboItemsAndInitialText() {
    QComboBox* combo = fmain->ComboBoxCOM();
    QVERIFY(combo->isEditable());
    QCOMPARE(combo->count(), 30);
    for (int i = 0; i < 30; ++i) QCOMPARE(combo->itemText(i), QStringLiteral("COM%1").arg(i + 1));
    QCOMPARE(combo->currentText(), QStringLiteral("COM1"));
    QCOMPARE(combo->maxVisibleItems(), 20);
    QCOMPARE(combo->insertPolicy(), QComboBox::NoInsert);
    QCOMPARE(fmain->PortText(), std::string("COM1"));
    QCOMPARE(fmain->PortItemIndex(), -1);  // the initial text is no choice
    QVERIFY(combo->completer() != nullptr);
    QCOMPARE(combo->completer()->completionMode(), QCompleter::InlineCompletion);
  }

  void comboCompletesInlineAndTypingMeansNoItem() {
    ShowMain();
    QComboBox* combo = fmain->ComboBoxCOM();
    QLineEdit* edit = combo->lineEdit();
    combo->setFocus(Qt::TabFocusReason);
    edit->selectAll();
    QTest::keyClicks(edit, "C");
    QCOMPARE(edit->text(), QStringLiteral("COM1"));  // the first item beginning with "C"
    QCOMPARE(edit->selectedText(), QStringLiteral("OM1"));  // the completed part highlighted
    QCOMPARE(fmain->PortItemIndex(), -1);
    edit->selectAll();
    QTest::keyClicks(edit, "COM2");
    QCOMPARE(edit->text(), QStringLiteral("COM2"));
    edit->selectAll();
    QTest::keyClicks(edit, "COM3");
    QTest::keyClick(edit, Qt::Key_End);
    QCOMPARE(edit->text(), QStringLiteral("COM3"));
    // Leaving the field or pressing Enter does not make typed text a choice.
    QTest::keyClick(edit, Qt::Key_Return);
    fmain->ButtonInit()->setFocus(Qt::TabFocusReason);
    QCOMPARE(fmain->PortText(), std::string("COM3"));
    QCOMPARE(fmain->PortItemIndex(), -1);
    QCOMPARE(combo->count(), 30);  // nothing added
    // Text that is no item's beginning stays as typed.
    combo->setFocus(Qt::TabFocusReason);
    edit->selectAll();
    QTest::keyClicks(edit, "abc5");
    QCOMPARE(edit->text(), QStringLiteral("abc5"));
    QCOMPARE(fmain->PortText(), std::string("abc5"));
    QCOMPARE(fmain->PortItemIndex(), -1);
    edit->selectAll();
    for (QChar ch : QStringLiteral("порт")) QTest::sendKeyEvent(QTest::Click, edit, Qt::Key_unknown, QString(ch), {});
    QCOMPARE(edit->text(), QStringLiteral("порт"));
    QCOMPARE(fmain->PortText(), std::string("порт"));  // UTF-8
  }

  void comboChoosingAnItemGivesItsIndex() {
    ShowMain();
    QComboBox* combo = fmain->ComboBoxCOM();
    combo->setFocus(Qt::TabFocusReason);
    // Choosing from the open list.
    combo->showPopup();
    QAbstractItemView* view = combo->view();
    QVERIFY(QTest::qWaitForWindowExposed(view->window()));
    const QModelIndex item = view->model()->index(11, 0);
    view->scrollTo(item);
    QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, view->visualRect(item).center());
    QTRY_VERIFY(!view->isVisible());
    QCOMPARE(fmain->PortText(), std::string("COM12"));
    QCOMPARE(fmain->PortItemIndex(), 11);
    // Stepping through the list with the arrow keys chooses too.
    QTest::keyClick(combo->lineEdit(), Qt::Key_Down);
    QCOMPARE(fmain->PortText(), std::string("COM13"));
    QCOMPARE(fmain->PortItemIndex(), 12);
    // Typing afterwards: no item is chosen any more.
    QTest::keyClick(combo->lineEdit(), Qt::Key_Backspace);
    QCOMPARE(fmain->PortItemIndex(), -1);
  }

  void appendPortItemKeepsTheFirstThirty() {
    fmain->AppendPortItem("/dev/ttyUSB0");
    QComboBox* combo = fmain->ComboBoxCOM();
    QCOMPARE(combo->count(), 31);
    QCOMPARE(combo->itemText(29), QStringLiteral("COM30"));
    QCOMPARE(combo->itemText(30), QStringLiteral("/dev/ttyUSB0"));
    QCOMPARE(combo->currentText(), QStringLiteral("COM1"));
    QCOMPARE(fmain->PortItemIndex(), -1);
  }

  void gridSelectionClearedWhenTheFocusLeaves() {
    ShowMain();
    QTableWidget* grid = fmain->StringGridInfo();
    // A label cell cannot be selected.
    QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, grid->visualRect(grid->model()->index(0, 0)).center());
    for (const QModelIndex& index : grid->selectionModel()->selectedIndexes()) QVERIFY(index.column() != 0);
    QVERIFY(grid->currentIndex().column() != 0);
    // A value cell can.
    const QModelIndex value = grid->model()->index(1, 1);
    QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, grid->visualRect(value).center());
    QCOMPARE(grid->selectionModel()->selectedIndexes(), QModelIndexList{value});
    QCOMPARE(QApplication::focusWidget(), grid);
    // Arrow keys move the one selected cell, never into the label column.
    QTest::keyClick(grid, Qt::Key_Down);
    QCOMPARE(grid->selectionModel()->selectedIndexes(), QModelIndexList{grid->model()->index(2, 1)});
    QTest::keyClick(grid, Qt::Key_Left);
    QCOMPARE(grid->currentIndex().column(), 1);
    // The focus moves to the button: nothing stays highlighted.
    QTest::mouseClick(fmain->ButtonInit(), Qt::LeftButton);
    QCOMPARE(QApplication::focusWidget(), fmain->ButtonInit());
    QVERIFY(grid->selectionModel()->selectedIndexes().isEmpty());
    QVERIFY(!grid->currentIndex().isValid());
    // And likewise for the combo box.
    QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, grid->visualRect(value).center());
    QCOMPARE(grid->selectionModel()->selectedIndexes().size(), 1);
    fmain->ComboBoxCOM()->setFocus(Qt::MouseFocusReason);
    QVERIFY(grid->selectionModel()->selectedIndexes().isEmpty());
  }

  void diagnosticsWindowSettings() {
    QCOMPARE(ftest->objectName(), QStringLiteral("FTest"));
    QCOMPARE(ftest->windowTitle(), QStringLiteral("FormTest"));
    QVERIFY(ftest->isWindow());
    QVERIFY(!ftest->isVisible());
    QCOMPARE(ftest->size(), QSize(517, 594));
    QVERIFY(ftest->minimumSize() != ftest->maximumSize());  // resizable
    QVERIFY(!ftest->testAttribute(Qt::WA_QuitOnClose));
    QVERIFY(!ftest->testAttribute(Qt::WA_DeleteOnClose));
    QCOMPARE(ftest->font().pixelSize(), 11);
    QVERIFY(!ftest->windowIcon().isNull());
    QPlainTextEdit* memo = ftest->Memo2();
    QCOMPARE(memo->objectName(), QStringLiteral("Memo2"));
    QCOMPARE(memo->geometry(), QRect(0, 0, 497, 553));
    QCOMPARE(memo->verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOn);
    QCOMPARE(memo->horizontalScrollBarPolicy(), Qt::ScrollBarAlwaysOff);
    QCOMPARE(memo->lineWrapMode(), QPlainTextEdit::WidgetWidth);
    QVERIFY(!memo->isReadOnly());
    QVERIFY(memo->toPlainText().isEmpty());
  }

  void hotKey0ShowsFTestCentredOnlyTheFirstTime() {
    ShowMain();
    fmain->ApplicationEventsMessage(vpo::shell::kHotKeyAltEnter);
    QVERIFY(!ftest->isVisible());  // hot key 1 does nothing
    fmain->ApplicationEventsMessage(vpo::shell::kHotKeyShowTest);
    QVERIFY(ftest->isVisible());
    QVERIFY(QTest::qWaitForWindowExposed(ftest.get()));
    QCOMPARE(ftest->frameGeometry().size(), QSize(517, 594));
    QVERIFY2(CentresMatch(ftest->frameGeometry(), fmain->frameGeometry()), "not centred over FMain");
    // Shown already: nothing at all happens.
    ftest->move(ftest->pos() + QPoint(13, 17));
    const QRect moved = ftest->geometry();
    fmain->ApplicationEventsMessage(vpo::shell::kHotKeyShowTest);
    QCOMPARE(ftest->geometry(), moved);
    // Closing hides it; the next showing keeps place and size.
    QVERIFY(ftest->close());
    QVERIFY(!ftest->isVisible());
    QVERIFY(fmain->isVisible());
    ftest->Memo2()->setPlainText(QStringLiteral("kept"));
    ftest->setGeometry(QRect(QPoint(30, 40), QSize(600, 500)));
    const QRect left = ftest->geometry();
    fmain->ApplicationEventsMessage(vpo::shell::kHotKeyShowTest);
    QVERIFY(ftest->isVisible());
    QCOMPARE(ftest->geometry(), left);
    QCOMPARE(ftest->Memo2()->toPlainText(), QStringLiteral("kept"));
  }

  void memoKeepsItsGeometryWhenFTestIsResized() {
    fmain->ApplicationEventsMessage(vpo::shell::kHotKeyShowTest);
    QVERIFY(QTest::qWaitForWindowExposed(ftest.get()));
    ftest->resize(800, 700);
    QCoreApplication::processEvents();
    QCOMPARE(ftest->Memo2()->geometry(), QRect(0, 0, 497, 553));
    ftest->resize(200, 150);
    QCoreApplication::processEvents();
    QCOMPARE(ftest->Memo2()->geometry(), QRect(0, 0, 497, 553));
  }

  void appendLineDecodesCp1251AndKeepsTypedText() {
    QPlainTextEdit* memo = ftest->Memo2();
    vpo::LineSink& sink = *ftest;
    sink.AppendLine("\xcf\xf0\xe8\xe2\xe5\xf2 ZEL-VRT");  // "Привет" in Windows-1251
    QCOMPARE(memo->toPlainText(), QStringLiteral("Привет ZEL-VRT"));
    // The operator types at the end; later lines follow the typed text.
    memo->moveCursor(QTextCursor::End);
    QTest::keyClick(memo, Qt::Key_Return);
    QTest::keyClicks(memo, "abc");
    sink.AppendLine("");
    sink.AppendLine("x");
    QCOMPARE(memo->toPlainText(), QStringLiteral("Привет ZEL-VRT\nabc\n\nx"));
  }

  void appendStaysFastInALongMemo() {
    fmain->ApplicationEventsMessage(vpo::shell::kHotKeyShowTest);
    QVERIFY(QTest::qWaitForWindowExposed(ftest.get()));
    QPlainTextEdit* memo = ftest->Memo2();
    auto timeAppends = [&] {
      QElapsedTimer timer;
      timer.start();
      for (int i = 0; i < 300; ++i) ftest->AppendLine("Dev 0: Flags=0x0 Type=0x8 ID=0x4036001 LocId=0x2111");
      QCoreApplication::processEvents();
      return timer.elapsed();
    };
    const qint64 shortMemo = timeAppends();
    QStringList lines;
    for (int i = 0; i < 100000; ++i) lines << QStringLiteral("line %1 of an earlier scan").arg(i);
    memo->setPlainText(lines.join(QChar(u'\n')));
    QCoreApplication::processEvents();
    const qint64 longMemo = timeAppends();
    qInfo("300 appends: %lld ms on an empty memo, %lld ms after 100000 lines", shortMemo, longMemo);
    QVERIFY2(longMemo < 10 * shortMemo + 500, "appending slows down with the memo's length");
    QCOMPARE(memo->blockCount(), 100000 + 300);
  }

  void exceptionsOfHandlersAreShownOnce() {
    Thrower thrower;
    thrower.action = [] { throw vpo::Error("Сбой обмена"); };
    QEvent e1(QEvent::User);
    QCoreApplication::sendEvent(&thrower, &e1);
    QCOMPARE(shown.size(), size_t{1});
    QCOMPARE(shown[0].caption, QStringLiteral("ЗЕЛ Анализатор ВПО v1.0"));
    QCOMPARE(shown[0].text, QStringLiteral("Сбой обмена"));

    thrower.action = [] { throw std::out_of_range("index 4"); };
    QCoreApplication::postEvent(&thrower, new QEvent(QEvent::User));
    QCoreApplication::processEvents();
    QCOMPARE(shown.size(), size_t{2});
    QCOMPARE(shown[1].text, QStringLiteral("index 4"));

    thrower.action = [] { throw 42; };  // not an exception class: empty text
    QEvent e3(QEvent::User);
    QCoreApplication::sendEvent(&thrower, &e3);
    QCOMPARE(shown.size(), size_t{3});
    QVERIFY(shown[2].text.isEmpty());
    QCOMPARE(shown[2].caption, QStringLiteral("ЗЕЛ Анализатор ВПО v1.0"));

    thrower.action = [] { throw vpo::Abort(); };  // the silent kind
    QEvent e4(QEvent::User);
    QCoreApplication::sendEvent(&thrower, &e4);
    QCOMPARE(shown.size(), size_t{3});

    // The program goes on: the next event is handled as usual.
    bool ran = false;
    thrower.action = [&] { ran = true; };
    QEvent e5(QEvent::User);
    QCoreApplication::sendEvent(&thrower, &e5);
    QVERIFY(ran);

    // Handlers that Qt calls outside notify() report the same way.
    Application::RunHandler([] { throw vpo::RangeError("Range check error"); });
    QCOMPARE(shown.size(), size_t{4});
    QCOMPARE(shown[3].text, QStringLiteral("Range check error"));
    shown.clear();
  }

  void startUpExceptionShowsTheBoxAndReturnsZero() {
    cleanup();
    const int rc = vpo::shell::RunProgram(*app(), [](TFMain&, TFTest&) { throw vpo::Error("Ошибка запуска"); });
    QCOMPARE(rc, 0);
    QCOMPARE(shown.size(), size_t{1});
    QCOMPARE(shown[0].caption, QStringLiteral("ЗЕЛ Анализатор ВПО v1.0"));
    QCOMPARE(shown[0].text, QStringLiteral("Ошибка запуска"));
    shown.clear();
    const int rc2 = vpo::shell::RunProgram(*app(), [](TFMain&, TFTest&) { throw "not an exception class"; });
    QCOMPARE(rc2, 0);
    QCOMPARE(shown.size(), size_t{1});
    QVERIFY(shown[0].text.isEmpty());
    shown.clear();
  }

  void closingTheMainWindowEndsTheProgramWhileFTestShows() {
    cleanup();
    bool ftestWasShown = false;
    bool timedOut = false;
    QTimer guard;
    guard.setSingleShot(true);
    connect(&guard, &QTimer::timeout, [&] {
      timedOut = true;
      QCoreApplication::quit();
    });
    const int rc = vpo::shell::RunProgram(*app(), [&](TFMain& m, TFTest& t) {
      QTimer::singleShot(0, &m, [&] {
        m.ApplicationEventsMessage(vpo::shell::kHotKeyShowTest);
        ftestWasShown = t.isVisible();
        m.close();
      });
      guard.start(10000);
    });
    QCOMPARE(rc, 0);
    QVERIFY(ftestWasShown);
    QVERIFY2(!timedOut, "the message loop did not end");
  }
};

int main(int argc, char** argv) {
  Application app(argc, argv);
  ShellTest test;
  return QTest::qExec(&test, argc, argv);
}

#include "shell_test.moc"
