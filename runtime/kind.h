// The kinds of controls a form description may hold.
#pragma once

namespace rt {

enum class Kind {
    EditBox,
    DateBox,
    Label,
    SuperButton,
    GraphicButton,
    PictureBox,
    ShapeBox,
    StatusBar,
    ListView,
    Timer,
    TrayIcon,
    MenuStyle,
    Connection,
    RecordSet,
    Chart,
};

// The kind's name in UTF-8 as descriptions write it: "编辑框", "日期框", "透明标签", ...
const char* kindText(Kind k);

} // namespace rt
