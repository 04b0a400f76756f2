#include "testutil.h"

#include "jet/value.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>

#ifdef _WIN32
#include <thread>
#include <windows.h>
#else
#include <sys/wait.h>
#endif

namespace fs = std::filesystem;

namespace testutil {

std::string samplesDir() {
    const char* s = std::getenv("LEDRIMO_SAMPLES");
    if (!s || !*s)
        return {};
    std::error_code ec;
    if (!fs::is_directory(s, ec) || !fs::exists(fs::path(s) / "expected", ec))
        return {};
    return s;
}

bool onCi() {
    const char* ci = std::getenv("CI");
    return ci && std::string(ci) == "true";
}

std::vector<std::string> jet4Samples() {
    std::vector<std::string> out;
    for (const auto& e : fs::directory_iterator(samplesDir()))
        if (e.is_regular_file() && e.path().extension() == ".mdb")
            out.push_back(e.path().filename().string());
    std::sort(out.begin(), out.end());
    return out;
}

std::string samplePath(const std::string& name) {
    return samplesDir() + "/" + name;
}

std::string expectedDir(const std::string& name) {
    if (name.rfind("negative/", 0) == 0)
        return samplesDir() + "/negative/expected/" + name.substr(9);
    return samplesDir() + "/expected/" + name;
}

// A UTF-8 path for the standard library's files (which take a narrow name in the ANSI code page
// on Windows).
static std::filesystem::path utf8Path(const std::string& path) {
    return std::filesystem::path(std::u8string(path.begin(), path.end()));
}

std::vector<uint8_t> readBytes(const std::string& path) {
    std::ifstream in(utf8Path(path), std::ios::binary);
    if (!in)
        throw std::runtime_error("cannot read " + path);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), {});
}

