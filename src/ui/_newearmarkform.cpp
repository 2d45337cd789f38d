#include "ui/_newearmarkform.h"

#include "ui/_aboutform.h"
#include "ui/_addressform.h"
#include "ui/_printunit.h"

#include "app/OrderFileReader.h"
#include "app/OrderFileWriter.h"
#include "app/TagTypes.h"
#include "platform/Exceptions.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QGroupBox>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QPainter>
#include <QScreen>
#include <QStyledItemDelegate>
#include <QTableWidget>

AnsiString MaskedFieldText(const QLineEdit& editor) {
  QString text = editor.displayText();
  // Blanks are shown as '.'; the order model expects spaces in unfilled positions.
  if (!editor.inputMask().isEmpty()) text.replace(u'.', u' ');
  return QStringToAnsi(text);
}

void SetMaskedFieldText(QLineEdit& editor, const AnsiString& text) {
  QString shown = AnsiToQString(text);
  // A space would be skipped by the mask and shift the rest; the blank keeps its position.
  if (!editor.inputMask().isEmpty()) shown.replace(u' ', u'.');
  editor.setText(shown);
}

namespace {

constexpr int RowHeight = 21;
constexpr int GridRows = 7;  // row 0 is kept at height 0 so that no visible cell is selected
constexpr std::array<int, TNewEarMarkForm::GridColumns> GridX = {20, 89, 162, 332};
constexpr std::array<int, TNewEarMarkForm::GridColumns> GridWidth = {47, 42, 142, 51};

// The layout's "MS Sans Serif" is a Windows bitmap face; Arial (fonts-liberation) stands in.
QFont FormFont() {
  QFont font(QStringLiteral("Arial"));
  font.setPointSize(8);
  return font;
}

QFont BoldFont(int pixels) {
  QFont font(QStringLiteral("Arial"));
  font.setPixelSize(pixels);
  font.setBold(true);
  return font;
}

// The three line editors are bold; the grids show the same face in normal weight.
QFont GridFont() {
  QFont font(QStringLiteral("Courier New"));
  font.setPixelSize(19);
  return font;
}

QFont LineFont() {
  QFont font = GridFont();
  font.setBold(true);
  return font;
}

QString Utf8(const std::string& text) { return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())); }

QLabel* AddLabel(QWidget* parent, const QString& text, int x, int y) {
  auto* label = new QLabel(text, parent);
  label->move(x, y);
  label->adjustSize();
  return label;
}

QLineEdit* AddMaskedEditor(QWidget* parent, const QString& mask, int x, int width) {
  auto* editor = new QLineEdit(parent);
  editor->setInputMask(mask);
  editor->setGeometry(x, 198, width, RowHeight);
  editor->setFont(LineFont());
  editor->setFrame(false);
  return editor;
}

QCheckBox* AddHeading(QWidget* parent, const QString& text, int x, int width) {
  auto* box = new QCheckBox(text, parent);
  box->setGeometry(x, 176, width, 17);
  box->setFont(BoldFont(13));
  box->setEnabled(false);
  box->setFocusPolicy(Qt::NoFocus);
  return box;
}

// Draws a cell's text 2 pixels from its left edge without eliding, so that twelve digits of
// the line font fit the ear-number column as the layout intends.
class TGridCellDelegate : public QStyledItemDelegate {
public:
  using QStyledItemDelegate::QStyledItemDelegate;
  void paint(QPainter* painter, const QStyleOptionViewItem& option,
             const QModelIndex& index) const override {
    painter->save();
    painter->setFont(option.font);
    painter->setPen(option.palette.color(QPalette::Active, QPalette::Text));
    painter->drawText(option.rect.adjusted(2, 0, 0, 0), Qt::AlignLeft | Qt::AlignVCenter,
                      index.data(Qt::DisplayRole).toString());
    painter->restore();
  }
};

// Moves the focus as the Tab key would and selects the field's text, as every field does
// when it is entered.
void FocusField(QWidget* field) {
  field->setFocus(Qt::TabFocusReason);
  if (auto* edit = qobject_cast<QLineEdit*>(field)) edit->selectAll();
}

