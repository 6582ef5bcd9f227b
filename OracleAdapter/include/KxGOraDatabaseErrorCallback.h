// The process-wide listener for Oracle error messages.
//
// The Oracle adapter tells one registered listener about every Oracle error message it receives
// (KxGOraDatabaseError reports through Notify). Other modules, such as the database upgrade library,
// derive from this class, implement Receive and register one object:
//
//   class MyReceiver : public KxGOraDatabaseErrorCallback {
//       void Receive(int32_t code, const char* message, const char* context) override { ... }
//   };
//   MyReceiver receiver;
//   receiver.Register();
//   ...                      // every Oracle error reaches receiver.Receive
//   receiver.Unregister();
//
// Whatever Receive throws passes out of Notify to the adapter operation that reported the error, which
// then ends; the adapter leaves its error object and handles consistent, so the next operation works.
#pragma once

#include <cstdint>

class KxGOraDatabaseErrorCallback {
public:
    // The receiver: code is the Oracle error number (or the status that was reported), message the
    // message on one line (line feeds turned into blanks, blanks trimmed at both ends), context the
    // statement text of a statement's report or an empty text for a connection's report.
    virtual void Receive(int32_t code, const char* message, const char* context) = 0;

    KxGOraDatabaseErrorCallback();
    // A copy is a new, unregistered listener: nothing is copied.
    KxGOraDatabaseErrorCallback(const KxGOraDatabaseErrorCallback& other);
    // Copies nothing; the registration of either object is unchanged.
    KxGOraDatabaseErrorCallback& operator=(const KxGOraDatabaseErrorCallback& other);
    // A listener that is still registered when it dies unregisters itself.
    virtual ~KxGOraDatabaseErrorCallback();

    // Makes this object the process-wide listener, replacing any earlier one.
    void Register();
    // Clears the process-wide listener, whichever object is registered.
    void Unregister();

    // Copies message (null reads as empty), replaces every line feed by a blank, trims blanks at both
    // ends and, when a listener is registered, calls its Receive with (code, the cleaned message,
    // context); a null context is passed as an empty text. Without a listener nothing happens.
    // Whatever Receive throws passes out.
    static void Notify(int32_t code, const char* message, const char* context);
};
