// A library that needs a symbol no library defines.
extern "C" int NowhereDefined();
extern "C" int CallsNowhere() { return NowhereDefined(); }
