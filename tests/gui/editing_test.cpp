// SPDX-License-Identifier: GPL-3.0-or-later
// Mouse editing in the views: drag boxes in every mode, the point dialogs they open,
// the right button's selection and the animation.
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QLineEdit>
#include <QListWidget>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QTest>

#include "dialogs/editdlg.h"
#include "dialogs/showdlg.h"
#include "io/document.h"
#include "model/docfile.h"
#include "processing/recalc.h"
#include "shell/mainframe.h"
#include "support/builders.h"
#include "survey_gen.h"
#include "views/viewwidget.h"

namespace aq::gui {
namespace {

struct EditingTest : ::testing::Test {
    QTemporaryDir dir;
    std::unique_ptr<CMainFrame> frame;
    std::vector<std::string> messages;
    size_t spike = 0;

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

    CVKDoc& Doc() { return frame->Doc(); }

    // The harbour survey with one sounding 25 m too deep.
    void SurveyWithSpike() {
        gen::MakeSmallSurvey(Doc(), 300);
        for (size_t i = Doc().Records.size() / 2; i < Doc().Records.size(); ++i)
            if (Doc().Records[i].IsLive(REC_DEPTH)) {
                spike = i;
                break;
            }
        Doc().Records[spike].Depth = static_cast<int16_t>(Doc().Records[spike].Depth + 2500);
        Recalculate(Doc(), frame->Port());
        frame->PlanView()->InitialUpdate();
        frame->SectionView()->InitialUpdate();
    }

