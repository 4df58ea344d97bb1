// "Voxwarp --wizard": the setup wizard on its own, to choose the sound devices again.
#pragma once

// Exit codes of RunWizardCommand.
constexpr int kWizardFinished = 0;
constexpr int kWizardCancelled = 1;
constexpr int kWizardFailed = 2;

// Starts the string table and the control panel's log "parlanocl.log" in the program folder,
// runs the wizard on the configuration and, on Finish, stores the devices as the first start
// does (`wizard` = 1, sections sys and soundcards) and tells a running voice server to reload
// them. Cancel changes nothing. Needs the QApplication. GUI thread.
int RunWizardCommand();
