#ifndef CALORIVECTRIX_GUI_ICONS_H
#define CALORIVECTRIX_GUI_ICONS_H

#include <QCursor>
#include <QIcon>
#include <QString>

// The tool buttons' pictures, drawn at start so they look the same on every desktop.
// Names: open, geometry, properties, boundary, simulation, first, previous, play, next,
// last, pause, autoscale, legend, help, whatsthis, undo, redo, save, print, cut, copy,
// paste.
QIcon ToolIcon(const QString& name);

// The pointer of the paint tool: a brush whose tip, at the bottom left, is the hot spot.
QCursor PaintingCursor();

#endif
