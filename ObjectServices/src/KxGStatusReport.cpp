#include "KxGStatusReport.h"

#include <string>

#include "KxBase.h"
#include "KxGDatabase.h"
#include "KxGErrorText.h"
#include "KxGStatusCodes.h"
#include "KxSpecs.h"
#include "kxfound.h"

namespace {

struct Note {
    bool set = false;
    std::string text;
    int depth = 0;   // open scopes of this thread
};

thread_local Note t_note;

// The gateway's text of its own codes, the kernel's of the others (null when it has none).
const char* StatusText(int32_t status)
{
    const bool own = (status <= KXG_E_RANGE_HIGHEST && status >= KXG_E_RANGE_LOWEST) ||
                     status == KXG_E_ADAPTER_NOT_LOADED || status == KXG_E_RUNTIME_INCOMPATIBLE;
    return own ? KxGGetErrorText(status) : KxError(status);
}

}  // namespace

int32_t KxGNoteServerError(KxGDatabase* database, int32_t status)
{
    KxGDatabaseError* error = database != nullptr ? database->GetError() : nullptr;
    if (error != nullptr && error->HasError() != 0 && error->Text() != nullptr && error->Text()[0] != '\0') {
        t_note.set = true;
        t_note.text = error->Text();
    }
    return status;
}

KxGStatusScope::KxGStatusScope(KxBase* base) : base_(base), outer_(t_note.depth == 0)
{
    // A call made by the gateway itself inside another keeps the note of the outer call.
    if (outer_) {
        t_note.set = false;
        t_note.text.clear();
    }
    ++t_note.depth;
}

KxGStatusScope::~KxGStatusScope()
{
    --t_note.depth;
}

int32_t KxGStatusScope::Answer(int32_t status)
{
    if (status >= 0 || !outer_) {
        return status;
    }
    KxExcMgr* manager = base_ != nullptr ? base_->GetExcMgr() : nullptr;
    if (manager != nullptr) {
        std::string text;
        if (t_note.set) {
            text = t_note.text;
        } else if (const char* own = StatusText(status)) {
            text = own;
        }
        KxErrorInfo info;
        info.code = status;
        info.text = KxString(text.c_str());
        manager->HandleError(info);
    }
    t_note.set = false;
    t_note.text.clear();
    return status;
}
