#include "jet/text_writer.h"

#include "jet/datetext.h"
#include "platform/file.h"

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace jet {

namespace {

enum class Form { Plain, Csv, Json };

// Bytes one UTF-16 unit may take at most: 3 in UTF-8 (a pair takes 4 for 2 units), 2 for a CSV
// quote, 6 for a JSON \uXXXX escape.
constexpr size_t maxBytesPerUnit(Form f) {
    return f == Form::Json ? 6 : 3;
}
// Units converted per step; a step writes into one room() of the buffer. The 16 extra bytes
// let the ASCII run store a whole vector past the bytes it keeps.
constexpr size_t kStepUnits = 8192;
constexpr size_t kSlack = 16;
static_assert(kStepUnits * 6 + kSlack <= TextWriter::kBlock);

const char kLowerHex[] = "0123456789abcdef";
const char kUpperHex[] = "0123456789ABCDEF";

inline char* putUtf8(char* o, uint32_t cp) {
    if (cp < 0x800) {
        o[0] = char(0xC0 | (cp >> 6));
        o[1] = char(0x80 | (cp & 0x3F));
        return o + 2;
    }
    if (cp < 0x10000) {
        o[0] = char(0xE0 | (cp >> 12));
        o[1] = char(0x80 | ((cp >> 6) & 0x3F));
        o[2] = char(0x80 | (cp & 0x3F));
        return o + 3;
    }
    o[0] = char(0xF0 | (cp >> 18));
    o[1] = char(0x80 | ((cp >> 12) & 0x3F));
    o[2] = char(0x80 | ((cp >> 6) & 0x3F));
    o[3] = char(0x80 | (cp & 0x3F));
    return o + 4;
}

// One ASCII unit in its form.
template <Form F> inline char* putAscii(char* o, char16_t c) {
    if constexpr (F == Form::Csv) {
        if (c == u'"')
            *o++ = '"';
    } else if constexpr (F == Form::Json) {
        if (c == u'"' || c == u'\\') {
            *o++ = '\\';
        } else if (c < 0x20) {
            *o++ = '\\';
            switch (c) {
            case u'\n':
                *o++ = 'n';
                return o;
            case u'\r':
                *o++ = 'r';
                return o;
            case u'\t':
                *o++ = 't';
                return o;
            default:
                std::memcpy(o, "u00", 3);
                o[3] = kLowerHex[c >> 4];
                o[4] = kLowerHex[c & 15];
                return o + 5;
            }
        }
    }
    *o++ = char(c);
    return o;
}

// One unit that is not ASCII at s[0] (with its pair when s[1] completes one). Returns the units
// used.
template <Form F> inline size_t putWide(char*& o, const char16_t* s, const char16_t* end, bool replaceLone) {
    const uint32_t c = s[0];
    if (c < 0xD800 || c > 0xDFFF) {
        o = putUtf8(o, c);
        return 1;
    }
    if (c <= 0xDBFF && s + 1 < end && s[1] >= 0xDC00 && s[1] <= 0xDFFF) {
        o = putUtf8(o, 0x10000 + ((c - 0xD800) << 10) + (uint32_t(s[1]) - 0xDC00));
        return 2;
    }
    if constexpr (F == Form::Json) {
        o[0] = '\\';
        o[1] = 'u';
        for (int k = 0; k < 4; ++k)
            o[2 + k] = kLowerHex[(c >> (12 - 4 * k)) & 15];
        o += 6;
    } else {
        o = putUtf8(o, replaceLone ? 0xFFFD : c); // a lone surrogate: its 3-byte form, or U+FFFD
    }
    return 1;
}

// Converts [s, end) into its form at `o` (room for maxBytesPerUnit × units + kSlack bytes);
// returns the end of the bytes written. Runs of ASCII that need no escaping go 8 units at a
// time; characters past U+007F run one by one until the next ASCII unit.
template <Form F> char* convert(const char16_t* s, const char16_t* end, char* o, bool replaceLone) {
    while (s < end) {
#if defined(__SSE2__)
        const __m128i zero = _mm_setzero_si128();
        while (end - s >= 8) {
            const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(s));
            __m128i plain = _mm_cmpeq_epi16(_mm_and_si128(v, _mm_set1_epi16(int16_t(0xFF80))), zero);
            if constexpr (F == Form::Csv) {
                plain = _mm_andnot_si128(_mm_cmpeq_epi16(v, _mm_set1_epi16('"')), plain);
            } else if constexpr (F == Form::Json) {
                const __m128i special =
                    _mm_or_si128(_mm_or_si128(_mm_cmpeq_epi16(v, _mm_set1_epi16('"')),
                                              _mm_cmpeq_epi16(v, _mm_set1_epi16('\\'))),
                                 _mm_cmpeq_epi16(_mm_and_si128(v, _mm_set1_epi16(int16_t(0xFFE0))), zero));
                plain = _mm_andnot_si128(special, plain);
            }
            const unsigned mask = unsigned(_mm_movemask_epi8(plain));
            _mm_storel_epi64(reinterpret_cast<__m128i*>(o), _mm_packus_epi16(v, v));
            if (mask == 0xFFFF) {
                s += 8;
                o += 8;
                continue;
            }
            const unsigned kept = unsigned(__builtin_ctz(~mask)) / 2;
            s += kept;
            o += kept;
            break;
        }
#endif
        if (s == end)
            break;
        if (*s < 0x80)
            o = putAscii<F>(o, *s++);
        while (s < end && *s >= 0x80) {
            const uint32_t c = *s;
            if (c >= 0x800 && (c < 0xD800 || c > 0xDFFF)) {
                // The common case of Chinese text: three bytes, stored as one word.
                const uint32_t w =
                    (0xE0 | (c >> 12)) | ((0x80 | ((c >> 6) & 0x3F)) << 8) | ((0x80 | (c & 0x3F)) << 16);
                std::memcpy(o, &w, 4);
                o += 3;
                ++s;
            } else {
                s += putWide<F>(o, s, end, replaceLone);
            }
        }
        // Without vectors, or near the end: the ASCII units one by one.
#if !defined(__SSE2__)
        while (s < end && *s < 0x80)
            o = putAscii<F>(o, *s++);
#else
        if (end - s < 8)
            while (s < end && *s < 0x80)
                o = putAscii<F>(o, *s++);
#endif
    }
    return o;
}

template <Form F> void convertAll(TextWriter& out, std::u16string_view text, bool replaceLone) {
    const char16_t* s = text.data();
    const char16_t* const end = s + text.size();
    while (s < end) {
        const char16_t* stop = s + std::min<size_t>(size_t(end - s), kStepUnits);
        // A pair is never split between two steps.
        if (stop < end && stop[-1] >= 0xD800 && stop[-1] <= 0xDBFF)
            --stop;
        char* o = out.room(size_t(stop - s) * maxBytesPerUnit(F) + kSlack);
        out.advance(convert<F>(s, stop, o, replaceLone));
        s = stop;
    }
}

// Two decimal digits of 0..99.
inline char* twoDigits(char* o, int v) {
    o[0] = char('0' + v / 10);
    o[1] = char('0' + v % 10);
    return o + 2;
}

// A text between double quotes: in one step when it fits one.
template <Form F> void quoted(TextWriter& out, std::u16string_view s, bool replaceLone) {
    if (s.size() <= kStepUnits) {
        char* o = out.room(s.size() * maxBytesPerUnit(F) + 2 + kSlack);
        *o++ = '"';
        o = convert<F>(s.data(), s.data() + s.size(), o, replaceLone);
        *o++ = '"';
        out.advance(o);
        return;
    }
    out.put('"');
    convertAll<F>(out, s, replaceLone);
    out.put('"');
}

template <class F> void shortest(TextWriter& out, F v) {
    if (std::isnan(v))
        out.put("NaN");
    else if (std::isinf(v))
        out.put(v < 0 ? "-Infinity" : "Infinity");
    else {
        char* o = out.room(64);
        out.advance(std::to_chars(o, o + 64, v).ptr);
    }
}

} // namespace

