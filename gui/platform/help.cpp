#include "gui/platform/help.h"

#include <QApplication>
#include <QCursor>
#include <QDesktopServices>
#include <QEvent>
#include <QFile>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QRegularExpression>
#include <QScreen>
#include <QSplitter>
#include <QTabWidget>
#include <QTextBrowser>
#include <QTextStream>
#include <QTimer>
#include <QToolButton>
#include <QTreeWidget>
#include <QVBoxLayout>
#include <QWhatsThis>
#include <QWhatsThisClickedEvent>
#include <algorithm>
#include <functional>
#include <set>

#include "gui/platform/programfiles.h"

namespace {

constexpr int contentsTopic = 1;
constexpr int helpOnHelpTopic = 2;

const QRegularExpression& LinkPattern() {
  // [words](N) or [N]
  static const QRegularExpression link("\\[([^\\]]*)\\]\\((\\d+)\\)|\\[(\\d+)\\]");
  return link;
}

int LinkTarget(const QRegularExpressionMatch& match) {
  return (match.captured(2).isEmpty() ? match.captured(3) : match.captured(2)).toInt();
}

QString InlineHtml(const QString& raw, const std::map<int, HelpTopic>& topics) {
  QString html;
  int from = 0;
  QRegularExpressionMatchIterator it = LinkPattern().globalMatch(raw);
  while (it.hasNext()) {
    const QRegularExpressionMatch match = it.next();
    html += raw.mid(from, match.capturedStart() - from).toHtmlEscaped();
    const int target = LinkTarget(match);
    QString words = match.captured(2).isEmpty() ? QString() : match.captured(1);
    if (words.isEmpty()) {
      const auto found = topics.find(target);
      words = found != topics.end() ? found->second.title : QStringLiteral("this topic");
    }
    html += QString("<a href=\"topic:%1\">%2</a>").arg(target).arg(words.toHtmlEscaped());
    from = match.capturedEnd();
  }
  html += raw.mid(from).toHtmlEscaped();
  static const QRegularExpression bold("\\*\\*(.+?)\\*\\*");
  html.replace(bold, "<b>\\1</b>");
  return html;
}

// Turns the block markup of a topic's text into rich text.
class BlockWriter {
 public:
  explicit BlockWriter(const std::map<int, HelpTopic>& topics) : topics(topics) {}

  void Line(const QString& raw) {
    const QString line = raw.trimmed();
    static const QRegularExpression numbered("^(\\d+)\\.\\s+(.*)$");
    if (line.isEmpty()) {
      Flush();
      return;
    }
    if (line.startsWith("## ")) {
      Flush();
      html += "<h3>" + InlineHtml(line.mid(3), topics) + "</h3>";
      return;
    }
    if (line.startsWith("> ")) {
      Flush();
      html += "<p class=\"formula\">" + InlineHtml(line.mid(2), topics) + "</p>";
      return;
    }
    if (line.startsWith('|')) {
      CloseParagraph();
      CloseList();
      TableRow(line);
      return;
    }
    const QRegularExpressionMatch step = numbered.match(line);
    if (line.startsWith("- ") || step.hasMatch()) {
      CloseParagraph();
      CloseTable();
      const QString kind = line.startsWith("- ") ? "ul" : "ol";
      if (list != kind) {
        CloseList();
        list = kind;
        html += "<" + kind + ">";
      }
      CloseItem();
      item = line.startsWith("- ") ? line.mid(2) : step.captured(2);
      return;
    }
    if (!list.isEmpty() && raw.startsWith(' ')) {
      item += ' ' + line;
      return;
    }
    CloseList();
    CloseTable();
    paragraph += (paragraph.isEmpty() ? "" : " ") + line;
  }

  QString Finish() {
    Flush();
    return html;
  }

