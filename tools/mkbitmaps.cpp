// Draws the setup's pictures and writes them as Windows bitmap and icon
// files: side.bmp (113), menu.bmp (118), proptab.bmp (119) and setup.ico
// (101). Plain C++, no Windows headers; the output is byte-for-byte
// reproducible and is committed under res/.
//
// Regenerate:
//   g++ -O2 -Wall -Wextra -o /tmp/mkbitmaps tools/mkbitmaps.cpp && /tmp/mkbitmaps res/
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

struct Rgb {
  uint8_t r, g, b;
};

// The standard 16 VGA colours in Windows palette order.
enum Vga : uint8_t {
  kBlack,
  kMaroon,
  kGreen,
  kOlive,
  kNavy,
  kPurple,
  kTeal,
  kSilver,
  kGrey,
  kRed,
  kLime,
  kYellow,
  kBlue,
  kFuchsia,
  kAqua,
  kWhite
};
const uint8_t kNone = 0xFF;  // no outline

const Rgb kVgaPalette[16] = {{0, 0, 0},       {128, 0, 0},   {0, 128, 0},   {128, 128, 0},
                             {0, 0, 128},     {128, 0, 128}, {0, 128, 128}, {192, 192, 192},
                             {128, 128, 128}, {255, 0, 0},   {0, 255, 0},   {255, 255, 0},
                             {0, 0, 255},     {255, 0, 255}, {0, 255, 255}, {255, 255, 255}};

// An indexed picture, top row first.
struct Canvas {
  int width, height;
  std::vector<uint8_t> pixels;
  Canvas(int w, int h, uint8_t fill) : width(w), height(h), pixels(size_t(w) * h, fill) {}
  bool Inside(int x, int y) const { return x >= 0 && y >= 0 && x < width && y < height; }
  void Set(int x, int y, uint8_t c) {
    if (Inside(x, y)) pixels[size_t(y) * width + x] = c;
  }
  uint8_t Get(int x, int y) const { return pixels[size_t(y) * width + x]; }
  void Fill(int x0, int y0, int x1, int y1, uint8_t c) {  // inclusive corners
    for (int y = y0; y <= y1; ++y)
      for (int x = x0; x <= x1; ++x) Set(x, y, c);
  }
  void HLine(int x0, int x1, int y, uint8_t c) { Fill(x0, y, x1, y, c); }
  void VLine(int x, int y0, int y1, uint8_t c) { Fill(x, y0, x, y1, c); }
  // A 3-D edge: light on top and left, dark on bottom and right.
  void Edge(int x0, int y0, int x1, int y1, uint8_t light, uint8_t dark) {
    HLine(x0, x1, y0, light);
    VLine(x0, y0, y1, light);
    HLine(x0, x1, y1, dark);
    VLine(x1, y0, y1, dark);
  }
};

// ---------------------------------------------------------------------------
// Shapes: a polygon covers a pixel when the pixel's centre is inside it.

struct Point {
  double x, y;
};
typedef std::vector<Point> Polygon;

bool Covers(const Polygon& poly, double px, double py) {
  bool in = false;
  for (size_t i = 0, j = poly.size() - 1; i < poly.size(); j = i++) {
    const Point& a = poly[i];
    const Point& b = poly[j];
    if ((a.y > py) != (b.y > py) && px < (b.x - a.x) * (py - a.y) / (b.y - a.y) + a.x) in = !in;
  }
  return in;
}

// Which pixels of a w x h picture a polygon covers.
std::vector<bool> Mask(const Polygon& poly, int w, int h) {
  std::vector<bool> mask(size_t(w) * h);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) mask[size_t(y) * w + x] = Covers(poly, x + 0.5, y + 0.5);
  return mask;
}

