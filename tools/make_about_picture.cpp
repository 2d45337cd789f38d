// Draws the About box picture: a yellow ear tag with a country code and number in front of a
// meadow, 150 x 130 pixels, written as a baseline JFIF 1.01 JPEG at 72 dots per inch with
// three colour components. Its output is committed (src/ui/resources/about.jpg); rebuild with
//   c++ -std=c++20 -O2 tools/make_about_picture.cpp -ljpeg -o /tmp/make_about_picture
//   /tmp/make_about_picture src/ui/resources/about.jpg
#include <cmath>
#include <cstdio>
#include <jpeglib.h>

#include <array>
#include <string>
#include <vector>

namespace {

constexpr int Width = 150, Height = 130, Samples = 4;

struct Rgb {
  double R, G, B;
};

Rgb Mix(Rgb a, Rgb b, double t) { return {a.R + (b.R - a.R) * t, a.G + (b.G - a.G) * t, a.B + (b.B - a.B) * t}; }

// 5 x 7 glyphs, one string of five characters per row, "#" for ink.
const std::array<const char*, 7>* Glyph(char c) {
  static const std::array<const char*, 7> S{" ####", "#    ", "#    ", " ### ", "    #", "    #", "#### "};
  static const std::array<const char*, 7> K{"#   #", "#  # ", "# #  ", "##   ", "# #  ", "#  # ", "#   #"};
  static const std::array<const char*, 7> D0{" ### ", "#   #", "#  ##", "# # #", "##  #", "#   #", " ### "};
  static const std::array<const char*, 7> D1{"  #  ", " ##  ", "  #  ", "  #  ", "  #  ", "  #  ", " ### "};
  static const std::array<const char*, 7> D2{" ### ", "#   #", "    #", "   # ", "  #  ", " #   ", "#####"};
  static const std::array<const char*, 7> D3{"#### ", "    #", "    #", " ### ", "    #", "    #", "#### "};
  static const std::array<const char*, 7> D4{"   # ", "  ## ", " # # ", "#  # ", "#####", "   # ", "   # "};
  switch (c) {
    case 'S': return &S;
    case 'K': return &K;
    case '0': return &D0;
    case '1': return &D1;
    case '2': return &D2;
    case '3': return &D3;
    case '4': return &D4;
    default: return nullptr;
  }
}

// Whether (x, y) falls on ink of text whose top-left is (left, top), glyphs scaled by scale.
bool OnText(const std::string& text, double left, double top, double scale, double x, double y) {
  const double advance = 6 * scale;
  if (y < top || y >= top + 7 * scale || x < left) return false;
  const int index = static_cast<int>((x - left) / advance);
  if (index >= static_cast<int>(text.size())) return false;
  const auto* glyph = Glyph(text[static_cast<std::size_t>(index)]);
  if (!glyph) return false;
  const int col = static_cast<int>((x - left - index * advance) / scale);
  const int row = static_cast<int>((y - top) / scale);
  return col < 5 && (*glyph)[static_cast<std::size_t>(row)][col] == '#';
}

double Dist(double x, double y, double cx, double cy) { return std::hypot(x - cx, y - cy); }

// Signed distance to a rounded rectangle (negative inside).
double RoundRect(double x, double y, double x0, double y0, double x1, double y1, double r) {
  const double cx = (x0 + x1) / 2, cy = (y0 + y1) / 2;
  const double hx = (x1 - x0) / 2 - r, hy = (y1 - y0) / 2 - r;
  const double qx = std::fabs(x - cx) - hx, qy = std::fabs(y - cy) - hy;
  return std::hypot(std::fmax(qx, 0.0), std::fmax(qy, 0.0)) + std::fmin(std::fmax(qx, qy), 0.0) - r;
}

Rgb Scene(double x, double y) {
  const Rgb sky{118, 176, 228}, haze{214, 233, 247}, grass{86, 158, 58}, darkGrass{58, 120, 40};
  Rgb c = y < 92 ? Mix(sky, haze, y / 92) : Mix(grass, darkGrass, (y - 92) / 38);
  if (y >= 92 && std::fmod(x * 0.7 + y * 1.3, 9.0) < 1.2) c = Mix(c, darkGrass, 0.6);
  // A hill on the horizon and the sun.
  if (y > 80 && y < 92 && Dist(x, y, 20, 118) < 40) c = Mix(c, grass, 0.8);
  if (Dist(x, y, 128, 20) < 11) c = {252, 226, 120};

  // The tag: a round head with the stud hole joined by a neck to a rounded body.
  const double body = RoundRect(x, y, 38, 40, 112, 116, 13);
  const double neck = RoundRect(x, y, 62, 18, 88, 46, 6);
  const double head = Dist(x, y, 75, 20) - 15;
  const double tag = std::fmin(body, std::fmin(neck, head));
  const double hole = Dist(x, y, 75, 20) - 5;
  if (tag < 0 && hole > 0) {
    const Rgb yellow{247, 201, 36}, edge{176, 124, 10};
    c = tag > -2.2 || (hole < 1.8) ? edge : Mix(yellow, Rgb{255, 230, 110}, std::fmax(0.0, (60 - y) / 60));
    if (OnText("SK", 54, 50, 3.5, x, y) || OnText("1234", 49, 80, 2.2, x, y) ||
        OnText("0024", 49, 98, 2.2, x, y))
      c = {24, 24, 24};
  } else if (hole <= 0) {
    c = Mix(c, Rgb{40, 60, 30}, 0.5);
  }
  return c;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: %s OUTPUT.jpg\n", argv[0]);
    return 2;
  }
  std::vector<unsigned char> pixels(static_cast<std::size_t>(Width * Height * 3));
  for (int y = 0; y < Height; ++y)
    for (int x = 0; x < Width; ++x) {
      Rgb sum{0, 0, 0};
      for (int sy = 0; sy < Samples; ++sy)
        for (int sx = 0; sx < Samples; ++sx) {
          Rgb s = Scene(x + (sx + 0.5) / Samples, y + (sy + 0.5) / Samples);
          sum = {sum.R + s.R, sum.G + s.G, sum.B + s.B};
        }
      unsigned char* p = &pixels[static_cast<std::size_t>((y * Width + x) * 3)];
      p[0] = static_cast<unsigned char>(std::lround(sum.R / (Samples * Samples)));
      p[1] = static_cast<unsigned char>(std::lround(sum.G / (Samples * Samples)));
      p[2] = static_cast<unsigned char>(std::lround(sum.B / (Samples * Samples)));
    }

