// Placeholder: the translation library is being written.
extern "C" __attribute__((visibility("default"))) int GLEnd() { return 1; }
