// The generic parameter editor of a plug-in without an editor of its own: a group box with one
// row per parameter (name, numeric field, slider) and an Ok button under it, laid out on a fixed
// grid measured in the dialog's font.
#pragma once

#include <QSize>

#include <string>
#include <vector>

class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QSlider;
class QWidget;

// Control ids, also the controls' object names: the Ok button, the cancel command, the group
// box, and the field and slider of parameter i (kParamFieldId + i, kParamSliderId + i).
constexpr int kOkButtonId = 1001;
constexpr int kCancelId = 1002;
constexpr int kParamGroupId = 1003;
constexpr int kParamFieldId = 2000;
constexpr int kParamSliderId = 3000;

// Slider positions: a value of 1.0 is kSliderSteps.
constexpr int kSliderSteps = 1000;

struct ParamRow {
    QLabel* label = nullptr;
    QLineEdit* field = nullptr;
    QSlider* slider = nullptr;
};

struct GenericEditor {
    QGroupBox* group = nullptr;
    QPushButton* ok = nullptr;
    std::vector<ParamRow> rows;
    // The dialog's client area that holds them.
    QSize client;
};

// Builds the editor inside dialog for the parameters' names and current values (equally many).
// GUI thread.
GenericEditor BuildGenericEditor(QWidget* dialog, const std::vector<std::string>& names,
                                 const std::vector<float>& values);

// Shows value in a row's field as "%f" writes it, from its first character on. GUI thread.
void ShowFieldValue(QLineEdit* field, float value);

// The slider position of a parameter value: value x 1000 truncated, kept within the slider.
// Any thread.
int SliderPosition(float value);
