#include "shell/formmain.h"

#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QCompleter>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QLineEdit>
#include <QPainter>
#include <QPalette>
#include <QPushButton>
#include <QScreen>
#include <QStyledItemDelegate>
#include <QTableWidget>

#include "identification/identification.h"
#include "links/serial_port_names.h"
#include "platform/global_hotkeys.h"
#include "platform/text_codec.h"
#include "shell/application.h"
#include "shell/formtest.h"
#include "shell/hotkey_filter.h"
#include "shell/window_style.h"
#include "ui_formmain.h"

namespace vpo::shell {

namespace {

constexpr int kLabelColumn = 0;
constexpr int kValueColumn = 1;

// Draws a cell's text 2 pixels in from its left edge, as a string grid does,
// rather than behind the style's wider item margins: at the form font the
// 32 digits of the identifier need nearly all of the value column's 214
// pixels, and a clipped digit is a wrong reading.
class GridCellDelegate : public QStyledItemDelegate {
 public:
  using QStyledItemDelegate::QStyledItemDelegate;

  void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override {
    QStyleOptionViewItem cell(option);
    initStyleOption(&cell, index);
    const QString text = cell.text;
    cell.text.clear();
    QStyle* style = cell.widget != nullptr ? cell.widget->style() : QApplication::style();
    style->drawControl(QStyle::CE_ItemViewItem, &cell, painter, cell.widget);  // background, selection

    QColor colour = cell.palette.color((cell.state & QStyle::State_Selected) ? QPalette::HighlightedText
                                                                             : QPalette::Text);
    const QVariant foreground = index.data(Qt::ForegroundRole);
    if (foreground.canConvert<QBrush>() && !(cell.state & QStyle::State_Selected)) {
      colour = foreground.value<QBrush>().color();
    }
    painter->save();
    painter->setFont(cell.font);
    painter->setPen(colour);
    painter->drawText(cell.rect.adjusted(2, 0, 0, 0), Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine, text);
    painter->restore();
  }
};

}  // namespace

TFMain::TFMain(QWidget* parent, LinkOptions links)
    : QWidget(parent),
      ui_(std::make_unique<Ui::TFMain>()),
      FLinks(std::make_unique<vpo::LinkSet>(*this, FListing, std::move(links.ftdiList),
                                            std::move(links.hidLibrary))) {
  // 4a: the window and its controls from the layout, still hidden. The form
  // font comes first, so that the controls are laid out in it as they are
  // created rather than first in the application's font and then again.
  ApplyFormStyle(this);
  ui_->setupUi(this);
  // bsSingle with biSystemMenu and biMinimize: no maximise button, fixed size.
  setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                 Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint);
  setFixedSize(389, 93);
  SetUpPortChooser();
  SetUpGrid();
  connect(ui_->ButtonInit, &QPushButton::clicked, this,
          [this] { Application::RunHandler([this] { ButtonInitClick(); }); });
  connect(qApp, &QApplication::focusChanged, this, [this](QWidget* old, QWidget* now) {
    // OnExit: the focus leaves the grid for another control of this window.
    if (old == ui_->StringGridInfo && now != nullptr && now->window() == this) {
      Application::RunHandler([this] { StringGridInfoExit(); });
    }
  });
  CentreOnScreen();  // poScreenCenter: the place it has when first shown
  ui_->StringGridInfo->setFocus();  // first in tab order: focused on activation

  // 4b: the HID support library, held until FormDestroy.
  FLinks->hid().LoadHidLibrary();

  // 4c: OnCreate, after the whole construction.
  Application::RunHandler([this] { FormCreate(); });
}

TFMain::~TFMain() {
  // OnDestroy at the start of destruction, after the window is hidden and
  // before the controls are freed.
  hide();
  Application::RunHandler([this] { FormDestroy(); });
  ApplicationEvents.reset();  // the filter goes before the hot keys it reads
  FHotKeys.reset();
}

