#include "support/EntryGenerator.h"

#include <QCoreApplication>
#include <QFile>

#include <cstdio>

// Writes a schedule file full of realistic random entries, for trying the program on a large diary:
//   zentravio-gendiary ~/.local/share/Zentravio/Zentravio.vmr 100000
// An existing file at that place is replaced only when --replace is given.
int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    QStringList args = app.arguments().mid(1);
    const bool replace = args.removeAll(QStringLiteral("--replace")) > 0;
    bool ok = args.size() == 2;
    const size_t count = ok ? args[1].toULong(&ok) : 0;
    if (!ok) {
        std::fprintf(stderr, "usage: zentravio-gendiary FILE ENTRIES [--replace]\n");
        return 2;
    }
    if (QFile::exists(args[0]) && !replace) {
        std::fprintf(stderr, "%s exists; add --replace to overwrite it\n", qPrintable(args[0]));
        return 1;
    }
    if (!EntryGenerator::writeScheduleFile(args[0], EntryGenerator::generate(count))) {
        std::fprintf(stderr, "could not write %s\n", qPrintable(args[0]));
        return 1;
    }
    std::printf("%zu entries written to %s\n", count, qPrintable(args[0]));
    return 0;
}
