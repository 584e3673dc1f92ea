// SPDX-License-Identifier: GPL-3.0-or-later
// aquenta: the desktop program.
//
//   aquenta [FILE.son]                 opens the survey (a new one without a file)
//   aquenta /p FILE.son                prints it on the default printer and ends
//   aquenta /pt FILE.son PRINTER       prints it on the named printer and ends
//   aquenta --version                  prints the version and ends
//   (--print and --print-to are the same; /Embedding, /Automation and --no-splash
//   start without the splash window)
#include <QApplication>
#include <QPrinter>
#include <QPrinterInfo>
#include <QStringList>
#include <cstdio>
#include <cstring>

#include "model/safefile.h"
#include "shell/about.h"
#include "shell/mainframe.h"
#include "ui/commands.h"

namespace {

struct CommandLine {
    QString file;
    bool print = false;
    QString printer;  // empty: the default printer
    bool splash = true;
    QString error;
};

CommandLine Parse(const QStringList& args) {
    CommandLine c;
    for (qsizetype i = 1; i < args.size(); ++i) {
        const QString a = args[i];
        const QString lower = a.toLower();
        if (lower == "/p" || lower == "-p" || lower == "--print") {
            c.print = true;
            c.splash = false;
        } else if (lower == "/pt" || lower == "--print-to") {
            c.print = true;
            c.splash = false;
            // "/pt FILE PRINTER [DRIVER PORT]"; "--print-to PRINTER FILE".
            if (lower == "/pt") {
                if (i + 2 >= args.size()) {
                    c.error = QStringLiteral("/pt needs a file and a printer");
                    return c;
                }
                c.file = args[++i];
                c.printer = args[++i];
                while (i + 1 < args.size() && !args[i + 1].startsWith('/') && !args[i + 1].startsWith('-')) ++i;
            } else {
                if (i + 1 >= args.size()) {
                    c.error = QStringLiteral("--print-to needs a printer");
                    return c;
                }
                c.printer = args[++i];
            }
        } else if (lower == "/embedding" || lower == "-embedding" || lower == "/automation" ||
                   lower == "-automation" || lower == "--no-splash") {
            c.splash = false;
        } else if (lower == "/dde") {
            // Shell open requests come as plain file names here.
        } else if (a.startsWith("--")) {
            c.error = QStringLiteral("unknown option ") + a;
            return c;
        } else {
            c.file = a;
        }
    }
    if (c.print && c.file.isEmpty()) c.error = QStringLiteral("a print request needs a file");
    return c;
}

}  // namespace

int main(int argc, char** argv) {
    // Before the application object, which needs a display.
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--version") == 0) {
            std::printf("%s\n", qPrintable(aq::gui::VersionLine()));
            return std::fflush(stdout) == 0 && !std::ferror(stdout) ? 0 : 1;
        }
    }
    // A full disk or a file-size limit fails a save with a message instead of ending the program.
    aq::IgnoreWriteSignals();
    QApplication app(argc, argv);
    QApplication::setOrganizationName(QStringLiteral("Aquenta"));
    QApplication::setApplicationName(QString::fromLatin1(aq::APP_TITLE));
    QApplication::setApplicationDisplayName(QString::fromLatin1(aq::APP_TITLE));
    QApplication::setDesktopFileName(QStringLiteral("aquenta"));
    QApplication::setWindowIcon(QIcon(QStringLiteral(":/icons/aquenta.svg")));

    const CommandLine cmd = Parse(QApplication::arguments());
    if (!cmd.error.isEmpty()) {
        std::fprintf(stderr, "aquenta: %s\n", qPrintable(cmd.error));
        return 2;
    }

    aq::gui::FrameOptions options;
    options.splash = cmd.splash;
    aq::gui::CMainFrame frame(options);

    if (cmd.print) {
        // A print request opens, prints and ends without showing the window.
        if (!frame.OpenFile(cmd.file)) return 1;
        QPrinter& printer = frame.Printer();
        if (!cmd.printer.isEmpty()) {
            printer.setPrinterName(cmd.printer);
            if (!printer.isValid()) {
                std::fprintf(stderr, "aquenta: no printer called \"%s\"\n", qPrintable(cmd.printer));
                return 1;
            }
        } else if (QPrinterInfo::defaultPrinter().isNull()) {
            std::fprintf(stderr, "aquenta: there is no default printer\n");
            return 1;
        }
        return frame.PrintTo(printer) ? 0 : 1;
    }

    frame.show();
    if (!cmd.file.isEmpty() && !frame.OpenFile(cmd.file)) return 1;
    return QApplication::exec();
}
