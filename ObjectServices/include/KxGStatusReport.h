// The text that says what went wrong, for the kernel's caller.
//
// Where the gateway makes a status out of a failure of the relational server, it notes the server's
// own message beside it (KxGNoteServerError). Where it answers the kernel, a failure goes to the
// base's exception manager with that message, or with the text of the status when no message of the
// server goes with it (KxGStatusScope::Answer): the caller reads it as the base's last error. Notes
// belong to the thread that made them.
#pragma once

#include <cstdint>

class KxBase;
class KxGDatabase;

// Notes the message of the connection's error (when it holds one) as the cause of status. Answers
// status.
int32_t KxGNoteServerError(KxGDatabase* database, int32_t status);

// One call of the kernel into the gateway: it starts with no note; Answer hands a failure to the
// base's exception manager and answers the status.
class KxGStatusScope {
public:
    explicit KxGStatusScope(KxBase* base);
    ~KxGStatusScope();
    KxGStatusScope(const KxGStatusScope&) = delete;
    KxGStatusScope& operator=(const KxGStatusScope&) = delete;

    int32_t Answer(int32_t status);

private:
    KxBase* base_;
    bool outer_;
};
