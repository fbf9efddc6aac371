// The files layer on Windows: the documents folder, folders and the existence lookup through the
// W calls with GBK names, and our own profile writer (layout, refusals, atomic replace) on real
// Windows paths in a throw-away folder.
#include "platform/files/files.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "platform/codepage/codepage.h"
#include "platform/files/win32/wide_paths.h"

namespace {

namespace fs = std::filesystem;

class WindowsFiles : public testing::Test {
 protected:
  void SetUp() override {
    const testing::TestInfo* test = testing::UnitTest::GetInstance()->current_test_info();
    folder = fs::temp_directory_path() / (std::string("files-test-") + test->name());
    fs::remove_all(folder);
    ASSERT_TRUE(fs::create_directories(folder));
  }
  void TearDown() override {
    std::error_code ignored;
    for (const auto& entry : fs::recursive_directory_iterator(folder, ignored)) {
      fs::permissions(entry.path(), fs::perms::owner_write, fs::perm_options::add, ignored);
    }
    fs::remove_all(folder, ignored);
  }

  // The GBK Windows path of a name in the folder.
  std::string Path(const std::string& gbkName) const {
    return GbkFromUtf16(folder.u16string()) + "\\" + gbkName;
  }
  std::string FileBytes(const std::string& gbkName) const {
    std::ifstream in(folder / fs::path(Utf16FromGbk(gbkName)), std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
  }
  std::string Get(const char* section, const char* key, const char* fallback = nullptr) const {
    char buffer[256];
    GetPrivateProfileStringA(section, key, fallback, buffer, sizeof buffer, Path("p.ini").c_str());
    return buffer;
  }
  bool Put(const char* section, const char* key, const char* value) const {
    return WritePrivateProfileStringA(section, key, value, Path("p.ini").c_str());
  }

  fs::path folder;
};

TEST_F(WindowsFiles, DocumentsFolderIsTheUsersOwnInGbk) {
  char path[MAX_PATH] = {};
  ASSERT_TRUE(SHGetSpecialFolderPathA(nullptr, path, CSIDL_PERSONAL, false));
  std::string documents = path;
  EXPECT_EQ(documents.substr(1, 2), ":\\") << documents;
  EXPECT_NE(documents.back(), '\\');
  EXPECT_TRUE(fs::is_directory(fs::path(Utf16FromGbk(documents))));
  EXPECT_FALSE(SHGetSpecialFolderPathA(nullptr, path, CSIDL_PERSONAL + 1, false));
}

TEST_F(WindowsFiles, FoldersAndTheExistenceLookupTakeGbkNames) {
  const std::string name = "数据\x81\x5C";  // 0x5C as a trail byte is no backslash
  ASSERT_TRUE(CreateDirectoryA(Path(name).c_str(), nullptr));
  EXPECT_FALSE(CreateDirectoryA(Path(name).c_str(), nullptr));  // exists already
  EXPECT_FALSE(CreateDirectoryA(Path("missing\\x").c_str(), nullptr));
  EXPECT_TRUE(fs::is_directory(folder / fs::path(Utf16FromGbk(name))));

  WIN32_FIND_DATAA found;
  FindHandle search = FindFirstFileA(Path(name).c_str(), &found);
  ASSERT_NE(search, INVALID_HANDLE_VALUE);
  EXPECT_EQ(found.dwFileAttributes, FILE_ATTRIBUTE_DIRECTORY);
  EXPECT_EQ(std::string(found.cFileName), name);
  EXPECT_TRUE(FindClose(search));
  EXPECT_EQ(FindFirstFileA(Path("nothing.ini").c_str(), &found), INVALID_HANDLE_VALUE);
}

TEST_F(WindowsFiles, ProfileWritesKeepTheWindowsLayout) {
  ASSERT_TRUE(Put("用户信息", "随机小", "0"));  // creates the file
  ASSERT_TRUE(Put("用户信息", "随机大", "98800"));
  ASSERT_TRUE(Put("other", "k", "1"));
  ASSERT_TRUE(Put("用户信息", "帐号", "张三"));  // to the end of its section
  ASSERT_TRUE(Put("用户信息", "随机小", "5"));   // in place
  ASSERT_TRUE(Put("OTHER", "K", ""));            // names match without regard to case
  EXPECT_EQ(FileBytes("p.ini"),
            "[用户信息]\r\n随机小=5\r\n随机大=98800\r\n帐号=张三\r\n[other]\r\nK=\r\n");
  EXPECT_EQ(Get("用户信息", "帐号"), "张三");
  EXPECT_EQ(Get("other", "missing", "fallback  "), "fallback");
}

TEST_F(WindowsFiles, ProfileRefusesWritesThatWouldBreakTheFile) {
  ASSERT_TRUE(Put("s", "k", "v"));
  const struct {
    const char *section, *key, *value;
  } refused[] = {
      {"s", "k", "v\r\nadmin=1"}, {"s", "k\n", "v"}, {"s]x", "k", "v"}, {"s", "a=b", "v"},
      {"s", " [t]", "v"},         {"s", "  ", "v"},  {" ", "k", "v"},   {"s", "k", nullptr},
  };
  for (const auto& r : refused) EXPECT_FALSE(Put(r.section, r.key, r.value));
  EXPECT_EQ(FileBytes("p.ini"), "[s]\r\nk=v\r\n");
  EXPECT_FALSE(WritePrivateProfileStringA("s", "k", "v", Path("missing\\p.ini").c_str()));
  EXPECT_FALSE(fs::exists(folder / "missing"));
}

TEST_F(WindowsFiles, ProfileIsReplacedWholeAndAReadOnlyFileIsLeftAlone) {
  ASSERT_TRUE(Put("s", "k", "v"));
  ASSERT_TRUE(Put("s", "k", "w"));
  ASSERT_TRUE(Put("s", "new", "1"));
  int entries = 0;
  for (const auto& entry : fs::directory_iterator(folder)) entries += entry.is_regular_file();
  EXPECT_EQ(entries, 1);  // no temporary file left behind

  fs::permissions(folder / "p.ini",
                  fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write,
                  fs::perm_options::remove);
  EXPECT_FALSE(Put("s", "k", "changed"));
  EXPECT_EQ(FileBytes("p.ini"), "[s]\r\nk=w\r\nnew=1\r\n");
  entries = 0;
  for (const auto& entry : fs::directory_iterator(folder)) entries += entry.is_regular_file();
  EXPECT_EQ(entries, 1);
}

TEST_F(WindowsFiles, DocumentsFolderGbkCannotNameBecomesDriveY) {
  EXPECT_EQ(DocumentsGbkPath(u"C:\\users\\u\\文档", MAX_PATH), "C:\\users\\u\\文档");
  EXPECT_EQ(WidePath("Y:\\p.ini"), u"Y:\\p.ini");  // no such drive yet

  fs::path korean = folder / fs::path(u"한");  // a name GBK lacks
  ASSERT_TRUE(fs::create_directories(korean));
  ASSERT_EQ(DocumentsGbkPath(korean.u16string() + u"\\", MAX_PATH), "Y:\\");
  EXPECT_EQ(WidePath("Y:\\Vormeth\\user.ini"), korean.u16string() + u"\\Vormeth\\user.ini");
  EXPECT_EQ(WidePath("y:"), korean.u16string());
  EXPECT_EQ(WidePath("C:\\a"), u"C:\\a");
  ASSERT_TRUE(CreateDirectoryA("Y:\\Vormeth", nullptr));
  ASSERT_TRUE(WritePrivateProfileStringA("s", "k", "v", "Y:\\Vormeth\\user.ini"));
  EXPECT_TRUE(fs::is_regular_file(korean / "Vormeth" / "user.ini"));

  // A folder too long for MAX_PATH goes the same way.
  EXPECT_EQ(DocumentsGbkPath(u"C:\\" + std::u16string(300, u'a'), MAX_PATH), "Y:\\");
}

}  // namespace
