// Writes the example problems shipped with the program (resources/examples/*.cvx) from the
// set-ups below, so that a change of the file format or of an example is one command away:
//
//   build/tools/calorivectrix_make_examples resources/examples
//
// The tests open every shipped file, check it is what this program writes today, and run it.

#include <QCoreApplication>
#include <QDir>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <memory>

#include "gui/document/problemfile.h"
#include "sim/materials.h"
#include "sim/problem.h"
#include "sim/tutorials.h"

namespace {

VolumeProperties Material(const char* name, double heatGeneration = 0) {
  for (const ::Material& row : materials) {
    if (std::strcmp(row.name, name) == 0)
      return VolumeProperties{row.conductivity, row.density, row.specificHeat, heatGeneration};
  }
  std::fprintf(stderr, "no material %s\n", name);
  std::exit(1);
}

const Function1D* Function(ProblemRecord& p, std::unique_ptr<Function1D> f) {
  p.functionList.push_back(std::move(f));
  return p.functionList.back().get();
}

const Function1D* Constant(ProblemRecord& p, double value) {
  return Function(p, std::make_unique<FConstant>(value));
}

void Lay(Face& face, FHeat* condition, double lower = 0, double upper = 1) {
  face.Insert(Segment{lower, upper, condition});
}

// Steps of dt up to `steps`, a snapshot every `every` steps.
void Schedule(ProblemRecord& p, double dt, int steps, int every) {
  p.SetParameters(p.tolTime, p.tolSpace, steps, p.maxIterSpace, dt);
  auto marks = std::make_unique<NumVector<int>>(steps / every + 1);
  for (int k = 0; k < marks->N(); ++k)
    (*marks)[k] = k * every;
  (*marks)[marks->N() - 1] = steps;
  p.SetMarks(std::move(marks));
}

// A brick plate with a copper disc and a strip of polystyrene painted in: heat from the hot
// West side crowds into the copper and piles up against the insulation.
std::unique_ptr<ProblemRecord> PaintedComposite() {
  auto p = std::make_unique<ProblemRecord>();
  const int ni = 40, nj = 30;
  p->media = std::make_unique<CartesianMedia>(0.4, 0.3, ni, nj, Material("Brick, common"));
  for (int i = 0; i < ni; ++i) {
    for (int j = 0; j < nj; ++j) {
      const double x = (i + 0.5) * 0.4 / ni;
      const double y = (j + 0.5) * 0.3 / nj;
      if (std::hypot(x - 0.13, y - 0.15) < 0.065)
        p->media->volume(i, j) = Material("Copper");
      if (x > 0.26 && x < 0.3 && y > 0.05)
        p->media->volume(i, j) = Material("Polystyrene, expanded");
    }
  }
  Lay(*p->westFace, new FTemperature(Constant(*p, 100)));
  Lay(*p->eastFace, new FConvection(Constant(*p, 10), p->functionList[0].get()));
  Schedule(*p, 600, 1000, 50);
  return p;
}

// An aluminium fin 100 mm long and 10 mm thick on a wall at 100, in air at 20.
std::unique_ptr<ProblemRecord> ConvectiveFin() {
  auto p = std::make_unique<ProblemRecord>();
  p->media = std::make_unique<CartesianMedia>(0.1, 0.01, 40, 4, Material("Aluminum"));
  FHeat* air = new FConvection(Constant(*p, 25), Constant(*p, 20));
  Lay(*p->northFace, air);
  Lay(*p->southFace, air);
  Lay(*p->eastFace, air);
  Lay(*p->westFace, new FTemperature(Constant(*p, 100)));
  p->initialTemp = 20;
  Schedule(*p, 2, 600, 10);
  return p;
}

// A steel plate with a heating strip across its middle: held at 20 along North and South,
// cooled by air on East and West.
std::unique_ptr<ProblemRecord> HeatedPlate() {
  auto p = std::make_unique<ProblemRecord>();
  const int n = 30;
  p->media = std::make_unique<CartesianMedia>(0.2, 0.2, n, n, Material("Carbon steel, plain"));
  for (int i = 5; i < n - 5; ++i) {
    for (int j = 13; j < 17; ++j)
      p->media->volume(i, j) = Material("Carbon steel, plain", 2e6);
  }
  FHeat* held = new FTemperature(Constant(*p, 20));
  Lay(*p->northFace, held);
  Lay(*p->southFace, held);
  FHeat* air = new FConvection(Constant(*p, 50), Constant(*p, 20));
  Lay(*p->eastFace, air);
  Lay(*p->westFace, air);
  p->initialTemp = 20;
  Schedule(*p, 20, 1000, 50);
  return p;
}

// A quarter of a pipe's cellular-glass insulation: the pipe (West, the inner arc) at 90, the
// outer surface in air whose temperature varies around it, 20 to 30 and back.
std::unique_ptr<ProblemRecord> Sector() {
  auto p = std::make_unique<ProblemRecord>();
  p->media = std::make_unique<PolarMedia>(0.15, 0.05, 90, 20, 30, Material("Cellular glass"));
  Lay(*p->westFace, new FTemperature(Constant(*p, 90)));
  const Function1D* air = Function(*p, std::make_unique<FSin>(20, 10, 3.141592653589793));
  Lay(*p->eastFace, new FConvection(Constant(*p, 15), air));
  p->initialTemp = 20;
  Schedule(*p, 120, 1000, 50);
  return p;
}

}  // namespace

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  const QString folder = argc > 1 ? QString(argv[1]) : QString("resources/examples");
  QDir().mkpath(folder);
  const struct {
    const char* file;
    std::unique_ptr<ProblemRecord> (*build)();
  } examples[] = {
      {"tutorial-1-slab.cvx", tutorial::TransientSlab},
      {"tutorial-2-fin.cvx", tutorial::Fin},
      {"tutorial-3-composite-wall.cvx", tutorial::CompositeWall},
      {"tutorial-4-shape-factor.cvx", tutorial::ShapeFactor},
      {"painted-composite.cvx", PaintedComposite},
      {"convective-fin.cvx", ConvectiveFin},
      {"heated-plate.cvx", HeatedPlate},
      {"sector.cvx", Sector},
  };
  for (const auto& example : examples) {
    const QString path = folder + "/" + example.file;
    QString message;
    if (!problemfile::Save(*example.build(), path, &message)) {
      std::fprintf(stderr, "%s\n", qPrintable(message));
      return 1;
    }
    std::printf("%s\n", qPrintable(path));
  }
  return 0;
}
