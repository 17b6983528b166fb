#include "app/Application.h"

int main(int argc, char **argv)
{
    return nearbell::Application::run(argc, argv);
}
