// Class-wide values of the browser library, made when the library loads: the fixed error values
// that its subjects and views return, the texts of its string resources and the separator of a
// class name and a member name.
#pragma once

#include "KxErrorCode.h"
#include "KxString.h"
#include "svlist.h"

class KxMetaClass;

struct KxBrowserErrors {
    // Class hierarchy.
    static const KxErrorCode NoClassDescNothingDeleted;     // warning
    static const KxErrorCode NotUserDefinedClass;           // warning
    static const KxErrorCode Found;                         // none
    static const KxErrorCode NotFound;                      // warning
    static const KxErrorCode IllegalFindParameters;         // error
    // Objects and extents (fatal).
    static const KxErrorCode CannotStoreNewObject;
    static const KxErrorCode CannotCreateNewObject;
    static const KxErrorCode CannotAssignNewObject;
    static const KxErrorCode DeleteLocked;
    static const KxErrorCode DeleteAlreadyDeleted;
    static const KxErrorCode DeleteFailed;
    static const KxErrorCode CannotReadObject;
    static const KxErrorCode CannotFindObject;
    static const KxErrorCode NoExtent;
    static const KxErrorCode InvalidSelectedObjectId;
    static const KxErrorCode NoSelectedSurrogate;
    static const KxErrorCode DeleteForeignReference;
    // Lock and watch modes and depths (fatal).
    static const KxErrorCode InvalidLockMode;
    static const KxErrorCode InvalidWatchMode;
    static const KxErrorCode InvalidDepthMode;
};

// The string resources of the library (file "benchadvanced"), read with
// KelvoxGenericObjectSubject::getText.
enum : unsigned short {
    KX_TEXT_INVALID_REFERENCE = 2001, KX_TEXT_CANNOT_STORE = 2002, KX_TEXT_CANNOT_CREATE = 2003,
    KX_TEXT_CANNOT_ASSIGN = 2004, KX_TEXT_CANNOT_INSERT = 2005, KX_TEXT_CANNOT_CLEAR = 2006,
    KX_TEXT_BASE_TYPE_CHANGE = 2007, KX_TEXT_CANNOT_REPLACE = 2008, KX_TEXT_CANNOT_REMOVE = 2009
};

// The font resource of the browser view's status bar.
enum : unsigned short { KX_FONT_STATUS_BAR = 902 };

// "::", between a class name and a member name in member aspect ids.
extern const KxString KxClassMemberSeparator;

// A list of class descriptions (not owned).
class MetaClasses : public List {
public:
    MetaClasses() : List(1024, 16, 16) {}
    bool Contains(const KxMetaClass* desc) const { return GetPos(desc) != CONTAINER_ENTRY_NOTFOUND; }
    void Add(const KxMetaClass* desc) { Insert(const_cast<KxMetaClass*>(desc), CONTAINER_APPEND); }
};

// The class descriptions that a class walk has visited (the member walk and the rights computation),
// cleared when such a walk's functor is made and when it goes; one walk at a time.
extern MetaClasses KxVisitedClassDescs;