 private:
  void Flush() {
    CloseParagraph();
    CloseList();
    CloseTable();
  }
  void CloseParagraph() {
    if (!paragraph.isEmpty())
      html += "<p>" + InlineHtml(paragraph, topics) + "</p>";
    paragraph.clear();
  }
  void CloseItem() {
    if (!item.isEmpty())
      html += "<li>" + InlineHtml(item, topics) + "</li>";
    item.clear();
  }
  void CloseList() {
    CloseItem();
    if (!list.isEmpty())
      html += "</" + list + ">";
    list.clear();
  }
  void TableRow(const QString& line) {
    QStringList cells = line.split('|');
    if (!cells.isEmpty())
      cells.removeFirst();
    if (!cells.isEmpty() && cells.last().trimmed().isEmpty())
      cells.removeLast();
    static const QRegularExpression rule("^[\\s:-]*$");
    if (std::all_of(cells.begin(), cells.end(),
                    [](const QString& c) { return rule.match(c).hasMatch(); }))
      return;
    if (!inTable)
      html += "<table class=\"numbers\" cellspacing=\"0\" cellpadding=\"4\" border=\"1\">";
    const QString tag = inTable ? "td" : "th";
    inTable = true;
    html += "<tr>";
    for (const QString& cell : cells)
      html += "<" + tag + ">" + InlineHtml(cell.trimmed(), topics) + "</" + tag + ">";
    html += "</tr>";
  }
  void CloseTable() {
    if (inTable)
      html += "</table>";
    inTable = false;
  }

  const std::map<int, HelpTopic>& topics;
  QString html;
  QString paragraph;
  QString list;
  QString item;
  bool inTable = false;
};

const char* const kStyleSheet =
    "body { font-size: 11pt; }"
    "h2 { color: #1d3f73; }"
    "h3 { color: #1d3f73; margin-top: 14px; }"
    "p { margin-bottom: 8px; }"
    "li { margin-bottom: 4px; }"
    "a { color: #0b57b0; }"
    "p.formula { margin-left: 28px; font-family: serif; font-size: 12pt; }"
    "th { background-color: #e6edf7; }";

// Catches a click on a link inside a popup: the popup sends it to the widget it was shown
// for, and this widget is that one.
class PopupLinkSink : public QWidget {
 public:
  explicit PopupLinkSink(std::function<void(int)> follow) : follow(std::move(follow)) {}

 protected:
  bool event(QEvent* event) override {
    if (event->type() == QEvent::WhatsThisClicked) {
      const QString href = static_cast<QWhatsThisClickedEvent*>(event)->href();
      if (href.startsWith("topic:"))
        follow(href.mid(6).toInt());
      event->accept();
      return true;
    }
    return QWidget::event(event);
  }

 private:
  std::function<void(int)> follow;
};

// Moves the help window out of a modal dialog that is going away, and into the next
// modal dialog if one is still open.
class HostWatcher : public QObject {
 public:
  HostWatcher(QObject* parent, std::function<void()> hostHidden)
      : QObject(parent), hostHidden(std::move(hostHidden)) {}

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() == QEvent::Hide && watched->isWidgetType() &&
        !static_cast<QWidget*>(watched)->isVisible())
      hostHidden();
    return QObject::eventFilter(watched, event);
  }

 private:
  std::function<void()> hostHidden;
};

constexpr const char* kHelpScheme = "calorivectrix-help";

// Answers the program's own help addresses when they are opened through the desktop
// services (a link label does that), so no outside program is needed to show them.
class HelpUrlHandler : public QObject {
  Q_OBJECT

 public slots:
  void Open(const QUrl& url) { ShowHelpTopic(url.path().toInt()); }
};

}  // namespace

std::map<int, HelpTopic> ParseHelpFile(const QString& text) {
  std::map<int, HelpTopic> topics;
  static const QRegularExpression header("^@(\\d+)\\s*(.*)$");
  HelpTopic* current = nullptr;
  QString group;
  int order = 0;
  const QStringList lines = text.split('\n');
  for (QString line : lines) {
    if (line.endsWith('\r'))
      line.chop(1);
    if (line.startsWith('#') && !line.startsWith("##"))
      continue;
    if (line.startsWith("==")) {
      group = line.mid(2).trimmed();
      current = nullptr;
      continue;
    }
    const QRegularExpressionMatch match = header.match(line);
    if (match.hasMatch()) {
      bool ok = false;
      const int number = match.captured(1).toInt(&ok);
      if (!ok) {
        current = nullptr;
        continue;
      }
      current = &topics[number];
      current->title = match.captured(2).trimmed();
      current->group = group;
      current->text.clear();
      current->keywords.clear();
      current->order = order++;
      continue;
    }
    if (!current)
      continue;
    if (line.startsWith("K:")) {
      for (const QString& word : line.mid(2).split(';')) {
        if (!word.trimmed().isEmpty())
          current->keywords << word.trimmed();
      }
      continue;
    }
    current->text += line + '\n';
  }
  for (auto& entry : topics)
    entry.second.text = entry.second.text.trimmed();
  return topics;
}

