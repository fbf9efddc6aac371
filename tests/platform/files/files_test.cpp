// The files layer: Windows-form paths on the POSIX file system, the documents folder, folders,
// and the profile-file calls.
#include "platform/files/files.h"
#include "platform/files/paths.h"
#include "tests/support/temp_root.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstring>
#include <string_view>

namespace {

std::string U8(std::u8string_view s) { return std::string(s.begin(), s.end()); }

using Files = TempRoot;

TEST_F(Files, WindowsPathsMapToPosixPaths) {
  const std::string r = root.string();
  const struct {
    std::string windows;
    std::optional<std::string> posix;
  } cases[] = {
      {"Z:\\a\\\\b\\c.ini", r + "/a/b/c.ini"},
      {"z:/a//b", r + "/a/b"},
      {"Z:\\", r + "/"},
      {"Z:", r + "/"},
      {"\\Vormeth\\\\user.ini", r + "/Vormeth/user.ini"},
      {"a\\b.ini", "a/b.ini"},
      {"C:\\a", std::nullopt},
      {"Y:\\a", std::nullopt},  // no documents drive until the documents folder needs one
      {"", std::nullopt},
      {"Z:\\用户\\x", r + U8(u8"/用户/x")},
      {"Z:\\\x81\x5C\\x", r + U8(u8"/乗/x")},  // 0x5C as a trail byte is no backslash
  };
  for (const auto& c : cases) EXPECT_EQ(PosixPath(c.windows), c.posix) << c.windows;

  EXPECT_EQ(WindowsPath(r + U8(u8"/home/u/文档")), "Z:\\home\\u\\文档");
  EXPECT_EQ(WindowsPath(r), "Z:\\");
  EXPECT_EQ(WindowsPath("/elsewhere"), std::nullopt);
  EXPECT_EQ(WindowsPath(r + "/\xED\x95\x9C"), std::nullopt);  // not in GBK
}

TEST_F(Files, DocumentsFolderFollowsXdgElseHomeDocuments) {
  char folder[MAX_PATH] = {};
  ASSERT_TRUE(SHGetSpecialFolderPathA(nullptr, folder, CSIDL_PERSONAL, false));
  EXPECT_STREQ(folder, "Z:\\home\\u\\Documents");
  EXPECT_FALSE(std::filesystem::exists(root / "home/u/Documents"));

  std::filesystem::create_directories(root / "home/u/.config");
  PutFile("home/u/.config/user-dirs.dirs",
          U8(u8"# written by xdg-user-dirs-update\nXDG_DESKTOP_DIR=\"$HOME/Desktop\"\n"
             u8"XDG_DOCUMENTS_DIR=\"$HOME/文档\"\n"));
  ASSERT_TRUE(SHGetSpecialFolderPathA(nullptr, folder, CSIDL_PERSONAL, true));
  EXPECT_STREQ(folder, "Z:\\home\\u\\文档");
  EXPECT_TRUE(std::filesystem::is_directory(root / U8(u8"home/u/文档")));

  std::filesystem::create_directories(root / "cfg");
  PutFile("cfg/user-dirs.dirs", "XDG_DOCUMENTS_DIR=\"" + root.string() + "/docs\"\n");
  SaveEnv("XDG_CONFIG_HOME", (root / "cfg").string());
  ASSERT_TRUE(SHGetSpecialFolderPathA(nullptr, folder, CSIDL_PERSONAL, false));
  EXPECT_STREQ(folder, "Z:\\docs");

  EXPECT_FALSE(SHGetSpecialFolderPathA(nullptr, folder, 0x1A, false));  // another folder
  SaveEnv("HOME", "/outside/the/root");
  SaveEnv("XDG_CONFIG_HOME", std::nullopt);
  EXPECT_FALSE(SHGetSpecialFolderPathA(nullptr, folder, CSIDL_PERSONAL, false));
}

// A documents folder that has no Windows form on Z: (GBK lacks a character of its path, a name
// holds a backslash, or the path is too long) is presented as drive Y: of its own, so that the
// settings folder and file can still be made and written there; any other stays on Z:.
TEST_F(Files, DocumentsFolderWithoutAWindowsFormIsADriveOfItsOwn) {
  const struct {
    std::string home;
    const char* windows;
  } cases[] = {
      {U8(u8"jörg"), "Y:\\"},
      {U8(u8"김민준"), "Y:\\"},
      {U8(u8"Мої"), "Y:\\"},
      {"back\\slash", "Y:\\"},
      {std::string(250, 'a'), "Y:\\"},
      {U8(u8"Дима"), "Z:\\home\\Дима\\Documents"},  // GBK holds Russian letters
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.home);
    std::filesystem::create_directories(root / "home" / c.home);
    SaveEnv("HOME", (root / "home" / c.home).string());
    char folder[MAX_PATH] = {};
    ASSERT_TRUE(SHGetSpecialFolderPathA(nullptr, folder, CSIDL_PERSONAL, true));
    EXPECT_STREQ(folder, c.windows);
    const std::string data = std::string(folder) + "\\Vormeth";
    const std::string file = data + "\\user.ini";
    EXPECT_TRUE(CreateDirectoryA(data.c_str(), nullptr));
    EXPECT_TRUE(WritePrivateProfileStringA("s", "k", "v", file.c_str()));
    EXPECT_EQ(FileBytes("home/" + c.home + "/Documents/Vormeth/user.ini"), "[s]\r\nk=v\r\n");
    WIN32_FIND_DATAA found;
    FindHandle search = FindFirstFileA(file.c_str(), &found);
    ASSERT_NE(search, INVALID_HANDLE_VALUE);
    EXPECT_STREQ(found.cFileName, "user.ini");
    FindClose(search);
    if (folder[0] == 'Y') {
      EXPECT_EQ(PosixPath("y:/Vormeth"), (root / "home" / c.home / "Documents/Vormeth").string());
    }
  }
}

