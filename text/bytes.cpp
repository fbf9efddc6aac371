// ByteSet operations.
#include "text/text.h"

#include <algorithm>

ByteSet TextToBytes(const Text& t) { return ByteSet(t.begin(), t.end()); }

ByteSet TextToBytes(std::uint8_t byte) { return ByteSet{byte}; }

Text BytesToText(const ByteSet& bytes) {
  auto end = std::find(bytes.begin(), bytes.end(), 0);
  return Text(bytes.begin(), end);
}

int BytesLength(const ByteSet& bytes) { return static_cast<int>(bytes.size()); }

ByteSet BytesLeft(const ByteSet& bytes, int n) {
  return ByteSet(bytes.begin(), bytes.begin() + std::clamp<long long>(n, 0, bytes.size()));
}

ByteSet BytesMid(const ByteSet& bytes, int start, int n) {
  long long from = std::clamp<long long>(static_cast<long long>(start) - 1, 0, bytes.size());
  long long take = std::clamp<long long>(n, 0, static_cast<long long>(bytes.size()) - from);
  return ByteSet(bytes.begin() + from, bytes.begin() + from + take);
}

ByteSet BlankBytes(int n) { return n <= 0 ? ByteSet() : ByteSet(n, 0); }

ByteSet JoinBytes(std::initializer_list<ByteSet> pieces) {
  ByteSet joined;
  for (const ByteSet& piece : pieces) joined.insert(joined.end(), piece.begin(), piece.end());
  return joined;
}
