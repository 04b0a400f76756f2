// Shared by the data-access tests: sample files copied into a scratch folder, and a look at a
// database through the engine itself.
#pragma once

#include "runtime/data_access.h"
#include "runtime/msgbox.h"

#include "jet/database.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

namespace datatest {

// A folder of its own under the system's temporary folder, removed with the object.
class ScratchDir {
public:
    ScratchDir();
    ~ScratchDir();
    ScratchDir(const ScratchDir&) = delete;
    ScratchDir& operator=(const ScratchDir&) = delete;
    const std::filesystem::path& path() const { return path_; }
    // A writable copy of sample `name` in this folder, as the program passes paths.
    rt::Text copySample(const std::string& name, const std::string& as = "db") const;
    // A new Ledrimo database (tables `data`, empty, and `admin` with the default account), written
    // from the image the program carries as its restore writes it; empty text if that fails.
    rt::Text ledrimoDb(const std::string& as = "db") const;

private:
    std::filesystem::path path_;
};

std::string samplesDir(); // LEDRIMO_SAMPLES, or empty

#define REQUIRE_SAMPLE_FILES()                                                                               \
    do {                                                                                                     \
        if (datatest::samplesDir().empty())                                                                  \
            GTEST_SKIP() << "sample databases not found (set LEDRIMO_SAMPLES)";                              \
    } while (0)

// The rows of a table as the engine reads them, every value as the record set's text form.
std::vector<std::vector<rt::Text>> engineRows(const rt::Text& path, const std::string& table);

// Reads every row of an open set from its first row, every field as text.
std::vector<std::vector<rt::Text>> readAll(rt::RecordSet& set, int columns);

} // namespace datatest