TEST_F(Files, FoldersAndTheExistenceLookup) {
  EXPECT_TRUE(CreateDirectoryA("Z:\\a\\", nullptr));
  EXPECT_FALSE(CreateDirectoryA("Z:\\a", nullptr));     // exists
  EXPECT_FALSE(CreateDirectoryA("Z:\\x\\y", nullptr));  // no parent
  EXPECT_FALSE(CreateDirectoryA("D:\\a", nullptr));
  PutFile("a/f.ini", "");

  WIN32_FIND_DATAA found;
  FindHandle search = FindFirstFileA("Z:\\a\\\\f.ini", &found);
  ASSERT_NE(search, INVALID_HANDLE_VALUE);
  EXPECT_STREQ(found.cFileName, "f.ini");
  EXPECT_EQ(found.dwFileAttributes, FILE_ATTRIBUTE_NORMAL);
  EXPECT_TRUE(FindClose(search));
  EXPECT_FALSE(FindClose(search));

  search = FindFirstFileA("Z:\\a", &found);
  ASSERT_NE(search, INVALID_HANDLE_VALUE);
  EXPECT_EQ(found.dwFileAttributes, FILE_ATTRIBUTE_DIRECTORY);
  FindClose(search);
  EXPECT_EQ(FindFirstFileA("Z:\\a\\g.ini", &found), INVALID_HANDLE_VALUE);
}

class Profile : public TempRoot {
 protected:
  std::string Get(const char* section, const char* key, const char* fallback = nullptr,
                  std::uint32_t size = 256, const char* fileName = "Z:\\p.ini") {
    std::vector<char> buffer(size, 'x');
    std::uint32_t count =
        GetPrivateProfileStringA(section, key, fallback, buffer.data(), size, fileName);
    EXPECT_EQ(count, std::strlen(buffer.data()));
    return buffer.data();
  }
  bool Put(const char* section, const char* key, const char* value) {
    return WritePrivateProfileStringA(section, key, value, "Z:\\p.ini");
  }
};

TEST_F(Profile, MissingFileSectionOrKeyReadsTheDefault) {
  EXPECT_EQ(Get("s", "k"), "");
  EXPECT_EQ(Get("s", "k", "fallback  "), "fallback");
  PutFile("p.ini", "[s]\r\nk=v\r\n");
  EXPECT_EQ(Get("t", "k"), "");
  EXPECT_EQ(Get("s", "j", "d"), "d");
  EXPECT_EQ(Get("s", "k", "d"), "v");
  EXPECT_EQ(Get(nullptr, "k"), "");
}