void TFMain::SetUpPortChooser() {
  QComboBox* combo = ui_->ComboBoxCOM;
  // The edit text "COM1" is the layout's Text, not a chosen item.
  combo->setCurrentIndex(-1);
  combo->setEditText(QStringLiteral("COM1"));
  // AutoComplete: typed text is completed to the first item beginning with it,
  // the completed part highlighted (Qt's inline completion). Typing never adds
  // an item, and leaving the field does not turn the typed text into a choice.
  combo->setInsertPolicy(QComboBox::NoInsert);
  if (QCompleter* completer = combo->completer()) {
    completer->setCompletionMode(QCompleter::InlineCompletion);
    completer->setCaseSensitivity(Qt::CaseInsensitive);
  }
  QLineEdit* edit = combo->lineEdit();
  QObject::disconnect(edit, &QLineEdit::editingFinished, combo, nullptr);
  connect(combo, &QComboBox::activated, this, [this](int index) { FPortItemIndex = index; });
  connect(edit, &QLineEdit::textEdited, this, [this](const QString&) { FPortItemIndex = -1; });
  // After "COM1".."COM30" of the layout: the USB serial adapters present now.
  const std::vector<std::string> choices = vpo::SerialPortChoices();
  for (size_t i = static_cast<size_t>(combo->count()); i < choices.size(); ++i) AppendPortItem(choices[i]);
}

void TFMain::SetUpGrid() {
  QTableWidget* grid = ui_->StringGridInfo;
  // Three rows, two columns, added here rather than in the layout: there
  // they would come before the headers are hidden, and sizing a visible
  // header loads its bold font, which nothing else in the window uses.
  grid->setRowCount(3);
  grid->setColumnCount(2);
  grid->setItemDelegate(new GridCellDelegate(grid));
  grid->horizontalHeader()->setSectionResizeMode(QHeaderView::Fixed);
  grid->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
  for (int row = 0; row < grid->rowCount(); ++row) grid->setRowHeight(row, 18);
  // Column 0 is the fixed column: drawn in the button-face colour, never
  // current nor selected. Its items exist from the start (empty until
  // FormCreate writes the labels); column 1 has no items, so no text at all.
  const QPalette& palette = grid->palette();
  for (int row = 0; row < grid->rowCount(); ++row) {
    auto* item = new QTableWidgetItem();
    item->setFlags(Qt::NoItemFlags);
    item->setBackground(palette.button());
    item->setForeground(palette.buttonText());
    grid->setItem(row, kLabelColumn, item);
  }
}

void TFMain::CentreOnScreen() {
  QScreen* screen = this->screen();
  if (screen == nullptr) screen = QGuiApplication::primaryScreen();
  if (screen == nullptr) return;
  const QRect area = screen->availableGeometry();
  move(area.left() + (area.width() - width()) / 2, area.top() + (area.height() - height()) / 2);
}

std::string TFMain::PortText() const { return ui_->ComboBoxCOM->currentText().toStdString(); }

int TFMain::PortItemIndex() const { return FPortItemIndex; }

void TFMain::AppendPortItem(const std::string& utf8Text) {
  QComboBox* combo = ui_->ComboBoxCOM;
  const QString text = combo->currentText();
  combo->addItem(QString::fromStdString(utf8Text));
  combo->setEditText(text);  // adding an item never changes the edit text
}

QString TFMain::CellText(int col, int row) const {
  const QTableWidgetItem* item = ui_->StringGridInfo->item(row, col);
  return item != nullptr ? item->text() : QString();
}

void TFMain::SetCellText(int col, int row, const QString& text) {
  QTableWidget* grid = ui_->StringGridInfo;
  QTableWidgetItem* item = grid->item(row, col);
  if (item == nullptr) {
    item = new QTableWidgetItem();
    // Value cells: selectable, never editable.
    item->setFlags(Qt::ItemIsSelectable | Qt::ItemIsEnabled);
    grid->setItem(row, col, item);
  }
  item->setText(text);
}

