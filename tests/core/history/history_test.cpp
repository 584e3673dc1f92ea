// SPDX-License-Identifier: GPL-3.0-or-later
// The undo history: random commands on random surveys, undone and redone, must give back
// every byte of the document and every field of every record; steps cost what they change.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <fstream>
#include <random>

#include "core/import/import_support.h"
#include "geodesy/utm.h"
#include "history/history.h"
#include "import/tide.h"
#include "model/docfile.h"
#include "model/scriptedport.h"
#include "processing/flags.h"
#include "processing/hpr.h"
#include "processing/offsets.h"
#include "processing/recalc.h"
#include "support/builders.h"

namespace aq {
namespace {

// Everything a user could tell apart: the saved bytes, every field of every record
// (view points included), the settings, the modified mark and the status text.
struct State {
    std::vector<uint8_t> bytes;
    std::vector<CVKData> records;
    DocSettings settings;
    bool modified = false;
    std::string status;
    std::string counts;

    static State Of(const CVKDoc& doc) {
        return {SaveDocumentBytes(doc), doc.Records, DocSettings::Of(doc), doc.Modified, doc.StatusText,
                doc.CountsText()};
    }
};

bool SameRecord(const CVKData& a, const CVKData& b) {
    return a.Time == b.Time && a.X == b.X && a.Y == b.Y && a.Z == b.Z && a.Depth == b.Depth && a.Tide == b.Tide &&
           a.Pitch == b.Pitch && a.Roll == b.Roll && a.Heave == b.Heave && a.ptHeight == b.ptHeight &&
           a.ptTide == b.ptTide && a.ptSeabed == b.ptSeabed && a.ptDepthUp == b.ptDepthUp && a.ptPlan == b.ptPlan &&
           a.Flags == b.Flags && a.Quality == b.Quality && a.Hundredths == b.Hundredths;
}

void ExpectSame(const State& want, const CVKDoc& doc, const std::string& where) {
    const State got = State::Of(doc);
    EXPECT_EQ(got.bytes, want.bytes) << where;
    ASSERT_EQ(got.records.size(), want.records.size()) << where;
    for (size_t i = 0; i < want.records.size(); ++i)
        ASSERT_TRUE(SameRecord(got.records[i], want.records[i])) << where << ": record " << i;
    EXPECT_TRUE(got.settings == want.settings) << where;
    EXPECT_EQ(got.status, want.status) << where;
    EXPECT_EQ(got.counts, want.counts) << where;
}

class HistoryTest : public testing::Test {
protected:
    // A survey of positions, depths, tides and events over a few minutes.
    void RandomSurvey(std::mt19937& rng, bool geographic) {
        doc.New(port);
        std::uniform_int_distribution<int> kind(0, 9), cm(-300, 3000), step(0, 3);
        int64_t t = test::At(10, 0, 0);
        const int n = std::uniform_int_distribution<int>(20, 400)(rng);
        for (int i = 0; i < n; ++i) {
            t += step(rng);
            const int k = kind(rng);
            const auto hundredths = static_cast<uint8_t>(std::uniform_int_distribution<int>(0, 99)(rng));
            if (k < 3) {
                const uint16_t flags = REC_POSITION | (geographic ? REC_GEOGRAPHIC : 0);
                const int32_t x = geographic ? 31000000 + cm(rng) * 10 : 47200000 + cm(rng) * 100;
                const int32_t y = geographic ? 515000000 + cm(rng) * 10 : 593200000 + cm(rng) * 100;
                doc.AddRecord(CVKData::OfPosition(t, x, y, cm(rng) / 10, flags, hundredths));
            } else if (k < 8) {
                doc.AddRecord(CVKData::OfDepth(t, std::abs(cm(rng)), static_cast<uint8_t>(20 + k * 10),
                                               REC_DEPTH | REC_SOUNDER, hundredths));
            } else if (k < 9) {
                doc.AddRecord(CVKData::OfKind(t, cm(rng) / 10, REC_TIDE, hundredths));
            } else {
                doc.AddRecord(CVKData::OfKind(t, i, REC_EVENT, 0));
            }
        }
        for (const CVKData& r : doc.Records) doc.KindFlags |= r.Flags;
        doc.NeedsSort = true;
        Recalculate(doc, port);
        doc.SetModified(false, port);
    }

