#include <gtest/gtest.h>
#include <QApplication>
#include <QTemporaryDir>

// Every GUI test runs inside one QApplication on the offscreen platform, so no display
// is needed and pixels are reproducible.
int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
    qputenv("QT_QPA_PLATFORM", "offscreen");
  // What the program keeps between sessions (its recent problems) goes to a folder of the
  // tests' own, never to the user's.
  QTemporaryDir settings;
  qputenv("XDG_CONFIG_HOME", settings.path().toLocal8Bit());
  ::testing::InitGoogleTest(&argc, argv);
  QApplication app(argc, argv);
  return RUN_ALL_TESTS();
}
