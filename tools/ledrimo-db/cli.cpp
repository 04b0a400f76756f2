#include "tools/ledrimo-db/cli.h"

#include "jet/codec.h"
#include "platform/console.h"

#include <cstdio>

namespace dbtool {

std::optional<std::string> parseArgs(int argc, char** argv, const std::vector<OptionSpec>& allowed,
                                     Args& out) {
    for (int i = 0; i < argc; ++i) {
        std::string a = argv[i];
        std::optional<std::string> inlineValue;
        if (a.rfind("--", 0) == 0) {
            const auto eq = a.find('=');
            if (eq != std::string::npos) {
                inlineValue = a.substr(eq + 1);
                a = a.substr(0, eq);
            }
        }
        if (a == "--help" || a == "-h") {
            out.help = true;
            continue;
        }
        if (a == "--") {
            for (++i; i < argc; ++i)
                out.positional.push_back(argv[i]);
            break;
        }
        if (a.size() < 2 || a[0] != '-') {
            out.positional.push_back(a);
            continue;
        }
        const OptionSpec* spec = nullptr;
        for (const auto& o : allowed)
            if (a == o.name)
                spec = &o;
        if (!spec || (!spec->takesValue && inlineValue))
            return "未知选项：" + a;
        if (!spec->takesValue) {
            out.options[a] = "";
        } else if (inlineValue) {
            out.options[a] = *inlineValue;
        } else if (i + 1 < argc) {
            out.options[a] = argv[++i];
        } else {
            return "选项 " + a + " 需要一个值";
        }
    }
    return std::nullopt;
}

int fail(const jet::Error& e) {
    platform::writeText(2, "ledrimo-db：" + e.describe() + "\n");
    return 1;
}

int fail(const std::string& message) {
    platform::writeText(2, "ledrimo-db：" + message + "\n");
    return 1;
}

int failDateOption(const std::string& option, const std::string& text) {
    return fail(option + " 的日期无效：" + text + "（应为存在的日期，如 2026-10-01）");
}

jet::Result<std::unique_ptr<jet::Database>> openDatabase(const Args& args, bool write) {
    jet::OpenOptions opt;
    if (auto password = args.option(kPasswordOption.name))
        opt.password = jet::fromUtf8(*password);
    opt.write = write;
    return jet::Database::open(args.positional.at(0), opt);
}

std::optional<std::string> formatOption(const Args& args, const std::vector<std::string>& allowed) {
    const std::string format = args.option(kFormatOption.name).value_or(allowed.front());
    for (const auto& a : allowed)
        if (a == format)
            return format;
    std::string list;
    for (size_t i = 0; i < allowed.size(); ++i)
        list += (i == 0 ? "" : i + 1 == allowed.size() ? " 或 " : "、") + allowed[i];
    fail("未知的输出格式：" + format + "（可用 " + list + "）");
    return std::nullopt;
}

static bool wideCharacter(uint32_t c) {
    return (c >= 0x1100 && c <= 0x115F) || (c >= 0x2E80 && c <= 0xA4CF) || (c >= 0xAC00 && c <= 0xD7A3) ||
           (c >= 0xD800 && c <= 0xDBFF) || (c >= 0xF900 && c <= 0xFAFF) || (c >= 0xFE30 && c <= 0xFE4F) ||
           (c >= 0xFF00 && c <= 0xFF60) || (c >= 0xFFE0 && c <= 0xFFE6) || c >= 0x10000;
}

size_t displayWidth(std::u16string_view text) {
    size_t w = 0;
    for (char16_t c : text) {
        if (c >= 0xDC00 && c <= 0xDFFF)
            continue; // the second half of a pair, counted with the first
        w += wideCharacter(c) ? 2 : 1;
    }
    return w;
}

size_t displayWidth(std::string_view utf8) {
    // Decoded in place; a byte that starts no character counts as one column, as the U+FFFD it
    // would become.
    size_t w = 0;
    for (size_t i = 0; i < utf8.size();) {
        const auto b = uint8_t(utf8[i]);
        const size_t n = b < 0x80 ? 1 : b >= 0xF0 ? 4 : b >= 0xE0 ? 3 : b >= 0xC0 ? 2 : 1;
        uint32_t c = n == 1 ? b : b & (0x3F >> (n - 1));
        size_t k = 1;
        for (; k < n && i + k < utf8.size() && (uint8_t(utf8[i + k]) & 0xC0) == 0x80; ++k)
            c = (c << 6) | (uint8_t(utf8[i + k]) & 0x3F);
        w += k == n && wideCharacter(c) ? 2 : 1;
        i += k;
    }
    return w;
}

} // namespace dbtool
