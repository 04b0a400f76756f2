// ledrimo-db: looks inside a Jet 4 database from the command line, and changes its rows.
//
//   ledrimo-db tables FILE [--system]
//   ledrimo-db schema FILE [TABLE] [--system]
//   ledrimo-db dump FILE TABLE [--format csv|json]
//   ledrimo-db check FILE
//   ledrimo-db insert FILE TABLE JSON
//   ledrimo-db update FILE TABLE ROW JSON
//   ledrimo-db delete FILE TABLE ROW
//   ledrimo-db sql FILE STATEMENT [--format csv|json]
//   (each also takes --password P and --help)
//   ledrimo-db create FILE      a new database with Ledrimo's tables, `admin` empty
//   ledrimo-db new FILE         the database image the program carries, written out
//   (neither replaces an existing file)
//   ledrimo-db report FILE [--month YYYY-MM | --from DATE --to DATE | --all] [--by ...]
//                               hours by day, totals, overtime, missing working days
//   ledrimo-db export FILE OUT [--format xlsx|csv|json] [range]   the entries of a range
//   ledrimo-db where [PROGRAM]  the database file the program uses (store/database_location.h)
//   ledrimo-db backup FILE [DIR] / backups FILE / restore FILE BACKUP / compact FILE
//   ledrimo-db passwd FILE [NAME] [--password-stdin]
//
// Every verb is a free function that receives the parsed arguments and an output sink (cli.h);
// the verbs live in one file per group (verbs.h), each with its usage and help text. Output conventions
// (documented in --help and kept stable for scripts):
//   - CSV is RFC 4180 with a header row, UTF-8, CRLF line ends; text and memo values are always
//     quoted, as is any other empty value, so an empty text is "" and only NULL is an empty
//     unquoted field.
//   - JSON is an array of objects keyed by column name, one row per line; NULL is null.
//   - Dates "YYYY-MM-DD HH:MM:SS" (the Access rule for negative day numbers; outside the years
//     100..9999 the stored day number); booleans true/false; binary and OLE upper-case hex;
//     GUIDs {XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX} in upper case; doubles and singles in the
//     shortest form that reads back to the same number; currency with 4 decimals and decimals
//     exactly, as JSON strings so that no reader rounds them.
// Errors go to stderr and the exit code is 1 (also when standard output cannot be written).
#include "jet/journal.h"
#include "platform/console.h"
#include "tools/ledrimo-db/verbs.h"

#include <string>
#include <vector>

using namespace dbtool;

namespace {

std::vector<const Verb*> allVerbs() {
    std::vector<const Verb*> all;
    for (const auto* group : {&inspectVerbs(), &editVerbs(), &createVerbs(), &whereVerbs(), &reportVerbs(),
                              &safetyVerbs(), &accountVerbs()})
        for (const Verb& v : *group)
            all.push_back(&v);
    return all;
}

void printOverview(int fd) {
    std::string text = "ledrimo-db：查看、修改和新建 Jet 4（Access 2000–2003）数据库文件\n\n用法：\n";
    for (const Verb* v : allVerbs())
        text += "  " + std::string(v->usage) + "\n";
    text += "\n每个命令都接受 --help。出错时在标准错误输出说明，退出码为 1，文件不会被改动。\n";
    platform::writeText(fd, text);
}

int run(int argc, char** argv) {
    if (argc < 2) {
        printOverview(2);
        return 1;
    }
    const std::string verbName = argv[1];
    if (verbName == "--help" || verbName == "-h" || verbName == "help") {
        printOverview(1);
        return 0;
    }
    const Verb* verb = nullptr;
    for (const Verb* v : allVerbs())
        if (verbName == v->name)
            verb = v;
    if (!verb) {
        platform::writeText(2, "ledrimo-db：未知命令：" + verbName + "\n\n");
        printOverview(2);
        return 1;
    }
    Args args;
    if (auto e = parseArgs(argc - 2, argv + 2, verb->options, args)) {
        platform::writeText(2, "ledrimo-db " + std::string(verb->name) + "：" + *e + "\n用法：" + verb->usage + "\n");
        return 1;
    }
    if (args.help) {
        platform::writeText(1, "用法：" + std::string(verb->usage) + "\n\n" + verb->help);
        return 0;
    }
    if (args.positional.size() < verb->minArgs || args.positional.size() > verb->maxArgs) {
        platform::writeText(2, "ledrimo-db " + std::string(verb->name) + "：参数个数不对\n用法：" + verb->usage + "\n");
        return 1;
    }
    Output out;
    const int code = verb->run(args, out);
    // A full disk or a closed file behind standard output: the output is incomplete, which must
    // not pass for success.
    if (!out.flush())
        return fail("写出结果失败：" + jet::journal::osErrorText(out.errorNumber()));
    return code;
}

} // namespace

#ifdef _WIN32
// Windows hands the arguments over as UTF-16 here, so Chinese names and paths arrive intact
// whatever the console's code page; inside they are UTF-8, as everywhere.
int wmain(int argc, wchar_t** wargv) {
    platform::prepareStandardStreams();
    std::vector<std::string> args = platform::utf8Arguments(argc, wargv);
    std::vector<char*> argv;
    for (std::string& a : args)
        argv.push_back(a.data());
    argv.push_back(nullptr);
    return run(argc, argv.data());
}
#else
int main(int argc, char** argv) {
    return run(argc, argv);
}
#endif
