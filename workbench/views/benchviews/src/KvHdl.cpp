#include "KvHdl.h"

#include "KvView.h"
#include "svlist.h"

namespace {

// The handles registered for focus notification; built when the library loads.
Container theHandles(1024, 16, 16);

}  // namespace

KvHdl::KvHdl() : registered_(0) {}

KvHdl::KvHdl(const KvHdl& other) : registered_(other.registered_) {}

KvHdl& KvHdl::operator=(const KvHdl& other) {
    registered_ = other.registered_;
    return *this;
}

KvHdl::~KvHdl() {
    if (registered_) theHandles.Remove(this);
}

void KvHdl::registerForNotification() {
    if (registered_) return;
    theHandles.Insert(this, CONTAINER_APPEND);
    registered_ = 1;
}

void KvHdl::notifyFocus(KvView&) {}

void KvHdl::notifyDefocus(KvView&) {}

// By position, so that a handle that leaves the list meanwhile is not called.
void KvHdl::broadcastFocus(KvView& view) {
    for (uint32_t i = 0; i < theHandles.Count(); ++i) static_cast<KvHdl*>(theHandles.GetObject(i))->notifyFocus(view);
}

void KvHdl::broadcastDefocus(KvView& view) {
    for (uint32_t i = 0; i < theHandles.Count(); ++i) static_cast<KvHdl*>(theHandles.GetObject(i))->notifyDefocus(view);
}
