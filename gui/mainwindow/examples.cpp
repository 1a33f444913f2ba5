#include "gui/mainwindow/examples.h"

#include <QtGlobal>

#include "gui/platform/helptopics.h"

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
      {"SlabTutorialExample", "Tutorial &1: Transient slab",
       "The first worked example of the help, set up: a steel slab heated at one face",
       ":/examples/tutorial-1-slab.cvx", topic::kTutorialSlab, true},
      {"FinTutorialExample", "Tutorial &2: Fin",
       "The second worked example of the help, set up: an aluminium fin in air",
       ":/examples/tutorial-2-fin.cvx", topic::kTutorialFin, true},
      {"ResistanceTutorialExample", "Tutorial &3: Composite wall",
       "The third worked example of the help, set up: brick covered with polystyrene",
       ":/examples/tutorial-3-composite-wall.cvx", topic::kTutorialResistance, true},
      {"ShapeFactorTutorialExample", "Tutorial &4: Shape factor",
       "The fourth worked example of the help, set up: a pipe in a square block",
       ":/examples/tutorial-4-shape-factor.cvx", topic::kTutorialShapeFactor, true},
      {"PaintedCompositeExample", "&Painted composite",
       "A copper inclusion and an insulating layer painted into a brick plate",
       ":/examples/painted-composite.cvx", topic::kProblemCommands, false},
      {"ConvectiveFinExample", "&Convective fin",
       "An aluminium fin on a hot wall, cooled by the air around it",
       ":/examples/convective-fin.cvx", topic::kProblemCommands, false},
      {"HeatedPlateExample", "&Heated plate",
       "A steel plate warmed by a heating strip inside it, cooled at its edges",
       ":/examples/heated-plate.cvx", topic::kProblemCommands, false},
      {"SectorExample", "&Sector",
       "A quarter of an insulated pipe: hot inside, cooled by air outside", ":/examples/sector.cvx",
       topic::kProblemCommands, false},
  };
  return list;
}
