// The control panel's editor dialogs for the effect host, installed once at start.
#pragma once

// Makes VSTEditDialogs for the effect host and keeps the plug-in editors' X errors from ending
// the program. The control panel calls it once, after creating its application object.
// GUI thread.
void InstallEffectEditors();
