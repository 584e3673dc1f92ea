// SPDX-License-Identifier: GPL-3.0-or-later
#include "fuzz_support.h"

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>

#include "model/civiltime.h"
#include "model/docfile.h"

namespace aq::fuzz {

namespace {

std::filesystem::path g_scratchDir;
std::string g_scratchPath;

void RemoveScratch() {
    std::error_code ec;
    if (!g_scratchDir.empty()) std::filesystem::remove_all(g_scratchDir, ec);
}

template <typename T>
bool SameBits(const T& a, const T& b) {
    return std::memcmp(&a, &b, sizeof(T)) == 0;
}

bool SamePoint(const ClsqData& a, const ClsqData& b) {
    return SameBits(a.GridX, b.GridX) && SameBits(a.GridY, b.GridY) && SameBits(a.Latitude, b.Latitude) &&
           SameBits(a.Longitude, b.Longitude) && SameBits(a.LonDeg, b.LonDeg) && SameBits(a.LonMin, b.LonMin) &&
           SameBits(a.LonSec, b.LonSec) && SameBits(a.LatDeg, b.LatDeg) && SameBits(a.LatMin, b.LatMin) &&
           SameBits(a.LatSec, b.LatSec) && SameBits(a.ProjE, b.ProjE) && SameBits(a.ProjN, b.ProjN) &&
           a.LatHemisphere == b.LatHemisphere && a.LonHemisphere == b.LonHemisphere && a.Use == b.Use &&
           a.Name == b.Name;
}

// The members of a record the document file holds.
bool SameSavedRecord(const CVKData& a, const CVKData& b) {
    return a.Time == b.Time && a.X == b.X && a.Y == b.Y && a.Z == b.Z && a.Depth == b.Depth && a.Tide == b.Tide &&
           a.Flags == b.Flags && a.Quality == b.Quality && a.Hundredths == b.Hundredths;
}

}  // namespace

void Fail(const char* what, const char* file, int line) {
    std::fprintf(stderr, "\n*** fuzz check failed at %s:%d: %s\n", file, line, what);
    std::fflush(stderr);
    std::abort();
}

namespace {

void WriteScratch(const std::string& path, const uint8_t* data, size_t size) {
    std::FILE* f = std::fopen(path.c_str(), "wb");
    FUZZ_CHECK(f != nullptr);
    FUZZ_CHECK(size == 0 || std::fwrite(data, 1, size, f) == size);
    FUZZ_CHECK(std::fclose(f) == 0);
}

}  // namespace

const std::string& ScratchFile(const uint8_t* data, size_t size) {
    if (g_scratchPath.empty()) {
        namespace fs = std::filesystem;
        std::error_code ec;
        fs::path base = "/dev/shm";
        if (!fs::is_directory(base, ec) || ::access(base.c_str(), W_OK) != 0) base = fs::temp_directory_path();
        g_scratchDir = base / ("aquenta-fuzz-" + std::to_string(::getpid()));
        fs::create_directories(g_scratchDir, ec);
        g_scratchPath = (g_scratchDir / "input").string();
        std::atexit(RemoveScratch);
    }
    WriteScratch(g_scratchPath, data, size);
    return g_scratchPath;
}

std::string ScratchFile(const uint8_t* data, size_t size, const std::string& name) {
    ScratchFile(nullptr, 0);
    std::string path = (g_scratchDir / name).string();
    WriteScratch(path, data, size);
    return path;
}

std::string SurveyDifference(const CVKDoc& a, const CVKDoc& b) {
    if (a.Records.size() != b.Records.size()) return "record count";
    for (size_t i = 0; i < a.Records.size(); ++i)
        if (!SameSavedRecord(a.Records[i], b.Records[i])) return "record " + std::to_string(i);
    if (a.Control.Points.size() != b.Control.Points.size()) return "control point count";
    for (size_t i = 0; i < a.Control.Points.size(); ++i)
        if (!SamePoint(a.Control.Points[i], b.Control.Points[i])) return "control point " + std::to_string(i);
    if (a.LevelMax != b.LevelMax || a.LevelMin != b.LevelMin) return "level range";
    if (a.ImportedFiles != b.ImportedFiles) return "imported files";
    if (a.KindFlags != b.KindFlags) return "kind flags";
    if (a.PosTimeOffset != b.PosTimeOffset || a.DepthTimeOffset != b.DepthTimeOffset ||
        a.TideTimeOffset != b.TideTimeOffset)
        return "time offsets";
    if (a.EastOffset != b.EastOffset || a.NorthOffset != b.NorthOffset || a.ElevOffset != b.ElevOffset ||
        a.DepthOffset != b.DepthOffset || a.TideOffset != b.TideOffset)
        return "offsets";
    if (a.InterpLimit != b.InterpLimit || a.SounderImported != b.SounderImported) return "limits";
    if (!SameBits(a.SoundVelocity, b.SoundVelocity)) return "sound velocity";
    return {};
}

void CheckDocumentRoundTrip(const CVKDoc& doc) {
    const std::vector<uint8_t> saved = SaveDocumentBytes(doc);
    CVKDoc back;
    FUZZ_CHECK(LoadDocumentBytes(back, saved.data(), saved.size()));
    const std::string diff = SurveyDifference(doc, back);
    if (!diff.empty()) Fail(("saved survey loads back different: " + diff).c_str(), __FILE__, __LINE__);
    FUZZ_CHECK(SaveDocumentBytes(back) == saved);
}

void CheckImport(const Session& s, ImportResult result, const std::string& path, size_t size, RecordLimit limit,
                 ImportOutcome outcome) {
    const CVKDoc& doc = s.doc;
    FUZZ_CHECK(result == ImportResult::Imported);
    FUZZ_CHECK(doc.ImportedFiles == (outcome.listed ? FullPath(path) + "\n" : std::string()));
    FUZZ_CHECK(s.port.openPhases == 0);
    FUZZ_CHECK(doc.Records.size() <= size / limit.bytesPerRecord + limit.extra);
    const bool sorted = doc.Records.size() > outcome.unsortedUpTo;
    if (sorted) FUZZ_CHECK(!doc.NeedsSort || doc.Records.empty());
    for (size_t i = 0; i < doc.Records.size(); ++i) {
        const CVKData& r = doc.Records[i];
        FUZZ_CHECK(r.Hundredths < 100);
        if (i > 0 && sorted) FUZZ_CHECK(doc.Records[i - 1].Time <= r.Time);
    }
    const size_t counted = static_cast<size_t>(doc.CountDepth) + static_cast<size_t>(doc.CountEvent) +
                           static_cast<size_t>(doc.CountTide) + static_cast<size_t>(doc.CountPos) +
                           static_cast<size_t>(doc.CountDeleted);
    FUZZ_CHECK(counted <= doc.Records.size());
    CheckDocumentRoundTrip(doc);
}

int FuzzImport(const uint8_t* data, size_t size, const ImportFn& import, RecordLimit limit, std::deque<bool> answers,
               ImportOutcome outcome) {
    const std::string& path = ScratchFile(data, size);
    Session s;
    s.port.answers = std::move(answers);
    const ImportResult result = import(s.doc, path, s.port);
    CheckImport(s, result, path, size, limit, outcome);
    return 0;
}

}  // namespace aq::fuzz

// Every target runs in the zone the tests use: one with daylight saving, so the days
// of the clock changes are reached, and needing no zone database.
extern "C" int LLVMFuzzerInitialize(int*, char***) {
    aq::civil::SetZone("GMT0BST,M3.5.0/1,M10.5.0");
    return 0;
}
