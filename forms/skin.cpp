#include "forms/skin.h"

namespace skin {

namespace {
constexpr const char* kBackgroundBoxName = "图片框1";
}

FontDescription TitleFont() {
  return {.height = -16,
          .weight = 700,
          .charSet = kGb2312Charset,
          .outPrecision = 3,     // OUT_STROKE_PRECIS
          .clipPrecision = 2,    // CLIP_STROKE_PRECIS
          .quality = 1,          // DRAFT_QUALITY
          .pitchAndFamily = 34,  // VARIABLE_PITCH | FF_SWISS
          .faceName = "微软雅黑"};
}

FontDescription PlainChineseFont(int pixels) {
  return {.height = -pixels, .weight = 400, .charSet = kGb2312Charset};
}

ControlDescription BackgroundBox(int x, int height) {
  return {.kind = ControlKind::pictureBox,
          .name = kBackgroundBoxName,
          .x = x,
          .y = 0,
          .width = 372,
          .height = height,
          .border = false,
          .image = kBackgroundImage,
          .onLeftButtonPressed = "DragWindow"};
}

ControlDescription TitleLabel(const Text& text) {
  return {.kind = ControlKind::transparentLabel,
          .name = "透明标签_标题",
          .parent = kBackgroundBoxName,
          .x = 64,
          .y = 8,
          .width = 272,
          .height = 32,
          .disabled = true,
          .text = text,
          .textColour = kTitleColour,
          .font = TitleFont(),
          .horizontalAlignment = HorizontalAlignment::centre,
          .verticalAlignment = VerticalAlignment::centre};
}

ControlDescription PictureButton(const Text& name, int x, int y, const ImageSet& images,
                                 const Text& onClicked) {
  return {.kind = ControlKind::pictureButton,
          .name = name,
          .parent = kBackgroundBoxName,
          .x = x,
          .y = y,
          .width = 50,
          .height = 50,
          .image = images.normal,
          .hoverImage = images.hover,
          .pressedImage = images.pressed,
          .onClicked = onClicked};
}

ControlDescription CloseButton(const Text& onClicked) {
  ControlDescription button = PictureButton("图形按钮_关闭", 328, 0, kCloseImages, onClicked);
  button.closesWindow = true;
  return button;
}

}  // namespace skin
