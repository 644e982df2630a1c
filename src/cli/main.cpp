// spi-sim: the batch front end. It takes the steps a user of the workstation would take, runs one
// test and writes its results.
#include "cli/batch_session.h"
#include "cli/cli_options.h"
#include "cli/progress_bar.h"

#include <cstdio>
#include <iostream>
#include <unistd.h>

namespace {

class StderrNotifier : public spi::Notifier {
public:
    void Message(spi::MessageKind, std::string_view text) override {
        std::fwrite(text.data(), 1, text.size(), stderr);
        std::fputc('\n', stderr);
    }
};

} // namespace

int main(int argc, char **argv) {
    std::string error;
    const auto options = spi::cli::ParseOptions(argc, argv, &error);
    if (!options) {
        std::cerr << "spi-sim: " << error << "\n" << spi::cli::UsageText();
        return spi::cli::kExitUsage;
    }
    if (options->help) {
        std::cout << spi::cli::UsageText();
        return spi::cli::kExitOk;
    }
    try {
        auto model = spi::MakeModel();
        StderrNotifier notifier;
        spi::cli::TerminalProgress bar(stderr);
        const bool showBar = !options->quiet && isatty(STDERR_FILENO);
        return spi::cli::RunBatch(*options, *model, notifier, std::cout, std::cerr, showBar ? &bar : nullptr);
    } catch (const std::exception &e) {
        std::cerr << "spi-sim: " << e.what() << "\n";
        return spi::cli::kExitRefused;
    }
}
