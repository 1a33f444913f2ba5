#include "sim/fheat.h"

#include <gtest/gtest.h>

#include <cmath>
#include <sstream>
#include <string>

namespace {

const double pi = 3.141592653589793;

std::string Printed(const BaseFunction& f) {
  std::ostringstream out;
  f.Print(out);
  return out.str();
}

TEST(Functions, NamesAndValues) {
  FConstant constant(2.5);
  FLinear linear(2, 3);
  FSin sine(0, 1, pi);
  FCos cosine(0, 1, pi);
  EXPECT_STREQ(constant.Name(), "Constant");
  EXPECT_STREQ(linear.Name(), "Linear");
  EXPECT_STREQ(sine.Name(), "Sin");
  EXPECT_STREQ(cosine.Name(), "Cos");
  EXPECT_EQ(constant.Arity(), 1);
  EXPECT_DOUBLE_EQ(constant.Value(123), 2.5);
  EXPECT_DOUBLE_EQ(linear.Value(0.5), 4);
  EXPECT_DOUBLE_EQ(sine.Value(0.5), 1);
  EXPECT_DOUBLE_EQ(cosine.Value(1), -1);
}

TEST(Functions, PrintedForms) {
  FConstant zero(0), ten(10), twenty(20);
  EXPECT_EQ(Printed(FConstant(1)), "1");
  EXPECT_EQ(Printed(FLinear(1, 0)), "1x + 0");
  EXPECT_EQ(Printed(FSin(0, 1, pi)), "0+1sin(3.14159x)");
  EXPECT_EQ(Printed(FSin(0, -1, 2)), "0+-1sin(2x)");
  EXPECT_EQ(Printed(FCos(0.5, 2, 1e-5)), "0.5+2cos(1e-05x)");
  EXPECT_EQ(Printed(FConstant(1234567)), "1.23457e+06");
  EXPECT_EQ(Printed(FConvection(&ten, &twenty)), "10 / 20");
  FLinear slope(2, 1);
  EXPECT_EQ(Printed(FTemperature(&slope)), "2x + 1");
  EXPECT_EQ(Printed(FFlux(&zero)), "0");
  EXPECT_STREQ(FTemperature(&zero).Name(), "Temperature");
  EXPECT_STREQ(FFlux(&zero).Name(), "Flux");
  EXPECT_STREQ(FConvection(&zero, &zero).Name(), "Convection");
}

TEST(Conditions, ContributionsFollowTheirPhysics) {
  FConstant hot(50), q(300), h(10), ambient(20), zero(0);
  double ap = -1, b = -1;

  // A face 0.2 long, centre 0.05 from it, k = 40, cp = 400.
  FTemperature(&hot).Contribution(0.3, 0.04, 0.05, 400, 40, ap, b);
  EXPECT_DOUBLE_EQ(ap, (0.2 / 0.05) * (40.0 / 400));
  EXPECT_DOUBLE_EQ(b, ap * 50);

  FFlux(&q).Contribution(0.3, 0.04, 0.05, 400, 40, ap, b);
  EXPECT_EQ(ap, 0);
  EXPECT_DOUBLE_EQ(b, 0.2 / 400 * 300);

  FConvection(&h, &ambient).Contribution(0.3, 0.04, 0.05, 400, 40, ap, b);
  // Series of the film resistance 1/h and the half-volume's delta/k.
  EXPECT_DOUBLE_EQ(ap, 0.2 / 400 / (1 / 10.0 + 0.05 / 40));
  EXPECT_DOUBLE_EQ(b, ap * 20);

  FConvection(&zero, &ambient).Contribution(0.3, 0.04, 0.05, 400, 40, ap, b);
  EXPECT_EQ(ap, 0);
  EXPECT_EQ(b, 0);
}

TEST(Conditions, FunctionArgumentIsThePositionAlongTheSide) {
  FLinear ramp(10, 5);
  double ap, b;
  FTemperature(&ramp).Contribution(0.25, 1, 0.5, 1, 1, ap, b);
  EXPECT_DOUBLE_EQ(b, ap * 7.5);
}

TEST(Conditions, ReferenceCountingDestroysOnLastRelease) {
  FConstant zero(0);
  const int before = FHeat::Instances();
  FHeat* condition = new FFlux(&zero);
  EXPECT_EQ(FHeat::Instances(), before + 1);
  condition->Acquire();
  condition->Acquire();
  EXPECT_EQ(condition->Locks(), 2);
  condition->Release();
  EXPECT_EQ(FHeat::Instances(), before + 1);
  condition->Release();
  EXPECT_EQ(FHeat::Instances(), before);
}

TEST(ConditionsDeathTest, ReleaseWithoutAcquireStopsNamingTheInvariant) {
  FConstant zero(0);
  EXPECT_DEATH(
      {
        FHeat* condition = new FFlux(&zero);
        condition->Acquire();
        condition->Release();  // destroys it
        FFlux stray(&zero);
        stray.Release();
      },
      "lock>=0.*sim/fheat");
}

}  // namespace
