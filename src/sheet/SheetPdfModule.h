// The PDF drawing of the sheet as a module of its own, loaded only by the runs that write a
// PDF, so that earmark-cli itself loads no Qt library.
#pragma once

#include "app/OrderSheet.h"

#include <string>
#include <vector>

// The module's file name, and its one entry: fills pdf with the one-page PDF document of ops
// at dpi dots per inch (see SheetPdfBytes); false when drawing fails.
inline constexpr char SheetPdfModuleFile[] = "earmark-pdf.so";
inline constexpr char SheetPdfModuleEntry[] = "EarmarkSheetPdf";
using TSheetPdfEntry = bool (*)(const std::vector<TSheetOp>& ops, int dpi, std::string& pdf);
