#include "ui/JpegImage.h"

#include <QFile>

#include <csetjmp>
#include <cstdio>
#include <jpeglib.h>

namespace {

// libjpeg reports a fatal error by calling error_exit, which must not return; it jumps back
// to the decoder instead of ending the program.
struct TJpegError {
  jpeg_error_mgr Manager;
  std::jmp_buf Jump;
};

[[noreturn]] void JumpOnError(j_common_ptr cinfo) {
  std::longjmp(reinterpret_cast<TJpegError*>(cinfo->err)->Jump, 1);
}

// Warnings (such as a missing end marker) are not shown on the console.
void IgnoreMessage(j_common_ptr) {}

struct TDecodeState {
  jpeg_decompress_struct Info;
  TJpegError Error;
  const QByteArray* Data;
  QImage Image;
};

// Holds no object of its own with a destructor, so a jump from libjpeg back to the setjmp
// below skips nothing; everything it builds lives in state.
bool DecodeInto(TDecodeState* state) {
  jpeg_decompress_struct* info = &state->Info;
  if (setjmp(state->Error.Jump) != 0) return false;
  jpeg_mem_src(info, reinterpret_cast<const unsigned char*>(state->Data->constData()),
               static_cast<unsigned long>(state->Data->size()));
  if (jpeg_read_header(info, TRUE) != JPEG_HEADER_OK) return false;
  info->out_color_space = JCS_RGB;
  jpeg_start_decompress(info);
  if (info->output_components != 3) return false;
  state->Image = QImage(static_cast<int>(info->output_width), static_cast<int>(info->output_height),
                        QImage::Format_RGB888);
  if (state->Image.isNull()) return false;
  while (info->output_scanline < info->output_height) {
    JSAMPROW row = state->Image.scanLine(static_cast<int>(info->output_scanline));
    jpeg_read_scanlines(info, &row, 1);
  }
  jpeg_finish_decompress(info);
  return true;
}

}  // namespace

QImage DecodeJpeg(const QByteArray& data) {
  if (data.isEmpty()) return {};
  TDecodeState state{};
  state.Data = &data;
  state.Info.err = jpeg_std_error(&state.Error.Manager);
  state.Error.Manager.error_exit = JumpOnError;
  state.Error.Manager.output_message = IgnoreMessage;
  jpeg_create_decompress(&state.Info);
  const bool ok = DecodeInto(&state);
  jpeg_destroy_decompress(&state.Info);
  return ok ? state.Image : QImage();
}

QByteArray AboutPictureData() {
  // The resource is compiled into a static library, so it is registered explicitly.
  Q_INIT_RESOURCE(earmark);
  QFile file(QStringLiteral(":/about.jpg"));
  if (!file.open(QIODevice::ReadOnly)) return {};
  return file.readAll();
}
