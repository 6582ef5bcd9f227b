// The verb popup of the object and navigation views and their way into the aspect editor.
#include "KxViewSupport.h"

#include <strings.h>

#include <memory>

#include "AspectEdit.h"
#include "KvDialog.h"
#include "KvSubject.h"
#include "KxOutliner.h"
#include "KxOutlinerTagMapper.h"

namespace {

// Remembers the item the menu's select handler received.
struct Chosen {
    uint16_t id = 0;
    static long Select(void* self, void* caller) {
        static_cast<Chosen*>(self)->id = static_cast<Menu*>(caller)->GetCurItemId();
        return 1;
    }
};

}  // namespace

bool KxVerbNamed(const KvVerb& verb, const char* name) {
    return verb.getVerb() != nullptr && strcasecmp(verb.getVerb(), name) == 0;
}

KvVerb* KxChooseVerb(Window* window, const Point& pos, KvVerb** verbs, bool editDisabled) {
    if (verbs == nullptr || verbs[0] == nullptr) return nullptr;
    PopupMenu menu;
    uint16_t count = 0;
    for (; verbs[count] != nullptr; ++count) {
        const uint16_t id = count + 1;
        menu.InsertItem(id, verbs[count]->getTitle());
        menu.EnableItem(id, verbs[count]->isApplyable() != 0 && !(editDisabled && KxVerbNamed(*verbs[count], "edit")));
        if (verbs[count]->getHelp() != nullptr) menu.SetHelpText(id, verbs[count]->getHelp());
    }
    Chosen chosen;
    menu.PushSelectHdl(Link(&chosen, &Chosen::Select));
    menu.Execute(window, pos);
    return chosen.id >= 1 && chosen.id <= count ? verbs[chosen.id - 1] : nullptr;
}

bool KxRunContextPopup(Window* window, const Point& pos, KvSubject* context, KvVerb** verbs, bool editDisabled) {
    KvVerb* verb = KxChooseVerb(window, pos, verbs, editDisabled);
    if (verb == nullptr || context == nullptr) return false;
    if (KxVerbNamed(*verb, "edit")) return true;
    KvAspectSet* aspects = context->gimmeYourAspects();
    if (aspects == nullptr) return false;
    const KxErrorCode result = context->update(*aspects, 0, *verb);
    if (result) result.display();
    return false;
}

short KxRunAspectEdit(Window* parent, KvAspect* aspect) {
    ResMgr* kept = Resource::GetResManager();
    auto own = std::make_unique<ResMgr>("benchadvanced");
    Resource::SetResManager(own.get());
    auto dialog = std::make_unique<AspectEdit>(parent, aspect);
    Resource::SetResManager(kept);
    return dialog->Execute();
}

bool KxFitOutliner(KvDialog* dialog, KxOutliner* outliner) {
    Window* paint = dialog != nullptr ? dialog->getPaintWindow() : nullptr;
    if (paint == nullptr || outliner == nullptr) return false;
    outliner->SetPosSizePixel(Point(0, 0), paint->GetOutputSizePixel());
    return true;
}

void KxOutlinerGeometry(const KxOutliner& outliner, short& x, short& y, short& width, short& height) {
    const Point pos = outliner.GetPosPixel();
    const Size size = outliner.GetSizePixel();
    x = static_cast<short>(pos.X());
    y = static_cast<short>(pos.Y());
    width = static_cast<short>(size.Width());
    height = static_cast<short>(size.Height());
}

void KxApplyTagIcons(KxOutlinerNode* node, KxOutlinerTagMapper* mapper, long tag) {
    KxOutlinerTagMapper* entry = mapper != nullptr ? mapper->getTagMapperEntry(tag) : nullptr;
    if (entry == nullptr) return;
    node->setIconicRepresentation(entry->iconic);
    node->setNegativIconicRepresentation(entry->negativIconic);
    node->setCollapsedIconicRepresentation(entry->collapsedIconic);
    node->setNegativCollapsedIconicRepresentation(entry->negativCollapsedIconic);
}
