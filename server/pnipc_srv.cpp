#include "pnipc_cmds.h"
