// ShowMessage, and the watch tests keep on it.
//
// The box is sized to its text but never beyond the screen's available area: long lines wrap and
// what is still too tall scrolls, so the OK button is always on the screen. (A plain QMessageBox
// grows with its text and lays all of it out first: a text of a megabyte froze the program for
// seconds and put the button far below the screen.)
#include <QAbstractButton>
#include <QApplication>
#include <QDialog>
#include <QDialogButtonBox>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QTimer>
#include <QVBoxLayout>

#include "platform/toolkit/message_text_view.h"
#include "platform/toolkit/message_watch.h"
#include "platform/toolkit/qt_text.h"
#include "platform/toolkit/toolkit.h"

namespace {

// Room kept for the window system's frame and title bar, which the box cannot measure before it
// is shown.
constexpr int kFrameAllowanceWidth = 16;
constexpr int kFrameAllowanceHeight = 48;

std::function<void(const ShownMessage&)> messageWatcher;

ShownMessage ReadBack(const QDialog& box, const MessageTextView& view) {
  ShownMessage shown;
  shown.caption = FromQString(box.windowTitle());
  shown.text = FromQString(view.text());
  const QList<QAbstractButton*> buttons = box.findChildren<QAbstractButton*>();
  shown.buttonCount = static_cast<int>(buttons.size());
  if (!buttons.isEmpty()) shown.buttonText = FromQString(buttons.first()->text());
  for (const QLabel* label : box.findChildren<QLabel*>()) {
    if (!label->pixmap().isNull()) shown.hasIcon = true;
  }
  shown.modal = box.isModal() && box.windowModality() == Qt::ApplicationModal;
  return shown;
}

}  // namespace

void WatchMessages(std::function<void(const ShownMessage&)> watcher) {
  messageWatcher = std::move(watcher);
}

void ShowMessage(const Text& text, const Text& caption) {
  InitialiseToolkit();
  QDialog box;
  box.setWindowTitle(ToQString(caption));
  box.setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint);
  box.setWindowModality(Qt::ApplicationModal);
  // The text is shown as it stands, never read as markup.
  auto* view = new MessageTextView(ToQString(text));
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok);
  buttons->setCenterButtons(true);
  QObject::connect(buttons, &QDialogButtonBox::accepted, &box, &QDialog::accept);
  auto* layout = new QVBoxLayout(&box);
  layout->addWidget(view);
  layout->addWidget(buttons);
  layout->setSizeConstraint(QLayout::SetFixedSize);

  QScreen* screen = QGuiApplication::primaryScreen();
  const QRect available = screen ? screen->availableGeometry() : QRect(0, 0, 1024, 768);
  const QMargins margins = layout->contentsMargins();
  const QSize chrome(margins.left() + margins.right() + kFrameAllowanceWidth,
                     margins.top() + margins.bottom() + layout->spacing() +
                         buttons->sizeHint().height() + kFrameAllowanceHeight);
  view->FitWithin(available.size() - chrome);
  box.adjustSize();
  QRect place(QPoint(), box.size());
  place.moveCenter(available.center());
  box.move(place.topLeft());
  // The OK button takes Enter and Space; the text scrolls with the keys once it has the focus.
  buttons->button(QDialogButtonBox::Ok)->setFocus();

  if (messageWatcher) {
    QTimer::singleShot(0, &box, [&box, view] {
      messageWatcher(ReadBack(box, *view));
      box.accept();
    });
  }
  box.exec();
}
