// The library the stream probe loads: a source unit with its static stream.
#include "KxWOStream.h"

static KxWOStream theStream;

extern "C" __attribute__((visibility("default"))) void ProbeWrite(const char* text) { theStream << text << endl; }

// Streams made and destroyed while others live: no banner, and the console stays.
extern "C" __attribute__((visibility("default"))) void ProbeMoreStreams() {
    KxWOStream a;
    KxWOStream b;
    a = b;
    a << "two more" << endl;
}
