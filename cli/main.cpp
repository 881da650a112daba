#include <cstdio>
#include <string>
#include <vector>

#include <QCoreApplication>

#include "cli/clirunner.h"

int main(int argc, char** argv)
{
    // Qt sees only the program name: every other word belongs to sonivar-cli.
    int qtArgc = 1;
    QCoreApplication app(qtArgc, argv);
    std::vector<std::string> words(argv + 1, argv + argc);
    return RunCli(words, stdout, stderr);
}
