#ifndef CALORIVECTRIX_TESTS_GUI_SUPPORT_H
#define CALORIVECTRIX_TESTS_GUI_SUPPORT_H

// What several GUI suites need: the pixels a drawing touched, finished runs of a problem,
// and a main window to drive.

#include <gtest/gtest.h>
#include <QImage>
#include <QTest>
#include <memory>
#include <set>
#include <utility>
#include <vector>

#include "gui/mainwindow/SDIMain.h"
#include "sim/manager.h"
#include "sim/problem.h"
#include "tests/sim/support.h"

using PixelSet = std::set<std::pair<int, int>>;

// Every pixel that is no longer the background.
inline PixelSet Painted(const QImage& image, QRgb background = qRgb(255, 255, 255)) {
  PixelSet painted;
  for (int y = 0; y < image.height(); ++y) {
    for (int x = 0; x < image.width(); ++x) {
      if (image.pixel(x, y) != background)
        painted.insert({x, y});
    }
  }
  return painted;
}

// Whether the pixels form one piece, neighbours counted across corners too.
inline bool Connected(const PixelSet& pixels) {
  if (pixels.empty())
    return true;
  PixelSet reached{*pixels.begin()};
  std::vector<std::pair<int, int>> todo{*pixels.begin()};
  while (!todo.empty()) {
    const auto [x, y] = todo.back();
    todo.pop_back();
    for (int dx = -1; dx <= 1; ++dx) {
      for (int dy = -1; dy <= 1; ++dy) {
        const std::pair<int, int> next{x + dx, y + dy};
        if (pixels.count(next) && reached.insert(next).second)
          todo.push_back(next);
      }
    }
  }
  return reached.size() == pixels.size();
}

// The problem's initial temperature in every volume.
inline NumMatrix<double> UniformStart(const ProblemRecord& p) {
  NumMatrix<double> field(p.media->ni, p.media->nj);
  field.SetAll(p.initialTemp);
  return field;
}

// The problem run to its end without any window, as the run dialog's Finish leaves it: the
// last state taken as a snapshot and the simulator released.
inline std::unique_ptr<SimManager> RunToEnd(ProblemRecord& p, const NumMatrix<double>& start) {
  auto m = std::make_unique<SimManager>(p.media.get(), p.northFace.get(), p.southFace.get(),
                                        p.eastFace.get(), p.westFace.get(), p.tolTime, p.tolSpace,
                                        p.maxIterTime, p.maxIterSpace, p.dt, start, nullptr,
                                        nullptr, p._marks.get(), p.solver, p.runMode);
  m->Run();
  m->TakeSnapshot();
  m->ReleaseSimulator();
  return m;
}

// The default problem run to its end.
struct SolvedDefault {
  ProblemRecord problem;
  std::unique_ptr<SimManager> manager = RunToEnd(problem, UniformStart(problem));
};

// A shown main window with the default problem.
class WindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    form = std::make_unique<THeatForm>();
    form->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(form.get()));
  }
  void TearDown() override { form.reset(); }
  std::unique_ptr<THeatForm> form;
};

#endif