// The pixels next to a mask (8-neighbourhood), for a one-pixel outline.
std::vector<bool> Rim(const std::vector<bool>& mask, int w, int h) {
  std::vector<bool> rim(mask.size());
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      if (mask[size_t(y) * w + x]) continue;
      for (int dy = -1; dy <= 1; ++dy)
        for (int dx = -1; dx <= 1; ++dx) {
          int nx = x + dx, ny = y + dy;
          if (nx >= 0 && ny >= 0 && nx < w && ny < h && mask[size_t(ny) * w + nx]) rim[size_t(y) * w + x] = true;
        }
    }
  return rim;
}

// An arrow from tail to tip: a shaft of half-width `shaft` and a head of
// half-width `head` and length `head_len`.
Polygon Arrow(Point tail, Point tip, double shaft, double head, double head_len) {
  double dx = tip.x - tail.x, dy = tip.y - tail.y;
  double len = std::sqrt(dx * dx + dy * dy);
  dx /= len;
  dy /= len;
  double nx = -dy, ny = dx;
  Point neck = {tip.x - dx * head_len, tip.y - dy * head_len};
  return {{tail.x + nx * shaft, tail.y + ny * shaft}, {neck.x + nx * shaft, neck.y + ny * shaft},
          {neck.x + nx * head, neck.y + ny * head},   tip,
          {neck.x - nx * head, neck.y - ny * head},   {neck.x - nx * shaft, neck.y - ny * shaft},
          {tail.x - nx * shaft, tail.y - ny * shaft}};
}

// Paints a shape with a fill colour and a one-pixel outline.
void PaintShape(Canvas& c, const Polygon& poly, uint8_t fill, uint8_t outline) {
  std::vector<bool> mask = Mask(poly, c.width, c.height);
  std::vector<bool> rim = Rim(mask, c.width, c.height);
  for (int y = 0; y < c.height; ++y)
    for (int x = 0; x < c.width; ++x) {
      size_t i = size_t(y) * c.width + x;
      if (mask[i]) c.pixels[i] = fill;
      if (rim[i]) c.pixels[i] = outline;
    }
}

// ---------------------------------------------------------------------------
// A small bitmap font: 5 columns, 7 rows above the base line and 2 below.

struct Glyph {
  char ch;
  const char* rows[9];
};

