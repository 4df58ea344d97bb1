#!/usr/bin/env bash
# Compiles the effect record's layout check for a 32-bit target: check_layout_32bit.sh CXX SRC.
# The check needs only the compiler's freestanding headers, so no 32-bit C or C++ library
# (multilib) has to be installed; a compiler that cannot target 32-bit at all skips it.
set -u
compiler=$1
src=$2
if ! echo 'int probe;' | "$compiler" -m32 -fsyntax-only -x c++ - 2>/dev/null; then
    echo "SKIPPED: $compiler cannot compile for a 32-bit target (-m32)"
    exit 77
fi
exec "$compiler" -m32 -ffreestanding -std=c++20 -Wall -Wextra -Werror -fsyntax-only \
    -I"$src" "$src/effect/aeffect_layout_check.cpp"
