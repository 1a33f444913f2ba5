#ifndef CALORIVECTRIX_GUI_PLATFORM_URLLABEL_H
#define CALORIVECTRIX_GUI_PLATFORM_URLLABEL_H

// A label that opens an address with the desktop's default handler when clicked, and shows
// by its colour whether the pointer is over it and whether a button is held on it.

#include <QColor>
#include <QLabel>
#include <QString>

class TURLLabel : public QLabel {
 public:
  explicit TURLLabel(QWidget* parent = nullptr);

  // The address opened on click; when empty the caption is opened instead.
  QString URL;
  QColor ColorNormal = Qt::blue;
  QColor ColorMoveOver = Qt::blue;
  QColor ColorClick = Qt::red;

  QColor FontColor() const;
  bool Pressed() const { return pressed; }
  // What a click opens.
  QString Target() const { return URL.isEmpty() ? text() : URL; }

 protected:
  void enterEvent(QEnterEvent* event) override;
  void leaveEvent(QEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;

 private:
  void SetFontColor(const QColor& color);
  bool pressed = false;
};

#endif
