#include "pnipc_cmds.h"

#include <gtest/gtest.h>

TEST(IpcPlaceholder, CodesAreAsSent) {
    EXPECT_EQ(kCmdEmoticsStatus, 406u);
}