    // One random command through the history; its name.
    std::string RandomCommand(std::mt19937& rng, int which) {
        std::uniform_int_distribution<int32_t> coord(0, 15000);
        const auto run = [&](const std::string& name, UndoScope scope, auto&& fn) {
            Undoable(&history, doc, name, scope, port, fn);
            return name;
        };
        switch (which) {
            case 0:
            case 1: {
                const int32_t a = coord(rng), b = coord(rng), c = coord(rng), d = coord(rng);
                const CRect box{std::min(a, b), std::min(c, d), std::max(a, b), std::max(c, d)};
                const bool del = which == 0, section = rng() % 2 == 0;
                return run(del ? "Delete" : "Undelete", UndoScope::Flags,
                           [&] { MarkInRect(doc, box, del, section, port); });
            }
            case 2: {
                const int32_t a = coord(rng), b = coord(rng);
                return run("Time Frame", UndoScope::Flags,
                           [&] { MarkOutsideTimeFrame(doc, std::min(a, b), std::max(a, b), port); });
            }
            case 3: return run("Restore", UndoScope::Fields, [&] { Restore(doc, port); });
            case 4: return run("Remove", UndoScope::Records, [&] { Remove(doc, port); });
            case 5: return run("Clear Z", UndoScope::Records, [&] { ClearZ(doc, port); });
            case 6: return run("Hi Pass Z", UndoScope::Fields, [&] { HiPassZ(doc, port); });
            case 7: return run("Lo Pass Z", UndoScope::Fields, [&] { LoPassZ(doc, port); });
            case 8: {
                RangeValues v = InitialRangeValues(doc);
                v.ZMin = -5 + static_cast<double>(rng() % 10);
                v.ZMax = v.ZMin + 3;
                v.QaMin = static_cast<int32_t>(rng() % 60);
                return run("Range", UndoScope::Fields, [&] { ApplyRange(doc, v, port); });
            }
            case 9: {
                OffsetValues v = InitialOffsetValues(doc);
                v.East += 1.5;
                v.Elevation -= 0.25;
                v.PosTime += static_cast<int32_t>(rng() % 5);
                return run("Offsets Positions", UndoScope::Fields, [&] { OffsetPositions(doc, v, port); });
            }
            case 10: {
                OffsetValues v = InitialOffsetValues(doc);
                v.Depth += 0.1;
                v.SoundVelocity = 1450 + static_cast<double>(rng() % 100);
                v.DepthTime -= static_cast<int32_t>(rng() % 3);
                return run("Offsets Depths", UndoScope::Fields, [&] { OffsetDepths(doc, v, port); });
            }
            case 11:
                return run("Convert to UTM", UndoScope::Fields, [&] {
                    if (doc.IsGeographic()) ConvertToUtm(doc, port);
                });
            case 12: return run("Apply HPR", UndoScope::Fields, [&] { ApplyHpr(doc); });
            case 13: {
                // An import of a few tides somewhere in the survey.
                const int64_t t0 = doc.Records.empty() ? test::At(10, 0, 0) : doc.Records[doc.Records.size() / 2].Time;
                std::string text;
                for (int k = 0; k < 5; ++k) {
                    const int64_t t = t0 + k * 7;
                    civil::Fields f;
                    civil::ToFields(t, f);
                    char line[96];
                    std::snprintf(line, sizeof line, "%d %d %d %d %d %d %.1f\n", f.year, f.month, f.day, f.hour,
                                  f.minute, f.second, 0.1 * static_cast<double>(rng() % 20));
                    text += line;
                }
                char name[32];
                std::snprintf(name, sizeof name, "t%d.tid", files++);
                const std::string path = dir.Write(name, text);
                port.answers.push_back(true);  // replace the tides the survey holds
                return run("Import Tide", UndoScope::Records, [&] { ImportTide(doc, path, port); });
            }
            default: {
                const int32_t limit = static_cast<int32_t>(rng() % 30);
                return run("Properties", UndoScope::Fields, [&] {
                    doc.InterpLimit = limit;
                    doc.SetModified(true, port);
                });
            }
        }
    }

