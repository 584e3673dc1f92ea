// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <cstdlib>

#include "model/civiltime.h"

int main(int argc, char** argv) {
    // A fixed zone with daylight saving, needing no zone database: results must not
    // depend on the machine the tests run on.
    aq::civil::SetZone("GMT0BST,M3.5.0/1,M10.5.0");
    // Every command the tests run through an undo history, here and in the command-line
    // program they start, is checked to have named each field it changed.
    setenv("AQUENTA_CHECK_UNDO", "1", 1);
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
