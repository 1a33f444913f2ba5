#include "gui/dialogs/About.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QFileInfo>
#include <QFrame>
#include <QGroupBox>
#include <QGuiApplication>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>
#include <QPushButton>
#include <QScreen>
#include <QTimer>
#include <QToolButton>
#include <QUrl>
#include <QVBoxLayout>

#include "gui/platform/URLLabel.h"
#include "gui/platform/help.h"
#include "gui/platform/helptopics.h"
#include "gui/platform/programfiles.h"
#include "gui/plot/fieldplot.h"
#include "sim/check.h"

namespace {

TAboutBox* splash = nullptr;

// The program's picture: a plate with a hot corner, in the colours of the temperature view,
// crossed by its isotherms.
QPixmap ProgramPicture(int size) {
  QPixmap picture(size, size);
  picture.fill(Qt::transparent);
  QPainter painter(&picture);
  painter.setRenderHint(QPainter::Antialiasing);
  const int bands = 8;
  for (int k = bands; k >= 1; --k) {
    const double r = size * 1.4 * k / bands;
    painter.setPen(Qt::NoPen);
    painter.setBrush(TemperatureColor(1.0 - (k - 0.5) / bands, 0.5));
    painter.drawEllipse(QPointF(size, 0), r, r);
  }
  painter.setBrush(Qt::NoBrush);
  painter.setPen(QPen(QColor(40, 40, 40), 1.5));
  painter.drawRect(QRectF(0.75, 0.75, size - 1.5, size - 1.5));
  return picture;
}

// The second picture: the colour ramp of the temperature view, cold to hot.
QPixmap ColourStrip(int width, int height) {
  QPixmap strip(width, height);
  QPainter painter(&strip);
  for (int x = 0; x < width; ++x) {
    painter.setPen(TemperatureColor(static_cast<double>(x) / (width - 1), 0.5));
    painter.drawLine(x, 0, x, height - 1);
  }
  painter.setPen(QColor(60, 60, 60));
  painter.drawRect(0, 0, width - 1, height - 1);
  return strip;
}

QLabel* Centred(const QString& text, QWidget* parent, int pointSize = 0, bool bold = false) {
  auto* label = new QLabel(text, parent);
  label->setAlignment(Qt::AlignCenter);
  label->setWordWrap(true);
  QFont font = label->font();
  if (pointSize > 0)
    font.setPointSize(pointSize);
  font.setBold(bold);
  label->setFont(font);
  return label;
}

}  // namespace

TAboutBox::TAboutBox(QWidget* parent) : QDialog(parent) {
  setObjectName("AboutBox");
  setWindowTitle("About");
  setWindowFlag(Qt::WindowStaysOnTopHint, true);
  setMouseTracking(true);

  // The content every form shows, at the splash's size.
  Panel = new QFrame(this);
  Panel->setObjectName("Panel");
  Panel->setFrameShape(QFrame::StyledPanel);
  Panel->setFixedSize(kSplashWidth, kSplashHeight);
  Panel->setAutoFillBackground(true);
  Panel->setMouseTracking(true);
  Panel->installEventFilter(this);
  auto* content = new QVBoxLayout(Panel);
  content->setContentsMargins(10, 8, 10, 8);
  content->setSpacing(3);

  auto* heading = new QHBoxLayout;
  auto* icon = new QLabel(Panel);
  icon->setObjectName("ProgramIcon");
  icon->setPixmap(ProgramPicture(44));
  heading->addWidget(icon);
  auto* names = new QVBoxLayout;
  ProductName = new QLabel("Calorivectrix", Panel);
  ProductName->setObjectName("ProductName");
  QFont big = ProductName->font();
  big.setPointSize(16);
  big.setBold(true);
  ProductName->setFont(big);
  Version = new QLabel("Version 1.1", Panel);
  Version->setObjectName("Version");
  names->addWidget(ProductName);
  names->addWidget(Version);
  heading->addLayout(names, 1);
  content->addLayout(heading);
  content->addStretch(1);

  Comments = Centred("\"An educational software for Heat Conduction teaching\"", Panel, 0, false);
  Comments->setObjectName("Comments");
  QFont italic = Comments->font();
  italic.setItalic(true);
  Comments->setFont(italic);
  content->addWidget(Comments);

  auto* strip = new QLabel(Panel);
  strip->setObjectName("Picture");
  strip->setPixmap(ColourStrip(kSplashWidth - 40, 10));
  strip->setAlignment(Qt::AlignCenter);
  content->addWidget(strip);
  content->addStretch(1);

  auto* notice = Centred(
      "Free for teaching and learning heat transfer.\n"
      "Check its results before using them for any design.",
      Panel, 8);
  notice->setObjectName("Notice");
  content->addWidget(notice);

  LumarekLabel = new TURLLabel(Panel);
  LumarekLabel->setObjectName("LumarekLabel");
  LumarekLabel->setText("Calorivectrix project documentation");
  LumarekLabel->URL = DocumentationUrl();
  LumarekLabel->setToolTip(LumarekLabel->URL);
  LumarekLabel->setAlignment(Qt::AlignCenter);
  AddLink(LumarekLabel);
  content->addWidget(LumarekLabel);
  content->addStretch(1);

  auto* makers = Centred(
      "Made by developers, a help author and testers\n"
      "for students of heat conduction and their teachers,\n"
      "with its source, its help and its tutorials.",
      Panel, 8);
  makers->setObjectName("Makers");
  content->addWidget(makers);

  // Below the content, in the dialog form only.
  OKButton = new QPushButton("OK", this);
  OKButton->setObjectName("OKButton");
  OKButton->setDefault(true);
  OKButton->setGeometry(kDialogWidth - 8 - 80, kSplashHeight + 14, 80, 26);
  connect(OKButton, &QPushButton::clicked, this, [this] { OKClick(); });
  Credits = new QToolButton(this);
  Credits->setObjectName("Credits");
  Credits->setText("Team >>");
  Credits->setToolTip("Credits...");
  Credits->setStatusTip("");
  Credits->setGeometry(8, kSplashHeight + 14, 80, 26);
  connect(Credits, &QToolButton::clicked, this, [this] { CreditsClick(); });

  // To the right, beyond the normal width.
  TeamGroup = new QGroupBox("Development team", this);
  TeamGroup->setObjectName("TeamGroup");
  TeamGroup->setGeometry(kDialogWidth + 2, 4, kWideWidth - kDialogWidth - 8, kSplashHeight);
  TeamGroup->setMouseTracking(true);
  TeamGroup->installEventFilter(this);
  auto* team = new QVBoxLayout(TeamGroup);
  team->setSpacing(2);
  const struct {
    const char* role;
    const char* work;
  } roles[] = {
      {"Numerical core", "grids, boundary conditions, solver"},
      {"Windows and pictures", "main window, dialogs, plots"},
      {"Help and tutorials", "the help file and its examples"},
      {"Testing", "physics checks and window tests"},
  };
  for (const auto& role : roles) {
    auto* name = new QLabel(role.role, TeamGroup);
    QFont bold = name->font();
    bold.setBold(true);
    name->setFont(bold);
    auto* work = new QLabel(role.work, TeamGroup);
    work->setWordWrap(true);
    team->addWidget(name);
    team->addWidget(work);
  }
  team->addSpacing(6);
  auto* about = new TURLLabel(TeamGroup);
  about->setObjectName("TeamLink");
  about->setText("About the team (help)");
  about->URL = HelpTopicUrl(160);
  about->setToolTip(about->URL);
  AddLink(about);
  team->addWidget(about);
  team->addStretch();

  Timer = new QTimer(this);
  Timer->setInterval(2000);
  Timer->setSingleShot(true);
  connect(Timer, &QTimer::timeout, this, [this] { TimerTimer(); });

  Panel->move(4, 4);
  setFixedSize(kDialogWidth, kDialogHeight);
}

