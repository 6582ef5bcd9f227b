// What the object and navigation views share: the popup of the context subject's verbs, and the
// "Cannot edit" checks and resources around the aspect editor.
#pragma once

#include "KvVerb.h"
#include "sv.h"

class KvAspect;

// Opens a popup with one item per verb (id from 1, title, enabled as applyable, help text); "edit"
// is disabled when editDisabled is set. Answers the verb chosen, null when none was or the menu
// had no item.
KvVerb* KxChooseVerb(Window* window, const Point& pos, KvVerb** verbs, bool editDisabled);

// Runs the aspect editor on the aspect, built with this library's resources current; answers its
// result.
short KxRunAspectEdit(Window* parent, KvAspect* aspect);

// Compares a verb's text without case.
bool KxVerbNamed(const KvVerb& verb, const char* name);
