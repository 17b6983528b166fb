#pragma once

namespace nearbell {

// Entry point of the program: builds the application object and runs the
// main window until the program ends.
class Application
{
public:
    static int run(int argc, char **argv);
};

} // namespace nearbell
