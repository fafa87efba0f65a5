#pragma once
// The main window FMain (class TFMain): the port chooser, the one
// button and the result grid, plus the two global hot keys. The handlers
// carry the names the rest of the program uses for them.

#include <QString>
#include <QWidget>

#include <memory>
#include <string>

#include "identification/link_set.h"
#include "links/line_sink.h"
#include "links/port_chooser.h"
#include "platform/ftdi_device_list.h"

class QCloseEvent;
class QComboBox;
class QPushButton;
class QTableWidget;

namespace Ui {
class TFMain;
}

namespace vpo::platform {
class GlobalHotKeys;
}

namespace vpo::shell {

class TFTest;
class HotKeyEventFilter;

// Hot key ids.
inline constexpr int kHotKeyShowTest = 0;  // Ctrl+Alt+R: show FTest
inline constexpr int kHotKeyAltEnter = 1;  // Alt+Enter: held, does nothing

// What the links of a main window talk to. Empty: this machine's FTDI device
// list and the platform's HID support library; tests put in their own.
struct LinkOptions {
  std::unique_ptr<vpo::platform::FtdiDeviceList> ftdiList;
  std::string hidLibrary;
};

class TFMain : public QWidget, public vpo::PortChooser {
  Q_OBJECT
 public:
  // Builds the window from its layout (hidden), then LoadHidLibrary, then
  // FormCreate.
  explicit TFMain(QWidget* parent = nullptr, LinkOptions links = {});
  // Hides the window, runs FormDestroy, then frees the controls.
  ~TFMain() override;

  // The diagnostics window that hot key 0 shows (created after FMain).
  void SetTestForm(TFTest* form) { FTestForm = form; }
  TFTest* TestForm() const { return FTestForm; }

  // PortChooser: the combo box's edit text (UTF-8) and the index of the
  // chosen list item; -1 while no item is chosen: at start (the initial text
  // "COM1" is not a choice) and after the operator has typed into the field.
  std::string PortText() const override;
  int PortItemIndex() const override;

  // Appends an item to the port list after "COM1".."COM30" (UTF-8 text).
  void AppendPortItem(const std::string& utf8Text);

  // The cells of StringGridInfo. CellText is a null QString for a cell that
  // has no text at all (every value cell until the first press).
  QString CellText(int col, int row) const;
  void SetCellText(int col, int row, const QString& text);

  // The controls, for the identification display and for tests.
  QTableWidget* StringGridInfo() const;
  QPushButton* ButtonInit() const;
  QComboBox* ComboBoxCOM() const;
  Ui::TFMain* ui() const { return ui_.get(); }

  // The three links behind the button.
  vpo::LinkSet& Links() { return *FLinks; }

  // Whether hot key `id` is registered in this copy (false where the
  // platform has none, or another program holds the combination).
  bool HotKeyRegistered(int id) const;

  // Handlers.
  void FormCreate();
  void FormClose(QCloseEvent* action);
  void FormDestroy();
  void StringGridInfoExit();
  void ApplicationEventsMessage(int hotKeyId);
  void ButtonInitClick();

 protected:
  // OnClose: runs FormClose and leaves the event as it came (accepted).
  void closeEvent(QCloseEvent* event) override;

 private:
  void SetUpGrid();
  void SetUpPortChooser();
  void CentreOnScreen();

  // The FTDI listing goes to the diagnostics window, which is created after
  // this one: the links are built with this forwarder in its place.
  class ListingToTestForm : public vpo::LineSink {
   public:
    explicit ListingToTestForm(const TFMain& owner) : owner_(owner) {}
    void AppendLine(std::string_view cp1251Line) override;
    void AppendLines(std::span<const std::string_view> cp1251Lines) override;

   private:
    const TFMain& owner_;
  };

  std::unique_ptr<Ui::TFMain> ui_;
  ListingToTestForm FListing{*this};
  std::unique_ptr<vpo::LinkSet> FLinks;
  std::unique_ptr<vpo::platform::GlobalHotKeys> FHotKeys;
  std::unique_ptr<HotKeyEventFilter> ApplicationEvents;
  bool FHotKeyRegistered[2] = {false, false};
  TFTest* FTestForm = nullptr;
  int FPortItemIndex = -1;
};

}  // namespace vpo::shell