    ViewWidget* Focus(ViewWidget* view) {
        view->setFocus();
        QApplication::processEvents();
        EXPECT_TRUE(view->State().HasFocus);
        return view;
    }
    static QPoint Device(ViewWidget* view, CPoint logical) {
        const CPoint d = view->State().ViewMapping().ToDevice(logical);
        return {d.x, d.y};
    }
    static void Drag(ViewWidget* view, QPoint from, QPoint to) {
        QTest::mousePress(view, Qt::LeftButton, {}, from);
        QTest::mouseMove(view, (from + to) / 2);
        QTest::mouseMove(view, to);
        QTest::mouseRelease(view, Qt::LeftButton, {}, to);
        QApplication::processEvents();
    }
    bool Checked(int id) {
        frame->UpdateActions();
        return frame->Action(id)->isChecked();
    }
    bool Enabled(int id) {
        frame->UpdateActions();
        return frame->Action(id)->isEnabled();
    }
    int Deleted() {
        int n = 0;
        for (const CVKData& r : Doc().Records) n += r.IsDeleted();
        return n;
    }
};

TEST_F(EditingTest, DeleteASpikeInTheSectionAndUndeleteIt) {
    SurveyWithSpike();
    ViewWidget* section = Focus(frame->SectionView());
    const int before = Deleted();
    frame->DoCommand(ID_DRAG_DELETE);
    EXPECT_TRUE(Checked(ID_DRAG_DELETE));
    QPoint at = Device(section, Doc().Records[spike].ptSeabed);
    Drag(section, at - QPoint(4, 4), at + QPoint(4, 4));
    EXPECT_TRUE(Doc().Records[spike].IsDeleted());
    // A position logged with the spike carries its seabed and goes with it.
    EXPECT_GT(Deleted(), before);
    EXPECT_LE(Deleted(), before + 3);
    EXPECT_TRUE(Checked(ID_DRAG_VIEW));  // one box only
    EXPECT_TRUE(frame->StatusPane1().endsWith(QString(", %1 Deleted").arg(Deleted())));

    frame->DoCommand(ID_DRAG_UNDELETE);
    at = Device(section, Doc().Records[spike].ptSeabed);
    Drag(section, at + QPoint(4, 4), at - QPoint(4, 4));  // dragged the other way
    EXPECT_FALSE(Doc().Records[spike].IsDeleted());
    EXPECT_EQ(Deleted(), before);
}

TEST_F(EditingTest, ClicksAndSmallBoxesDoNothingAndKeepTheMode) {
    SurveyWithSpike();
    ViewWidget* section = Focus(frame->SectionView());
    frame->DoCommand(ID_DRAG_DELETE);
    const QPoint at = Device(section, Doc().Records[spike].ptSeabed);
    QTest::mouseClick(section, Qt::LeftButton, {}, at);
    EXPECT_FALSE(Doc().Records[spike].IsDeleted());
    EXPECT_TRUE(Checked(ID_DRAG_DELETE));

    // Zoomed in to 100 units across: a box 4 units wide is no box, 6 units is.
    const CPoint l = Doc().Records[spike].ptSeabed;
    section->State().Window = {l.x - 50, l.y - 50, l.x + 50, l.y + 50};
    section->Invalidate();
    const QPoint left = Device(section, {l.x - 2, l.y - 30}), narrow = Device(section, {l.x + 2, l.y + 30});
    Drag(section, left, narrow);
    EXPECT_FALSE(Doc().Records[spike].IsDeleted());
    EXPECT_TRUE(Checked(ID_DRAG_DELETE));
    Drag(section, left - QPoint(section->width() / 100, 0), narrow + QPoint(section->width() / 100, 0));
    EXPECT_TRUE(Doc().Records[spike].IsDeleted());
    EXPECT_TRUE(Checked(ID_DRAG_VIEW));

}

TEST_F(EditingTest, TimeFrameInTheSectionAndZoomInThePlan) {
    SurveyWithSpike();
    ViewWidget* section = Focus(frame->SectionView());
    frame->DoCommand(ID_DRAG_TIMEFRAME);
    const int w = section->width();
    Drag(section, QPoint(w / 3, 20), QPoint(2 * w / 3, section->height() - 20));
    int kept = 0;
    for (const CVKData& r : Doc().Records) kept += !r.IsDeleted();
    EXPECT_GT(kept, 100);
    EXPECT_GT(Deleted(), 500);

    ViewWidget* plan = Focus(frame->PlanView());
    frame->DoCommand(ID_DRAG_TIMEFRAME);  // no action in the plan, but the mode is spent
    const std::vector<uint16_t> flags = [&] {
        std::vector<uint16_t> f;
        for (const CVKData& r : Doc().Records) f.push_back(r.Flags);
        return f;
    }();
    Drag(plan, QPoint(50, 50), QPoint(300, 200));
    for (size_t i = 0; i < flags.size(); ++i) ASSERT_EQ(Doc().Records[i].Flags, flags[i]);
    EXPECT_TRUE(Checked(ID_DRAG_VIEW));
    EXPECT_EQ(plan->State().Window, VIEW_EXTENTS);
    // In View a box zooms.
    Drag(plan, QPoint(50, 50), QPoint(300, 200));
    EXPECT_LT(plan->State().Window.right - plan->State().Window.left, 17000 / 2);
}

TEST_F(EditingTest, EnquireListsThePointsAndTheEditorChangesOne) {
    SurveyWithSpike();
    ViewWidget* section = Focus(frame->SectionView());
    frame->DoCommand(ID_DRAG_ENQUIRE);
    const int64_t spikeTime = Doc().Records[spike].Time;
    const uint8_t spikeHundredths = Doc().Records[spike].Hundredths;
    int shown = 0;
    QStringList lines;
    frame->runDialog = [&](QDialog& d) {
        if (auto* list = qobject_cast<CShowDlg*>(&d)) {
            ++shown;
            for (int i = 0; i < list->List()->count(); ++i) lines << list->List()->item(i)->text();
            EXPECT_FALSE(list->EditButton()->isEnabled());
            if (list->List()->count() == 0) return true;
            list->List()->setCurrentRow(0);
            EXPECT_TRUE(list->EditButton()->isEnabled());
            QTest::mouseClick(list->EditButton(), Qt::LeftButton);
            EXPECT_TRUE(list->Changed());
            EXPECT_TRUE(list->List()->item(0)->text().contains(" 3.60 ")) << list->List()->item(0)->text().toStdString();
            return true;
        }
        auto* editor = qobject_cast<CVKEditDlg*>(&d);
        EXPECT_NE(editor, nullptr);
        if (!editor) return false;
        EXPECT_FALSE(editor->Field(FIELD_X)->isEnabled());
        EXPECT_TRUE(editor->TypeButton(PointType::Depth)->isChecked());
        editor->Field(FIELD_DEPTH)->selectAll();
        QTest::keyClicks(editor->Field(FIELD_DEPTH), "3.6");
        editor->accept();
        return editor->result() == QDialog::Accepted;
    };
    const QPoint at = Device(section, Doc().Records[spike].ptSeabed);
    Drag(section, at - QPoint(4, 4), at + QPoint(4, 4));
    ASSERT_EQ(shown, 1);
    ASSERT_EQ(lines.size(), 1);
    EXPECT_TRUE(lines[0].startsWith("D ")) << lines[0].toStdString();
    // The document was recalculated: the record is found at its time with 3.60 m.
    bool found = false;
    for (const CVKData& r : Doc().Records)
        if (r.Time == spikeTime && r.Hundredths == spikeHundredths && r.IsLive(REC_DEPTH)) found |= r.Depth == 360;
    EXPECT_TRUE(found);
    EXPECT_TRUE(Doc().Modified);

    // Over empty ground: an empty list, and closing it changes nothing.
    lines.clear();
    const std::vector<CVKData> before = Doc().Records;
    frame->DoCommand(ID_DRAG_ENQUIRE);
    Drag(section, QPoint(2, 2), QPoint(12, 12));
    EXPECT_EQ(shown, 2);
    EXPECT_TRUE(lines.isEmpty());
    EXPECT_TRUE(Doc().Records == before);
}

TEST_F(EditingTest, RightButtonSelectsAndAnimateWalksTheRecords) {
    SurveyWithSpike();
    ViewWidget* plan = Focus(frame->PlanView());
    EXPECT_FALSE(Enabled(ID_VIEW_ANIMATE));
    const QPoint at = Device(plan, Doc().Records[40].ptPlan);
    QTest::mousePress(plan, Qt::RightButton, {}, at);
    ASSERT_TRUE(Doc().Selected);
    EXPECT_EQ(Doc().AnimateTicks, 5);
    EXPECT_TRUE(Enabled(ID_VIEW_ANIMATE));
    frame->DoCommand(ID_VIEW_ANIMATE);
    EXPECT_TRUE(Checked(ID_VIEW_ANIMATE));
    const int32_t first = Doc().SelectedIndex;
    QTest::qWait(1150);  // a step every 5 ticks of 100 ms
    EXPECT_GE(Doc().SelectedIndex, first + 1);
    EXPECT_LE(Doc().SelectedIndex, first + 3);
    // Let go, the selection stays for Animate, from the tool bar or its key; Escape in
    // the view takes it away as letting go used to.
    QTest::mouseRelease(plan, Qt::RightButton, {}, at);
    EXPECT_TRUE(Doc().Selected);
    EXPECT_TRUE(Enabled(ID_VIEW_ANIMATE));
    QTest::keyClick(frame.get(), Qt::Key_A, Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_FALSE(Checked(ID_VIEW_ANIMATE));
    QTest::keyClick(plan, Qt::Key_Escape);
    EXPECT_FALSE(Doc().Selected);
    EXPECT_EQ(Doc().AnimateTicks, 100);
    EXPECT_FALSE(Enabled(ID_VIEW_ANIMATE));
}

TEST_F(EditingTest, FieldTestsOnAPlanBox) {
    SurveyWithSpike();
    ViewWidget* plan = Focus(frame->PlanView());
    EXPECT_TRUE(Enabled(ID_DRAG_PATCHTEST));
    EXPECT_TRUE(Enabled(ID_DRAG_GRADIENT));
    frame->DoCommand(ID_DRAG_PATCHTEST);
    Drag(plan, QPoint(2, 2), QPoint(plan->width() - 2, plan->height() - 2));
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].rfind("PATCH TEST RESULTS\n Over ", 0), 0u) << messages[0];
    EXPECT_TRUE(Checked(ID_DRAG_VIEW));
    frame->DoCommand(ID_DRAG_GRADIENT);
    Drag(plan, QPoint(2, 2), QPoint(plan->width() - 2, plan->height() - 2));
    ASSERT_EQ(messages.size(), 2u);
    EXPECT_EQ(messages[1].rfind("GRADIENT TEST RESULTS\n Gradient ", 0), 0u) << messages[1];

