// What the browser views share: the popup of the context subject's verbs, the way into the aspect
// editor, and the geometry of the outliner control that fills a view.
#pragma once

#include "KvVerb.h"
#include "sv.h"

class KvAspect;
class KvDialog;
class KvSubject;
class KxOutliner;
class KxOutlinerNode;
class KxOutlinerTagMapper;

// Opens a popup with one item per verb (id from 1, title, enabled as applyable, help text); "edit"
// is disabled when editDisabled is set. Answers the verb chosen, null when none was or the menu
// had no item.
KvVerb* KxChooseVerb(Window* window, const Point& pos, KvVerb** verbs, bool editDisabled);

// The popup of the context subject's verbs: "edit" answers true (the caller edits); any other verb
// goes to the context subject as an update of its aspects, a failure being displayed.
bool KxRunContextPopup(Window* window, const Point& pos, KvSubject* context, KvVerb** verbs, bool editDisabled);

// Runs the aspect editor on the aspect, built with this library's resources current; answers its
// result.
short KxRunAspectEdit(Window* parent, KvAspect* aspect);

// Compares a verb's text without case.
bool KxVerbNamed(const KvVerb& verb, const char* name);

// The outliner takes (0, 0) and the output size of the dialog's paint window; false when there is
// no dialog, paint window or outliner.
bool KxFitOutliner(KvDialog* dialog, KxOutliner* outliner);

// The outliner's position and size in pixels.
void KxOutlinerGeometry(const KxOutliner& outliner, short& x, short& y, short& width, short& height);

// The node takes the four icons of the mapper's entry for the tag, when the mapper has one.
void KxApplyTagIcons(KxOutlinerNode* node, KxOutlinerTagMapper* mapper, long tag);
