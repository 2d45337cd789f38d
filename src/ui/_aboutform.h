// The About box: the program's title and date, the kinds of tags it orders, a picture, and
// three web addresses that open in the user's browser when clicked.
#pragma once

#include <QDialog>
#include <QUrl>

#include <array>
#include <functional>

class QLabel;
class QPushButton;

// What a link label opens: its caption from the first "http://" on, or the whole caption when
// it holds none; at most 1000 characters.
QString LinkTarget(const QString& caption);

class TAboutForm : public QDialog {
  Q_OBJECT

public:
  static constexpr int ClientWidth = 419;
  static constexpr int ClientHeight = 243;

  explicit TAboutForm(QWidget* owner);

  // Opens an address in the browser; replaceable so that clicks can be observed in tests.
  std::function<bool(const QUrl&)> OpenUrl;

  QLabel* TitleLabel = nullptr;
  QLabel* DateLabel = nullptr;
  QLabel* Image1 = nullptr;
  QLabel* PublisherLabel = nullptr;
  QLabel* ServiceLabel = nullptr;
  std::array<QLabel*, 3> LinkLabels{};
  QPushButton* Button1 = nullptr;

public slots:
  void Label3Click(QLabel* label);
  void Button1Click();

protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

private:
  QLabel* AddLabel(const QString& text, int x, int y, bool bold = false);
  QLabel* AddLink(const QString& text, int x, int y);
};
