// SPDX-License-Identifier: GPL-3.0-or-later
// The document file on generated surveys: every kind of record, deleted ones, geographic
// and grid positions, control points, and values at the ends of their fields. What is
// saved loads back the same and saves to the same bytes; a file cut short never loads;
// a save cut short at any byte leaves the previous file as it was.
#include <gtest/gtest.h>
#include <unistd.h>

#include <bit>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <limits>
#include <random>

#include "io/document.h"
#include "model/archive.h"
#include "model/docfile.h"
#include "model/scriptedport.h"
#include "support/file_size_limit.h"

namespace aq {
namespace {

using Rng = std::mt19937_64;

// A value of the field: mostly within [lo, hi], now and then one of its ends, zero or
// any bit pattern.
template <typename T>
T Pick(Rng& rng, T lo, T hi) {
    switch (rng() % 16) {
        case 0: return std::numeric_limits<T>::min();
        case 1: return std::numeric_limits<T>::max();
        case 2: return 0;
        case 3: return static_cast<T>(rng());
        default: return static_cast<T>(std::uniform_int_distribution<int64_t>(lo, hi)(rng));
    }
}

// A double: mostly within [lo, hi], now and then NaN (with any payload), an infinity,
// minus zero, the smallest denormal, the largest value or any bit pattern.
double PickReal(Rng& rng, double lo, double hi) {
    switch (rng() % 20) {
        case 0: return std::bit_cast<double>(uint64_t{0x7FF0000000000000} | (rng() & 0x000FFFFFFFFFFFFF) | 1);
        case 1: return std::numeric_limits<double>::infinity();
        case 2: return -std::numeric_limits<double>::infinity();
        case 3: return -0.0;
        case 4: return std::numeric_limits<double>::denorm_min();
        case 5: return -std::numeric_limits<double>::max();
        case 6: return std::bit_cast<double>(static_cast<uint64_t>(rng()));
        default: return std::uniform_real_distribution<double>(lo, hi)(rng);
    }
}

// Any bytes; lengths around the archive's three length forms now and then.
std::string PickText(Rng& rng, bool allowLong) {
    static const size_t kLengths[] = {0, 1, 254, 255, 256, 0xFFFD, 0xFFFE, 0xFFFF, 0x10000};
    size_t n = rng() % 24;
    if (rng() % 8 == 0) {
        n = kLengths[rng() % std::size(kLengths)];
        if (!allowLong && n > 256) n = 255;
    }
    std::string s(n, '\0');
    for (char& c : s) c = static_cast<char>(rng());
    return s;
}

CVKData RandomRecord(Rng& rng, int64_t& clock, bool geographic) {
    static const uint16_t kKinds[] = {REC_DEPTH, REC_POSITION, REC_TIDE, REC_EVENT, 0};
    CVKData r = CVKData::Zeroed();
    clock += static_cast<int64_t>(rng() % 3);
    r.Time = rng() % 25 == 0 ? Pick<int64_t>(rng, INT32_MIN, INT32_MAX) : clock;
    uint16_t flags = kKinds[rng() % std::size(kKinds)];
    if (rng() % 20 == 0) flags = static_cast<uint16_t>(rng());  // whatever a file may hold
    if (rng() % 5 == 0) flags |= REC_DELETED;
    if (rng() % 3 == 0) flags |= REC_SOUNDER;
    if (rng() % 10 == 0) flags |= REC_HPR;
    if ((flags & REC_POSITION) && geographic) flags |= REC_GEOGRAPHIC;
    r.Flags = flags;
    // Degrees in 1e-7 units, or grid centimetres.
    const int64_t span = geographic ? 1800000000 : 100000000;
    r.X = Pick<int64_t>(rng, -span, span);
    r.Y = Pick<int64_t>(rng, -span / 2, span / 2);
    r.Z = Pick<int32_t>(rng, -5000, 5000);
    r.Depth = Pick<int16_t>(rng, 0, 6000);
    r.Tide = Pick<int16_t>(rng, -500, 500);
    r.Quality = Pick<uint8_t>(rng, 0, 127);
    r.Hundredths = rng() % 30 == 0 ? static_cast<uint8_t>(rng()) : static_cast<uint8_t>(rng() % 100);
    return r;
}

ClsqData RandomPoint(Rng& rng) {
    ClsqData p;
    p.GridX = PickReal(rng, -1e6, 1e6);
    p.GridY = PickReal(rng, -1e6, 1e6);
    p.Latitude = PickReal(rng, -80, 80);
    p.Longitude = PickReal(rng, -180, 180);
    for (double* v : {&p.LonDeg, &p.LonMin, &p.LonSec, &p.LatDeg, &p.LatMin, &p.LatSec}) *v = PickReal(rng, 0, 60);
    p.ProjE = PickReal(rng, 0, 1e6);
    p.ProjN = PickReal(rng, 0, 1e7);
    p.LatHemisphere = rng() % 4 == 0 ? PickText(rng, false) : (rng() % 2 ? "N" : "S");
    p.LonHemisphere = rng() % 4 == 0 ? PickText(rng, false) : (rng() % 2 ? "E" : "W");
    p.Use = rng() % 4 == 0 ? Pick<int32_t>(rng, 0, 1) : 1;
    p.Name = PickText(rng, true);
    return p;
}

// A survey as a session may leave it, the control set derived as the program keeps it.
void RandomSurvey(Rng& rng, CVKDoc& doc, size_t maxRecords) {
    const bool geographic = rng() % 2 == 0;
    const size_t nRecords = rng() % (maxRecords + 1);
    int64_t clock = 1260000000 + static_cast<int64_t>(rng() % 100000000);
    uint16_t kinds = 0;
    for (size_t i = 0; i < nRecords; ++i) {
        doc.AddRecord(RandomRecord(rng, clock, geographic));
        kinds |= doc.Records.back().Flags & 0xFF0;
    }
    doc.KindFlags = rng() % 10 == 0 ? static_cast<uint16_t>(rng()) : kinds;
    const size_t nPoints = rng() % 3 == 0 ? 0 : rng() % 5;
    for (size_t i = 0; i < nPoints; ++i) doc.Control.Points.push_back(RandomPoint(rng));
    doc.Control.Recompute();
    doc.LevelMax = Pick<int32_t>(rng, 0, 10000);
    doc.LevelMin = Pick<int32_t>(rng, -10000, 0);
    doc.ImportedFiles = PickText(rng, true);
    doc.PosTimeOffset = Pick<int64_t>(rng, -3600, 3600);
    doc.DepthTimeOffset = Pick<int64_t>(rng, -3600, 3600);
    doc.TideTimeOffset = Pick<int64_t>(rng, -3600, 3600);
    doc.EastOffset = Pick<int32_t>(rng, -1000, 1000);
    doc.NorthOffset = Pick<int32_t>(rng, -1000, 1000);
    doc.ElevOffset = Pick<int32_t>(rng, -1000, 1000);
    doc.DepthOffset = Pick<int16_t>(rng, -100, 100);
    doc.TideOffset = Pick<int16_t>(rng, -100, 100);
    doc.InterpLimit = Pick<int32_t>(rng, 0, 100);
    doc.SounderImported = Pick<int32_t>(rng, 0, 1);
    doc.SoundVelocity = PickReal(rng, 1300, 2000);
}

template <typename T>
bool SameBits(const T& a, const T& b) {
    return std::memcmp(&a, &b, sizeof(T)) == 0;
}

// Every member the file holds, doubles to the bit.
void ExpectSameSurvey(const CVKDoc& a, const CVKDoc& b) {
    ASSERT_EQ(a.Records.size(), b.Records.size());
    for (size_t i = 0; i < a.Records.size(); ++i) {
        const CVKData& x = a.Records[i];
        const CVKData& y = b.Records[i];
        ASSERT_TRUE(x.Time == y.Time && x.X == y.X && x.Y == y.Y && x.Z == y.Z && x.Depth == y.Depth &&
                    x.Tide == y.Tide && x.Flags == y.Flags && x.Quality == y.Quality && x.Hundredths == y.Hundredths)
            << "record " << i;
    }
    ASSERT_EQ(a.Control.Points.size(), b.Control.Points.size());
    for (size_t i = 0; i < a.Control.Points.size(); ++i) {
        const ClsqData& p = a.Control.Points[i];
        const ClsqData& q = b.Control.Points[i];
        for (auto m : {&ClsqData::GridX, &ClsqData::GridY, &ClsqData::Latitude, &ClsqData::Longitude, &ClsqData::LonDeg,
                       &ClsqData::LonMin, &ClsqData::LonSec, &ClsqData::LatDeg, &ClsqData::LatMin, &ClsqData::LatSec,
                       &ClsqData::ProjE, &ClsqData::ProjN})
            EXPECT_TRUE(SameBits(p.*m, q.*m)) << "control point " << i;
        EXPECT_EQ(p.LatHemisphere, q.LatHemisphere);
        EXPECT_EQ(p.LonHemisphere, q.LonHemisphere);
        EXPECT_EQ(p.Use, q.Use);
        EXPECT_EQ(p.Name, q.Name);
    }
    EXPECT_EQ(a.LevelMax, b.LevelMax);
    EXPECT_EQ(a.LevelMin, b.LevelMin);
    EXPECT_EQ(a.ImportedFiles, b.ImportedFiles);
    EXPECT_EQ(a.KindFlags, b.KindFlags);
    EXPECT_EQ(a.PosTimeOffset, b.PosTimeOffset);
    EXPECT_EQ(a.DepthTimeOffset, b.DepthTimeOffset);
    EXPECT_EQ(a.TideTimeOffset, b.TideTimeOffset);
    EXPECT_EQ(a.EastOffset, b.EastOffset);
    EXPECT_EQ(a.NorthOffset, b.NorthOffset);
    EXPECT_EQ(a.ElevOffset, b.ElevOffset);
    EXPECT_EQ(a.DepthOffset, b.DepthOffset);
    EXPECT_EQ(a.TideOffset, b.TideOffset);
    EXPECT_EQ(a.InterpLimit, b.InterpLimit);
    EXPECT_EQ(a.SounderImported, b.SounderImported);
    EXPECT_TRUE(SameBits(a.SoundVelocity, b.SoundVelocity));
}

void ExpectRoundTrip(const CVKDoc& doc) {
    const std::vector<uint8_t> bytes = SaveDocumentBytes(doc);
    CVKDoc back;
    ASSERT_TRUE(LoadDocumentBytes(back, bytes.data(), bytes.size()));
    ExpectSameSurvey(doc, back);
    EXPECT_EQ(SaveDocumentBytes(back), bytes);
}

TEST(DocFileProperty, RandomSurveysLoadAsSavedAndSaveToTheSameBytes) {
    for (uint64_t seed = 1; seed <= 300; ++seed) {
        SCOPED_TRACE(seed);
        Rng rng(seed);
        CVKDoc doc;
        RandomSurvey(rng, doc, 200);
        ExpectRoundTrip(doc);
        if (testing::Test::HasFatalFailure()) return;
    }
}

TEST(DocFileProperty, CountsAndClassIndicesAtTheirLongerForms) {
    Rng rng(99);
    // Record counts either side of the 32-bit count form.
    for (size_t n : {size_t{0xFFFE}, size_t{0xFFFF}, size_t{0x10000}}) {
        SCOPED_TRACE(n);
        CVKDoc doc;
        int64_t clock = 1260000000;
        for (size_t i = 0; i < n; ++i) doc.AddRecord(RandomRecord(rng, clock, false));
        ExpectRoundTrip(doc);
    }
    // With k control points the record class takes index k + 2: from 0x7FFF on its
    // references take the 32-bit form.
    for (size_t k : {size_t{0x7FFC}, size_t{0x7FFD}}) {
        SCOPED_TRACE(k);
        CVKDoc doc;
        ClsqData p;
        p.Name = "P";
        doc.Control.Points.assign(k, p);
        doc.Control.Recompute();
        int64_t clock = 1260000000;
        for (int i = 0; i < 3; ++i) doc.AddRecord(RandomRecord(rng, clock, true));
        ExpectRoundTrip(doc);
        // The last two records' tags, before the 75 bytes of the members after them.
        const std::vector<uint8_t> bytes = SaveDocumentBytes(doc);
        const size_t index = k + 2;
        const size_t tagBytes = index < 0x7FFF ? 2 : 6;
        const size_t tag = bytes.size() - 75 - 2 * (tagBytes + 40);
        if (index < 0x7FFF) {
            EXPECT_EQ(LoadLE<uint16_t>(&bytes[tag]), 0x8000 + index);
        } else {
            EXPECT_EQ(LoadLE<uint16_t>(&bytes[tag]), 0x7FFF);
            EXPECT_EQ(LoadLE<uint32_t>(&bytes[tag + 2]), 0x80000000u + index);
        }
    }
}

// The bytes of the control-point array at the head of the file.
size_t ControlBytes(const CVKDoc& doc) {
    ArchiveWriter ar;
    ar.Count(static_cast<uint32_t>(doc.Control.Points.size()));
    for (const ClsqData& p : doc.Control.Points) {
        ar.ObjectTag("ClsqData", 4);
        p.Write(ar);
    }
    return ar.Data().size();
}

TEST(DocFileProperty, AFileCutShortNeverLoadsAndLeavesNoPartialSurvey) {
    for (uint64_t seed = 1; seed <= 12; ++seed) {
        SCOPED_TRACE(seed);
        Rng rng(seed * 7919);
        CVKDoc saved;
        RandomSurvey(rng, saved, 30);
        if (saved.ImportedFiles.size() > 300) saved.ImportedFiles.resize(300);
        for (ClsqData& p : saved.Control.Points)
            if (p.Name.size() > 300) p.Name.resize(300);
        const std::vector<uint8_t> bytes = SaveDocumentBytes(saved);
        const size_t controlEnd = ControlBytes(saved);
        ClsqData previousPoint;
        previousPoint.Name = "previous";
        for (size_t cut = 0; cut < bytes.size(); ++cut) {
            CVKDoc doc;
            doc.AddRecord(CVKData::OfKind(1000, 5, REC_DEPTH, 0));
            doc.ImportedFiles = "/previous.brv\n";
            doc.InterpLimit = 77;
            doc.Control.Points = {previousPoint};
            ASSERT_FALSE(LoadDocumentBytes(doc, bytes.data(), cut)) << cut;
            ASSERT_TRUE(doc.Records.empty()) << cut;
            ASSERT_TRUE(doc.ImportedFiles.empty()) << cut;
            ASSERT_EQ(doc.InterpLimit, 10) << cut;
            // Control points read whole before the cut replace the previous ones.
            if (cut < controlEnd) {
                ASSERT_EQ(doc.Control.Points.size(), 1u) << cut;
                ASSERT_EQ(doc.Control.Points[0].Name, "previous") << cut;
            } else {
                ASSERT_EQ(doc.Control.Points.size(), saved.Control.Points.size()) << cut;
            }
        }
        // Bytes after the last member are not the loader's business.
        std::vector<uint8_t> longer = bytes;
        longer.insert(longer.end(), {0xDE, 0xAD, 0xBE, 0xEF});
        CVKDoc back;
        ASSERT_TRUE(LoadDocumentBytes(back, longer.data(), longer.size()));
        ExpectSameSurvey(saved, back);
    }
}

std::vector<uint8_t> ReadFile(const std::filesystem::path& p) {
    std::ifstream in(p, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

using test::FileSizeLimit;

TEST(DocFileProperty, ASaveCutShortAtAnyByteLeavesThePreviousFile) {
    namespace fs = std::filesystem;
    const fs::path dir = fs::temp_directory_path() / ("aquenta-docfile-cut-" + std::to_string(::getpid()));
    fs::remove_all(dir);
    fs::create_directories(dir);
    const fs::path path = dir / "survey.son";

    Rng rng(2024);
    ScriptedPort port;
    CVKDoc before;
    RandomSurvey(rng, before, 20);
    ASSERT_TRUE(SaveDocument(before, path.string(), port));
    const std::vector<uint8_t> old = ReadFile(path);

    CVKDoc doc;
    RandomSurvey(rng, doc, 40);
    if (doc.ImportedFiles.size() > 300) doc.ImportedFiles.resize(300);
    doc.PathName = "/elsewhere.son";
    doc.SetModified(true, port);
    const std::vector<uint8_t> fresh = SaveDocumentBytes(doc);
    ASSERT_NE(fresh, old);

    FileSizeLimit limit;
    for (size_t k = 0; k < fresh.size(); ++k) {
        if (!limit.Set(k)) GTEST_SKIP() << "the file size limit cannot be set here";
        port.messages.clear();
        const bool saved = SaveDocument(doc, path.string(), port);
        limit.Lift();
        ASSERT_FALSE(saved) << k;
        ASSERT_EQ(port.Texts(), std::vector<std::string>{"Failed to save document " + path.string() + ": File too large."})
            << k;
        ASSERT_EQ(ReadFile(path), old) << k;
        ASSERT_EQ(doc.PathName, "/elsewhere.son") << k;
        ASSERT_TRUE(doc.Modified) << k;
        size_t files = 0;
        for ([[maybe_unused]] const auto& e : fs::directory_iterator(dir)) ++files;
        ASSERT_EQ(files, 1u) << "a temporary file was left behind at " << k;
    }
    ASSERT_TRUE(limit.Set(fresh.size()));
    const bool saved = SaveDocument(doc, path.string(), port);
    limit.Lift();
    EXPECT_TRUE(saved);
    EXPECT_EQ(ReadFile(path), fresh);
    fs::remove_all(dir);
}

}  // namespace
}  // namespace aq