// The caret position of the key table: the start of the selection while text is selected
// (as after Tab or Enter, which select the whole text), the cursor otherwise.
int CaretPosition(const QLineEdit& editor) {
  return editor.hasSelectedText() ? editor.selectionStart() : editor.cursorPosition();
}

bool IsTabStop(const QWidget* widget) {
  return widget->isEnabled() && (widget->focusPolicy() & Qt::TabFocus) != 0;
}

}  // namespace

TNewEarMarkForm::TNewEarMarkForm(TDialogs& dialogs, QWidget* parent)
    : QMainWindow(parent), Dialogs_(dialogs) {
  setFont(FormFont());
  setWindowTitle(QString::fromUtf8(Caption));
  setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                 Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint);

  CreateMenu();
  auto* client = new QWidget(this);
  setCentralWidget(client);
  CreateOrderBox(client);
  CreateLinesBox(client);

  // Outer size 572 x 548 with a thin frame and a title bar leaves this client area.
  resize(564, 497 + menuBar()->sizeHint().height());
  if (const QScreen* screen = QGuiApplication::primaryScreen())
    move(screen->availableGeometry().center() - rect().center());

  for (QWidget* w : std::initializer_list<QWidget*>{LabeledEdit1, ComboBox3, MaskEdit1, MaskEdit2,
                                                    MaskEdit3})
    w->installEventFilter(this);
  setTabOrder(LabeledEdit1, ComboBox3);
  setTabOrder(ComboBox3, MaskEdit1);
  setTabOrder(MaskEdit1, MaskEdit2);
  setTabOrder(MaskEdit2, MaskEdit3);

  connect(LabeledEdit1, &QLineEdit::textChanged, this, [this] { SyncHeaderToModel(); });
  connect(ComboBox3, &QComboBox::currentIndexChanged, this, [this] { SyncHeaderToModel(); });

  FormCreate();
  LabeledEdit1->setFocus();
}

TNewEarMarkForm::~TNewEarMarkForm() = default;

void TNewEarMarkForm::CreateMenu() {
  QMenu* file = menuBar()->addMenu(QStringLiteral("Súbor"));
  Otvor1 = file->addAction(QStringLiteral("Otvoriť..."));
  Uloi1 = file->addAction(QStringLiteral("Uložiť..."));
  file->addSeparator();
  Vytlai1 = file->addAction(QStringLiteral("Vytlačiť..."));
  // Neither needs a printer, so they stay enabled when "Vytlačiť..." is not.
  Ukkapredtlaou1 = file->addAction(QStringLiteral("Ukážka pred tlačou..."));
  UloiakoPDF1 = file->addAction(QStringLiteral("Uložiť ako PDF..."));
  file->addSeparator();
  Koniec1 = file->addAction(QStringLiteral("Koniec"));
  QMenu* settings = menuBar()->addMenu(QStringLiteral("Nastavenia"));
  Nastavenia1 = settings->addAction(QStringLiteral("Dodacia adresa..."));
  Oprograme1 = menuBar()->addAction(QStringLiteral("O programe"));

  const auto bind = [this](QAction* action, void (TNewEarMarkForm::*handler)()) {
    connect(action, &QAction::triggered, this, [this, handler] { Guarded([&] { (this->*handler)(); }); });
  };
  bind(Otvor1, &TNewEarMarkForm::Otvor1Click);
  bind(Uloi1, &TNewEarMarkForm::Uloi1Click);
  bind(Vytlai1, &TNewEarMarkForm::Vytlai1Click);
  bind(Ukkapredtlaou1, &TNewEarMarkForm::Ukkapredtlaou1Click);
  bind(UloiakoPDF1, &TNewEarMarkForm::UloiakoPDF1Click);
  bind(Koniec1, &TNewEarMarkForm::Koniec1Click);
  bind(Nastavenia1, &TNewEarMarkForm::Nastavenia1Click);
  bind(Oprograme1, &TNewEarMarkForm::Oprograme1Click);
}

void TNewEarMarkForm::CreateOrderBox(QWidget* client) {
  auto* box = new QGroupBox(QStringLiteral("Objednávka"), client);
  box->setGeometry(8, 8, 545, 81);
  AddLabel(box, QStringLiteral("Farma"), 24, 24);
  LabeledEdit1 = new QLineEdit(box);
  LabeledEdit1->setGeometry(24, 40, 89, 21);
  AddLabel(box, QStringLiteral("Typ značky"), 144, 24);
  ComboBox3 = new QComboBox(box);
  ComboBox3->setGeometry(144, 40, 257, 21);
  ComboBox3->setEditable(false);
  for (int type = 0; type < TagTypeCount; ++type) ComboBox3->addItem(AnsiToQString(TagTypeCaption(type)));
}

