// The program's file dialog. Every "save as" question goes through saveFileName(), so tests can
// answer it with a hook instead of showing anything, as they answer message boxes.
#pragma once

#include "runtime/text.h"

#include <deque>
#include <functional>
#include <vector>

namespace rt {

class Form;

struct FileDialogCall {
    Text caption;
    Text suggested; // folder and file name the dialog starts with
    Text filter;    // the kinds of file offered, as "Excel 工作簿 (*.xlsx)"
    Form* owner = nullptr;
};

// Asks where to save a file: a dialog with `caption` that starts at `suggested` (a folder and a
// file name) and offers `filter`; it confirms before an existing file is chosen. Returns the
// chosen path, or an empty text when the user cancels. With an owner the dialog blocks that window
// (and the windows it owns); without one it blocks every window of the program.
Text saveFileName(const Text& caption, const Text& suggested, const Text& filter, Form* owner = nullptr);

// The user's documents folder when it exists, else the home folder.
Text documentsDirectory();

// While a hook is set, saveFileName() calls it instead of showing a dialog and returns its answer.
using FileDialogHook = std::function<Text(const FileDialogCall&)>;
FileDialogHook setFileDialogHook(FileDialogHook hook); // returns the previous hook

// For tests: records every dialog and answers from a queue; a dialog without a scripted answer is
// cancelled. Restores the previous hook when it goes.
class ScriptedFileDialogs {
public:
    ScriptedFileDialogs();
    ~ScriptedFileDialogs();
    ScriptedFileDialogs(const ScriptedFileDialogs&) = delete;
    ScriptedFileDialogs& operator=(const ScriptedFileDialogs&) = delete;

    void answer(const Text& path) { answers_.push_back(path); }
    const std::vector<FileDialogCall>& calls() const { return calls_; }
    void clear() { calls_.clear(); }

private:
    std::deque<Text> answers_;
    std::vector<FileDialogCall> calls_;
    FileDialogHook previous_;
};

} // namespace rt
