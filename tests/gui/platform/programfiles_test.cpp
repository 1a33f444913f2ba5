// Where the program finds the files it comes with: beside it in a build folder, or in
// share/calorivectrix of the prefix it was installed into, wherever that prefix was moved;
// the current folder only where the program has always looked there first.

#include "gui/platform/programfiles.h"

#include <gtest/gtest.h>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <string>

#include "tests/gui/platform/programfilessupport.h"

TEST(ProgramFiles, EachRuleTakesTheFirstPlaceThatHoldsTheFile) {
  // Every combination of three places holding the help file and a grids folder: the current
  // folder, beside the program (a build folder), and the program's installed prefix.
  for (int holders = 0; holders < 8; ++holders) {
    SCOPED_TRACE(holders);
    QTemporaryDir root;
    ASSERT_TRUE(root.isValid());
    const QString here = root.filePath("a student's folder");
    const QString bin = root.filePath("moved prefix/bin");
    const QString places[] = {here, bin, root.filePath("moved prefix/share/calorivectrix")};
    ASSERT_TRUE(QDir().mkpath(here) && QDir().mkpath(bin));
    for (int k = 0; k < 3; ++k) {
      if (holders & (1 << k)) {
        WriteFile(places[k] + "/Help/heat.hlp", places[k]);
        WriteFile(places[k] + "/grids/lshape.sdf", places[k]);
      }
    }
    const CurrentFolder inHere(here);
    // Paths compared as standard strings, which the test framework prints.
    auto first = [&](int from, const QString& relative) {
      for (int k = from; k < 3; ++k) {
        if (holders & (1 << k))
          return QDir(places[k]).absoluteFilePath(relative).toStdString();
      }
      return std::string();
    };
    for (const QString relative : {"Help/heat.hlp", "grids"}) {
      SCOPED_TRACE(relative.toStdString());
      EXPECT_EQ(FindHereOrProgramFile(relative, bin).toStdString(), first(0, relative));
      // The program's own files are never taken from the current folder.
      EXPECT_EQ(FindProgramFile(relative, bin).toStdString(), first(1, relative));
    }
  }
}
