#ifndef CALORIVECTRIX_SIM_MEDIA_H
#define CALORIVECTRIX_SIM_MEDIA_H

// The computational domain: a structured grid of ni x nj quadrilateral control volumes
// given by its (ni+1) x (nj+1) nodes, and one material record per volume.
//
// Volume (i, j) has the corners node(i, j), node(i+1, j), node(i+1, j+1), node(i, j+1).
// Sides are named by the logical indices whatever the shape: South is node row j = 0,
// North j = nj, West node column i = 0, East i = ni. Lengths are in metres.

#include <cstdint>

#include "sim/containers.h"

struct Point {
  double x;
  double y;
};

// SI units: W/(m K), kg/m^3, J/(kg K), W/m^3.
struct VolumeProperties {
  double conductivity;
  double density;
  double specificHeat;
  double heatGeneration;
};

// The default material of every new grid: gold, without heat generation.
VolumeProperties DefaultMaterial();

// No material comes within many orders of magnitude of this. Beyond it, the products the
// equations form (a conductivity with its neighbour's, a generation with an area, over a
// specific heat) come near the largest number a double can hold.
constexpr double maxPropertyMagnitude = 1e100;
// Whether each of the four properties is a number no larger in magnitude than that.
bool PropertiesInRange(const VolumeProperties& record);

class Media {
 public:
  Media(int32_t ni, int32_t nj, const VolumeProperties& record);
  // The generated kinds keep only the numbers they were made from; the destructor is
  // virtual so that the owner may hold any kind through this type.
  virtual ~Media() = default;
  Media(const Media&) = delete;
  Media& operator=(const Media&) = delete;

  Point& node(int32_t i, int32_t j) { return nodes[i][j]; }
  const Point& node(int32_t i, int32_t j) const { return nodes[i][j]; }
  VolumeProperties& volume(int32_t i, int32_t j) { return volumes[i][j]; }
  const VolumeProperties& volume(int32_t i, int32_t j) const { return volumes[i][j]; }

  void Fill(const VolumeProperties& record);

  const int32_t ni;
  const int32_t nj;

 protected:
  void Allocate();

 private:
  Matrix<Point> nodes;
  Matrix<VolumeProperties> volumes;
};

// A width x height rectangle with its South-West corner at the origin.
class CartesianMedia : public Media {
 public:
  CartesianMedia(double width, double height, int32_t ni, int32_t nj,
                 const VolumeProperties& record);
  // What the grid was made from, so that a problem file can name the recipe instead of
  // listing every node; rebuilding from it gives the same nodes bit for bit.
  const double width, height;
};

// An annular sector centred on the origin: West is the inner arc (radius ri), East the
// outer arc (re), South the ray along +x, North the ray at angleDegrees.
class PolarMedia : public Media {
 public:
  PolarMedia(double re, double ri, double angleDegrees, int32_t ni, int32_t nj,
             const VolumeProperties& record);
  const double re, ri, angleDegrees;
};

// The rectangle [0, w] x [0, h] less the half-disc of radius r centred at (0, u) on its West
// edge. West is the semicircle, East the outer boundary bottom-right-top, South and North the
// pieces of the West edge below and above the hole. Needs nj >= 3.
class MixedMedia : public Media {
 public:
  MixedMedia(double w, double h, double u, double r, int32_t ni, int32_t nj,
             const VolumeProperties& record);
  const double w, h, u, r;
};

#endif
