#ifndef CALORIVECTRIX_GUI_HELP_H
#define CALORIVECTRIX_GUI_HELP_H

// The help viewer: numbered topics read from the help file "Help/heat.hlp".
//
// The file is plain text. A line "@N Title" starts topic N; the lines up to the next topic
// are its text, blank lines separating paragraphs, "- " starting a list item and "[N]"
// linking to topic N. Lines starting with "#" are comments.

#include <QString>
#include <map>
#include <memory>

class QDialog;
class QTextBrowser;
class QListWidget;
class QLineEdit;
class QWidget;

struct HelpTopic {
  QString title;
  QString text;
};

// Parses the help file's text; topics in number order.
std::map<int, HelpTopic> ParseHelpFile(const QString& text);
// The topic as rich text, with "[N]" turned into links.
QString HelpTopicHtml(int number, const HelpTopic& topic);

class HelpViewer {
 public:
  enum class Command { None, Topic, Popup, Contents, Index, HelpOnHelp, Close };
  struct Request {
    Command command = Command::None;
    int topic = 0;
  };

  static HelpViewer& Instance();

  void SetHelpFile(const QString& path);
  void ShowTopic(int topic);
  void ShowPopup(int topic);
  void ShowContents();
  // A partial-key search with an empty key: the index of every topic.
  void ShowIndex();
  void HelpOnHelp();
  void Close();

  // What the program asked for last; tests read it instead of looking at windows.
  const Request& LastRequest() const { return last; }
  // Tests switch windows off; requests are still recorded.
  void SetShowWindows(bool show) { showWindows = show; }
  const std::map<int, HelpTopic>& Topics();

 private:
  HelpViewer();
  ~HelpViewer();
  void Load();
  void EnsureWindow();
  void Display(int topic);

  QString path = "Help/heat.hlp";
  bool loaded = false;
  std::map<int, HelpTopic> topics;
  Request last;
  bool showWindows = true;
  QDialog* window = nullptr;
  QTextBrowser* browser = nullptr;
  QDialog* indexWindow = nullptr;
  QLineEdit* indexKey = nullptr;
  QListWidget* indexList = nullptr;
};

// Shorthands used by the dialogs' Help buttons.
inline void ShowHelpTopic(int topic) {
  HelpViewer::Instance().ShowTopic(topic);
}

#endif
