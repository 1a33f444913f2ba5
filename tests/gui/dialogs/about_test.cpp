// The About box, its splash and its link labels, clicked through the window system with the
// desktop's URL handler intercepted.

#include "gui/dialogs/About.h"

#include <gtest/gtest.h>
#include <QApplication>
#include <QDesktopServices>
#include <QEnterEvent>
#include <QFrame>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <QUrl>
#include <QWindow>
#include <string>

#include "gui/platform/URLLabel.h"
#include "gui/platform/help.h"
#include "gui/platform/helptopics.h"
#include "gui/platform/programfiles.h"
#include "tests/gui/platform/programfilessupport.h"

namespace {

class UrlCatcher : public QObject {
  Q_OBJECT

 public:
  explicit UrlCatcher(const QString& scheme) : scheme(scheme) {
    QDesktopServices::setUrlHandler(scheme, this, "Catch");
  }
  ~UrlCatcher() override { QDesktopServices::unsetUrlHandler(scheme); }
  QList<QUrl> opened;

 public slots:
  void Catch(const QUrl& url) { opened << url; }

 private:
  QString scheme;
};

QPoint InWindow(QWidget* widget, QPoint at) {
  return widget->mapTo(widget->window(), at);
}

void Press(QWidget* widget, QPoint at) {
  QTest::mousePress(widget->window()->windowHandle(), Qt::LeftButton, {}, InWindow(widget, at));
}
void Release(QWidget* widget, QPoint at) {
  QTest::mouseRelease(widget->window()->windowHandle(), Qt::LeftButton, {}, InWindow(widget, at));
}
void Move(QWidget* widget, QPoint at) {
  // Two steps, as a real pointer arrives: the first enters, the second moves inside.
  QTest::mouseMove(widget->window()->windowHandle(), InWindow(widget, at));
  QTest::mouseMove(widget->window()->windowHandle(), InWindow(widget, at + QPoint(1, 1)));
  QApplication::processEvents();
}

// A label alone in a window, ready to be clicked.
struct LabelWindow {
  QWidget window;
  TURLLabel* label = new TURLLabel(&window);
  LabelWindow() {
    label->setGeometry(20, 20, 120, 24);
    window.resize(200, 100);
    window.show();
    EXPECT_TRUE(QTest::qWaitForWindowExposed(&window));
  }
};

TEST(URLLabel, NewLabelIsABlueUnderlinedClickMe) {
  TURLLabel label;
  EXPECT_EQ(label.text(), "Click me!");
  EXPECT_TRUE(label.font().underline());
  EXPECT_EQ(label.FontColor(), QColor(Qt::blue));
  EXPECT_EQ(label.ColorNormal, QColor(Qt::blue));
  EXPECT_EQ(label.ColorMoveOver, QColor(Qt::blue));
  EXPECT_EQ(label.ColorClick, QColor(Qt::red));
  EXPECT_FALSE(label.Pressed());
}

TEST(URLLabel, ColoursFollowThePointerAndTheButton) {
  LabelWindow w;
  TURLLabel& label = *w.label;
  label.ColorNormal = Qt::darkGreen;
  label.ColorMoveOver = Qt::magenta;
  label.ColorClick = Qt::red;
  QEnterEvent enter(QPointF(5, 5), QPointF(5, 5), label.mapToGlobal(QPointF(5, 5)));
  QApplication::sendEvent(&label, &enter);
  EXPECT_EQ(label.FontColor(), QColor(Qt::magenta));
  QEvent leave(QEvent::Leave);
  QApplication::sendEvent(&label, &leave);
  EXPECT_EQ(label.FontColor(), QColor(Qt::darkGreen));
  Press(&label, QPoint(5, 5));
  EXPECT_TRUE(label.Pressed());
  EXPECT_EQ(label.FontColor(), QColor(Qt::red));
  // Coming back over the label with the button held shows the click colour again.
  QApplication::sendEvent(&label, &leave);
  QApplication::sendEvent(&label, &enter);
  EXPECT_EQ(label.FontColor(), QColor(Qt::red));
  Release(&label, QPoint(5, 5));
  EXPECT_FALSE(label.Pressed());
}

TEST(URLLabel, AClickOpensTheAddressAndAReleaseOffTheLabelOpensNothing) {
  UrlCatcher catcher("calorivectrix-test");
  LabelWindow w;
  TURLLabel& label = *w.label;
  label.ColorNormal = Qt::darkGreen;
  label.ColorMoveOver = Qt::magenta;
  label.URL = "calorivectrix-test:target";

  Press(&label, QPoint(10, 10));
  Release(&label, QPoint(10, 10));
  ASSERT_EQ(catcher.opened.size(), 1);
  EXPECT_EQ(catcher.opened[0], QUrl("calorivectrix-test:target"));
  EXPECT_EQ(label.FontColor(), QColor(Qt::magenta));

  // Pressed, moved off and released outside: nothing opens.
  Press(&label, QPoint(10, 10));
  Release(&label, QPoint(label.width() + 15, 10));
  EXPECT_EQ(catcher.opened.size(), 1);
  EXPECT_EQ(label.FontColor(), QColor(Qt::darkGreen));
  EXPECT_FALSE(label.Pressed());
  Press(&label, QPoint(10, 10));
  Release(&label, QPoint(10, -3));
  EXPECT_EQ(catcher.opened.size(), 1);

  // Without an address the caption is the address.
  label.URL.clear();
  label.setText("calorivectrix-test:caption");
  Press(&label, QPoint(10, 10));
  Release(&label, QPoint(10, 10));
  ASSERT_EQ(catcher.opened.size(), 2);
  EXPECT_EQ(catcher.opened[1], QUrl("calorivectrix-test:caption"));
}

TEST(URLLabel, HelpAddressesOpenTheHelpTopic) {
  HelpViewer& help = HelpViewer::Instance();
  help.SetShowWindows(false);
  LabelWindow w;
  w.label->URL = HelpTopicUrl(730);
  Press(w.label, QPoint(5, 5));
  Release(w.label, QPoint(5, 5));
  EXPECT_EQ(help.LastRequest().command, HelpViewer::Command::Topic);
  EXPECT_EQ(help.LastRequest().topic, 730);
  help.SetShowWindows(true);
}

TEST(AboutBox, DocumentationLinkIsTheProgramsReadmeNeverTheCurrentFolders) {
  QTemporaryDir root;
  ASSERT_TRUE(root.isValid());
  WriteFile(root.filePath("student/README.md"), "a student's notes");
  const CurrentFolder inStudentsFolder(root.filePath("student"));
  // The test program has no README of its own, so the link falls back to the help.
  ASSERT_EQ(FindProgramFile("README.md").toStdString(), "");
  const std::string contents = HelpTopicUrl(topic::kContents).toStdString();
  EXPECT_EQ(TAboutBox::DocumentationUrl().toStdString(), contents);
  EXPECT_EQ(TAboutBox().LumarekLabel->URL.toStdString(), contents);

  // Installed, in a prefix with a space in its name.
  const QString readme = root.filePath("lab prefix/share/calorivectrix/README.md");
  WriteFile(readme, "ours");
  ASSERT_TRUE(QDir().mkpath(root.filePath("lab prefix/bin")));
  EXPECT_EQ(QUrl(TAboutBox::DocumentationUrl(root.filePath("lab prefix/bin")))
                .toLocalFile()
                .toStdString(),
            readme.toStdString());
}

TEST(AboutBox, ContentAndTheTeamButton) {
  TAboutBox box;
  EXPECT_EQ(box.windowTitle(), "About");
  EXPECT_EQ(box.ProductName->text(), "Calorivectrix");
  EXPECT_EQ(box.Version->text(), "Version 1.1");
  EXPECT_EQ(box.Comments->text(), "\"An educational software for Heat Conduction teaching\"");
  EXPECT_EQ(box.Credits->text(), "Team >>");
  EXPECT_EQ(box.Credits->toolTip(), "Credits...");
  EXPECT_TRUE(box.OKButton->isDefault());
  EXPECT_EQ(box.LumarekLabel->toolTip(), box.LumarekLabel->URL);
  EXPECT_FALSE(box.LumarekLabel->URL.isEmpty());

  box.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&box));
  EXPECT_EQ(box.size(), QSize(339, 345));
  // The team lies beyond the normal width.
  EXPECT_GE(box.TeamGroup->geometry().left(), 339);
  QTest::mouseClick(box.windowHandle(), Qt::LeftButton, {}, InWindow(box.Credits, QPoint(5, 5)));
  EXPECT_EQ(box.width(), 552);
  EXPECT_EQ(box.Credits->text(), "<<");
  EXPECT_TRUE(box.TeamGroup->isVisibleTo(&box));
  EXPECT_LE(box.TeamGroup->geometry().right(), 552);
  QTest::mouseClick(box.windowHandle(), Qt::LeftButton, {}, InWindow(box.Credits, QPoint(5, 5)));
  EXPECT_EQ(box.width(), 339);
  EXPECT_EQ(box.Credits->text(), ">>");
}

