// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <QApplication>

#include "model/civiltime.h"

int main(int argc, char** argv) {
    // No display needed, and the same fonts and metrics everywhere.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    aq::civil::SetZone("GMT0BST,M3.5.0/1,M10.5.0");
    qputenv("AQUENTA_CHECK_UNDO", "1");
    QApplication app(argc, argv);
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
