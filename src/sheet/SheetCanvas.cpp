#include "sheet/SheetCanvas.h"

#include "sheet/QtAnsi.h"

#include <QFontMetrics>
#include <QPainter>
#include <QPen>

namespace {

const AnsiString BoldSuffix = " tu\xe8n\xe9";
const AnsiString ItalicSuffix = " kurz\xedva";

bool EndsWith(const AnsiString& text, const AnsiString& suffix) {
  return text.size() >= suffix.size() && text.compare(text.size() - suffix.size(), suffix.size(), suffix) == 0;
}

}  // namespace

QFont SheetFont(const AnsiString& face, int height) {
  AnsiString family = face;
  bool bold = false, italic = false;
  if (EndsWith(family, BoldSuffix)) {
    family.resize(family.size() - BoldSuffix.size());
    bold = true;
  } else if (EndsWith(family, ItalicSuffix)) {
    family.resize(family.size() - ItalicSuffix.size());
    italic = true;
  }
  QFont font(AnsiToQString(family));
  font.setPixelSize(height > 0 ? height : 1);
  font.setBold(bold);
  font.setItalic(italic);
  font.setStyleStrategy(QFont::PreferMatch);
  return font;
}

void DrawSheet(QPainter& painter, const std::vector<TSheetOp>& ops) {
  for (const TSheetOp& op : ops) {
    switch (op.Kind) {
      case TSheetOpKind::Text: {
        const QFont font = SheetFont(op.Face, op.Size);
        painter.setFont(font);
        painter.setPen(Qt::black);
        // The operation gives the top-left corner of the text; QPainter wants the baseline.
        const QFontMetrics metrics(font, painter.device());
        painter.drawText(op.X1, op.Y1 + metrics.ascent(), AnsiToQString(op.Text));
        break;
      }
      case TSheetOpKind::Line:
        painter.setPen(QPen(Qt::black, op.Size, Qt::SolidLine, Qt::SquareCap));
        painter.drawLine(op.X1, op.Y1, op.X2, op.Y2);
        break;
      case TSheetOpKind::Rectangle:
        painter.setPen(QPen(Qt::black, op.Size, Qt::SolidLine, Qt::SquareCap, Qt::MiterJoin));
        painter.setBrush(Qt::white);
        painter.drawRect(op.X1, op.Y1, op.X2 - op.X1, op.Y2 - op.Y1);
        painter.setBrush(Qt::NoBrush);
        break;
    }
  }
}
