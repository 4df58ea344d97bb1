// What screen readers and UI automation see of a skinned slider: a slider with its value, whose
// value they set as the user would move it (the slider then reports userMoved).
#pragma once

// Installs the accessibility factory for CFFSliderCtrl; the second and later calls do nothing.
// GUI thread.
void InstallSliderAccessibility();
