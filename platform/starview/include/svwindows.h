// The windows of the class library: the window tree and its events, output devices and their
// paint logs, the application and its event loop, dialogs, message boxes, menus and accelerators,
// and the input calls for the headless run.
#pragma once

#include "svapp.h"
#include "svbutton.h"
#include "svevent.h"
#include "svinject.h"
#include "svmenu.h"
#include "svmsgbox.h"
#include "svoutdev.h"
#include "svwindow.h"
