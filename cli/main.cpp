#include "cli/FolionixCli.h"

#include "common/FileAccess.h"
#include "common/PendingFile.h"

#include <csignal>

#include <exception>
#include <iostream>
#include <string>
#include <vector>

#ifdef _WIN32
#include <windows.h>

#include <shellapi.h>
#endif

namespace {

// The arguments after the program name, as UTF-8 text.
std::vector<std::string> Arguments(int argc, char** argv) {
#ifdef _WIN32
    static_cast<void>(argc);
    static_cast<void>(argv);
    std::vector<std::string> arguments;
    int count = 0;
    wchar_t** wide = CommandLineToArgvW(GetCommandLineW(), &count);
    if (wide != nullptr) {
        for (int i = 1; i < count; ++i) {
            arguments.push_back(folionix::Utf8FromPath(std::filesystem::path(wide[i])));
        }
        LocalFree(wide);
    }
    return arguments;
#else
    return std::vector<std::string>(argv + (argc > 0 ? 1 : 0), argv + argc);
#endif
}

// An interrupted or terminated run takes its unfinished document with it; the signal then ends
// the process as it would have without the handler.
void RemovePendingDocumentAndEnd(int signalNumber) {
    folionix::RemovePendingFileNow();
    std::signal(signalNumber, SIG_DFL);
    std::raise(signalNumber);
}

} // namespace

int main(int argc, char** argv) {
    std::signal(SIGINT, RemovePendingDocumentAndEnd);
    std::signal(SIGTERM, RemovePendingDocumentAndEnd);
    try {
        return folionix::cli::RunCli(Arguments(argc, argv), std::cout, std::cerr);
    } catch (const std::exception& error) {
        std::cerr << "folionix-cli: " << error.what() << '\n';
        return folionix::cli::kExitWriteFailed;
    }
}
