#include "spectro_editor.h"

#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include "canvas.h"
#include "editor_controls.h"
#include "frame.h"
#include "spectro_art.h"

namespace spectro {

namespace {

// X keysyms of the keys the editor reads.
constexpr std::uint32_t kTab = 0xff09, kBackTab = 0xfe20, kReturn = 0xff0d, kEnter = 0xff8d;
constexpr std::uint32_t kEscape = 0xff1b, kSpace = 0x20, kHome = 0xff50, kEnd = 0xff57;
constexpr std::uint32_t kLeft = 0xff51, kUp = 0xff52, kRight = 0xff53, kDown = 0xff54;
constexpr std::uint32_t kPageUp = 0xff55, kPageDown = 0xff56;
constexpr unsigned kShift = 1, kControl = 4;
struct KeyOfKeysym {
    std::uint32_t keysym;
    Key key;
};
constexpr KeyOfKeysym kKeys[] = {
    {kUp, Key::Up},          {kRight, Key::Up},       {kDown, Key::Down},
    {kLeft, Key::Down},      {kPageUp, Key::PageUp},  {kPageDown, Key::PageDown},
    {kHome, Key::Home},      {kEnd, Key::End},        {kReturn, Key::Activate},
    {kEnter, Key::Activate}, {kSpace, Key::Activate}, {kEscape, Key::Escape},
};

int Index(ControlId id) {
    return static_cast<int>(id);
}

} // namespace

SpectroEditor::SpectroEditor(EffectBase* effect) : EffectEditor(effect) {
    for (auto& value : values_)
        value.store(0.0f, std::memory_order_relaxed);
}

SpectroEditor::~SpectroEditor() {
    close();
}

intptr_t SpectroEditor::getRect(ERect** rect) {
    *rect = &rect_;
    return 1;
}

void SpectroEditor::build() {
    const Frame::Style style{&art::kListFont,          art::kPalette.listBackground,
                             art::kPalette.listBorder, art::kPalette.listHover,
                             art::kPalette.text,       art::kPalette.accent,
                             art::kPalette.focus};
    frame_ = std::make_unique<Frame>(art::kBackground, style);
    for (const ControlSpec& spec : Controls())
        controls_[Index(spec.id)] = &frame_->add(MakeControl(spec, *this));
}

void SpectroEditor::show(int parameter, float value) {
    for (ControlId id : ControlsOfParameter(parameter))
        ShowParameter(*controls_[Index(id)], id, value);
}

intptr_t SpectroEditor::open(void* window) {
    close();
    canvas_ = std::make_unique<Canvas>(kEditorRect.Width(), kEditorRect.Height());
    build();
    changed_.store(0);
    for (int i = 0; i < kParameters; ++i)
        show(i, effect_->getParameter(i));
    const auto parent = static_cast<std::uint32_t>(reinterpret_cast<std::uintptr_t>(window));
    if (!window_.Open(parent, kEditorRect.Width(), kEditorRect.Height(),
                      art::kBackground.pixels[0])) {
        frame_.reset();
        canvas_.reset();
        return 0;
    }
    service(); // the first picture at once, not on the first idle
    startThread();
    return 1;
}

void SpectroEditor::close() {
    stopThread();
    window_.Close();
    frame_.reset();
    canvas_.reset();
}

void SpectroEditor::idle() {
    stopThread(); // the host idles: from now on its calls drive the window
    if (frame_ != nullptr)
        service();
}

void SpectroEditor::setParameter(std::int32_t index, float value) {
    if (index < 0 || index >= kParameters)
        return;
    values_[index].store(value, std::memory_order_relaxed);
    changed_.fetch_or(1u << index, std::memory_order_release);
}

void SpectroEditor::service() {
    if (window_.Gone())
        return; // the host destroyed its window: nothing to draw into until close
    window_.Pump([this](const WindowEvent& event) { handle(event); });
    const std::uint32_t changed = changed_.exchange(0, std::memory_order_acquire);
    for (int i = 0; i < kParameters; ++i)
        if ((changed & (1u << i)) != 0)
            show(i, values_[i].load(std::memory_order_relaxed));
    const Rect dirty = frame_->takeDirty();
    if (dirty.Width() > 0 && !window_.Gone()) {
        frame_->paint(*canvas_);
        window_.Put(canvas_->Pixels(), canvas_->Width(), canvas_->Height(), dirty);
    }
}

void SpectroEditor::handle(const WindowEvent& event) {
    switch (event.kind) {
    case WindowEvent::Kind::Press:
        if (event.button == 1) {
            window_.TakeFocus();
            frame_->mouseDown(event.x, event.y, (event.modifiers & kControl) != 0);
        } else if (event.button == 4 || event.button == 5) {
            frame_->wheel(event.x, event.y, event.button == 4 ? 1 : -1);
        }
        break;
    case WindowEvent::Kind::Release:
        if (event.button == 1)
            frame_->mouseUp(event.x, event.y);
        break;
    case WindowEvent::Kind::Motion:
        frame_->mouseMoved(event.x, event.y);
        break;
    case WindowEvent::Kind::Leave:
        frame_->mouseLeft();
        break;
    case WindowEvent::Kind::Key:
        if (event.keysym == kTab || event.keysym == kBackTab) {
            frame_->focusNext(event.keysym == kBackTab || (event.modifiers & kShift) != 0);
            break;
        }
        for (const KeyOfKeysym& k : kKeys) {
            if (k.keysym == event.keysym) {
                frame_->key(k.key);
                break;
            }
        }
        break;
    case WindowEvent::Kind::Expose:
        frame_->invalidate(event.area);
        break;
    case WindowEvent::Kind::FocusOut:
        frame_->focusLost();
        break;
    case WindowEvent::Kind::FocusIn:
    case WindowEvent::Kind::Gone:
        break;
    }
}

void SpectroEditor::valueChanged(spectro::Control& control) {
    for (const ControlSpec& spec : Controls()) {
        if (controls_[Index(spec.id)] == &control && spec.tag < kParameters) {
            effect_->setParameterAutomated(spec.tag, ParameterOf(control, spec.id));
            return;
        }
    }
}

void SpectroEditor::beginEdit(spectro::Control& control) {
    if (control.tag() < kParameters)
        effect_->beginEdit(control.tag());
}

void SpectroEditor::endEdit(spectro::Control& control) {
    if (control.tag() < kParameters)
        effect_->endEdit(control.tag());
}

void SpectroEditor::startThread() {
    wake_ = eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    if (wake_ < 0)
        return; // then only the host's idle calls drive the window
    stop_.store(false);
    thread_ = std::thread([this] {
        pollfd fds[2] = {{window_.Descriptor(), POLLIN, 0}, {wake_, POLLIN, 0}};
        while (!stop_.load()) {
            // Parameter changes arrive without X events: look at least every 30 ms.
            poll(fds, 2, 30);
            if (stop_.load())
                break;
            service();
        }
    });
}

void SpectroEditor::stopThread() {
    if (thread_.joinable()) {
        stop_.store(true);
        const std::uint64_t one = 1;
        [[maybe_unused]] const ssize_t written = write(wake_, &one, sizeof one);
        thread_.join();
    }
    if (wake_ >= 0) {
        ::close(wake_);
        wake_ = -1;
    }
}

} // namespace spectro
