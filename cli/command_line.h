#pragma once
#include <CLI/CLI.hpp>
#include <optional>
#include <string>

// What both programs' command lines share: --version, messages that name the program, and
// exit status 2 for a wrong command line.
inline constexpr int kUsageStatus = 2;

inline void describeProgram(CLI::App& app, const std::string& program) {
    app.set_version_flag("--version", program + " " QUORVANE_VERSION);
    app.failure_message([program](const CLI::App*, const CLI::Error& e) {
        return program + ": " + e.what() + "\nRun with --help for more information.\n";
    });
}

// Parses the command line; an exit status when the program should end here (after --help,
// --version or a wrong command line, each already reported).
inline std::optional<int> parseCommandLine(CLI::App& app, int argc, char** argv) {
    try {
        app.parse(argc, argv);
    } catch (const CLI::CallForHelp& e) {
        return app.exit(e);
    } catch (const CLI::CallForVersion& e) {
        return app.exit(e);
    } catch (const CLI::ParseError& e) {
        app.exit(e);
        return kUsageStatus;
    }
    return std::nullopt;
}
