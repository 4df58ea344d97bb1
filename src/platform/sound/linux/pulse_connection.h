// One connection to the sound server over libpulse: a threaded main loop (its own thread runs
// every callback) and a context connected through it. Shared by the device model, the virtual
// microphone and the stream back end.
//
// Locking: every call into libpulse for this connection (context, streams, operations) must be
// made with the main loop's lock held (Guard), except from inside a libpulse callback, which
// already runs with it. The lock is recursive, but Wait/WaitFor need it held exactly once: they
// release it while they sleep. Wait/WaitFor are never called from a libpulse callback (the main
// loop thread cannot wait for itself).
#pragma once

#include <pulse/pulseaudio.h>

#include <atomic>
#include <functional>
#include <string>

namespace platform {

class PulseConnection {
public:
    // How long Connect, Wait and WaitFor wait by default: a server that does not answer within
    // this time is treated as gone, so no caller hangs on it.
    static constexpr int kDefaultTimeoutMs = 3000;

    PulseConnection() = default;
    ~PulseConnection(); // Disconnect
    PulseConnection(const PulseConnection&) = delete;
    PulseConnection& operator=(const PulseConnection&) = delete;

    // Starts the main loop and connects to the server named by the environment (PULSE_SERVER or
    // the user's default) without starting one. False with a reason in error when the server is
    // not running, refuses us or does not answer within timeoutMs; the object is then
    // disconnected again. Call without the lock held; a connected object is disconnected first.
    bool Connect(const std::string& clientName, std::string& error,
                 int timeoutMs = kDefaultTimeoutMs);
    // Disconnects and stops the main loop thread. Call without the lock held and never from a
    // libpulse callback. Safe to call twice. Streams of this context must be released first.
    void Disconnect();

    // True between a successful Connect and Disconnect while the context is ready.
    bool IsReady() const;
    // True when a connection was made and then died (the server quit or restarted, or it failed
    // a protocol step). Lock-free; a caller reconnects with Disconnect and Connect.
    bool Failed() const;

    // Null while disconnected. The context pointer stays valid until Disconnect.
    pa_threaded_mainloop* Mainloop() const { return mainloop_; }
    pa_context* Context() const { return context_; }

    void Lock();
    void Unlock();
    // Holds the main loop's lock for its scope; nothing happens on a disconnected connection.
    class Guard {
    public:
        explicit Guard(PulseConnection& connection) : connection_(connection) {
            connection_.Lock();
        }
        ~Guard() { connection_.Unlock(); }
        Guard(const Guard&) = delete;
        Guard& operator=(const Guard&) = delete;

    private:
        PulseConnection& connection_;
    };

    // With the lock held once: waits until the operation has finished (its callback has run),
    // the context failed or timeoutMs passed, then releases the operation. A null operation (the
    // request could not be sent) gives false at once. On time-out or failure the operation is
    // cancelled, so its callback never runs afterwards and may point at the caller's stack.
    bool Wait(pa_operation* operation, int timeoutMs = kDefaultTimeoutMs);
    // With the lock held once: waits until done() is true, the context failed or timeoutMs
    // passed; true when done() became true. done() runs with the lock held. Code that makes
    // done() true from a callback calls Signal().
    bool WaitFor(const std::function<bool()>& done, int timeoutMs = kDefaultTimeoutMs);
    // From a libpulse callback (or with the lock held): wakes Wait and WaitFor.
    void Signal();

    // The server's text for the context's last error ("Connection refused", ...).
    std::string LastError() const;

private:
    static void OnStateChanged(pa_context* context, void* self);

    pa_threaded_mainloop* mainloop_ = nullptr;
    pa_context* context_ = nullptr;
    std::atomic<int> state_{PA_CONTEXT_UNCONNECTED};
    std::atomic<bool> wasReady_{false};
};

} // namespace platform
