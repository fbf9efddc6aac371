#include "charset/convert_charset.h"

#include "platform/stream/stream.h"

ByteSet ConvertCharset(const ByteSet& data, const Text& fromCharset, const Text& toCharset,
                       std::optional<int> skip) {
  return ConvertCharsetThrough("Adodb.Stream", data, fromCharset, toCharset, skip);
}

ByteSet ConvertCharsetThrough(const Text& streamId, const ByteSet& data, const Text& fromCharset,
                              const Text& toCharset, std::optional<int> skip) {
  const Text from = fromCharset.empty() ? Text("UTF-8") : fromCharset;
  const Text to = toCharset.empty() ? Text("GBK") : toCharset;
  // There is no COM apartment to enter here: the stream object lives in this process.
  std::unique_ptr<StreamObject> stream = CreateStreamObject(streamId);
  if (!stream) return ByteSet();
  // No step's outcome is examined: a refused step leaves the stream as it was and the rest run.
  stream->SetType(adTypeBinary);         // 1
  stream->Open();                        // 2
  stream->Write(data);                   // 3
  stream->SetPosition(0);                // 4
  stream->SetType(adTypeText);           // 5
  stream->SetCharset(from);              // 6
  Text decoded = stream->ReadText();     // 7
  stream->Close();                       // 8
  stream->Open();                        // 9
  stream->SetCharset(to);                // 10
  stream->WriteText(decoded);            // 11
  stream->SetPosition(0);                // 12
  stream->SetType(adTypeBinary);         // 13
  if (skip) stream->SetPosition(*skip);  // 14
  return stream->Read();                 // 15
}
