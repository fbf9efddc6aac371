// Picture box, transparent label, edit box, button and picture button.
#include "platform/toolkit/controls.h"

#include <qdrawutil.h>
#include <QAbstractButton>
#include <QFontDatabase>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPainter>
#include <QPixmap>
#include <QPushButton>

#include <algorithm>
#include <limits>
#include <map>

#include "platform/toolkit/image_file.h"
#include "platform/toolkit/qt_text.h"
#include "platform/toolkit/toolkit_internal.h"

namespace {

// Present on every machine the set-up prepares; it also holds the Chinese characters.
const char* const kFallbackFace = "WenQuanYi Micro Hei";
// The character height of the system's default GUI font.
constexpr int kDefaultGuiFontHeight = 12;

QColor ColourOf(std::uint32_t rgb) { return QColor(QRgb(0xFF000000u | rgb)); }

Qt::Alignment AlignmentOf(const ControlDescription& control) {
  Qt::Alignment horizontal =
      control.horizontalAlignment == HorizontalAlignment::centre  ? Qt::AlignHCenter
      : control.horizontalAlignment == HorizontalAlignment::right ? Qt::AlignRight
                                                                  : Qt::AlignLeft;
  Qt::Alignment vertical = control.verticalAlignment == VerticalAlignment::centre ? Qt::AlignVCenter
                           : control.verticalAlignment == VerticalAlignment::bottom
                               ? Qt::AlignBottom
                               : Qt::AlignTop;
  return horizontal | vertical;
}

// Paints its image from its top-left corner at natural size, clipped to its own size.
class PictureBox : public QWidget {
 public:
  PictureBox(const ControlDescription& control, const WindowDescription& window, QPixmap image,
             QWidget* parent)
      : QWidget(parent), control_(control), window_(window), image_(std::move(image)) {}

 protected:
  void paintEvent(QPaintEvent*) override {
    QPainter painter(this);
    painter.drawPixmap(0, 0, image_);
    if (control_.border) qDrawShadePanel(&painter, rect(), palette(), true, 1);
  }
  void mousePressEvent(QMouseEvent* event) override {
    event->accept();
    if (event->button() == Qt::LeftButton) RaiseEvent(window_, control_.onLeftButtonPressed);
  }

 private:
  const ControlDescription& control_;
  const WindowDescription& window_;
  QPixmap image_;
};

// Draws only its text, over whatever lies beneath it.
class TransparentLabel : public QWidget {
 public:
  TransparentLabel(const ControlDescription& control, QWidget* parent)
      : QWidget(parent), control_(control), text_(ToQString(control.text)) {
    setFont(FontFor(control.font));
    // Disabled labels look enabled and let presses through to what lies beneath.
    setAttribute(Qt::WA_TransparentForMouseEvents, control.disabled);
  }
  QString text() const { return text_; }
  void setText(const QString& text) {
    text_ = text;
    update();
  }

 protected:
  void paintEvent(QPaintEvent*) override {
    QPainter painter(this);
    painter.setPen(ColourOf(control_.textColour));
    int flags = AlignmentOf(control_) | (control_.wordWrap ? Qt::TextWordWrap : Qt::TextSingleLine);
    QString shown = text_;
    shown.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    painter.drawText(rect(), flags, shown);
  }
  // An enabled label takes the press itself, so it does not start a drag.
  void mousePressEvent(QMouseEvent* event) override { event->accept(); }

 private:
  const ControlDescription& control_;
  QString text_;
};

// Drawn entirely by one of three images: normal, pointer over it, pressed.
class PictureButton : public QAbstractButton {
 public:
  PictureButton(QPixmap normal, QPixmap hover, QPixmap pressed, QWidget* parent)
      : QAbstractButton(parent),
        normal_(std::move(normal)),
        hover_(std::move(hover)),
        pressed_(std::move(pressed)) {}

 protected:
  void paintEvent(QPaintEvent*) override {
    QPainter painter(this);
    painter.drawPixmap(0, 0, isDown() ? pressed_ : underMouse() ? hover_ : normal_);
  }
  void enterEvent(QEnterEvent* event) override {
    update();
    QAbstractButton::enterEvent(event);
  }
  void leaveEvent(QEvent* event) override {
    update();
    QAbstractButton::leaveEvent(event);
  }

