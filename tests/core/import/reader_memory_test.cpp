// SPDX-License-Identifier: GPL-3.0-or-later
// Every reader on a large file of garbage: its memory must not grow with the file, only
// with the records it makes of it. The file is generated here (64 MiB, or the bytes
// AQUENTA_GARBAGE_BYTES names: scripts/fuzz reads 2 GiB), and the peak resident size
// of the process is measured around each import. Linux only.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "import/brivel.h"
#include "import/formatted.h"
#include "import/gpsreceivers.h"
#include "import/nmea.h"
#include "import/sounderlogs.h"
#include "import/tide.h"
#include "io/document.h"
#include "model/docfile.h"
#include "model/scriptedport.h"

#if defined(__SANITIZE_ADDRESS__)
#define AQUENTA_UNDER_ASAN 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define AQUENTA_UNDER_ASAN 1
#endif
#endif

// The shadow memory and quarantine of AddressSanitizer swamp the measurement.
#if !defined(AQUENTA_UNDER_ASAN)

namespace aq {
namespace {

// What a reader may hold whatever the file: its read buffer, the document, the C++
// runtime's own growth. Records cost their storage and the vector's doubling besides.
constexpr int64_t kFixedBytes = 48 << 20;
constexpr int64_t kBytesPerRecord = 3 * static_cast<int64_t>(sizeof(CVKData));

uint64_t GarbageBytes() {
    const char* env = std::getenv("AQUENTA_GARBAGE_BYTES");
    if (env && *env) return std::strtoull(env, nullptr, 10);
    return uint64_t{64} << 20;
}

int64_t StatusBytes(const char* key) {
    std::ifstream in("/proc/self/status");
    std::string line;
    const size_t n = std::char_traits<char>::length(key);
    while (std::getline(in, line))
        if (line.compare(0, n, key) == 0) return std::atoll(line.c_str() + n) * 1024;
    return -1;
}

// Lowers the recorded peak to the present size, so the next peak is the import's.
bool ResetPeak() {
    std::ofstream out("/proc/self/clear_refs");
    out << "5";
    out.flush();
    return static_cast<bool>(out);
}

struct Reader {
    const char* name;
    // Reads the file into the document; false when it refused it.
    bool (*read)(CVKDoc& doc, const std::string& path, UserPort& port);
};

void PrintTo(const Reader& reader, std::ostream* os) { *os << reader.name; }

bool Imported(ImportResult r) { return r == ImportResult::Imported; }

const Reader kReaders[] = {
    {"Brivel", [](CVKDoc& d, const std::string& p, UserPort& u) { return Imported(ImportBrivel(d, p, u)); }},
    {"Nmea", [](CVKDoc& d, const std::string& p, UserPort& u) { return Imported(ImportNmea(d, p, u)); }},
    {"TrimbleGgk", [](CVKDoc& d, const std::string& p, UserPort& u) { return Imported(ImportTrimbleGgk(d, p, u)); }},
    {"TrimblePjk", [](CVKDoc& d, const std::string& p, UserPort& u) { return Imported(ImportTrimblePjk(d, p, u)); }},
    {"Leica", [](CVKDoc& d, const std::string& p, UserPort& u) { return Imported(ImportLeica(d, p, u)); }},
    {"Geodimeter", [](CVKDoc& d, const std::string& p, UserPort& u) { return Imported(ImportGeotronics(d, p, u)); }},
    {"Tide", [](CVKDoc& d, const std::string& p, UserPort& u) { return Imported(ImportTide(d, p, u)); }},
    {"Vivoz", [](CVKDoc& d, const std::string& p, UserPort& u) { return Imported(ImportVivoz(d, p, u)); }},
    {"VkRaw", [](CVKDoc& d, const std::string& p, UserPort& u) { return Imported(ImportVkRaw(d, p, u)); }},
    {"CorrundDump",
     [](CVKDoc& d, const std::string& p, UserPort& u) {
         // The dump decoder is chosen by the file name.
         const std::string dump = p + ".HEX";
         std::error_code ec;
         std::filesystem::create_symlink(p, dump, ec);
         const bool ok = !ec && Imported(ImportVkRaw(d, dump, u));
         std::filesystem::remove(dump, ec);
         return ok;
     }},
    {"WtRaw", [](CVKDoc& d, const std::string& p, UserPort& u) { return Imported(ImportWtRaw(d, p, u)); }},
    {"UsArmy", [](CVKDoc& d, const std::string& p, UserPort& u) { return Imported(ImportUsArmy(d, p, u)); }},
    {"Formatted",
     [](CVKDoc& d, const std::string& p, UserPort& u) {
         // Two columns: most garbage lines hold two runs of digits.
         CFormImport layout;
         layout.SetType(LAYOUT_DEPTH);
         layout.SetColumn(COL_DEPTH, 1);
         layout.SetColumn(COL_SECONDS, 2);
         layout.UpdateMaxColumn();
         return Imported(ImportFormatted(d, p, layout, u));
     }},
    // Neither a layout nor a document: refused, but without holding the file.
    {"Layout",
     [](CVKDoc&, const std::string& p, UserPort& u) {
         CFormImport layout;
         return !LoadLayout(layout, p, u);
     }},
    {"Document", [](CVKDoc& d, const std::string& p, UserPort& u) { return !OpenDocument(d, p, u); }},
};

class ReaderMemory : public testing::TestWithParam<Reader> {
protected:
    static void SetUpTestSuite() {
        path_ = (std::filesystem::temp_directory_path() / ("aquenta-garbage-" + std::to_string(::getpid())))
                    .string();
        // Any bytes, line breaks and separators among them, none of them a record.
        std::ofstream out(path_, std::ios::binary);
        std::vector<uint64_t> block((1 << 20) / sizeof(uint64_t));
        uint64_t state = 0x9E3779B97F4A7C15u;
        for (uint64_t left = GarbageBytes(); left > 0 && out;) {
            for (uint64_t& w : block) {
                state += 0x9E3779B97F4A7C15u;
                uint64_t z = state;
                z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9u;
                z = (z ^ (z >> 27)) * 0x94D049BB133111EBu;
                w = z ^ (z >> 31);
            }
            const uint64_t n = std::min<uint64_t>(left, block.size() * sizeof(uint64_t));
            out.write(reinterpret_cast<const char*>(block.data()), static_cast<std::streamsize>(n));
            left -= n;
        }
        written_ = static_cast<bool>(out);
    }
    static void TearDownTestSuite() {
        std::error_code ec;
        std::filesystem::remove(path_, ec);
    }

