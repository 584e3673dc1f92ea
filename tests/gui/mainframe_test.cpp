// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QRegularExpression>
#include <QSet>
#include <QMessageBox>
#include <QUrl>
#include <QPrinter>
#include <QTemporaryDir>
#include <QTest>
#include <QTextBrowser>
#include <QToolBar>

#include "aquenta/version.h"
#include "dialogs/depthprndlg.h"
#include "dialogs/exportdlg.h"
#include "dialogs/helpwindow.h"
#include "io/document.h"
#include "model/docfile.h"
#include "shell/about.h"
#include "shell/mainframe.h"
#include "shell/splash.h"
#include "support/builders.h"
#include "survey_gen.h"
#include "views/viewwidget.h"

namespace aq::gui {
namespace {

struct FrameTest : ::testing::Test {
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
        frame->resize(900, 700);
        frame->show();
        QApplication::processEvents();
    }
    void TearDown() override {
        frame->askToSave = [](const QString&) { return int(QMessageBox::No); };
        frame.reset();
    }

    bool Enabled(int id) {
        frame->UpdateActions();
        return frame->Action(id)->isEnabled();
    }
    QString SaveSurvey(int seconds = 300) {
        CVKDoc doc;
        gen::MakeSmallSurvey(doc, seconds);
        const QString path = dir.filePath("survey.son");
        EXPECT_TRUE(SaveDocument(doc, path.toStdString(), test::Quiet()));
        return path;
    }
};

QStringList Titles(const QList<QAction*>& actions) {
    QStringList out;
    for (QAction* a : actions)
        if (!a->isSeparator()) out << a->text();
    return out;
}

TEST_F(FrameTest, MenusToolBarsAndKeysFromTheCommandTable) {
    EXPECT_EQ(Titles(frame->menuBar()->actions()), (QStringList{"&File", "&Edit", "&View", "&Surface", "&Help"}));
    QMenu* file = frame->menuBar()->actions()[0]->menu();
    const QStringList entries = Titles(file->actions());
    EXPECT_EQ(entries.mid(0, 6), (QStringList{"&New", "&Open...", "&Save", "Save &As...", "Import", "Export"}));
    EXPECT_TRUE(entries.contains("E&xit"));
    EXPECT_EQ(frame->Action(ID_FILE_NEW)->shortcut(), QKeySequence("Ctrl+N"));
    EXPECT_EQ(frame->Action(ID_EDIT_UNDO)->shortcuts(), (QList<QKeySequence>{QKeySequence("Ctrl+Z"), QKeySequence("Alt+Backspace")}));
    EXPECT_EQ(frame->Action(ID_EXPORT_HYPACK)->statusTip(), "Export Hypack XYZ format");
    EXPECT_EQ(frame->Action(ID_DRAG_DELETE)->toolTip(), "Delete Points");
    QMenu* import = nullptr;
    for (QAction* a : file->actions())
        if (a->text() == "Import") import = a->menu();
    ASSERT_NE(import, nullptr);
    EXPECT_EQ(Titles(import->actions()),
              (QStringList{"Brivel", "ASCII", "Leica RTK", "NMEA", "Trimble", "Information", "Tide"}));

    // Along the top, lying, movable; the empty edit bar hidden until asked for.
    EXPECT_EQ(frame->toolBarArea(frame->StandardBar()), Qt::TopToolBarArea);
    EXPECT_EQ(frame->toolBarArea(frame->ViewBar()), Qt::TopToolBarArea);
    EXPECT_EQ(frame->ViewBar()->orientation(), Qt::Horizontal);
    EXPECT_TRUE(frame->ViewBar()->isMovable());
    EXPECT_EQ(frame->ViewBar()->actions().size(), 18);
    EXPECT_EQ(frame->StandardBar()->iconSize(), QSize(16, 15));
    EXPECT_TRUE(frame->EditBar()->actions().isEmpty());
    EXPECT_TRUE(frame->EditBar()->isHidden());
    EXPECT_FALSE(frame->Action(ID_VIEW_EDITBAR)->isChecked());
    frame->DoCommand(ID_VIEW_EDITBAR);
    EXPECT_FALSE(frame->EditBar()->isHidden());
    EXPECT_TRUE(frame->Action(ID_VIEW_EDITBAR)->isChecked());

    EXPECT_EQ(frame->windowTitle(), "Untitled[*] - Aquenta - Brivel Application");
}

void CollectActions(const QList<QAction*>& actions, QSet<QAction*>& out) {
    for (QAction* a : actions) {
        out.insert(a);
        if (a->menu()) CollectActions(a->menu()->actions(), out);
    }
}

// Every command of the table that the window offers is an action the user can reach
// (a menu entry, a tool-bar button or a key) with something to run it; the command
// line's own are not in the window. Their verbs are checked by the command line's tests.
TEST_F(FrameTest, EveryTableCommandOfTheWindowHasAnActionAndAHandler) {
    QSet<QAction*> reachable;
    CollectActions(frame->menuBar()->actions(), reachable);
    for (QToolBar* bar : {frame->StandardBar(), frame->EditBar(), frame->ViewBar()})
        CollectActions(bar->actions(), reachable);
    for (const CommandInfo& cmd : CommandTable()) {
        QAction* action = frame->Action(cmd.id);
        if (cmd.reach == Reach::CliOnly) {
            EXPECT_EQ(action, nullptr) << cmd.id;
            continue;
        }
        ASSERT_NE(action, nullptr) << cmd.id << " " << cmd.text;
        const bool recent = cmd.id >= ID_FILE_MRU_FILE2 && cmd.id < ID_FILE_MRU_FILE1 + RECENT_FILE_COUNT;
        // Quick Print has no menu entry, button or key of its own yet; the print request
        // `aquenta /p FILE` does what it does.
        const bool quickPrint = cmd.id == ID_FILE_PRINT_DIRECT;
        EXPECT_TRUE(reachable.contains(action) || !action->shortcuts().isEmpty() || recent || quickPrint)
            << cmd.id << " " << cmd.text;
        // Only the commands the table leaves without a handler may lack one.
        EXPECT_EQ(frame->Handled(cmd.id), cmd.target != CommandTarget::None) << cmd.id << " " << cmd.text;
    }
}

TEST_F(FrameTest, AboutTellsTheVersionBuildDateAndQt) {
    QString shown;
    frame->runDialog = [&](QDialog& dialog) {
        if (auto* box = qobject_cast<QMessageBox*>(&dialog)) shown = box->text();
        return true;
    };
    frame->DoCommand(ID_APP_ABOUT);
    EXPECT_TRUE(shown.contains(QStringLiteral("Version ") + QLatin1String(aq::VERSION))) << shown.toStdString();
    EXPECT_TRUE(shown.contains(QLatin1String(qVersion()))) << shown.toStdString();
    EXPECT_TRUE(shown.contains(QRegularExpression(QStringLiteral("Built \\d{4}-\\d{2}-\\d{2}")))) << shown.toStdString();
    EXPECT_EQ(VersionLine(), QStringLiteral("aquenta ") + QLatin1String(aq::VERSION));
}

TEST_F(FrameTest, EnablingFollowsTheDocumentAndTheView) {
    // An empty survey: nothing to export, no pans; clipboard and undo have no handler.
    EXPECT_FALSE(Enabled(ID_EXPORT_ASCII));
    EXPECT_TRUE(Enabled(ID_IMPORT_BRIVEL));
    EXPECT_FALSE(Enabled(ID_EDIT_COPY));
    EXPECT_FALSE(Enabled(ID_PAN_RIGHT));
    EXPECT_FALSE(Enabled(ID_ZOOM_OUT));
    EXPECT_TRUE(Enabled(ID_ZOOM_EXTENTS));
    EXPECT_FALSE(Enabled(ID_VIEW_ANIMATE));
    EXPECT_FALSE(Enabled(ID_FILE_MRU_FILE1));

    ASSERT_TRUE(frame->OpenFile(SaveSurvey()));
    EXPECT_TRUE(Enabled(ID_EXPORT_ASCII));
    EXPECT_TRUE(Enabled(ID_EDIT_RESTORE));
    EXPECT_FALSE(Enabled(ID_IMPORT_GGK));  // only into an empty survey
    EXPECT_TRUE(Enabled(ID_FILE_MRU_FILE1));

    // The plan view is active: Patchtest works there (not geographic), not in the section.
    EXPECT_TRUE(Enabled(ID_DRAG_PATCHTEST));
    frame->Activate(frame->SectionView());
    EXPECT_FALSE(Enabled(ID_DRAG_PATCHTEST));

    // Drag modes are checked per view.
    frame->DoCommand(ID_DRAG_DELETE);
    EXPECT_TRUE(frame->Action(ID_DRAG_DELETE)->isChecked());
    frame->Activate(frame->PlanView());
    EXPECT_TRUE(frame->Action(ID_DRAG_VIEW)->isChecked());

    // Zoom in with a box, then the pans come to life and move the window.
    frame->PlanView()->State().Window = {4000, 4000, 8000, 8000};
    EXPECT_TRUE(Enabled(ID_PAN_RIGHT));
    frame->DoCommand(ID_PAN_RIGHT);
    EXPECT_EQ(frame->PlanView()->State().Window, (CRect{5000, 4000, 9000, 8000}));
    frame->DoCommand(ID_ZOOM_EXTENTS);
    EXPECT_EQ(frame->PlanView()->State().Window, VIEW_EXTENTS);
    EXPECT_FALSE(Enabled(ID_PAN_RIGHT));

    // A selection makes Animate available; the timer then walks it.
    frame->Doc().Selected = true;
    frame->Doc().SelectedIndex = 10;
    EXPECT_TRUE(Enabled(ID_VIEW_ANIMATE));
    frame->DoCommand(ID_VIEW_ANIMATE);
    EXPECT_TRUE(frame->Action(ID_VIEW_ANIMATE)->isChecked());
    frame->Doc().AnimateTicks = 1;
    QTest::qWait(350);
    EXPECT_GE(frame->Doc().SelectedIndex, 12);
}

TEST_F(FrameTest, StatusPanesShowCountsPromptsAndReadOuts) {
    EXPECT_EQ(frame->StatusPane0(), "For Help, press F1");
    EXPECT_FALSE(frame->StatusPane1Shown());
    ASSERT_TRUE(frame->OpenFile(SaveSurvey()));
    EXPECT_TRUE(frame->StatusPane1Shown());
    EXPECT_TRUE(frame->StatusPane1().endsWith("Deleted"));
    EXPECT_GE(frame->Pane1()->width(), frame->Pane1()->fontMetrics().horizontalAdvance(COUNTS_PANE_WIDTH_TEXT));

    // The mouse over the focused plan view reads out the plan coordinates.
    ViewWidget* plan = frame->PlanView();
    plan->setFocus();
    QApplication::processEvents();
    ASSERT_TRUE(plan->State().HasFocus);
    QTest::mouseMove(plan, QPoint(plan->width() / 2, plan->height() / 2));
    QApplication::processEvents();
    EXPECT_TRUE(frame->StatusPane0().startsWith("PLAN: x=")) << frame->StatusPane0().toStdString();
    EXPECT_EQ(plan->cursor().shape(), Qt::CrossCursor);
    ViewWidget* section = frame->SectionView();
    section->setFocus();
    QApplication::processEvents();
    QTest::mouseMove(section, QPoint(section->width() / 2, section->height() / 2));
    QApplication::processEvents();
    EXPECT_TRUE(frame->StatusPane0().startsWith("SECTION:(")) << frame->StatusPane0().toStdString();

    // New empties the counts pane (after the save prompt).
    frame->Doc().SetModified(true, frame->Port());
    QStringList asked;
    frame->askToSave = [&](const QString& q) {
        asked << q;
        return int(QMessageBox::No);
    };
    frame->DoCommand(ID_FILE_NEW);
    EXPECT_EQ(asked, QStringList{"Save changes to survey.son?"});
    EXPECT_FALSE(frame->StatusPane1Shown());
    EXPECT_EQ(frame->windowTitle(), "Untitled[*] - Aquenta - Brivel Application");
}

TEST_F(FrameTest, SavePromptCancelKeepsTheDocument) {
    ASSERT_TRUE(frame->OpenFile(SaveSurvey()));
    const size_t n = frame->Doc().Records.size();
    frame->Doc().SetModified(true, frame->Port());
    frame->askToSave = [](const QString&) { return int(QMessageBox::Cancel); };
    frame->DoCommand(ID_FILE_NEW);
    EXPECT_EQ(frame->Doc().Records.size(), n);
    EXPECT_FALSE(frame->close());  // exit is refused too
    // Yes saves first.
    frame->askToSave = [](const QString&) { return int(QMessageBox::Yes); };
    frame->DoCommand(ID_FILE_NEW);
    EXPECT_TRUE(frame->Doc().Records.empty());
    CVKDoc reread;
    ASSERT_TRUE(OpenDocument(reread, dir.filePath("survey.son").toStdString(), test::Quiet()));
    EXPECT_EQ(reread.Records.size(), n);
}

TEST_F(FrameTest, ExportThroughTheMenuWithTheEntityDialog) {
    ASSERT_TRUE(frame->OpenFile(SaveSurvey()));
    const QString out = dir.filePath("out.s2k");
    frame->choosePath = [&](int command, bool save) {
        EXPECT_EQ(command, ID_EXPORT_ASCII);
        EXPECT_TRUE(save);
        return out;
    };
    int shown = 0;
    frame->runExportDialog = [&](CExportDlg& dlg) {
        ++shown;
        EXPECT_FALSE(dlg.LayerCount()->isEnabled());  // only the DXF export counts layers
        dlg.Depth()->setChecked(false);
        dlg.Tide()->setChecked(false);
        dlg.Events()->setChecked(false);
        return dlg.Validate().isEmpty();
    };
    frame->DoCommand(ID_EXPORT_ASCII);
    EXPECT_EQ(shown, 1);
    QFile f(out);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    const QList<QByteArray> lines = f.readAll().split('\n');
    ASSERT_GT(lines.size(), 100);
    for (const QByteArray& l : lines) {
        if (!l.isEmpty()) {
            EXPECT_TRUE(l.startsWith("P ")) << l.toStdString();
        }
    }

    // Cancel in the file dialog writes nothing.
    QFile::remove(out);
    frame->choosePath = [](int, bool) { return QString(); };
    frame->DoCommand(ID_EXPORT_ASCII);
    EXPECT_FALSE(QFile::exists(out));
}

TEST_F(FrameTest, PrintsTheSectionOverPagesIntoAPdf) {
    ASSERT_TRUE(frame->OpenFile(SaveSurvey(900)));
    frame->Activate(frame->SectionView());
    frame->SectionView()->State().Window = {3000, 3000, 6000, 9000};
    QPrinter printer;
    printer.setOutputFormat(QPrinter::PdfFormat);
    const QString pdf = dir.filePath("section.pdf");
    printer.setOutputFileName(pdf);
    frame->runPrintDialog = [](CDepthPrnDlg& dlg) {
        dlg.Title()->setText("Harbour");
        dlg.Pages()->SetText("3");
        return dlg.Validate().isEmpty();
    };
    ASSERT_TRUE(frame->PrintTo(printer));
    QFile f(pdf);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_EQ(f.readAll().count("/Type /Page\n"), 3);
    // The screen's zoom comes back.
    EXPECT_EQ(frame->SectionView()->State().Window, (CRect{3000, 3000, 6000, 9000}));
    EXPECT_EQ(frame->SectionView()->Section().PrintTitle, "Harbour");
}

TEST_F(FrameTest, RecentFilesAreKeptInTheSettings) {
    const QString path = SaveSurvey();
    ASSERT_TRUE(frame->OpenFile(path));
    EXPECT_EQ(frame->RecentFiles(), QStringList{path});
    EXPECT_TRUE(frame->Action(ID_FILE_MRU_FILE1)->text().startsWith("&1 "));
    FrameOptions o;
    o.splash = false;
    o.settingsFile = dir.filePath("settings.ini");
    CMainFrame second(o);
    EXPECT_EQ(second.RecentFiles(), QStringList{path});
    // A file that no longer opens leaves the list.
    QFile::remove(path);
    second.Port().onMessage = [](const std::string&, Severity) {};
    second.DoCommand(ID_FILE_MRU_FILE1);
    EXPECT_TRUE(second.RecentFiles().isEmpty());
}

TEST_F(FrameTest, DroppedFilesOpen) {
    const QString path = SaveSurvey();
    frame->OpenDropped({QUrl::fromLocalFile(path)});
    EXPECT_FALSE(frame->Doc().Records.empty());
    EXPECT_EQ(frame->windowTitle(), "survey.son[*] - Aquenta - Brivel Application");
}

TEST_F(FrameTest, ProgressDialogOfLongPhases) {
    QtUserPort& port = frame->Port();
    port.showAfterMs = 0;
    port.BeginPhase("Sorting");
    port.SetProgress(40);
    ASSERT_NE(port.Progress(), nullptr);
    EXPECT_TRUE(port.Progress()->isVisible());
    EXPECT_EQ(port.Progress()->windowTitle(), "Recalculating Sonar Data");
    EXPECT_EQ(port.Progress()->Phase(), "Sorting");
    EXPECT_EQ(port.Progress()->Percent(), 40);
    EXPECT_FALSE(port.Progress()->isModal());
    port.EndPhase();
    EXPECT_FALSE(port.Progress()->isVisible());
}

TEST_F(FrameTest, SplashSwallowsTheKeyThatClosesIt) {
    CSplashWnd* splash = CSplashWnd::ShowSplash(frame.get(), 60000);
    ASSERT_NE(splash, nullptr);
    EXPECT_EQ(splash->size(), QSize(425, 263));
    EXPECT_EQ(CSplashWnd::ShowSplash(frame.get()), splash);  // one at a time
    const size_t before = frame->Doc().Records.size();
    QTest::keyClick(frame.get(), Qt::Key_N, Qt::ControlModifier);  // would be File > New
    QApplication::processEvents();
    QTest::qWait(20);
    EXPECT_EQ(CSplashWnd::Current(), nullptr);
    EXPECT_EQ(frame->Doc().Records.size(), before);
}

TEST_F(FrameTest, HelpPagesTravelWithTheProgram) {
    frame->DoCommand(ID_HELP_FINDER);
    ASSERT_TRUE(frame->Help()->isVisible());
    EXPECT_EQ(frame->Help()->Browser()->documentTitle(), "Contents");
    // F1 opens the page of the active view; every page links back to the contents.
    frame->Activate(frame->SectionView());
    frame->DoCommand(ID_HELP);
    EXPECT_EQ(frame->Help()->Browser()->source().fragment(), "section");
    for (const char* page : {"views.html", "menus.html", "formats.html", "printing.html", "commandline.html"}) {
        frame->Help()->ShowPage(page);
        EXPECT_FALSE(frame->Help()->Browser()->documentTitle().isEmpty()) << page;
        EXPECT_TRUE(frame->Help()->Browser()->toHtml().contains("index.html")) << page;
    }
}

TEST(DialogTest, EntityDialogValidatesTheLayerCount) {
    CExportDlg dlg(true);
    EXPECT_TRUE(dlg.Position()->isChecked());
    EXPECT_EQ(dlg.KmlTitle()->text(), "Aquenta");
    EXPECT_EQ(dlg.LayerCount()->Text(), "1");
    dlg.LayerCount()->SetText("abc");
    EXPECT_EQ(dlg.Validate(), "Please enter an integer between 0 and 255.");
    dlg.LayerCount()->SetText("21");
    EXPECT_EQ(dlg.Validate(), "Please enter an integer between 1 and 20.");
    QStringList refused;
    dlg.onRefusal = [&](const QString& t) { refused << t; };
    dlg.accept();
    EXPECT_EQ(refused, QStringList{"Please enter an integer between 1 and 20."});
    EXPECT_EQ(dlg.result(), 0);  // still open
    dlg.LayerCount()->Step(-100);
    EXPECT_EQ(dlg.LayerCount()->Text(), "1");
    dlg.LayerCount()->Step(5);
    dlg.Tide()->setChecked(false);
    dlg.KmlTitle()->setText("Harbour");
    EXPECT_EQ(dlg.Validate(), "");
    EXPECT_EQ(dlg.Selection().DxfLayerCount, 6);
    EXPECT_EQ(dlg.Selection().EntityMask, REC_POSITION | REC_DEPTH | REC_EVENT);
    EXPECT_EQ(dlg.Selection().KmlTitle, "Harbour");

    // Without the layer count, its text is never read.
    CExportDlg plain(false);
    plain.LayerCount()->SetText("zz");
    EXPECT_EQ(plain.Validate(), "");
}

TEST(DialogTest, PrintingDialogStartsFromTheDefaults) {
    CDepthPrnDlg dlg;
    EXPECT_EQ(dlg.windowTitle(), "Time Series Printing Dialog");
    EXPECT_EQ(dlg.Title()->text(), "Corrund Depths");
    EXPECT_EQ(dlg.Pages()->Text(), "1");
    dlg.Pages()->SetText("two");
    EXPECT_EQ(dlg.Validate(), "Please enter an integer.");
    dlg.Pages()->SetText("0");
    EXPECT_EQ(dlg.Validate(), "Please enter an integer between 1 and 100.");
    dlg.Pages()->Step(1000);
    EXPECT_EQ(dlg.Pages()->Text(), "100");
    EXPECT_EQ(dlg.Validate(), "");
    EXPECT_EQ(dlg.Settings().pages, 100);
}

}  // namespace
}  // namespace aq::gui
