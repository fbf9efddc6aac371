// click_to_message_bench HOST:PORT ACCOUNT PASSWORD RUNS CA_FILE
// Median time from a click on 更新步数 to the message box being on the screen, and of one bare
// libcurl GET of the same URL (a new connection each time, as the utility makes). Fails unless
// the submissions were accepted.
#include <curl/curl.h>

#include <QApplication>
#include <QTest>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

#include "app/handlers.h"
#include "forms/forms.h"
#include "platform/codepage/codepage.h"
#include "platform/toolkit/message_watch.h"
#include "platform/toolkit/toolkit.h"
#include "submit/step_service_testing.h"
#include "tests/support/throwaway_home.h"

namespace {

using Clock = std::chrono::steady_clock;

double Milliseconds(Clock::duration d) { return std::chrono::duration<double, std::milli>(d).count(); }

double Median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  return values[values.size() / 2];
}

size_t Discard(char*, size_t size, size_t count, void*) { return size * count; }

double BareRequest(const std::string& url, const char* caFile) {
  auto start = Clock::now();
  CURL* easy = curl_easy_init();
  curl_easy_setopt(easy, CURLOPT_URL, url.c_str());
  curl_easy_setopt(easy, CURLOPT_CAINFO, caFile);
  curl_easy_setopt(easy, CURLOPT_WRITEFUNCTION, Discard);
  CURLcode result = curl_easy_perform(easy);
  curl_easy_cleanup(easy);
  if (result != CURLE_OK) std::fprintf(stderr, "bare request failed: %s\n", curl_easy_strerror(result));
  return Milliseconds(Clock::now() - start);
}

QWidget* SubmitButton() {
  for (QWidget* top : QApplication::topLevelWidgets()) {
    if (top->objectName() == QLatin1String("MainWindow")) {
      return top->findChild<QWidget*>(QString::fromUtf8("按钮_提交"));
    }
  }
  return nullptr;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 6) {
    std::fprintf(stderr, "usage: %s HOST:PORT ACCOUNT PASSWORD RUNS CA_FILE\n", argv[0]);
    return 2;
  }
  const std::string host = argv[1], account = argv[2], password = argv[3];
  const int runs = std::atoi(argv[4]);
  const char* caFile = argv[5];

  // What the utility stores goes to a home of its own, never the user's settings.
  ThrowawayHome home;
  qputenv("QT_QPA_PLATFORM", "offscreen:configfile=" OFFSCREEN_CONFIG);
  QApplication application(argc, argv);
  curl_global_init(CURL_GLOBAL_DEFAULT);
  InitialiseToolkit();
  SetHandlerResolver(FindHandler);
  AimStepServiceForTesting(host);
  if (!LoadWindow(MainWindow)) return 1;
  WriteProperty({MainWindow, GbkFromUtf8("编辑框_帐号")}, TextProperty::text, account);
  WriteProperty({MainWindow, GbkFromUtf8("编辑框_密码")}, TextProperty::text, password);
  WriteProperty({MainWindow, GbkFromUtf8("编辑框_步数")}, TextProperty::text, "12345");

  Clock::time_point clicked, shown;
  Text lastMessage;
  WatchMessages([&](const ShownMessage& message) {
    shown = Clock::now();
    lastMessage = message.text;
  });
  const std::string url = "https://" + host + "/api/mi?user=" + account + "&password=" + password +
                          "&step=12345";

  std::vector<double> clicks, bare;
  for (int run = 0; run < runs; ++run) {
    clicked = Clock::now();
    QTest::mouseClick(SubmitButton(), Qt::LeftButton);
    clicks.push_back(Milliseconds(shown - clicked));
    bare.push_back(BareRequest(url, caFile));
  }
  std::printf("last message: %s\n", Utf8FromGbk(lastMessage).c_str());
  const bool submitted = lastMessage == GbkFromUtf8("数据提交成功");
  std::printf("click to message box: median %.2f ms over %d runs\n", Median(clicks), runs);
  std::printf("bare libcurl request: median %.2f ms over %d runs\n", Median(bare), runs);
  std::printf("added by the utility: %.2f ms\n", Median(clicks) - Median(bare));
  UnloadWindow(MainWindow);
  RunMessageLoop();
  curl_global_cleanup();
  return submitted ? 0 : 1;
}
