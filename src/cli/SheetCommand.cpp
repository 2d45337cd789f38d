// earmark-cli sheet FILE (--pdf OUT.pdf | --ops) [--dpi N]: the printed sheet of the order in
// FILE, drawn as a PDF page with the program's own canvas code, or listed as the drawing
// operations in device pixels, so scripts can check what would be printed.
#include "cli/CliCommands.h"

#include "app/OrderOpener.h"
#include "app/OrderSheet.h"
#include "platform/Ansi1250.h"
#include "platform/Exceptions.h"
#include "platform/Module.h"
#include "platform/ReplaceFile.h"
#include "platform/Utf16.h"
#include "sheet/SheetPdfModule.h"

#include <nlohmann/json.hpp>

#include <cstdio>
#include <string>
#include <vector>

namespace {

std::string Utf8Of(const AnsiString& text) { return WideToUtf8(AnsiToWide(text)); }

void PrintOps(const std::vector<TSheetOp>& ops) {
  for (const TSheetOp& op : ops) {
    nlohmann::ordered_json json;
    switch (op.Kind) {
      case TSheetOpKind::Text:
        json = {{"op", "text"}, {"face", Utf8Of(op.Face)}, {"text", Utf8Of(op.Text)},
                {"x", op.X1}, {"y", op.Y1}, {"height", op.Size}};
        break;
      case TSheetOpKind::Line:
        json = {{"op", "line"}, {"x1", op.X1}, {"y1", op.Y1}, {"x2", op.X2}, {"y2", op.Y2}, {"width", op.Size}};
        break;
      case TSheetOpKind::Rectangle:
        json = {{"op", "rectangle"}, {"x1", op.X1}, {"y1", op.Y1}, {"x2", op.X2}, {"y2", op.Y2}, {"width", op.Size}};
        break;
    }
    std::printf("%s\n", json.dump().c_str());
  }
}

// The PDF page of the sheet, drawn by the PDF module into pdf. False with the reason in
// error when the module cannot be loaded or drawing fails.
bool DrawPdf(const std::vector<TSheetOp>& ops, int dpi, std::string& pdf, std::string& error) {
  const std::string folder = ExecutableFolder();
  TModule module;
  std::string reasons;
  for (const std::string& candidate : {folder + "/" + SheetPdfModuleFile,
                                       folder + "/" EARMARK_PDF_MODULE_DIR "/" + SheetPdfModuleFile}) {
    if (module.Load(candidate)) break;
    reasons += (reasons.empty() ? "" : "; ") + module.Error();
  }
  const auto entry = reinterpret_cast<TSheetPdfEntry>(module.Symbol(SheetPdfModuleEntry));
  if (entry == nullptr) {
    error = "cannot load the PDF drawing module (" + reasons + ")";
    return false;
  }
  if (!entry(ops, dpi, pdf)) {
    error = "cannot draw the sheet";
    return false;
  }
  return true;
}

int RunSheet(const std::vector<std::string>& args) {
  std::string file, pdf;
  bool ops = false;
  int dpi = 600;
  for (std::size_t i = 0; i < args.size(); ++i) {
    if (args[i] == "--pdf" && i + 1 < args.size() && pdf.empty()) {
      pdf = args[++i];
    } else if (args[i] == "--ops" && !ops) {
      ops = true;
    } else if (args[i] == "--dpi" && i + 1 < args.size()) {
      try {
        std::size_t used = 0;
        dpi = std::stoi(args[++i], &used);
        if (used != args[i].size() || dpi < 1 || dpi > 10000) throw std::out_of_range("dpi");
      } catch (const std::logic_error&) {
        std::fprintf(stderr, "earmark-cli sheet: --dpi wants a number from 1 to 10000\n");
        return kExitUsage;
      }
    } else if (file.empty() && !args[i].empty() && args[i][0] != '-') {
      file = args[i];
    } else {
      std::fprintf(stderr, "earmark-cli sheet: unexpected argument \"%s\"\n", args[i].c_str());
      return kExitUsage;
    }
  }
  if (file.empty() || ops == !pdf.empty()) {
    std::fprintf(stderr, "usage: earmark-cli sheet FILE (--pdf OUT.pdf | --ops) [--dpi N]\n");
    return kExitUsage;
  }
  EarTagOrder order;
  std::string detail;
  TOrderOpener opener;
  if (const TOpenOrderResult result = opener.Open(file, order, detail); result != TOpenOrderResult::Opened) {
    std::string message = OpenOrderMessage(result);
    if (!detail.empty()) message += " (" + detail + ")";
    std::fprintf(stderr, "earmark-cli sheet: %s\n", message.c_str());
    return kExitFailure;
  }
  std::vector<TSheetOp> sheet;
  try {
    sheet = LayoutSheet(SheetContentOf(order), dpi, dpi);
  } catch (const Exception& e) {
    std::fprintf(stderr, "earmark-cli sheet: %s\n", e.what());
    return kExitFailure;
  }
  if (ops) {
    PrintOps(sheet);
    return kExitOk;
  }
  std::string bytes, error;
  if (!DrawPdf(sheet, dpi, bytes, error)) {
    std::fprintf(stderr, "earmark-cli sheet: %s for \"%s\"\n", error.c_str(), pdf.c_str());
    return kExitFailure;
  }
  // Written like every other file, so a folder, a device or a file that cannot be replaced is
  // reported and left as it was.
  try {
    ReplaceFileContents(pdf, bytes);
  } catch (const Exception& e) {
    std::fprintf(stderr, "earmark-cli sheet: %s\n", e.what());
    return kExitFailure;
  }
  return kExitOk;
}

const TCliCommandRegistration kRegistration({"sheet", "FILE (--pdf OUT.pdf | --ops) [--dpi N]",
                                             "The printed sheet of the order in FILE as PDF or drawing operations.",
                                             &RunSheet});

}  // namespace
