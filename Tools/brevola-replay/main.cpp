// brevola-replay: feeds recorded tablet reports through the driver core and
// prints every event it posts, every shortcut it queues and every pressure
// notification, one line each, on standard output. Log lines go to standard error.
#include "ReplayOptions.h"
#include "ReplaySession.h"
#include "SystemLog.h"

#include <QCoreApplication>

#include <fstream>
#include <iostream>

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    SystemLog::setSink([](const std::string&) {});
    SystemLog::setEchoToStderr(true);

    ReplayOptions options;
    std::string error;
    if (!ReplayOptions::parse(argc, argv, options, error)) {
        std::cerr << "brevola-replay: " << error << '\n' << ReplayOptions::usage() << '\n';
        return 2;
    }
    if (options.help) {
        std::cout << ReplayOptions::usage() << '\n';
        return 0;
    }

    std::ifstream file;
    if (options.input != "-") {
        file.open(options.input);
        if (!file) {
            std::cerr << "brevola-replay: cannot open " << options.input << '\n';
            return 2;
        }
    }
    std::istream& in = options.input == "-" ? std::cin : file;

    auto session = ReplaySession::create(options, std::cout, error);
    if (!session) {
        std::cerr << "brevola-replay: " << error << '\n';
        return 2;
    }
    const bool ok = session->run(in, error);
    std::cout.flush();
    if (!ok) {
        std::cerr << "brevola-replay: " << options.input << ": " << error << '\n';
        return 1;
    }
    return 0;
}
