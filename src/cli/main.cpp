#include <unistd.h>
#include <QCoreApplication>
#include <iostream>
#include <string>
#include <vector>

#include "cli/GetSession.h"

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const std::vector<std::string> args(argv + 1, argv + argc);
    return LanternwayGetMain(args, std::cout, std::cerr, isatty(STDERR_FILENO) != 0);
}
