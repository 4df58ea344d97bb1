#include <gtest/gtest.h>

TEST(SoundPlaceholder, Builds) { SUCCEED(); }
