#ifndef CALORIVECTRIX_GUI_HELP_H
#define CALORIVECTRIX_GUI_HELP_H

// The help viewer: numbered topics read from the help file "Help/heat.hlp", shown in one
// window with a contents tree, an index, back and forward, or as a popup beside the pointer.
//
// The file is UTF-8 text, read line by line:
//   # comment                  ignored ("##" is a subheading, below)
//   == Group name              starts a group of the contents tree
//   @N Title                   starts topic N; the lines up to the next topic are its text
//   K: word; other words       index entries of the topic (its title is one already)
// A topic's text: blank lines separate blocks; "## " starts a subheading, "- " a bullet,
// "1. " a numbered step (a line indented under an item continues it), "> " a displayed
// formula, "|" a table row (cells between bars; the first row is the header). Inline,
// "[words](N)" links the words to topic N, "[N]" links topic N by its title, and
// "**words**" is bold.

#include <QPointer>
#include <QString>
#include <QStringList>
#include <QWidget>
#include <map>
#include <vector>

class QLineEdit;
class QListWidget;
class QTabWidget;
class QTextBrowser;
class QToolButton;
class QTreeWidget;

struct HelpTopic {
  QString title;
  QString group;
  QString text;
  QStringList keywords;
  int order = 0;  // position in the file, for the contents tree
};

// Parses the help file's text; topics by number.
std::map<int, HelpTopic> ParseHelpFile(const QString& text);
// The topic as rich text. Links become anchors "topic:N"; bare links take the target's
// title from `topics`.
QString HelpTopicHtml(const HelpTopic& topic, const std::map<int, HelpTopic>& topics);
// The topic numbers a topic's text links to, in order of appearance.
std::vector<int> HelpTopicLinks(const HelpTopic& topic);

// One line of the index: the words shown and the topic they lead to.
struct HelpIndexEntry {
  QString text;
  int topic;
};
// Every title and keyword once, sorted without regard to case; a keyword that leads to
// several topics is listed once per topic, with the topic's title after it.
std::vector<HelpIndexEntry> HelpIndex(const std::map<int, HelpTopic>& topics);
// The entries a typed word finds: those containing it, and the titles of topics whose text
// contains it. An empty key finds everything.
std::vector<HelpIndexEntry> FindInHelpIndex(const std::vector<HelpIndexEntry>& index,
                                            const std::map<int, HelpTopic>& topics,
                                            const QString& key);

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

  // The window (null until first shown) and the topic on show in it, for tests and
  // screenshots.
  QWidget* Window() const { return window; }
  int CurrentTopic() const { return history.empty() ? 0 : history[position]; }

 private:
  HelpViewer();
  ~HelpViewer();
  void Load();
  void EnsureWindow();
  // Shows the topic in the window; `remember` adds it to the back/forward history.
  void Display(int topic, bool remember);
  void Render();
  void Back();
  void Forward();
  void FillIndex(const QString& key);
  void Raise();
  // A window outside the modal dialog on show cannot be clicked while it is open: the help
  // window lives inside the topmost modal dialog while there is one.
  void FollowModal();
  void LeaveHost();

  QString path = "Help/heat.hlp";
  bool loaded = false;
  std::map<int, HelpTopic> topics;
  std::vector<HelpIndexEntry> index;
  Request last;
  bool showWindows = true;
  std::vector<int> history;
  std::size_t position = 0;

  // The window may go with a modal dialog it was placed in; it is built again when needed.
  QPointer<QWidget> window;
  QTextBrowser* browser = nullptr;
  QTabWidget* tabs = nullptr;
  QTreeWidget* contentsTree = nullptr;
  QLineEdit* indexKey = nullptr;
  QListWidget* indexList = nullptr;
  QToolButton* backButton = nullptr;
  QToolButton* forwardButton = nullptr;
  QPointer<QWidget> host;
  QObject* hostWatcher = nullptr;
  QPointer<QWidget> popupLinks;
};

// The address of a topic for a link label: opening it with the desktop's handler shows the
// topic in the help window (the program answers these addresses itself).
QString HelpTopicUrl(int topic);

// Shorthands used by the dialogs' Help buttons.
inline void ShowHelpTopic(int topic) {
  HelpViewer::Instance().ShowTopic(topic);
}

#endif
