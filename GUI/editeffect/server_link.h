// The voice effect editor's few words with the voice server: whether it is connected (its
// command channel opens), and switching its monitor output while the user listens locally.
#pragma once

// Opens the server's command channel and closes it again. Command thread; may block.
bool VoiceServerConnected();

// Switches the running server's monitor output on or off; false when no server answered.
// Command thread; may block.
bool SetVoiceServerMonitor(bool on);