const Glyph kFont[] = {
    {'A', {".###.", "#...#", "#...#", "#####", "#...#", "#...#", "#...#", ".....", "....."}},
    {'C', {".###.", "#...#", "#....", "#....", "#....", "#...#", ".###.", ".....", "....."}},
    {'D', {"####.", "#...#", "#...#", "#...#", "#...#", "#...#", "####.", ".....", "....."}},
    {'G', {".###.", "#...#", "#....", "#.###", "#...#", "#...#", ".###.", ".....", "....."}},
    {'L', {"#....", "#....", "#....", "#....", "#....", "#....", "#####", ".....", "....."}},
    {'O', {".###.", "#...#", "#...#", "#...#", "#...#", "#...#", ".###.", ".....", "....."}},
    {'P', {"####.", "#...#", "#...#", "####.", "#....", "#....", "#....", ".....", "....."}},
    {'R', {"####.", "#...#", "#...#", "####.", "#.#..", "#..#.", "#...#", ".....", "....."}},
    {'S', {".####", "#....", "#....", ".###.", "....#", "....#", "####.", ".....", "....."}},
    {'T', {"#####", "..#..", "..#..", "..#..", "..#..", "..#..", "..#..", ".....", "....."}},
    {'V', {"#...#", "#...#", "#...#", "#...#", "#...#", ".#.#.", "..#..", ".....", "....."}},
    {'a', {".....", ".....", ".###.", "....#", ".####", "#...#", ".####", ".....", "....."}},
    {'c', {".....", ".....", ".###.", "#....", "#....", "#....", ".###.", ".....", "....."}},
    {'d', {"....#", "....#", ".####", "#...#", "#...#", "#...#", ".####", ".....", "....."}},
    {'e', {".....", ".....", ".###.", "#...#", "#####", "#....", ".###.", ".....", "....."}},
    {'f', {"..##.", ".#..#", ".#...", "###..", ".#...", ".#...", ".#...", ".....", "....."}},
    {'g', {".....", ".....", ".####", "#...#", "#...#", "#...#", ".####", "....#", ".###."}},
    {'i', {"..#..", ".....", ".##..", "..#..", "..#..", "..#..", ".###.", ".....", "....."}},
    {'l', {".##..", "..#..", "..#..", "..#..", "..#..", "..#..", ".###.", ".....", "....."}},
    {'m', {".....", ".....", "##.#.", "#.#.#", "#.#.#", "#.#.#", "#.#.#", ".....", "....."}},
    {'n', {".....", ".....", "#.##.", "##..#", "#...#", "#...#", "#...#", ".....", "....."}},
    {'o', {".....", ".....", ".###.", "#...#", "#...#", "#...#", ".###.", ".....", "....."}},
    {'p', {".....", ".....", "####.", "#...#", "#...#", "#...#", "####.", "#....", "#...."}},
    {'r', {".....", ".....", "#.##.", "##..#", "#....", "#....", "#....", ".....", "....."}},
    {'s', {".....", ".....", ".####", "#....", ".###.", "....#", "####.", ".....", "....."}},
    {'t', {".#...", ".#...", "###..", ".#...", ".#...", ".#..#", "..##.", ".....", "....."}},
    {'u', {".....", ".....", "#...#", "#...#", "#...#", "#..##", ".##.#", ".....", "....."}},
    {'x', {".....", ".....", "#...#", ".#.#.", "..#..", ".#.#.", "#...#", ".....", "....."}},
    {'y', {".....", ".....", "#...#", "#...#", "#...#", "#...#", ".####", "....#", ".###."}},
    {'.', {".....", ".....", ".....", ".....", ".....", ".....", "#....", ".....", "....."}},
    {':', {".....", ".....", ".....", "#....", ".....", ".....", "#....", ".....", "....."}},
    {'?', {".###.", "#...#", "....#", "..##.", "..#..", ".....", "..#..", ".....", "....."}},
    {'\\', {"#....", "#....", ".#...", "..#..", "...#.", "....#", "....#", ".....", "....."}},
};

const Glyph& FindGlyph(char ch) {
  for (const Glyph& g : kFont)
    if (g.ch == ch) return g;
  std::fprintf(stderr, "mkbitmaps: no glyph for '%c'\n", ch);
  std::exit(1);
}

// Columns [first, last] that a glyph uses, for proportional spacing.
void GlyphSpan(const Glyph& g, int* first, int* last) {
  *first = 5;
  *last = -1;
  for (const char* row : g.rows)
    for (int x = 0; x < 5; ++x)
      if (row[x] == '#') {
        if (x < *first) *first = x;
        if (x > *last) *last = x;
      }
}

// Draws text with its cap line at y; bold doubles each stroke. Returns the
// width drawn.
int DrawText(Canvas& c, int x, int y, const std::string& text, uint8_t colour, bool bold = false) {
  int start = x;
  for (char ch : text) {
    if (ch == ' ') {
      x += 3;
      continue;
    }
    const Glyph& g = FindGlyph(ch);
    int first, last;
    GlyphSpan(g, &first, &last);
    for (int row = 0; row < 9; ++row)
      for (int col = first; col <= last; ++col)
        if (g.rows[row][col] == '#') {
          c.Set(x + col - first, y + row, colour);
          if (bold) c.Set(x + col - first + 1, y + row, colour);
        }
    x += last - first + 2 + (bold ? 1 : 0);
  }
  return x - start - 1;
}

int TextWidth(const std::string& text, bool bold = false) {
  Canvas scratch(400, 10, 0);
  return DrawText(scratch, 0, 0, text, 1, bold);
}