    test::TempDir dir;
    ScriptedPort port;
    CVKDoc doc;
    UndoHistory history;
    int files = 0;
};

TEST_F(HistoryTest, RandomCommandsUndoneAndRedoneGiveBackEveryByte) {
    for (uint32_t seed = 1; seed <= 400; ++seed) {
        std::mt19937 rng(seed);
        RandomSurvey(rng, seed % 3 == 0);
        history.Clear();
        std::vector<State> states{State::Of(doc)};
        std::vector<std::string> names;
        const int count = 1 + static_cast<int>(rng() % 12);
        for (int k = 0; k < count; ++k) {
            names.push_back(RandomCommand(rng, static_cast<int>(rng() % 15)));
            // A command that changed nothing leaves no step.
            if (history.Steps().size() > states.size() - 1) states.push_back(State::Of(doc));
        }
        const std::string where = "seed " + std::to_string(seed);
        ASSERT_EQ(history.Steps().size(), states.size() - 1) << where;
        for (size_t k = states.size() - 1; k > 0; --k) {
            ASSERT_TRUE(history.Undo(doc, port)) << where;
            ExpectSame(states[k - 1], doc, where + " undo to " + std::to_string(k - 1));
        }
        EXPECT_FALSE(history.CanUndo());
        EXPECT_FALSE(doc.Modified) << where;  // back at the state of the file
        for (size_t k = 1; k < states.size(); ++k) {
            ASSERT_TRUE(history.Redo(doc, port)) << where;
            ExpectSame(states[k], doc, where + " redo to " + std::to_string(k));
        }
        EXPECT_FALSE(history.CanRedo());
        if (HasFailure()) return;
    }
}

TEST_F(HistoryTest, StepsCostWhatTheyChange) {
    // Twenty thousand depths with positions between them.
    doc.New(port);
    for (int i = 0; i < 20000; ++i) {
        const int64_t t = test::At(10, 0, 0) + i;
        if (i % 4 == 0) doc.AddRecord(CVKData::OfPosition(t, 47200000 + i * 10, 593200000, 0, REC_POSITION, 0));
        else doc.AddRecord(CVKData::OfDepth(t, 500 + i % 300, 90, REC_DEPTH, 0));
    }
    doc.KindFlags = REC_POSITION | REC_DEPTH;
    doc.NeedsSort = true;
    Recalculate(doc, port);
    const size_t n = doc.Records.size();

    // A box delete of a few records costs about those records.
    const CVKData& a = doc.Records[100];
    const CRect box{a.ptPlan.x - 1, a.ptPlan.y - 1, a.ptPlan.x + 1, a.ptPlan.y + 1};
    int hits = 0;
    Undoable(&history, doc, "Delete", UndoScope::Flags, port, [&] { hits = MarkInRect(doc, box, true, false, port); });
    ASSERT_GT(hits, 0);
    ASSERT_EQ(history.Steps().size(), 1u);
    EXPECT_LT(history.Steps()[0].bytes, 2048u + static_cast<size_t>(hits) * 8);

    // Clear Z rewrites one field of the positions: no more than that column.
    Undoable(&history, doc, "Clear Z", UndoScope::Records, port, [&] { ClearZ(doc, port); });
    // Recalculation moves interpolated levels too; still far below whole records.
    EXPECT_LT(history.Steps().back().bytes, n * sizeof(CVKData) / 4);

    // An import costs the records it added.
    std::string text;
    for (int k = 0; k < 10; ++k) {
        char line[64];
        std::snprintf(line, sizeof line, "2009 12 5 10 0 %d 1.5\n", k * 3);
        text += line;
    }
    const std::string path = dir.Write("t.tid", text);
    const size_t before = history.Steps().size();
    const size_t records = doc.Records.size();
    Undoable(&history, doc, "Import Tide", UndoScope::Records, port, [&] { ImportTide(doc, path, port); });
    ASSERT_EQ(history.Steps().size(), before + 1);
    EXPECT_EQ(history.UndoName(), "Import Tide");
    EXPECT_TRUE(history.Undo(doc, port));
    EXPECT_EQ(doc.Records.size(), records);
    EXPECT_EQ(history.RedoName(), "Import Tide");
}

TEST_F(HistoryTest, ACommandOverFieldsKeepsWhatItNamesAndSaysSoBeforeWriting) {
    std::mt19937 rng(11);
    RandomSurvey(rng, false);
    history.Clear();
    const std::vector<CVKData> before = doc.Records;
    // Smoothing heights names Z alone: its step holds no more than that column (the
    // recalculation that follows moves the interpolated heights, Z too).
    Undoable(&history, doc, "Hi Pass Z", UndoScope::Fields, port, [&] { HiPassZ(doc, port); });
    ASSERT_EQ(history.Steps().size(), 1u);
    EXPECT_LT(history.Steps()[0].bytes, 2048u + before.size() * (sizeof(int32_t) + 4));
    ASSERT_TRUE(history.Undo(doc, port));
    for (size_t i = 0; i < before.size(); ++i) ASSERT_TRUE(SameRecord(doc.Records[i], before[i])) << i;

    // Offsets that take records away (deleted ones go) name every field before the first
    // one goes, and are undone whole.
    doc.Records[5].Flags |= REC_DELETED;
    Recalculate(doc, port);
    const std::vector<CVKData> withDeleted = doc.Records;
    OffsetValues v = InitialOffsetValues(doc);
    v.Depth += 0.5;
    Undoable(&history, doc, "Offsets Depths", UndoScope::Fields, port, [&] { OffsetDepths(doc, v, port); });
    EXPECT_EQ(doc.Records.size(), withDeleted.size() - 1);
    ASSERT_TRUE(history.Undo(doc, port));
    ASSERT_EQ(doc.Records.size(), withDeleted.size());
    for (size_t i = 0; i < withDeleted.size(); ++i) ASSERT_TRUE(SameRecord(doc.Records[i], withDeleted[i])) << i;
}

// The tests run with the check on: a command that writes a field without naming it, or
// changes the number of records without naming every field, stops with its name.
TEST(HistoryDeathTest, AFieldWrittenWithoutAWordStopsTheCheckedProgram) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    ASSERT_TRUE(UndoHistory::Checking());
    const auto run = [](auto&& command) {
        ScriptedPort port;
        CVKDoc doc;
        for (int i = 0; i < 4; ++i) doc.AddRecord(CVKData::OfDepth(test::At(10, 0, i), 500, 90, REC_DEPTH, 0));
        UndoHistory history;
        Undoable(&history, doc, "Careless", UndoScope::Fields, port, [&] { command(doc); });
    };
    EXPECT_DEATH(run([](CVKDoc& doc) {
                     doc.WillWrite(kFieldDepth);
                     doc.Records[1].Depth = 7;
                     doc.Records[2].Pitch = 7;
                 }),
                 "\"Careless\" changed the Pitch of record 2 without naming it");
    EXPECT_DEATH(run([](CVKDoc& doc) {
                     doc.WillWrite(kFieldFlags);
                     doc.Records.pop_back();
                 }),
                 "\"Careless\" changed the number of records");
    // Named, both are kept and undone.
    run([](CVKDoc& doc) {
        doc.WillWrite(kFieldDepth | kFieldPitch);
        doc.Records[1].Depth = 7;
        doc.Records[2].Pitch = 7;
        doc.WillWrite(kEveryField);
        doc.Records.pop_back();
    });
}

TEST_F(HistoryTest, TheBudgetDropsTheOldestStepsAndTheSavedStateFollowsTheHistory) {
    std::mt19937 rng(7);
    RandomSurvey(rng, false);
    history.Clear();
    struct NotingPort : ScriptedPort {
        std::vector<std::string> notes;
        void StatusNote(const std::string& t) override { notes.push_back(t); }
    } noting;
    Undoable(&history, doc, "Clear Z", UndoScope::Records, noting, [&] { ClearZ(doc, noting); });
    history.MarkSaved();
    doc.SetModified(false, noting);
    Undoable(&history, doc, "Hi Pass Z", UndoScope::Records, noting, [&] {
        doc.Records[3].Flags |= REC_DELETED;
        doc.SetModified(true, noting);
    });
    EXPECT_TRUE(history.Undo(doc, noting));
    EXPECT_FALSE(doc.Modified);  // the state last saved
    EXPECT_TRUE(history.Undo(doc, noting));
    EXPECT_TRUE(doc.Modified);
    EXPECT_TRUE(history.Redo(doc, noting));
    EXPECT_FALSE(doc.Modified);

    history.SetBudget(1, noting);
    EXPECT_EQ(history.Steps().size(), 0u);
    EXPECT_EQ(history.Dropped(), 2u);
    ASSERT_FALSE(noting.notes.empty());
    EXPECT_EQ(noting.notes.back(), "The 2 oldest undo steps were dropped to keep the history within its memory.");
}

}  // namespace
}  // namespace aq
