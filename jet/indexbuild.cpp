#include "jet/indexbuild.h"

#include <algorithm>
#include <string>

namespace jet {

namespace {

// Weights of the General sort order for the characters a new database's names may use, as Jet 4
// writes them into index keys: letters in alphabetical order with uneven steps (the gaps belong
// to accented letters), digits below the letters, the underscore among the symbols as two bytes.
constexpr uint8_t kLetterWeights[26] = {0x4A, 0x4C, 0x4D, 0x4F, 0x51, 0x53, 0x55, 0x57, 0x59,
                                        0x5B, 0x5C, 0x5E, 0x60, 0x62, 0x64, 0x66, 0x68, 0x69,
                                        0x6B, 0x6D, 0x6F, 0x71, 0x73, 0x75, 0x76, 0x78};
constexpr uint8_t kDigitWeights[10] = {0x36, 0x38, 0x3A, 0x3C, 0x3E, 0x40, 0x42, 0x44, 0x46, 0x48};
constexpr uint8_t kUnderscoreWeight[2] = {0x2B, 0x03};
// Ends the weights of a text key; the (empty) further sections end with 0x00.
constexpr uint8_t kTextKeyEnd[2] = {0x01, 0x00};

bool appendWeight(char16_t c, Bytes& out) {
    if (c >= u'A' && c <= u'Z')
        out.push_back(kLetterWeights[c - u'A']);
    else if (c >= u'a' && c <= u'z')
        out.push_back(kLetterWeights[c - u'a']);
    else if (c >= u'0' && c <= u'9')
        out.push_back(kDigitWeights[c - u'0']);
    else if (c == u'_')
        out.insert(out.end(), std::begin(kUnderscoreWeight), std::end(kUnderscoreWeight));
    else
        return false;
    return true;
}

} // namespace

Bytes indexKeyLong(int32_t value) {
    Bytes key(5);
    key[0] = kIndexKeyAscending;
    const uint32_t v = uint32_t(value) ^ 0x80000000u;
    key[1] = uint8_t(v >> 24);
    key[2] = uint8_t(v >> 16);
    key[3] = uint8_t(v >> 8);
    key[4] = uint8_t(v);
    return key;
}

bool textKeySortOrderSupported(uint16_t sortOrder) {
    return sortOrder == 1033 || sortOrder == 2052;
}

char16_t firstUnencodableKeyChar(std::u16string_view text) {
    Bytes scratch;
    for (char16_t c : text)
        if (!appendWeight(c, scratch))
            return c == 0 ? char16_t(0xFFFD) : c;
    return 0;
}

Result<Bytes> indexKeyText(std::u16string_view text, uint16_t sortOrder) {
    if (!textKeySortOrderSupported(sortOrder))
        return makeError(ErrorKind::Unsupported, "不支持排序规则 " + std::to_string(sortOrder) + " 的索引键");
    if (text.empty())
        return makeError(ErrorKind::Invalid, "索引键不能是空文本");
    Bytes key{kIndexKeyAscending};
    for (char16_t c : text)
        if (!appendWeight(c, key))
            return makeError(ErrorKind::Invalid, "字符“" + toUtf8(std::u16string(1, c)) + "”无法写入索引键");
    key.insert(key.end(), std::begin(kTextKeyEnd), std::end(kTextKeyEnd));
    return key;
}

Bytes indexEntryBytes(const IndexEntry& entry) {
    Bytes b = entry.key;
    b.push_back(uint8_t(entry.row.page >> 16));
    b.push_back(uint8_t(entry.row.page >> 8));
    b.push_back(uint8_t(entry.row.page));
    b.push_back(entry.row.row);
    return b;
}

Result<PageImage> buildIndexLeafPage(uint32_t tdefPage, std::vector<IndexEntry> entries) {
    std::vector<Bytes> stored;
    stored.reserve(entries.size());
    for (const auto& e : entries)
        stored.push_back(indexEntryBytes(e));
    std::sort(stored.begin(), stored.end());

    PageImage page{};
    page[0] = uint8_t(PageType::IndexLeaf);
    page[1] = 0x01;
    put32(page.data() + 4, tdefPage);
    // Previous, next and tail page stay 0, and so does the shared prefix length.
    size_t pos = kIndexEntriesOffset;
    for (const auto& b : stored) {
        if (b.size() > kPageSize - pos)
            return makeError(ErrorKind::Invalid, "索引项放不进一个索引页");
        std::copy(b.begin(), b.end(), page.begin() + std::ptrdiff_t(pos));
        pos += b.size();
        // The bitmask marks where each entry ends (and so where the next one starts).
        const size_t bit = pos - kIndexEntriesOffset;
        if (kIndexEntryMaskOffset + bit / 8 >= kIndexEntriesOffset)
            return makeError(ErrorKind::Invalid, "索引项放不进一个索引页");
        page[kIndexEntryMaskOffset + bit / 8] |= uint8_t(1u << (bit % 8));
    }
    put16(page.data() + 2, uint16_t(kPageSize - pos));
    return page;
}

} // namespace jet
