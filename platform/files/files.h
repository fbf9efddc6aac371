// Files and folders through calls shaped like the Windows ones the settings code makes.
//
// Paths are code page 936 (GBK) text in Windows form. The POSIX file system is drive Z:, so
// "Z:\home\u\Documents\\Vormeth\user.ini" is /home/u/Documents/Vormeth/user.ini: Z: maps to the
// root, every run of backslashes (or slashes) to one '/', GBK to UTF-8. A path without a drive
// that starts with a backslash lies below the root; one without either is relative to the current
// folder. Drive Y: is the documents folder once that has needed a drive of its own (see
// SHGetSpecialFolderPathA); another drive letter names nothing. No call throws; failures are
// their results.
//
// On Windows the paths are the system's own (Y: as above): GBK crosses to the W calls through
// code page 936 whatever the ANSI code page; the profile calls stay ours (refusals, replace).
#pragma once

#include <cstdint>

inline constexpr int MAX_PATH = 260;
inline constexpr int CSIDL_PERSONAL = 5;
inline constexpr std::uint32_t FILE_ATTRIBUTE_DIRECTORY = 0x10;
inline constexpr std::uint32_t FILE_ATTRIBUTE_NORMAL = 0x80;

// The user's documents folder (CSIDL_PERSONAL) in Windows form, no trailing backslash, into path
// (MAX_PATH bytes): the XDG documents folder of user-dirs.dirs under $XDG_CONFIG_HOME (else
// ~/.config), else $HOME/Documents. A folder that has no GBK form on Z: within MAX_PATH (a
// character GBK lacks, a backslash in a name, a long path) is given as "Y:\", a drive that from
// then on stands for it. With create the folder is made when missing. False, with path
// untouched, for another csidl or without a home folder.
bool SHGetSpecialFolderPathA(void* owner, char* path, int csidl, bool create);

// Makes one folder; false when it exists already or cannot be made.
bool CreateDirectoryA(const char* path, const void* securityAttributes);

struct WIN32_FIND_DATAA {
  std::uint32_t dwFileAttributes = 0;
  char cFileName[MAX_PATH] = {};
};
using FindHandle = std::intptr_t;
inline constexpr FindHandle INVALID_HANDLE_VALUE = -1;

// Looks the entry fileName up (a file or a folder; the name is taken as it stands, without
// wildcards) and describes it in *found. INVALID_HANDLE_VALUE when there is none; otherwise a
// search handle for FindClose.
FindHandle FindFirstFileA(const char* fileName, WIN32_FIND_DATAA* found);
bool FindClose(FindHandle search);

// The value of key in [section] of the profile file fileName, trimmed of spaces and tabs, or
// defaultValue (null: empty) when the file, section or key is missing. Section and key match
// without regard to ASCII case. At most size - 1 bytes are copied into buffer and a 0 byte
// follows; the result is the count copied. Null section or key (the listing forms) read empty.
std::uint32_t GetPrivateProfileStringA(const char* section, const char* key,
                                       const char* defaultValue, char* buffer, std::uint32_t size,
                                       const char* fileName);

// Sets key=value in [section] of fileName: an existing key's line is replaced in place, a new key
// goes to the end of its section, a new section to the end of the file; lines end in CR LF and
// bytes are kept as they are. The file is made when missing if its folder exists. The file is
// replaced as a whole (written aside, then renamed over), so a crash leaves the old or the new
// file; it keeps its mode, and a new file is for its owner alone. A symbolic link is followed:
// the file it leads to is replaced (or made) in that file's own folder. False when nothing was
// written: a missing folder, a read-only file, a loop of links, a null argument (deleting is not
// offered), a line break in any argument, '=' in the key or ']' in the section.
bool WritePrivateProfileStringA(const char* section, const char* key, const char* value,
                                const char* fileName);