QTableWidget* TNewEarMarkForm::CreateGrid(QWidget* box, int x, int top, int width) {
  auto* grid = new QTableWidget(GridRows, 1, box);
  grid->setGeometry(x, top, width, 132);
  grid->setFont(GridFont());
  grid->horizontalHeader()->hide();
  grid->verticalHeader()->hide();
  // The header's default minimum would stretch rows to the font; rows are exactly 21 pixels.
  grid->verticalHeader()->setMinimumSectionSize(0);
  grid->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
  grid->setShowGrid(true);
  grid->setFrameShape(QFrame::NoFrame);
  grid->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  grid->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  grid->setColumnWidth(0, width);
  grid->setItemDelegate(new TGridCellDelegate(grid));
  for (int row = 0; row < GridRows; ++row) {
    grid->setRowHeight(row, RowHeight);
    grid->setItem(row, 0, new QTableWidgetItem());
  }
  grid->setEnabled(false);
  grid->setFocusPolicy(Qt::NoFocus);
  // A disabled grid still shows its lines in the normal text colour.
  QPalette palette = grid->palette();
  palette.setColor(QPalette::Disabled, QPalette::Text, palette.color(QPalette::Active, QPalette::Text));
  grid->setPalette(palette);
  return grid;
}

void TNewEarMarkForm::CreateLinesBox(QWidget* client) {
  auto* box = new QGroupBox(QStringLiteral("Zoznam značiek"), client);
  box->setGeometry(8, 96, 545, 393);
  QLabel* hint = AddLabel(box, QStringLiteral("<F3> Zmazanie riadku"), 400, 32);
  hint->setFont(BoldFont(11));
  hint->adjustSize();
  for (std::size_t c = 0; c < GridColumns; ++c) {
    UpperGrids[c] = CreateGrid(box, GridX[c], 33, GridWidth[c]);
    LowerGrids[c] = CreateGrid(box, GridX[c], 241, GridWidth[c]);
  }
  QLabel* row = AddLabel(box, QStringLiteral("Riadok"), 20, 176);
  row->setFont(BoldFont(13));
  row->adjustSize();
  row->setEnabled(false);
  CountryCheck = AddHeading(box, QStringLiteral("Štát"), 87, 58);
  EarNumberCheck = AddHeading(box, QStringLiteral("Ušné číslo"), 161, 120);
  CountCheck = AddHeading(box, QStringLiteral("Počet"), 332, 69);

  RowNumberEdit = new QLineEdit(box);
  RowNumberEdit->setGeometry(20, 198, 47, RowHeight);
  RowNumberEdit->setReadOnly(true);
  RowNumberEdit->setEnabled(false);
  RowNumberEdit->setFrame(false);
  RowNumberEdit->setFont(BoldFont(16));
  RowNumberEdit->setFocusPolicy(Qt::NoFocus);
  RowNumberEdit->setText(QStringLiteral("1"));

  // Optional letters, so that a blank position stays where it is when a line is reloaded.
  MaskEdit1 = AddMaskedEditor(box, QStringLiteral(">aa;."), 89, 36);
  MaskEdit1->setText(QStringLiteral("SK"));
  MaskEdit2 = AddMaskedEditor(box, QStringLiteral("000000000000;."), 162, 142);
  MaskEdit3 = AddMaskedEditor(box, QStringLiteral("0;."), 333, 51);
}

void TNewEarMarkForm::FormCreate() {
  Order_.InitOrder(MaskedFieldText(*MaskEdit1));
  Order_.Line(1).SetRowNumber(QStringToAnsi(RowNumberEdit->text()));
  ComboBox3->setCurrentIndex(0);
  SyncHeaderToModel();
}

void TNewEarMarkForm::FormShow() {
  for (auto* grids : {&UpperGrids, &LowerGrids})
    for (QTableWidget* grid : *grids) {
      grid->setRowHeight(0, 0);
      grid->setCurrentCell(0, 0);
    }
}

