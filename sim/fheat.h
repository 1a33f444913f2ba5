#ifndef CALORIVECTRIX_SIM_FHEAT_H
#define CALORIVECTRIX_SIM_FHEAT_H

// Boundary functions and boundary conditions.
//
// The variable x of every function is the position along the side the condition lies on,
// normalised to [0, 1]: 0 at the side's first node (I = 0 on South/North, J = 0 on
// West/East), 1 at its last. Values do not vary in time.
//
// A condition hands the simulator two coefficients for one boundary face through
// Contribution(x, s2, delta, cp, k, ap, b), with L = sqrt(s2) the face length, delta the
// normal distance from the volume centre to the face and k the face conductivity. Both are
// divided by the volume's specific heat cp, like every other term of the equation:
//   temperature T(x):      ap = (L/delta)(k/cp),             b = ap T(x)
//   flux q(x) (inwards):   ap = 0,                           b = (L/cp) q(x)
//   convection h, Tinf:    ap = (L/cp) h / (h delta/k + 1),  b = ap Tinf(x)

#include <cstdint>
#include <ostream>

class BaseFunction {
 public:
  virtual ~BaseFunction() = default;
  virtual const char* Name() const = 0;
  virtual int32_t Arity() const = 0;
  virtual std::ostream& Print(std::ostream& out) const = 0;
};

class Function1D : public BaseFunction {
 public:
  int32_t Arity() const override { return 1; }
  virtual double Value(double x) const = 0;
};

class FConstant : public Function1D {
 public:
  explicit FConstant(double k) : k(k) {}
  const char* Name() const override { return "Constant"; }
  std::ostream& Print(std::ostream& out) const override;
  double Value(double) const override { return k; }
  double k;
};

class FLinear : public Function1D {
 public:
  FLinear(double a, double b) : a(a), b(b) {}
  const char* Name() const override { return "Linear"; }
  std::ostream& Print(std::ostream& out) const override;
  double Value(double x) const override { return a * x + b; }
  double a, b;
};

class FSin : public Function1D {
 public:
  FSin(double a, double b, double c) : a(a), b(b), c(c) {}
  const char* Name() const override { return "Sin"; }
  std::ostream& Print(std::ostream& out) const override;
  double Value(double x) const override;
  double a, b, c;
};

class FCos : public Function1D {
 public:
  FCos(double a, double b, double c) : a(a), b(b), c(c) {}
  const char* Name() const override { return "Cos"; }
  std::ostream& Print(std::ostream& out) const override;
  double Value(double x) const override;
  double a, b, c;
};

// What a condition holds at one position along its side, in its own terms: its kind and the
// values of its functions there. The equation of a volume is shown to students with them.
struct ConditionValues {
  enum class Kind : int8_t { Other, Temperature, Flux, Convection };
  Kind kind = Kind::Other;
  double value = 0;    // T(x), q(x) or h(x)
  double ambient = 0;  // T_inf(x), for convection only
};

// A boundary condition, shared between face segments by reference counting: every holder
// takes a reference with Acquire and gives it back with Release; the last Release destroys
// the condition. Conditions refer to their functions and never own them.
class FHeat : public BaseFunction {
 public:
  FHeat();
  ~FHeat() override;
  FHeat(const FHeat&) = delete;
  FHeat& operator=(const FHeat&) = delete;

  int32_t Arity() const override { return 1; }
  virtual void Contribution(double x, double s2, double delta, double cp, double k, double& ap,
                            double& b) const = 0;
  virtual ConditionValues ValuesAt(double) const { return ConditionValues{}; }

  void Acquire() { ++lock; }
  void Release();
  int32_t Locks() const { return lock; }

  // Number of conditions alive.
  static int32_t Instances() { return instances; }

 private:
  int32_t lock = 0;
  static int32_t instances;
};

class FTemperature : public FHeat {
 public:
  explicit FTemperature(const Function1D* temperature) : temperature(temperature) {}
  const char* Name() const override { return "Temperature"; }
  std::ostream& Print(std::ostream& out) const override { return temperature->Print(out); }
  void Contribution(double x, double s2, double delta, double cp, double k, double& ap,
                    double& b) const override;
  ConditionValues ValuesAt(double x) const override {
    return ConditionValues{ConditionValues::Kind::Temperature, temperature->Value(x), 0};
  }
  const Function1D* temperature;
};

class FFlux : public FHeat {
 public:
  explicit FFlux(const Function1D* flux) : flux(flux) {}
  const char* Name() const override { return "Flux"; }
  std::ostream& Print(std::ostream& out) const override { return flux->Print(out); }
  void Contribution(double x, double s2, double delta, double cp, double k, double& ap,
                    double& b) const override;
  ConditionValues ValuesAt(double x) const override {
    return ConditionValues{ConditionValues::Kind::Flux, flux->Value(x), 0};
  }
  const Function1D* flux;
};

class FConvection : public FHeat {
 public:
  FConvection(const Function1D* h, const Function1D* ambient) : h(h), ambient(ambient) {}
  const char* Name() const override { return "Convection"; }
  std::ostream& Print(std::ostream& out) const override;
  void Contribution(double x, double s2, double delta, double cp, double k, double& ap,
                    double& b) const override;
  ConditionValues ValuesAt(double x) const override {
    return ConditionValues{ConditionValues::Kind::Convection, h->Value(x), ambient->Value(x)};
  }
  const Function1D* h;
  const Function1D* ambient;
};

#endif
