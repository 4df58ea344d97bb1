#include "skin/ff_slider_accessible.h"

#include "skin/ff_slider_ctrl.h"

#include <QAccessibleValueInterface>
#include <QAccessibleWidget>

namespace {

class SliderAccessible : public QAccessibleWidget, public QAccessibleValueInterface {
public:
    explicit SliderAccessible(CFFSliderCtrl* slider)
        : QAccessibleWidget(slider, QAccessible::Slider) {}

    void* interface_cast(QAccessible::InterfaceType type) override {
        if (type == QAccessible::ValueInterface)
            return static_cast<QAccessibleValueInterface*>(this);
        return QAccessibleWidget::interface_cast(type);
    }

    QVariant currentValue() const override { return Slider()->value(); }
    void setCurrentValue(const QVariant& value) override {
        Slider()->SetValueByUser(value.toInt());
    }
    QVariant maximumValue() const override { return Slider()->maximum(); }
    QVariant minimumValue() const override { return Slider()->minimum(); }
    QVariant minimumStepSize() const override { return Slider()->singleStep(); }

private:
    CFFSliderCtrl* Slider() const { return static_cast<CFFSliderCtrl*>(widget()); }
};

QAccessibleInterface* SliderFactory(const QString&, QObject* object) {
    if (auto* slider = qobject_cast<CFFSliderCtrl*>(object))
        return new SliderAccessible(slider);
    return nullptr;
}

} // namespace

void InstallSliderAccessibility() {
    static bool installed = false;
    if (!installed) {
        QAccessible::installFactory(SliderFactory);
        installed = true;
    }
}
