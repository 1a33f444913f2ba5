#ifndef CALORIVECTRIX_GUI_MAINWINDOW_EXAMPLES_H
#define CALORIVECTRIX_GUI_MAINWINDOW_EXAMPLES_H

// The problems shipped with the program (resources/examples), as the File menu lists them:
// the four tutorials of the help file, set up, and a few that show what the program can do.

#include <vector>

struct Example {
  const char* name;      // the menu item's objectName
  const char* caption;   // the menu item's text
  const char* hint;      // its status-bar text
  const char* resource;  // where the problem file is compiled in
  int helpTopic;         // the help's worked example it sets up, or where examples are told of
  bool tutorial;         // sets up one of the help's worked examples
};

const std::vector<Example>& Examples();

#endif
