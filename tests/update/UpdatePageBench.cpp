// Time to read an update page of the largest accepted size (1 MiB), which the
// check does on the window's thread: the worst case of a page where every
// record is found only at the very end, and of one without any record.
#include "update/UpdatePage.h"

#include <QCoreApplication>
#include <QElapsedTimer>

#include <cstdio>

using namespace nearbell;

namespace {
double millisecondsPerRead(const UpdatePage &page, const QByteArray &body, int rounds)
{
    QElapsedTimer clock;
    clock.start();
    int newer = 0;
    for (int i = 0; i < rounds; ++i)
        newer += page.evaluate(body).kind == UpdateOutcome::Kind::NewerVersion;
    const double ms = clock.nsecsElapsed() / 1e6 / rounds;
    std::printf("  (%d of %d newer)\n", newer, rounds);
    return ms;
}
} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const QString title = QStringLiteral("UI-View32 add-on Nearbell");
    const UpdatePage page(title, QStringLiteral("Nearbell authors"), QStringLiteral("http://h.example"), {0, 5, 4});
    const QByteArray tail = " Nearbell authors " + title.toLatin1() + " Version V0.6.0 UpdateFile_" + title.toLatin1()
        + "=nb.zip ";
    QByteArray late(1024 * 1024 - tail.size(), 'x');
    // Near misses all the way, so every search has work to do.
    for (qsizetype i = 0; i + 40 < late.size(); i += 97)
        late.replace(i, 26, "UI-View32 add-on Nearbel ");
    const QByteArray withRecords = late + tail;
    const QByteArray withoutRecords = late + QByteArray(tail.size(), 'y');

    const int rounds = 50;
    std::printf("1 MiB page, records at the end: %.2f ms per read\n", millisecondsPerRead(page, withRecords, rounds));
    std::printf("1 MiB page, no identity text:   %.2f ms per read\n", millisecondsPerRead(page, withoutRecords, rounds));
    return 0;
}
