// The main window's command thread: while the voice server runs it waits for the server's fun
// sound event and oscilloscope event. A fun sound event is only signalled on (the window asks
// the server for the status on its own thread); an oscilloscope event copies the server's
// latest block out of the shared memory into the oscilloscope view.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <thread>

class ServerEvents {
public:
    // Receives the samples of one oscilloscope block. Called on the command thread.
    using OsciSink = std::function<void(const std::int16_t* samples, int count)>;
    // Told that the fun sound status changed. Called on the command thread; must only signal.
    using FunSoundsChanged = std::function<void()>;

    ServerEvents(OsciSink osci, FunSoundsChanged funSounds);
    // Stops the thread. GUI thread; may block up to the stop time.
    ~ServerEvents();
    ServerEvents(const ServerEvents&) = delete;
    ServerEvents& operator=(const ServerEvents&) = delete;

    // Opens the oscilloscope block (the view then stays empty when it is missing), creates the
    // stop event, opens the server's two events and starts the thread. False, after a log
    // line, when an event could not be created or opened: there is no thread then.
    // GUI thread; may block briefly.
    bool Start();
    // Signals the stop event and waits at most timeoutMs for the thread; a thread that has not
    // ended by then is logged ("Error of stop comand thread") and left to end on its own.
    // Safe to call twice. GUI thread; may block up to timeoutMs.
    void Stop(unsigned timeoutMs = 3000);

private:
    struct Shared;
    static void Run(std::shared_ptr<Shared> shared);

    OsciSink osci_;
    FunSoundsChanged funSounds_;
    std::shared_ptr<Shared> shared_;
    std::thread thread_;
};
