// HelpWindow: the usage text beside MainWindow; its picture box sits at -57, 0.
#include "forms/forms.h"
#include "forms/skin.h"

namespace {

// Three paragraphs with an empty line between them; the runs of spaces belong to the text.
constexpr const char* kUsageText =
    "1.手机去应该商店下载Zepp Life，注册    好帐号；\r\n\r\n"
    "2.登录APP后，我的→第三方接入→选择    微信（支付宝）；\r\n\r\n"
    "3.绑定好后，填入刚才注册的帐号和密     码，点击更新步数，提示成功后，然后   "
    "去微信（支付宝）查看效果。  ";

std::vector<ControlDescription> Controls() {
  return {
      skin::BackgroundBox(-57, 300),
      {.kind = ControlKind::transparentLabel,
       .name = "透明标签1",
       .parent = "图片框1",
       .x = 89,
       .y = 72,
       .width = 256,
       .height = 168,
       .text = kUsageText,
       .textColour = skin::kLabelColour,
       .font = skin::PlainChineseFont(14),
       .horizontalAlignment = HorizontalAlignment::left,
       .verticalAlignment = VerticalAlignment::top,
       .wordWrap = true},
      skin::TitleLabel("使用说明"),
      skin::CloseButton("CloseHelpWindow"),
  };
}

}  // namespace

const WindowDescription HelpWindow = {.name = "HelpWindow",
                                      .caption = "",
                                      .x = 50,
                                      .y = 50,
                                      .width = 315,
                                      .height = 300,
                                      .onCreated = "PlaceHelpWindow",
                                      .controls = Controls()};
