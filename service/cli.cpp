#include "service/cli.h"

#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <iostream>
#include <map>
#include <string>
#include <vector>

#include "service/account_store.h"
#include "service/password_hash.h"
#include "service/query.h"
#include "service/server.h"
#include "service/utf8.h"

namespace step_service {
namespace {

constexpr const char* kUsage =
    "usage:\n"
    "  step-service serve --listen HOST:PORT --cert FILE --key FILE --db STORE\n"
    "                     [--port-file FILE] [--idle-timeout SECONDS]\n"
    "                     [--request-timeout SECONDS] [--max-connections N]\n"
    "                     [--trusted-proxy ADDRESS[,ADDRESS...]]\n"
    "  step-service account add NAME --db STORE   (password on standard input)\n"
    "  step-service account list --db STORE\n"
    "  step-service steps NAME --db STORE\n"
    "STORE is a SQLite file (made when missing) or a PostgreSQL URI, postgresql://...\n"
    "PORT 0 picks a free port; the one chosen is printed as \"listening on HOST:PORT\".\n";

int Usage(const std::string& complaint) {
  if (!complaint.empty()) std::fprintf(stderr, "step-service: %s\n", complaint.c_str());
  std::fputs(kUsage, stderr);
  return 2;
}

// Positional words and --option values of one command.
struct Arguments {
  std::vector<std::string> words;
  std::map<std::string, std::string> options;
};

bool Split(int argc, char** argv, Arguments& arguments, std::string& complaint) {
  for (int i = 1; i < argc; ++i) {
    const std::string word = argv[i];
    if (word.rfind("--", 0) != 0) {
      arguments.words.push_back(word);
    } else if (i + 1 >= argc) {
      complaint = word + " needs a value";
      return false;
    } else if (!arguments.options.emplace(word.substr(2), argv[++i]).second) {
      complaint = word + " given twice";
      return false;
    }
  }
  return true;
}

// Fails with a complaint when an option outside `allowed` was given or a required one is missing.
bool CheckOptions(const Arguments& arguments, const std::vector<std::string>& required,
                  const std::vector<std::string>& optional, std::string& complaint) {
  for (const auto& [name, value] : arguments.options) {
    if (std::find(required.begin(), required.end(), name) == required.end() &&
        std::find(optional.begin(), optional.end(), name) == optional.end()) {
      complaint = "unknown option --" + name;
      return false;
    }
  }
  for (const auto& name : required) {
    if (!arguments.options.contains(name)) {
      complaint = "--" + name + " is required";
      return false;
    }
  }
  return true;
}

// Account names travel in the query as UTF-8 and appear in logs: printable UTF-8, bounded.
bool IsAcceptableName(const std::string& name) {
  if (name.empty() || name.size() > kMaxParameterBytes || !IsValidUtf8(name)) return false;
  for (const char c : name) {
    if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) return false;
  }
  return true;
}

// The first line of standard input, without its line end; the terminal does not echo it.
bool ReadPassword(std::string& password) {
  termios saved{};
  const bool terminal = isatty(STDIN_FILENO) && tcgetattr(STDIN_FILENO, &saved) == 0;
  if (terminal) {
    std::fputs("password: ", stderr);
    termios quiet = saved;
    quiet.c_lflag &= ~static_cast<tcflag_t>(ECHO);
    tcsetattr(STDIN_FILENO, TCSAFLUSH, &quiet);
  }
  const bool read = static_cast<bool>(std::getline(std::cin, password)) || !password.empty();
  if (terminal) {
    tcsetattr(STDIN_FILENO, TCSAFLUSH, &saved);
    std::fputs("\n", stderr);
  }
  if (!password.empty() && password.back() == '\r') password.pop_back();
  return read;
}

int AddAccount(const std::string& name, const std::string& location) {
  if (!IsAcceptableName(name)) {
    std::fprintf(stderr, "step-service: an account name is 1 to %zu bytes of printable UTF-8\n",
                 kMaxParameterBytes);
    return 1;
  }
  std::string password;
  if (!ReadPassword(password) || password.empty() || password.size() > kMaxParameterBytes ||
      !IsValidUtf8(password)) {
    std::fprintf(stderr,
                 "step-service: give the password, 1 to %zu bytes of UTF-8, as the first line "
                 "of standard input\n",
                 kMaxParameterBytes);
    return 1;
  }
  const auto store = AccountStore::Open(location, true);
  if (!store) return 1;
  const auto hash = HashPassword(password);
  if (!hash) {
    std::fputs("step-service: cannot hash the password\n", stderr);
    return 1;
  }
  switch (store->AddAccount(name, *hash)) {
    case StoreResult::kDone:
      return 0;
    case StoreResult::kExists:
      std::fprintf(stderr, "step-service: account %s exists already\n", name.c_str());
      return 1;
    default:
      return 1;
  }
}

int ListAccounts(const std::string& location) {
  const auto store = AccountStore::Open(location, false);
  if (!store) return 1;
  std::vector<AccountInfo> accounts;
  if (store->ListAccounts(accounts) != StoreResult::kDone) return 1;
  for (const auto& account : accounts) {
    std::printf("%s\t%s\n", account.name.c_str(), account.createdAt.c_str());
  }
  return 0;
}

int ListSteps(const std::string& name, const std::string& location) {
  const auto store = AccountStore::Open(location, false);
  if (!store) return 1;
  std::vector<DayRecord> days;
  switch (store->ListSteps(name, days)) {
    case StoreResult::kDone:
      for (const auto& day : days) {
        std::printf("%s\t%d\t%s\n", day.day.c_str(), day.steps, day.setAt.c_str());
      }
      return 0;
    case StoreResult::kNotFound:
      std::fprintf(stderr, "step-service: no account %s\n", name.c_str());
      return 1;
    default:
      return 1;
  }
}

bool ParseListen(const std::string& text, std::string& host, int& port) {
  const size_t colon = text.rfind(':');
  if (colon == std::string::npos || colon == 0 || colon + 1 == text.size()) return false;
  host = text.substr(0, colon);
  if (host.size() > 2 && host.front() == '[' && host.back() == ']') {
    host = host.substr(1, host.size() - 2);
  }
  const std::string digits = text.substr(colon + 1);
  if (digits.size() > 5 || digits.find_first_not_of("0123456789") != std::string::npos) {
    return false;
  }
  port = std::stoi(digits);
  return port <= 65535;
}

int RunServe(const Arguments& arguments) {
  std::string complaint;
  if (!CheckOptions(arguments, {"listen", "cert", "key", "db"},
                    {"port-file", "idle-timeout", "request-timeout", "max-connections",
                     "trusted-proxy"},
                    complaint)) {
    return Usage(complaint);
  }
  ServeOptions options;
  if (!ParseListen(arguments.options.at("listen"), options.host, options.port)) {
    return Usage("--listen takes HOST:PORT, e.g. 127.0.0.1:8443");
  }
  options.certFile = arguments.options.at("cert");
  options.keyFile = arguments.options.at("key");
  options.dbFile = arguments.options.at("db");
  if (arguments.options.contains("port-file"))
    options.portFile = arguments.options.at("port-file");
  // Each number option: 1 to 9999 (seconds) or 1 to 99999 (connections).
  const struct {
    const char* name;
    size_t digits;
    int& value;
  } numbers[] = {{"idle-timeout", 4, options.idleTimeoutSeconds},
                 {"request-timeout", 4, options.requestTimeoutSeconds},
                 {"max-connections", 5, options.maxConnections}};
  for (const auto& number : numbers) {
    if (!arguments.options.contains(number.name)) continue;
    const std::string& text = arguments.options.at(number.name);
    if (text.empty() || text.size() > number.digits ||
        text.find_first_not_of("0123456789") != std::string::npos || std::stoi(text) == 0) {
      return Usage(std::string("--") + number.name + " takes a number from 1 to " +
                   std::string(number.digits, '9'));
    }
    number.value = std::stoi(text);
  }
  if (arguments.options.contains("trusted-proxy")) {
    std::string_view list = arguments.options.at("trusted-proxy");
    while (!list.empty()) {
      const size_t comma = list.find(',');
      if (comma != 0) options.trustedProxies.emplace_back(list.substr(0, comma));
      list.remove_prefix(comma == std::string_view::npos ? list.size() : comma + 1);
    }
  }
  return Serve(options);
}

}  // namespace

int RunCommandLine(int argc, char** argv) {
  if (argc == 2 && (std::string(argv[1]) == "--help" || std::string(argv[1]) == "help")) {
    std::fputs(kUsage, stdout);
    return 0;
  }
  Arguments arguments;
  std::string complaint;
  if (!Split(argc, argv, arguments, complaint)) return Usage(complaint);
  const std::vector<std::string>& words = arguments.words;
  if (words.empty()) return Usage("");

  if (words == std::vector<std::string>{"serve"}) return RunServe(arguments);

  if (!CheckOptions(arguments, {"db"}, {}, complaint)) return Usage(complaint);
  const std::string& location = arguments.options.at("db");
  if (words.size() == 3 && words[0] == "account" && words[1] == "add") {
    return AddAccount(words[2], location);
  }
  if (words.size() == 2 && words[0] == "account" && words[1] == "list") {
    return ListAccounts(location);
  }
  if (words.size() == 2 && words[0] == "steps") return ListSteps(words[1], location);
  return Usage("unknown command");
}

}  // namespace step_service
