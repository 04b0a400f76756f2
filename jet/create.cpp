#include "jet/create.h"

#include "jet/atomic_file.h"
#include "jet/codec.h"
#include "jet/datetext.h"
#include "jet/database.h"
#include "jet/indexbuild.h"
#include "jet/pagefile.h"
#include "jet/tdefbuild.h"
#include "jet/writer.h"
#include "platform/local_time.h"

#include <algorithm>
#include <cstring>
#include <ctime>

namespace jet {

namespace {

// ---- what a Jet-created database holds ------------------------------------------------------

// The header's creation date as Jet stored it in the Chinese blank database.
constexpr uint64_t kHeaderDateBits = 0x40E416437A871542ull;
// Header fields outside the masked region and inside it that Jet 4 writes the same way into
// every file (docs/jet4-format.md §11).
constexpr uint32_t kHeaderEngineStamp = 0x0654;
constexpr uint16_t kHeaderEngineBuild = 0x261C; // the Jet 4.0 build that made the Chinese blank
constexpr size_t kHeaderCounterArea = 0xE00;

// Object ids of the catalog's fixed objects.
constexpr int32_t kRootId = 0x0F000000;
constexpr int32_t kTablesId = 0x0F000001;
constexpr int32_t kDatabasesId = 0x0F000002;
constexpr int32_t kRelationshipsId = 0x0F000003;
constexpr int32_t kMSysDbId = 0x10000000;
constexpr uint32_t kSystemFlags = 0x80000000u;

// Account ids as Jet stores them under the header date above: the engine (owner of the system
// objects), the creating user (owner of the database and of new tables), the users' group and the
// placeholder that stands for an object's creator in inheritable permissions.
const Bytes kEngineId{0x9B, 0x9A};
const Bytes kAdminId{0x9A, 0x98};
const Bytes kUsersId{0x9B, 0x98};
const Bytes kCreatorId{0x9B, 0x9D};

// Permission masks Jet grants.
constexpr int32_t kAclReadDesign = 0x00060000;
constexpr int32_t kAclReadWriteDesign = 0x000E0000;
constexpr int32_t kAclContainerCreator = 0x000F00FE;
constexpr int32_t kAclContainerAdmin = 0x00060001;
constexpr int32_t kAclDatabaseAdmin = 0x0006000E;
constexpr int32_t kAclDatabaseUsers = 0x0000000E;
constexpr int32_t kAclTableUsersRead = 0x00000014;
constexpr int32_t kAclTablesUsers = 0x000FFEFF;
constexpr int32_t kAclRelationshipsUsers = 0x000FFFFF;
// What a new table gets from the Tables container's inheritable entries.
constexpr int32_t kAclNewTableOwner = kAclContainerCreator;
constexpr int32_t kAclNewTableUsers = kAclTablesUsers;

// Fixed pages of a new file.
constexpr uint32_t kGlobalMapPage = 1;
constexpr uint32_t kSystemMapPage = 6;
constexpr uint32_t kCatalogRowsPage = 14;
constexpr uint32_t kAceRowsPage = 15;
constexpr uint32_t kFirstFreePage = 16;

constexpr uint8_t kSystemTableType = 0x53;
constexpr uint8_t kUserTableType = 0x4E;
constexpr uint8_t kSysFixed = kColumnFixed | kColumnNullable | kColumnReplication; // 0x13
constexpr uint8_t kSysVariable = kColumnNullable | kColumnReplication;             // 0x12
constexpr uint8_t kSysAccountId = 0x32;                                            // the binary id columns

struct SysColumn {
    const char16_t* name;
    ColumnType type;
    uint8_t flags;
    uint16_t size; // variable columns only
};
struct SysIndex {
    std::vector<uint16_t> columns;
    uint8_t flags; // 0x80 always; 0x01 unique, 0x02 ignore nulls, 0x08 required
};
struct SysLogicalIndex {
    const char16_t* name;
    uint32_t number, realIndex;
    uint8_t kind; // 1 primary key
};
struct SysTable {
    const char16_t* name;
    uint32_t tdefPage;
    std::vector<SysColumn> columns; // in column-number order
    std::vector<SysIndex> indexes;
    std::vector<SysLogicalIndex> logicalIndexes; // as stored (by name)
    std::vector<uint32_t> indexPages;            // leaf (root) page of each index
};

const std::vector<SysTable>& systemTables() {
    using T = ColumnType;
    static const std::vector<SysTable> tables = {
        {u"MSysObjects",
         2,
         {{u"Id", T::Long, kSysFixed, 0},
          {u"ParentId", T::Long, kSysFixed, 0},
          {u"Name", T::Text, kSysVariable, 510},
          {u"Type", T::Integer, kSysFixed, 0},
          {u"DateCreate", T::DateTime, kSysFixed, 0},
          {u"DateUpdate", T::DateTime, kSysFixed, 0},
          {u"Owner", T::Binary, kSysAccountId, 510},
          {u"Flags", T::Long, kSysFixed, 0},
          {u"Database", T::Memo, kSysVariable, 0},
          {u"Connect", T::Memo, kSysVariable, 0},
          {u"ForeignName", T::Text, kSysVariable, 510},
          {u"RmtInfoShort", T::Binary, kSysVariable, 510},
          {u"RmtInfoLong", T::OLE, kSysVariable, 0},
          {u"Lv", T::OLE, kSysVariable, 0},
          {u"LvProp", T::OLE, kSysVariable, 0},
          {u"LvModule", T::OLE, kSysVariable, 0},
          {u"LvExtra", T::OLE, kSysVariable, 0}},
         {{{1, 2}, 0x81}, {{0}, 0x81}},
         {{u"Id", 1, 1, 1}, {u"ParentIdName", 0, 0, 0}},
         {7, 8}},
        {u"MSysACEs",
         3,
         {{u"ObjectId", T::Long, kSysFixed, 0},
          {u"SID", T::Binary, kSysAccountId, 510},
          {u"ACM", T::Long, kSysFixed, 0},
          {u"FInheritable", T::Boolean, kSysFixed, 0}},
         {{{0}, 0x88}},
         {{u"ObjectId", 0, 0, 0}},
         {9}},
        {u"MSysQueries",
         4,
         {{u"ObjectId", T::Long, kSysFixed, 0},
          {u"Attribute", T::Byte, kSysFixed, 0},
          {u"Order", T::Binary, kSysVariable, 510},
          {u"Name1", T::Text, kSysVariable, 510},
          {u"Name2", T::Text, kSysVariable, 510},
          {u"Expression", T::Memo, kSysVariable, 0},
          {u"Flag", T::Integer, kSysFixed, 0},
          {u"LvExtra", T::Long, kSysFixed, 0}},
         {{{0, 1, 2}, 0x81}},
         {{u"ObjectIdAttribute", 0, 0, 1}},
         {10}},
        {u"MSysRelationships",
         5,
         {{u"szRelationship", T::Text, kSysVariable, 510},
          {u"grbit", T::Long, kSysFixed, 0},
          {u"ccolumn", T::Long, kSysFixed, 0},
          {u"icolumn", T::Long, kSysFixed, 0},
          {u"szObject", T::Text, kSysVariable, 510},
          {u"szColumn", T::Text, kSysVariable, 510},
          {u"szReferencedObject", T::Text, kSysVariable, 510},
          {u"szReferencedColumn", T::Text, kSysVariable, 510}},
         {{{0}, 0x82}, {{4}, 0x82}, {{6}, 0x82}},
         {{u"szObject", 1, 1, 0}, {u"szReferencedObject", 2, 2, 0}, {u"szRelationship", 0, 0, 0}},
         {11, 12, 13}},
    };
    return tables;
}

// ---- helpers ----------------------------------------------------------------------------------

Error invalid(std::string message) {
    return makeError(ErrorKind::Invalid, std::move(message));
}

std::string quoted(const std::u16string& s) {
    return "“" + toUtf8(s) + "”";
}

char16_t asciiUpper(char16_t c) {
    return c >= u'a' && c <= u'z' ? char16_t(c - 32) : c;
}

bool lessIgnoringCase(std::u16string_view a, std::u16string_view b) {
    const size_t n = std::min(a.size(), b.size());
    for (size_t i = 0; i < n; ++i) {
        const char16_t x = asciiUpper(a[i]), y = asciiUpper(b[i]);
        if (x != y)
            return x < y;
    }
    return a.size() < b.size();
}

// Usage-map record slots handed out on a map page.
struct MapSlots {
    uint32_t page;
    uint8_t next = 0;
    RowId take() { return RowId{page, next++}; }
};

// A table as the file will hold it: its definition, where its pieces go, and its rows.
struct PlannedTable {
    TableDef def;
    TableDefLayout layout;
    uint32_t mapPage = 0;                  // page of its usage-map records
    std::vector<uint32_t> dataPages;       // pages of its rows
    std::vector<DataPageBuilder> builders; // their contents
    std::vector<RowId> rowIds;             // where each row went
};

// Columns of a definition from the system-table description.
TableDef systemTableDef(const SysTable& t, uint16_t sortOrder, MapSlots& slots) {
    TableDef def;
    def.name = t.name;
    def.page = t.tdefPage;
    def.tableType = kSystemTableType;
    for (const auto& sc : t.columns) {
        ColumnDef c;
        c.name = sc.name;
        c.type = sc.type;
        c.flags = sc.flags;
        c.size = sc.size;
        if (sc.type == ColumnType::Text || sc.type == ColumnType::Memo)
            c.sortOrder = sortOrder;
        def.columns.push_back(std::move(c));
    }
    assignColumnLayout(def.columns);
    def.ownedPagesMap = slots.take();
    def.freeSpaceMap = slots.take();
    for (auto& c : def.columns) {
        if (c.isLongValue()) {
            c.longValueOwnedMap = slots.take();
            c.longValueFreeMap = slots.take();
        }
    }
    for (size_t i = 0; i < t.indexes.size(); ++i) {
        RealIndexDef ix;
        for (uint16_t n : t.indexes[i].columns)
            ix.columns.push_back({n, true});
        ix.flags = t.indexes[i].flags;
        ix.usageMap = slots.take();
        ix.firstPage = t.indexPages[i];
        def.realIndexes.push_back(std::move(ix));
    }
    for (const auto& l : t.logicalIndexes) {
        LogicalIndexDef li;
        li.name = l.name;
        li.number = l.number;
        li.realIndex = l.realIndex;
        li.type = l.kind;
        def.logicalIndexes.push_back(std::move(li));
    }
    def.maxColumns = uint16_t(def.columns.size());
    def.columnCount = uint16_t(def.columns.size());
    for (const auto& c : def.columns)
        if (c.isVariable())
            def.hasVariableColumns = true;
    return def;
}

TableDefLayout systemLayout(const TableDef& def, uint16_t sortOrder) {
    TableDefLayout layout;
    layout.writeColumnPositions = false;
    layout.nonTextSortOrder = sortOrder;
    layout.descriptorOrder.resize(def.columns.size());
    for (size_t i = 0; i < def.columns.size(); ++i)
        layout.descriptorOrder[i] = i;
    std::sort(layout.descriptorOrder.begin(), layout.descriptorOrder.end(),
              [&](size_t a, size_t b) { return lessIgnoringCase(def.columns[a].name, def.columns[b].name); });
    return layout;
}

// ---- checking what the caller asked for ------------------------------------------------------

Status checkTableName(const std::u16string& name) {
    if (name.empty() || name.size() > 64)
        return invalid("表名的长度必须在 1 到 64 个字符之间：" + quoted(name));
    if (char16_t c = firstUnencodableKeyChar(name))
        return invalid("表名" + quoted(name) + "含有字符“" + toUtf8(std::u16string(1, c)) +
                       "”：表名只能由英文字母、数字和下划线组成（系统索引只为这些字符写键）");
    if (name.size() >= 4 && sameName(name.substr(0, 4), u"MSys"))
        return invalid("表名" + quoted(name) + "以 MSys 开头：这样的名称留给系统表");
    return okStatus();
}

Status checkColumnName(const std::u16string& table, const std::u16string& name) {
    if (name.empty() || name.size() > 64)
        return invalid("表" + quoted(table) + "的列名长度必须在 1 到 64 个字符之间：" + quoted(name));
    if (name[0] == u' ')
        return invalid("表" + quoted(table) + "的列名" + quoted(name) + "不能以空格开头");
    for (char16_t c : name)
        if (c < 0x20 || c == u'.' || c == u'!' || c == u'`' || c == u'[' || c == u']')
            return invalid("表" + quoted(table) + "的列名" + quoted(name) +
                           "含有不允许的字符（控制字符或 . ! ` [ ]）");
    return okStatus();
}

Result<ColumnDef> userColumn(const TableSpec& t, const ColumnSpec& s, uint16_t sortOrder) {
    JET_TRY(checkColumnName(t.name, s.name));
    ColumnDef c;
    c.name = s.name;
    c.type = s.type;
    c.flags = s.nullable ? kColumnNullable : 0;
    const std::string where = "表" + quoted(t.name) + "的列" + quoted(s.name);
    switch (s.type) {
    case ColumnType::Text:
        if (s.length < 1 || s.length > 255)
            return invalid(where + "：文本列的长度必须在 1 到 255 个字符之间");
        c.size = uint16_t(2 * s.length);
        break;
    case ColumnType::Binary:
        if (s.length < 1 || s.length > 255)
            return invalid(where + "：二进制列的长度必须在 1 到 255 字节之间");
        c.size = s.length;
        break;
    case ColumnType::Numeric:
        if (s.precision < 1 || s.precision > 28 || s.scale > s.precision)
            return invalid(where + "：小数列的精度必须在 1 到 28 之间，小数位数不能大于精度");
        c.precision = s.precision;
        c.scale = s.scale;
        break;
    case ColumnType::Memo:
    case ColumnType::OLE:
    case ColumnType::Boolean:
    case ColumnType::Byte:
    case ColumnType::Integer:
    case ColumnType::Long:
    case ColumnType::Currency:
    case ColumnType::Single:
    case ColumnType::Double:
    case ColumnType::DateTime:
    case ColumnType::GUID:
        break;
    default:
        return invalid(where + "：不支持的列类型 " + std::to_string(int(s.type)));
    }
    if (s.type == ColumnType::Text || s.type == ColumnType::Memo) {
        c.sortOrder = sortOrder;
        if (s.compressedUnicode)
            c.extFlags = kColumnCompressedUnicode;
    }
    return c;
}

// The stored row for `values` in a table defined by `def`.
Result<Bytes> encodeValues(const TableDef& def, const std::vector<Value>& values, const std::string& where) {
    if (values.size() != def.columns.size())
        return invalid(where + "的值有 " + std::to_string(values.size()) + " 个，表有 " +
                       std::to_string(def.columns.size()) + " 列");
    std::vector<FieldBytes> fields(values.size());
    for (size_t i = 0; i < values.size(); ++i) {
        const ColumnDef& c = def.columns[i];
        const Value& v = values[i];
        const std::string col = where + "的列" + quoted(c.name);
        FieldBytes& f = fields[i];
        if (c.type == ColumnType::Boolean) {
            if (isNull(v))
                continue; // Yes/No columns have no NULL: No
            if (!std::holds_alternative<bool>(v))
                return invalid(col + "：是/否列只接受布尔值");
            f.null = false;
            f.flag = std::get<bool>(v);
            continue;
        }
        if (isNull(v)) {
            if (!c.isNullable())
                return invalid(col + "不能为空");
            continue;
        }
        if (c.isLongValue())
            return invalid(col + "：新建数据库时备注和 OLE 列只能为空");
        auto bytes = encodeScalar(c, v);
        if (!bytes)
            return invalid(col + "：" + bytes.error().message);
        f.null = false;
        f.data = std::move(*bytes);
    }
    auto row = encodeRow(def, fields);
    if (!row)
        return invalid(where + "：" + row.error().message);
    return row;
}

Error tooManyPages() {
    return invalid("表或行太多：数据库最多 " + std::to_string(kInlineMapPages) + " 页");
}

// Puts `row` on the table's last data page, or on a new page from `nextPage`.
Result<RowId> placeRow(PlannedTable& t, const Bytes& row, uint32_t& nextPage) {
    if (t.builders.empty() || !t.builders.back().fits(row.size())) {
        if (nextPage >= kInlineMapPages)
            return tooManyPages();
        t.builders.emplace_back(t.def.page);
        t.dataPages.push_back(nextPage++);
    }
    auto slot = t.builders.back().add(ByteView(row.data(), row.size()));
    if (!slot)
        return slot.error();
    return RowId{t.dataPages.back(), *slot};
}

// The values of a catalog row (MSysObjects column order).
std::vector<Value> catalogRow(int32_t id, int32_t parent, const std::u16string& name, int16_t type,
                              double date, const Bytes& owner, uint32_t flags) {
    std::vector<Value> v(17, Null{});
    v[0] = id;
    v[1] = parent;
    v[2] = name;
    v[3] = type;
    v[4] = DateTime{date};
    v[5] = DateTime{date};
    v[6] = owner;
    v[7] = int32_t(flags);
    return v;
}

std::vector<Value> aceRow(int32_t object, const Bytes& account, int32_t mask, bool inheritable) {
    return {object, account, mask, inheritable};
}

// Reads the image back with the engine's reader and compares tables, columns and rows with what
// was asked for; a difference is a fault of this module, reported rather than written.
Status verifyImage(const Bytes& image, const std::vector<PlannedTable>& user,
                   const std::vector<TableSpec>& specs) {
    auto fail = [](const std::string& what) {
        return makeError(ErrorKind::Invalid, "内部错误：新建的数据库读回来与要求不一致（" + what + "）");
    };
    auto db = Database::openMemory(image);
    if (!db)
        return fail(db.error().describe());
    for (size_t i = 0; i < user.size(); ++i) {
        const auto* entry = (*db)->catalog().findTable(specs[i].name);
        if (!entry || entry->tdefPage() != user[i].def.page)
            return fail("找不到表" + quoted(specs[i].name));
        auto table = (*db)->openTable(*entry);
        if (!table)
            return fail(table.error().describe());
        const TableDef& got = (*table)->def();
        if (got.columns.size() != user[i].def.columns.size())
            return fail("表" + quoted(specs[i].name) + "的列数");
        for (size_t k = 0; k < got.columns.size(); ++k) {
            const ColumnDef &a = got.columns[k], &b = user[i].def.columns[k];
            if (a.name != b.name || a.type != b.type || a.size != b.size || a.flags != b.flags ||
                a.extFlags != b.extFlags || a.sortOrder != b.sortOrder)
                return fail("列" + quoted(b.name));
        }
        auto ids = (*table)->rowIds();
        if (!ids || ids->size() != specs[i].rows.size())
            return fail("表" + quoted(specs[i].name) + "的行数");
        for (size_t r = 0; r < ids->size(); ++r) {
            auto row = (*table)->readRow((*ids)[r]);
            if (!row)
                return fail(row.error().describe());
            for (size_t k = 0; k < row->size(); ++k) {
                Value want = specs[i].rows[r][k];
                if (got.columns[k].type == ColumnType::Boolean && isNull(want))
                    want = false;
                if (!sameValue((*row)[k], want))
                    return fail("表" + quoted(specs[i].name) + "第 " + std::to_string(r + 1) + " 行");
            }
        }
    }
    return okStatus();
}

// ---- the header page ------------------------------------------------------------------------

PageImage headerPage(const CreateOptions& options) {
    PageImage p{};
    p[1] = 0x01;
    std::memcpy(p.data() + 4, "Standard Jet DB", 16);
    put32(p.data() + 0x14, kVersionJet4);
    // The masked region, written in clear and masked at the end.
    uint8_t* m = p.data() + kHeaderMaskOffset;
    auto at = [&](size_t pageOffset) { return m + (pageOffset - kHeaderMaskOffset); };
    // Jet writes 00 01 00 00, 01 01 00 00, then the numbers 2 to 5, at the start of the region.
    const uint8_t lead[24] = {0, 1, 0, 0, 1, 1, 0, 0, 2, 0, 0, 0, 3, 0, 0, 0, 4, 0, 0, 0, 5, 0, 0, 0};
    std::memcpy(m, lead, sizeof lead);
    put16(at(0x3C), options.codePage);
    put32(at(0x3E), 0); // pages in clear
    // No password: the password field holds only its mask.
    const double created = creationHeaderDate();
    const auto mask = passwordMask(created);
    for (size_t i = 0; i < 40; ++i)
        at(0x42)[i] = mask[i % 4];
    put16(at(0x6A), kHeaderEngineBuild);
    put16(at(0x6E), options.sortOrder);
    *at(0x71) = 0; // sort order version
    put64(at(0x72), kHeaderDateBits);
    toggleHeaderMask(m);
    put32(p.data() + 0x98, kHeaderEngineStamp);
    std::memcpy(p.data() + 0x9C, "4.0", 4);
    // A table of counters at the end of the page, as a new file has them.
    p[kHeaderCounterArea] = 0x01;
    p[kHeaderCounterArea + 1] = 0x01;
    for (size_t i = kHeaderCounterArea + 2; i < kPageSize; i += 2)
        p[i + 1] = 0x01;
    return p;
}

} // namespace

double creationHeaderDate() {
    double d;
    std::memcpy(&d, &kHeaderDateBits, sizeof d);
    return d;
}

double accessDateNow() {
    const std::time_t now = std::time(nullptr);
    const std::tm tm = platform::localTime(now);
    const int64_t day = dayNumber(tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday);
    const int secs = tm.tm_hour * 3600 + tm.tm_min * 60 + tm.tm_sec;
    return double(day) + secs / 86400.0;
}

Result<Bytes> createDatabase(const CreateOptions& options, const std::vector<TableSpec>& tables) {
    if (!textKeySortOrderSupported(options.sortOrder))
        return makeError(ErrorKind::Unsupported,
                         "不支持排序规则 " + std::to_string(options.sortOrder) + "（可用 2052 或 1033）");
    if (options.minimumPages > kInlineMapPages)
        return invalid("数据库最多 " + std::to_string(kInlineMapPages) + " 页");

    // User tables: names, columns, definitions.
    uint32_t nextPage = kFirstFreePage;
    std::vector<PlannedTable> user(tables.size());
    for (size_t i = 0; i < tables.size(); ++i) {
        const TableSpec& spec = tables[i];
        JET_TRY(checkTableName(spec.name));
        for (const auto& sys : systemTables())
            if (sameName(spec.name, sys.name))
                return invalid("表名" + quoted(spec.name) + "与系统表重名");
        for (size_t j = 0; j < i; ++j)
            if (sameName(spec.name, tables[j].name))
                return invalid("表名" + quoted(spec.name) + "重复");
        if (spec.columns.empty() || spec.columns.size() > 255)
            return invalid("表" + quoted(spec.name) + "的列数必须在 1 到 255 之间");
        PlannedTable& t = user[i];
        t.def.name = spec.name;
        t.def.tableType = kUserTableType;
        for (const auto& cs : spec.columns) {
            for (const auto& c : t.def.columns)
                if (sameName(c.name, cs.name))
                    return invalid("表" + quoted(spec.name) + "的列名" + quoted(cs.name) + "重复");
            auto c = userColumn(spec, cs, options.sortOrder);
            if (!c)
                return c.error();
            t.def.columns.push_back(std::move(*c));
        }
        assignColumnLayout(t.def.columns);
        if (nextPage + 2 > kInlineMapPages)
            return tooManyPages();
        t.def.page = nextPage++;
        t.mapPage = nextPage++;
        MapSlots slots{t.mapPage};
        t.def.ownedPagesMap = slots.take();
        t.def.freeSpaceMap = slots.take();
        for (auto& c : t.def.columns) {
            if (c.isLongValue()) {
                c.longValueOwnedMap = slots.take();
                c.longValueFreeMap = slots.take();
            }
            if (c.isVariable())
                t.def.hasVariableColumns = true;
        }
        t.def.columnCount = t.def.maxColumns = uint16_t(t.def.columns.size());
        t.def.rowCount = uint32_t(spec.rows.size());
    }
    // Their rows.
    for (size_t i = 0; i < tables.size(); ++i) {
        for (size_t r = 0; r < tables[i].rows.size(); ++r) {
            auto row = encodeValues(user[i].def, tables[i].rows[r],
                                    "表" + quoted(tables[i].name) + "第 " + std::to_string(r + 1) + " 行");
            if (!row)
                return row.error();
            auto at = placeRow(user[i], *row, nextPage);
            if (!at)
                return at.error();
            user[i].rowIds.push_back(*at);
        }
    }

    // System tables, their map records all on one page.
    MapSlots systemSlots{kSystemMapPage};
    std::vector<PlannedTable> sys;
    for (const auto& st : systemTables()) {
        PlannedTable t;
        t.def = systemTableDef(st, options.sortOrder, systemSlots);
        t.layout = systemLayout(t.def, options.sortOrder);
        t.mapPage = kSystemMapPage;
        sys.push_back(std::move(t));
    }
    PlannedTable& catalog = sys[0];
    PlannedTable& aces = sys[1];

    // Catalog rows: the containers, the database, the system tables, then the user tables.
    struct CatalogRow {
        int32_t id, parent;
        std::u16string name;
    };
    std::vector<CatalogRow> catalogRows;
    std::vector<std::vector<Value>> catalogValues;
    // The system's own objects date from the database's creation, like the header (the account
    // ids' mask may be derived from either); the user tables from the caller's date.
    auto addObject = [&](int32_t id, int32_t parent, const std::u16string& name, int16_t type,
                         const Bytes& owner, uint32_t flags) {
        const double date = flags & kSystemFlags ? creationHeaderDate() : options.objectDate;
        catalogRows.push_back({id, parent, name});
        catalogValues.push_back(catalogRow(id, parent, name, type, date, owner, flags));
    };
    addObject(kTablesId, kRootId, u"Tables", kObjectContainer, kEngineId, kSystemFlags);
    addObject(kDatabasesId, kRootId, u"Databases", kObjectContainer, kEngineId, kSystemFlags);
    addObject(kRelationshipsId, kRootId, u"Relationships", kObjectContainer, kEngineId, kSystemFlags);
    addObject(kMSysDbId, kDatabasesId, u"MSysDb", kObjectDatabase, kAdminId, kSystemFlags);
    for (const auto& st : systemTables())
        addObject(int32_t(st.tdefPage), kTablesId, st.name, kObjectTable, kEngineId, kSystemFlags);
    for (const auto& t : user)
        addObject(int32_t(t.def.page), kTablesId, t.def.name, kObjectTable, kAdminId, 0);

    // Permission rows, as Jet writes them for a new database, then two per user table.
    std::vector<std::vector<Value>> aceValues = {
        aceRow(2, kAdminId, kAclReadDesign, false),
        aceRow(3, kAdminId, kAclReadDesign, false),
        aceRow(4, kAdminId, kAclReadDesign, false),
        aceRow(5, kAdminId, kAclReadWriteDesign, false),
        aceRow(kTablesId, kCreatorId, kAclContainerCreator, true),
        aceRow(kTablesId, kAdminId, kAclContainerAdmin, false),
        aceRow(kRelationshipsId, kCreatorId, kAclContainerCreator, true),
        aceRow(kRelationshipsId, kAdminId, kAclContainerAdmin, false),
        aceRow(kDatabasesId, kAdminId, kAclReadDesign, false),
        aceRow(kMSysDbId, kAdminId, kAclDatabaseAdmin, false),
        aceRow(kMSysDbId, kUsersId, kAclDatabaseUsers, false),
        aceRow(4, kUsersId, kAclTableUsersRead, false),
        aceRow(5, kUsersId, kAclTableUsersRead, false),
        aceRow(2, kUsersId, kAclTableUsersRead, false),
        aceRow(kTablesId, kUsersId, kAclTablesUsers, true),
        aceRow(kRelationshipsId, kUsersId, kAclRelationshipsUsers, true),
    };
    for (const auto& t : user) {
        aceValues.push_back(aceRow(int32_t(t.def.page), kAdminId, kAclNewTableOwner, false));
        aceValues.push_back(aceRow(int32_t(t.def.page), kUsersId, kAclNewTableUsers, false));
    }

    // Rows of the two filled system tables: on their fixed page first, then on pages after the
    // user tables' pages.
    catalog.builders.emplace_back(catalog.def.page);
    catalog.dataPages.push_back(kCatalogRowsPage);
    aces.builders.emplace_back(aces.def.page);
    aces.dataPages.push_back(kAceRowsPage);
    for (size_t r = 0; r < catalogValues.size(); ++r) {
        auto row = encodeValues(catalog.def, catalogValues[r], "系统目录第 " + std::to_string(r + 1) + " 行");
        if (!row)
            return row.error();
        auto at = placeRow(catalog, *row, nextPage);
        if (!at)
            return at.error();
        catalog.rowIds.push_back(*at);
    }
    for (size_t r = 0; r < aceValues.size(); ++r) {
        auto row = encodeValues(aces.def, aceValues[r], "权限表第 " + std::to_string(r + 1) + " 行");
        if (!row)
            return row.error();
        auto at = placeRow(aces, *row, nextPage);
        if (!at)
            return at.error();
        aces.rowIds.push_back(*at);
    }
    catalog.def.rowCount = uint32_t(catalogValues.size());
    aces.def.rowCount = uint32_t(aceValues.size());

    const uint32_t usedPages = nextPage;
    const uint32_t pageCount = std::max(usedPages, options.minimumPages);
    if (pageCount > kInlineMapPages)
        return tooManyPages();
    std::vector<PageImage> pages(pageCount, PageImage{});

    // Index pages of the system tables, one leaf each.
    std::vector<IndexEntry> byParentName, byId, aceByObject;
    for (size_t r = 0; r < catalogRows.size(); ++r) {
        auto name = indexKeyText(catalogRows[r].name, options.sortOrder);
        if (!name)
            return invalid("名称" + quoted(catalogRows[r].name) + "：" + name.error().message);
        Bytes key = indexKeyLong(catalogRows[r].parent);
        key.insert(key.end(), name->begin(), name->end());
        byParentName.push_back({std::move(key), catalog.rowIds[r]});
        byId.push_back({indexKeyLong(catalogRows[r].id), catalog.rowIds[r]});
    }
    std::vector<int32_t> aceObjects;
    for (size_t r = 0; r < aceValues.size(); ++r) {
        const int32_t object = std::get<int32_t>(aceValues[r][0]);
        aceByObject.push_back({indexKeyLong(object), aces.rowIds[r]});
        if (std::find(aceObjects.begin(), aceObjects.end(), object) == aceObjects.end())
            aceObjects.push_back(object);
    }
    const std::vector<std::pair<uint32_t, std::vector<IndexEntry>*>> filled = {
        {catalog.def.realIndexes[0].firstPage, &byParentName},
        {catalog.def.realIndexes[1].firstPage, &byId},
        {aces.def.realIndexes[0].firstPage, &aceByObject}};
    catalog.def.realIndexes[0].rowCount = uint32_t(byParentName.size());
    catalog.def.realIndexes[1].rowCount = uint32_t(byId.size());
    aces.def.realIndexes[0].rowCount = uint32_t(aceObjects.size());
    for (const auto& t : sys) {
        for (const auto& ix : t.def.realIndexes) {
            std::vector<IndexEntry> entries;
            for (const auto& f : filled)
                if (f.first == ix.firstPage)
                    entries = *f.second;
            auto page = buildIndexLeafPage(t.def.page, std::move(entries));
            if (!page)
                return invalid("表太多：系统表" + quoted(t.def.name) + "的索引放不进一个索引页");
            pages[ix.firstPage] = *page;
        }
    }

    // Definitions, rows and usage-map records of every table.
    DataPageBuilder systemMaps(0);
    for (auto* group : {&sys, &user}) {
        for (auto& t : *group) {
            auto tdef = encodeTableDef(t.def, t.layout);
            if (!tdef)
                return invalid("表" + quoted(t.def.name) + "：" + tdef.error().message);
            pages[t.def.page] = *tdef;
            for (size_t k = 0; k < t.builders.size(); ++k)
                pages[t.dataPages[k]] = t.builders[k].page();

            // Records in slot order: owned pages, pages with free space (every data page of a new
            // file has room), the long-value columns' maps (no LVAL pages yet), the indexes' maps.
            std::vector<std::pair<RowId, std::vector<uint32_t>>> records = {
                {t.def.ownedPagesMap, t.dataPages}, {t.def.freeSpaceMap, t.dataPages}};
            for (const auto& c : t.def.columns)
                if (c.isLongValue()) {
                    records.push_back({c.longValueOwnedMap, {}});
                    records.push_back({c.longValueFreeMap, {}});
                }
            for (const auto& ix : t.def.realIndexes)
                records.push_back({ix.usageMap, {ix.firstPage}});
            DataPageBuilder own(0);
            DataPageBuilder& maps = group == &sys ? systemMaps : own;
            for (const auto& [where, list] : records) {
                auto record = encodeInlineUsageMap(0, list);
                if (!record)
                    return record.error();
                auto slot = maps.add(ByteView(record->data(), record->size()));
                if (!slot || *slot != where.row || where.page != t.mapPage)
                    return invalid("内部错误：使用图记录的位置不符");
            }
            if (group == &user)
                pages[t.mapPage] = own.page();
        }
    }
    pages[kSystemMapPage] = systemMaps.page();

    // The global map: pages that are not used are free, including those past the end.
    std::vector<uint32_t> freePages;
    for (uint32_t p = usedPages; p < kInlineMapPages; ++p)
        freePages.push_back(p);
    DataPageBuilder global(kGlobalMapPage);
    for (const auto& list : {freePages, std::vector<uint32_t>{}}) {
        auto record = encodeInlineUsageMap(0, list);
        if (!record)
            return record.error();
        if (!global.add(ByteView(record->data(), record->size())))
            return invalid("内部错误：全局使用图");
    }
    pages[kGlobalMapPage] = global.page();
    pages[0] = headerPage(options);

    Bytes image;
    image.reserve(size_t(pageCount) * kPageSize);
    for (const auto& p : pages)
        image.insert(image.end(), p.begin(), p.end());
    JET_TRY(verifyImage(image, user, tables));
    return image;
}

// ---- writing the file -------------------------------------------------------------------------

Status writeNewFile(const std::string& path, const Bytes& bytes) {
    return placeFileBytes(path, PlaceMode::CreateNew, ByteView(bytes.data(), bytes.size()));
}

} // namespace jet
