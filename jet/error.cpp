#include "jet/error.h"

namespace jet {

std::string Error::describe() const {
    std::string out = message;
    if (!file.empty() || page >= 0) {
        out += "（";
        if (!file.empty())
            out += "文件 " + file;
        if (page >= 0) {
            if (!file.empty())
                out += "，";
            out += "第 " + std::to_string(page) + " 页";
        }
        out += "）";
    }
    return out;
}

Error makeError(ErrorKind kind, std::string message, std::string file, int64_t page) {
    Error e;
    e.kind = kind;
    e.message = std::move(message);
    e.file = std::move(file);
    e.page = page;
    return e;
}

} // namespace jet
