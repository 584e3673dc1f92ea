// SPDX-License-Identifier: GPL-3.0-or-later
// What the window says when an import's file gave nothing: its message and why, in one box.
#include <gtest/gtest.h>

#include <QApplication>
#include <QFile>
#include <QMessageBox>
#include <QTemporaryDir>

#include "shell/mainframe.h"
#include "ui/commands.h"

namespace aq::gui {
namespace {

struct ImportMessagesTest : ::testing::Test {
    QTemporaryDir dir;
    std::unique_ptr<CMainFrame> frame;
    std::vector<std::string> messages;

    void SetUp() override {
        FrameOptions o;
        o.splash = false;
        o.settingsFile = dir.filePath("settings.ini");
        frame = std::make_unique<CMainFrame>(o);
        frame->Port().onMessage = [this](const std::string& t, Severity) { messages.push_back(t); };
        frame->Port().onQuestion = [](const std::string&) { return false; };
        frame->show();
        QApplication::processEvents();
    }
    void TearDown() override {
        frame->askToSave = [](const QString&) { return int(QMessageBox::No); };
        frame.reset();
    }
    // Runs an import through the menu with a file of this text.
    void Import(int id, const QString& name, const QByteArray& text) {
        const QString path = dir.filePath(name);
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(text);
        f.close();
        frame->choosePath = [path](int, bool) { return path; };
        frame->DoCommand(id);
    }
};

TEST_F(ImportMessagesTest, TheBoxSaysWhyAFileGaveNothing) {
    Import(ID_IMPORT_NMEA, "log.nmea", "$GPGGA,120000.00,5332.41076,N,00834.21812,E,4,12,0.8,3.570,M,,M,,*7A\r\n");
    Import(ID_IMPORT_TIDE_ASCII, "tide.tid", "no tides here\n");
    EXPECT_EQ(messages, (std::vector<std::string>{"0 Positions 0 depths imported\nSkipped: 1 GGA (no date yet).\n"
                                                  "no ZDA sentence: NMEA positions need a date",
                                                  "no line had the tide layout"}));
}

}  // namespace
}  // namespace aq::gui