 private:
  QPixmap normal_, hover_, pressed_;
};

class EditBox : public QLineEdit {
 public:
  EditBox(const ControlDescription& control, QWidget* parent)
      : QLineEdit(ToQString(control.text), parent) {
    setFont(FontFor(control.font));
    setMaxLength(std::numeric_limits<int>::max());  // no limit of its own
    setFrame(control.border);
    setAlignment((AlignmentOf(control) & Qt::AlignHorizontal_Mask) | Qt::AlignVCenter);
    QPalette colours = palette();
    colours.setColor(QPalette::Text, ColourOf(control.textColour));
    colours.setColor(QPalette::Base, ColourOf(control.backgroundColour));
    setPalette(colours);
    if (control.inputMode == InputMode::password) {
      setEchoMode(QLineEdit::Password);
      // Read by the toolkit's style as the mask.
      if (control.maskCharacter) {
        setProperty("maskCharacter", QChar(control.maskCharacter));
        // The mask is taken from the style when the style is set; set it again to read ours.
        setStyle(style());
      }
    }
  }
};

// Keeps no more of the image than `visible` can show; decoded straight, past the pixmap cache,
// so a large background costs only what the window shows.
bool LoadImage(const Text& path, QPixmap* image, QSize visible = {}) {
  QImage decoded = ReadImage(ToQString(path), visible);
  if (decoded.isNull()) return false;
  *image = QPixmap::fromImage(std::move(decoded));
  return true;
}

QWidget* CreateWidget(const ControlDescription& control, const WindowDescription& window,
                      QWidget* parent) {
  switch (control.kind) {
    case ControlKind::pictureBox: {
      QPixmap image;
      if (!control.image.empty() &&
          !LoadImage(control.image, &image, QSize(control.width, control.height))) {
        return nullptr;
      }
      return new PictureBox(control, window, std::move(image), parent);
    }
    case ControlKind::transparentLabel:
      return new TransparentLabel(control, parent);
    case ControlKind::editBox: {
      auto* edit = new EditBox(control, parent);
      // User edits only: a written content raises the event from WriteProperty.
      QObject::connect(edit, &QLineEdit::textEdited,
                       [&window, &control] { RaiseEvent(window, control.onTextChanged); });
      return edit;
    }
    case ControlKind::button: {
      auto* button = new QPushButton(ToQString(control.text), parent);
      button->setFont(FontFor(control.font));
      button->setAutoDefault(false);
      QObject::connect(button, &QPushButton::clicked,
                       [&window, &control] { RaiseEvent(window, control.onClicked); });
      return button;
    }
    case ControlKind::pictureButton: {
      QPixmap normal, hover, pressed;
      if (!LoadImage(control.image, &normal) || !LoadImage(control.hoverImage, &hover) ||
          !LoadImage(control.pressedImage, &pressed)) {
        return nullptr;
      }
      auto* button = new PictureButton(normal, hover, pressed, parent);
      button->setProperty("closesWindow", control.closesWindow);
      QObject::connect(button, &QAbstractButton::clicked,
                       [&window, &control] { RaiseEvent(window, control.onClicked); });
      return button;
    }
  }
  return nullptr;
}

// The installed family a face name stands for, looked up once per name: the face itself where it
// is installed, else the Chinese face. Asked for a family it lacks, Qt would search for a
// substitute at each control's first layout.
QString InstalledFamily(const Text& faceName) {
  static std::map<Text, QString> resolved;
  auto found = resolved.find(faceName);
  if (found != resolved.end()) return found->second;
  const QString face = ToQString(faceName);
  const QString fallback = QString::fromLatin1(kFallbackFace);
  QString family = !face.isEmpty() && QFontDatabase::hasFamily(face) ? face
                   : QFontDatabase::hasFamily(fallback)
                       ? fallback
                       : QFontDatabase::systemFont(QFontDatabase::GeneralFont).family();
  resolved.emplace(faceName, family);
  return family;
}

}  // namespace

QFont FontFor(const FontDescription& font) {
  QFont result;
  result.setFamily(InstalledFamily(font.faceName));
  result.setStyleHint(QFont::SansSerif);
  // A negative height is the character height; a positive one the cell height, a fifth taller.
  int height = font.height == 0  ? kDefaultGuiFontHeight
               : font.height < 0 ? -font.height
                                 : std::max(1, font.height * 4 / 5);
  result.setPixelSize(height);
  result.setWeight(QFont::Weight(std::clamp(font.weight == 0 ? 400 : font.weight, 1, 1000)));
  return result;
}

QString ControlText(const QWidget* widget) {
  if (auto* label = dynamic_cast<const TransparentLabel*>(widget)) return label->text();
  if (auto* edit = dynamic_cast<const QLineEdit*>(widget)) return edit->text();
  if (auto* button = dynamic_cast<const QPushButton*>(widget)) return button->text();
  return {};
}

void SetControlText(QWidget* widget, const QString& text) {
  if (auto* label = dynamic_cast<TransparentLabel*>(widget)) label->setText(text);
  if (auto* edit = dynamic_cast<QLineEdit*>(widget)) edit->setText(text);
  if (auto* button = dynamic_cast<QPushButton*>(widget)) button->setText(text);
}

QWidget* CreateControl(const ControlDescription& control, const WindowDescription& window,
                       QWidget* parent) {
  QWidget* widget = CreateWidget(control, window, parent);
  if (!widget) return nullptr;
  widget->setObjectName(ToQString(control.name));
  widget->setGeometry(control.x, control.y, control.width, control.height);
  widget->setFocusPolicy(control.focusable ? Qt::StrongFocus : Qt::NoFocus);
  if (control.disabled && control.kind != ControlKind::transparentLabel) widget->setEnabled(false);
  if (!control.visible) widget->hide();
  // Controls made earlier lie above those made later.
  widget->lower();
  return widget;
}
