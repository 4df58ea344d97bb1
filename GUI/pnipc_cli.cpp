#include "pnipc_cli.h"
