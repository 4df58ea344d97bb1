// The voice server's command table: one stub per command code, each reading the request's
// fields, calling the handler and writing the answer's fields.
#pragma once

#include <span>

#include "ipc/ipc_command.h"

// The table, in lookup order (the first entry with a code serves it).
std::span<const IpcCommand> ServerCommandTable();
