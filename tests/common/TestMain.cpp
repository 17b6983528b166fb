#include "common/TestRegistry.h"
#include "map/TileService.h"

#include <QApplication>
#include <QTemporaryDir>
#include <QTest>

// Runs every registered test class of this executable in turn; the exit
// status is non-zero when any of them failed.
int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    // No test reaches a real tile server, whatever map a window opens,
    // nor writes into the user's own tile cache.
    nearbell::TileService::setLoopbackOnly(true);
    QTemporaryDir cache;
    qputenv("XDG_CACHE_HOME", cache.path().toLocal8Bit());
    int failures = 0;
    for (const auto &factory : nearbell::test::registry()) {
        std::unique_ptr<QObject> test = factory();
        failures += QTest::qExec(test.get(), argc, argv);
    }
    return failures == 0 ? 0 : 1;
}
