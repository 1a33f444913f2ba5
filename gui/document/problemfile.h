#ifndef CALORIVECTRIX_GUI_DOCUMENT_PROBLEMFILE_H
#define CALORIVECTRIX_GUI_DOCUMENT_PROBLEMFILE_H

// A whole problem as a file (*.cvx): JSON with a format name and a version, holding the grid
// (the recipe of a generated grid, or every node of one read from a grid file), every
// volume's material, the sides' segments with their conditions, the function list, the
// initial temperature, the solver parameters, the animation times, the watched volumes and,
// for a problem that sets up a textbook case, its exact solution (sim/reference.h). Results
// are not kept: they are a run away.
//
//   {
//     "format": "Calorivectrix problem", "version": 1,
//     "grid": {"kind": "Cartesian", "ni": 10, "nj": 10, "width": 1, "height": 1},
//             {"kind": "Polar", ..., "outerRadius", "innerRadius", "angle"}  (degrees)
//             {"kind": "Mixed", ..., "width", "height", "centreHeight", "radius"}
//             {"kind": "Nodes", "ni", "nj", "nodes": [[x, y], ...]}  South row first,
//                                                    West to East, as in a grid file
//     "materials": [{"conductivity", "density", "specificHeat", "heatGeneration"}, ...],
//     "volumes": [m, ...]          ni x nj indices into "materials", same order as nodes
//     "functions": [{"kind": "Constant", "k"}, {"kind": "Linear", "a", "b"},
//                   {"kind": "Sin" or "Cos", "a", "b", "c"}, ...]   in the editor's order
//     "conditions": [{"kind": "Temperature" or "Flux", "function": n},
//                    {"kind": "Convection", "h": n, "ambient": n}, ...]
//     "sides": {"North": {"bounds": [0, ..., 1], "conditions": [c, ...]}, "South", ...}
//     "initialTemperature": 0,
//     "parameters": {"dt", "maxIterTime", "maxIterSpace", "tolTime", "tolSpace",
//                    "solver": "GaussSeidel" or "Direct" (GaussSeidel when left out),
//                    "runMode": "Steady" (written only then; Transient when left out)},
//     "animationSteps": [0, ..., maxIterTime],
//     "watchedVolumes": [[I, J], ...]   at most 8, counted from 1 as the window shows them;
//                                       left out when none is watched
//     "reference": {"kind": "PlaneWall", "x0", "thickness", "conductivity", "diffusivity",
//                   "initialTemperature", "westInsulated", "westTemperature",
//                   "eastTemperature"}
//                  {"kind": "Fin", "x0", "y0", "length", "thickness", "conductivity", "h",
//                   "baseTemperature", "ambientTemperature"}
//                  {"kind": "CompositeWall", "x0", "layers": [{"thickness", "conductivity"},
//                   ...], "westTemperature", "eastTemperature"}
//                  {"kind": "CircleInSquare", "centre": [x, y], "side", "diameter",
//                   "conductivity", "holeTemperature", "outerTemperature"}
//                                   optional: the exact solution to compare runs with
//   }
//
// Conditions are listed once and named by index, so segments that share a condition share
// it again after opening. Opening never trusts the file: every size is checked before
// anything is allocated, with the grid file's limits, and a refusal says what is wrong and
// where, in words a teacher editing the file by hand can act on.

#include <QByteArray>
#include <QString>
#include <memory>

#include "sim/problem.h"

namespace problemfile {

// Larger files are refused unread. Whatever problem the reader accepts, the writer writes
// within this: the largest grid, every node listed with all its digits, every volume its own
// material and a million animation times come to about 70 MB without layout.
constexpr qint64 maxFileBytes = 96 * 1024 * 1024;
constexpr int maxFunctions = 10000;
// Every condition is on some segment: four sides of at most 100 segments.
constexpr int maxConditions = 4 * Face::capacity;
constexpr int maxAnimationTimes = 1000000;

struct ReadResult {
  // Null when the file is refused.
  std::unique_ptr<ProblemRecord> problem;
  // Empty on success; otherwise what is wrong and where.
  QString message;
};

// The problem as the file holds it, laid out for reading unless it is very large (over 6 MB
// without the layout). The same problem always gives the same bytes, so two serialisations
// tell whether anything has changed.
QByteArray Serialize(const ProblemRecord& problem);

// Reads a problem from the bytes of a file. Never throws and never asserts on bad input.
ReadResult Parse(const QByteArray& bytes);

// Reads the file; a file that cannot be opened or is too large is refused unread.
ReadResult Open(const QString& fileName);

// Writes the file atomically: on failure the old file, if any, is left whole. False with a
// message when the problem cannot be saved (the disk refused, or the problem holds numbers a
// file cannot carry).
bool Save(const ProblemRecord& problem, const QString& fileName, QString* message);

}  // namespace problemfile

#endif
