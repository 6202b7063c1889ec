// ombrel-cli: the app's export and Info block for scripts, servers and batch
// work, on the same listing, sidecars and exporter.

#include "ExportCommand.h"
#include "InfoCommand.h"

#include "render/HugePages.h"

#include <CLI/CLI.hpp>

#include <cstdio>
#include <exception>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace {

constexpr int badArguments = 2;

const std::string program = "ombrel-cli";

}  // namespace

int main(int argc, char** argv) {
    using namespace ombrel;
    HugePages::restartWithThem(argv);

    CLI::App app{"Export photos and show their Info with Ombrel's own rendering, from the command line.\n"
                 "PATHs are photos and/or folders; folders are listed like opening them in Ombrel\n"
                 "(not recursively, hidden files left out, sorted by file name). Each photo uses the\n"
                 "settings, rating and flag of its sidecar, if it has one.",
                 program};
    app.set_version_flag("--version", program + " " + OMBREL_VERSION);
    app.require_subcommand(1);

    cli::ExportRequest request;
    std::vector<std::string> exportPaths;
    std::string format = "jpeg";
    std::optional<int> longEdge;
    std::string outDir;
    CLI::App* exportCommand =
        app.add_subcommand("export", "Render photos with their settings and write them as image files.\n"
                                     "Existing files are never overwritten: a taken name gets -1, -2, ...\n"
                                     "Exit status: 0 all written, 1 any failed, 2 bad arguments.");
    exportCommand->add_option("--format", format, "File format")
        ->check(CLI::IsMember({"jpeg", "tiff", "png"}, CLI::ignore_case))
        ->type_name("FORMAT")
        ->capture_default_str();
    exportCommand->add_option("--quality", request.options.quality, "JPEG quality, 0.3 to 1.0")
        ->check(CLI::Range(0.3, 1.0))
        ->capture_default_str();
    exportCommand->add_option("--long-edge", longEdge, "Scale down so that the long edge is at most N pixels")
        ->check(CLI::Range(1, 1'000'000))
        ->type_name("N");
    exportCommand->add_flag("--p3", request.options.displayP3, "Write in Display P3 instead of sRGB");
    exportCommand
        ->add_option("--template", request.options.nameTemplate,
                     "File name template: {name}, {n}, {date}, {rating}")
        ->type_name("T")
        ->capture_default_str();
    exportCommand->add_option("--out", outDir, "Output folder (default: \"Ombrel Export\" beside the first photo)")
        ->type_name("DIR");
    exportCommand->add_option("PATH", exportPaths, "Photos and/or folders")
        ->required()
        ->check(CLI::ExistingPath);

    std::vector<std::string> infoPaths;
    bool json = false;
    CLI::App* infoCommand = app.add_subcommand(
        "info", "Show each photo's Info lines, upright pixel size, rating, flag and whether it is edited.\n"
                "Exit status: 0 all read, 1 a photo could not be read, 2 bad arguments.");
    infoCommand->add_flag("--json", json,
                          "Print a JSON array of objects: path, width, height, rating, flag, edited, exif");
    infoCommand->add_option("PATH", infoPaths, "Photos and/or folders")->required()->check(CLI::ExistingPath);

    // CLI11 would only say that a subcommand is required; name the word instead.
    const std::string_view first = argc > 1 ? argv[1] : "";
    if (!first.empty() && first[0] != '-' && first != "export" && first != "info") {
        std::fprintf(stderr, "%s: unknown command '%s': use export or info\nRun '%s --help' for usage.\n",
                     program.c_str(), argv[1], program.c_str());
        return badArguments;
    }
    try {
        app.parse(argc, argv);
    } catch (const CLI::Success& e) {
        return app.exit(e);  // --help and --version
    } catch (const CLI::ParseError& e) {
        std::fprintf(stderr, "%s: %s\nRun '%s --help' for usage.\n", program.c_str(), e.what(), program.c_str());
        return badArguments;
    }

    auto toPaths = [](const std::vector<std::string>& texts) {
        return std::vector<std::filesystem::path>(texts.begin(), texts.end());
    };
    try {
        if (*exportCommand) {
            request.locations = toPaths(exportPaths);
            const std::string lower = CLI::detail::to_lower(format);
            request.options.format = lower == "tiff" ? ExportFormat::tiff
                                     : lower == "png" ? ExportFormat::png
                                                      : ExportFormat::jpeg;
            if (longEdge) {
                request.options.resize = true;
                request.options.longEdge = *longEdge;
            }
            if (!outDir.empty()) request.options.destination = outDir;
            return cli::runExport(request);
        }
        return cli::runInfo(toPaths(infoPaths), json);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "%s: %s\n", program.c_str(), e.what());
        return 1;
    }
}