std::string readText(const std::string& path) {
    std::ifstream in(utf8Path(path), std::ios::binary);
    if (!in)
        throw std::runtime_error("cannot read " + path);
    std::stringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

std::vector<std::string> readLines(const std::string& path) {
    std::vector<std::string> out;
    std::istringstream in(readText(path));
    for (std::string line; std::getline(in, line);)
        if (!line.empty())
            out.push_back(line);
    return out;
}

#ifndef _WIN32
static std::string shellQuote(const std::string& s) {
    std::string q = "'";
    for (char c : s) {
        if (c == '\'')
            q += "'\\''";
        else
            q += c;
    }
    return q + "'";
}
#endif

RunResult runTool(const std::vector<std::string>& args) {
    std::vector<std::string> command{LEDRIMO_DB_TOOL};
    command.insert(command.end(), args.begin(), args.end());
    return runProgram(command);
}

bool haveProgram(const std::string& program) {
#ifdef _WIN32
    (void)program;
    return false; // the Linux tools: see linuxToolsRun()
#else
    return runProgram({"sh", "-c", "command -v " + shellQuote(program) + " >/dev/null"}).exitCode == 0;
#endif
}

bool linuxToolsRun() {
#ifdef _WIN32
    return false;
#else
    return true;
#endif
}

std::string nodeModulesDir() {
    std::vector<std::string> candidates;
    if (const char* p = std::getenv("LEDRIMO_NODE_PATH"); p && *p)
        candidates.push_back(p);
    if (const char* h = std::getenv("HOME"); h && *h)
        candidates.push_back(std::string(h) + "/.cache/ledrimo-npm/node_modules");
    std::error_code ec;
    for (const auto& c : candidates)
        if (fs::exists(fs::path(c) / "mdb-reader" / "package.json", ec))
            return c;
    return {};
}

#ifdef _WIN32
namespace {

std::wstring wideOf(const std::string& s) {
    if (s.empty())
        return {};
    const int n = ::MultiByteToWideChar(CP_UTF8, 0, s.data(), int(s.size()), nullptr, 0);
    std::wstring w(size_t(n), L'\0');
    ::MultiByteToWideChar(CP_UTF8, 0, s.data(), int(s.size()), w.data(), n);
    return w;
}

// One argument as the C runtime's command-line parser splits it back.
std::wstring commandLineArgument(const std::wstring& a) {
    if (!a.empty() && a.find_first_of(L" \t\n\v\"") == std::wstring::npos)
        return a;
    std::wstring q = L"\"";
    size_t slashes = 0;
    for (wchar_t c : a) {
        if (c == L'\\') {
            ++slashes;
            continue;
        }
        q.append(c == L'"' ? 2 * slashes + 1 : slashes, L'\\');
        slashes = 0;
        q += c;
    }
    q.append(2 * slashes, L'\\');
    return q + L"\"";
}

// Everything readable from `h` until its writer closes.
std::string drain(HANDLE h) {
    std::string out;
    char buf[65536];
    DWORD n = 0;
    while (::ReadFile(h, buf, sizeof buf, &n, nullptr) && n > 0)
        out.append(buf, n);
    return out;
}

} // namespace

// Windows programs only: the Linux tools cannot be run from here with their exit status (Wine
// starts a Unix program without waiting for it), so for those the result is exit code -1.
RunResult runProgram(const std::vector<std::string>& command, const std::vector<std::string>& environment) {
    RunResult r;
    std::wstring program = wideOf(command.at(0));
    for (wchar_t& c : program)
        if (c == L'/')
            c = L'\\';
    if (program.size() < 4 || _wcsicmp(program.c_str() + program.size() - 4, L".exe") != 0) {
        r.err = "not a Windows program: " + command[0];
        return r;
    }
    std::wstring line = commandLineArgument(program);
    for (size_t i = 1; i < command.size(); ++i)
        line += L" " + commandLineArgument(wideOf(command[i]));
    std::wstring block;
    if (!environment.empty()) {
        wchar_t* env = ::GetEnvironmentStringsW();
        for (const wchar_t* p = env; *p; p += wcslen(p) + 1)
            block.append(p).push_back(L'\0');
        ::FreeEnvironmentStringsW(env);
        for (const auto& e : environment)
            block.append(wideOf(e)).push_back(L'\0');
        block.push_back(L'\0');
    }
    SECURITY_ATTRIBUTES inherit{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
    HANDLE outRead, outWrite, errRead, errWrite;
    if (!::CreatePipe(&outRead, &outWrite, &inherit, 0) || !::CreatePipe(&errRead, &errWrite, &inherit, 0))
        throw std::runtime_error("CreatePipe failed");
    ::SetHandleInformation(outRead, HANDLE_FLAG_INHERIT, 0);
    ::SetHandleInformation(errRead, HANDLE_FLAG_INHERIT, 0);
    HANDLE nul = ::CreateFileW(L"NUL", GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, &inherit,
                               OPEN_EXISTING, 0, nullptr);
    STARTUPINFOW si{};
    si.cb = sizeof si;
    si.dwFlags = STARTF_USESTDHANDLES;
    si.hStdInput = nul;
    si.hStdOutput = outWrite;
    si.hStdError = errWrite;
    PROCESS_INFORMATION pi{};
    const BOOL started = ::CreateProcessW(program.c_str(), line.data(), nullptr, nullptr, TRUE,
                                          CREATE_UNICODE_ENVIRONMENT,
                                          block.empty() ? nullptr : block.data(), nullptr, &si, &pi);
    ::CloseHandle(outWrite);
    ::CloseHandle(errWrite);
    ::CloseHandle(nul);
    if (!started) {
        ::CloseHandle(outRead);
        ::CloseHandle(errRead);
        throw std::runtime_error("CreateProcessW failed: " + command[0]);
    }
    std::thread errors([&] { r.err = drain(errRead); });
    r.out = drain(outRead);
    errors.join();
    ::WaitForSingleObject(pi.hProcess, INFINITE);
    DWORD code = 0;
    ::GetExitCodeProcess(pi.hProcess, &code);
    r.exitCode = int(code);
    ::CloseHandle(pi.hProcess);
    ::CloseHandle(pi.hThread);
    ::CloseHandle(outRead);
    ::CloseHandle(errRead);
    return r;
}
#else
RunResult runProgram(const std::vector<std::string>& command, const std::vector<std::string>& environment) {
    static int counter = 0;
    const std::string errFile =
        (fs::temp_directory_path() /
         ("ledrimo-db-test-" + std::to_string(::getpid()) + "-" + std::to_string(++counter) + ".err"))
            .string();
    std::string cmd;
    if (!environment.empty()) {
        cmd = "env";
        for (const auto& e : environment)
            cmd += " " + shellQuote(e);
        cmd += " ";
    }
    for (size_t i = 0; i < command.size(); ++i)
        cmd += (i ? " " : "") + shellQuote(command[i]);
    cmd += " 2>" + shellQuote(errFile);
    RunResult r;
    FILE* p = ::popen(cmd.c_str(), "r");
    if (!p)
        throw std::runtime_error("popen failed");
    char buf[65536];
    size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, p)) > 0)
        r.out.append(buf, n);
    const int status = ::pclose(p);
    r.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    r.err = readText(errFile);
    fs::remove(errFile);
    return r;
}
#endif

// ---- JSON -----------------------------------------------------------------------------------

const Json& Json::at(const std::string& key) const {
    for (const auto& [k, v] : object)
        if (k == key)
            return v;
    throw std::runtime_error("JSON key missing: " + key);
}

bool Json::has(const std::string& key) const {
    for (const auto& kv : object)
        if (kv.first == key)
            return true;
    return false;
}

