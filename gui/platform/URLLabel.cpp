#include "gui/platform/URLLabel.h"

#include <QDesktopServices>
#include <QEnterEvent>
#include <QMouseEvent>
#include <QUrl>

TURLLabel::TURLLabel(QWidget* parent) : QLabel(QStringLiteral("Click me!"), parent) {
  QFont underlined = font();
  underlined.setUnderline(true);
  setFont(underlined);
  SetFontColor(Qt::blue);
  // The label draws its caption itself; rich text would bring links of its own.
  setTextFormat(Qt::PlainText);
}

QColor TURLLabel::FontColor() const {
  return palette().color(QPalette::WindowText);
}

void TURLLabel::SetFontColor(const QColor& color) {
  QPalette p = palette();
  p.setColor(QPalette::WindowText, color);
  setPalette(p);
}

void TURLLabel::enterEvent(QEnterEvent* event) {
  SetFontColor(pressed ? ColorClick : ColorMoveOver);
  QLabel::enterEvent(event);
}

void TURLLabel::leaveEvent(QEvent* event) {
  SetFontColor(ColorNormal);
  QLabel::leaveEvent(event);
}

void TURLLabel::mousePressEvent(QMouseEvent* event) {
  pressed = true;
  SetFontColor(ColorClick);
  QLabel::mousePressEvent(event);
}

void TURLLabel::mouseReleaseEvent(QMouseEvent* event) {
  const QPoint at = event->position().toPoint();
  // Released off the label: the press is abandoned.
  if (at.x() < 0 || at.y() < 0 || at.y() > height() || at.x() > width()) {
    SetFontColor(ColorNormal);
  } else {
    if (pressed) {
      // An address with a scheme is taken as written; anything else as a user would type it.
      QUrl url(Target(), QUrl::TolerantMode);
      if (url.scheme().isEmpty())
        url = QUrl::fromUserInput(Target());
      QDesktopServices::openUrl(url);
    }
    SetFontColor(ColorMoveOver);
  }
  pressed = false;
  QLabel::mouseReleaseEvent(event);
}
