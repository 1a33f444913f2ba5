#ifndef CALORIVECTRIX_GUI_PROPERTIESTARGET_H
#define CALORIVECTRIX_GUI_PROPERTIESTARGET_H

// What the physical-properties dialog needs of the window that draws the problem: a redraw
// after materials change, and the drawing area's pointer while the paint tool is engaged.
// The window in turn asks the dialog for the material to paint (ReadProperties) and hands
// it a picked-up volume (ShowProperties).

class PropertiesTarget {
 public:
  virtual ~PropertiesTarget() = default;

  virtual void Redraw() = 0;
  // The painting pointer over the drawing area while `engaged`, the default one otherwise.
  virtual void SetPaintPointer(bool engaged) = 0;
};

#endif
