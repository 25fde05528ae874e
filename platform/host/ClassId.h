// Class identity: a super class id (what kind of object) and a two-part class id.
#pragma once
#include <cstdint>

#include "HostApi.h"

using SClass_ID = std::uint32_t;

class Class_ID {
public:
    constexpr Class_ID() : a_(0xFFFFFFFFu), b_(0xFFFFFFFFu) {}
    constexpr Class_ID(std::uint32_t a, std::uint32_t b) : a_(a), b_(b) {}
    constexpr std::uint32_t PartA() const { return a_; }
    constexpr std::uint32_t PartB() const { return b_; }
    constexpr bool operator==(const Class_ID& o) const { return a_ == o.a_ && b_ == o.b_; }
    constexpr bool operator!=(const Class_ID& o) const { return !(*this == o); }
    constexpr bool operator<(const Class_ID& o) const { return a_ < o.a_ || (a_ == o.a_ && b_ < o.b_); }

private:
    std::uint32_t a_;
    std::uint32_t b_;
};

// Super classes.
inline constexpr SClass_ID BASENODE_CLASS_ID = 0x0001;
inline constexpr SClass_ID REF_TARGET_CLASS_ID = 0x0101;
inline constexpr SClass_ID UTILITY_CLASS_ID = 0x1020;
inline constexpr SClass_ID CTRL_FLOAT_CLASS_ID = 0x9003;
inline constexpr SClass_ID SOUNDOBJ_CLASS_ID = 0x0010;
inline constexpr SClass_ID NOTETRACK_CLASS_ID = 0x9015;

// Classes the host core implements itself.
inline constexpr Class_ID NODE_CLASS_ID(0x0001, 0);
inline constexpr Class_ID BEZIER_FLOAT_CLASS_ID(0x2007, 0);
inline constexpr Class_ID DEF_NOTETRACK_CLASS_ID(0x9015, 0);
inline constexpr Class_ID DEF_SOUNDOBJ_CLASS_ID(0x0010, 0);