TextWriter::TextWriter(int fd) : fd_(fd), buf_(new char[kBlock]) {}

TextWriter::TextWriter(std::string& sink) : sink_(&sink), buf_(new char[kBlock]) {}

TextWriter::~TextWriter() {
    flush();
}

void TextWriter::drain() {
    const char* p = buf_.get();
    size_t left = used_;
    used_ = 0;
    if (sink_) {
        sink_->append(p, left);
        return;
    }
    while (left > 0 && error_ == 0) {
        const int64_t n = platform::writeNext(fd_, p, left);
        if (n < 0) {
            error_ = errno;
            continue;
        }
        p += n;
        left -= size_t(n);
    }
}

bool TextWriter::flush() {
    drain();
    return error_ == 0;
}

void TextWriter::putLarge(std::string_view bytes) {
    while (!bytes.empty()) {
        if (used_ == kBlock)
            drain();
        const size_t n = std::min(bytes.size(), kBlock - used_);
        std::memcpy(buf_.get() + used_, bytes.data(), n);
        used_ += n;
        bytes.remove_prefix(n);
    }
}

void TextWriter::text(std::u16string_view s) {
    convertAll<Form::Plain>(*this, s, replaceLone_);
}

void TextWriter::csvText(std::u16string_view s) {
    quoted<Form::Csv>(*this, s, replaceLone_);
}

