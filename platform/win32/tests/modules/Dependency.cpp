// A library that the test module uses: its export is not the module's.
extern "C" int DepOnly() { return 7; }