QTableWidget* TFMain::StringGridInfo() const { return ui_->StringGridInfo; }
QPushButton* TFMain::ButtonInit() const { return ui_->ButtonInit; }
QComboBox* TFMain::ComboBoxCOM() const { return ui_->ComboBoxCOM; }

bool TFMain::HotKeyRegistered(int id) const {
  return id >= 0 && id < 2 && FHotKeyRegistered[id];
}

void TFMain::FormCreate() {
  // 1. The label column.
  SetCellText(kLabelColumn, 0, QStringLiteral("Модель прибора"));
  SetCellText(kLabelColumn, 1, QStringLiteral("Номер версии ПО"));
  SetCellText(kLabelColumn, 2, QStringLiteral("Цифровой идентификатор ПО"));
  // 2. Column widths.
  ui_->StringGridInfo->setColumnWidth(kLabelColumn, 160);
  ui_->StringGridInfo->setColumnWidth(kValueColumn, 214);
  // 3. No selection, no current cell.
  ui_->StringGridInfo->selectionModel()->clear();
  // 4, 5. The hot keys on the main window; results not looked at beyond
  // remembering them (a combination that another program holds stays theirs).
  FHotKeys = std::make_unique<vpo::platform::GlobalHotKeys>(NativeHotKeyTarget(this));
  ApplicationEvents = std::make_unique<HotKeyEventFilter>(
      *FHotKeys, [this](int id) { ApplicationEventsMessage(id); });
  FHotKeyRegistered[kHotKeyShowTest] =
      FHotKeys->Register(kHotKeyShowTest, vpo::platform::kModControl | vpo::platform::kModAlt, 0x52);
  FHotKeyRegistered[kHotKeyAltEnter] =
      FHotKeys->Register(kHotKeyAltEnter, vpo::platform::kModAlt, vpo::platform::kVkReturn);
}

void TFMain::closeEvent(QCloseEvent* event) {
  FormClose(event);
  QWidget::closeEvent(event);
}

void TFMain::FormClose(QCloseEvent*) {
  if (FHotKeys) {
    FHotKeys->Unregister(kHotKeyShowTest);
    FHotKeys->Unregister(kHotKeyAltEnter);
  }
  FHotKeyRegistered[kHotKeyShowTest] = false;
  FHotKeyRegistered[kHotKeyAltEnter] = false;
}

void TFMain::FormDestroy() { FLinks->hid().FreeHidLibrary(); }

void TFMain::StringGridInfoExit() { ui_->StringGridInfo->selectionModel()->clear(); }

void TFMain::ApplicationEventsMessage(int hotKeyId) {
  if (hotKeyId == kHotKeyShowTest && FTestForm != nullptr) FTestForm->ShowFromHotKey(this);
  // Hot key 1 (Alt+Enter) and any other id: nothing.
}

void TFMain::ButtonInitClick() {
  // Every link has done its work before the first cell is written: a link
  // that throws leaves the three cells as they were.
  const vpo::IdentificationResult result = vpo::IdentifyInstrument(*FLinks);
  const auto cell = [](const std::string& cp1251) {
    return QString::fromStdString(vpo::platform::Cp1251ToUtf8(cp1251));
  };
  SetCellText(kValueColumn, 0, cell(result.model));
  SetCellText(kValueColumn, 1, cell(result.version));
  SetCellText(kValueColumn, 2, cell(result.digitalId));
}

void TFMain::ListingToTestForm::AppendLine(std::string_view cp1251Line) {
  if (owner_.FTestForm != nullptr) owner_.FTestForm->AppendLine(cp1251Line);
}

void TFMain::ListingToTestForm::AppendLines(std::span<const std::string_view> cp1251Lines) {
  if (owner_.FTestForm != nullptr) owner_.FTestForm->AppendLines(cp1251Lines);
}

}  // namespace vpo::shell
