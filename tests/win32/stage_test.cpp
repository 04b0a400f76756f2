// The stage Windows programs with windows are tested on (cmake/wine-gui.sh): Chinese text in the
// forms' font families and in Windows' own dialog fonts draws with real glyphs, and Wine's message
// boxes read as on a Chinese Windows.
//
// Started with --show SECONDS it shows a window with a Chinese caption and texts in those fonts,
// then a message box, and ends by itself: what scripts/wine-screenshot.sh photographs.
#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <atomic>
#include <cwchar>
#include <string>
#include <thread>
#include <vector>

namespace {

const wchar_t kSample[] = L"工作时间记录工具确定取消姓名公司上班日期";

// The fonts the forms name, and the ones Windows draws its dialogs, captions and menus with.
const wchar_t* const kFamilies[] = {L"宋体", L"楷体_GB2312", L"黑体", L"方正静蕾简体", L"SimSun",
                                    L"Tahoma", L"MS Shell Dlg", L"MS Shell Dlg 2", L"Microsoft Sans Serif"};

HFONT fontOf(const wchar_t* family, int pixels, bool bold = false) {
    return CreateFontW(-pixels, 0, 0, 0, bold ? FW_BOLD : FW_NORMAL, FALSE, FALSE, FALSE, DEFAULT_CHARSET,
                       OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH, family);
}

// How many characters of `text` the font has no glyph for.
int missingGlyphs(const wchar_t* family, const std::wstring& text) {
    HDC dc = CreateCompatibleDC(nullptr);
    HFONT font = fontOf(family, 16);
    HGDIOBJ old = SelectObject(dc, font);
    std::vector<WORD> glyphs(text.size());
    const DWORD done = GetGlyphIndicesW(dc, text.c_str(), int(text.size()), glyphs.data(), GGI_MARK_NONEXISTING_GLYPHS);
    SelectObject(dc, old);
    DeleteObject(font);
    DeleteDC(dc);
    if (done == GDI_ERROR)
        return int(text.size());
    int missing = 0;
    for (WORD g : glyphs)
        missing += g == 0xFFFF;
    return missing;
}

std::wstring windowText(HWND w) {
    wchar_t buffer[256] = {};
    GetWindowTextW(w, buffer, 256);
    return buffer;
}

struct BoxSearch {
    const wchar_t* caption;
    HWND found = nullptr;
};

BOOL CALLBACK matchBox(HWND w, LPARAM p) {
    auto* s = reinterpret_cast<BoxSearch*>(p);
    wchar_t cls[32] = {};
    GetClassNameW(w, cls, 32);
    if (std::wcscmp(cls, L"#32770") == 0 && windowText(w) == s->caption) {
        s->found = w;
        return FALSE;
    }
    return TRUE;
}

// The box's window, found by its caption among the thread's top-level dialogs.
HWND findBox(DWORD thread, const wchar_t* caption) {
    BoxSearch search{caption};
    EnumThreadWindows(thread, matchBox, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

BOOL CALLBACK noteButton(HWND w, LPARAM p) {
    wchar_t cls[32] = {};
    GetClassNameW(w, cls, 32);
    if (_wcsicmp(cls, L"Button") == 0)
        reinterpret_cast<std::vector<std::wstring>*>(p)->push_back(windowText(w));
    return TRUE;
}

std::vector<std::wstring> buttonTexts(HWND box) {
    std::vector<std::wstring> texts;
    EnumChildWindows(box, noteButton, reinterpret_cast<LPARAM>(&texts));
    return texts;
}

TEST(WineStage, ChineseHasGlyphsInEveryFontTheFormsAndDialogsUse) {
    for (const wchar_t* family : kFamilies)
        EXPECT_EQ(missingGlyphs(family, kSample), 0) << family;
    // The check itself: a character no font here has is reported missing.
    EXPECT_EQ(missingGlyphs(L"宋体", L"\u0F40"), 1);
}

TEST(WineStage, MessageBoxesReadInChinese) {
    const DWORD thread = GetCurrentThreadId();
    std::vector<std::wstring> texts;
    std::atomic<bool> found{false};
    // Another thread reads the box's buttons, then cancels it; the wait ends on its own when the
    // box never shows.
    std::thread reader([&] {
        for (int i = 0; i < 400 && !found; ++i) {
            if (HWND box = findBox(thread, L"信息：")) {
                texts = buttonTexts(box);
                found = true;
                PostMessageW(box, WM_COMMAND, IDCANCEL, 0);
                return;
            }
            Sleep(25);
        }
    });
    const int answer = MessageBoxW(nullptr, L"确定添加数据吗？", L"信息：", MB_OKCANCEL | MB_ICONQUESTION);
    reader.join();
    ASSERT_TRUE(found);
    EXPECT_EQ(answer, IDCANCEL);
    ASSERT_EQ(texts.size(), 2u);
    EXPECT_EQ(texts[0], L"确定");
    EXPECT_EQ(texts[1], L"取消");
}

// ---- the window for screenshots ----

LRESULT CALLBACK showProc(HWND w, UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == WM_PAINT) {
        PAINTSTRUCT ps;
        HDC dc = BeginPaint(w, &ps);
        SetBkMode(dc, TRANSPARENT);
        int y = 8;
        struct Line {
            const wchar_t* family;
            int pixels;
            bool bold;
        };
        for (const Line& line : {Line{L"宋体", 12, false}, Line{L"楷体_GB2312", 29, true}, Line{L"黑体", 16, true},
                                 Line{L"方正静蕾简体", 21, true}, Line{L"Tahoma", 13, false}}) {
            HFONT font = fontOf(line.family, line.pixels, line.bold);
            HGDIOBJ old = SelectObject(dc, font);
            std::wstring text = std::wstring(line.family) + L"：" + kSample;
            TextOutW(dc, 10, y, text.c_str(), int(text.size()));
            SelectObject(dc, old);
            DeleteObject(font);
            y += line.pixels + 10;
        }
        EndPaint(w, &ps);
        return 0;
    }
    if (msg == WM_DESTROY) {
        PostQuitMessage(0);
        return 0;
    }
    return DefWindowProcW(w, msg, wp, lp);
}

HWND shownWindow = nullptr;

// The box ends itself after its time, and the window with it.
void CALLBACK endShow(HWND, UINT, UINT_PTR, DWORD) {
    if (HWND box = findBox(GetCurrentThreadId(), L"信息："))
        PostMessageW(box, WM_COMMAND, IDCANCEL, 0);
    DestroyWindow(shownWindow);
}

int show(int seconds) {
    WNDCLASSW wc{};
    wc.lpfnWndProc = showProc;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.hCursor = LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    wc.lpszClassName = L"LedrimoStage";
    RegisterClassW(&wc);
    HWND w = CreateWindowExW(0, wc.lpszClassName, L"工作时间记录工具 — 字体", WS_OVERLAPPEDWINDOW, 20, 20, 600, 220,
                             nullptr, nullptr, wc.hInstance, nullptr);
    ShowWindow(w, SW_SHOWNORMAL);
    UpdateWindow(w);
    shownWindow = w;
    SetTimer(nullptr, 0, UINT(seconds) * 1000, endShow);
    MessageBoxW(w, L"确定添加数据吗？", L"信息：", MB_OKCANCEL | MB_ICONQUESTION);
    MSG m;
    while (IsWindow(w) && GetMessageW(&m, nullptr, 0, 0) > 0) {
        TranslateMessage(&m);
        DispatchMessageW(&m);
    }
    return 0;
}

} // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc >= 3 && std::wcscmp(argv[1], L"--show") == 0)
        return show(std::max(1, _wtoi(argv[2])));
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
