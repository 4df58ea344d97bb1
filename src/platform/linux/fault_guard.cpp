// Guarded calls on Linux: one process-wide handler for the synchronous fault signals jumps back
// to the innermost guard of the faulting thread (sigsetjmp/siglongjmp), and passes every other
// fault on to the handler that was installed before it. Each guarded thread gets an alternate
// signal stack, so that a stack overflow can be reported too.
#include "platform/fault_guard.h"

#include <csetjmp>
#include <csignal>
#include <cstdint>
#include <cstdlib>
#include <mutex>
#include <pthread.h>

#include "platform/fault.h"

namespace platform {
namespace {

constexpr int kGuardedSignals[] = {SIGSEGV, SIGBUS, SIGFPE, SIGILL};

// Room for the handler and the fault decoding; far below any thread's own stack.
constexpr std::size_t kAltStackBytes = 64 * 1024;

struct GuardFrame {
    sigjmp_buf jump;
    FaultRecord fault;
    int signal = 0;
    GuardFrame* outer = nullptr;
};

// Only plain values here: the signal handler reads them.
thread_local GuardFrame* tInnermost = nullptr;
thread_local StackRange tStack;

struct sigaction gPrevious[NSIG];

// Per-thread set-up, done at the thread's first guarded call and undone at its end.
class ThreadSetup {
public:
    ~ThreadSetup() {
        if (altStack_ == nullptr)
            return;
        stack_t off{};
        off.ss_flags = SS_DISABLE;
        sigaltstack(&off, nullptr);
        std::free(altStack_);
    }

    void Prepare() {
        if (prepared_)
            return;
        prepared_ = true;
        stack_t current{};
        // A thread that has its own alternate stack (a sanitizer's, say) keeps it.
        if (sigaltstack(nullptr, &current) == 0 && (current.ss_flags & SS_DISABLE) != 0) {
            altStack_ = std::malloc(kAltStackBytes);
            if (altStack_ != nullptr) {
                stack_t mine{};
                mine.ss_sp = altStack_;
                mine.ss_size = kAltStackBytes;
                if (sigaltstack(&mine, nullptr) != 0) {
                    std::free(altStack_);
                    altStack_ = nullptr;
                }
            }
        }
        pthread_attr_t attr;
        if (pthread_getattr_np(pthread_self(), &attr) == 0) {
            void* low = nullptr;
            std::size_t size = 0;
            if (pthread_attr_getstack(&attr, &low, &size) == 0) {
                tStack.low = reinterpret_cast<std::uintptr_t>(low);
                tStack.high = tStack.low + size;
            }
            pthread_attr_destroy(&attr);
        }
    }

private:
    bool prepared_ = false;
    void* altStack_ = nullptr;
};

thread_local ThreadSetup tSetup;

// Hands a fault that no guard takes to the handler installed before ours, or to the default
// action: a fault raised by an instruction repeats when the handler returns and then ends the
// process as it would have without us; a signal sent from outside is raised again.
void PassOn(int signal, siginfo_t* info, void* ucontext) {
    const struct sigaction& previous = gPrevious[signal];
    if ((previous.sa_flags & SA_SIGINFO) != 0) {
        if (previous.sa_sigaction != nullptr) {
            previous.sa_sigaction(signal, info, ucontext);
            return;
        }
    } else if (previous.sa_handler != SIG_DFL && previous.sa_handler != SIG_IGN) {
        previous.sa_handler(signal);
        return;
    }
    struct sigaction fallback {};
    fallback.sa_handler = SIG_DFL;
    sigemptyset(&fallback.sa_mask);
    sigaction(signal, &fallback, nullptr);
    if (info == nullptr || info->si_code <= 0)
        raise(signal);
}

void OnFault(int signal, siginfo_t* info, void* ucontext) {
    GuardFrame* frame = tInnermost;
    // Only a fault of this thread's own code counts; a signal sent by kill() does not.
    if (frame != nullptr && info != nullptr && info->si_code > 0) {
        frame->fault = FaultRecordFromSignal(signal, info, ucontext, &tStack);
        frame->signal = signal;
        siglongjmp(frame->jump, 1);
    }
    PassOn(signal, info, ucontext);
}

void InstallHandlers() {
    static std::once_flag once;
    std::call_once(once, [] {
        struct sigaction action {};
        action.sa_sigaction = OnFault;
        action.sa_flags = SA_SIGINFO | SA_ONSTACK;
        sigemptyset(&action.sa_mask);
        for (int signal : kGuardedSignals)
            sigaction(signal, &action, &gPrevious[signal]);
    });
}

} // namespace

bool CallGuarded(void (*body)(void* context), void* context, FaultRecord& fault) {
    InstallHandlers();
    tSetup.Prepare();
    GuardFrame frame;
    frame.outer = tInnermost;
    // The signal mask is not saved (that would cost a system call per guarded call): after a
    // fault only the fault signal, which the kernel blocked for the handler, is unblocked.
    if (sigsetjmp(frame.jump, 0) != 0) {
        tInnermost = frame.outer;
        sigset_t faultSignal;
        sigemptyset(&faultSignal);
        sigaddset(&faultSignal, frame.signal);
        pthread_sigmask(SIG_UNBLOCK, &faultSignal, nullptr);
        fault = frame.fault;
        return false;
    }
    tInnermost = &frame;
    body(context);
    tInnermost = frame.outer;
    return true;
}

} // namespace platform
