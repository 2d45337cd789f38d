// The order sheet's drawing operations (app/OrderSheet) drawn with QPainter, so a printer
// and a PDF file show exactly the same sheet.
#pragma once

#include "app/OrderSheet.h"

#include <QFont>

#include <vector>

class QPainter;

// The font of a sheet face name: the family, bold for " tučné" and italic for " kurzíva",
// with the character height in device pixels.
QFont SheetFont(const AnsiString& face, int height);

// Draws the operations in device pixels on painter (black on the device's white page).
void DrawSheet(QPainter& painter, const std::vector<TSheetOp>& ops);
