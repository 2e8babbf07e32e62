// TouchDialogs: modal touch-screen dialogs for point-of-sale hosts.
//
// Load the library (link it, or dlopen it), call Initialize() once after a
// QApplication exists, call the dialog functions from the GUI thread, and
// Finalize() before unloading. These headers need only this folder and Qt's
// on the include path.
#pragma once

#include <TouchDialogs/Application.h>
#include <TouchDialogs/ClientDataSet.h>
#include <TouchDialogs/Exceptions.h>
#include <TouchDialogs/Module.h>
#include <TouchDialogs/SysUtils.h>

#include <TouchDialogs/Colour.h>
#include <TouchDialogs/Keyboard.h>
#include <TouchDialogs/List.h>
#include <TouchDialogs/Message.h>
#include <TouchDialogs/Quantity.h>
#include <TouchDialogs/Search.h>
