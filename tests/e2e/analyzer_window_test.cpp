// The main window with its real links, as the operator uses it: the device
// path of the instrument simulator typed into the port box, the button
// clicked, the grid read. The FTDI device list is a fake one in memory and
// HID goes through the stand-in hidapi library, loaded by path like the real
// one; the serial line is a real pseudo-terminal.
//
// The port box starts at "COM1", which names a real serial port of this
// machine: every press here comes after the simulator's path has been typed
// and read back from the window.
#include <dlfcn.h>

#include <QComboBox>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QStringList>
#include <QTest>

#include <chrono>
#include <memory>
#include <string>
#include <vector>

#include "ftdi_test_support.h"
#include "instrument_simulator.h"
#include "shell/application.h"
#include "shell/formmain.h"
#include "shell/formtest.h"
#include "stand_in_hidapi.h"

using vpo::shell::Application;
using vpo::shell::TFMain;
using vpo::shell::TFTest;
using vpo::sim::InstrumentSimulator;
using vpo::sim::Mode;

namespace {

const QString kDigitalId = QStringLiteral("365855C93D425F2EAA3A55EEB4813D26");
const QString kVersion = QStringLiteral("V10.20");
const QString kBlank = QStringLiteral(" ");

struct Shown {
  QString caption;
  QString text;
};

// The device of the HID family that the stand-in reports when asked to.
const StandInDevice kHidInstrument{"/dev/hidraw-stand-in", 0x0483, 0x9912, L"3A01", 1};

}  // namespace

class AnalyzerWindowTest : public QObject {
  Q_OBJECT

 private:
  void* standIn_ = nullptr;
  StandInSetDevicesFn setHidDevices_ = nullptr;
  StandInCountersFn hidCounters_ = nullptr;

  std::unique_ptr<InstrumentSimulator> sim;
  vpo::test::FakeFtdiDeviceList* ftdi = nullptr;  // owned by fmain
  std::unique_ptr<TFMain> fmain;
  std::unique_ptr<TFTest> ftest;
  std::vector<Shown> shown;

  Application* app() { return static_cast<Application*>(QCoreApplication::instance()); }

  void SetHidDevices(const std::vector<StandInDevice>& devices) {
    static const StandInDevice none{};  // the stand-in copies from a pointer even when there is nothing
    setHidDevices_(devices.empty() ? &none : devices.data(), static_cast<int>(devices.size()));
  }
  int HidEnumerations() { return hidCounters_().enumerations; }

  void SetFtdiDevices(std::vector<vpo::platform::FtdiDeviceNode> nodes) { ftdi->nodes = std::move(nodes); }

  QStringList Column1() const {
    return {fmain->CellText(1, 0), fmain->CellText(1, 1), fmain->CellText(1, 2)};
  }
  static QStringList Found(const QString& number) {
    return {QStringLiteral("ЗЕЛ-ВРТ/") + number, kVersion, kDigitalId};
  }
  static QStringList Blanks() { return {kBlank, kBlank, kBlank}; }

  // Types the simulator's device path into the port box as the operator
  // would, and checks that the window now names that port and no list item.
  bool TypeSimulatorPath() {
    QComboBox* combo = fmain->ComboBoxCOM();
    QLineEdit* edit = combo->lineEdit();
    combo->setFocus(Qt::MouseFocusReason);
    edit->selectAll();
    QTest::keyClicks(edit, QString::fromStdString(sim->Path()));
    if (fmain->PortText() != sim->Path() || fmain->PortItemIndex() != -1) {
      qWarning("port box holds '%s' (item %d), not the simulator's '%s'", fmain->PortText().c_str(),
               fmain->PortItemIndex(), sim->Path().c_str());
      return false;
    }
    return true;
  }

  // One click of ButtonInit, after the port box has been checked.
  void Press() {
    QVERIFY2(fmain->PortText() == sim->Path(), "refusing to press: the port box does not hold the simulator");
    QTest::mouseClick(fmain->ButtonInit(), Qt::LeftButton);
  }

