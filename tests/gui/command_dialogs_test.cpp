// SPDX-License-Identifier: GPL-3.0-or-later
// The command dialogs: starting values, refusals that keep them open, OK and Cancel.
#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QFile>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QTimeEdit>

#include "dialogs/colourbutton.h"
#include "dialogs/ctrlpage.h"
#include "dialogs/editdlg.h"
#include "dialogs/exportdlg.h"
#include "dialogs/filtdlg.h"
#include "dialogs/formimportdlg.h"
#include "dialogs/offdlg.h"
#include "dialogs/setdlg.h"
#include "processing/recalc.h"
#include "shell/mainframe.h"
#include "support/builders.h"

namespace aq::gui {
namespace {

using test::At;

struct DialogFrame : ::testing::Test {
    QTemporaryDir dir;
    std::unique_ptr<CMainFrame> frame;
    QStringList refusals;

    void SetUp() override {
        FrameOptions o;
        o.splash = false;
        o.settingsFile = dir.filePath("settings.ini");
        frame = std::make_unique<CMainFrame>(o);
        frame->Port().onMessage = [](const std::string&, Severity) {};
    }
    void TearDown() override {
        frame->askToSave = [](const QString&) { return int(QMessageBox::No); };
        frame.reset();
    }
    CVKDoc& Doc() { return frame->Doc(); }

