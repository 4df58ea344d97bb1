// The look of the control panel's ordinary dialogs (wizard, editors, message boxes): Qt's Fusion
// style in the panel's dark palette and type, so that they match the skinned main window.
#pragma once

class QApplication;

// Sets the style, palette and font of the application. GUI thread, before windows are made.
void ApplyApplicationStyle(QApplication& app);
