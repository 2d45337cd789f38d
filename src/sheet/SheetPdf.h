// The order sheet as a one-page PDF document, drawn with the same canvas code as the printed
// sheet. Qt Gui only; the caller provides the application object that fonts need.
#pragma once

#include "app/OrderSheet.h"

#include <QByteArray>

#include <vector>

// The resolution at which the program lays out and writes the sheet's PDF page.
inline constexpr int SheetPdfDpi = 600;

// One A4 page without margins, at dpi dots per inch, with ops (laid out for that dpi) drawn
// from its top-left corner and the sheet's document name as its title. Empty when drawing
// fails.
QByteArray SheetPdfBytes(const std::vector<TSheetOp>& ops, int dpi);
