#include "KvVerb.h"

#include <cstring>

KvVerb::KvVerb() : verb_(nullptr), title_(nullptr), help_(nullptr), applyable_(0) {}

KvVerb::KvVerb(const char* verb, const char* title, const char* help, int applyable)
    : verb_(verb), title_(title), help_(help), applyable_(applyable & 1) {}

KvVerb::KvVerb(const KvVerb& other) = default;

KvVerb& KvVerb::operator=(const KvVerb& other) = default;

KvVerb& KvVerb::operator=(const char* verb) {
    verb_ = verb;
    title_ = nullptr;
    help_ = nullptr;
    applyable_ = 1;
    return *this;
}

bool KvVerb::operator==(const KvVerb& other) const { return *this == other.verb_; }

bool KvVerb::operator==(const char* verb) const {
    return verb_ == nullptr || verb == nullptr || std::strcmp(verb_, verb) == 0;
}

const char* KvVerb::getTitle() const { return title_ ? title_ : verb_; }
