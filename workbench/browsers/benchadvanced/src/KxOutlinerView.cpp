// The outliner view: a subject's objects as an indented tree with icons by entry type, the
// subject's verbs and display aspects in a popup menu.
#include "KxOutlinerView.h"

#include <cstring>

#include "KvDialog.h"
#include "KvSubject.h"
#include "KxErrorCode.h"
#include "KxSearchDialog.h"
#include "KxViewSupport.h"

const char* const KxOutlinerView::textAspectId = "text";
const char* const KxOutlinerView::indentLevelAspectId = "indentLevel";
const char* const KxOutlinerView::entryTypeAspectId = "entryType";
const char* const KxOutlinerView::surrogateAspectId = "surrogate";
const char* const KxOutlinerView::classidAspectId = "class_id";

namespace {

// The short header of a title: behind its first TAB, or the whole title.
KxString ShortHeader(const KxString& title) {
    const std::string whole = title.ToUtf8();
    const size_t tab = whole.find('\t');
    return KxString::FromUtf8(tab == std::string::npos ? whole : whole.substr(tab + 1));
}

bool Titled(const KvAspect& a) { return a.getTitle().IsActive() && !a.getTitle().IsEmpty(); }

}  // namespace

// ---- nodes

KxOutlinerViewNode::KxOutlinerViewNode(KxOutliner* outliner) : KxOutlinerNode(outliner) {}

unsigned short KxOutlinerViewNode::getEntryType() const { return entryType_; }
KvSurrogate KxOutlinerViewNode::getSurrogate() const { return surrogate_; }
void KxOutlinerViewNode::setEntryType(unsigned short type) { entryType_ = type; }
void KxOutlinerViewNode::setSurrogate(const KvSurrogate& surrogate) { surrogate_ = surrogate; }
KxOutlinerViewNode* KxOutlinerViewNode::getNextSibling() const { return nextSibling_; }
void KxOutlinerViewNode::setNextSibling(KxOutlinerViewNode* node) { nextSibling_ = node; }
KxOutlinerViewNode* KxOutlinerViewNode::getParent() const { return parent_; }
void KxOutlinerViewNode::setParent(KxOutlinerViewNode* node) { parent_ = node; }

KxOutlinerNode* KxOutlinerViewNode::getNextVisibleNodeOnSameIndentLevel(unsigned short level) const {
    const KxOutlinerViewNode* ancestor = this;
    for (int steps = static_cast<int>(indentLevel()) - level; steps > 0 && ancestor != nullptr; --steps)
        ancestor = ancestor->parent_;
    if (ancestor != nullptr && ancestor->isVisible() && ancestor->indentLevel() == level) return ancestor->nextSibling_;
    return nullptr;
}

// ---- control

KxViewOutliner::KxViewOutliner(KxOutlinerView* view, Window* parent, WinBits style)
    : KxInteractorOutliner(view, parent, style), view_(view) {}

KxViewOutliner::KxViewOutliner(KxOutlinerView* view, Window* parent, const ResId& id)
    : KxInteractorOutliner(view, parent, id), view_(view) {}

void KxViewOutliner::popup(const MouseEvent& event) { view_->executePopup(this, event); }

void KxViewOutliner::GetFocus() {
    KxOutliner::GetFocus();
    view_->gotFocus();
}

void KxViewOutliner::LoseFocus() {
    KxOutliner::LoseFocus();
    view_->lostFocus();
}

// ---- view

KxOutlinerView::KxOutlinerView(KvSubject* subject, KvDialog* dialog, KxOutlinerViewTypeMapper* mapper,
                               KvAspectSet* extraAspects)
    : KvView(subject, dialog), typeMapper_(mapper), selfCell_(new KxOutlinerView*(this)) {
    outliner_ = new KxViewOutliner(this, dialog->getPaintWindow(), 16);
    outliner_->ChangeSelectHdl(makeLink(&SelectionChangedStub));
    outliner_->Show();
    outliner_->GrabFocus();
    aspSet_ = new KvAspectSet;
    aspSet_->add(new KvAspect(KvAspectId(textAspectId), "leer"));
    aspSet_->add(new KvAspect(KvAspectId(indentLevelAspectId)));
    aspSet_->add(new KvAspect(KvAspectId(entryTypeAspectId)));
    aspSet_->add(new KvAspect(KvAspectId(surrogateAspectId)));
    aspSet_->add(new KvAspect(KvAspectId(classidAspectId)));
    if (extraAspects != nullptr) {
        for (unsigned long i = 0; KvAspect* a = extraAspects->getObject(i); ++i) aspSet_->add(new KvAspect(*a));
    }
    update(0, KvVerb(nullptr, nullptr, nullptr, 1));
}

KxOutlinerView::~KxOutlinerView() {
    haveBeenKilled();
    delete outliner_;
    outliner_ = nullptr;
    aspSet_->deleteAspects();
    delete aspSet_;
    aspSet_ = nullptr;
    delete selfCell_;
}

