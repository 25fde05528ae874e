// Basic types of the host SDK and the export marker of the host core library.
// Classes of the SDK are exported with default visibility so that plug-ins
// built with hidden visibility share the host core's type information.
#pragma once
#include <cstdint>
#include <string>

#define HOST_API __attribute__((visibility("default")))

using BOOL = int;
inline constexpr BOOL TRUE = 1;
inline constexpr BOOL FALSE = 0;
using DWORD = std::uint32_t;
using ULONG = std::uint32_t;
using USHORT = std::uint16_t;
using TSTR = std::string;
// A loaded module (the handle dlopen returned, or the module's base address).
using HINSTANCE = void*;