// A document with a folded corner, its outline inside (x, y, w, h).
void DrawDocument(Canvas& c, int x, int y, int w, int h) {
  const double fold = w / 3;
  const double l = x + 1, t = y + 1, r = x + w - 1, b = y + h - 1;
  PaintShape(c, {{l, t}, {r - fold, t}, {r, t + fold}, {r, b}, {l, b}}, kWhite, kBlack);
  PaintShape(c, {{r - fold, t}, {r - fold, t + fold}, {r, t + fold}}, kSilver, kBlack);
  for (int line = 0; y + fold + 5 + line * 3 < y + h - 3; ++line)  // lines of text
    c.HLine(x + 3, x + w - 4 - (line % 2) * 3, int(y + fold + 5 + line * 3), kGrey);
}

}  // namespace

namespace {

// ---------------------------------------------------------------------------
// File writers. Bitmaps are bottom-up with a 40-byte BITMAPINFOHEADER, no
// compression, a full colour table and biClrUsed 0.

void Put16(std::vector<uint8_t>& out, unsigned v) {
  out.push_back(uint8_t(v));
  out.push_back(uint8_t(v >> 8));
}
void Put32(std::vector<uint8_t>& out, uint32_t v) {
  Put16(out, v & 0xFFFF);
  Put16(out, v >> 16);
}

size_t RowBytes(int width, int bits) { return ((size_t(width) * bits + 31) / 32) * 4; }

// BITMAPINFOHEADER, colour table and pixel rows. `rows_height` is the
// height stored in the header (icons store twice the image height).
void PutDib(std::vector<uint8_t>& out, const Canvas& c, int bits, const std::vector<Rgb>& palette, int header_height,
            uint32_t image_size) {
  Put32(out, 40);
  Put32(out, uint32_t(c.width));
  Put32(out, uint32_t(header_height));
  Put16(out, 1);
  Put16(out, unsigned(bits));
  Put32(out, 0);  // BI_RGB
  Put32(out, image_size);
  Put32(out, 0);
  Put32(out, 0);
  Put32(out, 0);  // biClrUsed: the full table for the bit count
  Put32(out, 0);
  for (const Rgb& rgb : palette) {  // RGBQUAD is blue, green, red, 0
    out.push_back(rgb.b);
    out.push_back(rgb.g);
    out.push_back(rgb.r);
    out.push_back(0);
  }
  const size_t stride = RowBytes(c.width, bits);
  for (int y = c.height - 1; y >= 0; --y) {
    std::vector<uint8_t> row(stride);
    for (int x = 0; x < c.width; ++x) {
      uint8_t v = c.Get(x, y);
      if (bits == 8)
        row[x] = v;
      else
        row[x / 2] |= uint8_t(x % 2 ? v & 0x0F : v << 4);
    }
    out.insert(out.end(), row.begin(), row.end());
  }
}

void WriteFile(const std::string& path, const std::vector<uint8_t>& data) {
  FILE* f = std::fopen(path.c_str(), "wb");
  if (!f || std::fwrite(data.data(), 1, data.size(), f) != data.size() || std::fclose(f) != 0) {
    std::fprintf(stderr, "mkbitmaps: cannot write %s\n", path.c_str());
    std::exit(1);
  }
}

void WriteBitmap(const std::string& path, const Canvas& c, int bits, const std::vector<Rgb>& palette) {
  const uint32_t image_size = uint32_t(RowBytes(c.width, bits) * c.height);
  const uint32_t offset = 14 + 40 + uint32_t(palette.size()) * 4;
  std::vector<uint8_t> out;
  out.push_back('B');
  out.push_back('M');
  Put32(out, offset + image_size);
  Put32(out, 0);
  Put32(out, offset);
  PutDib(out, c, bits, palette, c.height, image_size);
  WriteFile(path, out);
}

// An icon image: 16 colours plus a transparency mask (true = transparent).
struct IconImage {
  Canvas colour;
  std::vector<bool> transparent;
};

void WriteIcon(const std::string& path, const std::vector<IconImage>& images) {
  const std::vector<Rgb> palette(kVgaPalette, kVgaPalette + 16);
  std::vector<std::vector<uint8_t>> dibs;
  for (const IconImage& image : images) {
    const Canvas& c = image.colour;
    Canvas xor_bits = c;  // transparent pixels are black in the colour bits
    for (size_t i = 0; i < xor_bits.pixels.size(); ++i)
      if (image.transparent[i]) xor_bits.pixels[i] = kBlack;
    const size_t and_stride = RowBytes(c.width, 1);
    const uint32_t size = uint32_t(RowBytes(c.width, 4) * c.height + and_stride * c.height);
    std::vector<uint8_t> dib;
    PutDib(dib, xor_bits, 4, palette, c.height * 2, size);
    for (int y = c.height - 1; y >= 0; --y) {
      std::vector<uint8_t> row(and_stride);
      for (int x = 0; x < c.width; ++x)
        if (image.transparent[size_t(y) * c.width + x]) row[x / 8] |= uint8_t(0x80 >> (x % 8));
      dib.insert(dib.end(), row.begin(), row.end());
    }
    dibs.push_back(dib);
  }
  std::vector<uint8_t> out;
  Put16(out, 0);
  Put16(out, 1);  // icon
  Put16(out, unsigned(images.size()));
  uint32_t offset = 6 + 16 * uint32_t(images.size());
  for (size_t i = 0; i < images.size(); ++i) {
    out.push_back(uint8_t(images[i].colour.width));
    out.push_back(uint8_t(images[i].colour.height));
    out.push_back(16);  // colours
    out.push_back(0);
    Put16(out, 1);  // planes
    Put16(out, 4);  // bits per pixel
    Put32(out, uint32_t(dibs[i].size()));
    Put32(out, offset);
    offset += uint32_t(dibs[i].size());
  }
  for (const std::vector<uint8_t>& dib : dibs) out.insert(out.end(), dib.begin(), dib.end());
  WriteFile(path, out);
}

// ---------------------------------------------------------------------------
// Bitmap 113, the side picture: four shaded quadrants, red, green, yellow
// and blue, crossed by a ring of white arrows. 8 bits per pixel: each hue has
// a ramp of shades so the quadrants can be lit and the arrows can cast
// shadows.

const int kRampSize = 48;
const uint8_t kSideBlack = 0, kSideWhite = 1, kSideDark = 2;
const int kRampBase = 16;  // ramps at 16, 64, 112, 160

std::vector<Rgb> SidePalette() {
  std::vector<Rgb> pal(256, Rgb{0, 0, 0});
  pal[kSideWhite] = {255, 255, 255};
  pal[kSideDark] = {40, 40, 40};
  for (int i = 3; i < 16; ++i) pal[i] = {uint8_t(i * 16), uint8_t(i * 16), uint8_t(i * 16)};
  const Rgb hues[4] = {{255, 40, 32}, {40, 200, 48}, {255, 224, 32}, {40, 88, 255}};
  for (int h = 0; h < 4; ++h)
    for (int k = 0; k < kRampSize; ++k) {
      // From deep shadow to a slightly whitened highlight.
      double t = double(k) / (kRampSize - 1);
      double lum = 0.30 + 0.70 * std::min(1.0, t / 0.85);
      double white = t > 0.85 ? (t - 0.85) / 0.15 * 0.45 : 0.0;
      auto mix = [&](uint8_t v) { return uint8_t(std::lround((v * lum) * (1 - white) + 255 * white)); };
      pal[size_t(kRampBase + h * kRampSize + k)] = {mix(hues[h].r), mix(hues[h].g), mix(hues[h].b)};
    }
  return pal;
}

Canvas DrawSide() {
  const int w = 96, h = 222, qw = w / 2, qh = h / 2;
  Canvas c(w, h, kSideBlack);
  std::vector<int> level(size_t(w) * h);  // shade per pixel; hue from the quadrant
  std::vector<int> hue(size_t(w) * h);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      int qx = x / qw, qy = y / qh;
      double u = double(x % qw) / (qw - 1), v = double(y % qh) / (qh - 1);
      // Lit from the top left of each tile, with a soft dome and a bevel.
      double dome = 1.0 - 0.55 * std::sqrt((u - 0.35) * (u - 0.35) + (v - 0.3) * (v - 0.3));
      double t = 0.15 + 0.75 * dome - 0.15 * (u + v) / 2;
      int ex = x % qw, ey = y % qh;
      if (ex < 2 || ey < 2) t = 1.0;
      if (ex >= qw - 2 || ey >= qh - 2) t = 0.05;
      size_t i = size_t(y) * w + x;
      hue[i] = qy * 2 + qx;  // red, green / yellow, blue
      level[i] = std::max(0, std::min(kRampSize - 1, int(std::lround(t * (kRampSize - 1)))));
    }
  // The ring of arrows: red -> green -> blue -> yellow -> red.
  const std::vector<Polygon> arrows = {
      Arrow({14, 38}, {84, 38}, 4.5, 10, 12),
      Arrow({70, 56}, {70, 166}, 4.5, 10, 12),
      Arrow({82, 184}, {12, 184}, 4.5, 10, 12),
      Arrow({26, 166}, {26, 56}, 4.5, 10, 12),
  };
  std::vector<bool> fill(size_t(w) * h), shadow(size_t(w) * h);
  for (const Polygon& arrow : arrows) {
    std::vector<bool> m = Mask(arrow, w, h);
    for (size_t i = 0; i < m.size(); ++i) fill[i] = fill[i] || m[i];
  }
  std::vector<bool> rim = Rim(fill, w, h);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      int sx = x - 3, sy = y - 3;
      if (sx >= 0 && sy >= 0) {
        size_t j = size_t(sy) * w + sx;
        shadow[size_t(y) * w + x] = fill[j] || rim[j];
      }
    }
  for (size_t i = 0; i < c.pixels.size(); ++i) {
    int lv = shadow[i] ? level[i] / 3 : level[i];
    c.pixels[i] = uint8_t(kRampBase + hue[i] * kRampSize + lv);
    if (rim[i]) c.pixels[i] = kSideDark;
    if (fill[i]) c.pixels[i] = kSideWhite;
  }
  return c;
}

