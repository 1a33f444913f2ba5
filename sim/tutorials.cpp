#include "sim/tutorials.h"

#include <cmath>
#include <cstring>

#include "sim/check.h"
#include "sim/materials.h"

namespace tutorial {
namespace {

constexpr double pi = 3.141592653589793;

VolumeProperties FromTable(const char* name) {
  for (const Material& row : materials) {
    if (std::strcmp(row.name, name) == 0)
      return VolumeProperties{row.conductivity, row.density, row.specificHeat, 0};
  }
  INVARIANT(false, "material in table");
  return VolumeProperties{};
}

// What "Custom..." in the segment dialog does: the new function joins the library.
const Function1D* AddConstant(ProblemRecord& problem, double value) {
  problem.functionList.push_back(std::make_unique<FConstant>(value));
  return problem.functionList.back().get();
}

// The constant function of the default library with this value (0 or 1).
const Function1D* LibraryConstant(const ProblemRecord& problem, double value) {
  for (const auto& function : problem.functionList) {
    const auto* constant = dynamic_cast<const FConstant*>(function.get());
    if (constant && constant->Value(0) == value)
      return constant;
  }
  INVARIANT(false, "constant in library");
  return nullptr;
}

// "Add..." in the boundary editor with limits 0 and 1: the new segment covers the side.
void Cover(Face& face, FHeat* condition) {
  face.Insert(Segment{0, 1, condition});
}

// "Linear" sampling of the animation-times dialog: n times spread evenly over the run.
void LinearMarks(ProblemRecord& problem, int32_t n) {
  auto marks = std::make_unique<NumVector<int>>(n);
  for (int32_t i = 0; i < n; ++i)
    (*marks)[i] = i * problem.maxIterTime / (n - 1);
  problem.SetMarks(std::move(marks));
}

}  // namespace

std::unique_ptr<ProblemRecord> TransientSlab() {
  auto problem = std::make_unique<ProblemRecord>();
  problem->media = std::make_unique<CartesianMedia>(0.1, 0.02, 20, 2, DefaultMaterial());
  problem->media->Fill(FromTable("Carbon steel, plain"));
  // East keeps its temperature 1; West becomes insulated.
  Cover(*problem->westFace, new FFlux(LibraryConstant(*problem, 0)));
  problem->SetParameters(0.00001, 0.00000001, 600, 10000, 1.0);
  LinearMarks(*problem, 7);
  const VolumeProperties steel = FromTable("Carbon steel, plain");
  problem->reference = PlaneWallCase{0,
                                     0.1,
                                     steel.conductivity,
                                     steel.conductivity / (steel.density * steel.specificHeat),
                                     0,
                                     true,
                                     0,
                                     1};
  return problem;
}

std::unique_ptr<ProblemRecord> Fin() {
  auto problem = std::make_unique<ProblemRecord>();
  problem->media = std::make_unique<CartesianMedia>(0.1, 0.004, 20, 4, DefaultMaterial());
  problem->media->Fill(FromTable("Aluminum"));
  const Function1D* h = AddConstant(*problem, 50);
  const Function1D* base = AddConstant(*problem, 100);
  const Function1D* ambient = LibraryConstant(*problem, 0);
  Cover(*problem->westFace, new FTemperature(base));
  Cover(*problem->northFace, new FConvection(h, ambient));
  Cover(*problem->southFace, new FConvection(h, ambient));
  Cover(*problem->eastFace, new FConvection(h, ambient));
  problem->SetParameters(0.00001, 0.00000001, 1000, 10000, 10.0);
  problem->reference = FinCase{0, 0, 0.1, 0.004, FromTable("Aluminum").conductivity, 50, 100, 0};
  return problem;
}

std::unique_ptr<ProblemRecord> CompositeWall() {
  auto problem = std::make_unique<ProblemRecord>();
  problem->media = std::make_unique<CartesianMedia>(0.25, 1.0, 5, 2, DefaultMaterial());
  problem->media->Fill(FromTable("Brick, common"));
  // The paint tool on the East column.
  for (int32_t j = 0; j < problem->media->nj; ++j)
    problem->media->volume(4, j) = FromTable("Polystyrene, expanded");
  const Function1D* inside = AddConstant(*problem, 20);
  Cover(*problem->westFace, new FTemperature(inside));
  Cover(*problem->eastFace, new FTemperature(LibraryConstant(*problem, 0)));
  problem->SetParameters(0.00000001, 0.00000001, 1000, 10000, 36000.0);
  problem->reference = CompositeWallCase{0,
                                         {{0.2, FromTable("Brick, common").conductivity},
                                          {0.05, FromTable("Polystyrene, expanded").conductivity}},
                                         20,
                                         0};
  return problem;
}

std::unique_ptr<ProblemRecord> ShapeFactor() {
  auto problem = std::make_unique<ProblemRecord>();
  // The default conditions already fit: West (the hole) at 0, East (the outer square) at 1,
  // North and South (the symmetry line) insulated.
  problem->media = std::make_unique<MixedMedia>(0.5, 1.0, 0.5, 0.1, 20, 60, DefaultMaterial());
  problem->SetParameters(0.00001, 0.00000001, 1000, 10000, 1000.0);
  // The whole square around the pipe; the grid is its half East of the symmetry line.
  problem->reference =
      PipeInSquareCase{Point{0, 0.5}, 1.0, 0.2, DefaultMaterial().conductivity, 0, 1};
  return problem;
}

std::unique_ptr<SimManager> RunKeepingSimulator(ProblemRecord& problem) {
  NumMatrix<double> start(problem.media->ni, problem.media->nj);
  start.SetAll(problem.initialTemp);
  auto manager = std::make_unique<SimManager>(
      problem.media.get(), problem.northFace.get(), problem.southFace.get(), problem.eastFace.get(),
      problem.westFace.get(), problem.tolTime, problem.tolSpace, problem.maxIterTime,
      problem.maxIterSpace, problem.dt, start, nullptr, nullptr, problem._marks.get(),
      problem.solver, problem.runMode);
  manager->Run();
  return manager;
}

std::unique_ptr<SimManager> Run(ProblemRecord& problem) {
  auto manager = RunKeepingSimulator(problem);
  manager->TakeSnapshot();
  manager->ReleaseSimulator();
  return manager;
}

double WestInflow(const SimSnapshot& snapshot) {
  double sum = 0;
  for (int32_t j = 0; j < snapshot.heatWE.M(); ++j)
    sum -= snapshot.heatWE[0][j];
  return sum;
}

double SlabSeries(double xOverL, double fourier) {
  // A unit slab of unit diffusivity, insulated at x = 0, whose other face steps to 1.
  const ExactSolution slab(PlaneWallCase{0, 1, 1, 1, 0, true, 0, 1});
  return slab.Temperature(Point{xOverL, 0}, fourier);
}

double FinHeatRate(double k, double h, double t, double length, double theta) {
  const ExactSolution fin(FinCase{0, 0, length, t, k, h, theta, 0});
  // What crosses the base: the flux along the fin, integrated over its thickness.
  return fin.Flux(Point{0, t / 2}, 0).x * t;
}

double PipeInSquareShapeFactor(double w, double d) {
  return 2 * pi / std::log(1.08 * w / d);
}

}  // namespace tutorial
