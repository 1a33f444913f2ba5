// The help file against the program (every topic it can ask for, every link, every number a
// tutorial states) and the help window driven through real clicks.

#include "gui/platform/help.h"

#include <gtest/gtest.h>
#include <QApplication>
#include <QDialog>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRegularExpression>
#include <QTabWidget>
#include <QTest>
#include <QTextBlock>
#include <QTextBrowser>
#include <QTextDocument>
#include <QToolButton>
#include <QVBoxLayout>
#include <set>

#include "gui/platform/helptopics.h"
#include "gui/platform/numfmt.h"
#include "sim/tutorials.h"

namespace {

// A click delivered as the window system delivers it, so that a window blocked by a modal
// dialog does not get it (a click sent straight to the widget would pass any block).
void SystemClick(QWidget* widget, QPoint at) {
  QWidget* top = widget->window();
  ASSERT_NE(top->windowHandle(), nullptr);
  QTest::mouseClick(top->windowHandle(), Qt::LeftButton, {}, widget->mapTo(top, at));
  QApplication::processEvents();
}

const std::map<int, HelpTopic>& FileTopics() {
  HelpViewer::Instance().SetHelpFile("Help/heat.hlp");
  return HelpViewer::Instance().Topics();
}

// What a reader sees of a topic: the rendered text without markup.
QString Shown(const HelpTopic& topic) {
  QTextDocument document;
  document.setHtml(HelpTopicHtml(topic, FileTopics()));
  return document.toPlainText();
}

TEST(HelpFile, EveryTopicTheProgramCanAskForReadsAsProse) {
  const auto& topics = FileTopics();
  ASSERT_GT(topics.size(), topic::All().size());
  for (const int number : topic::All()) {
    const auto found = topics.find(number);
    ASSERT_NE(found, topics.end()) << "no topic " << number;
    const QString shown = Shown(found->second);
    EXPECT_FALSE(found->second.title.isEmpty()) << number;
    EXPECT_GE(shown.split(QRegularExpression("\\s+"), Qt::SkipEmptyParts).size(), 10)
        << number << ": " << shown.toStdString();
  }
  // No markup survives into what is shown, and no link shows a bare number.
  static const QRegularExpression markup("\\]\\(|\\[\\d+\\]|\\*\\*|^\\s*[>|#@]|^==|^K:",
                                         QRegularExpression::MultilineOption);
  for (const auto& [number, topic] : topics) {
    const QString shown = Shown(topic);
    EXPECT_FALSE(markup.match(shown).hasMatch())
        << number << ": " << markup.match(shown).captured(0).toStdString();
    static const QRegularExpression numericLink("<a href=\"topic:\\d+\">\\s*\\d+\\s*</a>");
    EXPECT_FALSE(numericLink.match(HelpTopicHtml(topic, topics)).hasMatch()) << number;
  }
}

TEST(HelpFile, EveryLinkLeadsToATopicAndEveryTopicCanBeReached) {
  const auto& topics = FileTopics();
  std::set<int> reached{1};
  for (const auto& [number, topic] : topics) {
    for (const int target : HelpTopicLinks(topic)) {
      EXPECT_TRUE(topics.count(target)) << number << " links to missing " << target;
      reached.insert(target);
    }
  }
  // Topics the program never asks for are found through links.
  const std::vector<int>& asked = topic::All();
  for (const auto& [number, topic] : topics) {
    const bool askedFor = std::find(asked.begin(), asked.end(), number) != asked.end();
    EXPECT_TRUE(askedFor || reached.count(number) || number == 2) << "unreachable " << number;
  }
}

TEST(HelpFile, MarkupBecomesListsStepsTablesAndLinks) {
  const std::map<int, HelpTopic> topics = ParseHelpFile(
      "# a comment\n== Group\n@5 Target\nK: alpha; Beta\nSome words.\n"
      "@6 Source\nSee [the target](5) or [5].\n\n- one\n  more\n- two\n\n1. first\n2. second\n"
      "\n| a | b |\n|---|---|\n| 1 | 2 |\n\n> q = k A\n## Sub\n**bold** text\n");
  ASSERT_EQ(topics.size(), 2u);
  EXPECT_EQ(topics.at(5).group, "Group");
  EXPECT_EQ(topics.at(5).keywords, QStringList({"alpha", "Beta"}));
  EXPECT_EQ(topics.at(5).text, "Some words.");
  const QString html = HelpTopicHtml(topics.at(6), topics);
  EXPECT_TRUE(html.contains("<a href=\"topic:5\">the target</a>"));
  EXPECT_TRUE(html.contains("<a href=\"topic:5\">Target</a>"));
  EXPECT_TRUE(html.contains("<ul><li>one more</li><li>two</li></ul>"));
  EXPECT_TRUE(html.contains("<ol><li>first</li><li>second</li></ol>"));
  EXPECT_TRUE(html.contains("<th>a</th><th>b</th></tr><tr><td>1</td><td>2</td>"));
  EXPECT_TRUE(html.contains("<p class=\"formula\">q = k A</p>"));
  EXPECT_TRUE(html.contains("<h3>Sub</h3>"));
  EXPECT_TRUE(html.contains("<b>bold</b> text"));
  EXPECT_EQ(HelpTopicLinks(topics.at(6)), std::vector<int>({5, 5}));
}

TEST(HelpFile, IndexListsEachEntryOnceAndFindsTopicsByAWord) {
  const auto& topics = FileTopics();
  const std::vector<HelpIndexEntry> index = HelpIndex(topics);
  std::set<QString> seen;
  for (const HelpIndexEntry& entry : index) {
    EXPECT_TRUE(seen.insert(entry.text.toLower()).second) << entry.text.toStdString();
    EXPECT_TRUE(topics.count(entry.topic));
  }
  EXPECT_EQ(FindInHelpIndex(index, topics, "").size(), index.size());
  auto leadsTo = [&](const QString& word, int number) {
    for (const HelpIndexEntry& entry : FindInHelpIndex(index, topics, word)) {
      if (entry.topic == number)
        return true;
    }
    return false;
  };
  EXPECT_TRUE(leadsTo("shape factor", 730));
  EXPECT_TRUE(leadsTo("TOLERANCE", 120));
  EXPECT_TRUE(leadsTo("fin", 710));
  // A word only in a topic's text still finds it.
  EXPECT_TRUE(leadsTo("harmonic", 150));
  EXPECT_TRUE(FindInHelpIndex(index, topics, "zyxwvut").empty());
}

// The numbers a tutorial states are those the program gives, in the form it shows them.
TEST(HelpFile, TutorialsStateTheNumbersTheProgramGives) {
  const auto& topics = FileTopics();
  auto expectStated = [&](int number, const QString& text) {
    EXPECT_TRUE(topics.at(number).text.contains(text))
        << "topic " << number << " does not state " << text.toStdString();
  };

  auto slab = tutorial::TransientSlab();
  auto slabRun = tutorial::Run(*slab);
  ASSERT_EQ(slabRun->Count(), 7);
  expectStated(700, "T = " + FormatExponent(slabRun->Snapshot(2).T[0][0], 6));
  for (const int k : {1, 2, 4}) {
    const double program = slabRun->Snapshot(k).T[0][0];
    const double fo = 60.5 / (7854 * 434.0) * 100 * k / 0.01;
    const double series = tutorial::SlabSeries(0.025, fo);
    expectStated(700, QString("| %1 | %2 | %3 | %4 |")
                          .arg(100 * k)
                          .arg(fo, 0, 'f', 4)
                          .arg(program, 0, 'f', 4)
                          .arg(series, 0, 'f', 4));
  }
  auto marks = std::make_unique<NumVector<int>>(2);
  (*marks)[0] = 0;
  (*marks)[1] = 800;
  slab->SetParameters(0.00001, 0.00000001, 800, 10000, 0.25);
  slab->SetMarks(std::move(marks));
  expectStated(700,
               QString("200 s is %1").arg(tutorial::Run(*slab)->LastSnapshot().T[0][0], 0, 'f', 4));

  auto fin = tutorial::Fin();
  const double finRate = tutorial::WestInflow(tutorial::Run(*fin)->LastSnapshot());
  expectStated(710, "Sum = " + FormatExponent(finRate, 6));
  expectStated(710, QString("program gives %1 W/m").arg(finRate, 0, 'f', 1));
  expectStated(
      710, QString("q = %1 W/m").arg(tutorial::FinHeatRate(237, 50, 0.004, 0.1, 100), 0, 'f', 1));
  fin->SetParameters(0.00001, 0.00001, 1000, 10000, 10);
  expectStated(710, QString("near %1 W/m")
                        .arg(tutorial::WestInflow(tutorial::Run(*fin)->LastSnapshot()), 0, 'f', 0));

  auto wall = tutorial::CompositeWall();
  auto wallRun = tutorial::Run(*wall);
  const SimSnapshot& wallEnd = wallRun->LastSnapshot();
  expectStated(720, "Sum = " + FormatExponent(tutorial::WestInflow(wallEnd), 6));
  expectStated(720, QString("program gives %1 W/m").arg(tutorial::WestInflow(wallEnd), 0, 'f', 4));
  expectStated(720, QString("read %1, %2, %3 and %4 and the foam volume %5")
                        .arg(wallEnd.T[0][0], 0, 'f', 3)
                        .arg(wallEnd.T[1][0], 0, 'f', 3)
                        .arg(wallEnd.T[2][0], 0, 'f', 3)
                        .arg(wallEnd.T[3][0], 0, 'f', 3)
                        .arg(wallEnd.T[4][0], 0, 'f', 3));
  wall->SetParameters(0.00001, 0.00001, 1000, 10000, 36000);
  expectStated(720,
               QString("Sum reads about %1")
                   .arg(tutorial::WestInflow(tutorial::Run(*wall)->LastSnapshot()), 0, 'f', 3));

  auto shape = tutorial::ShapeFactor();
  const double half = tutorial::WestInflow(tutorial::Run(*shape)->LastSnapshot());
  expectStated(730, "Sum = " + FormatExponent(half, 6));
  expectStated(
      730,
      QString("S = 2 × %1 / (317 × 1) = %2").arg(-half, 0, 'f', 2).arg(2 * -half / 317, 0, 'f', 3));
  expectStated(730, QString("= %1").arg(tutorial::PipeInSquareShapeFactor(1, 0.2), 0, 'f', 3));
  shape->media = std::make_unique<MixedMedia>(0.5, 1.0, 0.5, 0.1, 10, 30, DefaultMaterial());
  const double coarse = -tutorial::WestInflow(tutorial::Run(*shape)->LastSnapshot());
  expectStated(730, QString("I 10 and J 30, gives %1").arg(2 * coarse / 317, 0, 'f', 3));
}

// The help window, driven by clicks as a student drives it.
class HelpWindow : public ::testing::Test {
 protected:
  void SetUp() override {
    viewer.SetHelpFile("Help/heat.hlp");
    viewer.SetShowWindows(true);
  }
  void TearDown() override { viewer.Close(); }

