// A shared object that is no effect plug-in: it exports a function, but no entry point.
extern "C" __attribute__((visibility("default"))) int VoxwarpNotAnEffect() {
    return 42;
}
