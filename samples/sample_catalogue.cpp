#include "samples/sample_catalogue.h"

#include <system_error>

void SampleCatalogue::scan(const std::string& directoryName) {
    directory = std::filesystem::path(directoryName);
    entries.clear();
    // A missing or unreadable directory is simply an empty catalogue, and a failure
    // to read further entries ends the listing with what was read so far.
    std::error_code error;
    std::filesystem::directory_iterator it(directory, error);
    const std::filesystem::directory_iterator end;
    while (!error && it != end) {
        // Linux paths are narrow already, so names that are not UTF-8 keep their bytes.
        entries.push_back((directory / it->path().filename()).string());
        it.increment(error);
    }
}