QString TAboutBox::DocumentationUrl() {
  return DocumentationUrl(QCoreApplication::instance() ? QCoreApplication::applicationDirPath()
                                                       : QString());
}

QString TAboutBox::DocumentationUrl(const QString& programFolder) {
  // Never the current folder: any README.md a student keeps there is not ours.
  const QString readme = FindProgramFile("README.md", programFolder);
  if (!readme.isEmpty() && QFileInfo(readme).isFile())
    return QUrl::fromLocalFile(readme).toString();
  return HelpTopicUrl(topic::kContents);
}

void TAboutBox::AddLink(TURLLabel* link) {
  link->setMouseTracking(true);
  link->installEventFilter(this);
  links.push_back(link);
}

TAboutBox* TAboutBox::Splash() {
  return splash;
}

void TAboutBox::ShowSplash() {
  if (splash)
    return;
  splash = new TAboutBox;
  splash->setObjectName("Splash");
  splash->setWindowFlags(Qt::SplashScreen | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint);
  splash->setAttribute(Qt::WA_DeleteOnClose, false);
  splash->OKButton->hide();
  splash->Credits->hide();
  splash->TeamGroup->hide();
  splash->Panel->move(0, 0);
  splash->setFixedSize(kSplashWidth, kSplashHeight);
  if (const QScreen* screen = QGuiApplication::primaryScreen())
    splash->move(screen->availableGeometry().center() - splash->rect().center());
  splash->show();
  splash->repaint();
  splash->Timer->start();
}

void TAboutBox::RaiseSplash() {
  if (splash)
    splash->raise();
}

void TAboutBox::DestroySplash() {
  INVARIANT(this == splash, "this==Splash");
  splash = nullptr;
  hide();
  deleteLater();
}

void TAboutBox::TimerTimer() {
  DestroySplash();
}

void TAboutBox::OKClick() {
  if (this == splash) {
    DestroySplash();
    return;
  }
  accept();
}

void TAboutBox::closeEvent(QCloseEvent* event) {
  if (this == splash) {
    event->ignore();
    DestroySplash();
    return;
  }
  QDialog::closeEvent(event);
}

void TAboutBox::ShowDialog() {
  // A dialog border and the dialog's size; a box left wide by its last showing opens
  // narrow again.
  setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowCloseButtonHint |
                 Qt::WindowStaysOnTopHint);
  Credits->setText("Team >>");
  setFixedSize(kDialogWidth, kDialogHeight);
  exec();
}

void TAboutBox::CreditsClick() {
  if (width() == kWideWidth) {
    setFixedSize(kDialogWidth, height());
    Credits->setText(">>");
  } else {
    Credits->setText("<<");
    setFixedSize(kWideWidth, height());
  }
}

void TAboutBox::LinkMouseMove(QWidget* link) {
  // The hand only in the dialog form: the splash's links wait for no click.
  if (height() == kDialogHeight)
    link->setCursor(Qt::PointingHandCursor);
  else
    link->unsetCursor();
}

void TAboutBox::BackgroundMouseMove() {
  for (TURLLabel* link : links)
    link->unsetCursor();
}

bool TAboutBox::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::MouseMove) {
    for (TURLLabel* link : links) {
      if (watched == link) {
        // Handled here: a label passes moves on to the panel, which would undo the hand.
        LinkMouseMove(link);
        return true;
      }
    }
    if (watched == Panel || watched == TeamGroup)
      BackgroundMouseMove();
  }
  return QDialog::eventFilter(watched, event);
}
