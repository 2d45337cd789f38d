// The program's real dialogs, answered as a user would answer them: what the open dialog
// hands back and which message boxes the window shows afterwards.
#include "ScriptedDialogs.h"

#include "ui/QtDialogs.h"
#include "ui/_newearmarkform.h"
#include "ui/_printunit.h"

#include <QAction>
#include <QFile>
#include <QFileDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QPainter>
#include <QPrintPreviewDialog>
#include <QPrinter>
#include <QPointer>
#include <QTest>
#include <QTimer>
#include <QToolBar>

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <unistd.h>
#include <utility>
#include <vector>

namespace fs = std::filesystem;

namespace {

struct TSeenBox {
  QString Text;
  QString Detail;
  bool operator==(const TSeenBox&) const = default;
};

std::ostream& operator<<(std::ostream& out, const TSeenBox& box) {
  return out << '"' << box.Text.toStdString() << "\" / \"" << box.Detail.toStdString() << '"';
}

// Answers the modal dialogs as they come up: the first file dialog gets FileName typed into
// its name field and is accepted, any later one is cancelled (so a dialog that refuses the
// name cannot hang the test); a message box is recorded and closed.
class TModalDriver : public QObject {
public:
  explicit TModalDriver(QString fileName) : FileName_(std::move(fileName)) {
    connect(&Timer_, &QTimer::timeout, this, &TModalDriver::Poll);
    Timer_.start(20);
  }

  std::vector<TSeenBox> Boxes;
  int FileDialogs = 0;

private:
  void Poll() {
    QWidget* modal = QApplication::activeModalWidget();
    if (modal == nullptr || modal == Handled_) return;
    Handled_ = modal;
    if (auto* box = qobject_cast<QMessageBox*>(modal)) {
      Boxes.push_back({box->text(), box->detailedText()});
      QMetaObject::invokeMethod(box, [box] { box->done(0); }, Qt::QueuedConnection);
    } else if (auto* dialog = qobject_cast<QFileDialog*>(modal)) {
      if (FileDialogs++ == 0) {
        auto* name = dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
        ASSERT_NE(name, nullptr);
        name->setText(FileName_);
        QMetaObject::invokeMethod(dialog, &QDialog::accept, Qt::QueuedConnection);
      } else {
        QMetaObject::invokeMethod(dialog, &QDialog::reject, Qt::QueuedConnection);
      }
    }
  }

  QString FileName_;
  QTimer Timer_;
  QPointer<QWidget> Handled_;
};

class QtDialogs : public ::testing::Test {
protected:
  void SetUp() override {
    TestApplication();
    Dir = fs::temp_directory_path() / ("earmark-qtdialogs-" + std::to_string(::getpid()));
    fs::create_directories(Dir);
  }
  void TearDown() override { fs::remove_all(Dir); }

  QString Path(const char* name) const { return QString::fromStdString((Dir / name).string()); }

  fs::path Dir;
};

TEST_F(QtDialogs, OpeningAMissingFileShowsTheProgramsMessage) {
  TQtDialogs dialogs;
  TNewEarMarkForm form(dialogs);
  form.DialogFolder = QString::fromStdString(Dir.string());
  TModalDriver driver(Path("missing.xml"));
  form.Otvor1->trigger();
  EXPECT_EQ(driver.FileDialogs, 1);
  EXPECT_EQ(driver.Boxes, (std::vector<TSeenBox>{{QString::fromUtf8("Subor nebol nájdený!"), {}}}));
}

TEST_F(QtDialogs, ABrokenFileShowsWhereItIsBrokenAsTheDetail) {
  const QString broken = Path("broken.xml");
  {
    QFile file(broken);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("<?xml version=\"1.0\" encoding=\"windows-1250\"?>\r\n<objednavka>\r\n<name>x</nam>\r\n");
  }
  TQtDialogs dialogs;
  TNewEarMarkForm form(dialogs);
  form.DialogFolder = QString::fromStdString(Dir.string());
  TModalDriver driver(broken);
  form.Otvor1->trigger();
  EXPECT_EQ(driver.Boxes, (std::vector<TSeenBox>{{QString::fromUtf8("Nesprávny fromát súboru!"),
                                                  QStringLiteral("EK_END_TAG_MISMATCH \"nam\" at line 3, column 10")}}));
}

TEST_F(QtDialogs, ThePreviewShowsThePagesButNeitherPrintsNorSetsUpPages) {
  TQtDialogs dialogs;
  const std::unique_ptr<QPrinter> printer = PreviewPrinter(QString());
  printer->setDocName(QStringLiteral("Objednavka"));
  QString title;
  QStringList visible, hidden;
  QTimer poll;
  QObject::connect(&poll, &QTimer::timeout, [&] {
    auto* preview = qobject_cast<QPrintPreviewDialog*>(QApplication::activeModalWidget());
    if (preview == nullptr) return;
    poll.stop();
    title = preview->windowTitle();
    for (const QToolBar* bar : preview->findChildren<QToolBar*>())
      for (const QAction* action : bar->actions())
        if (!action->isSeparator() && !action->text().isEmpty())
          (action->isVisible() ? visible : hidden) << action->text();
    QMetaObject::invokeMethod(preview, &QDialog::reject, Qt::QueuedConnection);
  });
  poll.start(20);
  int paints = 0;
  dialogs.PrintPreview(nullptr, *printer, [&paints](QPrinter& target) {
    ++paints;
    QPainter painter(&target);
    painter.drawText(100, 100, QStringLiteral("sheet"));
  });
  EXPECT_GE(paints, 1);
  EXPECT_TRUE(title.contains(QStringLiteral("Objednavka"))) << title.toStdString();
  const QString print = QCoreApplication::translate("QPrintPreviewDialog", "Print");
  const QString pageSetup = QCoreApplication::translate("QPrintPreviewDialog", "Page setup");
  EXPECT_EQ(hidden, (QStringList{pageSetup, print}));
  EXPECT_TRUE(visible.contains(QCoreApplication::translate("QPrintPreviewDialog", "Fit width")))
      << visible.join(", ").toStdString();
}

}  // namespace
