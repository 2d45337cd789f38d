// The order form: the program's main window. It lays out the farm field, the tag-type list,
// the 13-line view of the order and the three line editors, maps keys and menu commands to
// the order model, and saves the order. Every rule lives in the model; the window only
// moves texts between the fields and the model and moves the focus.
#pragma once

#include "app/EarTagOrder.h"
#include "app/OrderOpener.h"
#include "sheet/QtAnsi.h"
#include "ui/Dialogs.h"

#include <QDate>
#include <QMainWindow>

#include <array>
#include <functional>
#include <memory>

class QAction;
class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QTableWidget;

// The text of a masked editor at its full mask length, unfilled positions as spaces.
AnsiString MaskedFieldText(const QLineEdit& editor);
// Shows text in a masked editor with every space as an unfilled position.
void SetMaskedFieldText(QLineEdit& editor, const AnsiString& text);

class TNewEarMarkForm : public QMainWindow {
  Q_OBJECT

public:
  static constexpr const char* Caption = "Objednávka na náhradné ušné značky";
  static constexpr const char* OrderFileFilter = "Súbory XML|*.xml";
  static constexpr const char* OverwriteQuestion = "Daný súbor už existuje. Prepísať ho?";
  static constexpr int GridColumns = 4;

  // dialogs is borrowed and must outlive the window.
  explicit TNewEarMarkForm(TDialogs& dialogs, QWidget* parent = nullptr);
  ~TNewEarMarkForm() override;

  EarTagOrder& Order() { return Order_; }
  const EarTagOrder& Order() const { return Order_; }
  TDialogs& Dialogs() { return Dialogs_; }

  // The date the save command proposes in the file name; today unless a test fixes it.
  std::function<QDate()> Today = [] { return QDate::currentDate(); };
  // Starting folder of the open and save dialogs: the executable's folder once activated.
  QString DialogFolder;

  // The open and save dialogs of order files: starting folder, filter, default extension.
  TFileDialogSetup OrderFileDialogSetup() const;
  // Shows the line window and loads the editors from the current line.
  void RefreshLineView();
  // Copies the farm field and tag-type list into the model (they are the model's source).
  void SyncHeaderToModel();
  // Puts the model's farm number and tag type into their fields (after opening a file).
  void LoadHeaderFromModel();
  // Before saving or printing: copies the header into the model and checks the farm number;
  // a wrong one shows its message and puts the focus into the farm field.
  bool CheckFarmField();
  // Runs action; an exception it raises becomes the application-wide error report.
  void Guarded(const std::function<void()>& action);

  // Text shown by a grid cell: upper or lower grid, column 0..3, visible row 1..6.
  QString GridText(bool upper, int column, int row) const;
  bool CountryLocked() const;

  // The controls, for the handlers of later commands and for tests.
  QLineEdit* LabeledEdit1 = nullptr;  // farm
  QComboBox* ComboBox3 = nullptr;     // tag type
  QLineEdit* RowNumberEdit = nullptr;
  QLineEdit* MaskEdit1 = nullptr;  // country
  QLineEdit* MaskEdit2 = nullptr;  // ear number
  QLineEdit* MaskEdit3 = nullptr;  // count
  QCheckBox* CountryCheck = nullptr;
  QCheckBox* EarNumberCheck = nullptr;
  QCheckBox* CountCheck = nullptr;
  std::array<QTableWidget*, GridColumns> UpperGrids{};
  std::array<QTableWidget*, GridColumns> LowerGrids{};
  QAction* Otvor1 = nullptr;
  QAction* Uloi1 = nullptr;
  QAction* Vytlai1 = nullptr;
  QAction* Ukkapredtlaou1 = nullptr;  // print preview
  QAction* UloiakoPDF1 = nullptr;     // save as PDF
  QAction* Koniec1 = nullptr;
  QAction* Nastavenia1 = nullptr;
  QAction* Oprograme1 = nullptr;

  // The reading pipeline of "Otvoriť...", kept for the window's lifetime.
  TOrderOpener Opener;

public slots:
  void Otvor1Click();
  void Uloi1Click();
  void Vytlai1Click();
  void Ukkapredtlaou1Click();
  void UloiakoPDF1Click();
  void Koniec1Click();
  void Nastavenia1Click();
  void Oprograme1Click();
  // The first activation of the window at start-up.
  virtual void FormActivate();

protected:
  bool eventFilter(QObject* watched, QEvent* event) override;
  bool event(QEvent* event) override;
  void showEvent(QShowEvent* event) override;

private:
  // Key handlers: key is a Qt key code and may be changed; 0 afterwards means handled.
  void LabeledEdit1KeyDown(int& key);
  void ComboBox3KeyDown(int& key);
  void MaskEdit1KeyDown(int& key);
  void MaskEdit2KeyDown(int& key);
  void MaskEdit3KeyDown(int& key);

  void FormCreate();
  void FormShow();
  void CreateMenu();
  void CreateOrderBox(QWidget* client);
  void CreateLinesBox(QWidget* client);
  QTableWidget* CreateGrid(QWidget* box, int x, int top, int width);
  void MoveToNextField(QWidget* from);
  void ShowLineError(QLineEdit* editor, const std::string& message);
  void MoveAndSelect(bool up, QLineEdit* editor);
  void ToggleCountryLock();

  EarTagOrder Order_;
  TDialogs& Dialogs_;
  bool Activated_ = false;
};
