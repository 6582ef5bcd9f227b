// The controls of the class library: edit fields and combo boxes, check boxes, texts, group
// boxes, scroll bars, splitters, status bars, tool boxes, browse boxes, the file and font
// dialogs, and printing (printers, the print dialog and the preview).
#pragma once

#include "svbars.h"
#include "svbrowse.h"
#include "svctrl.h"
#include "svedit.h"
#include "svprint.h"
#include "svstddlg.h"
