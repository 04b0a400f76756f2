// The one text writer behind everything the tools write (ledrimo-db's verbs, the export of
// entries): bytes are gathered in a buffer of its own and handed to write(2) in blocks of kBlock
// bytes, so that output of any size costs a handful of system calls and a fixed amount of
// memory. Text, numbers and dates go straight into the buffer: UTF-16 is converted to UTF-8 in
// bulk (runs of ASCII copied as they are), numbers with std::to_chars, dates from the day number.
// The value forms of a particular output (dump's CSV and JSON, the export's) are built on it.
//
// The texts are byte for byte the engine's text forms (jet/codec.h): text() writes what
// jet::toUtf8 gives, number() what formatDouble/formatFloat give, dateTime() what formatDateTime
// gives, currency() what formatCurrency gives.
#pragma once

#include <array>
#include <charconv>
#include <concepts>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <string_view>

namespace jet {

class TextWriter {
public:
    static constexpr size_t kBlock = size_t(1) << 18;

    // Writes to the file descriptor `fd` (standard output by default); the descriptor stays open.
    explicit TextWriter(int fd = 1);
    // Appends to `sink` instead, as the buffer fills and at flush() (for texts made ahead of
    // time, and for tests).
    explicit TextWriter(std::string& sink);
    // Writes out what is left; a failure then goes unreported (call flush() to know).
    ~TextWriter();
    TextWriter(const TextWriter&) = delete;
    TextWriter& operator=(const TextWriter&) = delete;

    void put(std::string_view bytes) {
        if (bytes.empty())
            return;
        if (kBlock - used_ >= bytes.size()) {
            std::memcpy(buf_.get() + used_, bytes.data(), bytes.size());
            used_ += bytes.size();
        } else {
            putLarge(bytes);
        }
    }
    void put(char c) {
        if (used_ == kBlock)
            drain();
        buf_[used_++] = c;
    }

    // UTF-16 text as UTF-8. A lone surrogate (possible in stored text) becomes its 3-byte
    // (WTF-8) form, so that nothing read from a file is lost on the way; or U+FFFD after
    // replaceLoneSurrogates(), for files read by programs that want strict UTF-8 (spreadsheets).
    void text(std::u16string_view s);
    // The same, as a CSV field: always in double quotes, a quote inside doubled.
    void csvText(std::u16string_view s);
    // The same, as a JSON string: in double quotes; quotes, backslashes and control characters
    // escaped (\n \r \t, the others \u00XX); a lone surrogate as its \uXXXX escape, so that the
    // output stays valid UTF-8.
    void jsonText(std::u16string_view s);

    template <std::integral T> void number(T v) {
        char* o = room(24);
        advance(std::to_chars(o, o + 24, v).ptr);
    }
    // The shortest form that reads back to the same number; "NaN", "Infinity", "-Infinity".
    void number(double v);
    void number(float v);
    // Currency (the value × 10,000) with 4 decimals: "-12.3400".
    void currency(int64_t scaled);
    // An Access date number as "YYYY-MM-DD HH:MM:SS" (rounded to the second; the Access rule
    // for days before 1899-12-30); outside the years 100..9999, NaN or infinite, the number
    // itself as number(double) writes it.
    void dateTime(double days);
    // Upper-case hex digits of `n` bytes, no separators.
    void hex(const uint8_t* bytes, size_t n);

    // From now on text() and csvText() write a lone surrogate as U+FFFD.
    void replaceLoneSurrogates() { replaceLone_ = true; }

    // Hands everything gathered to write(2). False once any write has failed (the output is
    // then incomplete; later output is dropped); errorNumber() tells why.
    bool flush();
    int errorNumber() const { return error_; }

    // For writers of other forms: room for at least `n` bytes (n <= kBlock) at the returned
    // pointer; advance() past the bytes written there.
    char* room(size_t n) {
        if (kBlock - used_ < n)
            drain();
        return buf_.get() + used_;
    }
    void advance(char* end) { used_ = size_t(end - buf_.get()); }

private:
    void drain(); // writes out the buffer (flush() without the result)
    void putLarge(std::string_view bytes);

    // The text "YYYY-MM-DD " of recently written days, replaced in turn.
    struct DayText {
        int64_t day = INT64_MIN;
        uint8_t length = 0;
        char text[16] = {};
    };
    std::array<DayText, 4> dayTexts_;
    size_t nextDayText_ = 0;

    int fd_ = -1;
    std::string* sink_ = nullptr;
    bool replaceLone_ = false;
    int error_ = 0;
    size_t used_ = 0;
    std::unique_ptr<char[]> buf_;
};

} // namespace jet
