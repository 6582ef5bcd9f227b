// The object locks of a connection. So far only the base that the transaction manager keeps and
// deletes; the lock services themselves come with the locking work.
#pragma once

class KxGLockService {
public:
    virtual ~KxGLockService();

protected:
    KxGLockService() = default;
    KxGLockService(const KxGLockService&) = default;
    KxGLockService& operator=(const KxGLockService&) = default;
};
