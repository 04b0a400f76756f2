// The database image: its container (magic, stated size, zlib stream), the database inside it
// (Ledrimo's tables, the default account, 58 pages with the unused ones free), that the compiled-in
// image is exactly what this build's creator makes, and that the container refuses damage.
#include "jet/database.h"
#include "jet/usagemap.h"
#include "store/credential.h"
#include "store/database_image.h"
#include "store/image_container.h"
#include "store/schema.h"

#include <gtest/gtest.h>

namespace {

std::string imageFile() {
    auto db = store::imageDatabase();
    EXPECT_TRUE(db.ok()) << (db.ok() ? "" : db.error().describe());
    return db.ok() ? std::string(db->begin(), db->end()) : std::string();
}

std::unique_ptr<jet::Database> openFile(const std::string& file) {
    auto db = jet::Database::openMemory(jet::Bytes(file.begin(), file.end()));
    EXPECT_TRUE(db.ok()) << (db.ok() ? "" : db.error().describe());
    return db.ok() ? std::move(*db) : nullptr;
}

} // namespace

TEST(CarriedImage, ContainerStartsWithMagicAndSize) {
    const std::string image = store::databaseImage();
    ASSERT_GE(image.size(), 8u);
    EXPECT_EQ(image.substr(0, 4), std::string("\x0D\x0F\x3E\x03", 4));
    EXPECT_EQ(image.substr(4, 4), std::string("\x00\xA0\x03\x00", 4)); // 237,568
    EXPECT_EQ(store::imageStatedSize(image), 237568u);
    // An RFC 1950 stream: deflate, a header whose check bits make it a multiple of 31.
    EXPECT_EQ(uint8_t(image[8]) & 0x0F, 8);
    EXPECT_EQ((uint8_t(image[8]) * 256 + uint8_t(image[9])) % 31, 0);
    EXPECT_EQ(image, std::string(store::databaseImageView()));
}

TEST(CarriedImage, IsExactlyWhatThisBuildCreates) {
    const std::string file = imageFile();
    ASSERT_EQ(file.size(), 237568u);
    EXPECT_EQ(store::unpackImage(store::databaseImageView()), file);
    // Fixed dates and a fixed compression level: creating and packing again gives the same bytes.
    EXPECT_EQ(imageFile(), file);
    EXPECT_EQ(store::packImage(file), store::databaseImage());
}

TEST(CarriedImage, HoldsLedrimosTablesAndTheDefaultAccount) {
    auto db = openFile(*store::unpackImage(store::databaseImageView()));
    ASSERT_TRUE(db);
    EXPECT_EQ(db->header().codePage, 936);
    EXPECT_EQ(db->header().sortOrder, 2052);
    EXPECT_TRUE(db->header().password.empty());
    const auto tables = db->catalog().tables(false);
    ASSERT_EQ(tables.size(), 2u);
    EXPECT_EQ(tables[0]->name, u"data");
    EXPECT_EQ(tables[1]->name, u"admin");

    auto data = db->openTable(u"data");
    ASSERT_TRUE(data.ok());
    EXPECT_EQ((*data)->def().columns.size(), 9u);
    EXPECT_TRUE((*data)->rowIds()->empty());

    auto admin = db->openTable(u"admin");
    ASSERT_TRUE(admin.ok());
    auto ids = (*admin)->rowIds();
    ASSERT_TRUE(ids.ok());
    ASSERT_EQ(ids->size(), 1u);
    auto row = (*admin)->readRow(ids->front());
    ASSERT_TRUE(row.ok());
    EXPECT_EQ(std::get<int32_t>((*row)[0]), 1);
    EXPECT_EQ(std::get<std::u16string>((*row)[1]), u"tamsu");
    const std::string code = store::buildPasswordCode(store::kDefaultPassword);
    EXPECT_EQ(std::get<std::u16string>((*row)[2]), std::u16string(code.begin(), code.end()));
    EXPECT_EQ(code, "39ba602ed8f2ff107a288d701aed3185");
    // Catalog dates are fixed too: the header's creation date.
    auto objects = db->openTable(u"MSysObjects");
    ASSERT_TRUE(objects.ok());
    auto first = (*objects)->readRow((*objects)->rowIds()->front());
    EXPECT_EQ(std::get<jet::DateTime>((*first)[4]).days, jet::creationHeaderDate());
}

TEST(CarriedImage, PagesPastTheTablesAreFreeInTheGlobalMap) {
    const std::string file = imageFile();
    auto unpadded = store::createLedrimoDatabase(jet::creationHeaderDate(), {{1, u"tamsu", u"x"}});
    ASSERT_TRUE(unpadded.ok());
    const uint32_t used = uint32_t(unpadded->size() / 4096);
    EXPECT_EQ(used, 21u); // 16 system pages; data: definition and maps; admin: definition, maps, rows
    auto pf = jet::PageFile::openMemory(jet::Bytes(file.begin(), file.end()), "image");
    auto global = jet::readUsageMap(*pf, jet::RowId{1, 0});
    ASSERT_TRUE(global.ok());
    std::vector<uint32_t> free;
    for (uint32_t p = used; p < 58; ++p)
        free.push_back(p);
    EXPECT_EQ(global->pages, free);
    for (size_t i = size_t(used) * 4096; i < file.size(); ++i)
        ASSERT_EQ(file[i], 0) << "byte " << i;
}

TEST(ImageContainer, RoundTripsAndAllowsTwiceTheStatedSize) {
    const std::string file(10000, 'x');
    std::string packed = store::packImage(file);
    EXPECT_EQ(store::unpackImage(packed), file);
    // The restore inflates into twice the stated size and keeps what inflate produced.
    packed[4] = char(5000 & 0xFF);
    packed[5] = char(5000 >> 8);
    EXPECT_EQ(store::unpackImage(packed), file);
    packed[4] = char(4999 & 0xFF);
    packed[5] = char(4999 >> 8);
    EXPECT_EQ(store::unpackImage(packed), std::nullopt);
}

TEST(ImageContainer, RefusesDamage) {
    const std::string packed = store::packImage(std::string(5000, 'a') + std::string(5000, 'b'));
    EXPECT_EQ(store::unpackImage(""), std::nullopt);
    EXPECT_EQ(store::unpackImage(packed.substr(0, 7)), std::nullopt);
    EXPECT_EQ(store::unpackImage(packed.substr(0, 8)), std::nullopt); // no stream
    EXPECT_EQ(store::unpackImage(packed.substr(0, packed.size() - 5)), std::nullopt);
    std::string magic = packed;
    magic[0] = 0x0E;
    EXPECT_EQ(store::unpackImage(magic), std::nullopt);
    EXPECT_EQ(store::imageStatedSize(magic), std::nullopt);
    std::string zero = packed;
    zero.replace(4, 4, std::string(4, '\0'));
    EXPECT_EQ(store::unpackImage(zero), std::nullopt);
    std::string flipped = packed;
    flipped[packed.size() / 2] = char(flipped[packed.size() / 2] ^ 0x55);
    EXPECT_EQ(store::unpackImage(flipped), std::nullopt);
}
