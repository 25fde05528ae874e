// Basic types of the host SDK and the export marker of the host core library.
// Classes of the SDK are exported with default visibility so that plug-ins
// built with hidden visibility share the host core's type information.
#pragma once
#include <cstdint>
#include <string>

#define HOST_API __attribute__((visibility("default")))

using BOOL = int;
// C libraries (pocketsphinx among them) define TRUE and FALSE as macros of the
// same values. Included after such a header, the macros stand in for these
// constants; included before it, the macros are defined on top of them and
// name the same values.
#ifndef TRUE
inline constexpr BOOL TRUE = 1;
#endif
#ifndef FALSE
inline constexpr BOOL FALSE = 0;
#endif
using DWORD = std::uint32_t;
using ULONG = std::uint32_t;
using USHORT = std::uint16_t;
using TSTR = std::string;
// A loaded module (the handle dlopen returned, or the module's base address).
using HINSTANCE = void*;
