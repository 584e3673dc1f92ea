// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include "model/civiltime.h"

int main(int argc, char** argv) {
    // A fixed zone with daylight saving, needing no zone database: results must not
    // depend on the machine the tests run on.
    aq::civil::SetZone("GMT0BST,M3.5.0/1,M10.5.0");
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
