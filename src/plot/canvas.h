// The drawing surface: the plot bitmap (at least 640 x 360 pixels) and the
// 209 x 209 residual map use the same operations.
//
// Pixel coordinates: column 0 at the left, row 0 at the top. Drawing shows
// without an explicit flush. Everything outside the surface is clipped.
#pragma once

#include <cstdint>
#include <string>

namespace teril {

struct Rgb {
  std::uint8_t r = 0, g = 0, b = 0;
  friend bool operator==(const Rgb&, const Rgb&) = default;
};

class Canvas {
 public:
  virtual ~Canvas() = default;

  virtual int Width() const = 0;
  virtual int Height() const = 0;

  // Pen colour for lines, rectangle outlines and circles (not for text).
  virtual void SetPen(Rgb colour) = 0;
  virtual void MoveTo(int x, int y) = 0;
  // Line from the pen position to (x, y); the end pixel is not drawn, as
  // with the usual "line to" of raster toolkits. The pen moves to (x, y).
  virtual void LineTo(int x, int y) = 0;
  // Outline in the pen colour, inside filled white; corners included.
  virtual void Rectangle(int x1, int y1, int x2, int y2) = 0;
  // Hollow ellipse inscribed in the box x1..x2, y1..y2.
  virtual void Ellipse(int x1, int y1, int x2, int y2) = 0;
  // Text with its top-left corner at (x, y): fixed pitch, 8 pixels a
  // character, black on opaque white.
  virtual void Text(int x, int y, const std::string& text) = 0;
  virtual void SetPixel(int x, int y, Rgb colour) = 0;
  virtual void FillRect(int x1, int y1, int x2, int y2, Rgb colour) = 0;
  // Fills the whole surface with white.
  virtual void Clear() = 0;
  // Copies the rectangle (x, y, w, h) into a new picture of outW x outH
  // pixels (scaled when the sizes differ) and saves it: BMP, or PNG when the
  // name ends in ".png". Returns false when the picture cannot be made;
  // a file that cannot be written throws IoError (the previous file stays).
  virtual bool SaveRect(int x, int y, int w, int h, int outW, int outH,
                        const std::string& path) = 0;

  // For the residual map drawn over the plot: shown or hidden, placed at a
  // row of the plot. A plain surface ignores these.
  virtual void SetVisible(bool) {}
  virtual void SetTop(int) {}

  // Writes the plot as it is drawn now to `path`, the format chosen by the
  // name's extension (".png" at `width` pixels wide, ".svg", ".pdf"), drawn
  // sharp at that size rather than enlarged from the pixels. False with
  // `error` set (naming the file) when the name or the file does not allow
  // it, or when this surface cannot export at all.
  virtual bool ExportPicture(const std::string& path, int width, std::string& error) {
    (void)width;
    error = "Cannot export the plot to \"" + path + "\": this display cannot export pictures";
    return false;
  }
};

}  // namespace teril
