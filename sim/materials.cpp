#include "sim/materials.h"

const Material materials[materialCount] = {
    {"Polystyrene, expanded", 0.027, 55, 1210},
    {"Glass fiber", 0.038, 32, 835},
    {"Cork", 0.039, 120, 1800},
    {"Cellular glass", 0.058, 145, 1000},
    {"Hardwoods", 0.16, 720, 1255},
    {"Paper", 0.18, 300, 1340},
    {"Teflon", 0.35, 2200, 300},
    {"Cement board", 0.72, 1860, 780},
    {"Brick, common", 0.72, 1920, 835},
    {"Lead", 35.3, 11340, 129},
    {"Carbon steel, plain", 60.5, 7854, 434},
    {"AISI 1010", 63.9, 7832, 434},
    {"Iron", 80.2, 7870, 447},
    {"Chromium", 93.7, 7160, 449},
    {"Magnesium", 156, 1740, 1024},
    {"Aluminum", 237, 2702, 903},
    {"Gold", 317, 19300, 129},
    {"Copper", 401, 8933, 385},
    {"Silver", 429, 10500, 235},
};

const Material* const defaultMaterial = &materials[16];

namespace {

// -1 when the given values sort before the row, 1 after it, 0 when all three are equal. A
// comparison with a NaN counts as "before".
int Compare(double k, double rho, double cp, const Material& row) {
  const double given[3] = {k, rho, cp};
  const double stored[3] = {row.conductivity, row.density, row.specificHeat};
  for (int f = 0; f < 3; ++f) {
    if (given[f] > stored[f])
      return 1;
    if (!(given[f] == stored[f]))
      return -1;
  }
  return 0;
}

}  // namespace

const char* FindMaterial(double conductivity, double density, double specificHeat) {
  int lo = 0;
  int hi = materialCount - 1;
  while (lo <= hi) {
    const int mid = (lo + hi) / 2;
    const int order = Compare(conductivity, density, specificHeat, materials[mid]);
    if (order == 0)
      return materials[mid].name;
    if (order < 0) {
      hi = mid - 1;
    } else {
      lo = mid + 1;
    }
  }
  return nullptr;
}
