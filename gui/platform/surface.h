#ifndef CALORIVECTRIX_GUI_SURFACE_H
#define CALORIVECTRIX_GUI_SURFACE_H

// The drawing surface every painting routine of the program draws on. Its pixel rules are
// the ones the drawing code was written for, and differ from QPainter's own:
//  - a line from A to B covers A and excludes the end pixel B;
//  - a rectangle or ellipse given by (left, top, right, bottom) covers columns left..right-1
//    and rows top..bottom-1, outlined with the pen and filled with the brush (a hollow
//    brush fills nothing);
//  - a polygon is a point list whose last point repeats the first, outlined with the pen
//    and filled with the brush;
//  - a pen of width 0 draws one pixel wide.
// Antialiasing is always off, for text as well, so every pixel drawn has exactly the pen,
// brush or font colour. Text is drawn with a transparent background.
//
// Lines of width 0 or 1 are stepped pixel by pixel here rather than by QPainter, because
// QPainter colours both end pixels and the pieces of a polyline must not overlap. A wider
// pen is a QPainter stroke centred on the segment with round caps and joins: it covers both
// ends, so consecutive segments meet without notches. A zero-length line draws nothing at
// any width. A dotted one-pixel line colours every other pixel; the rhythm runs on across
// the segments of a polyline and starts afresh at each MoveTo.
//
// Shapes whose right < left or bottom < top are drawn as if the pair were swapped; an empty
// shape draws nothing. The outline of a polygon covers every vertex and every edge, even a
// zero-length one, so a polygon collapsed to one point still marks its pixel. FillRect with
// a hollow brush fills nothing.

#include <QColor>
#include <QFont>
#include <QPainter>
#include <QPoint>
#include <QRect>
#include <QSize>
#include <QString>
#include <vector>

class QImage;
class QPaintDevice;

class Surface {
 public:
  enum class PenStyle { Solid, Dot };

  // Paints on the device for the lifetime of the surface.
  explicit Surface(QPaintDevice* device);
  // Paints through a painter that is already active on its device (a paint event's).
  explicit Surface(QPainter& painter);
  ~Surface();
  Surface(const Surface&) = delete;
  Surface& operator=(const Surface&) = delete;

  void SetPenColor(const QColor& color);
  void SetPenWidth(int width);
  void SetPenStyle(PenStyle style);
  QColor PenColor() const { return penColor; }
  int PenWidth() const { return penWidth; }

  void SetBrushColor(const QColor& color);  // also makes the brush solid
  void SetBrushSolid();
  void SetBrushHollow();
  QColor BrushColor() const { return brushColor; }
  bool BrushHollow() const { return brushHollow; }

  void SetFont(const QFont& font);
  void SetFontColor(const QColor& color);
  // Font height in pixels, as the program gives sizes.
  void SetFontPixelHeight(int pixels);

  void MoveTo(int x, int y);
  void LineTo(int x, int y);
  QPoint PenPosition() const { return position; }

  void Rectangle(int left, int top, int right, int bottom);
  void Ellipse(int left, int top, int right, int bottom);
  // Fills with the brush colour, no outline.
  void FillRect(int left, int top, int right, int bottom);
  // points[count-1] repeats points[0].
  void Polygon(const QPoint* points, int count);

  // (x, y) is the top-left corner of the text's box.
  void TextOut(int x, int y, const QString& text);
  QSize TextExtent(const QString& text);

  // Pixel colour; only meaningful on a QImage device.
  QColor Pixel(int x, int y) const;

  QPainter& Painter() { return *painter; }

 private:
  void ApplyPen();
  void ApplyBrush();
  // One-pixel line from `from`, excluding `to`; `phase` counts pixels for the dot rhythm.
  void PixelLine(QPoint from, QPoint to, int& phase);
  // The part of the device painting can reach, in the painter's coordinates.
  QRect VisibleBounds() const;

  QPainter ownPainter;
  QPainter* painter;
  bool borrowed = false;
  int dotPhase = 0;
  std::vector<QPoint> pixelBuffer;
  QImage* image = nullptr;
  QColor penColor = Qt::black;
  int penWidth = 1;
  PenStyle penStyle = PenStyle::Solid;
  QColor brushColor = Qt::white;
  bool brushHollow = false;
  QColor fontColor = Qt::black;
  QPoint position;
};

#endif
