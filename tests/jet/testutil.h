// Helpers shared by the engine tests: where the sample databases are, reading files, running
// ledrimo-db, and small readers for the oracle outputs (JSON from mdb-reader, CSV from
// mdb-export).
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include <gtest/gtest.h>

namespace testutil {

// LEDRIMO_SAMPLES, or empty if unset or not a directory.
std::string samplesDir();
bool onCi();

// Skips the test when the samples are missing, except on CI (CI=true), where that fails.
#define REQUIRE_SAMPLES()                                                                                    \
    do {                                                                                                     \
        if (testutil::samplesDir().empty()) {                                                                \
            if (testutil::onCi())                                                                            \
                FAIL() << "LEDRIMO_SAMPLES does not name the sample folder";                                 \
            GTEST_SKIP() << "sample databases not found (set LEDRIMO_SAMPLES)";                              \
        }                                                                                                    \
    } while (0)

// The Jet 4 sample files (*.mdb directly in the sample folder), sorted by name.
std::vector<std::string> jet4Samples();
std::string samplePath(const std::string& name);  // samplesDir() + "/" + name
std::string expectedDir(const std::string& name); // .../expected/<name> (or negative/expected)

std::vector<uint8_t> readBytes(const std::string& path);
std::string readText(const std::string& path);
std::vector<std::string> readLines(const std::string& path);

struct RunResult {
    int exitCode = -1;
    std::string out, err;
};
// Runs ledrimo-db with `args` (each passed as one argument).
RunResult runTool(const std::vector<std::string>& args);
// Runs `command` (program and arguments, each passed as one argument) with `environment`
// ("NAME=value" settings) added. On Windows only Windows programs (*.exe) run; for any other the
// exit code is -1.
RunResult runProgram(const std::vector<std::string>& command,
                     const std::vector<std::string>& environment = {});
// Whether `program` is found on PATH (never on Windows: see linuxToolsRun).
bool haveProgram(const std::string& program);
// Whether this build's tests can run the Linux tools (mdbtools, node, python3, sh) and see
// their results: not from a Windows program under Wine, which starts a Unix program without
// waiting for it. There the oracles read the Windows build's files from the Linux side
// (tests/tools/windows_tool_test.sh).
bool linuxToolsRun();
// Where node finds mdb-reader: LEDRIMO_NODE_PATH, else ~/.cache/ledrimo-npm/node_modules; empty if
// mdb-reader is in neither.
std::string nodeModulesDir();

// Skips the test when an oracle is missing, except on CI, where that fails; skips it where the
// Linux tools cannot be run (the Windows build).
#define REQUIRE_ORACLE(available, what)                                                                      \
    do {                                                                                                     \
        if (!testutil::linuxToolsRun())                                                                      \
            GTEST_SKIP() << what << ": a Linux tool, not run from a Windows program";                       \
        if (!(available)) {                                                                                  \
            if (testutil::onCi())                                                                            \
                FAIL() << what << " not found";                                                              \
            GTEST_SKIP() << what << " not found";                                                            \
        }                                                                                                    \
    } while (0)

// ---- JSON (enough for the oracle files and our own output) ----
struct Json {
    enum Kind { Null, Bool, Number, String, Array, Object } kind = Null;
    bool boolean = false;
    std::string number;    // the literal as written
    std::u16string string; // decoded, \u escapes as code units
    std::vector<Json> array;
    std::vector<std::pair<std::string, Json>> object; // keys in UTF-8, in order

    const Json& at(const std::string& key) const; // throws if missing
    bool has(const std::string& key) const;
};
// Throws std::runtime_error on malformed input.
Json parseJson(const std::string& text);

// ---- CSV (RFC 4180; either line end) ----
struct CsvField {
    std::string text;
    bool quoted = false;
};
using CsvRow = std::vector<CsvField>;
std::vector<CsvRow> parseCsv(const std::string& text);

} // namespace testutil
