// Verbs of the safety net: backup, backups, restore, compact (the work is in store/backup.h and
// store/compact.h, shared with the program).
#include "jet/codec.h"
#include "report/calendar.h"
#include "store/backup.h"
#include "platform/console.h"
#include "store/compact.h"
#include "tools/ledrimo-db/verbs.h"

namespace dbtool {

namespace {

constexpr OptionSpec kDateOption{"--date", true};

store::BackupOptions backupOptions(const Args& args, std::string folder = {}) {
    store::BackupOptions o;
    o.folder = std::move(folder);
    if (auto password = args.option(kPasswordOption.name))
        o.password = jet::fromUtf8(*password);
    return o;
}

// "1,234,567".
std::string grouped(uint64_t n) {
    std::string digits = std::to_string(n), out;
    for (size_t i = 0; i < digits.size(); ++i) {
        if (i > 0 && (digits.size() - i) % 3 == 0)
            out += ',';
        out += digits[i];
    }
    return out;
}

std::string padded(std::string s, size_t width) {
    const size_t w = displayWidth(s);
    return w < width ? s + std::string(width - w, ' ') : s;
}

// A day option: exactly "YYYY-MM-DD" of a date that exists; nullopt after the error otherwise.
std::optional<store::Day> dayOption(const std::string& name, const std::string& text) {
    const auto day = report::parseIsoDate(text);
    if (!day) {
        failDateOption(name, text);
        return std::nullopt;
    }
    const report::YearMonthDay d = report::splitDay(*day);
    return store::Day{d.year, d.month, d.day};
}

int runBackup(const Args& args, Output& out) {
    const std::string& file = args.positional[0];
    store::Day today = store::localNow().day;
    if (auto date = args.option(kDateOption.name)) {
        auto d = dayOption(kDateOption.name, *date);
        if (!d)
            return 1;
        today = *d;
    }
    auto done =
        store::backupDatabase(file, today, store::BackupMode::Replace,
                              backupOptions(args, args.positional.size() > 1 ? args.positional[1] : ""));
    if (!done)
        return fail(done.error());
    out.put("已备份：" + done->path + "（" + grouped(done->bytes) + " 字节，已通过一致性检查）\n");
    for (const std::string& p : done->pruned)
        out.put("已删除较旧的备份：" + p + "\n");
    out.flush();
    for (const std::string& p : done->pruneErrors)
        platform::writeText(2, "ledrimo-db：警告：无法删除较旧的备份 " + p + "\n");
    return 0;
}

int runBackups(const Args& args, Output& out) {
    const std::string& file = args.positional[0];
    const store::BackupOptions options = backupOptions(args);
    const auto list = store::listBackups(file, options);
    const std::string folder = store::backupFolder(file, options);
    if (list.empty()) {
        out.put("备份文件夹 " + folder + " 中没有 " + store::backupStem(file) + " 的备份\n");
        return 0;
    }
    out.put("备份文件夹：" + folder + "（新的在前）\n");
    size_t nameWidth = 4;
    for (const auto& e : list)
        nameWidth = std::max(nameWidth, displayWidth(e.name));
    out.put(padded("名称", nameWidth) + "  " + padded("大小（字节）", 14) + "  " + padded("条目", 8) +
            "  检查\n");
    for (const auto& e : list) {
        std::string line = padded(e.name, nameWidth) + "  ";
        const std::string size = grouped(e.bytes);
        line += std::string(size.size() < 14 ? 14 - size.size() : 0, ' ') + size + "  ";
        const std::string entries = e.entries >= 0 ? std::to_string(e.entries) : "-";
        line += std::string(entries.size() < 8 ? 8 - entries.size() : 0, ' ') + entries + "  ";
        std::string problem = e.problem;
        for (char& c : problem)
            if (c == '\n')
                c = ' ';
        line += e.ok ? "正常" : problem;
        out.put(line + "\n");
    }
    return 0;
}

int runRestore(const Args& args, Output& out) {
    const std::string& file = args.positional[0];
    const std::string& backup = args.positional[1];
    auto done = store::restoreBackup(file, backup, store::localNow(), backupOptions(args));
    if (!done)
        return fail(done.error());
    out.put("已用备份 " + backup + " 恢复 " + file + "\n");
    if (!done->keptAs.empty())
        out.put("原来的数据库已另存为：" + done->keptAs + "\n");
    return 0;
}

int runCompact(const Args& args, Output& out) {
    const std::string& file = args.positional[0];
    auto done = store::compactDatabase(file, store::localNow(), backupOptions(args));
    if (!done)
        return fail(done.error());
    out.put("已压缩 " + file + "：" + std::to_string(done->tables) + " 个表，" + std::to_string(done->rows) +
            " 行，逐行读回核对无误\n");
    out.put("压缩前：" + grouped(done->bytesBefore) + " 字节\n");
    out.put("压缩后：" + grouped(done->bytesAfter) + " 字节\n");
    out.put("原来的文件已另存为：" + done->keptAs + "\n");
    return 0;
}

} // namespace

const std::vector<Verb>& safetyVerbs() {
    static const std::vector<Verb> verbs = {
        {"backup",
         "ledrimo-db backup FILE [DIR] [--date YYYY-MM-DD] [--password P]",
         "把数据库备份为 DIR（默认：FILE 旁边的 backup 文件夹）中的 <名称>-YYYY-MM-DD.mdb，\n"
         "当天已有的备份会被新的替换。在数据库的写入锁下读取（不会读到写了一半的修改），\n"
         "先写到临时文件、写入磁盘并通过一致性检查后才改为正式的名字。之后按保留规则删除\n"
         "较旧的每日备份：保留最新的 14 份，以及最近 12 个月中每月最新的一份。\n"
         "  --date D        备份的日期（默认今天）\n"
         "  --password P    数据库密码（数据库设有密码时需要）\n",
         {kDateOption, kPasswordOption},
         1,
         2,
         runBackup},
        {"backups",
         "ledrimo-db backups FILE [--password P]",
         "列出 FILE 旁边 backup 文件夹中的备份，新的在前：名称、大小、data 表的条目数，\n"
         "以及一致性检查的结果。\n",
         {kPasswordOption},
         1,
         1,
         runBackups},
        {"restore",
         "ledrimo-db restore FILE BACKUP [--password P]",
         "用备份 BACKUP 替换数据库 FILE。BACKUP 必须通过一致性检查；现在的 FILE 先另存为\n"
         "备份文件夹中的 <名称>-before-restore-YYYYMMDD-HHMMSS.mdb，再以原子方式替换。\n"
         "Ledrimo 或其他程序正在写入 FILE 时拒绝恢复。\n",
         {kPasswordOption},
         2,
         2,
         runRestore},
        {"compact",
         "ledrimo-db compact FILE [--password P]",
         "压缩数据库：重建一个只含原有表、列、类型和现存行（按表中顺序）的新文件，逐行读回\n"
         "核对并通过一致性检查后，把原文件另存为备份文件夹中的\n"
         "<名称>-before-compact-YYYYMMDD-HHMMSS.mdb，再以原子方式替换 FILE，并显示前后大小。\n"
         "含有索引、表间关系、查询、链接表或 Access 窗体等引擎不能重建的内容的文件会被拒绝，\n"
         "文件不会改动；设有数据库密码的文件也是如此（新文件不能带上密码）。\n"
         "  --password P    数据库密码（数据库设有密码时需要）\n",
         {kPasswordOption},
         1,
         1,
         runCompact},
    };
    return verbs;
}

} // namespace dbtool
