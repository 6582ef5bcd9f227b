// KvEvent: an event id and nothing else.
#pragma once

class KvEvent {
public:
    KvEvent() : id_(0) {}
    KvEvent(short id) : id_(id) {}
    short id() const { return id_; }
    short& id() { return id_; }

private:
    short id_;
};
