// Class-wide values of the browser library and its string resources.
#include "KxBrowserStatics.h"

#include "svgdi.h"
#include "KxClassHierarchySubject.h"
#include "KxSearchDialog.h"

#include "svres.h"

const KxErrorCode KxBrowserErrors::NoClassDescNothingDeleted(
    KxErrWarning, "Can't get class description of specified class. Nothing deleted.");
const KxErrorCode KxBrowserErrors::NotUserDefinedClass(KxErrWarning,
                                                       "Can't delete a non user defined class. Permission denied.");
const KxErrorCode KxBrowserErrors::Found(KxErrNone, "Found");
const KxErrorCode KxBrowserErrors::NotFound(KxErrWarning, "Not found");
const KxErrorCode KxBrowserErrors::IllegalFindParameters(KxErrError, "Illegal find parameters");
const KxErrorCode KxBrowserErrors::CannotStoreNewObject(KxErrFatal, "Cannot store new object in database");
const KxErrorCode KxBrowserErrors::CannotCreateNewObject(KxErrFatal, "Cannot create new object in database");
const KxErrorCode KxBrowserErrors::CannotAssignNewObject(KxErrFatal, "Cannot assign new object to database");
const KxErrorCode KxBrowserErrors::DeleteLocked(KxErrFatal, "unable to delete object, it is locked");
const KxErrorCode KxBrowserErrors::DeleteAlreadyDeleted(KxErrFatal, "unable to delete object, already deleted");
const KxErrorCode KxBrowserErrors::DeleteFailed(KxErrFatal, "unable to delete object.");
const KxErrorCode KxBrowserErrors::CannotReadObject(KxErrFatal, "unable to read object.");
const KxErrorCode KxBrowserErrors::CannotFindObject(KxErrFatal, "unable to find object.");
const KxErrorCode KxBrowserErrors::NoExtent(KxErrFatal, "No extent available.");
const KxErrorCode KxBrowserErrors::InvalidSelectedObjectId(KxErrFatal, "Selected object id is invalid.");
const KxErrorCode KxBrowserErrors::NoSelectedSurrogate(KxErrFatal, "Could not obtain selected surrogate.");
const KxErrorCode KxBrowserErrors::DeleteForeignReference(
    KxErrFatal, "unable to delete object, foreign reference could not resolved.");
const KxErrorCode KxBrowserErrors::InvalidLockMode(KxErrFatal, "Lock mode specification is invalid.");
const KxErrorCode KxBrowserErrors::InvalidWatchMode(KxErrFatal, "Watch mode specification is invalid.");
const KxErrorCode KxBrowserErrors::InvalidDepthMode(KxErrFatal, "Depth mode specification is invalid.");

const KxString KxClassMemberSeparator("::");

MetaClasses KxVisitedClassDescs;

KxSearchDialogs KxSearchDialog::RegisteredDialogs;

KvAspectSet KxClassHierarchySubject::DefaultAspects;
KxClassHierarchySubject::DisplayOptions KxClassHierarchySubject::DefaultDisplay;

namespace {

void FillResources(SvResourceFile& file) {
    file.AddString(KX_TEXT_INVALID_REFERENCE, "Invalid object reference. Cannot set reference.");
    file.AddString(KX_TEXT_CANNOT_STORE, "Cannot store new object in database.");
    file.AddString(KX_TEXT_CANNOT_CREATE, "Cannot create new object in database. There may not be enough memory.");
    file.AddString(KX_TEXT_CANNOT_ASSIGN, "Cannot assign new object to database.");
    file.AddString(KX_TEXT_CANNOT_INSERT, "Cannot insert object at given position.");
    file.AddString(KX_TEXT_CANNOT_CLEAR, "Cannot clear object set.");
    file.AddString(KX_TEXT_BASE_TYPE_CHANGE,
                   "An occurd while changing the value of a base type object. There may not be enough memory.");
    file.AddString(KX_TEXT_CANNOT_REPLACE, "Cannot replace object at given position.");
    file.AddString(KX_TEXT_CANNOT_REMOVE, "Cannot remove object at given position.");
    // The font of the browser view's status bar.
    file.AddFont(KX_FONT_STATUS_BAR, Font("MS Sans Serif", Size(0, 13)));
}

SvResourceFile theResources("benchadvanced", &FillResources);

}  // namespace