QString HelpTopicHtml(const HelpTopic& topic, const std::map<int, HelpTopic>& topics) {
  BlockWriter writer(topics);
  for (const QString& line : topic.text.split('\n'))
    writer.Line(line);
  return "<h2>" + topic.title.toHtmlEscaped() + "</h2>" + writer.Finish();
}

std::vector<int> HelpTopicLinks(const HelpTopic& topic) {
  std::vector<int> links;
  QRegularExpressionMatchIterator it = LinkPattern().globalMatch(topic.text);
  while (it.hasNext())
    links.push_back(LinkTarget(it.next()));
  return links;
}

std::vector<HelpIndexEntry> HelpIndex(const std::map<int, HelpTopic>& topics) {
  // Every (words, topic) pair once; words that lead to several topics name each topic.
  std::map<QString, std::set<int>> byWords;
  std::map<QString, QString> spelling;
  for (const auto& [number, topic] : topics) {
    QStringList words = topic.keywords;
    words.prepend(topic.title);
    for (const QString& w : words) {
      if (w.isEmpty())
        continue;
      byWords[w.toLower()].insert(number);
      spelling.emplace(w.toLower(), w);
    }
  }
  std::vector<HelpIndexEntry> index;
  for (const auto& [key, numbers] : byWords) {
    const QString& shown = spelling[key];
    if (numbers.size() == 1) {
      index.push_back({shown, *numbers.begin()});
      continue;
    }
    for (const int number : numbers) {
      const QString& title = topics.at(number).title;
      index.push_back(
          {title.compare(shown, Qt::CaseInsensitive) == 0 ? shown : shown + ": " + title, number});
    }
  }
  auto byText = [](const HelpIndexEntry& a, const HelpIndexEntry& b) {
    const int order = a.text.compare(b.text, Qt::CaseInsensitive);
    return order != 0 ? order < 0 : a.topic < b.topic;
  };
  std::sort(index.begin(), index.end(), byText);
  // Topics whose titles differ only in case: tell them apart by their group.
  for (std::size_t i = 0; i + 1 < index.size(); ++i) {
    if (index[i].text.compare(index[i + 1].text, Qt::CaseInsensitive) != 0)
      continue;
    for (HelpIndexEntry* entry : {&index[i], &index[i + 1]}) {
      const QString& group = topics.at(entry->topic).group;
      entry->text += " (" + (group.isEmpty() ? QString::number(entry->topic) : group) + ")";
    }
  }
  std::sort(index.begin(), index.end(), byText);
  return index;
}

std::vector<HelpIndexEntry> FindInHelpIndex(const std::vector<HelpIndexEntry>& index,
                                            const std::map<int, HelpTopic>& topics,
                                            const QString& key) {
  const QString word = key.trimmed();
  std::vector<HelpIndexEntry> found;
  std::vector<HelpIndexEntry> mentions;
  for (const HelpIndexEntry& entry : index) {
    if (entry.text.contains(word, Qt::CaseInsensitive)) {
      found.push_back(entry);
      continue;
    }
    const auto topic = topics.find(entry.topic);
    if (word.size() >= 3 && topic != topics.end() && entry.text == topic->second.title &&
        topic->second.text.contains(word, Qt::CaseInsensitive))
      mentions.push_back(entry);
  }
  found.insert(found.end(), mentions.begin(), mentions.end());
  return found;
}

QString HelpTopicUrl(int topic) {
  static HelpUrlHandler* const handler = [] {
    auto* h = new HelpUrlHandler;
    QDesktopServices::setUrlHandler(kHelpScheme, h, "Open");
    return h;
  }();
  Q_UNUSED(handler);
  return QString("%1:%2").arg(kHelpScheme).arg(topic);
}

