// A handful of programs at most: the document script, and whatever else was added lately.
#include "platform/script/compiled_code_cache.h"

#include <list>
#include <mutex>

namespace {

constexpr std::size_t kProgramsKept = 4;

struct Program {
  std::string source;
  std::string bytecode;
};

std::mutex guard;
std::list<Program> programs;  // most recently used first

}  // namespace

std::optional<std::string> FindCompiledCode(std::string_view source) {
  std::lock_guard lock(guard);
  for (auto it = programs.begin(); it != programs.end(); ++it) {
    if (it->source == source) {
      programs.splice(programs.begin(), programs, it);
      return programs.front().bytecode;
    }
  }
  return std::nullopt;
}

void KeepCompiledCode(std::string_view source, std::string bytecode) {
  std::lock_guard lock(guard);
  for (auto it = programs.begin(); it != programs.end(); ++it) {
    if (it->source == source) {
      programs.erase(it);
      break;
    }
  }
  programs.push_front(Program{std::string(source), std::move(bytecode)});
  if (programs.size() > kProgramsKept) programs.pop_back();
}