void TextWriter::jsonText(std::u16string_view s) {
    quoted<Form::Json>(*this, s, replaceLone_);
}

void TextWriter::number(double v) {
    shortest(*this, v);
}

void TextWriter::number(float v) {
    shortest(*this, v);
}

void TextWriter::currency(int64_t scaled) {
    const bool negative = scaled < 0;
    const uint64_t magnitude = negative ? uint64_t(0) - uint64_t(scaled) : uint64_t(scaled);
    char* o = room(32);
    if (negative)
        *o++ = '-';
    o = std::to_chars(o, o + 24, magnitude / 10000).ptr;
    *o++ = '.';
    const int fraction = int(magnitude % 10000);
    o = twoDigits(o, fraction / 100);
    advance(twoDigits(o, fraction % 100));
}

void TextWriter::dateTime(double days) {
    // Years 100..9999 are what Access can show; outside them there is no date to name.
    if (!std::isfinite(days) || days < kMinDateNumber || days >= kMaxDateNumber + 1) {
        number(days);
        return;
    }
    // The day and the second of the day, as splitDate() rounds them; the day's text is kept
    // for the next date on the same day (a column of dates rarely changes from row to row).
    const int64_t seconds = dateSeconds(days);
    int64_t day = seconds / 86400, second = seconds % 86400;
    if (second < 0) {
        second += 86400;
        day -= 1;
    }
    char* o = room(32);
    DayText* found = nullptr;
    for (DayText& d : dayTexts_)
        if (d.day == day)
            found = &d;
    if (!found) {
        found = &dayTexts_[nextDayText_++ % dayTexts_.size()];
        DayText& cached = *found;
        // Rounding may carry 9999-12-31 23:59:59.6 into a day splitDate() no longer names alone.
        const DateParts t =
            day >= kMinDateNumber && day <= kMaxDateNumber ? splitDate(double(day)) : splitDate(days);
        char* d = cached.text;
        if (t.year >= 0 && t.year <= 9999) {
            d = twoDigits(d, t.year / 100);
            d = twoDigits(d, t.year % 100);
        } else {
            d = std::to_chars(d, d + 12, t.year).ptr;
        }
        *d++ = '-';
        d = twoDigits(d, t.month);
        *d++ = '-';
        d = twoDigits(d, t.day);
        *d++ = ' ';
        cached.length = uint8_t(d - cached.text);
        cached.day = day;
    }
    std::memcpy(o, found->text, sizeof found->text);
    o += found->length;
    const int s = int(second);
    o = twoDigits(o, s / 3600);
    *o++ = ':';
    o = twoDigits(o, s / 60 % 60);
    *o++ = ':';
    advance(twoDigits(o, s % 60));
}

void TextWriter::hex(const uint8_t* bytes, size_t n) {
    while (n > 0) {
        const size_t step = std::min(n, kBlock / 2);
        char* o = room(step * 2);
        for (size_t i = 0; i < step; ++i) {
            o[2 * i] = kUpperHex[bytes[i] >> 4];
            o[2 * i + 1] = kUpperHex[bytes[i] & 15];
        }
        advance(o + step * 2);
        bytes += step;
        n -= step;
    }
}

} // namespace jet
