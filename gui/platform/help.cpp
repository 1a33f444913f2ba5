#include "gui/platform/help.h"

#include <QCoreApplication>
#include <QCursor>
#include <QDialog>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRegularExpression>
#include <QTextBrowser>
#include <QTextStream>
#include <QVBoxLayout>
#include <QWhatsThis>

namespace {

constexpr int contentsTopic = 1;
constexpr int helpOnHelpTopic = 2;

}  // namespace

std::map<int, HelpTopic> ParseHelpFile(const QString& text) {
  std::map<int, HelpTopic> topics;
  static const QRegularExpression header("^@(\\d+)\\s*(.*)$");
  HelpTopic* current = nullptr;
  const QStringList lines = text.split('\n');
  for (QString line : lines) {
    if (line.endsWith('\r'))
      line.chop(1);
    if (line.startsWith('#'))
      continue;
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
      current->text.clear();
      continue;
    }
    if (current)
      current->text += line + '\n';
  }
  for (auto& entry : topics)
    entry.second.text = entry.second.text.trimmed();
  return topics;
}

QString HelpTopicHtml(int number, const HelpTopic& topic) {
  static const QRegularExpression link("\\[(\\d+)\\]");
  QString html = "<h2>" + topic.title.toHtmlEscaped() + "</h2>";
  bool inList = false;
  const QStringList paragraphs = topic.text.split(QRegularExpression("\\n\\s*\\n"));
  for (const QString& paragraph : paragraphs) {
    const QStringList lines = paragraph.split('\n');
    for (const QString& raw : lines) {
      QString line = raw.trimmed().toHtmlEscaped();
      line.replace(link, "<a href=\"topic:\\1\">topic \\1</a>");
      if (raw.trimmed().startsWith("- ")) {
        if (!inList)
          html += "<ul>";
        inList = true;
        html += "<li>" + line.mid(2) + "</li>";
        continue;
      }
      if (inList)
        html += "</ul>";
      inList = false;
      if (!line.isEmpty())
        html += "<p>" + line + "</p>";
    }
  }
  if (inList)
    html += "</ul>";
  html += QString("<p style=\"color:gray\">Topic %1</p>").arg(number);
  return html;
}

HelpViewer& HelpViewer::Instance() {
  static HelpViewer viewer;
  return viewer;
}

HelpViewer::HelpViewer() = default;
HelpViewer::~HelpViewer() = default;

void HelpViewer::SetHelpFile(const QString& helpPath) {
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
  // Relative to the working directory, as the program has always looked for it; beside the
  // executable as a second chance.
  QStringList candidates{path};
  if (QDir::isRelativePath(path) && QCoreApplication::instance()) {
    candidates << QDir(QCoreApplication::applicationDirPath()).filePath(path);
  }
  for (const QString& candidate : candidates) {
    QFile file(candidate);
    if (file.open(QIODevice::ReadOnly | QIODevice::Text)) {
      topics = ParseHelpFile(QTextStream(&file).readAll());
      return;
    }
  }
}

void HelpViewer::EnsureWindow() {
  if (window)
    return;
  // Lives as long as the program; closing only hides it.
  window = new QDialog(nullptr, Qt::Window);
  window->setWindowTitle("Calorivectrix Help");
  window->resize(520, 420);
  auto* layout = new QVBoxLayout(window);
  browser = new QTextBrowser(window);
  browser->setOpenLinks(false);
  layout->addWidget(browser);
  auto* buttons = new QHBoxLayout;
  auto* contents = new QPushButton("&Contents", window);
  auto* index = new QPushButton("&Index", window);
  auto* close = new QPushButton("&Close", window);
  buttons->addWidget(contents);
  buttons->addWidget(index);
  buttons->addStretch();
  buttons->addWidget(close);
  layout->addLayout(buttons);
  QObject::connect(browser, &QTextBrowser::anchorClicked, window, [this](const QUrl& url) {
    if (url.scheme() == "topic")
      ShowTopic(url.path().toInt());
  });
  QObject::connect(contents, &QPushButton::clicked, window, [this] { ShowContents(); });
  QObject::connect(index, &QPushButton::clicked, window, [this] { ShowIndex(); });
  QObject::connect(close, &QPushButton::clicked, window, [this] { Close(); });
}

void HelpViewer::Display(int topic) {
  Load();
  if (!showWindows)
    return;
  EnsureWindow();
  const auto found = topics.find(topic);
  if (found != topics.end()) {
    browser->setHtml(HelpTopicHtml(topic, found->second));
  } else if (topics.empty()) {
    browser->setHtml(QString("<p>The help file \"%1\" could not be read.</p>").arg(path));
  } else {
    browser->setHtml(QString("<p>Help topic %1 is not available.</p>").arg(topic));
  }
  window->show();
  window->raise();
  window->activateWindow();
}

void HelpViewer::ShowTopic(int topic) {
  last = Request{Command::Topic, topic};
  Display(topic);
}

void HelpViewer::ShowPopup(int topic) {
  last = Request{Command::Popup, topic};
  Load();
  if (!showWindows)
    return;
  const auto found = topics.find(topic);
  const QString text = found != topics.end()
                           ? "<b>" + found->second.title.toHtmlEscaped() + "</b><br>" +
                                 found->second.text.toHtmlEscaped().replace('\n', "<br>")
                           : QString("Help topic %1 is not available.").arg(topic);
  QWhatsThis::showText(QCursor::pos(), text);
}

void HelpViewer::ShowContents() {
  last = Request{Command::Contents, contentsTopic};
  Display(contentsTopic);
}

void HelpViewer::HelpOnHelp() {
  last = Request{Command::HelpOnHelp, helpOnHelpTopic};
  Display(helpOnHelpTopic);
}

void HelpViewer::ShowIndex() {
  last = Request{Command::Index, 0};
  Load();
  if (!showWindows)
    return;
  if (!indexWindow) {
    indexWindow = new QDialog(nullptr, Qt::Window);
    indexWindow->setWindowTitle("Help Topics");
    indexWindow->resize(320, 380);
    auto* layout = new QVBoxLayout(indexWindow);
    indexKey = new QLineEdit(indexWindow);
    indexKey->setPlaceholderText("Type the first letters of a topic");
    indexList = new QListWidget(indexWindow);
    layout->addWidget(indexKey);
    layout->addWidget(indexList);
    auto fill = [this] {
      indexList->clear();
      const QString key = indexKey->text().trimmed();
      for (const auto& [number, topic] : topics) {
        if (topic.title.isEmpty() || !topic.title.contains(key, Qt::CaseInsensitive))
          continue;
        auto* item = new QListWidgetItem(topic.title, indexList);
        item->setData(Qt::UserRole, number);
      }
      indexList->sortItems();
    };
    QObject::connect(indexKey, &QLineEdit::textChanged, indexWindow, fill);
    QObject::connect(
        indexList, &QListWidget::itemActivated, indexWindow,
        [this](QListWidgetItem* item) { ShowTopic(item->data(Qt::UserRole).toInt()); });
  }
  indexKey->clear();
  indexKey->textChanged(QString());
  indexWindow->show();
  indexWindow->raise();
}

void HelpViewer::Close() {
  last = Request{Command::Close, 0};
  if (window)
    window->hide();
  if (indexWindow)
    indexWindow->hide();
}
