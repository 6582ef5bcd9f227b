// Test hooks of the kernel: the next call of a named kernel operation fails with a given status, or
// stops at its start until the test lets it go.
//
// Operations that take hooks: "GetBase", "UngetBase", "GetDictionary", "Connect", "Open", "Close", "Disconnect",
// "CreateDatabase", "UpdateSchema", "VersAll", "Reorg", "ReIndex", and the client calls "KxObject::Make",
// "KxObject::Store", "KxObject::Refresh", "KxObject::Delete", "KxOnDemand::Get", "KxObjectSet::Get"
// (every set's Get), "KxAllSet::Query", "KxMemberAccessor::GetValue" and "KxMemberAccessor::SetValue".
//
// A failure answers the next call of its operation once: the call does nothing and answers the
// status, except "Close" (and "UngetBase", "Disconnect"), which close all the same and then answer
// it. A hold stops the next call of its operation before it does anything, on whichever thread it
// runs, until KxHookRelease; KxHookWaitHeld blocks the test until a call has reached the hold. The
// hooks are latches: nothing waits on a clock.
#pragma once

#include <cstdint>

// The next call of operation answers status (a negative status; 0 removes a failure set before).
void KxHookFailNext(const char* operation, int32_t status);
// The next call of operation waits at its start until KxHookRelease(operation).
void KxHookHoldNext(const char* operation);
// Blocks until a call of operation waits at its hold.
void KxHookWaitHeld(const char* operation);
// Lets the held call of operation go on (also a hold not reached yet: it is removed).
void KxHookRelease(const char* operation);
// Removes every failure and hold; held calls go on.
void KxHookClear();