// ---------------------------------------------------------------------------
// Bitmap 118: a file in a folder window with its shortcut menu open and a red
// arrow at the highlighted "Properties" entry.

Canvas DrawMenu() {
  const int w = 176, h = 185;
  Canvas c(w, h, kWhite);
  c.Edge(0, 0, w - 1, h - 1, kGrey, kSilver);

  DrawDocument(c, 11, 2, 16, 20);
  DrawText(c, 2, 25, "Data.txt", kBlack);
  // The mouse pointer where the right click happened.
  const double px = 21, py = 9;
  PaintShape(c,
             {{px, py},
              {px, py + 11},
              {px + 3, py + 8},
              {px + 5.5, py + 13},
              {px + 7, py + 12.5},
              {px + 5, py + 7.5},
              {px + 8.5, py + 7.5}},
             kWhite, kBlack);

  struct Item {
    const char* text;  // null for a separator
  };
  // Short enough that "Properties" and its arrow stand well above the
  // bottom edge, should a page hide the last rows of the picture.
  const Item items[] = {{"Open"},   {"Print"},  {nullptr}, {"Cut"},       {"Copy"},
                        {"Delete"}, {"Rename"}, {nullptr}, {"Properties"}};
  const int left = 46, right = 138, top = 24, item_h = 15, sep_h = 8;
  int bottom = top + 3 + 2;
  for (const Item& item : items) bottom += item.text ? item_h : sep_h;
  c.Fill(left, top, right, bottom, kSilver);
  c.Edge(left, top, right, bottom, kSilver, kBlack);
  c.Edge(left + 1, top + 1, right - 1, bottom - 1, kWhite, kGrey);
  int y = top + 3;
  bool first = true;
  for (const Item& item : items) {
    if (!item.text) {
      c.HLine(left + 3, right - 3, y + 3, kGrey);
      c.HLine(left + 3, right - 3, y + 4, kWhite);
      y += sep_h;
      continue;
    }
    bool hot = std::strcmp(item.text, "Properties") == 0;
    if (hot) c.Fill(left + 3, y, right - 3, y + item_h - 1, kNavy);
    DrawText(c, left + 14, y + 4, item.text, hot ? kWhite : kBlack, first);  // the default entry is bold
    if (std::strcmp(item.text, "Send To") == 0)                              // submenu mark
      PaintShape(c, {{right - 11.0, y + 4.0}, {right - 11.0, y + 11.0}, {right - 7.5, y + 7.5}}, kBlack, kBlack);
    first = false;
    y += item_h;
  }
  const double target = y - item_h / 2.0;
  PaintShape(c, Arrow({w - 6.0, target - 40}, {right + 3.0, target}, 3.5, 8.5, 12), kRed, kMaroon);
  return c;
}

