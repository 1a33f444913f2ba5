#ifndef CALORIVECTRIX_GUI_WIDGETS_H
#define CALORIVECTRIX_GUI_WIDGETS_H

// Small controls the main window is built from: paint boxes that hand their painting and
// mouse events to their owner, a filled shape, and an up-down pair of arrows.

#include <QColor>
#include <QImage>
#include <QPoint>
#include <QRect>
#include <QWidget>
#include <functional>

class QToolButton;

// A paint box: its owner paints it and receives its mouse events.
class TPaintBox : public QWidget {
  Q_OBJECT

 public:
  explicit TPaintBox(QWidget* parent = nullptr);

  std::function<void(QPainter&)> onPaint;
  std::function<void(int x, int y, Qt::MouseButtons buttons)> onMouseMove;
  std::function<void(Qt::MouseButton button, int x, int y)> onMouseDown;
  std::function<void()> onLeave;

 protected:
  void paintEvent(QPaintEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void leaveEvent(QEvent* event) override;
};

// The drawing area: shows an image its owner renders off screen, so the screen never shows
// a half-drawn plot and a repaint of the window costs a copy.
class TDrawArea : public TPaintBox {
  Q_OBJECT

 public:
  explicit TDrawArea(QWidget* parent = nullptr);
  // Renders the whole plot at the area's size.
  std::function<QImage(QSize)> render;
  // Renders afresh and shows it.
  void Redraw();
  // Told when the area changes size, before it is painted at the new size.
  std::function<void()> onResize;
  const QImage& Image() const { return image; }

 protected:
  void paintEvent(QPaintEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;

 private:
  QImage Render() const;

  QImage image;
};

// A rounded rectangle filled with one colour, used as a colour swatch.
class TShape : public QWidget {
  Q_OBJECT

 public:
  explicit TShape(QWidget* parent = nullptr);
  void SetBrushColor(const QColor& color);
  QColor BrushColor() const { return brush; }

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  QColor brush = Qt::white;
};

// Two arrows that step a value between its limits; changing reports the value it moves to.
class TUpDown : public QWidget {
  Q_OBJECT

 public:
  TUpDown(int min, int max, int position, QWidget* parent = nullptr);
  int Position() const { return position; }
  void SetPosition(int value);
  void StepUp();
  void StepDown();
  QToolButton* UpButton() const { return up; }
  QToolButton* DownButton() const { return down; }

 signals:
  void changing(int newPosition);

 private:
  int min, max, position;
  QToolButton* up;
  QToolButton* down;
};

// Where a tool window of frame size `size` opens beside an owner window whose frame is
// `owner`, on a screen whose free area is `screen`: to its right where that fits, else to
// its left, else against the screen's right edge, over as little of the owner as it can.
// Top edges line up; the window is kept on the screen whenever it fits there at all.
QPoint BesideWindow(const QRect& owner, const QSize& size, const QRect& screen);

#endif