void TNewEarMarkForm::showEvent(QShowEvent* event) {
  QMainWindow::showEvent(event);
  FormShow();
}

bool TNewEarMarkForm::event(QEvent* event) {
  // Modal dialogs give the activation back each time they close; only the first one counts.
  if (event->type() == QEvent::WindowActivate && !Activated_) {
    Activated_ = true;
    Guarded([this] { FormActivate(); });
  }
  return QMainWindow::event(event);
}

void TNewEarMarkForm::FormActivate() {
  LoadSettings(*this, ProgramSettingsPath(), InstalledPrinters());
  DialogFolder = QCoreApplication::applicationDirPath();
}

void TNewEarMarkForm::Guarded(const std::function<void()>& action) {
  try {
    action();
  } catch (const Exception& e) {
    Dialogs_.ShowException(this, Utf8(e.Message));
  } catch (const std::exception& e) {
    Dialogs_.ShowException(this, QString::fromLocal8Bit(e.what()));
  }
}

void TNewEarMarkForm::SyncHeaderToModel() {
  Order_.FarmNumber = QStringToAnsi(LabeledEdit1->text());
  Order_.TagType = ComboBox3->currentIndex();
}

void TNewEarMarkForm::LoadHeaderFromModel() {
  // A change of either field copies both fields into the model, so the values are taken first.
  const AnsiString farm = Order_.FarmNumber;
  const int tagType = Order_.TagType;
  LabeledEdit1->setText(AnsiToQString(farm));
  ComboBox3->setCurrentIndex(tagType >= 0 && tagType < ComboBox3->count() ? tagType : -1);
}

void TNewEarMarkForm::RefreshLineView() {
  const TLineWindow window = Order_.LineWindow();
  const auto fill = [this](std::array<QTableWidget*, GridColumns>& grids, int row, int index) {
    const OrderLine blank;
    const OrderLine& line = index == 0 ? blank : Order_.Line(index);
    const AnsiString* fields[GridColumns] = {&line.RowNumber, &line.Country, &line.EarNumber,
                                             &line.Count};
    for (std::size_t c = 0; c < GridColumns; ++c) grids[c]->item(row, 0)->setText(AnsiToQString(*fields[c]));
  };
  for (int k = 1; k <= 6; ++k) {
    fill(UpperGrids, GridRows - k, window.Upper[static_cast<std::size_t>(k - 1)]);
    fill(LowerGrids, k, window.Lower[static_cast<std::size_t>(k - 1)]);
  }
  const OrderLine& current = Order_.Current();
  RowNumberEdit->setText(AnsiToQString(current.RowNumber));
  SetMaskedFieldText(*MaskEdit1, current.Country);
  SetMaskedFieldText(*MaskEdit2, current.EarNumber);
  SetMaskedFieldText(*MaskEdit3, current.Count);
}

QString TNewEarMarkForm::GridText(bool upper, int column, int row) const {
  const auto& grids = upper ? UpperGrids : LowerGrids;
  return grids[static_cast<std::size_t>(column)]->item(row, 0)->text();
}

bool TNewEarMarkForm::CountryLocked() const { return CountryCheck->isChecked(); }

bool TNewEarMarkForm::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() != QEvent::KeyPress) return QMainWindow::eventFilter(watched, event);
  int key = static_cast<QKeyEvent*>(event)->key();
  if (key == Qt::Key_Enter) key = Qt::Key_Return;  // the keypad's Enter is the same key
  void (TNewEarMarkForm::*handler)(int&) = nullptr;
  if (watched == LabeledEdit1) handler = &TNewEarMarkForm::LabeledEdit1KeyDown;
  else if (watched == ComboBox3) handler = &TNewEarMarkForm::ComboBox3KeyDown;
  else if (watched == MaskEdit1) handler = &TNewEarMarkForm::MaskEdit1KeyDown;
  else if (watched == MaskEdit2) handler = &TNewEarMarkForm::MaskEdit2KeyDown;
  else if (watched == MaskEdit3) handler = &TNewEarMarkForm::MaskEdit3KeyDown;
  if (handler == nullptr) return QMainWindow::eventFilter(watched, event);
  // Characters typed without a key code (composed or foreign letters) are the field's own.
  if (key == 0) return QMainWindow::eventFilter(watched, event);
  bool handled = true;  // a key whose handler failed is not passed on to the field
  Guarded([&] {
    (this->*handler)(key);
    handled = key == 0;
  });
  return handled;
}

