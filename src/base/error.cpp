#include "base/error.h"

#include <cstdarg>
#include <cstdio>
#include <mutex>

#include "text/utf8cut.h"

namespace {

int PrintMessageBox(WindowHandle, const char* text, const char* caption, unsigned) {
    std::fprintf(stderr, "%s: %s\n", caption, text);
    return msgbox::kResultOk;
}

struct ErrorBoxState {
    std::mutex lock;
    MessageBoxPresenter presenter = PrintMessageBox;
    WindowHandle owner = nullptr;
    std::string title;
};

ErrorBoxState& State() {
    static ErrorBoxState state;
    return state;
}

constexpr std::size_t kMaxTitleChars = 128;

} // namespace

void SetMessageBoxPresenter(MessageBoxPresenter presenter) {
    std::lock_guard<std::mutex> guard(State().lock);
    State().presenter = presenter ? presenter : PrintMessageBox;
}

WindowHandle SetErrorBoxOwner(WindowHandle owner, const char* title) {
    ErrorBoxState& s = State();
    std::lock_guard<std::mutex> guard(s.lock);
    WindowHandle previous = s.owner;
    s.owner = owner;
    if (title) {
        s.title = title;
        if (s.title.size() > kMaxTitleChars)
            s.title.resize(Utf8PrefixLength(s.title, kMaxTitleChars));
    }
    return previous;
}

MyError::MyError(const char* format, ...) {
    if (!format)
        return;
    char buf[kMaxChars + 1];
    va_list args;
    va_start(args, format);
    int n = std::vsnprintf(buf, sizeof buf, format, args);
    va_end(args);
    if (n < 0)
        return;
    if (static_cast<std::size_t>(n) > kMaxChars)
        buf[Utf8PrefixLength(buf, kMaxChars)] = '\0';
    text_ = buf;
    hasText_ = true;
}

int MyError::Show(WindowHandle owner, unsigned flags) const {
    if (!hasText_)
        return 0;
    MessageBoxPresenter presenter;
    std::string caption;
    {
        ErrorBoxState& s = State();
        std::lock_guard<std::mutex> guard(s.lock);
        presenter = s.presenter;
        caption = s.title.empty() ? "Error" : s.title;
    }
    return presenter(owner, text_.c_str(), caption.c_str(), flags | msgbox::kSetForeground);
}

int MyError::Show(unsigned flags) const {
    WindowHandle owner;
    {
        std::lock_guard<std::mutex> guard(State().lock);
        owner = State().owner;
    }
    return Show(owner, flags);
}