Link KxOutlinerView::makeLink(long (*stub)(void*, void*)) { return Link(selfCell_, stub); }

long KxOutlinerView::SelectionChangedStub(void* cell, void*) { return (*static_cast<KxOutlinerView**>(cell))->SelectionChanged(); }

long KxOutlinerView::MenuSelectStub(void* cell, void* caller) {
    return (*static_cast<KxOutlinerView**>(cell))->menuSelectHdl(static_cast<Menu*>(caller));
}

long KxOutlinerView::MenuNothingStub(void*, void*) { return 0; }

void KxOutlinerView::resize(KvDialog* dialog) {
    KxFitOutliner(dialog, outliner_);
}

void KxOutlinerView::resize(KvDialog*, short x, short y, short width, short height) {
    if (outliner_ != nullptr) outliner_->SetPosSizePixel(Point(x, y), Size(width, height));
}

void KxOutlinerView::getPosAndSize(short& x, short& y, short& width, short& height) {
    if (outliner_ == nullptr) return KvView::getPosAndSize(x, y, width, height);
    KxOutlinerGeometry(*outliner_, x, y, width, height);
}

void KxOutlinerView::show(KvDialog*) {
    if (outliner_ != nullptr) outliner_->Show();
}

void KxOutlinerView::selectItem(unsigned short pos) {
    if (outliner_ != nullptr) outliner_->SetSelectedEntryCarelessOfVisibility(pos);
}

void KxOutlinerView::setSearchWindowType(int type) { searchWindowType_ = type; }
int KxOutlinerView::getSearchWindowType() const { return searchWindowType_; }

long KxOutlinerView::getContainerCount(int state) {
    KvSubject* subject = getSubject();
    const long count = subject != nullptr ? subject->getObjectsCount() : (outliner_ != nullptr ? outliner_->GetEntryCount() : 0);
    if (state == 1) return count;
    if (state == 0) return outliner_ != nullptr && outliner_->GetSelectedEntryPos() < count ? 1 : 0;
    return 0;
}

KvAspectSet* KxOutlinerView::getContainerItem(int index, int state) {
    if (getContainerCount(state) == 0) {
        aspSet_->setNotOk();
        return aspSet_;
    }
    KvSubject* subject = getSubject();
    if (subject != nullptr) {
        if (state == 1) subject->getValue(*aspSet_, index);
        else if (state == 0) subject->getValue(*aspSet_, index + outliner_->GetSelectedEntryPos());
    }
    return aspSet_;
}

long KxOutlinerView::SelectionChanged() {
    if (aspSet_ == nullptr || outliner_ == nullptr) return 0;
    const unsigned short selected = outliner_->GetSelectedEntryPos();
    if (KvSubject* subject = getSubject()) {
        subject->getValue(*aspSet_, selected);
    } else if (KxOutlinerNode* node = outliner_->GetSelectedEntry()) {
        if (KvAspect* text = aspSet_->getAspect(KvAspectId(textAspectId))) *text = node->textualRepresentation();
    }
    postEvent(*aspSet_, KvVerb("Selection changed", nullptr, nullptr, 1));
    return 1;
}

void KxOutlinerView::CheckNodeText(KxString& text) {
    for (unsigned long i = 0; KvAspect* a = aspSet_->getObject(i); ++i) {
        if (!Titled(*a)) continue;
        text += KxString(" ");
        text += ShortHeader(a->getTitle());
        text += KxString("=");
        text += a->isNotAvail() ? KxString("?") : a->getString();
    }
}

void KxOutlinerView::update(long, const KvVerb&) {
    KvSubject* subject = getSubject();
    if (outliner_ == nullptr || subject == nullptr) return;
    outliner_->Clear();
    Table levels(16, 16);
    const long count = subject->getObjectsCount();
    for (long i = 0; i < count; ++i) {
        auto* node = new KxOutlinerViewNode(outliner_);
        subject->getValue(*aspSet_, i);
        KxString text = aspSet_->getAspect(KvAspectId(textAspectId))->getString();
        CheckNodeText(text);
        node->setTextualRepresentation(String(text.StrGet()));
        const unsigned short level = aspSet_->getAspect(KvAspectId(indentLevelAspectId))->getUnsignedShort();
        node->setIndentLevel(level);
        node->setEntryType(aspSet_->getAspect(KvAspectId(entryTypeAspectId))->getUnsignedShort());
        node->setSurrogate(aspSet_->getAspect(KvAspectId(surrogateAspectId))->getSurrogate());
        Bitmap* icons[4] = {nullptr, nullptr, nullptr, nullptr};
        for (const KxOutlinerViewTypeMapper* m = typeMapper_; m != nullptr && m->entryType != -1; ++m) {
            if (m->entryType != node->getEntryType()) continue;
            icons[0] = m->iconic;
            icons[1] = m->negativIconic;
            icons[2] = m->collapsedIconic;
            icons[3] = m->negativCollapsedIconic;
        }
        node->setIconicRepresentation(icons[0]);
        node->setNegativIconicRepresentation(icons[1]);
        node->setCollapsedIconicRepresentation(icons[2]);
        node->setNegativCollapsedIconicRepresentation(icons[3]);
        // A node the control refuses (deeper by more than one level) is dropped before anything
        // links to it.
        if (outliner_->InsertEntry(node, KX_OUTLINER_NOPOS) == KX_OUTLINER_NOPOS) {
            delete node;
            continue;
        }
        while (levels.Count() > static_cast<uint32_t>(level) + 1) {
            levels.Last();
            levels.Remove(levels.GetCurKey());
        }
        if (auto* before = static_cast<KxOutlinerViewNode*>(levels.Get(level))) before->setNextSibling(node);
        if (!levels.Insert(level, node)) levels.Replace(level, node);
        node->setParent(level > 0 ? static_cast<KxOutlinerViewNode*>(levels.Get(level - 1)) : nullptr);
    }
}

