#include "sim/fheat.h"

#include <cmath>

#include "sim/check.h"

std::ostream& FConstant::Print(std::ostream& out) const {
  return out << k;
}

std::ostream& FLinear::Print(std::ostream& out) const {
  return out << a << "x + " << b;
}

double FSin::Value(double x) const {
  return a + b * std::sin(c * x);
}

std::ostream& FSin::Print(std::ostream& out) const {
  return out << a << '+' << b << "sin(" << c << "x)";
}

double FCos::Value(double x) const {
  return a + b * std::cos(c * x);
}

std::ostream& FCos::Print(std::ostream& out) const {
  return out << a << '+' << b << "cos(" << c << "x)";
}

int32_t FHeat::instances = 0;

FHeat::FHeat() {
  ++instances;
}

FHeat::~FHeat() {
  --instances;
  INVARIANT(instances >= 0, "instances>=0");
  INVARIANT(lock == 0, "lock==0");
}

void FHeat::Release() {
  --lock;
  INVARIANT(lock >= 0, "lock>=0");
  if (lock == 0)
    delete this;
}

void FTemperature::Contribution(double x, double s2, double delta, double cp, double k, double& ap,
                                double& b) const {
  ap = (std::sqrt(s2) / delta) * (k / cp);
  b = ap * temperature->Value(x);
}

void FFlux::Contribution(double x, double s2, double, double cp, double, double& ap,
                         double& b) const {
  ap = 0;
  b = (std::sqrt(s2) / cp) * flux->Value(x);
}

void FConvection::Contribution(double x, double s2, double delta, double cp, double k, double& ap,
                               double& b) const {
  const double hx = h->Value(x);
  ap = (std::sqrt(s2) / cp) * hx / (hx * delta / k + 1);
  b = ap * ambient->Value(x);
}

std::ostream& FConvection::Print(std::ostream& out) const {
  h->Print(out);
  out << " / ";
  return ambient->Print(out);
}
