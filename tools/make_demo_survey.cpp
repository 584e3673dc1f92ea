// SPDX-License-Identifier: GPL-3.0-or-later
// Writes a generated survey document: make_demo_survey FILE [RECORDS]
#include <cstdio>
#include <cstdlib>
#include <string>

#include "io/document.h"
#include "model/docfile.h"
#include "processing/recalc.h"
#include "survey_gen.h"

int main(int argc, char** argv) {
    if (argc < 2 || argc > 3) {
        std::fprintf(stderr, "usage: make_demo_survey FILE [RECORDS]\n");
        return 2;
    }
    const long n = argc == 3 ? std::strtol(argv[2], nullptr, 10) : 3000;
    if (n < 4) {
        std::fprintf(stderr, "make_demo_survey: RECORDS must be 4 or more\n");
        return 2;
    }
    aq::CVKDoc doc;
    aq::SilentPort quiet;
    aq::gen::GenerateSurvey(doc, static_cast<size_t>(n));
    aq::Recalculate(doc, quiet);
    if (!aq::SaveDocument(doc, argv[1], quiet)) {
        std::fprintf(stderr, "make_demo_survey: Failed to save document.\n");
        return 1;
    }
    return 0;
}
