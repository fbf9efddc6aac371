// The stream automation object: a byte buffer with a position that is read and written either
// as bytes (Type 1) or as text in a named character set (Type 2), created by its identifier.
//
// Text crosses in code page 936 (GBK) as the system's ANSI strings do: ReadText decodes the bytes
// in Charset and hands back GBK, where a character GBK lacks becomes '?' and the text ends at
// U+0000; WriteText takes GBK and encodes it in Charset ('?' for what Charset cannot hold).
// Text written at position 0 in "UTF-8" or "Unicode" (UTF-16LE) is preceded by its byte-order
// mark (EF BB BF, FF FE), and ReadText from position 0 passes over that mark.
//
// Failures are results: a refused property write returns false and keeps the old value, a
// refused method returns false or an empty value and changes nothing.
#pragma once

#include "text/text.h"

#include <memory>

inline constexpr int adTypeBinary = 1;
inline constexpr int adTypeText = 2;

class StreamObject {
 public:
  StreamObject();
  ~StreamObject();
  StreamObject(const StreamObject&) = delete;
  StreamObject& operator=(const StreamObject&) = delete;

  // adTypeBinary or adTypeText (the initial type); changes only at position 0.
  int Type() const;
  bool SetType(int type);

  // Character-set name, matched without regard to case ("Unicode" at first); changes only at
  // position 0 and only to a name the stream knows.
  Text Charset() const;
  bool SetCharset(const Text& name);

  // Byte offset in an open stream; may lie past the end (reads there give nothing, a write
  // there fills the gap with zero bytes); refused for a closed stream or below 0.
  long Position() const;
  bool SetPosition(long position);

  // Open starts an empty stream at position 0; Close discards its bytes. Both fail when the
  // stream already is in the state they lead to. Type and Charset survive both.
  bool Open();
  bool Close();

  // Binary streams only: Write puts the bytes at the position (overwriting, extending) and moves
  // past them; Read returns the bytes from the position to the end and moves to the end (empty
  // when refused or nothing is left).
  bool Write(const ByteSet& bytes);
  ByteSet Read();

  // Text streams only, in Charset, as described above; the position moves as for Write/Read.
  Text ReadText();
  bool WriteText(const Text& text);

 private:
  struct State;
  std::unique_ptr<State> state_;
};

// The object registered under progId ("Adodb.Stream", matched without regard to case), or null
// when no object has that identifier.
std::unique_ptr<StreamObject> CreateStreamObject(const Text& progId);