void TNewEarMarkForm::MoveToNextField(QWidget* from) {
  const std::array<QWidget*, 5> order = {LabeledEdit1, ComboBox3, MaskEdit1, MaskEdit2, MaskEdit3};
  std::size_t at = 0;
  while (at < order.size() && order[at] != from) ++at;
  for (std::size_t step = 1; step <= order.size(); ++step) {
    QWidget* next = order[(at + step) % order.size()];
    if (IsTabStop(next)) {
      FocusField(next);
      return;
    }
  }
}

void TNewEarMarkForm::ShowLineError(QLineEdit* editor, const std::string& message) {
  editor->selectAll();
  Dialogs_.ShowFieldError(this, Utf8(message));
}

void TNewEarMarkForm::MoveAndSelect(bool up, QLineEdit* editor) {
  if (up ? Order_.CurrentLine <= 1 : Order_.CurrentLine >= Order_.LineCount) return;
  if (up) Order_.MoveUp();
  else Order_.MoveDown();
  RefreshLineView();
  editor->selectAll();
}

void TNewEarMarkForm::ToggleCountryLock() {
  const bool ticked = CountryCheck->isChecked();
  MaskEdit1->setFocusPolicy(ticked ? Qt::StrongFocus : Qt::ClickFocus);
  CountryCheck->setChecked(!ticked);
}

void TNewEarMarkForm::LabeledEdit1KeyDown(int& key) {
  if (key != Qt::Key_Return) return;
  MoveToNextField(LabeledEdit1);
  key = 0;
}

void TNewEarMarkForm::ComboBox3KeyDown(int& key) {
  if (key != Qt::Key_Return) return;
  MoveToNextField(ComboBox3);
  key = 0;
}

void TNewEarMarkForm::MaskEdit1KeyDown(int& key) {
  if (key == Qt::Key_Right && CaretPosition(*MaskEdit1) == static_cast<int>(OrderLine::CountryMax))
    key = Qt::Key_Return;
  switch (key) {
    case Qt::Key_Up:
    case Qt::Key_Down:
      MoveAndSelect(key == Qt::Key_Up, MaskEdit1);
      break;
    case Qt::Key_F3:
      Order_.DeleteCurrentLine();
      RefreshLineView();
      MaskEdit1->selectAll();
      break;
    case Qt::Key_F5:
      ToggleCountryLock();
      break;
    case Qt::Key_Return: {
      const TStoreResult result = Order_.StoreCountry(MaskedFieldText(*MaskEdit1));
      if (result.Valid) MoveToNextField(MaskEdit1);
      else ShowLineError(MaskEdit1, result.Message);
      break;
    }
    default:
      return;
  }
  key = 0;
}

void TNewEarMarkForm::MaskEdit2KeyDown(int& key) {
  if (key == Qt::Key_Left && CaretPosition(*MaskEdit2) == 0) {
    FocusField(MaskEdit1);
    key = 0;
    return;
  }
  if (key == Qt::Key_Right &&
      CaretPosition(*MaskEdit2) == static_cast<int>(OrderLine::EarNumberMax))
    key = Qt::Key_Return;
  switch (key) {
    case Qt::Key_Up:
    case Qt::Key_Down:
      MoveAndSelect(key == Qt::Key_Up, MaskEdit2);
      break;
    case Qt::Key_F3:
      Order_.DeleteCurrentLine();
      RefreshLineView();
      if (IsTabStop(MaskEdit1)) FocusField(MaskEdit1);
      else MaskEdit2->selectAll();
      break;
    case Qt::Key_Return: {
      // The field shows the padded number before it is checked, and keeps it on an error.
      SetMaskedFieldText(*MaskEdit2, EarTagOrder::NormaliseEarNumber(MaskedFieldText(*MaskEdit2)));
      key = 0;
      const TStoreResult result = Order_.StoreEarNumber(MaskedFieldText(*MaskEdit2));
      if (result.Valid) MoveToNextField(MaskEdit2);
      else ShowLineError(MaskEdit2, result.Message);
      break;
    }
    default:
      return;
  }
  key = 0;
}

