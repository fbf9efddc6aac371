// MainWindow: every control but the picture box lies on the picture box, which sits at -60, 0.
#include "forms/forms.h"
#include "forms/skin.h"

namespace {

using skin::kLabelColour;

constexpr const char* kBox = "图片框1";

ControlDescription FieldLabel(const Text& name, int x, int y, int width, const Text& text) {
  return {.kind = ControlKind::transparentLabel,
          .name = name,
          .parent = kBox,
          .x = x,
          .y = y,
          .width = width,
          .height = 32,
          .text = text,
          .textColour = kLabelColour,
          .horizontalAlignment = HorizontalAlignment::right,
          .verticalAlignment = VerticalAlignment::centre};
}

ControlDescription EditBox(const Text& name, int x, int y, int width, const Text& content) {
  return {.kind = ControlKind::editBox,
          .name = name,
          .parent = kBox,
          .x = x,
          .y = y,
          .width = width,
          .height = 24,
          .focusable = true,
          .text = content};
}

ControlDescription RangeBox(const Text& name, int x, const Text& content) {
  ControlDescription box = EditBox(name, x, 200, 40, content);
  box.horizontalAlignment = HorizontalAlignment::centre;
  return box;
}

ControlDescription Button(const Text& name, int x, int y, int width, int height, const Text& text,
                          const Text& onClicked) {
  return {.kind = ControlKind::button,
          .name = name,
          .parent = kBox,
          .x = x,
          .y = y,
          .width = width,
          .height = height,
          .focusable = true,
          .text = text,
          .onClicked = onClicked};
}

std::vector<ControlDescription> Controls() {
  ControlDescription dash = {.kind = ControlKind::transparentLabel,
                             .name = "透明标签5",
                             .parent = kBox,
                             .x = 217,
                             .y = 202,
                             .width = 16,
                             .height = 24,
                             .text = "—",
                             .textColour = kLabelColour,
                             .font = skin::PlainChineseFont(16),
                             .horizontalAlignment = HorizontalAlignment::centre,
                             .verticalAlignment = VerticalAlignment::centre};
  ControlDescription upperBound = RangeBox(kRandomHighBox, 234, "98800");
  upperBound.onTextChanged = "CheckRandomMax";
  ControlDescription steps = EditBox(kStepsBox, 176, 154, 150, "");
  steps.textColour = 0xC06000;
  ControlDescription password = EditBox(kPasswordBox, 176, 113, 150, "");
  password.inputMode = InputMode::password;
  password.maskCharacter = '*';
  return {
      skin::BackgroundBox(-60, 312),
      dash,
      FieldLabel("透明标签4", 96, 192, 72, "随机范围："),
      upperBound,
      RangeBox(kRandomLowBox, 176, "0"),
      Button("按钮_随机", 282, 193, 40, 34, "随机", "DrawRandomSteps"),
      Button("按钮_提交", 173, 250, 96, 40, "更新步数", "SubmitSteps"),
      steps,
      password,
      EditBox(kAccountBox, 176, 73, 150, ""),
      FieldLabel("透明标签3", 72, 146, 96, "设置步数："),
      FieldLabel("透明标签1", 72, 105, 96, "Zepp Life密码："),
      FieldLabel("透明标签6", 72, 65, 96, "Zepp Life帐号："),
      skin::PictureButton("图形按钮_帮助", 307, 249, skin::kHelpImages, "ToggleHelpWindow"),
      skin::TitleLabel("更新运动步数"),
      skin::CloseButton("CloseMainWindow"),
      skin::PictureButton("图形按钮_最小化", 281, 0, skin::kMinimiseImages, "MinimiseMainWindow"),
  };
}

}  // namespace

// Defined ahead of MainWindow, which is built from them.
const Text kAccountBox = "编辑框_帐号";
const Text kPasswordBox = "编辑框_密码";
const Text kStepsBox = "编辑框_步数";
const Text kRandomLowBox = "编辑框_随机小";
const Text kRandomHighBox = "编辑框_随机大";
const Text kTitleLabel = "透明标签_标题";
const Text kMessageCaption = "温馨提示!";

const WindowDescription MainWindow = {.name = "MainWindow",
                                      .caption = "更新运动步数",
                                      .x = 50,
                                      .y = 50,
                                      .width = 312,
                                      .height = 312,
                                      .icon = skin::kProgramIcon,
                                      .onCreated = "InitMainWindow",
                                      .controls = Controls()};
