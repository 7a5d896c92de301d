#include "support/EntryGenerator.h"

#include <QCoreApplication>
#include <QFile>

#include <cstdio>

// Writes a schedule file full of realistic random entries, for trying the program on a large diary:
//   zentravio-gendiary ~/.local/share/Zentravio/Zentravio.vmr 100000
// An existing file at that place is replaced only when --replace is given; --recurring-every 10 makes
// every tenth entry a recurring one whose whole event is kept beside it. The file has no identity tables,
// as one another program wrote: the program's first open of it records them.
int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    QStringList args = app.arguments().mid(1);
    const bool replace = args.removeAll(QStringLiteral("--replace")) > 0;
    size_t recurringEvery = 0;
    bool ok = true;
    if (const qsizetype at = args.indexOf(QStringLiteral("--recurring-every")); at >= 0) {
        ok = at + 1 < args.size();
        recurringEvery = ok ? args[at + 1].toULong(&ok) : 0;
        args.remove(at, ok ? 2 : 1);
    }
    ok = ok && args.size() == 2;
    const size_t count = ok ? args[1].toULong(&ok) : 0;
    if (!ok) {
        std::fprintf(stderr, "usage: zentravio-gendiary FILE ENTRIES [--replace] [--recurring-every N]\n");
        return 2;
    }
    if (QFile::exists(args[0]) && !replace) {
        std::fprintf(stderr, "%s exists; add --replace to overwrite it\n", qPrintable(args[0]));
        return 1;
    }
    // The entries are made one at a time, so that a million of them are never all held at once.
    if (!EntryGenerator::writeGeneratedFile(args[0], count) ||
        (recurringEvery > 0 && !EntryGenerator::keepRulesEvery(args[0], recurringEvery))) {
        std::fprintf(stderr, "could not write %s\n", qPrintable(args[0]));
        return 1;
    }
    std::printf("%zu entries written to %s\n", count, qPrintable(args[0]));
    return 0;
}