// ---------------------------------------------------------------------------
// Bitmap 119: the top of a file's Properties dialog, its second tab labelled
// Vandrel, with a red arrow at that tab.

Canvas DrawPropertiesTab() {
  const int w = 178, h = 111;
  Canvas c(w, h, kSilver);
  // Window frame; the dialog goes on below the picture.
  c.HLine(0, w - 1, 0, kSilver);
  c.VLine(0, 0, h - 1, kSilver);
  c.HLine(1, w - 2, 1, kWhite);
  c.VLine(1, 1, h - 1, kWhite);
  c.VLine(w - 1, 0, h - 1, kBlack);
  c.VLine(w - 2, 1, h - 1, kGrey);
  // Caption.
  c.Fill(3, 3, w - 4, 16, kNavy);
  DrawText(c, 6, 6, "Data.txt Properties", kWhite, true);
  for (int b = 0; b < 2; ++b) {  // help and close buttons
    int bx = w - 19 - b * 16;
    c.Fill(bx, 5, bx + 13, 14, kSilver);
    c.Edge(bx, 5, bx + 13, 14, kWhite, kBlack);
    c.Edge(bx + 1, 6, bx + 12, 13, kSilver, kGrey);
    if (b == 0) {
      for (int i = 0; i < 5; ++i) {
        c.Set(bx + 4 + i, 7 + i, kBlack);
        c.Set(bx + 5 + i, 7 + i, kBlack);
        c.Set(bx + 8 - i, 7 + i, kBlack);
        c.Set(bx + 9 - i, 7 + i, kBlack);
      }
    } else {
      DrawText(c, bx + 5, 7, "?", kBlack);
    }
  }
  // Tabs: "General" in front, "Vandrel" behind it.
  const int tab_top = 22, page_top = 37;
  const int g0 = 6, g1 = g0 + TextWidth("General") + 12;
  const int v0 = g1 + 1, v1 = v0 + TextWidth("Vandrel") + 12;
  c.HLine(2, w - 3, page_top, kWhite);  // the page's top edge
  // Back tab.
  c.HLine(v0 + 2, v1 - 2, tab_top + 2, kWhite);
  c.VLine(v0, tab_top + 4, page_top - 1, kWhite);
  c.Set(v0 + 1, tab_top + 3, kWhite);
  c.VLine(v1 - 1, tab_top + 4, page_top - 1, kGrey);
  c.VLine(v1, tab_top + 4, page_top - 1, kBlack);
  c.Set(v1 - 1, tab_top + 3, kBlack);
  DrawText(c, v0 + 6, tab_top + 6, "Vandrel", kBlack);
  // Front tab, taller, open into the page.
  c.Fill(g0, tab_top, g1, page_top, kSilver);
  c.HLine(g0 + 2, g1 - 2, tab_top, kWhite);
  c.VLine(g0, tab_top + 2, page_top, kWhite);
  c.Set(g0 + 1, tab_top + 1, kWhite);
  c.VLine(g1 - 1, tab_top + 2, page_top - 1, kGrey);
  c.VLine(g1, tab_top + 2, page_top - 1, kBlack);
  c.Set(g1 - 1, tab_top + 1, kBlack);
  DrawText(c, g0 + 6, tab_top + 4, "General", kBlack);
  c.HLine(g0 + 1, g1 - 2, page_top, kSilver);
  // Page contents.
  c.VLine(2, page_top, h - 1, kWhite);
  c.VLine(w - 4, page_top, h - 1, kBlack);
  c.VLine(w - 5, page_top + 1, h - 1, kGrey);
  DrawDocument(c, 14, page_top + 9, 16, 20);
  DrawText(c, 46, page_top + 15, "Data.txt", kBlack);
  c.HLine(12, w - 12, page_top + 36, kGrey);
  c.HLine(12, w - 12, page_top + 37, kWhite);
  DrawText(c, 14, page_top + 44, "Type of file:", kBlack);
  DrawText(c, 80, page_top + 44, "Text Document", kBlack);
  DrawText(c, 14, page_top + 58, "Location:", kBlack);
  DrawText(c, 80, page_top + 58, "C:\\Data", kBlack);
  // The arrow comes in from the empty strip right of the tabs.
  PaintShape(c, Arrow({w - 8.0, tab_top + 22.0}, {v1 + 3.0, tab_top + 8.0}, 3.5, 8.5, 12), kRed, kMaroon);
  return c;
}

