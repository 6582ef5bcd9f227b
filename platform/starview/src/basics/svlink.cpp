#include "svlink.h"

Link::Link() : object_(nullptr), stub_(nullptr) {}
Link::Link(void* object, PSTUB stub) : object_(object), stub_(stub) {}
Link::Link(const Link& other) = default;
Link& Link::operator=(const Link& other) = default;

long Link::Call(void* caller) const { return stub_ != nullptr ? stub_(object_, caller) : 0; }
bool Link::IsSet() const { return stub_ != nullptr; }
bool Link::operator!() const { return stub_ == nullptr; }
bool Link::operator==(const Link& other) const { return object_ == other.object_ && stub_ == other.stub_; }
bool Link::operator!=(const Link& other) const { return !(*this == other); }
void* Link::GetInstance() const { return object_; }
