#include "ui/_aboutform.h"

#include "ui/JpegImage.h"

#include <QDesktopServices>
#include <QEvent>
#include <QGuiApplication>
#include <QLabel>
#include <QMouseEvent>
#include <QPixmap>
#include <QPushButton>
#include <QScreen>

namespace {

constexpr qsizetype MaxLinkLength = 1000;

QFont DialogFont(bool bold = false) {
  // "MS Sans Serif" is a Windows bitmap face; Arial (fonts-liberation) stands in.
  QFont font(QStringLiteral("Arial"));
  font.setPointSize(8);
  font.setBold(bold);
  return font;
}

}  // namespace

QString LinkTarget(const QString& caption) {
  const qsizetype at = caption.indexOf(QStringLiteral("http://"));
  return (at < 0 ? caption : caption.mid(at)).left(MaxLinkLength);
}

TAboutForm::TAboutForm(QWidget* owner) : QDialog(owner, Qt::Tool | Qt::WindowTitleHint | Qt::WindowCloseButtonHint) {
  OpenUrl = [](const QUrl& url) { return QDesktopServices::openUrl(url); };
  setWindowTitle(QStringLiteral("O programe"));
  setFont(DialogFont());
  setFixedSize(ClientWidth, ClientHeight);
  if (const QScreen* screen = QGuiApplication::primaryScreen())
    move(screen->availableGeometry().center() - rect().center());

  TitleLabel = AddLabel(QStringLiteral("Objednávka ušných značiek"), 168, 13);
  QFont title(QStringLiteral("Arial"));
  title.setPixelSize(17);
  title.setBold(true);
  TitleLabel->setFont(title);
  TitleLabel->adjustSize();
  DateLabel = AddLabel(QStringLiteral("02.2013"), 252, 32, true);

  Image1 = new QLabel(this);
  Image1->setGeometry(8, 49, 153, 136);
  Image1->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  const QImage picture = DecodeJpeg(AboutPictureData());
  if (!picture.isNull()) Image1->setPixmap(QPixmap::fromImage(picture));

  AddLabel(QStringLiteral("náhradné ušné značky pre HD"), 168, 56);
  AddLabel(QStringLiteral("náhradné ušné značky pre ovce"), 168, 72);
  AddLabel(QStringLiteral("náhradné ušné značky pre kozy"), 168, 88);
  PublisherLabel = AddLabel(QStringLiteral("Vydavateľ programu"), 168, 128, true);
  LinkLabels[0] = AddLink(QStringLiteral("http://www.vydavatel.example.org"), 168, 144);
  ServiceLabel = AddLabel(QStringLiteral("Evidenčná služba zvierat"), 168, 168, true);
  LinkLabels[1] = AddLink(QStringLiteral("http://evidencia.example.org"), 168, 184);
  LinkLabels[2] = AddLink(QStringLiteral("https://objednavky.example.org"), 168, 200);

  Button1 = new QPushButton(QStringLiteral("OK"), this);
  Button1->setGeometry(337, 213, 75, 25);
  connect(Button1, &QPushButton::clicked, this, &TAboutForm::Button1Click);
}

QLabel* TAboutForm::AddLabel(const QString& text, int x, int y, bool bold) {
  auto* label = new QLabel(text, this);
  if (bold) label->setFont(DialogFont(true));
  label->move(x, y);
  label->adjustSize();
  return label;
}

QLabel* TAboutForm::AddLink(const QString& text, int x, int y) {
  QLabel* label = AddLabel(text, x, y);
  QFont font = label->font();
  font.setUnderline(true);
  label->setFont(font);
  QPalette palette = label->palette();
  palette.setColor(QPalette::WindowText, Qt::blue);
  label->setPalette(palette);
  label->setCursor(Qt::PointingHandCursor);
  label->adjustSize();
  label->installEventFilter(this);
  return label;
}

bool TAboutForm::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::MouseButtonRelease &&
      static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton) {
    for (QLabel* link : LinkLabels)
      if (watched == link) {
        Label3Click(link);
        return true;
      }
  }
  return QDialog::eventFilter(watched, event);
}

void TAboutForm::Label3Click(QLabel* label) {
  // A link the browser cannot open is not worth a message: the box only informs.
  try {
    const QString target = LinkTarget(label->text());
    if (OpenUrl) OpenUrl(QUrl::fromUserInput(target));
  } catch (...) {
  }
}

void TAboutForm::Button1Click() { accept(); }