void TNewEarMarkForm::MaskEdit3KeyDown(int& key) {
  if (key == Qt::Key_Left && CaretPosition(*MaskEdit3) == 0) {
    FocusField(MaskEdit2);
    key = 0;
    return;
  }
  switch (key) {
    case Qt::Key_Up:
    case Qt::Key_Down:
      MoveAndSelect(key == Qt::Key_Up, MaskEdit3);
      break;
    case Qt::Key_F3:
      Order_.DeleteCurrentLine();
      RefreshLineView();
      FocusField(IsTabStop(MaskEdit1) ? MaskEdit1 : MaskEdit2);
      break;
    case Qt::Key_Return: {
      const TStoreResult result = Order_.StoreCount(MaskedFieldText(*MaskEdit3));
      if (!result.Valid) {
        ShowLineError(MaskEdit3, result.Message);
        break;
      }
      if (result.Advanced) {
        RefreshLineView();
        MaskEdit1->setText(QStringLiteral("SK"));  // the editor only; the stored country stays
      }
      FocusField(MaskEdit1);
      break;
    }
    default:
      return;
  }
  key = 0;
}

TFileDialogSetup TNewEarMarkForm::OrderFileDialogSetup() const {
  TFileDialogSetup setup;
  setup.Folder = DialogFolder.isEmpty() ? QCoreApplication::applicationDirPath() : DialogFolder;
  setup.Filter = QString::fromUtf8(OrderFileFilter);
  setup.DefaultExt = QStringLiteral("xml");
  return setup;
}

bool TNewEarMarkForm::CheckFarmField() {
  SyncHeaderToModel();
  if (EarTagOrder::CheckFarmNumber(Order_.FarmNumber)) return true;
  Dialogs_.ShowError(this, QString::fromUtf8(EarTagOrder::FarmNumberMessage));
  LabeledEdit1->setFocus(Qt::OtherFocusReason);
  return false;
}

void TNewEarMarkForm::Uloi1Click() {
  if (!CheckFarmField()) return;
  const QDate today = Today();
  TFileDialogSetup setup = OrderFileDialogSetup();
  setup.FileName = AnsiToQString(
      ProposedOrderFileName(Order_.FarmNumber, today.year(), today.month(), today.day()));
  const std::optional<QString> fileName = Dialogs_.SaveFileName(this, setup);
  if (!fileName) return;
  if (QFileInfo::exists(*fileName) && !Dialogs_.Confirm(this, QString::fromUtf8(OverwriteQuestion)))
    return;
  WriteOrderFile(QFile::encodeName(*fileName).toStdString(), Order_);
}

void TNewEarMarkForm::Otvor1Click() {
  const std::optional<QString> fileName = Dialogs_.OpenFileName(this, OrderFileDialogSetup());
  if (!fileName) return;
  // The area under the closed dialog is drawn again before the file is read.
  repaint();
  // The farm field and the tag-type list are the model's source; a file without them keeps
  // what they show.
  SyncHeaderToModel();
  std::string detail;
  const TOpenOrderResult result = Opener.Open(QFile::encodeName(*fileName).toStdString(), Order_, detail);
  if (result != TOpenOrderResult::Opened) {
    // Where the file is broken, for whoever looks further than the message.
    Dialogs_.ShowError(this, QString::fromUtf8(OpenOrderMessage(result)), Utf8(detail));
    return;
  }
  LoadHeaderFromModel();
  RefreshLineView();
  MaskEdit1->setFocus(Qt::OtherFocusReason);
}

void TNewEarMarkForm::Vytlai1Click() { PrintCommand(*this); }

void TNewEarMarkForm::Ukkapredtlaou1Click() { PreviewCommand(*this); }

void TNewEarMarkForm::UloiakoPDF1Click() { SavePdfCommand(*this); }

void TNewEarMarkForm::Nastavenia1Click() {
  TAddressForm form(this, Order_, Dialogs_, ProgramSettingsPath());
  form.exec();
}

void TNewEarMarkForm::Oprograme1Click() {
  TAboutForm form(this);
  form.exec();
}

void TNewEarMarkForm::Koniec1Click() { close(); }
