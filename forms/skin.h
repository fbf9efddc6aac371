// What both windows share: images, colours and the title font.
#pragma once

#include <cstdint>

#include "platform/toolkit/window_description.h"

namespace skin {

// Resource paths; plain constants, since the descriptions are built during static initialisation.
struct ImageSet {
  const char* normal;
  const char* hover;
  const char* pressed;
};
constexpr const char* kBackgroundImage = ":/forms/background.png";
constexpr const char* kProgramIcon = ":/forms/program_icon.png";
constexpr ImageSet kCloseImages = {":/forms/close_normal.png", ":/forms/close_hover.png",
                                   ":/forms/close_pressed.png"};
constexpr ImageSet kMinimiseImages = {":/forms/minimise_normal.png", ":/forms/minimise_hover.png",
                                      ":/forms/minimise_pressed.png"};
constexpr ImageSet kHelpImages = {":/forms/help_normal.png", ":/forms/help_hover.png",
                                  ":/forms/help_pressed.png"};

constexpr std::uint32_t kLabelColour = 0xECECEC;
constexpr std::uint32_t kTitleColour = 0xFFFFFF;
constexpr std::uint8_t kGb2312Charset = 134;

// Bold 16 pixels, 微软雅黑.
FontDescription TitleFont();
// Normal weight, the system's face for GB2312, `pixels` high.
FontDescription PlainChineseFont(int pixels);

// The picture box that fills a skinned window: the background from its corner, drags the window.
ControlDescription BackgroundBox(int x, int height);
// The disabled title label over the top of a window.
ControlDescription TitleLabel(const Text& text);
// A picture button drawn by one of the image triples above.
ControlDescription PictureButton(const Text& name, int x, int y, const ImageSet& images,
                                 const Text& onClicked);

// The close button in a window's top right corner.
ControlDescription CloseButton(const Text& onClicked);

}  // namespace skin
