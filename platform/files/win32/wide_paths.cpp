#include "platform/files/win32/wide_paths.h"

#include <cctype>
#include <mutex>

#include "platform/codepage/codepage.h"

namespace {

// What the documents drive stands for; empty until the documents folder has needed it.
std::mutex documentsDriveMutex;
std::u16string documentsDriveFolder;

std::u16string DocumentsDriveFolder() {
  std::lock_guard lock(documentsDriveMutex);
  return documentsDriveFolder;
}

}  // namespace

std::u16string WidePath(std::string_view gbkPath) {
  bool onDocumentsDrive = gbkPath.size() >= 2 && gbkPath[1] == ':' &&
                          std::toupper(static_cast<unsigned char>(gbkPath[0])) == kDocumentsDrive;
  std::u16string documents = onDocumentsDrive ? DocumentsDriveFolder() : std::u16string();
  if (documents.empty()) return Utf16FromGbk(gbkPath);
  std::u16string rest = Utf16FromGbk(gbkPath.substr(2));
  if (!rest.empty() && rest[0] != u'\\' && rest[0] != u'/') rest.insert(0, 1, u'\\');
  return documents + rest;
}

std::string DocumentsGbkPath(const std::u16string& wideFolder, std::size_t limit) {
  std::string gbk = GbkFromUtf16(wideFolder);
  if (Utf16FromGbk(gbk) == wideFolder && gbk.size() < limit) return gbk;
  std::u16string folder = wideFolder;
  while (folder.size() > 3 && (folder.back() == u'\\' || folder.back() == u'/')) folder.pop_back();
  std::lock_guard lock(documentsDriveMutex);
  documentsDriveFolder = folder;
  return std::string{kDocumentsDrive, ':', '\\'};
}