  // Whether the host sent the simulator anything within a moment: bytes
  // written during the press are in the terminal already, the simulator's
  // thread may only not have read them yet.
  bool HostSentAnything() { return sim->WaitForHostBytes(1, std::chrono::milliseconds(300)); }

 private slots:
  void initTestCase() {
    // Held for the whole run, so the stand-in's devices and counters live on
    // while windows load and release it.
    standIn_ = dlopen(VPO_STAND_IN_HIDAPI, RTLD_NOW | RTLD_LOCAL);
    QVERIFY2(standIn_ != nullptr, dlerror());
    setHidDevices_ = reinterpret_cast<StandInSetDevicesFn>(dlsym(standIn_, "stand_in_set_devices"));
    hidCounters_ = reinterpret_cast<StandInCountersFn>(dlsym(standIn_, "stand_in_counters"));
    QVERIFY(setHidDevices_ != nullptr);
    QVERIFY(hidCounters_ != nullptr);
  }

  void cleanupTestCase() {
    if (standIn_ != nullptr) dlclose(standIn_);
  }

  void init() {
    shown.clear();
    app()->SetExceptionPresenter([this](const QString& c, const QString& t) { shown.push_back({c, t}); });
    SetHidDevices({});
    sim = std::make_unique<InstrumentSimulator>();
    sim->SetWord(82, 1234);
    sim->Start();
    auto list = std::make_unique<vpo::test::FakeFtdiDeviceList>();
    ftdi = list.get();
    vpo::shell::LinkOptions links;
    links.ftdiList = std::move(list);
    links.hidLibrary = VPO_STAND_IN_HIDAPI;
    fmain = std::make_unique<TFMain>(nullptr, std::move(links));
    ftest = std::make_unique<TFTest>();
    fmain->SetTestForm(ftest.get());
    fmain->show();
    fmain->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(fmain.get()));
    QVERIFY(TypeSimulatorPath());
  }

  void cleanup() {
    if (fmain) fmain->SetTestForm(nullptr);
    ftest.reset();
    fmain.reset();
    ftdi = nullptr;
    sim.reset();
    app()->SetExceptionPresenter({});
  }

  void serialInstrumentFillsColumn1_data() {
    QTest::addColumn<int>("word");
    QTest::addColumn<QString>("number");
    QTest::newRow("1234") << 1234 << QStringLiteral("1234");
    QTest::newRow("zero") << 0 << QStringLiteral("0");
    QTest::newRow("largest") << 65535 << QStringLiteral("65535");
  }

  void serialInstrumentFillsColumn1() {
    QFETCH(int, word);
    QFETCH(QString, number);
    sim->SetWord(82, static_cast<uint16_t>(word));
    SetHidDevices({kHidInstrument});  // attached too, but never asked
    const int enumerations = HidEnumerations();
    Press();
    QCOMPARE(Column1(), Found(number));
    QCOMPARE(fmain->CellText(0, 0), QStringLiteral("Модель прибора"));
    QCOMPARE(fmain->CellText(0, 2), QStringLiteral("Цифровой идентификатор ПО"));
    QCOMPARE(HidEnumerations(), enumerations);
    QVERIFY(shown.empty());
    // The FTDI list was read first and had nothing to list.
    QCOMPARE(ftdi->createCalls, 1);
    QVERIFY(ftest->Memo2()->toPlainText().isEmpty());
  }

  void ftdiInstrumentEndsTheSearchBeforeTheOtherLinks() {
    SetFtdiDevices({vpo::test::MakeNode("FT5X9K2Q", "USB Serial Converter"),
                    vpo::test::MakeNode("A1B2", "ZEL-VRT USB")});
    SetHidDevices({kHidInstrument});
    const int enumerations = HidEnumerations();
    Press();
    QCOMPARE(Column1(), Found(QStringLiteral("A1B2")));
    QVERIFY2(!HostSentAnything(), "the serial port was used although FTDI found the instrument");
    QCOMPARE(HidEnumerations(), enumerations);
    QCOMPARE(ftest->Memo2()->toPlainText().split(u'\n'),
             QStringList({"0", "FT5X9K2Q", "USB Serial Converter", "1", "A1B2", "ZEL-VRT USB"}));
    // A second press lists the devices again, after the first listing.
    Press();
    QCOMPARE(ftest->Memo2()->toPlainText().split(u'\n').size(), 12);
    QVERIFY(!HostSentAnything());
    QVERIFY(shown.empty());
  }

  void nothingFoundGivesThreeBlanks() {
    sim->SetMode(Mode::Silent);
    const int enumerations = HidEnumerations();
    QElapsedTimer timer;
    timer.start();
    Press();
    QVERIFY2(timer.elapsed() < 3000, "a press on a silent port did not end within 3 s");
    QCOMPARE(Column1(), Blanks());
    QCOMPARE(fmain->CellText(0, 1), QStringLiteral("Номер версии ПО"));
    // Every link was asked: the probe went out, HID was searched.
    QVERIFY(HostSentAnything());
    QCOMPARE(sim->HostBytes().size(), size_t{1});
    QCOMPARE(HidEnumerations(), enumerations + 1);
    QVERIFY(shown.empty());
  }

  void eachPressReplacesAllThreeCells() {
    // Found, then nothing, then found over another link: every press
    // overwrites the whole column.
    Press();
    QCOMPARE(Column1(), Found(QStringLiteral("1234")));
    sim->SetMode(Mode::Silent);
    Press();
    QCOMPARE(Column1(), Blanks());
    SetFtdiDevices({vpo::test::MakeNode("77", "ZEL-VRT")});
    Press();
    QCOMPARE(Column1(), Found(QStringLiteral("77")));
    SetFtdiDevices({});
    Press();
    QCOMPARE(Column1(), Blanks());
    sim->SetMode(Mode::Normal);
    sim->SetWord(82, 9);
    Press();
    QCOMPARE(Column1(), Found(QStringLiteral("9")));
    QVERIFY(shown.empty());
  }

  void hidInstrumentBehindASilentPort() {
    sim->SetMode(Mode::Silent);
    SetHidDevices({kHidInstrument});
    const int enumerations = HidEnumerations();
    Press();
    QCOMPARE(Column1(), Found(QStringLiteral("58")));  // "3A" of the serial "3A01"
    QCOMPARE(HidEnumerations(), enumerations + 1);
    QVERIFY(HostSentAnything());
    QCOMPARE(sim->HostBytes().size(), size_t{1});  // the probe, unanswered
    QVERIFY(shown.empty());
  }

  void instrumentFallingSilentShowsTheBoxAndKeepsTheGrid() {
    sim->SetWord(82, 321);
    Press();
    QCOMPARE(Column1(), Found(QStringLiteral("321")));

    sim->SetMode(Mode::MuteAfterProbe);
    SetHidDevices({kHidInstrument});  // the press must not go on to HID
    const int enumerations = HidEnumerations();
    QElapsedTimer timer;
    timer.start();
    Press();
    QVERIFY2(timer.elapsed() < 3000, "the press did not end within 3 s");
    QCOMPARE(shown.size(), size_t{1});
    QCOMPARE(shown[0].caption, QStringLiteral("ЗЕЛ Анализатор ВПО v1.0"));
    QVERIFY2(shown[0].text.contains(QStringLiteral("перестал отвечать")), qPrintable(shown[0].text));
    QCOMPARE(Column1(), Found(QStringLiteral("321")));
    QCOMPARE(HidEnumerations(), enumerations);
    shown.clear();

    // The port was closed on the way out: the next press opens it again.
    sim->SetMode(Mode::Normal);
    sim->SetWord(82, 4321);
    SetHidDevices({});
    Press();
    QCOMPARE(Column1(), Found(QStringLiteral("4321")));
    QVERIFY(shown.empty());
  }
};

int main(int argc, char** argv) {
  Application app(argc, argv);
  AnalyzerWindowTest test;
  return QTest::qExec(&test, argc, argv);
}

#include "analyzer_window_test.moc"
