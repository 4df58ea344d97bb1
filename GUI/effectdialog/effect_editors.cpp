#include "effectdialog/effect_editors.h"

#include "effectdialog/vst_edit_dialog.h"

#include <memory>

#include "base/mlog.h"
#include "platform/x_errors.h"

namespace {

class VSTEditDialogFactory : public EffectEditorFactory {
public:
    std::unique_ptr<EffectEditorDialog> CreateEditorDialog(PnAudioEffect& effect,
                                                           void* ownerWindow) override {
        return std::make_unique<VSTEditDialog>(static_cast<QWidget*>(ownerWindow), effect);
    }
};

void LogXError(const char* text) {
    LogWarning("%s", text);
}

} // namespace

void InstallEffectEditors() {
    static VSTEditDialogFactory factory;
    SetEffectEditorFactory(&factory);
    platform::InstallXErrorHandlers(LogXError);
}
