#include "gui/platform/widgets.h"

#include <QMouseEvent>
#include <QPainter>
#include <QToolButton>
#include <QVBoxLayout>
#include <algorithm>

TPaintBox::TPaintBox(QWidget* parent) : QWidget(parent) {
  setMouseTracking(true);
  setAttribute(Qt::WA_OpaquePaintEvent);
}

void TPaintBox::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  if (onPaint)
    onPaint(painter);
}

void TPaintBox::mouseMoveEvent(QMouseEvent* event) {
  if (onMouseMove) {
    const QPoint p = event->position().toPoint();
    onMouseMove(p.x(), p.y(), event->buttons());
  }
}

void TPaintBox::mousePressEvent(QMouseEvent* event) {
  if (onMouseDown) {
    const QPoint p = event->position().toPoint();
    onMouseDown(event->button(), p.x(), p.y());
  }
}

void TPaintBox::leaveEvent(QEvent*) {
  if (onLeave)
    onLeave();
}

TDrawArea::TDrawArea(QWidget* parent) : TPaintBox(parent) {}

QImage TDrawArea::Render() const {
  if (render && width() > 0 && height() > 0)
    return render(size());
  return QImage();
}

void TDrawArea::Redraw() {
  image = Render();
  update();
}

void TDrawArea::paintEvent(QPaintEvent*) {
  // An image left stale by a resize is rendered for this paint only. Redraw would ask for
  // another paint, and a render that gives no image would then ask for paint after paint.
  if (image.size() != size())
    image = Render();
  QPainter painter(this);
  if (image.isNull()) {
    painter.fillRect(rect(), Qt::black);
  } else {
    painter.drawImage(0, 0, image);
  }
}

void TDrawArea::resizeEvent(QResizeEvent*) {
  image = QImage();
  if (onResize)
    onResize();
}

TShape::TShape(QWidget* parent) : QWidget(parent) {
  setMinimumSize(24, 14);
}

void TShape::SetBrushColor(const QColor& color) {
  if (brush == color)
    return;
  brush = color;
  update();
}

void TShape::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  painter.setRenderHint(QPainter::Antialiasing);
  painter.setPen(Qt::black);
  painter.setBrush(brush);
  painter.drawRoundedRect(QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5), 4, 4);
}

TUpDown::TUpDown(int min, int max, int position, QWidget* parent)
    : QWidget(parent), min(min), max(max), position(position) {
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(0);
  up = new QToolButton(this);
  down = new QToolButton(this);
  up->setArrowType(Qt::UpArrow);
  down->setArrowType(Qt::DownArrow);
  for (QToolButton* b : {up, down}) {
    b->setAutoRepeat(true);
    b->setFixedSize(16, 11);
    layout->addWidget(b);
  }
  connect(up, &QToolButton::clicked, this, &TUpDown::StepUp);
  connect(down, &QToolButton::clicked, this, &TUpDown::StepDown);
}

void TUpDown::SetPosition(int value) {
  if (value < min)
    value = min;
  if (value > max)
    value = max;
  position = value;
}

void TUpDown::StepUp() {
  if (position >= max)
    return;
  ++position;
  emit changing(position);
}

void TUpDown::StepDown() {
  if (position <= min)
    return;
  --position;
  emit changing(position);
}

QPoint BesideWindow(const QRect& owner, const QSize& size, const QRect& screen) {
  constexpr int gap = 4;
  // Held inside the screen along one axis where it fits, else at the screen's start.
  auto within = [](int start, int length, int low, int high) {
    return std::max(low, std::min(start, high - length));
  };
  auto onScreen = [&](int x) { return within(x, size.width(), screen.left(), screen.right() + 1); };
  const int y = within(owner.top(), size.height(), screen.top(), screen.bottom() + 1);
  // Each side is taken if, held on the screen, the window is still clear of the owner.
  const int right = onScreen(owner.right() + 1 + gap);
  if (right > owner.right())
    return QPoint(right, y);
  const int left = onScreen(owner.left() - gap - size.width());
  if (left + size.width() <= owner.left())
    return QPoint(left, y);
  return QPoint(onScreen(screen.right() + 1 - size.width()), y);
}
