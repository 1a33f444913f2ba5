#ifndef CALORIVECTRIX_TESTS_GUI_PLATFORM_PROGRAMFILESSUPPORT_H
#define CALORIVECTRIX_TESTS_GUI_PLATFORM_PROGRAMFILESSUPPORT_H

// Laying out the folders a program finds its files in, for tests.

#include <gtest/gtest.h>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QString>

// Writes `text` to `path`, making its folders.
inline void WriteFile(const QString& path, const QString& text) {
  ASSERT_TRUE(QDir().mkpath(QFileInfo(path).path())) << path.toStdString();
  QFile file(path);
  ASSERT_TRUE(file.open(QIODevice::WriteOnly)) << path.toStdString();
  file.write(text.toUtf8());
}

// The current folder for the life of the object.
class CurrentFolder {
 public:
  explicit CurrentFolder(const QString& path) : previous(QDir::currentPath()) {
    EXPECT_TRUE(QDir::setCurrent(path)) << path.toStdString();
  }
  ~CurrentFolder() { QDir::setCurrent(previous); }
  CurrentFolder(const CurrentFolder&) = delete;
  CurrentFolder& operator=(const CurrentFolder&) = delete;

 private:
  QString previous;
};

#endif
