#include "KxWorkspaceDocument.h"

#include "KxObject.h"
#include "KxWOStream.h"
#include "KxWorkspace.h"

static KxWOStream theStream;

static const char workspaceDocumentTypeName[] = "KxWorkspaceDocument";
static const KxDocumentType workspaceDocumentType(workspaceDocumentTypeName);

#define KX_WORKSPACE_LINE(text) \
    theStream << text << " [" << __FILE__ << ", " << __LINE__ << "]" << endl

KxWorkspaceDocument::KxWorkspaceDocument(KxString& name, KxAgent* agent, KxDocumentManager* docMgr,
                                         const KxString& host, const KxString& base)
    : KxKelvoxDatabaseDocument(name, agent, docMgr, host, base, 2) {}

KxWorkspaceDocument::~KxWorkspaceDocument() { genericClose(); }

KxDocumentType KxWorkspaceDocument::getDocumentType() { return workspaceDocumentType; }
KxDocumentType KxWorkspaceDocument::getType() { return workspaceDocumentType; }

int KxWorkspaceDocument::isA(KxDocumentType& type) {
    if (type == workspaceDocumentType) return 1;
    return KxKelvoxDatabaseDocument::isA(type);
}

void KxWorkspaceDocument::setParent(KxBase* parent) {
    genericClose();
    if (parent == nullptr) {
        KX_WORKSPACE_LINE("cannot allocate KxWorkspaceDocument - parent database is null.");
        return;
    }
    parent_ = parent;
}

KxBase* KxWorkspaceDocument::getParent() { return parent_; }

KxWorkspace* KxWorkspaceDocument::getWorkspace() {
    return parent_ != nullptr ? static_cast<KxWorkspace*>(getBase()) : nullptr;
}

int KxWorkspaceDocument::genericObjectBaseOpen(const char* server, const char* name) {
    if (server == nullptr || name == nullptr) {
        setStatus(KX_KERNEL_E_INVALID);
        return getStatus();
    }
    enterLocalDirectory(server, name, true);
    if (getBase() == nullptr) {
        if (parent_ == nullptr) {
            // A workspace belongs to a parent database: nothing can open without one.
            setStatus(KX_KERNEL_E_STATE);
            return getStatus();
        }
        auto* workspace = new KxWorkspace(parent_);
        int status = workspace->Connect(KxString(server));
        if (status == 0) status = workspace->Open(KxString(name), 2, 0, 0);
        setStatus(status);
        if (status < 0) {
            workspace->Close();
            delete workspace;
        } else {
            setBase(workspace);
        }
    }
    if (getStatus() >= 0) {
        beginExternalBackup(0);
        setStatus(0);
    }
    return getStatus();
}

int KxWorkspaceDocument::checkOut(KxOnDemand& object, int32_t depth, unsigned short flags) {
    KxWorkspace* workspace = getWorkspace();
    if (parent_ == nullptr || workspace == nullptr) {
        KX_WORKSPACE_LINE("Try to do check out without having a workspace pointer.");
        return 0;
    }
    setStatus(object.CheckOut(workspace, depth, flags));
    return getStatus();
}

int KxWorkspaceDocument::beginCheckOut() {
    KxWorkspace* workspace = getWorkspace();
    if (parent_ == nullptr || workspace == nullptr) {
        KX_WORKSPACE_LINE("Try to begin check out without having a workspace pointer.");
        return 0;
    }
    setStatus(workspace->BeginCheckOut());
    return getStatus();
}

int KxWorkspaceDocument::abortCheckOut() {
    KxWorkspace* workspace = getWorkspace();
    if (parent_ == nullptr || workspace == nullptr) {
        KX_WORKSPACE_LINE("Try to abort check out without having a workspace pointer.");
        return 0;
    }
    setStatus(workspace->AbortCheckOut());
    return getStatus();
}

int KxWorkspaceDocument::commitCheckOut() {
    KxWorkspace* workspace = getWorkspace();
    if (parent_ == nullptr || workspace == nullptr) {
        KX_WORKSPACE_LINE("Try to commit check out without having a workspace pointer.");
        return 0;
    }
    setStatus(workspace->CommitCheckOut());
    return getStatus();
}

int KxWorkspaceDocument::updateSource() {
    KxWorkspace* workspace = getWorkspace();
    if (parent_ == nullptr || workspace == nullptr) {
        KX_WORKSPACE_LINE("Try to do source update without having a workspace pointer.");
        return 0;
    }
    setStatus(workspace->UpdateSource(0x2004));
    return getStatus();
}

int KxWorkspaceDocument::checkIn() {
    KxWorkspace* workspace = getWorkspace();
    if (parent_ == nullptr || workspace == nullptr) {
        KX_WORKSPACE_LINE("Try to check in workspace without having a pointer to it.");
        return 0;
    }
    const int status = workspace->CheckIn();
    setStatus(status);
    // The workspace has ended: the document lets go of it (and frees it).
    if (status >= 0) releaseBase();
    return status;
}

int KxWorkspaceDocument::discard() {
    KxWorkspace* workspace = getWorkspace();
    if (parent_ == nullptr || workspace == nullptr) {
        KX_WORKSPACE_LINE("Try to discard workspace without having a pointer to it or its parent.");
        return 0;
    }
    const KxString physicalName = workspace->PhysicalName();
    workspace->Close();
    const int status = parent_->DiscardWorkspace(physicalName);
    setStatus(status);
    if (status >= 0) releaseBase();
    return status;
}
