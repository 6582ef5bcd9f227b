// Input of the views' outliner controls, passed to the view's interactor.
#include "KxInteractorOutliner.h"

#include "KvInteractor.h"
#include "KvView.h"

KxInteractorOutliner::KxInteractorOutliner(KvView* view, Window* parent, WinBits style) : KxOutliner(parent, style), view_(view) {}

KxInteractorOutliner::KxInteractorOutliner(KvView* view, Window* parent, const ResId& id) : KxOutliner(parent, id), view_(view) {}

void KxInteractorOutliner::MouseMove(const MouseEvent& event) {
    if (KvInteractor* i = view_->getAttachedInteractor()) i->MouseMove(view_, this, event);
}

void KxInteractorOutliner::MouseButtonDown(const MouseEvent& event) {
    KvInteractor* i = view_->getAttachedInteractor();
    if ((i == nullptr || i->MouseButtonDown(view_, this, event) == 0) && event.GetButtons() == 16) popup(event);
}

void KxInteractorOutliner::MouseButtonUp(const MouseEvent& event) {
    if (KvInteractor* i = view_->getAttachedInteractor()) i->MouseButtonUp(view_, this, event);
}

void KxInteractorOutliner::KeyInput(const KeyEvent& event) {
    if (KvInteractor* i = view_->getAttachedInteractor()) i->KeyInput(view_, this, event);
}

void KxInteractorOutliner::RequestHelp(const HelpEvent& event) {
    if (KvInteractor* i = view_->getAttachedInteractor()) i->RequestHelp(view_, this, event);
}

bool KxInteractorOutliner::Drop(const DropEvent& event) {
    KvInteractor* i = view_->getAttachedInteractor();
    return i != nullptr && i->Drop(view_, this, event) != 0;
}

bool KxInteractorOutliner::QueryDrop(DropEvent& event) {
    KvInteractor* i = view_->getAttachedInteractor();
    return i != nullptr && i->QueryDrop(view_, this, event) != 0;
}
