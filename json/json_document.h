// JsonDocument: one JSON value held in a script engine, read and written by composing short
// scripts about paths below the engine variable `name` ("da").
//
// Use (the submission flow):
//   JsonDocument document;                   // constructed: name "da", engine loaded
//   document.Parse(reply);                   // true when the reply gave a value
//   Text message = document.GetText("msg");  // empty when missing, null or unparsed
//   document.Destroy();                      // then the object itself goes
//
// A path is a script expression below the document: "msg", "list[0].id", "[2]"; an empty path
// is the whole document. Every operation runs through the operation table, so operations call
// one another through it too. Failures are results: false, empty Text, 0 (-1 for GetType); no
// operation throws. A hostile text (endless loop, memory bomb) is stopped by the engine's limits
// (2 s for each script an operation runs, 64 MiB) and reads as such a failure. Single thread.
#pragma once

#include <memory>

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

struct JsonDocument;

// The 26 operations in slot order. Omitted arguments are passed as empty Text, false, 0, and
// null pointers for by-reference ones (a scratch value is used then).
struct JsonDocumentTable {
  void (*Destroy)(JsonDocument* self);
  std::unique_ptr<JsonDocument> (*Copy)(JsonDocument* self);
  void (*CreateEngine)(JsonDocument* self);
  bool (*Parse)(JsonDocument* self, const Text& text, bool direct, ParseError* error);
  bool (*Clear)(JsonDocument* self);
  Text (*ToText)(JsonDocument* self);
  bool (*SetValue)(JsonDocument* self, const Text& path, const Text& value, bool asJson);
  bool (*SetJson)(JsonDocument* self, const Text& path, const Text& json);
  bool (*ResolvePath)(JsonDocument* self, Text* path);
  bool (*Exists)(JsonDocument* self, const Text& path);
  int (*GetType)(JsonDocument* self, const Text& path);
  Text (*GetText)(JsonDocument* self, const Text& path, bool asJson);
  int (*GetNames)(JsonDocument* self, TextArray* names, const Text& path);
  int (*GetCount)(JsonDocument* self, const Text& path);
  std::unique_ptr<JsonDocument> (*GetDocument)(JsonDocument* self, const Text& path);
  bool (*AddItem)(JsonDocument* self, const Text& value, const Text& path, bool raw, bool atFront);
  std::unique_ptr<JsonDocument> (*GetItemDocument)(JsonDocument* self, int index, const Text& path);
  Text (*GetItemText)(JsonDocument* self, int index, const Text& path, bool asJson);
  bool (*SetItem)(JsonDocument* self, int index, const Text& path, const Text& value, bool raw);
  bool (*RemoveItem)(JsonDocument* self, int index, const Text& path);
  bool (*DeleteValue)(JsonDocument* self, const Text& path);
  bool (*SetNumber)(JsonDocument* self, const Text& path, double number);
  double (*GetNumber)(JsonDocument* self, const Text& path);
  Text (*GetJson)(JsonDocument* self, const Text& path);
  ScriptControl (*GetEngine)(JsonDocument* self);
  int (*GetLeafValues)(JsonDocument* self, TextArray* values, const Text& path, bool recursive);
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

struct JsonDocument {
  // Constructs: name "da" and a new engine loaded with the document script, holding an empty
  // object (no engine when one cannot be made: then every operation fails).
  JsonDocument();
  // A document with the table but neither name nor engine, for Copy.
  static std::unique_ptr<JsonDocument> Unconstructed();
  JsonDocument(const JsonDocument&) = delete;
  JsonDocument& operator=(const JsonDocument&) = delete;

  const JsonDocumentTable* table;
  Text name;
  ScriptControl engine;  // empty: no engine