TEST(AboutBox, DialogIsModalAndClosesOnOK) {
  TAboutBox box;
  bool checked = false;
  QTimer::singleShot(0, &box, [&] {
    checked = true;
    EXPECT_TRUE(box.isModal() || box.windowModality() != Qt::NonModal);
    EXPECT_EQ(box.size(), QSize(339, 345));
    EXPECT_TRUE(box.OKButton->isVisible());
    QTest::mouseClick(box.windowHandle(), Qt::LeftButton, {},
                      InWindow(box.OKButton, box.OKButton->rect().center()));
  });
  QTimer guard;
  QObject::connect(&guard, &QTimer::timeout, &box, [&] { box.reject(); });
  guard.start(5000);
  box.ShowDialog();
  EXPECT_TRUE(checked);
  EXPECT_EQ(box.result(), QDialog::Accepted);
  EXPECT_FALSE(box.isVisible());
}

TEST(AboutBox, PointerIsAHandOverLinksOnlyInTheDialog) {
  TAboutBox box;
  box.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&box));
  ASSERT_EQ(box.height(), 345);
  Move(box.LumarekLabel, QPoint(4, 4));
  EXPECT_EQ(box.LumarekLabel->cursor().shape(), Qt::PointingHandCursor);
  Move(box.Panel, QPoint(3, 3));
  EXPECT_EQ(box.LumarekLabel->cursor().shape(), Qt::ArrowCursor);
}

