// The example grid files shipped with the program: each reads completely, says what it is,
// and conducts heat with its energy balance closed.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "sim/streammedia.h"
#include "support.h"

namespace {

std::vector<std::filesystem::path> ExampleGrids() {
  std::vector<std::filesystem::path> files;
  const std::filesystem::path folder =
      std::filesystem::path(CALORIVECTRIX_SOURCE_DIR) / "resources" / "grids";
  for (const auto& entry : std::filesystem::directory_iterator(folder)) {
    if (entry.path().extension() == ".sdf")
      files.push_back(entry.path());
  }
  return files;
}

// Twice the signed area of a volume: positive when its corners run counter-clockwise, as
// in the generated grids.
double SignedArea2(const Media& m, int i, int j) {
  const Point a = m.node(i, j), b = m.node(i + 1, j), c = m.node(i + 1, j + 1),
              d = m.node(i, j + 1);
  return (c.x - a.x) * (d.y - b.y) - (d.x - b.x) * (c.y - a.y);
}

TEST(ExampleGridFiles, EachReadsRunsAndBalancesItsEnergy) {
  const std::vector<std::filesystem::path> files = ExampleGrids();
  ASSERT_GE(files.size(), 3u);
  const VolumeProperties steel{40, 8000, 500, 0};
  for (const auto& path : files) {
    SCOPED_TRACE(path.filename().string());
    std::ifstream in(path);
    ASSERT_TRUE(in);
    std::string first, comment;
    std::getline(in, first);
    std::getline(in, comment);
    EXPECT_EQ(first, "xiso");
    // The second line tells a teacher what the grid is.
    EXPECT_GE(comment.size(), 20u);
    in.seekg(0);
    GridFileResult read = ReadGridFile(in, steel);
    ASSERT_TRUE(read.media) << read.message;
    const Media& m = *read.media;
    ASSERT_GE(m.ni, 4);
    ASSERT_GE(m.nj, 4);
    for (int i = 0; i < m.ni; ++i) {
      for (int j = 0; j < m.nj; ++j)
        ASSERT_GT(SignedArea2(m, i, j), 0) << "volume " << i << ", " << j;
    }

    // West held at 0, East at 100, North and South insulated: at steady state what enters
    // through the East leaves through the West.
    TestProblem p(std::move(read.media));
    p.Temperature(p.west, 0);
    p.Temperature(p.east, 100);
    p.Insulate(p.north);
    p.Insulate(p.south);
    p.tolTime = 1e-12;
    p.tolSpace = 1e-12;
    p.dt = 1e6;
    auto sim = p.MakeSimulator();
    ASSERT_EQ(sim->Advance(1000), Simulator::Complete);
    const double traffic = BoundaryTraffic(sim->heatSN, sim->heatWE);
    ASSERT_GT(traffic, 1);
    EXPECT_NEAR(NetInflow(sim->heatSN, sim->heatWE) / traffic, 0, 1e-6);
    double lo = 1e300, hi = -1e300;
    sim->T.MinMax(lo, hi);
    EXPECT_GT(lo, 0);
    EXPECT_LT(hi, 100);
  }
}

}  // namespace
