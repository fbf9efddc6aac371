// What the document operations share: the engine call forms and the table's operations.
// Internal to json/.
#pragma once

#include "json/json_document.h"

// The engine call forms. Without an engine, on a script failure or when the value does not
// convert they give false, the empty Text or 0.
bool AddCode(const ScriptControl& engine, const Text& code);
bool EvalBool(const ScriptControl& engine, const Text& code);
Text EvalText(const ScriptControl& engine, const Text& code);
double EvalNumber(const ScriptControl& engine, const Text& code);
void Exec(const ScriptControl& engine, const Text& code);

// A private copy of path resolved through the table; found receives ResolvePath's result.
Text ResolvedPath(JsonDocument* self, const Text& path, bool* found = nullptr);

// The script suffix that turns every U+2400 back into a backslash on the way out.
inline constexpr char kBackslashesBack[] = ".replace(str_reg, '\\\\')";

// The script text giving compact JSON of expression, backslashes given back.
Text JsonScript(const Text& expression);

// Part of a table: the operations, defined in the files that carry them.
void DestroyDocument(JsonDocument* self);
std::unique_ptr<JsonDocument> CopyDocument(JsonDocument* self);
void CreateDocumentEngine(JsonDocument* self);
bool ParseDocument(JsonDocument* self, const Text& text, bool direct, ParseError* error);
bool ClearDocument(JsonDocument* self);
Text DocumentToText(JsonDocument* self);
bool SetDocumentValue(JsonDocument* self, const Text& path, const Text& value, bool asJson);
bool SetDocumentJson(JsonDocument* self, const Text& path, const Text& json);
bool ResolveDocumentPath(JsonDocument* self, Text* path);
bool DocumentValueExists(JsonDocument* self, const Text& path);
int GetDocumentType(JsonDocument* self, const Text& path);
Text GetDocumentText(JsonDocument* self, const Text& path, bool asJson);
int GetDocumentNames(JsonDocument* self, TextArray* names, const Text& path);
int GetDocumentCount(JsonDocument* self, const Text& path);
std::unique_ptr<JsonDocument> GetSubDocument(JsonDocument* self, const Text& path);
bool AddDocumentItem(JsonDocument* self, const Text& value, const Text& path, bool raw,
                     bool atFront);
std::unique_ptr<JsonDocument> GetItemSubDocument(JsonDocument* self, int index, const Text& path);
Text GetDocumentItemText(JsonDocument* self, int index, const Text& path, bool asJson);
bool SetDocumentItem(JsonDocument* self, int index, const Text& path, const Text& value, bool raw);
bool RemoveDocumentItem(JsonDocument* self, int index, const Text& path);
bool DeleteDocumentValue(JsonDocument* self, const Text& path);
bool SetDocumentNumber(JsonDocument* self, const Text& path, double number);
double GetDocumentNumber(JsonDocument* self, const Text& path);
Text GetDocumentJson(JsonDocument* self, const Text& path);
ScriptControl GetDocumentEngine(JsonDocument* self);
int GetDocumentLeafValues(JsonDocument* self, TextArray* values, const Text& path, bool recursive);
