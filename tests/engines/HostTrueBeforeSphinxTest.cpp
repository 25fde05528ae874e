// The host SDK's constants and pocketsphinx's macros in one program, included
// in both orders (the other order is in HostTrueAfterSphinx.cpp).
#include "HostApi.h"

#include <gtest/gtest.h>
#include <pocketsphinx.h>

namespace lipsmith {

BOOL HostTrueAfterSphinx();
BOOL HostFalseAfterSphinx();

namespace {

TEST(HostAndSphinxHeaders, AgreeOnTrueAndFalseInEitherOrder) {
    const BOOL yes = TRUE, no = FALSE;
    EXPECT_EQ(yes, 1);
    EXPECT_EQ(no, 0);
    EXPECT_EQ(HostTrueAfterSphinx(), yes);
    EXPECT_EQ(HostFalseAfterSphinx(), no);
}

}  // namespace
}  // namespace lipsmith
