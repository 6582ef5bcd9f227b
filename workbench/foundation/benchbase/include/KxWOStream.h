// KxWOStream: the diagnostic output stream of the workbench libraries.
//
// Each source unit that reports anything keeps one static KxWOStream and writes lines with <<,
// closed by endl. All streams of a process share one sink: a console, allocated by the first
// stream when the environment variable "KXHOME" is set (to any value), or else the debugger
// output. Nothing is buffered: every operator writes at once.
#pragma once

class KxWOConsoleRef;

class KxWOStream {
public:
    // Takes a console reference; the first one (while no other stream lives) opens the sink and
    // writes the banner "Tessaform Workbench Console I/O enabled.\n".
    KxWOStream();
    // Releases the stream's console reference; the last one closes the console.
    ~KxWOStream();
    // Each stream keeps its own console reference: assignment changes nothing.
    KxWOStream& operator=(const KxWOStream& other);
    KxWOStream(const KxWOStream&) = delete;

    KxWOStream& operator<<(const char* text);     // unchanged (a null text writes nothing)
    KxWOStream& operator<<(int value);            // "%d"
    KxWOStream& operator<<(unsigned int value);   // "%u"
    KxWOStream& operator<<(short value);          // "%d"
    KxWOStream& operator<<(unsigned short value); // "%u"
    KxWOStream& operator<<(long value);           // "%ld"
    KxWOStream& operator<<(unsigned long value);  // "%lu"
    KxWOStream& operator<<(float value);          // "%f"
    KxWOStream& operator<<(double value);         // "%lf"
    KxWOStream& operator<<(char value);           // "%c"
    KxWOStream& operator<<(void* value);          // "0x%lx": lower-case hexadecimal
    // Manipulators (endl, flush).
    KxWOStream& operator<<(KxWOStream& (*manipulator)(KxWOStream&));

    // There is nothing to flush.
    KxWOStream& flush();

private:
    KxWOConsoleRef* console_;
};

// Writes "\n".
KxWOStream& endl(KxWOStream& stream);
// Does nothing.
KxWOStream& flush(KxWOStream& stream);
