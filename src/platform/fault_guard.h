// Calls into foreign code (plug-ins) that may fault: a fault on the calling thread while the
// call runs abandons the call and is reported as a fault record instead of ending the process.
#pragma once

#include "platform/fault_record.h"

namespace platform {

// Runs body(context) on the calling thread. Returns true when it returned normally; false when
// a fault (access violation, bus error, arithmetic or illegal-instruction fault, stack
// overflow) hit this thread while it ran: the call is then abandoned at once and fault
// describes what happened. Faults outside a guarded call and on other threads keep their usual
// handling. Guards nest; any thread may use them.
//
// The frames between the guard and the fault are left without unwinding, so the body must not
// hold objects with destructors or locks while it runs foreign code.
bool CallGuarded(void (*body)(void* context), void* context, FaultRecord& fault);

// The same for any callable.
template <typename Body>
bool CallGuarded(Body& body, FaultRecord& fault) {
    return CallGuarded([](void* context) { (*static_cast<Body*>(context))(); }, &body, fault);
}

} // namespace platform