HelpViewer& HelpViewer::Instance() {
  static HelpViewer viewer;
  return viewer;
}

HelpViewer::HelpViewer() = default;
HelpViewer::~HelpViewer() = default;

void HelpViewer::SetHelpFile(const QString& helpPath) {
  // The same file again keeps the topics already read (and every reference to them).
  if (helpPath == path)
    return;
  path = helpPath;
  loaded = false;
}

const std::map<int, HelpTopic>& HelpViewer::Topics() {
  Load();
  return topics;
}

void HelpViewer::Load() {
  if (loaded)
    return;
  loaded = true;
  topics.clear();
  // Relative to the working directory, as the program has always looked for it; then where
  // the program keeps its own files (beside it, or in the prefix it was installed into).
  QFile file(FindHereOrProgramFile(path));
  if (file.open(QIODevice::ReadOnly | QIODevice::Text)) {
    QTextStream stream(&file);
    stream.setEncoding(QStringConverter::Utf8);
    topics = ParseHelpFile(stream.readAll());
  }
  index = HelpIndex(topics);
  // A window built from another file is built again with this one.
  if (window) {
    if (host && hostWatcher)
      host->removeEventFilter(hostWatcher);
    host = nullptr;
    delete window;
  }
}

void HelpViewer::EnsureWindow() {
  if (window)
    return;
  auto* w = new QWidget(nullptr, Qt::Window);
  window = w;
  w->setObjectName("HelpWindow");
  w->setWindowTitle("Calorivectrix Help");
  w->setAttribute(Qt::WA_DeleteOnClose, false);
  w->resize(900, 620);

  auto* layout = new QVBoxLayout(w);
  auto* bar = new QHBoxLayout;
  auto button = [w, bar](const char* name, const QString& text, const QString& tip) {
    auto* b = new QToolButton(w);
    b->setObjectName(name);
    b->setText(text);
    b->setToolTip(tip);
    b->setToolButtonStyle(Qt::ToolButtonTextOnly);
    b->setAutoRaise(false);
    b->setMinimumWidth(70);
    bar->addWidget(b);
    return b;
  };
  backButton = button("HelpBack", QString::fromUtf8("\u25C0 Back"), "The topic shown before");
  forwardButton = button("HelpForward", QString::fromUtf8("Forward \u25B6"), "The next topic");
  QToolButton* contents = button("HelpContents", "Contents", "The list of topics");
  QToolButton* indexButton = button("HelpIndex", "Index", "Find a topic by a word");
  bar->addStretch();
  QToolButton* close = button("HelpClose", "Close", "Close the help window");
  layout->addLayout(bar);

  auto* splitter = new QSplitter(Qt::Horizontal, w);
  tabs = new QTabWidget(splitter);
  tabs->setObjectName("HelpTabs");
  contentsTree = new QTreeWidget(tabs);
  contentsTree->setObjectName("HelpContentsTree");
  contentsTree->setHeaderHidden(true);
  auto* indexPage = new QWidget(tabs);
  auto* indexLayout = new QVBoxLayout(indexPage);
  indexLayout->setContentsMargins(4, 4, 4, 4);
  indexLayout->addWidget(new QLabel("Type a word to find:", indexPage));
  indexKey = new QLineEdit(indexPage);
  indexKey->setObjectName("HelpIndexKey");
  indexKey->setClearButtonEnabled(true);
  indexList = new QListWidget(indexPage);
  indexList->setObjectName("HelpIndexList");
  indexLayout->addWidget(indexKey);
  indexLayout->addWidget(indexList);
  tabs->addTab(contentsTree, "Contents");
  tabs->addTab(indexPage, "Index");

  browser = new QTextBrowser(splitter);
  browser->setObjectName("HelpBrowser");
  browser->setOpenLinks(false);
  browser->document()->setDefaultStyleSheet(kStyleSheet);
  browser->document()->setDocumentMargin(14);
  splitter->addWidget(tabs);
  splitter->addWidget(browser);
  splitter->setStretchFactor(0, 0);
  splitter->setStretchFactor(1, 1);
  splitter->setSizes({290, 610});
  layout->addWidget(splitter, 1);

  // Contents: the groups in file order, each with its topics in file order.
  std::vector<std::pair<int, int>> byOrder;
  for (const auto& [number, topic] : topics)
    byOrder.push_back({topic.order, number});
  std::sort(byOrder.begin(), byOrder.end());
  std::map<QString, QTreeWidgetItem*> groups;
  for (const auto& [order, number] : byOrder) {
    const HelpTopic& topic = topics.at(number);
    QTreeWidgetItem* parent = nullptr;
    if (!topic.group.isEmpty()) {
      QTreeWidgetItem*& group = groups[topic.group];
      if (!group) {
        group = new QTreeWidgetItem(contentsTree, QStringList{topic.group});
        QFont bold = group->font(0);
        bold.setBold(true);
        group->setFont(0, bold);
      }
      parent = group;
    }
    auto* item = parent ? new QTreeWidgetItem(parent, QStringList{topic.title})
                        : new QTreeWidgetItem(contentsTree, QStringList{topic.title});
    item->setData(0, Qt::UserRole, number);
    item->setToolTip(0, topic.title);
  }
  contentsTree->expandAll();

  QObject::connect(browser, &QTextBrowser::anchorClicked, w, [this](const QUrl& url) {
    if (url.scheme() == "topic")
      Display(url.path().toInt(), true);
  });
  QObject::connect(backButton, &QToolButton::clicked, w, [this] { Back(); });
  QObject::connect(forwardButton, &QToolButton::clicked, w, [this] { Forward(); });
  QObject::connect(contents, &QToolButton::clicked, w, [this] {
    tabs->setCurrentIndex(0);
    Display(contentsTopic, true);
  });
  QObject::connect(indexButton, &QToolButton::clicked, w, [this] {
    tabs->setCurrentIndex(1);
    indexKey->setFocus();
  });
  QObject::connect(close, &QToolButton::clicked, w, [this] { Close(); });
  QObject::connect(contentsTree, &QTreeWidget::itemClicked, w, [this](QTreeWidgetItem* item) {
    const QVariant number = item->data(0, Qt::UserRole);
    if (number.isValid())
      Display(number.toInt(), true);
  });
  QObject::connect(indexKey, &QLineEdit::textChanged, w,
                   [this](const QString& key) { FillIndex(key); });
  QObject::connect(indexKey, &QLineEdit::returnPressed, w, [this] {
    if (indexList->count() > 0)
      Display(indexList->item(0)->data(Qt::UserRole).toInt(), true);
  });
  auto open = [this](QListWidgetItem* item) {
    if (item)
      Display(item->data(Qt::UserRole).toInt(), true);
  };
  QObject::connect(indexList, &QListWidget::itemClicked, w, open);
  QObject::connect(indexList, &QListWidget::itemActivated, w, open);
  FillIndex(QString());
}

