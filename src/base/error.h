// MyError: a failure to report to the user, shown in a message box by whoever started the
// sequence that failed.
#pragma once

#include <string>

// An opaque window of the user interface (the control panel's own handle type).
using WindowHandle = void*;

// Message box flags and results, as the user interface layer understands them.
namespace msgbox {
constexpr unsigned kOk = 0x0;
constexpr unsigned kYesNo = 0x4;
constexpr unsigned kIconStop = 0x10;
constexpr unsigned kIconQuestion = 0x20;
constexpr unsigned kIconWarning = 0x30;
constexpr unsigned kIconInformation = 0x40;
constexpr unsigned kSetForeground = 0x10000;
constexpr int kResultOk = 1;
constexpr int kResultYes = 6;
constexpr int kResultNo = 7;
} // namespace msgbox

// Shows a message box; the user interface installs its own, the default writes to stderr.
using MessageBoxPresenter = int (*)(WindowHandle owner, const char* text, const char* caption,
                                    unsigned flags);
void SetMessageBoxPresenter(MessageBoxPresenter presenter);

// Sets the default owner window of error boxes and, when title is not null, their caption (at
// most 128 characters). Returns the previous owner.
WindowHandle SetErrorBoxOwner(WindowHandle owner, const char* title);

class MyError {
public:
    // Longest text kept, in characters.
    static constexpr std::size_t kMaxChars = 1999;

    explicit MyError(const char* format, ...) __attribute__((format(printf, 2, 3)));
    virtual ~MyError() = default;

    const char* Text() const { return hasText_ ? text_.c_str() : nullptr; }

    // Shows the text (nothing when there is none) with flags plus "set foreground"; the
    // caption is the title set by SetErrorBoxOwner, or "Error". Returns the box's result.
    int Show(WindowHandle owner, unsigned flags) const;
    // The same over the default owner window.
    int Show(unsigned flags) const;

private:
    bool hasText_ = false;
    std::string text_;
};
