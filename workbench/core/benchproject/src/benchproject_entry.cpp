// Library entry of benchproject: the entry routine does nothing but succeed, and the library exports
// dummyExport like every workbench library.

extern "C" __attribute__((visibility("default"))) int dummyExport() { return 1; }
