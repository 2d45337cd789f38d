#include "ui/JpegImage.h"
#include "ui/_aboutform.h"

#include "PrintTestSupport.h"

#include <QApplication>
#include <QLabel>
#include <QPushButton>
#include <QTest>

#include <gtest/gtest.h>

#include <vector>


TEST(LinkTarget, FromFirstHttpOn) {
  const QString longTail(1500, QLatin1Char('a'));
  struct Case {
    QString Caption;
    QString Expected;
  } cases[] = {
      {"http://www.example.org", "http://www.example.org"},
      {"Web: http://www.example.org/a", "http://www.example.org/a"},
      {"https://secure.example.org", "https://secure.example.org"},
      {"www.example.org", "www.example.org"},
      {"a http://b.example.org http://c.example.org", "http://b.example.org http://c.example.org"},
      {"HTTP://upper.example.org", "HTTP://upper.example.org"},
      {"", ""},
      {"x http://" + longTail, "http://" + longTail.left(993)},
      {longTail, longTail.left(1000)},
  };
  for (const Case& c : cases) EXPECT_EQ(LinkTarget(c.Caption), c.Expected) << c.Caption.left(40).toStdString();
}

TEST(AboutPicture, ResourceDecodesTo150x130Rgb) {
  const QByteArray data = AboutPictureData();
  ASSERT_FALSE(data.isEmpty());
  // Baseline JFIF 1.01 at 72 dots per inch: APP0 "JFIF\0", version 1.01, unit 1, 72 x 72.
  EXPECT_EQ(data.mid(6, 5), QByteArray("JFIF\0", 5));
  EXPECT_EQ(data.mid(11, 5), QByteArray("\x01\x01\x01\x00\x48", 5));
  EXPECT_TRUE(data.contains(QByteArray("\xff\xc0", 2)));   // baseline frame
  EXPECT_FALSE(data.contains(QByteArray("\xff\xc2", 2)));  // no progressive frame
  const QImage image = DecodeJpeg(data);
  ASSERT_FALSE(image.isNull());
  EXPECT_EQ(image.size(), QSize(150, 130));
  EXPECT_EQ(image.format(), QImage::Format_RGB888);
  // The sky is blue at the top-left, the tag yellow left of its centre, the grass green below.
  const QColor sky = image.pixelColor(3, 3), tag = image.pixelColor(44, 60),
               grass = image.pixelColor(5, 125);
  EXPECT_GT(sky.blue(), sky.red() + 60);
  EXPECT_GT(tag.red(), 200);
  EXPECT_GT(tag.green(), 150);
  EXPECT_LT(tag.blue(), 100);
  EXPECT_GT(grass.green(), grass.red() + 30);
}

TEST(AboutPicture, DataThatIsNoJpegGivesNoImage) {
  const QByteArray good = AboutPictureData();
  struct Case {
    const char* What;
    QByteArray Data;
  } cases[] = {
      {"empty", QByteArray()},
      {"text", QByteArray("not a picture at all")},
      {"start marker only", QByteArray("\xff\xd8", 2)},
      {"header cut short", good.left(40)},
  };
  for (const Case& c : cases) EXPECT_TRUE(DecodeJpeg(c.Data).isNull()) << c.What;
}

TEST(AboutForm, LayoutAndLinks) {
  TAboutForm form(nullptr);
  EXPECT_EQ(form.windowTitle(), QStringLiteral("O programe"));
  EXPECT_EQ(form.size(), QSize(419, 243));
  EXPECT_TRUE(form.windowFlags() & Qt::Tool);
  EXPECT_FALSE(form.windowFlags() & (Qt::WindowMinimizeButtonHint | Qt::WindowMaximizeButtonHint));
  struct Place {
    QWidget* Widget;
    QPoint At;
  } places[] = {
      {form.TitleLabel, {168, 13}},    {form.DateLabel, {252, 32}},     {form.Image1, {8, 49}},
      {form.PublisherLabel, {168, 128}}, {form.LinkLabels[0], {168, 144}}, {form.ServiceLabel, {168, 168}},
      {form.LinkLabels[1], {168, 184}}, {form.LinkLabels[2], {168, 200}}, {form.Button1, {337, 213}},
  };
  for (const Place& p : places) EXPECT_EQ(p.Widget->pos(), p.At) << p.Widget->metaObject()->className();
  EXPECT_EQ(form.Button1->size(), QSize(75, 25));
  EXPECT_EQ(form.TitleLabel->text(), QStringLiteral("Objednávka ušných značiek"));
  EXPECT_EQ(form.DateLabel->text(), QStringLiteral("02.2013"));
  ASSERT_FALSE(form.Image1->pixmap().isNull());
  EXPECT_EQ(form.Image1->pixmap().size(), QSize(150, 130));
  EXPECT_TRUE(form.LinkLabels[2]->text().startsWith(QStringLiteral("https://")));

  std::vector<QUrl> opened;
  form.OpenUrl = [&](const QUrl& url) {
    opened.push_back(url);
    return false;  // a failure to open is ignored
  };
  form.show();
  for (QLabel* link : form.LinkLabels) QTest::mouseClick(link, Qt::LeftButton);
  ASSERT_EQ(opened.size(), 3u);
  for (std::size_t i = 0; i < 3; ++i)
    EXPECT_EQ(opened[i], QUrl(form.LinkLabels[i]->text())) << i;
  form.OpenUrl = [](const QUrl&) -> bool { throw std::runtime_error("no browser"); };
  QTest::mouseClick(form.LinkLabels[0], Qt::LeftButton);  // must not escape

  QTest::mouseClick(form.Button1, Qt::LeftButton);
  EXPECT_EQ(form.result(), QDialog::Accepted);
  EXPECT_FALSE(form.isVisible());
}