void HelpViewer::FillIndex(const QString& key) {
  indexList->clear();
  for (const HelpIndexEntry& entry : FindInHelpIndex(index, topics, key)) {
    auto* item = new QListWidgetItem(entry.text, indexList);
    item->setData(Qt::UserRole, entry.topic);
    // Topics found only in their text, after the entries that hold the word.
    if (!entry.text.contains(key.trimmed(), Qt::CaseInsensitive)) {
      item->setForeground(QColor(90, 90, 90));
      item->setToolTip("This topic mentions \"" + key.trimmed() + "\"");
    }
  }
}

void HelpViewer::Render() {
  const int topic = CurrentTopic();
  const auto found = topics.find(topic);
  if (found != topics.end()) {
    browser->setHtml(HelpTopicHtml(found->second, topics));
  } else if (topics.empty()) {
    browser->setHtml(QString("<h2>No help</h2><p>The help file \"%1\" could not be read. It "
                             "is looked for in the folder the program was started from and "
                             "beside the program.</p>")
                         .arg(path.toHtmlEscaped()));
  } else {
    browser->setHtml(
        "<h2>Topic not found</h2><p>The help file has no page for this. Try the "
        "<a href=\"topic:1\">contents</a>.</p>");
  }
  backButton->setEnabled(position > 0);
  forwardButton->setEnabled(position + 1 < history.size());
  // Keep the contents tree on the page shown.
  for (QTreeWidgetItemIterator it(contentsTree); *it; ++it) {
    if ((*it)->data(0, Qt::UserRole).toInt() == topic && (*it)->data(0, Qt::UserRole).isValid()) {
      contentsTree->setCurrentItem(*it);
      break;
    }
  }
}