  template <class T>
  T* Find(const char* name) {
    return viewer.Window() ? viewer.Window()->findChild<T*>(name) : nullptr;
  }
  void Click(QWidget* widget) {
    ASSERT_NE(widget, nullptr);
    SystemClick(widget, widget->rect().center());
  }
  // Clicks the first link whose words are `words` in the page on show.
  void ClickLink(const QString& words) {
    auto* browser = Find<QTextBrowser>("HelpBrowser");
    ASSERT_NE(browser, nullptr);
    QTextDocument* document = browser->document();
    for (QTextBlock block = document->begin(); block.isValid(); block = block.next()) {
      for (auto it = block.begin(); !it.atEnd(); ++it) {
        const QTextFragment fragment = it.fragment();
        if (fragment.charFormat().isAnchor() && fragment.text() == words) {
          QTextCursor cursor(document);
          cursor.setPosition(fragment.position() + 1);
          browser->ensureCursorVisible();
          browser->setTextCursor(cursor);
          browser->ensureCursorVisible();
          const QPoint at = browser->cursorRect(cursor).center();
          SystemClick(browser->viewport(), at);
          return;
        }
      }
    }
    FAIL() << "no link " << words.toStdString();
  }

  HelpViewer& viewer = HelpViewer::Instance();
};

TEST_F(HelpWindow, LinksBackForwardContentsAndClose) {
  viewer.ShowTopic(700);
  QWidget* const window = viewer.Window();
  ASSERT_NE(window, nullptr);
  EXPECT_TRUE(window->isVisible());
  EXPECT_EQ(viewer.CurrentTopic(), 700);
  ClickLink("Time step, grid size and accuracy");
  EXPECT_EQ(viewer.CurrentTopic(), 130);
  Click(Find<QToolButton>("HelpBack"));
  EXPECT_EQ(viewer.CurrentTopic(), 700);
  Click(Find<QToolButton>("HelpForward"));
  EXPECT_EQ(viewer.CurrentTopic(), 130);
  EXPECT_FALSE(Find<QToolButton>("HelpForward")->isEnabled());
  Click(Find<QToolButton>("HelpContents"));
  EXPECT_EQ(viewer.CurrentTopic(), 1);
  Click(Find<QToolButton>("HelpClose"));
  EXPECT_FALSE(window->isVisible());
  EXPECT_EQ(viewer.LastRequest().command, HelpViewer::Command::Close);
}

TEST_F(HelpWindow, IndexOpensWithEveryEntryAndFindsATopicByAWord) {
  viewer.ShowIndex();
  EXPECT_EQ(viewer.LastRequest().command, HelpViewer::Command::Index);
  auto* tabs = Find<QTabWidget>("HelpTabs");
  auto* key = Find<QLineEdit>("HelpIndexKey");
  auto* list = Find<QListWidget>("HelpIndexList");
  ASSERT_TRUE(tabs && key && list);
  EXPECT_EQ(tabs->currentIndex(), 1);
  EXPECT_TRUE(key->text().isEmpty());
  EXPECT_EQ(static_cast<std::size_t>(list->count()), HelpIndex(viewer.Topics()).size());
  QTest::keyClicks(key, "shape factor");
  ASSERT_GT(list->count(), 0);
  const QRect first = list->visualItemRect(list->item(0));
  SystemClick(list->viewport(), first.center());
  EXPECT_EQ(viewer.CurrentTopic(), 730);
}

TEST_F(HelpWindow, CanBeUsedWhileAModalDialogIsOpen) {
  QDialog dialog;
  dialog.setWindowModality(Qt::ApplicationModal);
  auto* layout = new QVBoxLayout(&dialog);
  auto* help = new QPushButton("Help", &dialog);
  layout->addWidget(help);
  QObject::connect(help, &QPushButton::clicked, [] { ShowHelpTopic(420); });
  dialog.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&dialog));
  ASSERT_EQ(QApplication::activeModalWidget(), &dialog);

  Click(help);
  QWidget* const window = viewer.Window();
  ASSERT_NE(window, nullptr);
  ASSERT_TRUE(QTest::qWaitForWindowExposed(window));
  EXPECT_EQ(viewer.CurrentTopic(), 420);
  // Clicks reach the help window through the window system although the dialog is modal.
  ClickLink("the two tolerances");
  EXPECT_EQ(viewer.CurrentTopic(), 120);
  Click(Find<QToolButton>("HelpBack"));
  EXPECT_EQ(viewer.CurrentTopic(), 420);

  // The window outlives the dialog and stays open when the dialog closes.
  dialog.hide();
  QApplication::processEvents();
  ASSERT_EQ(viewer.Window(), window);
  EXPECT_TRUE(window->isVisible());
  EXPECT_EQ(window->parentWidget(), nullptr);
  Click(Find<QToolButton>("HelpContents"));
  EXPECT_EQ(viewer.CurrentTopic(), 1);
}

TEST_F(HelpWindow, SurvivesTheDialogItLivedInBeingDestroyed) {
  {
    QDialog dialog;
    dialog.setWindowModality(Qt::ApplicationModal);
    dialog.show();
    viewer.ShowTopic(310);
    QWidget* const inside = viewer.Window();
    ASSERT_NE(inside, nullptr);
    EXPECT_EQ(inside->parentWidget(), &dialog);
  }
  viewer.ShowTopic(320);
  QWidget* const window = viewer.Window();
  ASSERT_NE(window, nullptr);
  EXPECT_TRUE(window->isVisible());
  EXPECT_EQ(viewer.CurrentTopic(), 320);
}

}  // namespace
