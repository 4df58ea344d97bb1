// Opening a test stream on the devices a configuration names, for listening from a dialog (the
// voice effect editor, the options sheet). No Qt here.
#pragma once

#include <cstdint>
#include <string>

class TestStream;

// The devices and buffers to listen through, as the configuration stores them.
struct TestStreamDevices {
    std::string input;    // recording device name; empty: never chosen
    std::string monitor;  // playback device name; empty: never chosen
    std::string mixInSrc; // recording source of the input device's mixer
    std::uint16_t bufferMs = 25;
    std::uint32_t bufferCount = 40;
};

// Opens stream on the named devices. A device that is not configured or gone is replaced by the
// system's default device of its direction, never by the virtual microphone, which would hear
// itself. A missing device or a stream that does not open is only logged (with user, the log
// lines' prefix): nothing is heard then. True when the stream opened. Command thread; may block.
bool OpenTestStreamOn(TestStream& stream, const TestStreamDevices& devices, const char* user);
