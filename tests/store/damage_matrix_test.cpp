// The damage matrix over a realistic work log: 300 entries, notes up to the column's 255
// characters, some entries edited longer afterwards (rows moved) and some deleted. Every page in
// turn zeroed, then overwritten with random bytes: each case either reads back every entry
// identical or fails the check; none is silent. The counts are printed.
#include "tests/jet/writeutil.h"
#include "tests/store/damage_matrix.h"

#include "jet/codec.h"
#include "store/credential.h"
#include "store/schema.h"

#include <gtest/gtest.h>

using namespace testutil;
using namespace writeutil;

namespace {

std::u16string note(int n) {
    static const std::u16string phrase = u"调试接口，整理会议记录，回访客户并填写工作日志；";
    std::u16string text;
    const size_t length = size_t(n * 37 % 256);
    while (text.size() < length)
        text += phrase;
    text.resize(length);
    return text;
}

std::vector<jet::Value> entry(int n) {
    const double day = 45000 + n / 2;
    return {std::u16string(n % 3 ? u"张三" : u"欧阳明月"),
            std::u16string(u"某某电子科技有限公司"),
            std::u16string(u"深圳市南山区科技园"),
            jet::DateTime{44000},
            jet::DateTime{day},
            int32_t(8 + n % 4),
            note(n),
            jet::DateTime{day + 0.75},
            jet::fromUtf8("GZ-" + std::to_string(100000 + n).substr(1))};
}

} // namespace

TEST(DamageMatrix, EveryPageZeroedOrRandomIsCaughtOrHarmless) {
    TempDir dir;
    const std::string path = dir.file("db");
    auto image = store::createLedrimoDatabase(
        jet::accessDateNow(), {{1, u"tamsu", jet::fromUtf8(store::buildPasswordCode("tamsu"))}});
    ASSERT_TRUE(image);
    writeBytes(path, *image);
    {
        auto db = openWrite(path);
        ASSERT_TRUE(db->begin());
        for (int n = 0; n < 300; ++n)
            ASSERT_TRUE(db->insertRow(u"data", entry(n)));
        ASSERT_TRUE(db->commit());
        const auto ids = rowIdsOf(*db, u"data");
        ASSERT_TRUE(db->begin());
        for (int n = 0; n < 300; n += 7) // edited longer: some rows move
            ASSERT_TRUE(db->updateRow(u"data", ids[size_t(n)], {{6, jet::Value(note(6))}}));
        for (int n = 3; n < 300; n += 29)
            ASSERT_TRUE(db->deleteRow(u"data", ids[size_t(n)]));
        ASSERT_TRUE(db->commit());
    }
    const auto original = readBytes(path);
    auto db = jet::Database::openMemory(original);
    ASSERT_TRUE(db);
    ASSERT_TRUE(jet::checkDatabase(**db).ok());
    const auto expected = damagematrix::readRows(**db, u"data");
    ASSERT_TRUE(expected);
    ASSERT_EQ(expected->size(), 289u);
    const uint32_t pages = (*db)->file()->pageCount();
    ASSERT_GT(pages, 40u);

    for (auto damage : {damagematrix::Damage::Zeroed, damagematrix::Damage::Random}) {
        damagematrix::Tally tally;
        for (uint32_t page = 0; page < pages; ++page)
            damagematrix::runCase(original, page, damage, u"data", *expected, tally);
        std::printf("%s：%s\n", damage == damagematrix::Damage::Zeroed ? "清零" : "随机字节",
                    tally.summary().c_str());
        EXPECT_EQ(tally.cases, size_t(pages));
        EXPECT_EQ(tally.silent, 0u) << ::testing::PrintToString(tally.silentCases);
        EXPECT_GT(tally.caught, 10u);
        EXPECT_GT(tally.lossy, 10u);
        // Every case that loses entries is noticed as soon as the program connects.
        EXPECT_EQ(tally.lossyNoticedAtConnect, tally.lossy) << ::testing::PrintToString(tally.unnoticedAtConnect);
    }
}
