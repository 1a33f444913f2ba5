#ifndef CALORIVECTRIX_TESTS_GUI_DIALOGSUPPORT_H
#define CALORIVECTRIX_TESTS_GUI_DIALOGSUPPORT_H

// Driving the editing dialogs as a student does: controls found by the names the program
// gives them, text typed key by key, and the decimal separator of another locale.

#include <gtest/gtest.h>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

#include "gui/platform/help.h"
#include "gui/platform/numfmt.h"

template <class T = QLineEdit>
T* Child(QWidget& dialog, const char* name) {
  T* child = dialog.findChild<T*>(QString::fromLatin1(name));
  EXPECT_NE(child, nullptr) << "no control named " << name;
  return child;
}

// Replaces the edit's text by typing, so every keystroke notifies as the user's would.
inline void Type(QWidget& dialog, const char* name, const QString& text) {
  QLineEdit* edit = Child(dialog, name);
  if (!edit)
    return;
  edit->selectAll();
  if (text.isEmpty())
    QTest::keyClick(edit, Qt::Key_Delete);
  else
    QTest::keyClicks(edit, text);
  ASSERT_EQ(edit->text(), text);
}

inline QString TextOf(QWidget& dialog, const char* name) {
  QLineEdit* edit = Child(dialog, name);
  return edit ? edit->text() : QString();
}

inline bool Enabled(QWidget& dialog, const char* name) {
  QWidget* control = Child<QWidget>(dialog, name);
  return control && control->isEnabled();
}

// The button asks the help viewer for the topic (no window is opened).
inline void ExpectHelpTopic(QPushButton& button, int topic) {
  HelpViewer& help = HelpViewer::Instance();
  help.SetShowWindows(false);
  button.click();
  help.SetShowWindows(true);
  EXPECT_EQ(help.LastRequest().command, HelpViewer::Command::Topic);
  EXPECT_EQ(help.LastRequest().topic, topic);
}

// A user whose locale writes decimals with a comma, for the scope of a test.
class DecimalCommaScope {
 public:
  DecimalCommaScope() : saved(DecimalSeparator()) { SetDecimalSeparator(QChar(',')); }
  ~DecimalCommaScope() { SetDecimalSeparator(saved); }
  DecimalCommaScope(const DecimalCommaScope&) = delete;
  DecimalCommaScope& operator=(const DecimalCommaScope&) = delete;

 private:
  QChar saved;
};

#endif
