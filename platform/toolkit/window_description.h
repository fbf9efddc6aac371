// Window descriptions: a window's own properties and its controls, in creation order, with the
// names of the handlers their events call. The toolkit builds windows from them at run time.
//
// Texts are GBK. Images are resource paths (":/forms/background.png"). Colours are 0xRRGGBB.
#pragma once

#include <cstdint>
#include <vector>

#include "text/text.h"

enum class ControlKind { pictureBox, transparentLabel, editBox, button, pictureButton };
enum class HorizontalAlignment { left, centre, right };
enum class VerticalAlignment { top, centre, bottom };
enum class InputMode { normal, password };

// The LOGFONTA fields a control's look takes from its font. height 0 is the system's default GUI
// font; a negative height is a character height in pixels. A face the machine lacks falls back to
// a sans-serif face that holds the Chinese characters.
struct FontDescription {
  int height = 0;
  int weight = 400;
  std::uint8_t charSet = 0;
  std::uint8_t outPrecision = 0;
  std::uint8_t clipPrecision = 0;
  std::uint8_t quality = 0;
  std::uint8_t pitchAndFamily = 0;
  Text faceName;
};

// One control. Each kind reads only its own properties:
//   picture box        image, border; onLeftButtonPressed
//   transparent label  text, textColour, font, alignments, wordWrap
//   edit box           text (content), border, textColour, backgroundColour, horizontalAlignment,
//                      inputMode, maskCharacter, font; onTextChanged
//   button             text, font; onClicked
//   picture button     image (normal), hoverImage, pressedImage; onClicked
struct ControlDescription {
  ControlKind kind = ControlKind::transparentLabel;
  Text name;    // unique within the window
  Text parent;  // a control created before this one; empty: the window itself
  int x = 0;    // place relative to the parent's client area
  int y = 0;
  int width = 0;
  int height = 0;
  bool visible = true;
  bool disabled = false;  // a disabled label is drawn as if enabled and lets presses through
  bool focusable = false;
  Text text;
  std::uint32_t textColour = 0x000000;
  std::uint32_t backgroundColour = 0xFFFFFF;
  FontDescription font;
  HorizontalAlignment horizontalAlignment = HorizontalAlignment::left;
  VerticalAlignment verticalAlignment = VerticalAlignment::top;
  bool wordWrap = false;
  bool border = true;  // edit box: sunken client edge; picture box: a sunken frame
  InputMode inputMode = InputMode::normal;
  char maskCharacter = 0;  // password input; 0: the style's own mask
  Text image;
  Text hoverImage;
  Text pressedImage;
  // Handler names; an empty name leaves the event unbound.
  Text onClicked;
  Text onTextChanged;
  Text onLeftButtonPressed;
  // Picture button: clicking it closes its window, so it ends a blocking call made for that
  // window even while the window takes no other input.
  bool closesWindow = false;
};

// A top-level window: no frame, no title bar, its own taskbar button, no owner. It always starts
// centred on the primary screen, so x and y are kept only as the description states them.
struct WindowDescription {
  Text name;     // how the window is named to the toolkit's operations, e.g. "MainWindow"
  Text caption;  // shows on the taskbar button only
  int x = 0;
  int y = 0;
  int width = 0;
  int height = 0;
  bool minimiseBox = true;
  bool maximiseBox = false;
  Text icon;  // empty: none of its own
  Text onCreated;
  std::vector<ControlDescription> controls;
};
