// The dialogs in which the user names a host and a base (a database, dictionary, workspace or
// workbook) to open or to create, and the database lookup they use: recently used hosts and bases
// come from the workbench settings, a file browser offers the mode's filters, and, optionally, a
// check box lists the databases that the host's object-database server knows. The layouts come
// from the caller's dialog resource.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "KxString.h"
#include "sv.h"

// What a base dialog is for.
enum KxBaseDialogOpenMode : int32_t {
    KX_BASE_OPEN_DATABASE = 0,
    KX_BASE_OPEN_WORKBOOK = 1,
    KX_BASE_NEW_WORKBOOK = 2,
    KX_BASE_NEW_WORKSPACE = 3,
    KX_BASE_OPEN_WORKSPACE = 4,
    KX_BASE_OPEN_DICTIONARY = 5,
    KX_BASE_NEW_DICTIONARY = 6
};

// The databases and the database directory of a host, read from the configuration of the host's
// object-database server, or for the host "LOCAL" without a reachable server from the local
// configuration (the kernel's, or the file named).
class KxDatabaseLookup {
public:
    KxDatabaseLookup() = default;
    KxDatabaseLookup(const KxDatabaseLookup&) = delete;
    KxDatabaseLookup& operator=(const KxDatabaseLookup&) = delete;

    void setHost(const KxString& host) { host_ = host; }
    const KxString& getHost() const { return host_; }
    // The text passed to the server connection after the host (empty unless set).
    void setConnection(const KxString& text) { connection_ = text; }

    // Lists the host's databases: their number, or the first negative kernel status (-2512 for an
    // empty host). The names stay until the next listing.
    int32_t listDatabases(const char* configFile = nullptr);
    int32_t getDatabaseCount() const { return static_cast<int32_t>(names_.size()); }
    const KxString& getDatabaseName(int32_t i) const { return names_.at(static_cast<size_t>(i)); }
    // The host's database directory ("databaseDirectory" of its configuration; for "LOCAL" and
    // "localhost" without one, the registry value "DatabaseDirectory" under
    // "Software\Morvane\Tessaform" of the current user, else of the local machine): 0 or a
    // negative kernel status; out starts empty.
    int32_t getDatabaseDirectory(KxString& out, const char* configFile = nullptr);

private:
    KxString host_;
    KxString connection_;
    std::vector<KxString> names_;
};

class KxBaseDialog : public ModalDialog {
public:
    // Builds the controls of the resource and fills the host box from the settings ("HOSTS"; on
    // first use "LOCAL"); with the database list also the base box (FillDatabaseList). With
    // popResourceContext the resource manager's context is popped after building.
    KxBaseDialog(Window* parent, const ResId& id, KxBaseDialogOpenMode mode, unsigned char withDatabaseList,
                 unsigned char popResourceContext);
    ~KxBaseDialog() override;

    // The texts and the read-only state confirmed with OK.
    virtual String getHost();
    virtual String getBase();
    virtual unsigned char isReadonly();

    // Fills the base box from the mode's settings key (on first use the mode's default entry, which
    // is written to the key); in the workspace modes it disables the host box.
    void FillDatabaseList();

    // The mode's settings key, default entry, file-dialog title (null: the dialog's own) and filters.
    static const char* settingsKey(KxBaseDialogOpenMode mode);
    static const char* defaultEntry(KxBaseDialogOpenMode mode);
    static const char* fileDialogTitle(KxBaseDialogOpenMode mode);

    SV_DECL_LINK(OKHdl, Button*);
    SV_DECL_LINK(BrowseHdl, Button*);
    SV_DECL_LINK(DatabaseListHdl, Button*);

protected:
    // Builds without popping the context (the derived dialogs add their controls first).
    struct Unpopped {};
    KxBaseDialog(Window* parent, const ResId& id, KxBaseDialogOpenMode mode, Unpopped);

    FixedText hostText_;
    ComboBox host_;
    FixedText baseText_;
    ComboBox base_;
    OKButton ok_;
    PushButton browse_;
    CancelButton cancel_;
    FixedText modeText_;
    GroupBox group_;
    CheckBox readonly_;
    std::unique_ptr<CheckBox> databaseList_;   // with the database list
    std::unique_ptr<KxDatabaseLookup> lookup_;
    String hostResult_;
    String baseResult_;
    unsigned char readonlyResult_ = 0;
    KxBaseDialogOpenMode mode_;
    unsigned char withDatabaseList_;

private:
    void fillHosts();
};

// With a one-file check box (201), which only set1FileFlag sets: a click clears it again.
class KxBaseDialogWith1FileFlag : public KxBaseDialog {
public:
    KxBaseDialogWith1FileFlag(Window* parent, const ResId& id, KxBaseDialogOpenMode mode,
                              unsigned char popResourceContext);
    int get1FileFlag() const { return oneFile_.IsChecked() ? 1 : 0; }
    void set1FileFlag(int flag) { oneFile_.Check(flag != 0); }
    SV_DECL_LINK(ClearHdl, Button*);

protected:
    KxBaseDialogWith1FileFlag(Window* parent, const ResId& id, KxBaseDialogOpenMode mode, Unpopped);
    CheckBox oneFile_;
};

// With an internationalization check box (202) in addition, cleared by a click likewise.
class KxBaseDialogWithAllFlags : public KxBaseDialogWith1FileFlag {
public:
    KxBaseDialogWithAllFlags(Window* parent, const ResId& id, KxBaseDialogOpenMode mode,
                             unsigned char popResourceContext);
    int getInternationalizationFlag() const { return international_.IsChecked() ? 1 : 0; }
    void setInternationalizationFlag(int flag) { international_.Check(flag != 0); }

protected:
    CheckBox international_;
};
