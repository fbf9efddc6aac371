// The yardstick: the smallest Qt Widgets program showing a frameless 312 x 312 window.
#include <QApplication>
#include <QWidget>

int main(int argc, char** argv) {
  QApplication application(argc, argv);
  QWidget window(nullptr, Qt::FramelessWindowHint);
  window.resize(312, 312);
  window.show();
  return application.exec();
}
