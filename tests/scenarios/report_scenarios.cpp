// The report window 统计报表 opened from the main window over entries of October 2026 (holidays
// 1–7 October, 10 October a make-up working Saturday), with "today" fixed after it: the chart's
// bars, the totals, the missing working days and the employers, and stepping through months.
#include "tests/scenarios/scenario.h"

#include "report/calendar.h"
#include "ui/report/report_window.h"

namespace scenario {
namespace {

const char* const kReport = "统计报表";

using Texts = std::vector<std::string>;

class ReportWindow : public Scenario {
protected:
    void SetUp() override {
        Scenario::SetUp();
        ui::setReportTodayForTests(*report::makeDay(2026, 11, 16));
        loadMain();
    }
    void TearDown() override {
        Scenario::TearDown();
        ui::setReportTodayForTests(std::nullopt);
    }

    rt::Form& report() { return rt::form(kReport); }
    rt::Text shown(const char* label) { return report().control(label).caption(); }

    // 加入新记录 in the main window, the date picked, hours and notes typed, 添加 confirmed.
    void addInMain(int dayOfMonth, const char* hours, const char* notes, const char* company = nullptr) {
        ASSERT_TRUE(main().menuItem("加入新记录").choose());
        if (company)
            type(main(), "公司名称编辑框", company);
        ASSERT_TRUE(user::pickDate(main().dateBox("年编辑框"), rt::makeDate(2026, 10, dayOfMonth)));
        type(main(), "上班时间编辑框", hours);
        type(main(), "工作备注编辑框", notes);
        click(main(), "添加按钮");
        ASSERT_EQ(main().control("提示信息").caption(), rt::Text("添加成功！"));
    }
    // Connected, four entries in October 2026 (the first written as another program would), the
    // report window open on October.
    void octoberOpen() {
        store::EntryValues v;
        v.name = "张三";
        v.company = "甲公司";
        v.address = "深圳市南山区";
        v.joined = rt::makeDate(2024, 3, 1);
        v.workDay = rt::makeDate(2026, 10, 14);
        v.hours = "8";
        v.notes = "整理需求文档";
        v.savedAt = rt::makeDate(2026, 10, 14, 18, 0, 0);
        v.id = "GZ-00001";
        ASSERT_TRUE(run(store::insertStatement(v)));
        connect();
        addInMain(9, "10", "调试接口");               // Friday, a working day: 2 hours overtime
        addInMain(10, "8", "国庆调休上班");           // Saturday, 班
        addInMain(3, "6", "值班");                    // Saturday in the National Day holiday
        addInMain(12, "9", "客户现场支持", "乙公司"); // Monday, another employer
        boxes_->clear();
        ASSERT_TRUE(user::pressKey(main(), "Ctrl+T")); // 统计报表
        ASSERT_TRUE(rt::isLoaded(kReport));
        EXPECT_EQ(rt::left(shown("标题标签"), 10), rt::Text("2026年11月"));
        click(report(), "上一月");
        EXPECT_EQ(rt::left(shown("标题标签"), 10), rt::Text("2026年10月"));
    }
    Texts column(const char* list, int c) {
        Texts out;
        rt::ListView& l = report().listView(list);
        for (int r = 0; r < l.count(); ++r)
            out.push_back(l.itemText(r, c).toUtf8());
        return out;
    }
};

// The month as shown: kinds of day in the chart, hours, marks, tooltips, totals, the missing
// working days and the employers; then other months, picked in the month box and stepped with
// the month buttons.
TEST_F(ReportWindow, TheMonthWithItsTotals) {
    octoberOpen();
    rt::Chart& chart = report().chart("图表1");
    EXPECT_EQ(chart.barCount(), 31);
    EXPECT_EQ(chart.referenceValue(), 8.0);
    struct Expect {
        int dayOfMonth;
        int series; // 0 工作日, 1 休息日, 2 节假日
        double hours;
        bool marked;
    };
    for (const Expect& e : {Expect{1, 2, 0, false},
                            {3, 2, 6, false},
                            {7, 2, 0, false},
                            {8, 0, 0, true},
                            {9, 0, 10, false},
                            {10, 0, 8, false},
                            {11, 1, 0, false},
                            {12, 0, 9, false},
                            {13, 0, 0, true},
                            {14, 0, 8, false},
                            {31, 1, 0, false}}) {
        const rt::Chart::Bar b = chart.bar(e.dayOfMonth - 1);
        EXPECT_EQ(b.label, rt::toText(e.dayOfMonth));
        EXPECT_EQ(b.series, e.series) << e.dayOfMonth;
        EXPECT_EQ(b.value, e.hours) << e.dayOfMonth;
        EXPECT_EQ(b.marked, e.marked) << e.dayOfMonth;
    }
    EXPECT_EQ(chart.bar(8).tooltip, rt::Text("2026年10月9日 星期五\n工作日\n10 小时（加班 2 小时）\n记录：GZ-00002"));
    EXPECT_EQ(chart.bar(9).tooltip,
              rt::Text("2026年10月10日 星期六\n工作日（国庆节调休）\n8 小时\n记录：GZ-00003"));
    EXPECT_EQ(chart.bar(2).tooltip,
              rt::Text("2026年10月3日 星期六\n节假日（国庆节）\n6 小时（加班 6 小时）\n记录：GZ-00004"));
    EXPECT_EQ(chart.bar(7).tooltip, rt::Text("2026年10月8日 星期四\n工作日\n缺记录"));
    const rt::Rect bar = chart.barRect(8);
    EXPECT_EQ(chart.barAt({bar.left + bar.width / 2, bar.top + bar.height / 2}), 8);

    // 18 working days (8, 9, the 班 Saturday and three full weeks), 4 of them with entries.
    EXPECT_EQ(shown("合计工时"), rt::Text("41 小时"));
    EXPECT_EQ(shown("出勤天数"), rt::Text("5 / 18"));
    EXPECT_EQ(shown("工作日加班"), rt::Text("3 小时"));
    EXPECT_EQ(shown("缺记录天数"), rt::Text("14 天"));
    EXPECT_EQ(shown("休息日加班"), rt::Text("0 小时"));
    EXPECT_EQ(shown("节假日加班"), rt::Text("6 小时"));
    const Texts missing = column("缺记录列表", 0);
    ASSERT_EQ(missing.size(), size_t(14));
    EXPECT_EQ(Texts(missing.begin(), missing.begin() + 3),
              (Texts{"10月8日 星期四", "10月13日 星期二", "10月15日 星期四"}));
    EXPECT_EQ(missing.back(), "10月30日 星期五");
    EXPECT_TRUE(report().listView("公司表").visible());
    EXPECT_EQ(column("公司表", 0), (Texts{"甲公司", "乙公司"}));
    EXPECT_EQ(column("公司表", 1), (Texts{"32", "9"}));
    EXPECT_EQ(column("公司表", 2), (Texts{"4", "1"}));
    EXPECT_EQ(shown("标题标签"), rt::Text("2026年10月　张三　甲公司、乙公司")); // every employer
    EXPECT_EQ(shown("提示标签"), rt::Text());

    // September has 30 days and no entry.
    ASSERT_TRUE(user::pickDate(report().dateBox("年月框"), rt::makeDate(2026, 9, 1)));
    EXPECT_EQ(shown("标题标签"), rt::Text("2026年9月"));
    EXPECT_EQ(chart.barCount(), 30);
    EXPECT_FALSE(report().listView("公司表").visible());
    click(report(), "下一月");
    click(report(), "下一月");
    EXPECT_EQ(rt::left(shown("标题标签"), 10), rt::Text("2026年11月"));
    click(report(), "本月");
    EXPECT_EQ(rt::left(shown("标题标签"), 10), rt::Text("2026年11月"));
    // A year the calendar does not carry is counted Monday to Friday, and the window says so.
    ASSERT_TRUE(user::pickDate(report().dateBox("年月框"), rt::makeDate(2031, 1, 1)));
    EXPECT_EQ(shown("提示标签"), rt::Text("2031 年的节假日安排未收录，按周一至周五计算"));
    EXPECT_EQ(shown("缺记录天数"), rt::Text("0 天")); // after today: none missing
    // The last month there is: 下一月 leaves it shown.
    ASSERT_TRUE(user::pickDate(report().dateBox("年月框"), rt::makeDate(9999, 12, 1)));
    click(report(), "下一月");
    EXPECT_EQ(rt::left(shown("标题标签"), 10), rt::Text("9999年12月"));
    EXPECT_TRUE(boxes_->calls().empty());
}

// 打印/PDF: where the system prints (Windows), its print dialog; on a system with no printer
// installed (the Wine stage) a box says so, owned by the report window, which stays as it was.
// Elsewhere the month sheet is saved as a PDF where the user says, and a box tells where.
TEST_F(ReportWindow, PrintingWithoutAPrinterOrAsPdf) {
    octoberOpen();
    rt::ScriptedFileDialogs dialogs;
    const std::string pdf = dir_->utf8("月报.pdf");
    dialogs.answer(rt::Text::fromUtf8(pdf));
    click(report(), "打印");
    const rt::Text caption("打印/PDF");
    if (rt::printsPages()) {
        expectOneBox("打印失败：系统中没有安装打印机。", caption, rt::MbIconError, &report());
        EXPECT_TRUE(dialogs.calls().empty());
        EXPECT_FALSE(std::filesystem::exists(std::filesystem::u8path(pdf)));
    } else {
        ASSERT_EQ(dialogs.calls().size(), size_t(1));
        EXPECT_EQ(dialogs.calls()[0].caption, caption);
        expectOneBox("工作时间月报表已保存到\r\n" + rt::Text::fromUtf8(pdf) + "\r\n打开它即可打印。", caption,
                     rt::MbIconInformation, &report());
        EXPECT_GT(std::filesystem::file_size(std::filesystem::u8path(pdf)), 1000u);
    }
    ASSERT_TRUE(rt::isLoaded(kReport));
    EXPECT_EQ(rt::left(shown("标题标签"), 10), rt::Text("2026年10月"));
    // The window goes on answering.
    click(report(), "下一月");
    EXPECT_EQ(rt::left(shown("标题标签"), 10), rt::Text("2026年11月"));
}

} // namespace
} // namespace scenario
