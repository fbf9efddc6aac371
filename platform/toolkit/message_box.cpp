// ShowMessage, and the watch tests keep on it.
#include <QAbstractButton>
#include <QMessageBox>
#include <QTimer>

#include "platform/toolkit/message_watch.h"
#include "platform/toolkit/qt_text.h"
#include "platform/toolkit/toolkit.h"

namespace {

std::function<void(const ShownMessage&)> messageWatcher;

ShownMessage ReadBack(const QMessageBox& box) {
  ShownMessage shown;
  shown.caption = FromQString(box.windowTitle());
  shown.text = FromQString(box.text());
  shown.buttonCount = static_cast<int>(box.buttons().size());
  if (!box.buttons().isEmpty()) shown.buttonText = FromQString(box.buttons().first()->text());
  shown.hasIcon = box.icon() != QMessageBox::NoIcon || !box.iconPixmap().isNull();
  shown.modal = box.isModal() && box.windowModality() == Qt::ApplicationModal;
  return shown;
}

}  // namespace

void WatchMessages(std::function<void(const ShownMessage&)> watcher) {
  messageWatcher = std::move(watcher);
}

void ShowMessage(const Text& text, const Text& caption) {
  InitialiseToolkit();
  QMessageBox box;
  box.setWindowTitle(ToQString(caption));
  // The text is shown as it stands, never read as markup.
  box.setTextFormat(Qt::PlainText);
  box.setText(ToQString(text));
  box.setIcon(QMessageBox::NoIcon);
  box.setStandardButtons(QMessageBox::Ok);
  box.setWindowModality(Qt::ApplicationModal);
  if (messageWatcher) {
    QTimer::singleShot(0, &box, [&box] {
      messageWatcher(ReadBack(box));
      box.accept();
    });
  }
  box.exec();
}