  // Slot 0: releases the engine reference and the name.
  void Destroy() { table->Destroy(this); }
  // Slot 1: a new document sharing this one's engine, so both see one value.
  std::unique_ptr<JsonDocument> Copy() { return table->Copy(this); }
  // Slot 2: a new engine with the document script and an empty object as the document.
  void CreateEngine() { table->CreateEngine(this); }
  // Slot 3: replaces the document by the value of text, evaluated on a fresh engine as
  // eval(text) (direct: as the right-hand side of an assignment). True when the value is
  // neither null nor undefined. error (when given) receives the engine's Error object.
  bool Parse(const Text& text, bool direct = false, ParseError* error = nullptr) {
    return table->Parse(this, text, direct, error);
  }
  // Slot 4: the document becomes an empty object.
  bool Clear() { return table->Clear(this); }
  // Slot 5: the whole document as compact JSON.
  Text ToText() { return table->ToText(this); }
  // Slot 6: stores value as text at path (backslashes kept); asJson: merges a JSON object into
  // an object there, else assigns the value of the JSON or script text.
  bool SetValue(const Text& path = {}, const Text& value = {}, bool asJson = false) {
    return table->SetValue(this, path, value, asJson);
  }
  // Slot 7: assigns the value of json at path.
  bool SetJson(const Text& path = {}, const Text& json = {}) {
    return table->SetJson(this, path, json);
  }
  // Slot 8: rewrites path into an expression below name; true when it holds a value.
  bool ResolvePath(Text* path = nullptr) { return table->ResolvePath(this, path); }
  // Slot 9: the value at path is neither null nor undefined.
  bool Exists(const Text& path = {}) { return table->Exists(this, path); }
  // Slot 10: a JsonType code.
  int GetType(const Text& path = {}) { return table->GetType(this, path); }
  // Slot 11: the value's own text form (asJson: compact JSON); empty when missing.
  Text GetText(const Text& path = {}, bool asJson = false) {
    return table->GetText(this, path, asJson);
  }
  // Slot 12: member names of the object at path into names; their count.
  int GetNames(TextArray* names = nullptr, const Text& path = {}) {
    return table->GetNames(this, names, path);
  }
  // Slot 13: the array length at path, 0 for anything else.
  int GetCount(const Text& path = {}) { return table->GetCount(this, path); }
  // Slot 14: a new document holding a copy of the value at path.
  std::unique_ptr<JsonDocument> GetDocument(const Text& path = {}) {
    return table->GetDocument(this, path);
  }
  // Slot 15: appends (atFront: prepends) value to the array at path, making one there when the
  // value is no array; raw: value is script, else it is quoted as text (no escaping).
  bool AddItem(const Text& value = {}, const Text& path = {}, bool raw = false,
               bool atFront = false) {
    return table->AddItem(this, value, path, raw, atFront);
  }
  // Slot 16: a new document holding a copy of item index of the array at path.
  std::unique_ptr<JsonDocument> GetItemDocument(int index = 0, const Text& path = {}) {
    return table->GetItemDocument(this, index, path);
  }
  // Slot 17: a string item's text (asJson: any item's JSON).
  Text GetItemText(int index = 0, const Text& path = {}, bool asJson = false) {
    return table->GetItemText(this, index, path, asJson);
  }
  // Slot 18: sets item index at path (raw: value is script, else quoted text).
  bool SetItem(int index = 0, const Text& path = {}, const Text& value = {}, bool raw = false) {
    return table->SetItem(this, index, path, value, raw);
  }
  // Slot 19: removes item index of the array at path.
  bool RemoveItem(int index = 0, const Text& path = {}) {
    return table->RemoveItem(this, index, path);
  }
  // Slot 20: deletes the member at path.
  bool DeleteValue(const Text& path = {}) { return table->DeleteValue(this, path); }
  // Slot 21: stores a number ("%.13g") at path.
  bool SetNumber(const Text& path = {}, double number = 0) {
    return table->SetNumber(this, path, number);
  }
  // Slot 22: the value at path as a number; 0 when it does not convert.
  double GetNumber(const Text& path = {}) { return table->GetNumber(this, path); }
  // Slot 23: the value at path as compact JSON.
  Text GetJson(const Text& path = {}) { return table->GetJson(this, path); }
  // Slot 24: a new reference to this document's engine (empty without one).
  ScriptControl GetEngine() { return table->GetEngine(this); }
  // Slot 25: the string, number and boolean members at path (recursive: depth first through
  // objects and arrays) as text into values; their count.
  int GetLeafValues(TextArray* values = nullptr, const Text& path = {}, bool recursive = false) {
    return table->GetLeafValues(this, values, path, recursive);
  }

 private:
  struct UnconstructedTag {};
  explicit JsonDocument(UnconstructedTag);
};