// ---------------------------------------------------------------------------
// Icon 101: a diskette with an arrow pointing into it, drawn on a 32-unit
// grid and scaled to the image size.

IconImage DrawIcon(int size) {
  const double s = size / 32.0;
  IconImage icon{Canvas(size, size, kBlack), std::vector<bool>(size_t(size) * size, true)};
  Canvas& c = icon.colour;
  auto paint = [&](const Polygon& unit, uint8_t fill, uint8_t outline) {
    Polygon p;
    for (const Point& pt : unit) p.push_back({pt.x * s, pt.y * s});
    std::vector<bool> m = Mask(p, size, size);
    std::vector<bool> rim = outline != kNone ? Rim(m, size, size) : std::vector<bool>(m.size());
    for (size_t i = 0; i < m.size(); ++i) {
      if (m[i]) c.pixels[i] = fill;
      if (rim[i]) c.pixels[i] = outline;
      if (m[i] || rim[i]) icon.transparent[i] = false;
    }
  };
  // Diskette body with a cut corner, shutter and label.
  paint({{3, 9}, {26, 9}, {30, 13}, {30, 31}, {3, 31}}, kNavy, kBlack);
  paint({{9, 9}, {23, 9}, {23, 17}, {9, 17}}, kSilver, kNone);
  paint({{18, 10.5}, {21, 10.5}, {21, 15.5}, {18, 15.5}}, kNavy, kNone);
  paint({{7, 21}, {26, 21}, {26, 31}, {7, 31}}, kWhite, kNone);
  if (size >= 32)
    for (int y = 24; y <= 28; y += 2) c.HLine(int(9 * s), int(24 * s), int(y * s), kGrey);
  // The arrow into the diskette.
  paint(Arrow({16, 0.5}, {16, 16}, 3.2, 7.5, 8), kLime, kGreen);
  return icon;
}

}  // namespace

int main(int argc, char** argv) {
  std::string dir = argc > 1 ? argv[1] : "res";
  if (!dir.empty() && dir.back() != '/') dir += '/';
  const std::vector<Rgb> vga(kVgaPalette, kVgaPalette + 16);
  WriteBitmap(dir + "side.bmp", DrawSide(), 8, SidePalette());
  WriteBitmap(dir + "menu.bmp", DrawMenu(), 4, vga);
  WriteBitmap(dir + "proptab.bmp", DrawPropertiesTab(), 4, vga);
  WriteIcon(dir + "setup.ico", {DrawIcon(32), DrawIcon(16)});
  return 0;
}