    static std::string path_;
    static bool written_;
};

std::string ReaderMemory::path_;
bool ReaderMemory::written_ = false;

TEST_P(ReaderMemory, GarbageIsReadInBoundedMemory) {
    if (StatusBytes("VmHWM:") < 0 || !ResetPeak()) GTEST_SKIP() << "no peak resident size to measure here";
    ASSERT_TRUE(written_) << "could not write " << path_;
    const Reader& reader = GetParam();
    ScriptedPort port;
    CVKDoc doc;

    ASSERT_TRUE(ResetPeak());
    const int64_t before = StatusBytes("VmRSS:");
    EXPECT_TRUE(reader.read(doc, path_, port));
    const int64_t growth = StatusBytes("VmHWM:") - before;
    const auto records = static_cast<int64_t>(doc.Records.size());
    std::printf("  %-11s %6llu MiB of garbage: %lld records, peak resident size +%lld MiB\n", reader.name,
                static_cast<unsigned long long>(GarbageBytes() >> 20), static_cast<long long>(records),
                static_cast<long long>(growth >> 20));
    EXPECT_LE(growth, kFixedBytes + records * kBytesPerRecord);
}

INSTANTIATE_TEST_SUITE_P(EveryReader, ReaderMemory, testing::ValuesIn(kReaders),
                         [](const testing::TestParamInfo<Reader>& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace aq

#endif