TEST_F(Profile, WritesKeepTheWindowsLayout) {
  ASSERT_TRUE(Put("用户信息", "随机小", "0"));  // creates the file
  ASSERT_TRUE(Put("用户信息", "随机大", "98800"));
  ASSERT_TRUE(Put("other", "k", "1"));
  ASSERT_TRUE(Put("用户信息", "帐号", "张三"));  // to the end of its section
  ASSERT_TRUE(Put("用户信息", "随机小", "5"));   // in place
  ASSERT_TRUE(Put("OTHER", "K", ""));            // names match without regard to case
  EXPECT_EQ(FileBytes("p.ini"),
            "[用户信息]\r\n随机小=5\r\n随机大=98800\r\n帐号=张三\r\n[other]\r\nK=\r\n");
  EXPECT_EQ(Get("用户信息", "帐号"), "张三");
  EXPECT_EQ(Get("other", "k", "d"), "");
}

TEST_F(Profile, ReadsAsWindowsDoes) {
  PutFile("p.ini",
          "; note\n[ Box ]\n  Name =  padded value  \nempty=\nnosign\n\n[box]\nname=second\n"
          "[\xB0\x41]\nk=upper trail\n[\xB0\x61]\nk=lower trail\n");
  EXPECT_EQ(Get("box", "NAME"), "padded value");  // LF lines, trimmed, first section wins
  EXPECT_EQ(Get("Box", "empty", "d"), "");
  EXPECT_EQ(Get("Box", "nosign", "d"), "");
  EXPECT_EQ(Get("\xB0\x61", "k"), "lower trail");  // a trail byte is never case-folded
  EXPECT_EQ(Get("box", "name", nullptr, 5), "padd");

  ASSERT_TRUE(Put("box", "new", "x"));  // after the section's last non-blank line
  EXPECT_EQ(
      FileBytes("p.ini"),
      "; note\r\n[ Box ]\r\n  Name =  padded value  \r\nempty=\r\nnosign\r\nnew=x\r\n\r\n"
      "[box]\r\nname=second\r\n[\xB0\x41]\r\nk=upper trail\r\n[\xB0\x61]\r\nk=lower trail\r\n");
}

TEST_F(Profile, RefusesWritesThatWouldBreakTheFile) {
  PutFile("p.ini", "[s]\r\nk=v\r\n");
  const struct {
    const char *section, *key, *value;
  } refused[] = {
      {"s", "k", "v\r\nadmin=1"}, {"s", "k\n", "v"},   {"s]x", "k", "v"}, {"s", "a=b", "v"},
      {"s", " [t]", "v"},         {"s", "  ", "v"},    {" ", "k", "v"},   {"s", "k", nullptr},
      {"s", nullptr, "v"},        {nullptr, "k", "v"},
  };
  for (const auto& r : refused) EXPECT_FALSE(Put(r.section, r.key, r.value));
  EXPECT_EQ(FileBytes("p.ini"), "[s]\r\nk=v\r\n");
  EXPECT_FALSE(WritePrivateProfileStringA("s", "k", "v", "Z:\\missing\\p.ini"));
  EXPECT_FALSE(std::filesystem::exists(root / "missing"));
}

TEST_F(Profile, ReplacesTheFileKeepingItsMode) {
  PutFile("p.ini", "[s]\r\nk=v\r\n");
  std::filesystem::permissions(root / "p.ini", std::filesystem::perms(0640));
  ASSERT_TRUE(Put("s", "k", "w"));
  EXPECT_EQ(std::filesystem::status(root / "p.ini").permissions(), std::filesystem::perms(0640));
  ASSERT_TRUE(Put("s", "new", "1"));
  std::filesystem::remove(root / "p.ini");
  ASSERT_TRUE(Put("s", "k", "v"));  // a first file is for its owner alone
  EXPECT_EQ(std::filesystem::status(root / "p.ini").permissions(), std::filesystem::perms(0600));
  int entries = 0;
  for (const auto& entry : std::filesystem::directory_iterator(root))
    entries += entry.is_regular_file();
  EXPECT_EQ(entries, 1);  // no temporary file left behind
}

