#include <QApplication>
#include <QMainWindow>

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  QApplication::setApplicationName("Calorivectrix 1.1");
  QMainWindow window;
  window.setWindowTitle("Calorivectrix v1.1");
  window.resize(640, 431);
  window.show();
  return app.exec();
}