    // Runs one command whose dialog `fill` handles; the dialog's refusals are kept.
    template <typename Dialog, typename Fill>
    bool Run(int id, Fill fill) {
        bool seen = false;
        frame->runDialog = [&](QDialog& d) {
            auto* dlg = qobject_cast<Dialog*>(&d);
            EXPECT_NE(dlg, nullptr);
            if (!dlg) return false;
            seen = true;
            dlg->onRefusal = [this](const QString& t) { refusals << t; };
            return fill(*dlg);
        };
        frame->DoCommand(id);
        frame->runDialog = nullptr;
        return seen;
    }
    // OK pressed: true when the dialog closed with it.
    template <typename Dialog>
    static bool Ok(Dialog& dlg) {
        dlg.accept();
        return dlg.result() == QDialog::Accepted;
    }
};

TEST_F(DialogFrame, PropertiesStartFromTheDocumentAndConfirmingSlowsTheAnimation) {
    std::vector<int32_t> ticks;
    for (int i = 0; i < 7; ++i) {
        ASSERT_TRUE(Run<CSetDlg>(ID_EDIT_PROPERTIES, [&](CSetDlg& d) {
            if (i == 0) {
                EXPECT_EQ(d.windowTitle(), "General Properties");
                EXPECT_TRUE(d.Scheme(COLOUR_POINT_TYPE)->isChecked());
                EXPECT_EQ(d.BandLabel(0)->text(), "Event");
                EXPECT_EQ(d.BandLabel(5)->text(), "Depth");
                EXPECT_EQ(d.BoxSize()->Text(), "3");
                EXPECT_EQ(d.TextSize()->Text(), "5");
                EXPECT_EQ(d.InterpLimit()->text(), "10");
                EXPECT_EQ(d.Animate()->value(), 50);
                EXPECT_EQ(d.ColourButton(1)->Colour(), 0x0000FFu);
                EXPECT_TRUE(d.ShowDepth()->isChecked());
            }
            return Ok(d);
        }));
        ticks.push_back(Doc().AnimateTicks);
    }
    EXPECT_EQ(ticks, (std::vector<int32_t>{6, 7, 8, 9, 10, 11, 11}));
    Doc().AnimateTicks = 100;  // after the right button
    Run<CSetDlg>(ID_EDIT_PROPERTIES, [](CSetDlg& d) {
        EXPECT_EQ(d.Animate()->value(), 100);
        return Ok(d);
    });
    EXPECT_EQ(Doc().AnimateTicks, 11);
}

TEST_F(DialogFrame, PropertiesSchemesPresetsAndColours) {
    // Switching the scheme shows its bands, but Cancel keeps the old scheme.
    Run<CSetDlg>(ID_EDIT_PROPERTIES, [](CSetDlg& d) {
        QTest::mouseClick(d.Scheme(COLOUR_ELEVATION), Qt::LeftButton);
        QStringList labels;
        for (int i = 0; i < 7; ++i) labels << d.BandLabel(i)->text();
        EXPECT_EQ(labels, (QStringList{"0.10", "0.07", "0.03", "0.00", "-0.03", "-0.07", "-0.10"}));
        QTest::mouseClick(d.Scheme(COLOUR_QUALITY), Qt::LeftButton);
        EXPECT_EQ(d.BandLabel(0)->text(), "100%");
        EXPECT_EQ(d.BandLabel(6)->text(), "0%");
        d.reject();
        return false;
    });
    EXPECT_EQ(Doc().ColourMode, COLOUR_POINT_TYPE);

    Run<CSetDlg>(ID_EDIT_PROPERTIES, [](CSetDlg& d) {
        QTest::mouseClick(d.PresetButton(ColourPreset::RedYellowGreen), Qt::LeftButton);
        EXPECT_EQ(d.ColourButton(1)->Colour(), Rgb(255, 128, 0));
        // The chooser starts from the button's colour; Cancel there changes nothing.
        d.ColourButton(6)->chooser = [](const QColor& initial) -> std::optional<QColor> {
            EXPECT_EQ(initial, QColor(0, 255, 0));
            return QColor(10, 20, 30);
        };
        QTest::mouseClick(d.ColourButton(6), Qt::LeftButton);
        d.ColourButton(5)->chooser = [](const QColor&) { return std::optional<QColor>{}; };
        QTest::mouseClick(d.ColourButton(5), Qt::LeftButton);
        QTest::mouseClick(d.Scheme(COLOUR_ELEVATION), Qt::LeftButton);
        d.ShowDepth()->setChecked(false);
        d.BoxSize()->SetText("0");  // beyond the spin: taken as typed
        d.TextSize()->Step(100);
        return Ok(d);
    });
    EXPECT_EQ(Doc().Colours[7], Rgb(10, 20, 30));
    EXPECT_EQ(Doc().Colours[6], Rgb(128, 255, 0));
    EXPECT_EQ(Doc().Colours[0], 0u);
    EXPECT_EQ(Doc().ColourMode, COLOUR_ELEVATION);
    EXPECT_EQ(Doc().ShowKinds, REC_POSITION | REC_TIDE | REC_EVENT);
    EXPECT_EQ(Doc().BoxSize, 0);
    EXPECT_EQ(Doc().TextSize, 50);  // the spin stops at 50
}

TEST_F(DialogFrame, PropertiesRefuseWhatTheirFieldsCannotTake) {
    CSetDlg d(Doc());
    QStringList seen;
    d.onRefusal = [&](const QString& t) { seen << t; };
    d.TextSize()->SetText("big");
    d.accept();
    EXPECT_NE(d.result(), QDialog::Accepted);
    EXPECT_EQ(d.Offending(), d.TextSize()->Edit());
    EXPECT_EQ(d.TextSize()->Edit()->selectedText(), "big");
    d.TextSize()->SetText("7");
    d.InterpLimit()->setText("-5");
    EXPECT_EQ(d.Validate(), "Please enter a positive integer.");
    d.InterpLimit()->setText("12");
    d.BoxSize()->SetText("99999999");
    EXPECT_EQ(d.Validate(), "Please enter an integer between 0 and 10000.");
    d.BoxSize()->SetText("25");
    EXPECT_EQ(d.Validate(), "");
    EXPECT_EQ(seen, QStringList{"Please enter an integer."});
    EXPECT_EQ(d.Values().InterpLimit, 12);
    EXPECT_EQ(d.Values().BoxSize, 25);
}

TEST_F(DialogFrame, OffsetsEnableOnlyTheirGroupAndCheckTheVelocity) {
    test::Append(Doc(), {test::Pos(At(10, 0, 0), 1000, 1000), test::Depth(At(10, 0, 1), 1000),
                         test::Pos(At(10, 0, 2), 2000, 2000)});
    Recalculate(Doc(), frame->Port());
    Doc().EastOffset = 1;
    ASSERT_TRUE(Run<COffDlg>(ID_OFFSETS_DEPTHS, [&](COffDlg& d) {
        EXPECT_EQ(d.windowTitle(), "Parameter Offsets");
        EXPECT_FALSE(d.East()->isEnabled());
        EXPECT_FALSE(d.TideTime()->isEnabled());
        EXPECT_TRUE(d.SoundVelocity()->isEnabled());
        EXPECT_EQ(d.East()->text(), "0.01");
        EXPECT_EQ(d.SoundVelocity()->text(), "1500");
        d.SoundVelocity()->setText("2500");
        d.accept();
        EXPECT_EQ(d.Offending(), d.SoundVelocity());
        d.SoundVelocity()->setText("fast");
        d.accept();
        d.DepthTime()->setText("1.5");
        d.accept();
        d.DepthTime()->setText("0");
        d.Depth()->setText("400");
        d.accept();
        d.Depth()->setText("0");
        d.SoundVelocity()->setText("1530");
        return Ok(d);
    }));
    EXPECT_EQ(refusals, (QStringList{"Please enter a number between 1300 and 2000.", "Please enter a number.",
                                     "Please enter an integer.", "Please enter a number between -327.68 and 327.67."}));
    EXPECT_EQ(Doc().SoundVelocity, 1530.0);
    EXPECT_EQ(Doc().Records[1].Depth, 1020);

    // Cancel changes nothing.
    Run<COffDlg>(ID_OFFSETS_POSITIONS, [](COffDlg& d) {
        EXPECT_TRUE(d.East()->isEnabled());
        EXPECT_FALSE(d.SoundVelocity()->isEnabled());
        d.PosTime()->setText("5");
        return false;
    });
    EXPECT_EQ(Doc().PosTimeOffset, 0);
    Run<COffDlg>(ID_OFFSETS_POSITIONS, [](COffDlg& d) {
        d.PosTime()->setText("5");
        return Ok(d);
    });
    EXPECT_EQ(Doc().PosTimeOffset, 5);
    EXPECT_EQ(Doc().Records.front().Time, At(10, 0, 1));  // the depth now comes first
}

TEST_F(DialogFrame, RangeFilterStartsFromTheSurveyAndDeletesOutsideTheWindow) {
    for (int s = 0; s < 6; ++s)
        test::Append(Doc(), {test::Pos(At(10, 0, 2 * s), 100000 + s * 100, 500000, 0),
                             test::Depth(At(10, 0, 2 * s + 1), 500 + s * 10, 0, static_cast<uint8_t>(100 + s))});
    Recalculate(Doc(), frame->Port());
    ASSERT_TRUE(Run<CVKFiltDlg>(ID_FILTER_RANGE, [&](CVKFiltDlg& d) -> bool {
        EXPECT_EQ(d.windowTitle(), "Data Filter Parameters");
        EXPECT_EQ(d.XMin()->text(), "1000");
        EXPECT_EQ(d.XMax()->text(), "1005");
        EXPECT_EQ(d.QaMax()->text(), "127");
        // The pickers show the ends of the time axis in local time.
        civil::Fields start, end;
        EXPECT_TRUE(civil::ToFields(Doc().TimeMin, start) && civil::ToFields(Doc().TimeMax, end));
        EXPECT_EQ(d.StartDate()->date(), QDate(start.year, start.month, start.day));
        EXPECT_EQ(d.StartTime()->time(), QTime(start.hour, start.minute, start.second));
        EXPECT_EQ(d.EndTime()->time(), QTime(end.hour, end.minute, end.second));
        d.QaMax()->setText("128");
        d.accept();
        d.QaMax()->setText("127");
        d.YMin()->setText("south");
        d.accept();
        d.YMin()->setText("0");
        d.EndDate()->setDate(QDate(2040, 1, 1));
        d.accept();
        EXPECT_EQ(d.Offending(), d.EndDate());
        d.EndDate()->setDate(QDate(2009, 12, 5));
        d.EndTime()->setTime(QTime(10, 0, 6));  // the last three depths and two positions go
        return Ok(d);
    }));
    EXPECT_EQ(refusals, (QStringList{"Please enter an integer between 1 and 127.", "Please enter a number.",
                                     "Please enter a date before 19 January 2038."}));
    int deleted = 0;
    for (const CVKData& r : Doc().Records) deleted += r.IsDeleted();
    EXPECT_EQ(deleted, 5);
}

TEST_F(DialogFrame, RangeFilterRefusesAMinimumAboveItsMaximum) {
    for (int s = 0; s < 3; ++s)
        test::Append(Doc(), {test::Pos(At(10, 0, 2 * s), 100000 + s * 100, 500000, 0),
                             test::Depth(At(10, 0, 2 * s + 1), 500, 0, 100)});
    Recalculate(Doc(), frame->Port());
    ASSERT_TRUE(Run<CVKFiltDlg>(ID_FILTER_RANGE, [&](CVKFiltDlg& d) -> bool {
        // Each pair the wrong way round in turn: refused, the minimum selected, the
        // dialog open; put right, the next one.
        const auto refused = [&](QLineEdit* min, QLineEdit* max, const QString& lo, const QString& hi) {
            const QString was = min->text(), wasMax = max->text();
            min->setText(hi);
            max->setText(lo);
            EXPECT_FALSE(Ok(d));
            EXPECT_EQ(d.Offending(), min);
            EXPECT_EQ(min->selectedText(), hi);
            min->setText(was);
            max->setText(wasMax);
        };
        refused(d.XMin(), d.XMax(), "1000", "1002");
        refused(d.YMin(), d.YMax(), "4999", "5000");
        refused(d.ZMin(), d.ZMax(), "-12", "2");
        refused(d.QaMin(), d.QaMax(), "50", "60");
        const QTime start = d.StartTime()->time();
        d.StartTime()->setTime(d.EndTime()->time().addSecs(1));
        EXPECT_FALSE(Ok(d));
        EXPECT_EQ(d.Offending(), d.StartDate());
        d.StartTime()->setTime(start);
        return Ok(d);
    }));
    EXPECT_EQ(refusals, QStringList(5, "The minimum must not be greater than the maximum."));
    EXPECT_EQ(Doc().CountDeleted, 0);
}

TEST_F(DialogFrame, ControlPointsAddAndEditThroughTheirSheets) {
    test::Append(Doc(), {CVKData::OfPositionReal(At(10, 0, 0), -3.5, 53.0, 0, REC_POSITION | REC_GEOGRAPHIC, 0)});
    Recalculate(Doc(), frame->Port());
    ASSERT_TRUE(Run<ControlSheet>(ID_CONTROL_ADD, [](ControlSheet& s) {
        EXPECT_EQ(s.windowTitle(), "Add Control Point");
        EXPECT_EQ(s.PageCount(), 1);
        CCtrlPage* p = s.Page(0);
        EXPECT_TRUE(p->Use()->isChecked());
        EXPECT_EQ(p->LonSphere()->currentText(), "E");
        p->Name()->setText("Alpha");
        p->LonDeg()->setText("3");
        p->LonMin()->setText("30");
        p->LonSphere()->setCurrentText("W");
        p->LatDeg()->setText("53");
        p->GridX()->setText("x");
        s.accept();
        EXPECT_EQ(s.Offending(), p->GridX());
        p->GridX()->setText("1000.5");
        return Ok(s);
    }));
    EXPECT_EQ(refusals, QStringList{"Please enter a number."});
    ASSERT_EQ(Doc().Control.Points.size(), 1u);
    EXPECT_EQ(Doc().Control.Points[0].Longitude, -3.5);
    EXPECT_EQ(Doc().Control.Points[0].GridX, 1000.5);

    // Unchecked at once: the point never joins.
    Run<ControlSheet>(ID_CONTROL_ADD, [](ControlSheet& s) {
        s.Page(0)->Use()->setChecked(false);
        return Ok(s);
    });
    EXPECT_EQ(Doc().Control.Points.size(), 1u);
    Run<ControlSheet>(ID_CONTROL_ADD, [](ControlSheet& s) {
        s.Page(0)->Name()->setText("Bravo");
        return Ok(s);
    });
    ASSERT_EQ(Doc().Control.Points.size(), 2u);

    // Edit: a tab per station named after it. Cancel keeps both, unchecking deletes.
    Run<ControlSheet>(ID_CONTROL_EDIT, [](ControlSheet& s) {
        EXPECT_EQ(s.windowTitle(), "Control Points Edit");
        EXPECT_EQ(s.Tabs()->tabText(0), "Alpha");
        EXPECT_EQ(s.Tabs()->tabText(1), "Bravo");
        EXPECT_EQ(s.Page(0)->LonSphere()->currentText(), "W");
        s.Page(0)->Use()->setChecked(false);
        return false;
    });
    EXPECT_EQ(Doc().Control.Points.size(), 2u);
    Run<ControlSheet>(ID_CONTROL_EDIT, [](ControlSheet& s) {
        s.Tabs()->setCurrentIndex(1);
        s.Page(1)->LatDeg()->setText("??");
        s.Tabs()->setCurrentIndex(0);
        s.accept();  // the refusal brings its page forward
        EXPECT_EQ(s.Tabs()->currentIndex(), 1);
        s.Page(1)->LatDeg()->setText("52");
        s.Page(0)->Use()->setChecked(false);
        return Ok(s);
    });
    ASSERT_EQ(Doc().Control.Points.size(), 1u);
    EXPECT_EQ(Doc().Control.Points[0].Name, "Bravo");
    EXPECT_EQ(Doc().Control.Points[0].LatDeg, 52.0);
}

TEST_F(DialogFrame, FormattedImportWithALayoutSavedAndLoaded) {
    const QString layoutFile = dir.filePath("grid.fmt");
    const QString data = dir.filePath("points.txt");
    {
        QFile f(data);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("100.5 200.25\n7\n300.5 400.25\n");
    }
    frame->choosePath = [&](int command, bool save) {
        EXPECT_EQ(command, ID_IMPORT_FORMATTED);
        EXPECT_FALSE(save);
        return data;
    };
    // First a layout is made and saved, then the import is cancelled.
    ASSERT_TRUE(Run<CFormImportDlg>(ID_IMPORT_FORMATTED, [&](CFormImportDlg& d) {
        EXPECT_EQ(d.windowTitle(), "Import Formatted File");
        EXPECT_FALSE(d.SaveButton()->isEnabled());
        EXPECT_FALSE(d.Column(COL_EASTING)->isEnabled());
        EXPECT_FALSE(d.Column(COL_DEPTH)->isEnabled());
        EXPECT_TRUE(d.Column(COL_YEAR)->isEnabled());
        QTest::mouseClick(d.TypeButton(LAYOUT_DEPTH), Qt::LeftButton);
        EXPECT_TRUE(d.Column(COL_DEPTH)->isEnabled());
        EXPECT_FALSE(d.Column(COL_EASTING)->isEnabled());
        QTest::mouseClick(d.TypeButton(LAYOUT_COORDINATE), Qt::LeftButton);
        EXPECT_TRUE(d.Column(COL_EASTING)->isEnabled());
        EXPECT_TRUE(d.SaveButton()->isEnabled());
        d.Column(COL_EASTING)->setText("2");
        d.Column(COL_NORTHING)->setText("21");
        d.Description()->setText("grid points");
        d.choosePath = [&](bool save) {
            EXPECT_TRUE(save);
            return layoutFile;
        };
        QTest::mouseClick(d.SaveButton(), Qt::LeftButton);  // refused: 21 is no column
        EXPECT_FALSE(QFile::exists(layoutFile));
        d.Column(COL_NORTHING)->setText("1");
        QTest::mouseClick(d.SaveButton(), Qt::LeftButton);
        EXPECT_TRUE(QFile::exists(layoutFile));
        return false;
    }));
    EXPECT_EQ(refusals, QStringList{"Please enter an integer between 0 and 20."});
    EXPECT_TRUE(Doc().Records.empty());

    // A fresh dialog loads it; the type buttons stay as they were, the enabling follows.
    ASSERT_TRUE(Run<CFormImportDlg>(ID_IMPORT_FORMATTED, [&](CFormImportDlg& d) {
        d.choosePath = [&](bool save) {
            EXPECT_FALSE(save);
            return layoutFile;
        };
        QTest::mouseClick(d.LoadButton(), Qt::LeftButton);
        EXPECT_EQ(d.Column(COL_EASTING)->text(), "2");
        EXPECT_EQ(d.Column(COL_NORTHING)->text(), "1");
        EXPECT_EQ(d.Description()->text(), "grid points");
        EXPECT_TRUE(d.Column(COL_EASTING)->isEnabled());
        EXPECT_FALSE(d.TypeButton(LAYOUT_COORDINATE)->isChecked());
        EXPECT_TRUE(d.SaveButton()->isEnabled());
        const bool ok = Ok(d);
        EXPECT_EQ(d.Layout().MaxColumn, 2);
        return ok;
    }));
    // The line with one number is too short for the layout.
    ASSERT_EQ(Doc().Records.size(), 2u);
    EXPECT_EQ(Doc().Records[0].X, 20025);
    EXPECT_EQ(Doc().Records[0].Y, 10050);
    EXPECT_EQ(Doc().Records[0].Flags, REC_POSITION);
}

TEST(PointEditorDialog, TypingACoordinateOfAnEventMakesItAPosition) {
    CVKData e = test::Event(At(10, 0, 0), 7);
    e.Z = 29;
    {
        CVKEditDlg d(e);
        EXPECT_EQ(d.windowTitle(), "Point Editor");
        EXPECT_TRUE(d.TypeButton(PointType::Event)->isChecked());
        EXPECT_FALSE(d.Field(FIELD_DEPTH)->isEnabled());
        EXPECT_EQ(d.Field(FIELD_DEPTH)->text(), "0.07");
        EXPECT_EQ(d.Field(FIELD_Z)->text(), "0.29");
        d.accept();  // nothing typed: still an event with its value
    }
    EXPECT_EQ(e.Flags, REC_EVENT);
    EXPECT_EQ(e.Depth, 7);
    EXPECT_EQ(e.Z, 29);

    CVKEditDlg d(e);
    d.Field(FIELD_X)->selectAll();
    QTest::keyClicks(d.Field(FIELD_X), "12.5");
    EXPECT_EQ(d.Field(FIELD_DEPTH)->text(), "0");
    EXPECT_TRUE(d.TypeButton(PointType::Position)->isChecked());
    EXPECT_EQ(d.Field(FIELD_X)->text(), "12.5");  // the user's change stays
    QStringList seen;
    d.onRefusal = [&](const QString& t) { seen << t; };
    d.Field(FIELD_Y)->setText("north");
    d.accept();
    EXPECT_EQ(seen, QStringList{"Please enter a number."});
    EXPECT_EQ(e.Flags, REC_EVENT);  // nothing written while refused
    d.Field(FIELD_Y)->setText("0");
    d.accept();
    EXPECT_EQ(d.result(), QDialog::Accepted);
    EXPECT_EQ(e.Flags, REC_EVENT | REC_POSITION);
    EXPECT_EQ(e.X, 1250);
    EXPECT_EQ(e.Depth, 0);
    EXPECT_EQ(e.Z, 29);

    // Cancel leaves the record as it was.
    const CVKData before = e;
    CVKEditDlg c(e);
    c.Field(FIELD_Z)->setText("9");
    c.reject();
    EXPECT_EQ(e, before);
}

}  // namespace
}  // namespace aq::gui

namespace aq::gui {
namespace {

TEST_F(DialogFrame, PropertiesSetTheUndoMemoryForThisAndLaterRuns) {
    Run<CSetDlg>(ID_EDIT_PROPERTIES, [](CSetDlg& d) {
        d.UndoMemory()->setText(QStringLiteral("-5"));
        EXPECT_FALSE(Ok(d));  // refused, the field kept
        d.UndoMemory()->setText(QStringLiteral("64"));
        return Ok(d);
    });
    EXPECT_EQ(frame->History().Budget(), size_t{64} << 20);
    // The setting outlives the window.
    frame->askToSave = [](const QString&) { return int(QMessageBox::No); };
    FrameOptions o;
    o.splash = false;
    o.settingsFile = dir.filePath("settings.ini");
    frame.reset();
    frame = std::make_unique<CMainFrame>(o);
    EXPECT_EQ(frame->History().Budget(), size_t{64} << 20);
}

}  // namespace
}  // namespace aq::gui