    // Not in the section view; Gradient wants more than 5 records, Patchtest a grid.
    Focus(frame->SectionView());
    EXPECT_FALSE(Enabled(ID_DRAG_PATCHTEST));
    EXPECT_FALSE(Enabled(ID_DRAG_GRADIENT));
    Focus(frame->PlanView());
    Doc().New(frame->Port());
    test::Append(Doc(), {test::Pos(test::At(10, 0, 0), 0, 0), test::Pos(test::At(10, 0, 1), 10, 10),
                         test::Pos(test::At(10, 0, 2), 20, 20), test::Pos(test::At(10, 0, 3), 30, 30),
                         test::Pos(test::At(10, 0, 4), 40, 40)});
    EXPECT_FALSE(Enabled(ID_DRAG_GRADIENT));
    test::Append(Doc(), {test::Pos(test::At(10, 0, 5), 50, 50)});
    EXPECT_TRUE(Enabled(ID_DRAG_GRADIENT));
    Doc().KindFlags |= REC_GEOGRAPHIC;
    EXPECT_FALSE(Enabled(ID_DRAG_PATCHTEST));
}

}  // namespace
}  // namespace aq::gui

namespace aq::gui {
namespace {

TEST_F(EditingTest, EditUndoAndRedoTakeBackBoxesAndCommandsAndTheModifiedMarkFollows) {
    SurveyWithSpike();
    const std::string path = dir.filePath("s.son").toStdString();
    ASSERT_TRUE(SaveDocument(Doc(), path, frame->Port()));
    ASSERT_TRUE(frame->OpenFile(QString::fromStdString(path)));
    const std::vector<uint8_t> opened = SaveDocumentBytes(Doc());
    EXPECT_FALSE(Enabled(ID_EDIT_UNDO));
    EXPECT_FALSE(Enabled(ID_EDIT_REDO));

    // A box delete in the section, then Clear Z from the menu.
    ViewWidget* section = Focus(frame->SectionView());
    frame->DoCommand(ID_DRAG_DELETE);
    const QPoint at = Device(section, Doc().Records[spike].ptSeabed);
    Drag(section, at - QPoint(4, 4), at + QPoint(4, 4));
    ASSERT_TRUE(Doc().Records[spike].IsDeleted());
    const std::vector<uint8_t> boxed = SaveDocumentBytes(Doc());
    frame->DoCommand(ID_CLEAR_Z);
    EXPECT_TRUE(Enabled(ID_EDIT_UNDO));
    EXPECT_EQ(frame->Action(ID_EDIT_UNDO)->text(), QStringLiteral("&Undo Clear Z\tCtrl+Z"));
    EXPECT_TRUE(Doc().Modified);

    frame->DoCommand(ID_EDIT_UNDO);
    EXPECT_EQ(SaveDocumentBytes(Doc()), boxed);
    EXPECT_EQ(frame->Action(ID_EDIT_UNDO)->text(), QStringLiteral("&Undo Delete Box\tCtrl+Z"));
    EXPECT_EQ(frame->Action(ID_EDIT_REDO)->text(), QStringLiteral("&Redo Clear Z\tCtrl+Y"));
    frame->DoCommand(ID_EDIT_UNDO);
    EXPECT_EQ(SaveDocumentBytes(Doc()), opened);
    EXPECT_FALSE(Doc().Records[spike].IsDeleted());
    EXPECT_FALSE(Doc().Modified);  // the file as it was opened
    EXPECT_FALSE(frame->isWindowModified());
    EXPECT_FALSE(Enabled(ID_EDIT_UNDO));

    frame->DoCommand(ID_EDIT_REDO);
    EXPECT_EQ(SaveDocumentBytes(Doc()), boxed);
    EXPECT_TRUE(Doc().Modified);
    EXPECT_TRUE(frame->StatusPane1().endsWith(QString(", %1 Deleted").arg(Deleted())));
}

}  // namespace
}  // namespace aq::gui
