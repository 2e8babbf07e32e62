// TouchDialogs: modal touch-screen dialogs for point-of-sale hosts.
//
// Load the library (link it, or dlopen it), call Initialize() once after a
// QApplication exists, call the dialog functions from the GUI thread, and
// Finalize() before unloading.
#pragma once

#include "frame/Frame.h"
#include "platform/db/ClientDataSet.h"
#include "platform/forms/Application.h"
#include "platform/rtl/Exceptions.h"
#include "platform/rtl/SysUtils.h"

#include "dialogs/colour/ColourUnit.h"
#include "dialogs/keyboard/KeyboardUnit.h"
#include "dialogs/list/ListUnit.h"
#include "dialogs/message/MessageUnit.h"
#include "dialogs/quantity/QuantityUnit.h"
#include "dialogs/search/SearchUnit.h"
