#include "gui/mainwindow/examples.h"

#include <QtGlobal>

// The resources sit in the static gui library, whose linker would otherwise drop them as
// unused; naming them here keeps them in every program that lists the examples. (Outside any
// namespace: the macro declares the resource's own function.)
static bool LoadResources() {
  Q_INIT_RESOURCE(examples);
  return true;
}

const std::vector<Example>& Examples() {
  static const bool loaded = LoadResources();
  (void)loaded;
  static const std::vector<Example> list = {
      {"PaintedCompositeExample", "&Painted composite",
       "A copper inclusion and an insulating layer painted into a brick plate",
       ":/examples/painted-composite.cvx"},
      {"ConvectiveFinExample", "&Convective fin",
       "An aluminium fin on a hot wall, cooled by the air around it",
       ":/examples/convective-fin.cvx"},
      {"HeatedPlateExample", "&Heated plate",
       "A steel plate warmed by a heating strip inside it, cooled at its edges",
       ":/examples/heated-plate.cvx"},
      {"SectorExample", "&Sector",
       "A quarter of an insulated pipe: hot inside, cooled by air outside",
       ":/examples/sector.cvx"},
  };
  return list;
}
