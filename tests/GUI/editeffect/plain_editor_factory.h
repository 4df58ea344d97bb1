// An editor factory for the voice effect editor's tests: each editor is a plain top-level window
// owned by the dialog, standing in for the parameter dialog and for a plug-in's own editor.
#pragma once

#include <QPointer>
#include <QWidget>

#include <memory>

#include "effect/effect.h"

namespace edittest {

class PlainEditorDialog : public EffectEditorDialog {
public:
    explicit PlainEditorDialog(QWidget* owner) : window_(new QWidget(owner, Qt::Window)) {
        window_->resize(240, 180);
    }
    ~PlainEditorDialog() override { delete window_.data(); }
    bool ShowNotModal() override {
        window_->show();
        return true;
    }
    void Close() override {
        if (window_ != nullptr)
            window_->hide();
    }
    bool SizeWindow(int width, int height) override {
        window_->resize(width, height);
        return true;
    }
    void* Window() override { return window_.data(); }

private:
    QPointer<QWidget> window_;
};

class PlainEditorFactory : public EffectEditorFactory {
public:
    PlainEditorFactory() { SetEffectEditorFactory(this); }
    ~PlainEditorFactory() override { SetEffectEditorFactory(nullptr); }
    std::unique_ptr<EffectEditorDialog> CreateEditorDialog(PnAudioEffect& /*effect*/,
                                                           void* ownerWindow) override {
        return std::make_unique<PlainEditorDialog>(static_cast<QWidget*>(ownerWindow));
    }
};

} // namespace edittest
