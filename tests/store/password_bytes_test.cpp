// ledrimo-db passwd turns a password typed in UTF-8 into the bytes the program's password box
// gives (store::passwordBytesOfUtf8, without Qt): for every character of the Basic Multilingual
// Plane it accepts, they are the program's own GBK bytes (rt::encodeGbk), and it refuses only
// characters outside code page 936, which the program writes in GB18030's four-byte form.
#include "runtime/text.h"
#include "store/account.h"

#include <gtest/gtest.h>

#include <QString>

TEST(PasswordBytes, AreTheProgramsGbkBytesForEveryCharacterOfCodePage936) {
    int accepted = 0;
    for (char32_t c = 1; c < 0x10000; ++c) {
        if (c >= 0xD800 && c <= 0xDFFF)
            continue;
        const QString s = QString::fromUcs4(&c, 1);
        const std::string program = rt::encodeGbk(s);
        const auto bytes = store::passwordBytesOfUtf8(s.toStdString());
        if (bytes) {
            ++accepted;
            ASSERT_EQ(*bytes, program) << "U+" << std::hex << unsigned(c);
        } else {
            // Refused: the program would need a four-byte sequence (or a user-defined character).
            ASSERT_TRUE(program.size() == 4 || (c >= 0xE000 && c <= 0xF8FF))
                << "U+" << std::hex << unsigned(c);
        }
    }
    EXPECT_GT(accepted, 21000); // ASCII and the two-byte area of code page 936
    EXPECT_FALSE(store::passwordBytesOfUtf8("\xFF"));
}
