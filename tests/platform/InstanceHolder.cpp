// A second program for the single-instance tests: takes the lock of the
// executable path given as first argument (lock folder second), prints
// "held", "busy" or "unguarded", and keeps the lock until stdin closes or
// it is killed.
#include "platform/SingleInstance.h"

#include <QString>

#include <cstdio>
#include <unistd.h>

int main(int argc, char **argv)
{
    if (argc < 3)
        return 2;
    nearbell::SingleInstance instance(QString::fromLocal8Bit(argv[1]),
                                      QString::fromLocal8Bit(argv[2]));
    const bool busy = instance.anotherInstanceRunning();
    std::printf("%s\n", busy ? "busy" : instance.holdsLock() ? "held" : "unguarded");
    std::fflush(stdout);
    if (busy)
        return 1;
    char c;
    while (::read(0, &c, 1) > 0) {
    }
    return 0;
}