namespace {
struct JsonParser {
    const std::string& s;
    size_t i = 0;
    [[noreturn]] void fail(const char* what) {
        throw std::runtime_error(std::string("JSON: ") + what + " at " + std::to_string(i));
    }
    void ws() {
        while (i < s.size() && (s[i] == ' ' || s[i] == '\n' || s[i] == '\r' || s[i] == '\t'))
            ++i;
    }
    bool lit(const char* w) {
        const size_t n = std::char_traits<char>::length(w);
        if (s.compare(i, n, w) != 0)
            return false;
        i += n;
        return true;
    }
    unsigned hex4() {
        if (i + 4 > s.size())
            fail("short \\u");
        const unsigned v = unsigned(std::stoul(s.substr(i, 4), nullptr, 16));
        i += 4;
        return v;
    }
    std::u16string str() {
        if (s[i] != '"')
            fail("expected string");
        ++i;
        std::string run; // plain UTF-8 bytes collected between escapes
        std::u16string out;
        auto flush = [&] {
            out += jet::fromUtf8(run);
            run.clear();
        };
        while (true) {
            if (i >= s.size())
                fail("unterminated string");
            const char c = s[i++];
            if (c == '"')
                break;
            if (c != '\\') {
                run += c;
                continue;
            }
            flush();
            const char e = s[i++];
            switch (e) {
            case 'n':
                out += u'\n';
                break;
            case 'r':
                out += u'\r';
                break;
            case 't':
                out += u'\t';
                break;
            case 'b':
                out += u'\b';
                break;
            case 'f':
                out += u'\f';
                break;
            case 'u':
                out += char16_t(hex4());
                break;
            default:
                out += char16_t(e);
                break;
            }
        }
        flush();
        return out;
    }
    Json value() {
        ws();
        Json j;
        if (i >= s.size())
            fail("unexpected end");
        const char c = s[i];
        if (c == '{') {
            j.kind = Json::Object;
            ++i;
            ws();
            if (s[i] == '}') {
                ++i;
                return j;
            }
            while (true) {
                ws();
                const std::string key = jet::toUtf8(str());
                ws();
                if (s[i++] != ':')
                    fail("expected :");
                j.object.emplace_back(key, value());
                ws();
                if (s[i] == ',') {
                    ++i;
                    continue;
                }
                if (s[i++] != '}')
                    fail("expected }");
                return j;
            }
        }
        if (c == '[') {
            j.kind = Json::Array;
            ++i;
            ws();
            if (s[i] == ']') {
                ++i;
                return j;
            }
            while (true) {
                j.array.push_back(value());
                ws();
                if (s[i] == ',') {
                    ++i;
                    continue;
                }
                if (s[i++] != ']')
                    fail("expected ]");
                return j;
            }
        }
        if (c == '"') {
            j.kind = Json::String;
            j.string = str();
            return j;
        }
        if (lit("null"))
            return j;
        if (lit("true")) {
            j.kind = Json::Bool;
            j.boolean = true;
            return j;
        }
        if (lit("false")) {
            j.kind = Json::Bool;
            return j;
        }
        const size_t start = i;
        while (i < s.size() && (std::isdigit(uint8_t(s[i])) || s[i] == '-' || s[i] == '+' || s[i] == '.' ||
                                s[i] == 'e' || s[i] == 'E'))
            ++i;
        if (start == i)
            fail("unexpected character");
        j.kind = Json::Number;
        j.number = s.substr(start, i - start);
        return j;
    }
};
} // namespace

Json parseJson(const std::string& text) {
    JsonParser p{text};
    Json j = p.value();
    p.ws();
    if (p.i != text.size())
        p.fail("trailing data");
    return j;
}

// ---- CSV ------------------------------------------------------------------------------------

std::vector<CsvRow> parseCsv(const std::string& t) {
    std::vector<CsvRow> rows;
    CsvRow row;
    CsvField field;
    size_t i = 0;
    bool any = false;
    auto endField = [&] {
        row.push_back(std::move(field));
        field = CsvField{};
    };
    while (i < t.size()) {
        const char c = t[i];
        if (c == '"' && field.text.empty() && !field.quoted) {
            field.quoted = true;
            ++i;
            while (i < t.size()) {
                if (t[i] == '"') {
                    if (i + 1 < t.size() && t[i + 1] == '"') {
                        field.text += '"';
                        i += 2;
                        continue;
                    }
                    ++i;
                    break;
                }
                field.text += t[i++];
            }
            any = true;
            continue;
        }
        if (c == ',') {
            endField();
            ++i;
            any = true;
            continue;
        }
        if (c == '\r' || c == '\n') {
            if (c == '\r' && i + 1 < t.size() && t[i + 1] == '\n')
                ++i;
            ++i;
            endField();
            rows.push_back(std::move(row));
            row.clear();
            any = false;
            continue;
        }
        field.text += c;
        any = true;
        ++i;
    }
    if (any || !row.empty()) {
        endField();
        rows.push_back(std::move(row));
    }
    return rows;
}

} // namespace testutil
