#ifndef CALORIVECTRIX_SIM_MATERIALS_H
#define CALORIVECTRIX_SIM_MATERIALS_H

// The built-in table of solids (SI units), sorted ascending by conductivity, then density,
// then specific heat, so a property set can be named by binary search.

#include <cstdint>

struct Material {
  char name[32];
  double conductivity;  // W/(m K)
  double density;       // kg/m^3
  double specificHeat;  // J/(kg K)
};

constexpr int32_t materialCount = 19;
extern const Material materials[materialCount];
// Row "Gold", the material of every new grid.
extern const Material* const defaultMaterial;

// The name of the row whose three values all equal these exactly, or null.
const char* FindMaterial(double conductivity, double density, double specificHeat);

#endif
