#include "app/Application.h"

#include <QApplication>

namespace nearbell {

int Application::run(int argc, char **argv)
{
    QApplication app(argc, argv);
    return 0;
}

} // namespace nearbell
