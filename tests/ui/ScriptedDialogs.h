// A stand-in for the program's dialogs that records what was shown and answers from a script.
#pragma once

#include "ui/Dialogs.h"

#include <QApplication>
#include <QPrinter>
#include <QStringList>

#include <deque>

struct TShownBox {
  QString Kind;  // "Chyba", "Error", "Confirm", "Exception" or "Preview" (with the document name)
  QString Text;
  QString Detail = {};  // the detailed text of an "Error" box
  bool operator==(const TShownBox&) const = default;
};

class TScriptedDialogs : public TDialogs {
public:
  std::vector<TShownBox> Shown;
  std::deque<bool> ConfirmAnswers;
  std::deque<std::optional<QString>> FileAnswers;
  std::vector<TFileDialogSetup> FileSetups;
  // Where the preview's pages are drawn, as a PDF file; empty: the preview draws nothing.
  QString PreviewFile;
  // The page layout and resolution the preview was shown with.
  QPageLayout PreviewLayout;
  int PreviewDpi = 0;

  void ShowFieldError(QWidget*, const QString& text) override { Shown.push_back({"Chyba", text}); }
  void ShowError(QWidget*, const QString& text, const QString& detail = {}) override {
    Shown.push_back({"Error", text, detail});
  }
  bool Confirm(QWidget*, const QString& text) override {
    Shown.push_back({"Confirm", text});
    if (ConfirmAnswers.empty()) return false;
    const bool answer = ConfirmAnswers.front();
    ConfirmAnswers.pop_front();
    return answer;
  }
  void ShowException(QWidget*, const QString& text) override {
    Shown.push_back({"Exception", text});
  }
  std::optional<QString> OpenFileName(QWidget*, const TFileDialogSetup& setup) override {
    return NextFile(setup);
  }
  std::optional<QString> SaveFileName(QWidget*, const TFileDialogSetup& setup) override {
    return NextFile(setup);
  }
  bool PrintSetup(QWidget*, QPrinter&) override { return false; }
  void PrintPreview(QWidget*, QPrinter& printer, const std::function<void(QPrinter&)>& paint) override {
    Shown.push_back({"Preview", printer.docName()});
    PreviewLayout = printer.pageLayout();
    PreviewDpi = printer.resolution();
    if (PreviewFile.isEmpty()) return;
    printer.setOutputFileName(PreviewFile);
    paint(printer);
  }

private:
  std::optional<QString> NextFile(const TFileDialogSetup& setup) {
    FileSetups.push_back(setup);
    if (FileAnswers.empty()) return std::nullopt;
    auto answer = FileAnswers.front();
    FileAnswers.pop_front();
    return answer;
  }
};

// The widget tests share one application object, made before the first test and destroyed
// after the last one, while Qt's own globals still exist.
QApplication& TestApplication();
