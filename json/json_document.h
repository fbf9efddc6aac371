// JsonDocument: one JSON value held in a script engine, read and written by composing short
// scripts about paths below the engine variable named by Name() ("da").
//
// Use (the submission flow):
//   JsonDocument document;                   // name "da", holding an empty object
//   document.Parse(reply);                   // true when the reply gave a value
//   Text message = document.GetText("msg");  // empty when missing, null or unparsed
// and the engine goes with the document (or with the last copy sharing it).
//
// A path is a script expression below the document: "msg", "list[0].id", "[2]"; an empty path
// is the whole document. Failures are results: false, empty Text, 0 (-1 for GetType); no
// operation throws. A hostile text (endless loop, memory bomb) is stopped by the engine's limits
// (2 s for each script an operation runs, 64 MiB) and reads as such a failure. Single thread.
#pragma once

#include "platform/script/script_control.h"
#include "text/text.h"

// The engine's description of a failed Parse (filled only when the caller passes one).
struct ParseError {
  int number = 0;
  Text source;
  Text description;
  Text helpFile;
  int helpContext = 0;
  Text lineText;  // the offending line of script, when it did not compile
  int line = 0;
  int column = 0;
};

// GetType codes (3 is not used).
enum JsonType : int {
  kJsonMissing = 0,  // null or undefined, a missing last member included
  kJsonBoolean = 1,
  kJsonNumber = 2,
  kJsonObject = 4,
  kJsonArray = 5,
  kJsonString = 6,
  kJsonOther = -1,  // anything else, and any path whose evaluation fails
};

// Omitted arguments count as empty Text, false or 0; an omitted by-reference argument (a null
// pointer) is written to a scratch value.
class JsonDocument {
 public:
  // Name "da" and an empty object as the document. Its engine, loaded with the document script,
  // is made when an operation first needs one; when it cannot be made, every operation fails.
  JsonDocument();
  // Releases this document's reference to the engine; the engine goes with its last reference.
  ~JsonDocument() = default;
  // Copy() is the way to share a document; a moved-from document keeps its name but has no
  // engine, as one whose engine could not be made.
  JsonDocument(const JsonDocument&) = delete;
  JsonDocument& operator=(const JsonDocument&) = delete;
  JsonDocument(JsonDocument&& other) noexcept;
  JsonDocument& operator=(JsonDocument&& other) noexcept;

  // The name of the script variable that holds the document.
  const Text& Name() const { return name_; }

  // A new document sharing this one's engine, so both see one value.
  JsonDocument Copy();
  // A new engine now, with the document script and an empty object as the document; without
  // one (it cannot be made) every operation fails from then on.
  void CreateEngine();
  // Replaces the document by the value of text, evaluated on a fresh engine as eval(text)
  // (direct: as the right-hand side of an assignment). True when the value is neither null nor
  // undefined. error (when given) receives the engine's Error object; without an engine it is
  // left alone and the result is false.
  bool Parse(const Text& text, bool direct = false, ParseError* error = nullptr);
  // The document becomes an empty object.
  bool Clear();
  // The whole document as compact JSON.
  Text ToText();
  // Stores value as text at path (backslashes kept); asJson: merges a JSON object into an object
  // there, else assigns the value of the JSON or script text.
  bool SetValue(const Text& path = {}, const Text& value = {}, bool asJson = false);
  // Assigns the value of eval(json) at path: JSON gives its value, but the content of a string
  // literal is evaluated once more as script.
  bool SetJson(const Text& path = {}, const Text& json = {});
  // Rewrites path into an expression below the name; true when it holds a value.
  bool ResolvePath(Text* path = nullptr);
  // The value at path is neither null nor undefined.
  bool Exists(const Text& path = {});
  // A JsonType code.
  int GetType(const Text& path = {});
  // The value's own text form (asJson: compact JSON); empty when missing.
  Text GetText(const Text& path = {}, bool asJson = false);
  // Member names of the object at path into names; their count.
  int GetNames(TextArray* names = nullptr, const Text& path = {});
  // The array length at path, 0 for anything else.
  int GetCount(const Text& path = {});
  // A new document with an engine of its own holding a copy of the value at path (undefined
  // when missing).
  JsonDocument GetDocument(const Text& path = {});
  // Appends (atFront: prepends) value to the array at path, making one there when the value is
  // no array; raw: value is script, else it is quoted as text (no escaping).
  bool AddItem(const Text& value = {}, const Text& path = {}, bool raw = false,
               bool atFront = false);
  // A new document with an engine of its own holding a copy of item index of the array at path
  // (undefined when there is none).
  JsonDocument GetItemDocument(int index = 0, const Text& path = {});
  // A string item's text (asJson: any item's JSON).
  Text GetItemText(int index = 0, const Text& path = {}, bool asJson = false);
  // Sets item index at path (raw: value is script, else quoted text).
  bool SetItem(int index = 0, const Text& path = {}, const Text& value = {}, bool raw = false);
  // Removes item index of the array at path.
  bool RemoveItem(int index = 0, const Text& path = {});
  // Deletes the member at path.
  bool DeleteValue(const Text& path = {});
  // Stores a number ("%.13g") at path.
  bool SetNumber(const Text& path = {}, double number = 0);
  // The value at path as a number; 0 when it does not convert.
  double GetNumber(const Text& path = {});
  // The value at path as compact JSON.
  Text GetJson(const Text& path = {});
  // A new reference to this document's engine (empty without one).
  ScriptControl GetEngine();
  // The string, number and boolean members at path (recursive: depth first through objects and
  // arrays) as text into values; their count.
  int GetLeafValues(TextArray* values = nullptr, const Text& path = {}, bool recursive = false);

 private:
  JsonDocument(Text name, ScriptControl engine);

  // The engine, made now if it is still due; empty when there is none.
  const ScriptControl& Engine();

  // The engine call forms. Without an engine, on a script failure or when the value does not
  // convert they give false, the empty Text or 0.
  bool AddCode(const Text& code);
  bool EvalBool(const Text& code);
  Text EvalText(const Text& code);
  double EvalNumber(const Text& code);
  void Exec(const Text& code);

  // A private copy of path run through ResolvePath; found receives its result.
  Text ResolvedPath(const Text& path, bool* found = nullptr);

  Text name_;
  ScriptControl engine_;  // empty: no engine (or one still due)
  // Made on first need: a cycle of construct, Parse and read then builds one engine, not two.
  bool engineDue_ = false;
};
