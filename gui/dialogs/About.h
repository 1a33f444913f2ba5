#ifndef CALORIVECTRIX_GUI_DIALOGS_ABOUT_H
#define CALORIVECTRIX_GUI_DIALOGS_ABOUT_H

// The About box: for two seconds at start-up a borderless splash, and the modal dialog of
// Help > About... with the team behind "Team >>".

#include <QDialog>
#include <QString>
#include <vector>

class QGroupBox;
class QLabel;
class QPushButton;
class QTimer;
class QToolButton;
class QFrame;
class TURLLabel;

class TAboutBox : public QDialog {
 public:
  // Sizes of the two forms: the splash shows only the content; the dialog adds its buttons
  // below and, when widened, the team to the right.
  static constexpr int kSplashWidth = 331;
  static constexpr int kSplashHeight = 272;
  static constexpr int kDialogWidth = 339;
  static constexpr int kDialogHeight = 345;
  static constexpr int kWideWidth = 552;

  explicit TAboutBox(QWidget* parent = nullptr);

  // Start-up: shows a new box as the splash without waiting for it; it goes by itself after
  // two seconds or on its OK. Does nothing while a splash exists.
  static void ShowSplash();
  // Keeps the splash above windows shown after it (where no window manager does).
  static void RaiseSplash();
  // The splash on show, or null.
  static TAboutBox* Splash();

  // Help > About...: the dialog form, shown modally.
  void ShowDialog();

  void OKClick();
  void CreditsClick();
  void TimerTimer();

  // Where the project's documentation link leads: the README that comes with the program
  // (beside it, or where it was installed), or the help contents when it has none.
  static QString DocumentationUrl();
  // The same for a program whose executable is in `programFolder`.
  static QString DocumentationUrl(const QString& programFolder);

  QLabel* ProductName = nullptr;
  QLabel* Version = nullptr;
  QLabel* Comments = nullptr;
  TURLLabel* LumarekLabel = nullptr;
  QPushButton* OKButton = nullptr;
  QToolButton* Credits = nullptr;
  QGroupBox* TeamGroup = nullptr;
  QFrame* Panel = nullptr;
  QTimer* Timer = nullptr;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;
  void closeEvent(QCloseEvent* event) override;

 private:
  void LinkMouseMove(QWidget* link);
  void BackgroundMouseMove();
  void AddLink(TURLLabel* link);
  void DestroySplash();

  std::vector<TURLLabel*> links;
};

#endif