TEST(Splash, ShownWithoutWaitingAndGoneAfterTwoSeconds) {
  ASSERT_EQ(TAboutBox::Splash(), nullptr);
  TAboutBox::ShowSplash();
  TAboutBox* splash = TAboutBox::Splash();
  ASSERT_NE(splash, nullptr);
  EXPECT_TRUE(splash->isVisible());
  EXPECT_FALSE(splash->isModal());
  EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
  EXPECT_EQ(splash->size(), QSize(331, 272));
  EXPECT_FALSE(splash->OKButton->isVisible());
  EXPECT_FALSE(splash->Credits->isVisible());
  EXPECT_TRUE(splash->windowFlags() & Qt::FramelessWindowHint);
  EXPECT_TRUE(splash->Timer->isActive());
  EXPECT_EQ(splash->Timer->interval(), 2000);
  // Over the links of the splash the pointer stays as it is.
  Move(splash->LumarekLabel, QPoint(4, 4));
  EXPECT_NE(splash->LumarekLabel->cursor().shape(), Qt::PointingHandCursor);
  // A second request while it shows makes no second splash.
  TAboutBox::ShowSplash();
  EXPECT_EQ(TAboutBox::Splash(), splash);
  QPointer<TAboutBox> watched(splash);
  EXPECT_FALSE(QTest::qWaitFor([] { return TAboutBox::Splash() == nullptr; }, 1500));
  EXPECT_TRUE(QTest::qWaitFor([&] { return watched.isNull(); }, 2000));
  EXPECT_EQ(TAboutBox::Splash(), nullptr);
}

TEST(Splash, OKEndsItAtOnce) {
  TAboutBox::ShowSplash();
  QPointer<TAboutBox> splash(TAboutBox::Splash());
  ASSERT_FALSE(splash.isNull());
  splash->OKClick();
  EXPECT_EQ(TAboutBox::Splash(), nullptr);
  EXPECT_TRUE(QTest::qWaitFor([&] { return splash.isNull(); }, 1000));
}

}  // namespace

#include "about_test.moc"
