#include "sheet/SheetPdf.h"

#include "sheet/QtAnsi.h"
#include "sheet/SheetCanvas.h"

#include <QBuffer>
#include <QPageLayout>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>

QByteArray SheetPdfBytes(const std::vector<TSheetOp>& ops, int dpi) {
  QBuffer buffer;
  buffer.open(QIODevice::WriteOnly);
  {
    QPdfWriter writer(&buffer);
    writer.setResolution(dpi);
    // The page's corner is the origin a printer's printable area would give the sheet.
    writer.setPageLayout(QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Portrait,
                                     QMarginsF(0, 0, 0, 0)));
    writer.setTitle(AnsiToQString(SheetDocumentName));
    QPainter painter;
    if (!painter.begin(&writer)) return {};
    DrawSheet(painter, ops);
    if (!painter.end()) return {};
  }
  return buffer.data();
}