// The rename that replaces the file would ignore the file's own mode: a file without write
// rights is refused before anything is written, as Windows refuses a read-only file.
TEST_F(Profile, AReadOnlyFileIsNotChanged) {
  for (auto mode : {0444, 0400, 0555}) {
    PutFile("p.ini", "[s]\r\nk=v\r\n");
    std::filesystem::permissions(root / "p.ini", std::filesystem::perms(mode));
    EXPECT_FALSE(Put("s", "k", "w")) << std::oct << mode;
    EXPECT_FALSE(Put("s", "new", "1"));
    EXPECT_EQ(FileBytes("p.ini"), "[s]\r\nk=v\r\n");
    EXPECT_EQ(std::filesystem::status(root / "p.ini").permissions(), std::filesystem::perms(mode));
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(root), {}), 2);  // home, p.ini
    std::filesystem::permissions(root / "p.ini", std::filesystem::perms(0600));
  }
  // Another user's file that only its owner may write, in a folder anyone may write: run as
  // nobody in a child when the test runs as root (otherwise the modes above already say it).
  if (geteuid() != 0) return;
  std::filesystem::permissions(root / "p.ini", std::filesystem::perms(0644));
  EXPECT_EXIT(
      {
        std::filesystem::permissions(root, std::filesystem::perms(0777));
        if (setgid(65534) != 0 || setuid(65534) != 0) std::_Exit(2);
        std::_Exit(!Put("s", "k", "w") && FileBytes("p.ini") == "[s]\r\nk=v\r\n" ? 0 : 1);
      },
      testing::ExitedWithCode(0), "");
}

// A linked settings file stays a link: the file it leads to is replaced, in the target's own
// folder, keeping its mode; a link that leads nowhere yet makes its target.
TEST_F(Profile, ASymbolicLinkIsFollowedToTheFileItNames) {
  namespace fs = std::filesystem;
  fs::create_directories(root / "links");
  fs::create_directories(root / "store/deep");
  const struct {
    const char* link;    // below links/
    std::string target;  // as the link holds it
    const char* file;    // the file that ends up written, below the root
  } cases[] = {
      {"relative.ini", "../store/relative.ini", "store/relative.ini"},
      {"absolute.ini", (root / "store/absolute.ini").string(), "store/absolute.ini"},
      {"chain.ini", "relative-hop.ini", "store/deep/chain.ini"},
      {"dangling.ini", "../store/new.ini", "store/new.ini"},
  };
  fs::create_symlink("../store/deep/chain.ini", root / "links/relative-hop.ini");
  PutFile("store/relative.ini", "[s]\r\nk=old\r\n");
  PutFile("store/absolute.ini", "[s]\r\nk=old\r\n");
  PutFile("store/deep/chain.ini", "[s]\r\nk=old\r\n");
  fs::permissions(root / "store/absolute.ini", fs::perms(0640));
  for (const auto& c : cases) {
    SCOPED_TRACE(c.link);
    fs::create_symlink(c.target, root / "links" / c.link);
    const std::string path = std::string("Z:\\links\\") + c.link;
    ASSERT_TRUE(WritePrivateProfileStringA("s", "k", "new", path.c_str()));
    EXPECT_TRUE(fs::is_symlink(root / "links" / c.link));
    EXPECT_EQ(FileBytes(c.file), "[s]\r\nk=new\r\n");
    EXPECT_EQ(Get("s", "k", nullptr, 256, path.c_str()), "new");
  }
  EXPECT_EQ(fs::status(root / "store/absolute.ini").permissions(), fs::perms(0640));
  EXPECT_EQ(fs::status(root / "store/new.ini").permissions(), fs::perms(0600));
  // Nothing written beside the links, no temporary file left beside the targets.
  EXPECT_EQ(std::distance(fs::directory_iterator(root / "links"), {}), 5);
  EXPECT_EQ(std::distance(fs::directory_iterator(root / "store"), {}), 4);
  EXPECT_EQ(std::distance(fs::directory_iterator(root / "store/deep"), {}), 1);

  // A link to a read-only file or a loop of links: refused, nothing changes.
  fs::permissions(root / "store/relative.ini", fs::perms(0444));
  EXPECT_FALSE(WritePrivateProfileStringA("s", "k", "x", "Z:\\links\\relative.ini"));
  EXPECT_EQ(FileBytes("store/relative.ini"), "[s]\r\nk=new\r\n");
  fs::create_symlink("loop-b.ini", root / "links/loop-a.ini");
  fs::create_symlink("loop-a.ini", root / "links/loop-b.ini");
  EXPECT_FALSE(WritePrivateProfileStringA("s", "k", "x", "Z:\\links\\loop-a.ini"));
  EXPECT_TRUE(fs::is_symlink(root / "links/loop-a.ini"));
  EXPECT_EQ(std::distance(fs::directory_iterator(root / "links"), {}), 7);
}

}  // namespace
