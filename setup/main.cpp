// Wrapup: the setup finalizer (see wrapup.h). Usage: Wrapup "<installer program file>"
#include "command_line.h"
#include "wrapup.h"

int main(int argc, char** argv) {
    return RunWrapup(JoinArguments(argc, argv));
}