void KxOutlinerView::update(KvAspectSet& set, long hint, const KvVerb& verb) {
    const char* text = verb.getVerb();
    if (text != nullptr && std::strncmp(text, "find", 4) == 0) {
        KvSubject* subject = getSubject();
        if (subject == nullptr) return;
        const KxErrorCode result = subject->update(set, outliner_ != nullptr ? outliner_->GetSelectedEntryPos() : 0, verb);
        if (result.isWarning()) {
            WarningBox(nullptr, WB_OK, result.errorString()).Execute();
        } else if (result.isError() || result.isFatal()) {
            ErrorBox(nullptr, WB_OK, result.errorString()).Execute();
        }
        return;
    }
    if (text != nullptr && strcasecmp(text, "select") == 0) {
        selectItem(static_cast<unsigned short>(hint));
        postEvent(set, verb);
        return;
    }
    update(hint, verb);
}

void KxOutlinerView::executePopup(Window* window, const MouseEvent& event) {
    KvSubject* subject = getSubject();
    if (subject == nullptr) return;
    PopupMenu menu;
    uint16_t verbItems = 0;
    if (KvVerb** verbs = subject->gimmeYourVerbs()) {
        for (uint16_t k = 0; verbs[k] != nullptr; ++k) {
            const uint16_t id = k + 1;
            menu.InsertItem(id, verbs[k]->getTitle());
            menu.EnableItem(id, verbs[k]->isApplyable() != 0);
            if (verbs[k]->getHelp() != nullptr) menu.SetHelpText(id, verbs[k]->getHelp());
            ++verbItems;
        }
    }
    if (KvAspectSet* aspects = subject->gimmeYourAspects()) {
        uint16_t id = 1001;
        bool separated = false;
        for (unsigned long i = 0; KvAspect* a = aspects->getObject(i); ++i) {
            if (!Titled(*a)) continue;
            if (!separated && verbItems > 0) menu.InsertSeparator();
            separated = true;
            menu.InsertItem(id, a->getTitle().StrGet());
            menu.CheckItem(id, aspSet_->getAspect(a->aspectId()) != nullptr);
            ++id;
        }
    }
    if (menu.GetItemCount() == 0) return;
    menu.PushSelectHdl(makeLink(&MenuSelectStub));
    menu.PushActivateHdl(makeLink(&MenuNothingStub));
    menu.PushHighlightHdl(makeLink(&MenuNothingStub));
    menu.Execute(window, event.GetPosPixel());
}

long KxOutlinerView::menuSelectHdl(Menu* menu) {
    if (menu == nullptr || aspSet_ == nullptr) return 0;
    KvSubject* subject = getSubject();
    if (subject == nullptr) return 0;
    const uint16_t id = menu->GetCurItemId();
    if (id < 1000) {
        KvVerb** verbs = subject->gimmeYourVerbs();
        if (verbs == nullptr || id == 0) return 1;
        for (uint16_t k = 0; k < id; ++k)
            if (verbs[k] == nullptr) return 1;
        KvVerb* verb = verbs[id - 1];
        if (verb->getVerb() != nullptr && strcasecmp(verb->getVerb(), "find") == 0) {
            KxSearchDialog::showDialogFor(searchWindowType_);
            return 1;
        }
        subject->update(*aspSet_, 0, *verb);
        return 1;
    }
    const String title = menu->GetItemText(id);
    KvAspectSet* aspects = subject->gimmeYourAspects();
    if (aspects == nullptr) return 1;
    for (unsigned long i = 0; KvAspect* a = aspects->getObject(i); ++i) {
        if (!Titled(*a) || title != String(a->getTitle().StrGet())) continue;
        if (KvAspect* shown = aspSet_->getAspect(a->aspectId())) {
            aspSet_->remove(shown);
            delete shown;
        } else {
            aspSet_->add(new KvAspect(*a));
        }
        break;
    }
    update(0, KvVerb(nullptr, nullptr, nullptr, 1));
    return 1;
}
