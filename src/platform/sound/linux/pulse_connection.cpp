#include "platform/sound/linux/pulse_connection.h"

#include <pulse/rtclock.h>

namespace platform {
namespace {

bool IsDeadState(int state) {
    return state == PA_CONTEXT_FAILED || state == PA_CONTEXT_TERMINATED;
}

// The time-out of one WaitFor: fires once on the main loop thread and wakes the waiter.
struct WaitTimer {
    pa_threaded_mainloop* mainloop;
    bool fired = false;
};

void OnWaitTimer(pa_mainloop_api*, pa_time_event*, const struct timeval*, void* data) {
    auto* timer = static_cast<WaitTimer*>(data);
    timer->fired = true;
    pa_threaded_mainloop_signal(timer->mainloop, 0);
}

void OnOperationStateChanged(pa_operation*, void* self) {
    static_cast<PulseConnection*>(self)->Signal();
}

} // namespace

PulseConnection::~PulseConnection() {
    Disconnect();
}

void PulseConnection::OnStateChanged(pa_context* context, void* data) {
    auto* self = static_cast<PulseConnection*>(data);
    pa_context_state_t state = pa_context_get_state(context);
    if (state == PA_CONTEXT_READY) {
        self->wasReady_ = true;
    }
    self->state_ = state;
    pa_threaded_mainloop_signal(self->mainloop_, 0);
}

bool PulseConnection::Connect(const std::string& clientName, std::string& error, int timeoutMs) {
    Disconnect();
    mainloop_ = pa_threaded_mainloop_new();
    if (mainloop_ == nullptr) {
        error = "cannot create the sound server main loop";
        return false;
    }
    context_ = pa_context_new(pa_threaded_mainloop_get_api(mainloop_), clientName.c_str());
    if (context_ == nullptr) {
        error = "cannot create a sound server context";
        Disconnect();
        return false;
    }
    pa_context_set_state_callback(context_, &PulseConnection::OnStateChanged, this);
    if (pa_threaded_mainloop_start(mainloop_) < 0) {
        error = "cannot start the sound server main loop thread";
        Disconnect();
        return false;
    }

    bool ready = false;
    {
        Guard guard(*this);
        // No autospawn: a server that is not running is reported, never started behind the
        // user's back.
        if (pa_context_connect(context_, nullptr, PA_CONTEXT_NOAUTOSPAWN, nullptr) < 0) {
            error = "cannot connect to the sound server: " + LastError();
        } else {
            bool settled = WaitFor(
                [this] {
                    int state = state_;
                    return state == PA_CONTEXT_READY || IsDeadState(state);
                },
                timeoutMs);
            if (!settled) {
                error =
                    "the sound server did not answer within " + std::to_string(timeoutMs) + " ms";
            } else if (state_ != PA_CONTEXT_READY) {
                error = "cannot connect to the sound server: " + LastError();
            } else {
                ready = true;
            }
        }
    }
    if (!ready) {
        Disconnect();
    }
    return ready;
}

void PulseConnection::Disconnect() {
    if (mainloop_ == nullptr) {
        return;
    }
    if (context_ != nullptr) {
        Guard guard(*this);
        pa_context_set_state_callback(context_, nullptr, nullptr);
        pa_context_disconnect(context_);
        pa_context_unref(context_);
        context_ = nullptr;
    }
    pa_threaded_mainloop_stop(mainloop_);
    pa_threaded_mainloop_free(mainloop_);
    mainloop_ = nullptr;
    state_ = PA_CONTEXT_UNCONNECTED;
    wasReady_ = false;
}

bool PulseConnection::IsReady() const {
    return context_ != nullptr && state_ == PA_CONTEXT_READY;
}

bool PulseConnection::Failed() const {
    return wasReady_ && IsDeadState(state_);
}

void PulseConnection::Lock() {
    if (mainloop_ != nullptr) {
        pa_threaded_mainloop_lock(mainloop_);
    }
}

void PulseConnection::Unlock() {
    if (mainloop_ != nullptr) {
        pa_threaded_mainloop_unlock(mainloop_);
    }
}

void PulseConnection::Signal() {
    if (mainloop_ != nullptr) {
        pa_threaded_mainloop_signal(mainloop_, 0);
    }
}

bool PulseConnection::WaitFor(const std::function<bool()>& done, int timeoutMs) {
    if (done()) {
        return true;
    }
    if (mainloop_ == nullptr || context_ == nullptr || IsDeadState(state_)) {
        return false;
    }
    WaitTimer timer{mainloop_};
    pa_usec_t delay = static_cast<pa_usec_t>(timeoutMs > 0 ? timeoutMs : 0) * PA_USEC_PER_MSEC;
    pa_time_event* event =
        pa_context_rttime_new(context_, pa_rtclock_now() + delay, &OnWaitTimer, &timer);
    if (event == nullptr) {
        return false;
    }
    bool result = false;
    for (;;) {
        if (done()) {
            result = true;
            break;
        }
        if (timer.fired || IsDeadState(state_)) {
            break;
        }
        pa_threaded_mainloop_wait(mainloop_);
    }
    pa_threaded_mainloop_get_api(mainloop_)->time_free(event);
    return result;
}

bool PulseConnection::Wait(pa_operation* operation, int timeoutMs) {
    if (operation == nullptr) {
        return false;
    }
    pa_operation_set_state_callback(operation, &OnOperationStateChanged, this);
    bool finished =
        WaitFor([operation] { return pa_operation_get_state(operation) != PA_OPERATION_RUNNING; },
                timeoutMs);
    bool done = finished && pa_operation_get_state(operation) == PA_OPERATION_DONE;
    pa_operation_set_state_callback(operation, nullptr, nullptr);
    if (!finished) {
        pa_operation_cancel(operation);
    }
    pa_operation_unref(operation);
    return done;
}

std::string PulseConnection::LastError() const {
    if (context_ == nullptr) {
        return "not connected";
    }
    return pa_strerror(pa_context_errno(context_));
}

} // namespace platform
