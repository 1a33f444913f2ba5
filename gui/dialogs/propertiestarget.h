#ifndef CALORIVECTRIX_GUI_PROPERTIESTARGET_H
#define CALORIVECTRIX_GUI_PROPERTIESTARGET_H

// What the physical-properties dialog needs of the window that draws the problem: the state
// of the paint tool shown over the drawing area, and the materials on show while the dialog
// is open. (The window redraws materials that change when the problem's model says so.) The window
// in turn asks the dialog for the material to paint (ReadProperties) and hands it a picked-up
// volume (ShowProperties).

#include <QString>
#include <cstdint>

enum class PaintTool : int8_t {
  Closed,  // the dialog is not shown: the drawing area is as usual
  Off,     // the dialog is shown but a drag paints nothing (Apply up, or a field invalid)
  Engaged  // Apply is down: the left button paints
};

class PropertiesTarget {
 public:
  virtual ~PropertiesTarget() = default;

  // The painting pointer while engaged; while off, a pointer that says a drag paints
  // nothing, and `why` (the field that keeps the tool off, or what to press) where the
  // student looks; the default pointer once closed.
  virtual void ShowPaintTool(PaintTool tool, const QString& why) = 0;
  // The dialog is shown or closed: painted materials are seen only in the material view.
  virtual void PropertiesShown(bool shown) = 0;
};

#endif
