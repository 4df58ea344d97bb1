// Whether the voice server is connected: its command channel can be opened.
#pragma once

// Opens the server's command channel and closes it again. Command thread; may block.
bool VoiceServerConnected();