  std::FILE* out = std::fopen(argv[1], "wb");
  if (!out) {
    std::perror(argv[1]);
    return 1;
  }
  jpeg_compress_struct cinfo;
  jpeg_error_mgr jerr;
  cinfo.err = jpeg_std_error(&jerr);
  jpeg_create_compress(&cinfo);
  jpeg_stdio_dest(&cinfo, out);
  cinfo.image_width = Width;
  cinfo.image_height = Height;
  cinfo.input_components = 3;
  cinfo.in_color_space = JCS_RGB;
  jpeg_set_defaults(&cinfo);
  jpeg_set_quality(&cinfo, 88, TRUE);  // baseline tables
  cinfo.write_JFIF_header = TRUE;
  cinfo.JFIF_major_version = 1;
  cinfo.JFIF_minor_version = 1;
  cinfo.density_unit = 1;  // dots per inch
  cinfo.X_density = 72;
  cinfo.Y_density = 72;
  jpeg_start_compress(&cinfo, TRUE);
  while (cinfo.next_scanline < cinfo.image_height) {
    JSAMPROW row = &pixels[static_cast<std::size_t>(cinfo.next_scanline) * Width * 3];
    jpeg_write_scanlines(&cinfo, &row, 1);
  }
  jpeg_finish_compress(&cinfo);
  jpeg_destroy_compress(&cinfo);
  return std::fclose(out) == 0 ? 0 : 1;
}