void HelpViewer::Display(int topic, bool remember) {
  Load();
  if (!showWindows)
    return;
  EnsureWindow();
  if (remember) {
    if (!history.empty() && history[position] == topic) {
      // Asking again for the page on show adds nothing to the history.
    } else {
      if (!history.empty())
        history.resize(position + 1);
      history.push_back(topic);
      position = history.size() - 1;
    }
  }
  Render();
  Raise();
}

void HelpViewer::Back() {
  if (position == 0)
    return;
  --position;
  Render();
}

void HelpViewer::Forward() {
  if (position + 1 >= history.size())
    return;
  ++position;
  Render();
}

void HelpViewer::FollowModal() {
  QWidget* const w = window.data();
  if (w == nullptr)
    return;
  QWidget* modal = QApplication::activeModalWidget();
  if (modal == w)
    modal = nullptr;
  if (w->parentWidget() == modal)
    return;
  const bool visible = w->isVisible();
  const QRect frame = w->geometry();
  if (host && hostWatcher)
    host->removeEventFilter(hostWatcher);
  w->setParent(modal, Qt::Window);
  host = modal;
  if (modal) {
    if (!hostWatcher)
      hostWatcher = new HostWatcher(nullptr, [this] { LeaveHost(); });
    modal->installEventFilter(hostWatcher);
  }
  if (frame.isValid())
    w->setGeometry(frame);
  if (visible)
    w->show();
}

void HelpViewer::LeaveHost() {
  // Out of the closing dialog at once, so the window neither hides nor goes with it; into
  // the dialog below it, if any, once the closing one has left the modal stack.
  if (host && hostWatcher)
    host->removeEventFilter(hostWatcher);
  host = nullptr;
  QWidget* const w = window.data();
  if (w == nullptr)
    return;
  const bool shown = w->isVisible();
  const QRect where = w->geometry();
  w->setParent(nullptr, Qt::Window);
  w->setGeometry(where);
  if (shown) {
    w->show();
    QTimer::singleShot(0, w, [this] { FollowModal(); });
  }
}

void HelpViewer::Raise() {
  FollowModal();
  QWidget* const w = window.data();
  if (w == nullptr)
    return;
  w->show();
  w->raise();
  w->activateWindow();
}

void HelpViewer::ShowTopic(int topic) {
  last = Request{Command::Topic, topic};
  Display(topic, true);
}

void HelpViewer::ShowPopup(int topic) {
  last = Request{Command::Popup, topic};
  Load();
  if (!showWindows)
    return;
  if (!popupLinks)
    popupLinks = new PopupLinkSink([this](int target) { ShowTopic(target); });
  const auto found = topics.find(topic);
  const QString text = found != topics.end() ? "<div style=\"max-width: 380px\">" +
                                                   HelpTopicHtml(found->second, topics)
                                                       .replace("<h2>", "<p><b>")
                                                       .replace("</h2>", "</b></p>") +
                                                   "</div>"
                                             : QString("There is no help for this item.");
  QWhatsThis::showText(QCursor::pos(), text, popupLinks);
}

void HelpViewer::ShowContents() {
  last = Request{Command::Contents, contentsTopic};
  Display(contentsTopic, true);
  if (showWindows)
    tabs->setCurrentIndex(0);
}

void HelpViewer::HelpOnHelp() {
  last = Request{Command::HelpOnHelp, helpOnHelpTopic};
  Display(helpOnHelpTopic, true);
}

void HelpViewer::ShowIndex() {
  last = Request{Command::Index, 0};
  Load();
  if (!showWindows)
    return;
  EnsureWindow();
  if (history.empty()) {
    history.push_back(contentsTopic);
    position = 0;
  }
  Render();
  tabs->setCurrentIndex(1);
  indexKey->clear();
  FillIndex(QString());
  Raise();
  indexKey->setFocus();
}

void HelpViewer::Close() {
  last = Request{Command::Close, 0};
  if (window)
    window->hide();
  QWhatsThis::hideText();
}

#include "help.moc"
