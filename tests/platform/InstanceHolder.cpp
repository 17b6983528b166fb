// A second program for the single-instance tests: takes the lock of the
// program folder given as first argument, prints "held", "busy" or
// "unknown: <reason>", and keeps the lock until stdin closes or it is killed.
#include "platform/SingleInstance.h"

#include <QString>

#include <cstdio>
#include <unistd.h>

int main(int argc, char **argv)
{
    if (argc < 2)
        return 2;
    nearbell::SingleInstance instance(QString::fromLocal8Bit(argv[1]));
    const bool busy = instance.anotherInstanceRunning();
    if (!instance.failure().isEmpty())
        std::printf("unknown: %s\n", instance.failure().toLocal8Bit().constData());
    else
        std::printf("%s\n", busy ? "busy" : "held");
    std::fflush(stdout);
    if (busy)
        return 1;
    char c;
    while (::read(0, &c, 1) > 0) {
    }
    return 0;
}
