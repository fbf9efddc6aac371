#include "platform/stream/stream.h"

#include "platform/codepage/codepage.h"
#include "platform/stream/stream_charsets.h"

#include <algorithm>
#include <cctype>

struct StreamObject::State {
  int type = adTypeText;
  Text charsetName = "Unicode";
  StreamCharset charset = *FindStreamCharset("Unicode");
  bool open = false;
  std::string bytes;
  std::size_t position = 0;

  // Puts data at the position, zero-filling any gap before it, and moves past it.
  void PutAtPosition(std::string_view data) {
    if (bytes.size() < position + data.size()) bytes.resize(position + data.size(), '\0');
    std::copy(data.begin(), data.end(), bytes.begin() + position);
    position += data.size();
  }

  // The bytes from the position to the end; moves to the end.
  std::string TakeRest() {
    std::string rest = position < bytes.size() ? bytes.substr(position) : std::string();
    position = std::max(position, bytes.size());
    return rest;
  }
};

StreamObject::StreamObject() : state_(std::make_unique<State>()) {}
StreamObject::~StreamObject() = default;

int StreamObject::Type() const { return state_->type; }

bool StreamObject::SetType(int type) {
  if (type != adTypeBinary && type != adTypeText) return false;
  if (state_->position != 0) return false;
  state_->type = type;
  return true;
}

Text StreamObject::Charset() const { return state_->charsetName; }

bool StreamObject::SetCharset(const Text& name) {
  if (state_->position != 0) return false;
  std::optional<StreamCharset> charset = FindStreamCharset(name);
  if (!charset) return false;
  state_->charsetName = name;
  state_->charset = *charset;
  return true;
}

long StreamObject::Position() const { return static_cast<long>(state_->position); }

bool StreamObject::SetPosition(long position) {
  if (!state_->open || position < 0) return false;
  state_->position = static_cast<std::size_t>(position);
  return true;
}

bool StreamObject::Open() {
  if (state_->open) return false;
  state_->open = true;
  state_->bytes.clear();
  state_->position = 0;
  return true;
}

bool StreamObject::Close() {
  if (!state_->open) return false;
  state_->open = false;
  std::string().swap(state_->bytes);
  state_->position = 0;
  return true;
}

bool StreamObject::Write(const ByteSet& bytes) {
  if (!state_->open || state_->type != adTypeBinary) return false;
  state_->PutAtPosition(
      std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()));
  return true;
}

ByteSet StreamObject::Read() {
  if (!state_->open || state_->type != adTypeBinary) return {};
  std::string rest = state_->TakeRest();
  return ByteSet(rest.begin(), rest.end());
}

Text StreamObject::ReadText() {
  if (!state_->open || state_->type != adTypeText) return {};
  bool atStart = state_->position == 0;
  std::string rest = state_->TakeRest();
  const std::string& mark = state_->charset.byteOrderMark;
  if (atStart && !mark.empty() && rest.starts_with(mark)) rest.erase(0, mark.size());
  return GbkFromUtf16(DecodeCharset(rest, state_->charset));
}

bool StreamObject::WriteText(const Text& text) {
  if (!state_->open || state_->type != adTypeText) return false;
  if (state_->position == 0) state_->PutAtPosition(state_->charset.byteOrderMark);
  state_->PutAtPosition(EncodeCharset(Utf16FromGbk(text), state_->charset));
  return true;
}

std::unique_ptr<StreamObject> CreateStreamObject(const Text& progId) {
  static const Text kStreamId = "adodb.stream";
  bool isStream =
      std::equal(progId.begin(), progId.end(), kStreamId.begin(), kStreamId.end(),
                 [](char a, char b) { return std::tolower(static_cast<unsigned char>(a)) == b; });
  return isStream ? std::make_unique<StreamObject>() : nullptr;
}
