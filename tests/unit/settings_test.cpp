#include "settings/settings.h"
#include <gtest/gtest.h>
TEST(Placeholder, Builds) { EXPECT_EQ(ClampHistoryLength(0), 3); }
