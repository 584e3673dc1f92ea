// SPDX-License-Identifier: GPL-3.0-or-later
// Writes a generated survey document: make_demo_survey FILE [RECORDS]
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>

#include "io/document.h"
#include "model/docfile.h"
#include "processing/recalc.h"
#include "survey_gen.h"

namespace {

constexpr const char* kUsage =
    "usage: make_demo_survey FILE [RECORDS]\n"
    "  writes a generated survey document of about RECORDS records (4 or more, default 3000)\n";

int Usage(const char* why) {
    std::fprintf(stderr, "make_demo_survey: %s\n%s", why, kUsage);
    return 2;
}

// Says why the document could not be saved, where the saving says it.
class ErrorPort final : public aq::UserPort {
public:
    void Message(const std::string& text, aq::Severity severity) override {
        if (severity == aq::Severity::Error || severity == aq::Severity::Warning)
            std::fprintf(stderr, "make_demo_survey: %s\n", text.c_str());
    }
    bool AskYesNo(const std::string&) override { return false; }
};

}  // namespace

int main(int argc, char** argv) {
    std::string file;
    const char* records = nullptr;
    for (int i = 1; i < argc; ++i) {
        const std::string_view arg = argv[i];
        if (arg == "--help" || arg == "-h") {
            std::fputs(kUsage, stdout);
            return 0;
        }
        // A name that starts with a dash is an option, never a file to write.
        if (arg.size() > 1 && arg[0] == '-' && (file.empty() || records)) {
            return Usage(("unknown option " + std::string(arg)).c_str());
        }
        if (file.empty())
            file = arg;
        else if (!records)
            records = argv[i];
        else
            return Usage("too many arguments");
    }
    if (file.empty()) return Usage("FILE missing");
    long n = 3000;
    if (records) {
        char* end = nullptr;
        errno = 0;
        n = std::strtol(records, &end, 10);
        if (errno != 0 || end == records || *end != '\0') return Usage("RECORDS must be a whole number");
    }
    if (n < 4) return Usage("RECORDS must be 4 or more");
    aq::CVKDoc doc;
    aq::SilentPort quiet;
    ErrorPort errors;
    aq::gen::GenerateSurvey(doc, static_cast<size_t>(n));
    aq::Recalculate(doc, quiet);
    if (!aq::SaveDocument(doc, file, errors)) {
        std::fprintf(stderr, "make_demo_survey: could not save \"%s\"\n", file.c_str());
        return 1;
    }
    return 0;
}
