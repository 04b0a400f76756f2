// Pictures on Windows: the carried pictures (JPEG, GIF, the program icon with its three sizes)
// as bitmaps and icons, damaged bytes refused; and the save dialog as the user sees it.
#include "runtime/carried.h"
#include "runtime/win32/picture.h"
#include "runtime/win32/savedialog.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cwchar>
#include <string>
#include <thread>

namespace {

int iconSize(HICON icon) {
    ICONINFO info{};
    if (!GetIconInfo(icon, &info))
        return 0;
    BITMAP bm{};
    GetObjectW(info.hbmColor, sizeof bm, &bm);
    DeleteObject(info.hbmColor);
    DeleteObject(info.hbmMask);
    return bm.bmWidth;
}

// The colour at (x, y) of the picture drawn 1:1 onto white.
COLORREF drawnPixel(const rt::Picture& p, int x, int y) {
    HDC screen = GetDC(nullptr);
    HDC dc = CreateCompatibleDC(screen);
    HBITMAP target = CreateCompatibleBitmap(screen, p.size().width, p.size().height);
    ReleaseDC(nullptr, screen);
    HGDIOBJ old = SelectObject(dc, target);
    RECT all{0, 0, p.size().width, p.size().height};
    FillRect(dc, &all, HBRUSH(GetStockObject(WHITE_BRUSH)));
    rt::win32::drawPicture(dc, p, all);
    const COLORREF c = GetPixel(dc, x, y);
    SelectObject(dc, old);
    DeleteObject(target);
    DeleteDC(dc);
    return c;
}

TEST(Win32Picture, CarriedPicturesDecodeAsBitmapsAndTheIconKeepsItsSizes) {
    const rt::Picture background = rt::Picture::carried(runtime::pictures::kBackground);
    ASSERT_FALSE(background.isNull());
    EXPECT_EQ(background.size(), (rt::Size{612, 228}));
    ASSERT_NE(rt::win32::bitmap(background), nullptr);
    // Drawn as decoded: the bitmap's middle pixel is the decoded one (opaque).
    const uint32_t decoded = background.data()->pixels[114 * 612 + 306];
    EXPECT_EQ(decoded >> 24, 0xFFu);
    EXPECT_EQ(drawnPixel(background, 306, 114), RGB((decoded >> 16) & 0xFF, (decoded >> 8) & 0xFF, decoded & 0xFF));

    const rt::Picture button = rt::Picture::carried(runtime::pictures::kButtonNormal);
    EXPECT_EQ(button.size(), (rt::Size{69, 24}));
    EXPECT_EQ(rt::Picture::carried(runtime::pictures::kListTitle).size(), (rt::Size{600, 20}));

    const rt::Picture program = rt::Picture::carried(runtime::pictures::kProgramIcon);
    ASSERT_FALSE(program.isNull());
    EXPECT_EQ(program.data()->icons.size(), 3u);
    for (const auto& [wanted, got] : {std::pair{16, 16}, std::pair{32, 32}, std::pair{48, 48}, std::pair{20, 16},
                                      std::pair{40, 48}, std::pair{256, 48}}) {
        HICON icon = rt::win32::icon(program, wanted);
        ASSERT_NE(icon, nullptr);
        EXPECT_EQ(iconSize(icon), got) << wanted;
    }
    // The icon kept with the picture is the same each time it is asked for, also through a copy
    // of the picture.
    EXPECT_EQ(rt::win32::icon(program, 16), rt::win32::icon(rt::Picture(program), 16));
    EXPECT_NE(rt::win32::icon(program, 16), rt::win32::icon(program, 32));
    BITMAP bm{};
    ASSERT_NE(GetObjectW(rt::win32::bitmap(button), sizeof bm, &bm), 0);
    EXPECT_EQ(bm.bmWidth, 69);
    EXPECT_EQ(bm.bmHeight, 24);

    // A picture that is no icon file still gives an icon, of the size asked.
    HICON made = rt::win32::icon(button, 16);
    ASSERT_NE(made, nullptr);
    EXPECT_EQ(iconSize(made), 16);
    EXPECT_EQ(rt::win32::icon(button, 16), made);

    // The same bytes give an equal picture; damaged and truncated bytes none.
    const std::string_view jpeg = runtime::carriedFile(runtime::pictures::kLogin);
    const rt::Picture login = rt::Picture::fromBytes(rt::Bytes(jpeg));
    EXPECT_EQ(login.size(), (rt::Size{299, 151}));
    EXPECT_EQ(login, rt::Picture::carried(runtime::pictures::kLogin));
    EXPECT_FALSE(login == background);
    EXPECT_TRUE(rt::Picture::fromBytes(rt::Bytes(jpeg.substr(0, jpeg.size() / 2))).isNull());
    const std::string_view gif = runtime::carriedFile(runtime::pictures::kButtonOver);
    EXPECT_TRUE(rt::Picture::fromBytes(rt::Bytes(gif.substr(0, 12))).isNull());
    EXPECT_TRUE(rt::Picture::fromBytes("not a picture at all").isNull());
    EXPECT_TRUE(rt::Picture::carried(":/pictures/none.png").isNull());
}

// ---- the save dialog ----

struct Found {
    const wchar_t* caption;
    HWND dialog = nullptr;
};

BOOL CALLBACK matchDialog(HWND w, LPARAM p) {
    auto* f = reinterpret_cast<Found*>(p);
    wchar_t text[128] = {};
    GetWindowTextW(w, text, 128);
    if (std::wcscmp(text, f->caption) == 0 && IsWindowVisible(w)) {
        f->dialog = w;
        return FALSE;
    }
    return TRUE;
}

TEST(Win32SaveDialog, OffersTheFilterStartsInTheFolderAndAddsTheExtension) {
    wchar_t temp[MAX_PATH];
    GetTempPathW(MAX_PATH, temp);
    const std::wstring folder = std::wstring(temp) + L"工时导出";
    CreateDirectoryW(folder.c_str(), nullptr);
    std::string folderUtf8(size_t(WideCharToMultiByte(CP_UTF8, 0, folder.c_str(), -1, nullptr, 0, nullptr, nullptr)), '\0');
    WideCharToMultiByte(CP_UTF8, 0, folder.c_str(), -1, folderUtf8.data(), int(folderUtf8.size()), nullptr, nullptr);
    folderUtf8.pop_back();

    const DWORD thread = GetCurrentThreadId();
    std::atomic<bool> answered{false};
    std::wstring firstFilter;
    std::thread user([&] {
        for (int i = 0; i < 400 && !answered; ++i) {
            Found f{L"导出Excel"};
            EnumThreadWindows(thread, matchDialog, reinterpret_cast<LPARAM>(&f));
            if (f.dialog) {
                wchar_t text[128] = {};
                SendDlgItemMessageW(f.dialog, 0x470 /* the file type box */, CB_GETLBTEXT, 0, LPARAM(text));
                firstFilter = text;
                // The user types a name without its extension and saves.
                SetDlgItemTextW(f.dialog, 0x47C /* the file name box */, L"十月");
                PostMessageW(f.dialog, WM_COMMAND, IDOK, 0);
                answered = true;
                return;
            }
            Sleep(25);
        }
    });
    const rt::Text chosen = rt::win32::saveDialog(nullptr, "导出Excel", rt::Text::fromUtf8(folderUtf8 + "\\工时_2026年10月.xlsx"),
                                                  "Excel 工作簿 (*.xlsx);;CSV 文件 (*.csv)");
    user.join();
    ASSERT_TRUE(answered);
    EXPECT_EQ(firstFilter, L"Excel 工作簿 (*.xlsx)");
    EXPECT_EQ(chosen, rt::Text::fromUtf8(folderUtf8 + "\\十月.xlsx"));
    RemoveDirectoryW(folder.c_str());
}

} // namespace
