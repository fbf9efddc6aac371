// Bytes in a Windows code page to and from UTF-16, the one crossing every win32 backend uses
// (the code page conversion and the stream object's charsets).
#pragma once

#include <string>
#include <string_view>

// bytes in codePage as UTF-16; what the code page does not allow becomes what Windows makes of
// it (U+FFFD for UTF-8). Empty for a code page Windows does not have.
std::u16string WideFromCodePage(unsigned codePage, std::string_view bytes);

// wide as bytes in codePage; a character the code page lacks becomes its default character '?'
// (UTF-8 lacks none). Empty for a code page Windows does not have.
std::string BytesInCodePage(unsigned codePage, std::u16string_view wide);
