// The yardstick with text: the minimal window plus one label, so the first frame also pays for
// the font set-up every window with text pays for.
#include <QApplication>
#include <QLabel>
#include <QWidget>

int main(int argc, char** argv) {
  QApplication application(argc, argv);
  QWidget window(nullptr, Qt::FramelessWindowHint);
  window.resize(312, 312);
  QLabel label(QStringLiteral("更新运动步数"), &window);
  window.show();
  return application.exec();
}
