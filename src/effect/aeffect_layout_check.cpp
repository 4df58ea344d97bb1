// Compile-time check of the effect record's layout. Built with the host for its own target,
// and by a test for a 32-bit target (without that target's C++ library: see aeffect.h).
#include "effect/aeffect.h"

#define VOXWARP_CHECK_OFFSET(field, offset)                                                        \
    static_assert(offsetof(AEffect, field) == (offset), "AEffect::" #field " is misplaced")

#if defined(__i386__)
// The classic 32-bit layout: every field 4 bytes.
VOXWARP_CHECK_OFFSET(magic, 0);
VOXWARP_CHECK_OFFSET(dispatcher, 4);
VOXWARP_CHECK_OFFSET(process, 8);
VOXWARP_CHECK_OFFSET(setParameter, 12);
VOXWARP_CHECK_OFFSET(getParameter, 16);
VOXWARP_CHECK_OFFSET(numPrograms, 20);
VOXWARP_CHECK_OFFSET(numParams, 24);
VOXWARP_CHECK_OFFSET(numInputs, 28);
VOXWARP_CHECK_OFFSET(numOutputs, 32);
VOXWARP_CHECK_OFFSET(flags, 36);
VOXWARP_CHECK_OFFSET(resvd1, 40);
VOXWARP_CHECK_OFFSET(resvd2, 44);
VOXWARP_CHECK_OFFSET(initialDelay, 48);
VOXWARP_CHECK_OFFSET(realQualities, 52);
VOXWARP_CHECK_OFFSET(offQualities, 56);
VOXWARP_CHECK_OFFSET(ioRatio, 60);
VOXWARP_CHECK_OFFSET(object, 64);
VOXWARP_CHECK_OFFSET(user, 68);
VOXWARP_CHECK_OFFSET(uniqueID, 72);
VOXWARP_CHECK_OFFSET(version, 76);
VOXWARP_CHECK_OFFSET(processReplacing, 80);
VOXWARP_CHECK_OFFSET(future, 84);
static_assert(sizeof(AEffect) == 144, "the 32-bit effect record is 144 bytes");
#elif defined(__x86_64__) || defined(__aarch64__)
// The 64-bit layout of Linux plug-ins: pointer-sized fields take 8 bytes and 8-byte alignment.
VOXWARP_CHECK_OFFSET(magic, 0);
VOXWARP_CHECK_OFFSET(dispatcher, 8);
VOXWARP_CHECK_OFFSET(process, 16);
VOXWARP_CHECK_OFFSET(setParameter, 24);
VOXWARP_CHECK_OFFSET(getParameter, 32);
VOXWARP_CHECK_OFFSET(numPrograms, 40);
VOXWARP_CHECK_OFFSET(numParams, 44);
VOXWARP_CHECK_OFFSET(numInputs, 48);
VOXWARP_CHECK_OFFSET(numOutputs, 52);
VOXWARP_CHECK_OFFSET(flags, 56);
VOXWARP_CHECK_OFFSET(resvd1, 64);
VOXWARP_CHECK_OFFSET(resvd2, 72);
VOXWARP_CHECK_OFFSET(initialDelay, 80);
VOXWARP_CHECK_OFFSET(realQualities, 84);
VOXWARP_CHECK_OFFSET(offQualities, 88);
VOXWARP_CHECK_OFFSET(ioRatio, 92);
VOXWARP_CHECK_OFFSET(object, 96);
VOXWARP_CHECK_OFFSET(user, 104);
VOXWARP_CHECK_OFFSET(uniqueID, 112);
VOXWARP_CHECK_OFFSET(version, 116);
VOXWARP_CHECK_OFFSET(processReplacing, 120);
VOXWARP_CHECK_OFFSET(future, 128);
static_assert(sizeof(AEffect) == 192, "the 64-bit effect record is 192 bytes");
#endif

static_assert(sizeof(ERect) == 8, "the editor rectangle is four 16-bit values");
static_assert(sizeof(float) == 4, "parameters and samples are IEEE single precision");
