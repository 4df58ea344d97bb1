#include "effectdialog/generic_editor.h"

#include <QFontMetrics>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSlider>

#include <algorithm>
#include <cmath>

#include "base/strtable.h"
#include "effectdialog/param_text.h"

namespace {

constexpr unsigned kStrEffectParameters = 264;
constexpr unsigned kStrNoParameters = 265;

// The grid, in pixels.
constexpr int kGroupMargin = 5;  // the group box's distance from the dialog's edges
constexpr int kFirstRowTop = 16; // below the group box's caption
constexpr int kRowPitch = 23;    // from one row to the next
constexpr int kRowHeight = 18;
constexpr int kLabelLeft = 10;
constexpr int kFieldGap = 15; // field's left edge = widest name + this
constexpr int kFieldWidth = 60;
constexpr int kSliderGap = 80; // slider's left edge = widest name + this
constexpr int kSliderWidth = 150;
constexpr int kGroupExtra = 235; // group width = widest name + this
constexpr int kGroupBottom = 5;  // below the last row
constexpr int kEmptyGroupWidth = 175;
constexpr int kOkWidth = 80;
constexpr int kOkHeight = 22;
constexpr int kOkGap = 5; // between the group box and the Ok button
constexpr int kClientExtraHeight = 37;

QString Id(int id) {
    return QString::number(id);
}

} // namespace

void ShowFieldValue(QLineEdit* field, float value) {
    field->setText(QString::fromStdString(FormatParamValue(value)));
    // The leading digits matter most when the text is wider than the field.
    field->setCursorPosition(0);
}

int SliderPosition(float value) {
    if (!(value > 0)) // NaN too
        return 0;
    return static_cast<int>(std::min<double>(value * kSliderSteps, kSliderSteps));
}

GenericEditor BuildGenericEditor(QWidget* dialog, const std::vector<std::string>& names,
                                 const std::vector<float>& values) {
    GenericEditor editor;
    const QFontMetrics metrics(dialog->font());
    int widest = 0;
    int tallest = 0;
    for (const std::string& name : names) {
        widest = std::max(widest, metrics.horizontalAdvance(QString::fromStdString(name)));
        tallest = std::max(tallest, metrics.height());
    }

    const QString groupTitle = QString::fromStdString(LoadStr(kStrEffectParameters));
    editor.group = new QGroupBox(groupTitle, dialog);
    editor.group->setObjectName(Id(kParamGroupId));
    editor.group->setAccessibleName(groupTitle);

    const int count = static_cast<int>(names.size());
    int groupWidth = widest + kGroupExtra;
    if (count == 0) {
        auto* text = new QLabel(QString::fromStdString(LoadStr(kStrNoParameters)), editor.group);
        text->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
        text->setWordWrap(true);
        groupWidth = kEmptyGroupWidth;
        text->setGeometry(kGroupMargin, kFirstRowTop, groupWidth - 2 * kGroupMargin,
                          metrics.height() * 2);
    }
    for (int i = 0; i < count; ++i) {
        const int top = kFirstRowTop + kRowPitch * i;
        const QString name = QString::fromStdString(names[static_cast<std::size_t>(i)]);
        const float value = values[static_cast<std::size_t>(i)];
        ParamRow row;
        row.label = new QLabel(name, editor.group);
        row.label->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        row.label->setGeometry(kLabelLeft, top + (kRowHeight - tallest) / 2, widest, tallest);

        row.field = new QLineEdit(editor.group);
        row.field->setObjectName(Id(kParamFieldId + i));
        row.field->setAccessibleName(name);
        row.field->setMaxLength(kParamFieldChars);
        row.field->setTextMargins(0, 0, 0, 0);
        ShowFieldValue(row.field, value);
        row.field->setGeometry(widest + kFieldGap, top, kFieldWidth, kRowHeight);
        row.label->setBuddy(row.field);

        row.slider = new QSlider(Qt::Horizontal, editor.group);
        row.slider->setObjectName(Id(kParamSliderId + i));
        row.slider->setAccessibleName(name);
        row.slider->setRange(0, kSliderSteps);
        row.slider->setSingleStep(1);
        row.slider->setPageStep(100);
        row.slider->setValue(SliderPosition(value));
        row.slider->setGeometry(widest + kSliderGap, top, kSliderWidth, kRowHeight);
        editor.rows.push_back(row);
    }
    const int groupHeight = kFirstRowTop + kRowPitch * count + kGroupBottom;
    editor.group->setGeometry(kGroupMargin, kGroupMargin, groupWidth, groupHeight);

    editor.ok = new QPushButton(QStringLiteral("Ok"), dialog);
    editor.ok->setObjectName(Id(kOkButtonId));
    editor.ok->setAccessibleName(QStringLiteral("Ok"));
    editor.ok->setGeometry(kGroupMargin + groupWidth - kOkWidth,
                           kGroupMargin + groupHeight + kOkGap, kOkWidth, kOkHeight);

    editor.client = QSize(groupWidth + 2 * kGroupMargin, groupHeight + kClientExtraHeight);
    return editor;
}
